// Demo helper: asks every running stand-in browser to end (the manual-reset
// event "TavrinStandInQuit"), waits until none is left (at most 20 s), then
// clears the request. Exit code 0 when none is left, 1 otherwise.
#include <windows.h>
#include <tlhelp32.h>

#include <cwchar>

#include "handles.h"

namespace {

bool anyStandInRunning() {
  tavrin::UniqueSnapshot snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return false;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
    if (::_wcsicmp(entry.szExeFile, L"tavrin.exe") == 0 || ::_wcsicmp(entry.szExeFile, L"tavrin_proxy.exe") == 0) {
      return true;
    }
  }
  return false;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  tavrin::UniqueHandle quit(::CreateEventA(nullptr, TRUE, FALSE, "TavrinStandInQuit"));
  ::SetEvent(quit.get());
  bool gone = false;
  for (int i = 0; i < 400 && !(gone = !anyStandInRunning()); ++i) ::Sleep(50);
  ::ResetEvent(quit.get());
  return gone ? 0 : 1;
}
