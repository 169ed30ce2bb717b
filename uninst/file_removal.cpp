#include "file_removal.h"

#include <windows.h>

#include "handles.h"

namespace tavrin::uninst {

namespace {

// Only this exact value is walked into; a folder with further attribute
// bits (hidden, read-only, reparse point ...) is handed to the file removal.
constexpr DWORD kPlainDirectoryAttributes = FILE_ATTRIBUTE_DIRECTORY;

bool IsDotEntry(const wchar_t* name) { return wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0; }

bool IsLinkedFolder(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
         (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A junction or folder link goes as a link: removing the folder entry
// removes the link, never what it points at.
void RemoveLink(const std::wstring& path, DWORD attributes) {
  if (IsLinkedFolder(attributes)) {
    ::RemoveDirectoryW(path.c_str());
  } else {
    ::DeleteFileW(MakeLongPath(path).c_str());
  }
}

}  // namespace

std::wstring GetModuleDir() {
  wchar_t path[kPathChars] = {};
  ::GetModuleFileNameW(nullptr, path, kPathChars);
  std::wstring dir = path;
  size_t separator = dir.rfind(L'\\');
  if (separator != std::wstring::npos) dir.resize(separator);
  return dir;
}

std::wstring MakeLongPath(const std::wstring& path) { return L"\\\\?\\" + path; }

bool CFilePath::DeleteDirectory() const {
  // A walk through a reparse point would remove whatever it points at, which
  // an unelevated user may have aimed at any folder: the path itself (the
  // root included) is never walked when it is one.
  DWORD attributes = ::GetFileAttributesW(m_path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    RemoveLink(m_path, attributes);
    return false;
  }
  WIN32_FIND_DATAW entry = {};
  tavrin::UniqueFindHandle find(::FindFirstFileW((m_path + L"\\*.*").c_str(), &entry));
  if (!find) {
    ::DeleteFileW(MakeLongPath(m_path).c_str());
    return false;
  }
  do {
    std::wstring child = m_path + L"\\" + entry.cFileName;
    if (entry.dwFileAttributes == kPlainDirectoryAttributes) {
      if (!IsDotEntry(entry.cFileName)) CFilePath(child).DeleteDirectory();
    } else if (IsLinkedFolder(entry.dwFileAttributes)) {
      RemoveLink(child, entry.dwFileAttributes);
    } else {
      ::DeleteFileW(MakeLongPath(child).c_str());
    }
  } while (::FindNextFileW(find.get(), &entry));
  find.reset();
  ::RemoveDirectoryW(m_path.c_str());
  return true;
}

}  // namespace tavrin::uninst
