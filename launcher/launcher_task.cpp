#include "launcher_task.h"

#include "active_report.h"
#include "install_probe.h"
#include "path_join.h"
#include "setting_core.h"
#include "update_core.h"

namespace tavrin {

namespace {

void runTask(const LauncherTaskParam* task) {
  const auto cancelled = [task] { return isCancelled(task->cancel); };
  reportActive(getFileVersion(task->browserPath), task->cancel);

  // Once the browser has ended the run is over: no further step starts.
  if (!cancelled() && task->fetchSettings == 1 && task->settingCore != nullptr) {
    std::string reply = task->settingCore->fetchSetting();
    if (reply != "null" && !cancelled()) task->settingCore->saveSettingReply(reply);
  }

  if (!cancelled() && task->updateCore != nullptr) {
    char packageUrl[kLongTextBufferSize] = {};
    if (task->updateCore->checkUpdate(packageUrl) && !cancelled()) {
      task->updateCore->downloadUpdatePackage(packageUrl, task->dataDir);
    }
  }
}

}  // namespace

unsigned __stdcall launcherTask(void* param) {
  const auto* task = static_cast<const LauncherTaskParam*>(param);
  if (task == nullptr) return 0;
  // An exception must not end the process beside the running browser.
  try {
    runTask(task);
  } catch (...) {
    // nothing more of this run's background work
  }
  return 0;
}

}  // namespace tavrin
