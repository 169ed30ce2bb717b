#include "relaunch.h"

#include <windows.h>

#include "debug_log.h"
#include "handles.h"
#include "path_join.h"
#include "process_start.h"

namespace tavrin {

std::string formatRelaunchCommand(const std::string& installDir, const std::string& updaterDir) {
  std::string launcher = joinPath(installDir, "TavrinLauncher.exe");
  return formatBounded(kLongTextBufferSize, "\"%s\" -rm \"%s\"", launcher.c_str(), updaterDir.c_str());
}

void startLauncher(const std::string& commandLine) {
  ProcessHandles launcher;  // not waited for; the handles close here
  DWORD error = 0;
  if (!startProcessA(commandLine, launcher, error)) {
    debugLog("run launcher exe failed, err: %u, cmdline: %s", static_cast<unsigned>(error), commandLine.c_str());
  }
}

}  // namespace tavrin
