#include "self_delete.h"

#include <windows.h>
#include <objbase.h>
#include <sddl.h>

#include <cwchar>
#include <vector>

#include "file_removal.h"
#include "handles.h"
#include "install_dir_guard.h"
#include "log.h"
#include "text_convert.h"

namespace tavrin::uninst {

const wchar_t kSelfDeleteBatchName[] = L"_uninstall_acc.bat";

namespace {

// Full control for the Administrators group and SYSTEM, inherited by files
// and folders below; the DACL is protected, so nothing of the parent's
// (which lets users create and change files there) is inherited.
constexpr wchar_t kAdminOnlyFolderSddl[] = L"D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";
constexpr wchar_t kBatchFolderPrefix[] = L"_uninstall_acc.";
constexpr int kFolderNameAttempts = 8;
constexpr DWORD kLongPathChars = 32768;

std::wstring WithTrailingBackslash(std::wstring path) {
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  return path;
}

std::wstring UserTempFolder() {
  wchar_t temp[kPathChars] = {};
  DWORD length = ::GetTempPathW(kPathChars, temp);
  return length > 0 && length < kPathChars ? std::wstring(temp) : std::wstring();
}

// Windows\Temp: users may create files there but not delete or rename what
// others made, unlike in their own temporary folder.
std::wstring SystemTempFolder() {
  wchar_t windows[kPathChars] = {};
  UINT length = ::GetSystemWindowsDirectoryW(windows, kPathChars);
  if (length == 0 || length >= kPathChars) return std::wstring();
  return WithTrailingBackslash(windows) + L"Temp\\";
}

std::wstring SystemFolder() {
  wchar_t system[kPathChars] = {};
  UINT length = ::GetSystemDirectoryW(system, kPathChars);
  return length > 0 && length < kPathChars ? std::wstring(system) : std::wstring();
}

std::wstring ModulePath() {
  wchar_t path[kPathChars] = {};
  ::GetModuleFileNameW(nullptr, path, kPathChars);
  return path;
}

std::wstring ShortForm(const std::wstring& path) {
  std::vector<wchar_t> shortPath(kLongPathChars, L'\0');
  DWORD length = ::GetShortPathNameW(path.c_str(), shortPath.data(), kLongPathChars);
  return length > 0 && length < kLongPathChars ? std::wstring(shortPath.data()) : std::wstring();
}

bool SurvivesAnsiCodePage(const std::wstring& text) {
  if (text.empty()) return true;
  BOOL usedDefault = FALSE;
  int bytes = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), static_cast<int>(text.size()), nullptr,
                                    0, nullptr, &usedDefault);
  if (bytes <= 0 || usedDefault) return false;
  return tavrin::ansiToWide(tavrin::wideToAnsi(text)) == text;
}

// The system folder as the batch names it outside quotes: without blanks.
std::wstring BatchSystemFolder() {
  std::wstring system = SystemFolder();
  if (system.find(L' ') == std::wstring::npos && SurvivesAnsiCodePage(system)) return system;
  std::wstring shortPath = ShortForm(system);
  return shortPath.empty() ? system : shortPath;
}

std::wstring GuidHex() {
  GUID guid = {};
  if (FAILED(::CoCreateGuid(&guid))) return std::wstring();
  wchar_t hex[33] = {};
  ::_snwprintf(hex, 32, L"%08lX%04X%04X%02X%02X%02X%02X%02X%02X%02X%02X", guid.Data1, guid.Data2, guid.Data3,
               guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6],
               guid.Data4[7]);
  return hex;
}

std::wstring ParentOf(const std::wstring& path) {
  size_t separator = path.rfind(L'\\');
  return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator);
}

}  // namespace

std::wstring EscapeForBatch(const std::wstring& path) {
  std::wstring escaped;
  escaped.reserve(path.size());
  for (wchar_t c : path) {
    escaped += c;
    if (c == L'%') escaped += L'%';
  }
  return escaped;
}

std::wstring BatchSafePath(const std::wstring& path) {
  if (SurvivesAnsiCodePage(path)) return path;
  std::wstring shortPath = ShortForm(path);
  return shortPath.empty() ? path : shortPath;
}

