// Whether a process with a given executable name runs.
#pragma once

#include <string>

namespace tavrin {

// `exeName` is UTF-8; the comparison ignores case and looks at the file name
// of each running process only.
bool isProcessRunning(const std::string& exeName);

}  // namespace tavrin
