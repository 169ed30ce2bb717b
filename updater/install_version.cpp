#include "install_version.h"

#include <windows.h>

#include "handles.h"
#include "registry_view.h"

namespace tavrin {

namespace {

UniqueRegKey openOrCreateInstallKey() {
  UniqueRegKey key;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kInstallKeyPath, 0, KEY_ALL_ACCESS | kRegistryView, key.receive()) ==
      ERROR_SUCCESS) {
    return key;
  }
  if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kInstallKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS | kRegistryView, nullptr, key.receive(), nullptr) != ERROR_SUCCESS) {
    return UniqueRegKey();
  }
  return key;
}

}  // namespace

bool writeInstalledVersion(const std::string& version) {
  UniqueRegKey key = openOrCreateInstallKey();
  if (!key) return false;
  return ::RegSetValueExA(key.get(), "version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                          static_cast<DWORD>(version.size() + 1)) == ERROR_SUCCESS;
}

}  // namespace tavrin
