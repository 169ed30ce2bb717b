// A registry key held open for the uninstall steps (32-bit view), and the
// removal of a key with everything below it.
#pragma once

#include <windows.h>

#include <string>

#include "handles.h"
#include "registry_key.h"

namespace tavrin::uninst {

class CRegSettings {
 public:
  CRegSettings() = default;

  // Opens HKEY_LOCAL_MACHINE\<path> with full access, creating it when it
  // cannot be opened. False when neither worked.
  bool OpenOrCreate(const wchar_t* path);
  HKEY Key() const { return m_key.get(); }

  // Removes `subkey` below `parent` with all its subkeys, deepest first.
  // Returns a Win32 error code: ERROR_INVALID_HANDLE for a null parent,
  // otherwise the first failure or the result of the last deletion.
  static LONG DeleteKeyTree(HKEY parent, const wchar_t* subkey);

 private:
  tavrin::RegistryKey m_key;
};

// Deletes one empty subkey in the 32-bit view.
LONG DeleteRegistrySubkey(HKEY parent, const wchar_t* subkey);

// Step 80: the product key SOFTWARE\tavrin and the product's entry in the
// list of installed programs, each with everything below it. A parent key
// that cannot be opened is created with full access, as the removal always
// did.
void RemoveProductKeys();

}  // namespace tavrin::uninst
