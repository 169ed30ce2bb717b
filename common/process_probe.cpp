#include "process_probe.h"

#include <windows.h>
#include <tlhelp32.h>

#include <cwchar>

#include "handles.h"
#include "text_convert.h"

namespace tavrin {

bool isProcessRunning(const std::string& exeName) {
  std::wstring wanted = utf8ToWide(exeName);
  UniqueSnapshot snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return false;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
    if (::_wcsicmp(entry.szExeFile, wanted.c_str()) == 0) return true;
  }
  return false;
}

}  // namespace tavrin
