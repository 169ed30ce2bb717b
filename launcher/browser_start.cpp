#include "browser_start.h"

#include <io.h>
#include <windows.h>

#include <vector>

#include "debug_log.h"
#include "path_join.h"

namespace tavrin {

std::string buildBrowserCommandLine(const std::string& exePath, const std::string& settingPath,
                                    const std::string& dataDir) {
  if (settingPath.empty()) return exePath;
  return exePath + formatBounded(kLongTextBufferSize, " --update-cloud-setting=%s --update-cloud-version=%s\\%s",
                                 settingPath.c_str(), dataDir.c_str(), "version.tsc");
}

bool runMainExe(const std::string& exePath, const std::string& settingPath, const std::string& dataDir,
                ProcessHandles& process) {
  if (!exePath.empty() && ::_access(exePath.c_str(), 0) != 0) {
    debugLog("can't find exe: %s", exePath.c_str());
    return false;
  }
  std::string commandLine = buildBrowserCommandLine(exePath, settingPath, dataDir);
  std::vector<char> mutableLine(commandLine.begin(), commandLine.end());
  mutableLine.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  if (!::CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info)) {
    debugLog("run main exe failed, err: %u, cmdline: %s", static_cast<unsigned>(::GetLastError()),
             commandLine.c_str());
    return false;
  }
  process = ProcessHandles::adopt(info);
  return true;
}

}  // namespace tavrin
