// Test helper: passes each argument to the debugger output and ends with the
// exit code given by "--exit N". An argument "w:TEXT" goes out through the
// wide call (TEXT read as UTF-8), "sleep:N" waits N ms. It has no version
// resource on purpose.
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <string>

#include "handles.h"
#include "text_convert.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  int argc = 0;
  tavrin::UniqueLocalMemory argvMemory(::CommandLineToArgvW(::GetCommandLineW(), &argc));
  wchar_t** argv = static_cast<wchar_t**>(argvMemory.get());
  int exitCode = 0;
  for (int i = 1; argv != nullptr && i < argc; ++i) {
    std::wstring arg = argv[i];
    if (arg == L"--exit" && i + 1 < argc) {
      exitCode = _wtoi(argv[++i]);
    } else if (arg.rfind(L"w:", 0) == 0) {
      ::OutputDebugStringW(arg.substr(2).c_str());
    } else if (arg.rfind(L"sleep:", 0) == 0) {
      ::Sleep(static_cast<DWORD>(_wtoi(arg.c_str() + 6)));
    } else {
      ::OutputDebugStringA(tavrin::wideToAnsi(arg).c_str());
    }
  }
  return exitCode;
}
