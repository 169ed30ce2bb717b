#include "reg_settings.h"

#include "registry_key.h"
#include "registry_view.h"

namespace tavrin::uninst {

namespace {

constexpr DWORD kSubkeyNameChars = 256;

}  // namespace

bool CRegSettings::OpenOrCreate(const wchar_t* path) {
  m_key = tavrin::RegistryKey::openOrCreateForWriting(path);
  return static_cast<bool>(m_key);
}

namespace {

constexpr wchar_t kProductSubkey[] = L"tavrin";
constexpr const wchar_t* kProductKeyParents[] = {
    L"SOFTWARE",
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
};

}  // namespace

void RemoveProductKeys() {
  for (const wchar_t* parent : kProductKeyParents) {
    CRegSettings settings;
    if (settings.OpenOrCreate(parent)) CRegSettings::DeleteKeyTree(settings.Key(), kProductSubkey);
  }
}

LONG DeleteRegistrySubkey(HKEY parent, const wchar_t* subkey) {
  // The call that names the view exists from 64-bit XP on; a 32-bit XP has
  // one view only, where the plain call is the same thing.
  using DeleteKeyExFn = LONG(WINAPI*)(HKEY, LPCWSTR, REGSAM, DWORD);
  static const DeleteKeyExFn deleteKeyEx = reinterpret_cast<DeleteKeyExFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"advapi32.dll"), "RegDeleteKeyExW")));
  if (deleteKeyEx != nullptr) return deleteKeyEx(parent, subkey, tavrin::kRegistryView, 0);
  return ::RegDeleteKeyW(parent, subkey);
}

LONG CRegSettings::DeleteKeyTree(HKEY parent, const wchar_t* subkey) {
  if (parent == nullptr) return ERROR_INVALID_HANDLE;
  tavrin::UniqueRegKey key;
  LONG status = ::RegOpenKeyExW(parent, subkey, 0, KEY_ALL_ACCESS | tavrin::kRegistryView, key.receive());
  if (status != ERROR_SUCCESS) return status;
  for (;;) {
    wchar_t child[kSubkeyNameChars] = {};
    DWORD childChars = kSubkeyNameChars;
    if (::RegEnumKeyExW(key.get(), 0, child, &childChars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
      break;
    }
    status = DeleteKeyTree(key.get(), child);
    if (status != ERROR_SUCCESS) return status;  // the owner closes the key
  }
  key.reset();
  return DeleteRegistrySubkey(parent, subkey);
}

}  // namespace tavrin::uninst
