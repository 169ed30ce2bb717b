#include "uninstaller_probe.h"

#include <windows.h>
#include <tlhelp32.h>

#include <cwchar>
#include <vector>

#include "handles.h"
#include "path_join.h"
#include "text_convert.h"

namespace tavrin {

namespace {

constexpr wchar_t kUninstallerName[] = L"uninst.exe";
constexpr DWORD kQueryLimitedInformation = 0x1000;  // PROCESS_QUERY_LIMITED_INFORMATION, Vista on
constexpr DWORD kLongPathMax = 32768;

// QueryFullProcessImageNameW came with Windows Vista: looked up at run
// time; XP takes the process's first module from a Toolhelp snapshot.
using QueryImageNameFunction = BOOL(WINAPI*)(HANDLE, DWORD, LPWSTR, PDWORD);

QueryImageNameFunction queryFullProcessImageName() {
  static const auto function = reinterpret_cast<QueryImageNameFunction>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "QueryFullProcessImageNameW")));
  return function;
}

std::wstring imageByQuery(DWORD processId) {
  QueryImageNameFunction query = queryFullProcessImageName();
  if (query == nullptr) return std::wstring();
  UniqueHandle process(::OpenProcess(kQueryLimitedInformation, FALSE, processId));
  if (!process) return std::wstring();
  std::vector<wchar_t> buffer(kLongPathMax, L'\0');
  DWORD size = kLongPathMax;
  if (!query(process.get(), 0, buffer.data(), &size) || size == 0 || size >= kLongPathMax) return std::wstring();
  return std::wstring(buffer.data(), size);
}

std::wstring imageByModuleSnapshot(DWORD processId) {
  UniqueSnapshot snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId));
  if (!snapshot) return std::wstring();
  MODULEENTRY32W module = {};
  module.dwSize = sizeof(module);
  if (!::Module32FirstW(snapshot.get(), &module)) return std::wstring();
  return module.szExePath;
}

std::wstring imageOf(DWORD processId) {
  std::wstring image = imageByQuery(processId);
  return image.empty() ? imageByModuleSnapshot(processId) : image;
}

// The full, long form in capitals, so that two spellings of one path
// compare equal.
std::wstring comparable(const std::wstring& path) {
  std::wstring full = path;
  DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed > 0 && needed < kLongPathMax) {
    std::vector<wchar_t> buffer(needed + 1, L'\0');
    DWORD length = ::GetFullPathNameW(path.c_str(), needed + 1, buffer.data(), nullptr);
    if (length > 0 && length <= needed) full.assign(buffer.data(), length);
  }
  DWORD longNeeded = ::GetLongPathNameW(full.c_str(), nullptr, 0);
  if (longNeeded > 0 && longNeeded < kLongPathMax) {
    std::vector<wchar_t> buffer(longNeeded + 1, L'\0');
    DWORD length = ::GetLongPathNameW(full.c_str(), buffer.data(), longNeeded + 1);
    if (length > 0 && length <= longNeeded) full.assign(buffer.data(), length);
  }
  // Upper case through kernel32 (CharUpperBuffW would load USER32 into the launcher).
  if (!full.empty()) {
    std::vector<wchar_t> upper(full.size() + 1, L'\0');
    int length = ::LCMapStringW(LOCALE_SYSTEM_DEFAULT, LCMAP_UPPERCASE, full.c_str(), static_cast<int>(full.size()),
                                upper.data(), static_cast<int>(upper.size()));
    if (length > 0) full.assign(upper.data(), static_cast<size_t>(length));
  }
  return full;
}

}  // namespace

bool installationUninstallerRuns(const std::string& installDir) {
  UniqueSnapshot snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return false;
  const std::string folder = withoutTrailingSeparators(installDir);
  std::wstring own = folder.empty() ? std::wstring() : comparable(ansiToWide(folder) + L"\\" + kUninstallerName);
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
    if (::_wcsicmp(entry.szExeFile, kUninstallerName) != 0) continue;
    if (own.empty()) return true;
    std::wstring image = imageOf(entry.th32ProcessID);
    if (image.empty() || comparable(image) == own) return true;
  }
  return false;
}

}  // namespace tavrin
