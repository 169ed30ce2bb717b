// The engine behind the uninstaller window. The window hands over one
// choice (clear the user's data or not); a worker thread then ends the
// browser and the updater and removes, step by step, the user data (when
// asked), the shortcuts and taskbar pin, the firewall rule, the registry
// keys and the installation directory, posting a progress record to the
// window after each step.
#pragma once

#include <windows.h>

#include <string>

#include "handles.h"
#include "uninst_progress.h"

namespace tavrin::uninst {

class CUninstMgr {
 public:
  CUninstMgr() = default;
  // Waits for a worker that still runs: it works on this object.
  ~CUninstMgr();
  CUninstMgr(const CUninstMgr&) = delete;
  CUninstMgr& operator=(const CUninstMgr&) = delete;

  // Where the progress goes; set before the worker starts and kept alive
  // until the manager is gone. None: no progress is reported.
  void SetProgressSink(IProgressSink* sink) { m_progressSink = sink; }

  // Set by the window during its initialisation (GetModuleDir()).
  void SetInstallDir(const std::wstring& dir) { m_installDir = dir; }
  const std::wstring& InstallDir() const { return m_installDir; }

  // Starts the worker and returns at once.
  void BeginUnInstallThread(bool clearUserData);
  // The worker's handle, INVALID_HANDLE_VALUE until one was started.
  HANDLE WorkerThread() const { return m_thread ? m_thread.get() : INVALID_HANDLE_VALUE; }

  static unsigned __stdcall UninstProcThread(void* param);

  // Every step in order, on the worker thread.
  void UnIntallSoftware();

  // The steps; each returns true whatever it achieved.
  bool DeleteCache();
  bool DeleteLink();
  bool RemoveFirewall();
  bool DeleteRegedit();
  bool DeleleOtherFile();

  // Hands the step to the progress sink, if there is one.
  void PostProgress(int step, const std::wstring& text);

  // The first process whose executable name equals `exeName` exactly.
  static bool FindProcessByName(const std::wstring& exeName, DWORD& processId);

  // Removes the shortcut or program group named `name` in a special
  // folder (desktop 0, application data 26, common start menu 22).
  // 0 when the folder cannot be resolved or does not exist, else 1.
  int DeleteShortcut(const std::wstring& name, int csidl);
  // Takes an executable off the taskbar through the shell's pinned list.
  bool UnpinFromTaskbar(const std::wstring& exePath);

 private:
  void EndRunningPrograms();

  std::wstring m_installDir;
  tavrin::UniqueHandle m_thread;  // none (-1 to callers) until a worker was started
  IProgressSink* m_progressSink = nullptr;
  bool m_clearUserData = false;
  // Decided before the registry key goes; step 90 and the batch follow it.
  bool m_mayRemoveInstallDir = false;
};

}  // namespace tavrin::uninst
