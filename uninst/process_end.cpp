#include "process_end.h"

#include <tlhelp32.h>

#include <cwchar>

#include "handles.h"

namespace tavrin::uninst {

namespace {

constexpr int kMaxBrowserPasses = 100;
constexpr wchar_t kBrowserExe[] = L"tavrin.exe";
constexpr wchar_t kUpdaterExe[] = L"Mirup.exe";

// Opens the process for termination and ends it with exit code 0; a
// process that cannot be opened or ended is left alone.
void TerminateById(DWORD processId) {
  tavrin::UniqueHandle process(::OpenProcess(PROCESS_TERMINATE, FALSE, processId));
  if (process) ::TerminateProcess(process.get(), 0);
}

}  // namespace

bool FindProcessByName(const std::wstring& exeName, DWORD& processId) {
  tavrin::UniqueSnapshot snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return false;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
    if (wcscmp(entry.szExeFile, exeName.c_str()) == 0) {
      processId = entry.th32ProcessID;
      return true;
    }
  }
  return false;
}

void EndBrowserAndUpdater() {
  // Each pass ends the first browser of a fresh snapshot.
  for (int pass = 0; pass < kMaxBrowserPasses; ++pass) {
    DWORD browser = 0;
    if (!FindProcessByName(kBrowserExe, browser)) break;
    TerminateById(browser);
  }
  DWORD updater = 0;
  if (FindProcessByName(kUpdaterExe, updater)) TerminateById(updater);
}

}  // namespace tavrin::uninst
