// The one way the programs read and write registry keys: a key under
// HKEY_LOCAL_MACHINE, always in the 32-bit view, opened for reading unless
// a writer asks for more. Reading never creates a key.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

#include "handles.h"

namespace tavrin {

class RegistryKey {
 public:
  RegistryKey() = default;

  // Query access only; a standard user can read a key under
  // HKEY_LOCAL_MACHINE but not open it with full access.
  static RegistryKey openForReading(const wchar_t* path);
  // Full access; the key is created when it cannot be opened. Only the
  // updater's version record and the uninstaller's removal write.
  static RegistryKey openOrCreateForWriting(const wchar_t* path);

  explicit operator bool() const { return static_cast<bool>(m_key); }
  HKEY get() const { return m_key.get(); }

  // The value rules every reader shares: the value is queried into a zeroed
  // buffer of `maxBytes`; a missing value, one larger than that, or one of
  // type REG_EXPAND_SZ reads as empty; any other type is taken as text up to
  // its first zero character. The narrow form reads in the ANSI code page.
  std::string readAnsiText(const char* name, DWORD maxBytes) const;
  std::wstring readText(const wchar_t* name, DWORD maxBytes) const;

  // Sets a REG_SZ value; true when it was set.
  bool writeAnsiText(const char* name, const std::string& value) const;

 private:
  explicit RegistryKey(UniqueRegKey key) : m_key(std::move(key)) {}

  UniqueRegKey m_key;
};

}  // namespace tavrin
