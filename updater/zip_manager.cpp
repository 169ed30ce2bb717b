#include "zip_manager.h"

#include <cwchar>

#include "zip_log.h"

namespace tavrin {

namespace {

constexpr size_t kDefaultDestinationMaxLength = 259;

std::wstring withoutExtension(const std::wstring& path) {
  size_t dot = path.find_last_of(L'.');
  return dot == std::wstring::npos ? path : path.substr(0, dot);
}

// Into a caller's buffer of kItemNameLength characters, cut if need be.
void copyBounded(const std::wstring& text, wchar_t* buffer) {
  size_t length = text.size() < static_cast<size_t>(kItemNameLength) ? text.size() : kItemNameLength - 1;
  std::wmemcpy(buffer, text.data(), length);
  buffer[length] = L'\0';
}

std::wstring fileNamePart(const std::wstring& name) {
  size_t separator = name.find_last_of(L"\\/");
  return separator == std::wstring::npos ? name : name.substr(separator + 1);
}

}  // namespace

CZipManager::CZipManager() = default;

CZipManager::~CZipManager() = default;

int CZipManager::open(const wchar_t* archivePath, const char* password) {
  if (archivePath == nullptr) {
    logZipFailure("压缩文件名为NULL.", 0);
    return 0;
  }
  m_defaultDestination = withoutExtension(archivePath).substr(0, kDefaultDestinationMaxLength);
  close();
  m_archive = ZipArchive::open(archivePath, password, m_lastResult);
  if (!m_archive) {
    logZipFailure("加载压缩文件失败", m_lastResult);
    return 0;
  }
  return 1;
}

int CZipManager::setDestination(const wchar_t* folder) {
  ZipResult result =
      note(m_archive ? m_archive->setBaseFolder(folder != nullptr ? folder : m_defaultDestination.c_str())
                     : kZipBadArgument);
  if (result != kZipOk) {
    logZipFailure("设置压缩路径失败.", result);
    return 0;
  }
  return 1;
}

int CZipManager::getItemCount(int* count) {
  ZipEntry entry;
  if (count == nullptr || note(m_archive ? m_archive->describeEntry(-1, &entry) : kZipBadArgument) != kZipOk) {
    return 0;
  }
  *count = entry.index;
  return 1;
}

int CZipManager::getItemName(int index, wchar_t* name) {
  ZipEntry entry;
  if (name == nullptr || note(m_archive ? m_archive->describeEntry(index, &entry) : kZipBadArgument) != kZipOk) {
    return 0;
  }
  copyBounded(entry.name, name);
  return 1;
}

int CZipManager::extractItemByName(const wchar_t* entryName, wchar_t* fileName) {
  if (entryName == nullptr) {
    logZipFailure("待解压的子项名为NULL.", 0);
    return 0;
  }
  int index = -1;
  ZipResult result = note(m_archive ? m_archive->findEntry(entryName, &index) : kZipBadArgument);
  if (result != kZipOk) {
    logZipFailure("查找待解压的子项失败.", result);
    return 0;
  }
  std::wstring target = fileNamePart(entryName);
  if (fileName != nullptr) copyBounded(target, fileName);
  result = note(m_archive->extractEntry(index, target.c_str()));
  if (result != kZipOk) {
    logZipFailure("解压子项失败.", result);
    return 0;
  }
  return 1;
}

int CZipManager::extractItem(int index, const wchar_t* name) {
  return note(m_archive ? m_archive->extractEntry(index, name) : kZipBadArgument) == kZipOk ? 1 : 0;
}

int CZipManager::extractAll() {
  ZipEntry counted;
  ZipResult result = note(m_archive ? m_archive->describeEntry(-1, &counted) : kZipBadArgument);
  if (result != kZipOk) {
    logZipFailure("get zip item failed", result);
    return 0;
  }
  for (int index = 0; index < counted.index; ++index) {
    ZipEntry entry;
    result = note(m_archive->describeEntry(index, &entry));
    if (result == kZipOk) result = note(m_archive->extractEntryUnderItsName(index));
    if (result != kZipOk) {
      logZipFailure("UnzipItem failed", result);
      return 0;
    }
  }
  return 1;
}

void CZipManager::close() { m_archive.reset(); }

ZipResult CZipManager::note(ZipResult result) {
  m_lastResult = result;
  return result;
}

void CZipManager::release() { delete this; }

}  // namespace tavrin
