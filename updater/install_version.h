// The updater's write of the installation record.
#pragma once

#include <string>

namespace tavrin {

// Sets the REG_SZ value "version" of HKEY_LOCAL_MACHINE\SOFTWARE\tavrin,
// creating the key when it cannot be opened; true when the value was set.
bool writeInstalledVersion(const std::string& version);

}  // namespace tavrin
