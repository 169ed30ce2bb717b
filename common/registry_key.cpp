#include "registry_key.h"

#include <vector>

#include "registry_view.h"

namespace tavrin {

RegistryKey RegistryKey::openForReading(const wchar_t* path) {
  UniqueRegKey key;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ | kRegistryView, key.receive()) != ERROR_SUCCESS) {
    return RegistryKey();
  }
  return RegistryKey(std::move(key));
}

RegistryKey RegistryKey::openOrCreateForWriting(const wchar_t* path) {
  const REGSAM access = KEY_ALL_ACCESS | kRegistryView;
  UniqueRegKey key;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, access, key.receive()) == ERROR_SUCCESS) {
    return RegistryKey(std::move(key));
  }
  if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, key.receive(),
                        nullptr) != ERROR_SUCCESS) {
    return RegistryKey();
  }
  return RegistryKey(std::move(key));
}

std::string RegistryKey::readAnsiText(const char* name, DWORD maxBytes) const {
  if (!m_key) return std::string();
  // One byte more than the query may fill, so the text always ends.
  std::vector<char> buffer(static_cast<size_t>(maxBytes) + 1, '\0');
  DWORD size = maxBytes;
  DWORD type = REG_NONE;
  if (::RegQueryValueExA(m_key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) !=
          ERROR_SUCCESS ||
      type == REG_EXPAND_SZ) {
    return std::string();
  }
  return std::string(buffer.data());
}

std::wstring RegistryKey::readText(const wchar_t* name, DWORD maxBytes) const {
  if (!m_key) return std::wstring();
  // One character more than the query may fill, so the text always ends.
  std::vector<wchar_t> buffer(static_cast<size_t>(maxBytes) / sizeof(wchar_t) + 1, L'\0');
  DWORD size = maxBytes;
  DWORD type = REG_NONE;
  if (::RegQueryValueExW(m_key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) !=
          ERROR_SUCCESS ||
      type == REG_EXPAND_SZ) {
    return std::wstring();
  }
  return std::wstring(buffer.data());
}

bool RegistryKey::writeAnsiText(const char* name, const std::string& value) const {
  if (!m_key || value.size() >= MAXDWORD) return false;
  return ::RegSetValueExA(m_key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

}  // namespace tavrin
