// Starting the browser: the executable path unquoted, then, when there is a
// settings file, the two cloud-settings switches.
#pragma once

#include <string>

#include "handles.h"

namespace tavrin {

// E, or E followed by " --update-cloud-setting=S --update-cloud-version=D\version.tsc"
// (the appended part at most 1024 characters).
std::string buildBrowserCommandLine(const std::string& exePath, const std::string& settingPath,
                                    const std::string& dataDir);

// Starts the browser; false (after its diagnostic) when it is missing or
// cannot be started. `process` receives the handles on success.
bool runMainExe(const std::string& exePath, const std::string& settingPath, const std::string& dataDir,
                ProcessHandles& process);

}  // namespace tavrin
