// The uninstaller's window. Three pages in "mainTab": the confirmation page
// (uninstall, cancel, and the check box that asks for the user data to be
// cleared), the progress page whose bar follows the engine's progress
// records, and the finish page. It owns the uninstall manager, starts it on
// confirmation, sends the uninstall report when the engine reports step 100,
// and starts the self-deleting batch when it is closed after completion.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "container.h"
#include "label.h"
#include "uninst_mgr.h"
#include "uninst_progress.h"
#include "win_base_ex.h"

namespace tavrin::uninst {

// The window's creation size, before the layout sets its own (740 x 400).
constexpr int kCreateWidth = 710;
constexpr int kCreateHeight = 470;
constexpr DWORD kUninstDlgStyle = WS_VISIBLE | WS_OVERLAPPEDWINDOW;      // 0x10CF0000
constexpr DWORD kUninstDlgExStyle = WS_EX_STATICEDGE | WS_EX_APPWINDOW;  // 0x00060000
// How long the window rests on the progress page after step 100.
constexpr DWORD kFinishPauseMs = 1000;

class CUninstDlg : public CWinBaseEx {
 public:
  // Creates the uninstall manager (no install directory, no worker yet).
  CUninstDlg();
  // Stops the progress channel, lets a worker that still runs finish,
  // deletes the manager and ends the message loop with WM_QUIT 0.
  ~CUninstDlg() override;

  LPCWSTR GetWindowClassName() const override { return L"UninstDlg"; }
  // The framework's clean-up, then the window object deletes itself.
  void OnFinalMessage(HWND hWnd) override;
  void InitWindow() override;
  void OnClick(SkinUI::TNotifyUI& msg) override;
  // A second instance's WM_COPYDATA: show, restore or raise the window.
  virtual LRESULT OnActivateRequest(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);

  // Set once the step-100 record has been handled.
  bool IsFinished() const { return m_bFinished; }
  const std::wstring& VersionStr() const { return m_versionStr; }
  const std::wstring& Channel() const { return m_channel; }
  const std::wstring& MachineId() const { return m_machineId; }
  CUninstMgr& Manager() { return *m_pUninstMgr; }

 protected:
  std::wstring GetSkinFile() override { return L"UninstDlg.xml"; }
  LRESULT OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;
  LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;

 private:
  void OnProgress(std::unique_ptr<UninstProgress> record);
  void SelectPage(int page);
  // Hides or shows "maxBtn" and "restoreBtn" after the maximised state changed.
  void ShowMaxRestoreButtons(bool maximized);

  bool m_bFinished = false;
  SkinUI::CTabLayoutUI* m_pMainTab = nullptr;
  SkinUI::CButtonUI* m_pCloseBtn = nullptr;
  SkinUI::CProgressUI* m_pProgress = nullptr;
  SkinUI::CLabelUI* m_pStatus = nullptr;
  SkinUI::CCheckBoxUI* m_pClearUserData = nullptr;
  // Declared before the manager, so it outlives the manager's worker.
  CWindowProgressSink m_progressSink;
  std::unique_ptr<CUninstMgr> m_pUninstMgr;
  std::wstring m_versionStr;
  std::wstring m_channel;
  std::wstring m_machineId;
};

// Creates the native window of `dlg`: no parent, the title from the display
// name, the uninstaller's styles, at 0,0 with 710 x 470 (the layout then sets
// 740 x 400). Null when the window could not be created.
HWND CreateUninstDlgWindow(CUninstDlg& dlg);

}  // namespace tavrin::uninst
