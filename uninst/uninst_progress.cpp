#include "uninst_progress.h"

namespace tavrin::uninst {

namespace {

constexpr DWORD kPauseBeforePostMs = 300;

}  // namespace

void CWindowProgressSink::OnProgress(int step, const std::wstring& text) {
  if (m_window.load() == nullptr) return;
  ::Sleep(kPauseBeforePostMs);
  HWND window = m_window.load();
  if (window == nullptr) return;
  auto record = std::make_unique<UninstProgress>();
  record->step = step;
  record->showText = 0;
  record->text = text;
  PostProgressRecord(window, std::move(record));
}

bool PostProgressRecord(HWND window, std::unique_ptr<UninstProgress> record) {
  if (!::PostMessageW(window, WM_UNINST_PROGRESS, reinterpret_cast<WPARAM>(record.get()), 0)) return false;
  record.release();  // the window owns it now
  return true;
}

std::unique_ptr<UninstProgress> AdoptProgressRecord(WPARAM wParam) {
  return std::unique_ptr<UninstProgress>(reinterpret_cast<UninstProgress*>(wParam));
}

}  // namespace tavrin::uninst
