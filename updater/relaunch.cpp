#include "relaunch.h"

#include <windows.h>

#include <vector>

#include "debug_log.h"
#include "handles.h"
#include "path_join.h"

namespace tavrin {

std::string formatRelaunchCommand(const std::string& installDir, const std::string& updaterDir) {
  std::string launcher = joinPath(installDir, "TavrinLauncher.exe");
  return formatBounded(kLongTextBufferSize, "\"%s\" -rm \"%s\"", launcher.c_str(), updaterDir.c_str());
}

void startLauncher(const std::string& commandLine) {
  std::vector<char> mutableLine(commandLine.begin(), commandLine.end());
  mutableLine.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started = {};
  if (!::CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &started)) {
    unsigned error = static_cast<unsigned>(::GetLastError());
    debugLog("run launcher exe failed, err: %u, cmdline: %s", error, commandLine.c_str());
    return;
  }
  ProcessHandles::adopt(started);  // not waited for; the handles close here
}

}  // namespace tavrin