std::wstring BuildSelfDeleteBatch(const SelfDeleteBatchPaths& paths) {
  const std::wstring exe = EscapeForBatch(paths.exePath);
  const std::wstring system = EscapeForBatch(paths.systemDir);
  const std::wstring ping = system + L"\\ping.exe";
  // Delayed expansion stays off, whatever the registry says, so a "!" in a
  // path is only a character. The loop tries once a second and gives up
  // after `tries` attempts (a read-only or locked executable).
  std::wstring text =
      L"setlocal EnableExtensions DisableDelayedExpansion\r\n"
      L"set tries=0\r\n"
      L":Repeat\r\n"
      L"del \"" +
      exe +
      L"\"\r\n"
      L"if not exist \"" +
      exe +
      L"\" goto Removed\r\n"
      L"set /a tries+=1\r\n"
      L"if %tries% geq " +
      std::to_wstring(paths.tries) +
      L" goto Removed\r\n"
      L"\"" +
      ping +
      L"\" -n 2 127.0.0.1 >nul\r\n"
      L"goto Repeat\r\n"
      L":Removed\r\n";
  if (paths.removeInstallDir) text += L"rd /q /s \"" + EscapeForBatch(paths.installDir) + L"\" \r\n";
  // The batch cannot remove the folder it runs from: a second cmd, started
  // as the batch deletes itself, removes the folder once this one has ended.
  text += L"del \"" + EscapeForBatch(paths.batchPath) + L"\" & start \"\" /b \"" + system + L"\\cmd.exe\" /d /c \"" +
          ping + L" -n 3 127.0.0.1 >nul & rd " + EscapeForBatch(paths.folderName) + L"\"";
  return text;
}

std::wstring BuildSelfDeleteCommandLine(const std::wstring& cmdPath, const std::wstring& folderName) {
  return L"\"" + cmdPath + L"\" /d /e:on /v:off /c " + folderName + L"\\" + kSelfDeleteBatchName;
}

std::wstring MakeAdminOnlyFolder(const std::wstring& parent) {
  if (parent.empty()) return std::wstring();
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(kAdminOnlyFolderSddl, SDDL_REVISION_1, &descriptor,
                                                              nullptr)) {
    return std::wstring();
  }
  tavrin::UniqueLocalMemory descriptorOwner(descriptor);
  SECURITY_ATTRIBUTES security = {sizeof(security), descriptor, FALSE};
  for (int attempt = 0; attempt < kFolderNameAttempts; ++attempt) {
    std::wstring hex = GuidHex();
    if (hex.empty()) return std::wstring();
    std::wstring name = kBatchFolderPrefix + hex;
    // Never an existing folder: one made by someone else keeps its own DACL.
    if (::CreateDirectoryW((WithTrailingBackslash(parent) + name).c_str(), &security)) return name;
    if (::GetLastError() != ERROR_ALREADY_EXISTS) return std::wstring();
  }
  return std::wstring();
}

std::wstring WriteSelfDeleteBatch(int tries) {
  std::wstring parent = SystemTempFolder();
  std::wstring folderName = MakeAdminOnlyFolder(parent);
  if (folderName.empty()) {
    parent = UserTempFolder();
    folderName = MakeAdminOnlyFolder(parent);
  }
  if (folderName.empty()) return std::wstring();
  std::wstring folder = WithTrailingBackslash(parent) + folderName;
  std::wstring batchPath = folder + L"\\" + kSelfDeleteBatchName;
  tavrin::UniqueFileHandle file(
      ::CreateFileW(batchPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    ::RemoveDirectoryW(folder.c_str());
    return std::wstring();
  }

  SelfDeleteBatchPaths paths;
  std::wstring installDir = GetModuleDir();
  paths.removeInstallDir = InstallDirRemovalAllowed(installDir);
  if (!paths.removeInstallDir) {
    CLOG_INFO(L"%s 目录[%s]不是本产品的安装目录，只删除卸载程序", L"DeleteSelf", installDir.c_str());
  }
  paths.exePath = BatchSafePath(ModulePath());
  paths.installDir = BatchSafePath(installDir);
  paths.batchPath = BatchSafePath(batchPath);
  paths.folderName = folderName;
  paths.systemDir = BatchSystemFolder();
  paths.tries = tries;
  std::string bytes = tavrin::wideToAnsi(BuildSelfDeleteBatch(paths));
  DWORD written = 0;
  ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  return batchPath;
}

void DeleteSelf(int tries) {
  std::wstring batchPath = WriteSelfDeleteBatch(tries);
  if (batchPath.empty()) return;
  std::wstring folder = ParentOf(batchPath);
  std::wstring parent = WithTrailingBackslash(ParentOf(folder));
  std::wstring folderName = folder.substr(parent.size());
  std::wstring cmdPath = SystemFolder() + L"\\cmd.exe";
  std::wstring commandLine = BuildSelfDeleteCommandLine(cmdPath, folderName);
  std::vector<wchar_t> mutableLine(commandLine.begin(), commandLine.end());
  mutableLine.push_back(L'\0');
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION info = {};
  // The batch's current folder is the one above its own, which it can then
  // remove; every program it starts is named with its full path.
  if (::CreateProcessW(cmdPath.c_str(), mutableLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                       parent.c_str(), &startup, &info)) {
    tavrin::ProcessHandles::adopt(info);
  }
}

}  // namespace tavrin::uninst
