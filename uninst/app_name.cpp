#include "app_name.h"

#include <windows.h>

#include <cwchar>

#include "registry_key.h"
#include "registry_view.h"

namespace tavrin::uninst {

const wchar_t kDefaultAppName[] = L"塔文浏览器";

namespace {

constexpr DWORD kAppNameBytes = 128;

// Device names that Windows resolves in any folder, with or without an
// extension.
constexpr const wchar_t* kDeviceNames[] = {L"CON",  L"PRN",  L"AUX",  L"NUL",  L"COM1", L"COM2", L"COM3", L"COM4",
                                           L"COM5", L"COM6", L"COM7", L"COM8", L"COM9", L"LPT1", L"LPT2", L"LPT3",
                                           L"LPT4", L"LPT5", L"LPT6", L"LPT7", L"LPT8", L"LPT9"};

bool IsDeviceName(const std::wstring& name) {
  std::wstring stem = name.substr(0, name.find(L'.'));
  while (!stem.empty() && stem.back() == L' ') stem.pop_back();
  for (const wchar_t* device : kDeviceNames) {
    if (::lstrcmpiW(stem.c_str(), device) == 0) return true;
  }
  return false;
}

}  // namespace

bool IsPlainPathComponent(const std::wstring& name) {
  if (name.empty()) return false;
  for (wchar_t c : name) {
    if (c < 0x20 || wcschr(L"\\/:*?\"<>|", c) != nullptr) return false;
  }
  // Windows drops dots and blanks at the end of a name: "..", ". ." or
  // "..." would name the folder above or the folder itself.
  if (name.back() == L'.' || name.back() == L' ') return false;
  return !IsDeviceName(name);
}

std::wstring GetAppName() {
  const std::wstring value =
      tavrin::RegistryKey::openForReading(tavrin::kInstallKeyPathW).readText(L"appname", kAppNameBytes);
  // The name becomes part of paths that are deleted (the start-menu group
  // is removed with everything in it): only one plain name is taken.
  return IsPlainPathComponent(value) ? value : std::wstring(kDefaultAppName);
}

}  // namespace tavrin::uninst
