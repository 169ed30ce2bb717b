#include "main_flow.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <curl/curl.h>

#include "browser_start.h"
#include "debug_log.h"
#include "file_probe.h"
#include "handles.h"
#include "install_probe.h"
#include "launcher_task.h"
#include "path_join.h"
#include "process_probe.h"
#include "rm_switch.h"
#include "setting_core.h"
#include "thread_start.h"
#include "trace_log.h"
#include "transfer_cancel.h"
#include "uninstaller_probe.h"
#include "updater_event.h"
#include "update_core.h"

namespace tavrin {

namespace {

constexpr char kRunEventName[] = "8A04F253-5DA3-47F1-AC2F-06582D831372";
// How long the background thread gets to stop its transfer after the
// browser has ended; a cancelled transfer stops within about a second.
constexpr DWORD kStopGraceMs = 15000;

constexpr DWORD kUpdaterExitWaitMs = 5000;

bool waitUntilUpdaterEnds() {
  for (DWORD waited = 0; waited < kUpdaterExitWaitMs; waited += 50) {
    ::Sleep(50);
    if (!isProcessRunning("Mirup.exe")) return true;
  }
  return false;
}

bool isBrowserRunning() { return isProcessRunning("tavrin.exe") || isProcessRunning("tavrin_proxy.exe"); }

// A complete package waiting from an earlier run goes to the updater instead
// of starting the browser. Whenever the updater would end at once without
// applying it (the browser or its helper runs, the installation's own
// uninstaller runs, the updater's event exists), the package waits for a
// later start and the browser starts now: no start loops through updaters.
bool handOverWaitingPackage(CUpdateCore& updateCore, const std::string& dataDir, const std::string& installDir) {
  std::string package = joinPath(dataDir, "uppackage.zip");
  if (!ansiPathExists(package) || isBrowserRunning() || installationUninstallerRuns(installDir)) return false;
  // An updater would end at once beside its event (held by another updater,
  // or by anything else that took the name) and start the launcher again.
  if (UniqueHandle(::OpenEventA(SYNCHRONIZE, FALSE, kUpdaterEventName))) return false;
  return updateCore.verifyUpdatePackage(package) && updateCore.startUpdater(package);
}

// The settings file handed to the browser; `fetchSettings` says whether this
// run refreshes the settings.
std::string chooseSettingsFile(CSettingCore& settingCore, const std::string& dataDir, unsigned char& fetchSettings) {
  fetchSettings = 1;
  std::string received = joinPath(dataDir, "corveldata.tsc");
  if (ansiPathExists(received)) {
    std::string settingPath = settingCore.decodeStoredSetting(received);
    if (!settingPath.empty()) {
      std::remove(received.c_str());
      fetchSettings = 0;
    }
    return settingPath;  // a reply that does not convert: no older file either
  }
  std::string previous = joinPath(dataDir, "setting.tsc");
  return ansiPathExists(previous) ? previous : std::string();
}

void initHttp() {
  CURLcode status = curl_global_init(CURL_GLOBAL_ALL);
  if (status != CURLE_OK) traceLog("curl_global_init() failed: %s\n", curl_easy_strerror(status));
}

// Runs the background work beside the browser and waits for whichever ends
// first. When the browser ends first the running transfer is cancelled and
// the thread returns on its own; it is never killed mid-transfer.
void runBackgroundWork(LauncherTaskParam& param, CancelToken& cancel, HANDLE browserProcess) {
  initHttp();
  UniqueHandle thread = startThread(launcherTask, &param);
  if (thread) {
    HANDLE waitOn[2] = {browserProcess, thread.get()};
    DWORD first = ::WaitForMultipleObjects(2, waitOn, FALSE, INFINITE);
    if (first == WAIT_OBJECT_0) {
      cancel.cancel();
      if (::WaitForSingleObject(thread.get(), kStopGraceMs) != WAIT_OBJECT_0) {
        // The transfer did not stop: end without the global clean-up, which
        // must never run beside a live transfer.
        ::TerminateProcess(::GetCurrentProcess(), 0);
      }
    }
  }
  curl_global_cleanup();
}

}  // namespace

int runLauncher(int argc, char** argv) {
  // The updater starts the launcher with "-rm" and its own folder as its
  // last act; give it a moment to end rather than leave the user without a
  // browser. Any other start stays out of a running updater's way.
  std::string folder = findFolderToRemove(argc, argv);
  if (isProcessRunning("Mirup.exe") && (folder.empty() || !waitUntilUpdaterEnds())) return 0;

  if (!folder.empty()) removeUpdaterFolder(folder);
  removeStaleUpdaterFolders();

  const std::string installDir = getInstallDir();
  std::string browser = joinPath(installDir, "tavrin.exe");
  std::string dataDir = getLauncherDataDir();

  if (UniqueHandle(::OpenEventA(EVENT_ALL_ACCESS, FALSE, kRunEventName))) {
    // Another launcher run is going on: only start the browser.
    ProcessHandles ignored;
    runMainExe(browser, std::string(), dataDir, ignored);
    return 0;
  }
  UniqueHandle runEvent(::CreateEventA(nullptr, FALSE, FALSE, kRunEventName));
  if (!runEvent) debugLog("create event failed, err: %u", static_cast<unsigned>(::GetLastError()));

  CancelToken cancel;
  CUpdateCore updateCore;
  updateCore.setCancelToken(&cancel);
  CSettingCore settingCore;
  settingCore.setCancelToken(&cancel);
  // Without a data folder the browser starts bare, and only the activity
  // report goes out: nothing is stored, fetched for storing or handed over.
  const bool haveDataDir = !dataDir.empty();
  if (haveDataDir && handOverWaitingPackage(updateCore, dataDir, installDir)) return 0;

  LauncherTaskParam param;
  param.browserPath = browser;
  param.dataDir = dataDir;
  param.updateCore = haveDataDir ? &updateCore : nullptr;
  param.settingCore = &settingCore;
  param.cancel = &cancel;
  std::string settingPath;
  if (haveDataDir) {
    settingPath = chooseSettingsFile(settingCore, dataDir, param.fetchSettings);
  } else {
    param.fetchSettings = 0;
  }

  ProcessHandles browserProcess;
  if (!runMainExe(browser, settingPath, dataDir, browserProcess)) return 0;
  runBackgroundWork(param, cancel, browserProcess.process.get());
  return 0;
}

}  // namespace tavrin
