// Starting the launcher again once the updater is done, telling it to
// delete the updater's temporary folder.
#pragma once

#include <string>

namespace tavrin {

// "\"<install>\TavrinLauncher.exe\" -rm \"<updater folder>\"", formatted
// into 1025 bytes.
std::string formatRelaunchCommand(const std::string& installDir, const std::string& updaterDir);

// Starts the command line without waiting for it; logs
// "run launcher exe failed, err: %u, cmdline: %s" when it cannot be started.
void startLauncher(const std::string& commandLine);

}  // namespace tavrin
