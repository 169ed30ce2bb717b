#include "app_name.h"

#include <windows.h>

#include "reg_settings.h"
#include "registry_view.h"

namespace uninst {

const wchar_t kDefaultAppName[] = L"塔文浏览器";

namespace {

constexpr DWORD kAppNameBytes = 128;

}  // namespace

std::wstring GetAppName() {
  CRegSettings product;
  // One character more than the value may fill, so the text always ends.
  wchar_t name[kAppNameBytes / sizeof(wchar_t) + 1] = {};
  if (product.OpenOrCreate(tavrin::kInstallKeyPathW)) {
    DWORD size = kAppNameBytes;
    if (::RegQueryValueExW(product.Key(), L"appname", nullptr, nullptr, reinterpret_cast<BYTE*>(name), &size) !=
        ERROR_SUCCESS) {
      name[0] = L'\0';
    }
  }
  return name[0] != L'\0' ? std::wstring(name) : std::wstring(kDefaultAppName);
}

}  // namespace uninst
