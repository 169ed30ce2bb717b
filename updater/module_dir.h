// The folder the running updater was started from.
#pragma once

#include <string>

namespace tavrin {

// The full path of the running executable (260-character buffer) cut
// before its last backslash; the whole path when it holds none.
std::string getModuleDir();

}  // namespace tavrin
