// Progress of the uninstall, from the worker to the window: one
// UninstProgress record per WM_UNINST_PROGRESS message, posted with the
// record as wParam and owned by the receiver once posted.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>

namespace tavrin::uninst {

constexpr UINT WM_UNINST_PROGRESS = WM_USER + 1001;  // 2025

struct UninstProgress {
  int step = 0;      // 0-100, the value of the window's progress bar
  int showText = 0;  // nonzero: the window shows `text` in its status label
  std::wstring text;
};

// Where the engine reports its progress: called on the worker thread as
// each step begins.
class IProgressSink {
 public:
  virtual ~IProgressSink() = default;
  virtual void OnProgress(int step, const std::wstring& text) = 0;
};

// The progress sink of a window: it waits 300 ms, so that each step stays
// on screen long enough to be read, then posts one record (show-text flag
// 0) to the window. Without a window it neither waits nor posts; the window
// detaches itself before it goes.
class CWindowProgressSink : public IProgressSink {
 public:
  void Attach(HWND window) { m_window.store(window); }
  void Detach() { m_window.store(nullptr); }
  void OnProgress(int step, const std::wstring& text) override;

 private:
  std::atomic<HWND> m_window{nullptr};
};

// Posts a record to the window; the record is freed here when the post
// fails. True when it was posted.
bool PostProgressRecord(HWND window, std::unique_ptr<UninstProgress> record);

// The receiver takes the record of one WM_UNINST_PROGRESS message over.
std::unique_ptr<UninstProgress> AdoptProgressRecord(WPARAM wParam);

}  // namespace tavrin::uninst
