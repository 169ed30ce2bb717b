#include "uninst_dlg.h"

#include "file_removal.h"
#include "http_task_manager.h"
#include "install_values.h"
#include "self_delete.h"
#include "single_instance.h"
#include "uninstall_report.h"

namespace tavrin::uninst {

namespace {

constexpr int kConfirmPage = 0;
constexpr int kProgressPage = 1;
constexpr int kFinishPage = 2;
constexpr UINT kCloseCode = 1;
constexpr int kFinalStep = 100;
constexpr wchar_t kWaitingText[] = L"等待卸载...";

// Waits for the worker's end and meanwhile handles what other threads send
// to this thread, so a shell call on the worker that waits for a reply from
// one of this thread's hidden windows cannot block both threads. Posted
// messages stay queued.
void WaitServingSentMessages(HANDLE thread) {
  while (::MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
    MSG msg = {};
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

template <typename Control>
Control* FindControlAs(CUninstDlg& dlg, const wchar_t* name) {
  return dynamic_cast<Control*>(dlg.FindControl(name));
}

}  // namespace

CUninstDlg::CUninstDlg() : m_pUninstMgr(std::make_unique<CUninstMgr>()) {
  m_pUninstMgr->SetProgressSink(&m_progressSink);
}

CUninstDlg::~CUninstDlg() {
  // A worker that still runs (the window was closed during the uninstall)
  // finishes its steps unseen: nothing is posted any more, so it no longer
  // pauses before each step. The native window is already gone.
  m_progressSink.Detach();
  HANDLE worker = m_pUninstMgr->WorkerThread();
  if (worker != INVALID_HANDLE_VALUE) WaitServingSentMessages(worker);
  m_pUninstMgr.reset();
  ::PostQuitMessage(0);
}

void CUninstDlg::OnFinalMessage(HWND hWnd) {
  CWinBaseEx::OnFinalMessage(hWnd);
  delete this;
}

void CUninstDlg::InitWindow() {
  SetWindowIcons();
  LONG_PTR style = ::GetWindowLongPtrW(m_hWnd, GWL_STYLE);
  ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_MAXIMIZEBOX | WS_THICKFRAME));
  CreateShadow();

  m_pMainTab = FindControlAs<SkinUI::CTabLayoutUI>(*this, L"mainTab");
  m_pCloseBtn = FindControlAs<SkinUI::CButtonUI>(*this, L"closeBtn");
  m_pProgress = FindControlAs<SkinUI::CProgressUI>(*this, L"uninstProgress");
  m_pStatus = FindControlAs<SkinUI::CLabelUI>(*this, L"txtStatus");
  m_pClearUserData = FindControlAs<SkinUI::CCheckBoxUI>(*this, L"ck_clear_user_data");

  if (m_pProgress != nullptr) m_pProgress->SetValue(0);
  if (m_pStatus != nullptr) m_pStatus->SetText(kWaitingText);
  m_progressSink.Attach(m_hWnd);

  m_versionStr = ReadVersionStr();
  m_channel = ReadChannel();
  m_machineId = ReadMachineId();
  m_pUninstMgr->SetInstallDir(GetModuleDir());
  SelectPage(kConfirmPage);
}

void CUninstDlg::SelectPage(int page) {
  if (m_pMainTab != nullptr) m_pMainTab->SelectItem(page, true, true);
}

void CUninstDlg::OnClick(SkinUI::TNotifyUI& msg) {
  if (msg.pSender == nullptr) return;
  const std::wstring& name = msg.pSender->GetName();
  if (name == L"closeBtn" || name == L"btnOver") {
    if (m_bFinished) DeleteSelf();
    Close(kCloseCode);
  } else if (name == L"minBtn") {
    ::SendMessageW(m_hWnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  } else if (name == L"btnUnInstall") {
    SelectPage(kProgressPage);
    m_pUninstMgr->BeginUnInstallThread(m_pClearUserData != nullptr && m_pClearUserData->GetCheck());
  } else if (name == L"btnCancel") {
    Close(kCloseCode);
  }
}

LRESULT CUninstDlg::OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
  if ((wParam & 0xFFF0) == SC_CLOSE) {
    Close(kCloseCode);
    bHandled = true;
    return 0;
  }
  const bool wasMaximized = ::IsZoomed(m_hWnd) != FALSE;
  LRESULT result = CWinBaseEx::OnSysCommand(uMsg, wParam, lParam, bHandled);
  const bool isMaximized = ::IsZoomed(m_hWnd) != FALSE;
  if (isMaximized != wasMaximized) ShowMaxRestoreButtons(isMaximized);
  return result;
}

void CUninstDlg::ShowMaxRestoreButtons(bool maximized) {
  if (SkinUI::CControlUI* maxButton = FindControl(L"maxBtn")) maxButton->SetVisible(!maximized);
  if (SkinUI::CControlUI* restoreButton = FindControl(L"restoreBtn")) restoreButton->SetVisible(maximized);
}

LRESULT CUninstDlg::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
  if (uMsg == WM_COPYDATA) return OnActivateRequest(uMsg, wParam, lParam, bHandled);
  if (uMsg == WM_UNINST_PROGRESS) {
    bHandled = true;
    OnProgress(AdoptProgressRecord(wParam));
    return 0;
  }
  if (uMsg == WM_HTTP_DONE) {
    // Nobody looks at the report's answer; the record is ours to free.
    HttpTaskManager::AdoptResponseRecord(wParam);
  }
  bHandled = false;
  return 0;
}

void CUninstDlg::OnProgress(std::unique_ptr<UninstProgress> record) {
  if (!record) return;
  if (m_pProgress != nullptr) m_pProgress->SetValue(record->step);
  if (record->showText != 0) {
    if (m_pStatus != nullptr) m_pStatus->SetText(record->text);
    return;
  }
  if (record->step != kFinalStep) return;
  SendUninstallReport(m_hWnd, m_versionStr, m_channel, m_machineId);
  ::Sleep(kFinishPauseMs);
  record.reset();
  m_bFinished = true;
  SelectPage(kFinishPage);
}

LRESULT CUninstDlg::OnActivateRequest(UINT, WPARAM wParam, LPARAM lParam, bool& bHandled) {
  bHandled = true;
  if (lParam == 0 || wParam != kActivateRequest) return 0;
  if (!::IsWindowVisible(m_hWnd)) {
    ::ShowWindow(m_hWnd, SW_SHOWNORMAL);
  } else if (::IsIconic(m_hWnd)) {
    ::SendMessageW(m_hWnd, WM_SYSCOMMAND, SC_RESTORE, 0);
  } else {
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ::SetWindowPos(m_hWnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  }
  return 0;
}

HWND CreateUninstDlgWindow(CUninstDlg& dlg) {
  return dlg.Create(nullptr, UninstWindowTitle().c_str(), kUninstDlgStyle, kUninstDlgExStyle, 0, 0, kCreateWidth,
                    kCreateHeight, nullptr);
}

}  // namespace tavrin::uninst
