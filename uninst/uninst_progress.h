// Progress of the uninstall, from the worker to the window: one
// UninstProgress record per WM_UNINST_PROGRESS message, posted with the
// record as wParam and owned by the receiver once posted.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

namespace tavrin::uninst {

constexpr UINT WM_UNINST_PROGRESS = WM_USER + 1001;  // 2025

struct UninstProgress {
  int step = 0;      // 0-100, the value of the window's progress bar
  int showText = 0;  // nonzero: the window shows `text` in its status label
  std::wstring text;
};

// The window that receives the progress; null until the window stores its
// own handle during its initialisation. One per process.
void SetUninstTargetWindow(HWND window);
HWND GetUninstTargetWindow();

// Posts a record to the window; the record is freed here when the post
// fails. True when it was posted.
bool PostProgressRecord(HWND window, std::unique_ptr<UninstProgress> record);

// The receiver takes the record of one WM_UNINST_PROGRESS message over.
std::unique_ptr<UninstProgress> AdoptProgressRecord(WPARAM wParam);

}  // namespace tavrin::uninst
