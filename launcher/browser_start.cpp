#include "browser_start.h"

#include <windows.h>

#include "debug_log.h"
#include "file_probe.h"
#include "path_join.h"
#include "process_start.h"

namespace tavrin {

std::string buildBrowserCommandLine(const std::string& exePath, const std::string& settingPath,
                                    const std::string& dataDir) {
  if (settingPath.empty()) return exePath;
  return exePath + formatBounded(kLongTextBufferSize, " --update-cloud-setting=%s --update-cloud-version=%s\\%s",
                                 settingPath.c_str(), dataDir.c_str(), "version.tsc");
}

bool runMainExe(const std::string& exePath, const std::string& settingPath, const std::string& dataDir,
                ProcessHandles& process) {
  if (!exePath.empty() && !ansiPathExists(exePath)) {
    debugLog("can't find exe: %s", exePath.c_str());
    return false;
  }
  std::string commandLine = buildBrowserCommandLine(exePath, settingPath, dataDir);
  DWORD error = 0;
  if (!startProcessA(commandLine, process, error)) {
    debugLog("run main exe failed, err: %u, cmdline: %s", static_cast<unsigned>(error), commandLine.c_str());
    return false;
  }
  return true;
}

}  // namespace tavrin
