#include "uninst_progress.h"

#include <atomic>

namespace tavrin::uninst {

namespace {

std::atomic<HWND> g_targetWindow{nullptr};

}  // namespace

void SetUninstTargetWindow(HWND window) { g_targetWindow.store(window); }
HWND GetUninstTargetWindow() { return g_targetWindow.load(); }

bool PostProgressRecord(HWND window, std::unique_ptr<UninstProgress> record) {
  if (!::PostMessageW(window, WM_UNINST_PROGRESS, reinterpret_cast<WPARAM>(record.get()), 0)) return false;
  record.release();  // the window owns it now
  return true;
}

std::unique_ptr<UninstProgress> AdoptProgressRecord(WPARAM wParam) {
  return std::unique_ptr<UninstProgress>(reinterpret_cast<UninstProgress*>(wParam));
}

}  // namespace tavrin::uninst
