// uninst.exe: one uninstaller at a time, started from the installation
// directory. It starts the log, prepares the skin and the drop shadow,
// creates the window and runs the message loop until the window is gone.
#include <windows.h>

#include <new>
#include <string>

#include "file_removal.h"
#include "log.h"
#include "single_instance.h"
#include "skin_resources.h"
#include "uninst_dlg.h"
#include "window_shadow.h"

namespace {

// How long the program waits for its last log lines to reach the debugger
// output before it ends.
constexpr DWORD kLogFlushMs = 1000;

// The folder of the program module, with its trailing backslash.
std::wstring InstanceFolder(HINSTANCE instance) {
  wchar_t path[tavrin::uninst::kPathChars] = {};
  ::GetModuleFileNameW(instance, path, tavrin::uninst::kPathChars);
  std::wstring folder = path;
  return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  if (tavrin::uninst::IsAnotherInstanceRunning()) return 0;

  ::SetCurrentDirectoryW(tavrin::uninst::GetModuleDir().c_str());
  tavrin::uninst::CLog& log = tavrin::uninst::CLog::Instance();
  log.Start();

  SkinUI::CSkinResources::SetInstance(instance);
  SkinUI::CSkinResources::SetResourcePath(InstanceFolder(instance) + L"UninstSkin");
  SkinUI::CWindowShadow::Initialize(instance);

  // The window deletes itself once its native window is gone.
  auto* dlg = new (std::nothrow) tavrin::uninst::CUninstDlg();
  if (dlg == nullptr) return 0;
  HWND window = tavrin::uninst::CreateUninstDlgWindow(*dlg);
  if (window == nullptr) return 0;
  dlg->CenterWindow();
  ::ShowWindow(window, SW_SHOW);
  SkinUI::CWindowWnd::MessageLoop();

  log.WaitUntilWritten(kLogFlushMs);
  return 0;
}
