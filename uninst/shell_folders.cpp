#include "shell_folders.h"

#include <windows.h>
#include <io.h>

#include <cwchar>

#include "com_handles.h"
#include "file_removal.h"

namespace tavrin::uninst {

namespace {

constexpr size_t kTaskbarPathChars = 261;

// printf-style into a zeroed buffer of `chars` characters; longer text is cut.
std::wstring FormatBounded(size_t chars, const wchar_t* format, const std::wstring& first, const std::wstring& second) {
  std::wstring buffer(chars, L'\0');
  ::_snwprintf(&buffer[0], chars - 1, format, first.c_str(), second.c_str());
  return std::wstring(buffer.c_str());
}

}  // namespace

bool PathExists(const std::wstring& path) { return ::_waccess(path.c_str(), 0) == 0; }

bool ResolveSpecialFolder(int csidl, std::wstring& folder) {
  tavrin::UniqueItemIdList items;
  if (FAILED(::SHGetSpecialFolderLocation(nullptr, csidl, items.receive())) || !items) return false;
  wchar_t path[kPathChars] = {};
  if (!::SHGetPathFromIDListW(items.get(), path)) return false;
  folder = path;
  return true;
}

std::wstring StartMenuGroupPath(const std::wstring& startMenu, const std::wstring& name) {
  std::wstring programs = FormatBounded(kPathChars, L"%s\\Programs\\", startMenu, std::wstring());
  if (PathExists(programs)) return FormatBounded(kPathChars, L"%s\\Programs\\%s", startMenu, name);
  return FormatBounded(kPathChars, L"%s\\程序\\%s", startMenu, name);
}

std::wstring DesktopShortcutPath(const std::wstring& desktop, const std::wstring& name) {
  return FormatBounded(kPathChars, L"%s\\%s.lnk", desktop, name);
}

std::wstring QuickLaunchShortcutPath(const std::wstring& appData, const std::wstring& name) {
  return FormatBounded(kPathChars, L"%s\\Microsoft\\Internet Explorer\\Quick Launch\\%s.lnk", appData, name);
}

std::wstring TaskbarShortcutPath(const std::wstring& appData, const std::wstring& name) {
  return FormatBounded(kTaskbarPathChars,
                       L"%s\\Microsoft\\Internet Explorer\\Quick Launch\\User Pinned\\TaskBar\\%s.lnk", appData, name);
}

}  // namespace tavrin::uninst
