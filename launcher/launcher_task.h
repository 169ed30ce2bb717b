// The launcher's background thread: activity report, cloud-settings refresh,
// update check and package download, in that order, while the browser runs.
#pragma once

#include <string>

#include "transfer_cancel.h"

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
  // Cancelled by the main thread when the browser ends first: the running
  // transfer stops and no further step starts.
  const CancelToken* cancel = nullptr;
};

// Thread entry for _beginthreadex; `param` is a LauncherTaskParam. Returns 0.
unsigned __stdcall launcherTask(void* param);

}  // namespace tavrin
