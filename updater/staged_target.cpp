#include "staged_target.h"

#include <cstddef>
#include <cstring>
#include <vector>

namespace tavrin {

namespace {

constexpr wchar_t kStagingSuffix[] = L".mirup~";

DWORD creationAttributes(DWORD attributes) {
  DWORD flags = attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY);
  return flags == 0 ? FILE_ATTRIBUTE_NORMAL : flags;
}

std::wstring fullPathOf(const std::wstring& path) {
  DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return std::wstring();
  std::wstring full(needed, L'\0');
  DWORD length = ::GetFullPathNameW(path.c_str(), needed, &full[0], nullptr);
  if (length == 0 || length >= needed) return std::wstring();
  full.resize(length);
  return full;
}

bool isReadOnly(const std::wstring& path) {
  DWORD existing = ::GetFileAttributesW(path.c_str());
  return existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_READONLY);
}

// DELETE access lets the finished file be renamed through its own handle.
HANDLE createStagingFile(const std::wstring& staging) {
  return ::CreateFileW(staging.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

// The native form of a path for a rename by handle: "\??\C:\...",
// "\??\UNC\server\share\..."; empty when the path cannot be made full.
std::wstring nativePathOf(const std::wstring& path) {
  std::wstring full = fullPathOf(path);
  if (full.empty()) return std::wstring();
  if (full.compare(0, 4, L"\\\\?\\") == 0 || full.compare(0, 4, L"\\\\.\\") == 0) return L"\\??\\" + full.substr(4);
  if (full.compare(0, 2, L"\\\\") == 0) return L"\\??\\UNC\\" + full.substr(2);
  return L"\\??\\" + full;
}

// SetFileInformationByHandle came with Windows Vista: looked up at run time,
// so that the updater still starts on XP, where every caller falls back to
// the same job by name (attributes after closing, MoveFileExW).
using SetFileInformationByHandleFunction = BOOL(WINAPI*)(HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD);

SetFileInformationByHandleFunction setFileInformationByHandle() {
  static const auto function = reinterpret_cast<SetFileInformationByHandleFunction>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetFileInformationByHandle")));
  return function;
}

bool setFileInformation(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, void* information, DWORD size) {
  SetFileInformationByHandleFunction function = setFileInformationByHandle();
  return function != nullptr && function(file, kind, information, size) != FALSE;
}

// Renames the open file over `target`: one step, where closing the file and
// moving it by name would look up both names again.
bool renameOpenFile(HANDLE file, const std::wstring& target) {
  std::wstring native = nativePathOf(target);
  if (native.empty()) return false;
  size_t nameBytes = native.size() * sizeof(wchar_t);
  std::vector<unsigned char> buffer(offsetof(FILE_RENAME_INFO, FileName) + nameBytes + sizeof(wchar_t), 0);
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->ReplaceIfExists = TRUE;
  rename->RootDirectory = nullptr;
  rename->FileNameLength = static_cast<DWORD>(nameBytes);
  std::memcpy(rename->FileName, native.c_str(), nameBytes);
  return setFileInformation(file, FileRenameInfo, rename, static_cast<DWORD>(buffer.size()));
}

bool setAttributesOfOpenFile(HANDLE file, DWORD attributes) {
  FILE_BASIC_INFO basic = {};  // zero times: left as they are
  basic.FileAttributes = attributes;
  return setFileInformation(file, FileBasicInfo, &basic, sizeof(basic));
}

}  // namespace

std::wstring stagingNameFor(const std::wstring& target) { return target + kStagingSuffix; }

std::wstring longPathForm(const std::wstring& path) {
  std::wstring full = fullPathOf(path);
  if (full.empty()) return std::wstring();
  if (full.compare(0, 4, L"\\\\?\\") == 0 || full.compare(0, 4, L"\\\\.\\") == 0) return full;
  if (full.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

StagedTarget::~StagedTarget() { discard(); }

// A read-only target is refused here as well as by the final rename,
// because not every system refuses it (Wine under a superuser account
// does not).
bool StagedTarget::create(const std::wstring& target, DWORD attributes) {
  discard();
  // In the long form, so that no target is too long for its staging name
  // (nor for the path limit of the system's calls).
  std::wstring longTarget = longPathForm(target);
  if (longTarget.empty() || isReadOnly(longTarget)) return false;
  m_target = longTarget;
  m_attributes = attributes;
  m_staging = stagingNameFor(longTarget);
  m_file.reset(createStagingFile(m_staging));
  if (!m_file && ::GetLastError() == ERROR_ACCESS_DENIED) {
    ::SetFileAttributesW(m_staging.c_str(), FILE_ATTRIBUTE_NORMAL);  // a stale one may be read-only
    m_file.reset(createStagingFile(m_staging));
  }
  if (!m_file) m_staging.clear();
  return static_cast<bool>(m_file);
}

bool StagedTarget::commit() {
  if (m_staging.empty()) {  // nothing was created
    m_file.reset();
    return false;
  }
  DWORD attributes = creationAttributes(m_attributes);
  if (attributes != FILE_ATTRIBUTE_NORMAL && !setAttributesOfOpenFile(m_file.get(), attributes)) {
    m_file.reset();
    ::SetFileAttributesW(m_staging.c_str(), attributes);
  }
  if (isReadOnly(m_target)) {
    discard();
    return false;
  }
  // A system without renames by handle gets the rename by name.
  bool moved = m_file && renameOpenFile(m_file.get(), m_target);
  m_file.reset();
  if (!moved && !::MoveFileExW(m_staging.c_str(), m_target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    discard();
    return false;
  }
  m_staging.clear();
  return true;
}

void StagedTarget::discard() {
  m_file.reset();
  if (m_staging.empty()) return;
  ::SetFileAttributesW(m_staging.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::DeleteFileW(m_staging.c_str());
  m_staging.clear();
}

}  // namespace tavrin
