// The launcher's background thread: activity report, cloud-settings refresh,
// update check and package download, in that order, while the browser runs.
#pragma once

#include <string>

namespace tavrin {

class CUpdateCore;
class CSettingCore;

// Prepared by the main thread, which keeps it alive for the whole run; the
// background thread only reads it.
struct LauncherTaskParam {
  std::string browserPath;
  std::string dataDir;
  CUpdateCore* updateCore = nullptr;
  CSettingCore* settingCore = nullptr;
  unsigned char fetchSettings = 0;
};

// Thread entry for _beginthreadex; `param` is a LauncherTaskParam. Returns 0.
unsigned __stdcall launcherTask(void* param);

}  // namespace tavrin
