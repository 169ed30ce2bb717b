#include "install_dir_guard.h"

#include <windows.h>
#include <shlobj.h>

#include "com_handles.h"
#include "handles.h"
#include "locks.h"
#include "registry_key.h"
#include "registry_view.h"

namespace tavrin::uninst {

namespace {

constexpr size_t kFolderChars = 32768;

// The user's and the system's shell folders that must survive.
constexpr int kProtectedShellFolders[] = {
    CSIDL_WINDOWS,
    CSIDL_SYSTEM,
    CSIDL_SYSTEMX86,
    CSIDL_PROGRAM_FILES,
    CSIDL_PROGRAM_FILESX86,
    CSIDL_PROGRAM_FILES_COMMON,
    CSIDL_PROGRAM_FILES_COMMONX86,
    CSIDL_PROFILE,
    CSIDL_DESKTOPDIRECTORY,
    CSIDL_PERSONAL,
    CSIDL_MYMUSIC,
    CSIDL_MYPICTURES,
    CSIDL_MYVIDEO,
    CSIDL_FAVORITES,
    CSIDL_APPDATA,
    CSIDL_LOCAL_APPDATA,
    CSIDL_STARTMENU,
    CSIDL_PROGRAMS,
    CSIDL_STARTUP,
    CSIDL_TEMPLATES,
    CSIDL_SENDTO,
    CSIDL_RECENT,
    CSIDL_COMMON_DESKTOPDIRECTORY,
    CSIDL_COMMON_DOCUMENTS,
    CSIDL_COMMON_APPDATA,
    CSIDL_COMMON_STARTMENU,
    CSIDL_COMMON_PROGRAMS,
};

// FOLDERID_Downloads; the known-folder call exists from Vista on only, so
// it is looked up at run time.
constexpr GUID kDownloadsFolderId = {0x374DE290, 0x123F, 0x4565, {0x91, 0x64, 0x39, 0xC4, 0x92, 0x5E, 0x46, 0x7B}};

std::wstring ShellFolderPath(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return std::wstring();
  return path;
}

std::wstring DownloadsFolderPath() {
  using KnownFolderPathFn = HRESULT(WINAPI*)(const GUID&, DWORD, HANDLE, PWSTR*);
  HMODULE shell = ::GetModuleHandleW(L"shell32.dll");
  if (shell == nullptr) return std::wstring();
  auto knownFolderPath =
      reinterpret_cast<KnownFolderPathFn>(reinterpret_cast<void*>(::GetProcAddress(shell, "SHGetKnownFolderPath")));
  if (knownFolderPath == nullptr) return std::wstring();
  tavrin::UniqueCoTaskMemory<PWSTR> path;
  HRESULT result = knownFolderPath(kDownloadsFolderId, 0, nullptr, path.receive());
  return SUCCEEDED(result) && path ? std::wstring(path.get()) : std::wstring();
}

std::wstring SystemFolder(UINT(WINAPI* query)(LPWSTR, UINT)) {
  wchar_t path[MAX_PATH] = {};
  UINT length = query(path, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::wstring(path) : std::wstring();
}

std::wstring EnvironmentFolder(const wchar_t* name) {
  wchar_t path[MAX_PATH] = {};
  DWORD length = ::GetEnvironmentVariableW(name, path, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::wstring(path) : std::wstring();
}

std::wstring TempFolder() {
  wchar_t path[MAX_PATH] = {};
  DWORD length = ::GetTempPathW(MAX_PATH, path);
  return length > 0 && length < MAX_PATH ? std::wstring(path) : std::wstring();
}

bool IsRoot(const std::wstring& comparable) {
  if (comparable.size() == 2 && comparable[1] == L':') return true;
  if (comparable.compare(0, 2, L"\\\\") == 0) {
    // \\server\share: no separator after the share name.
    size_t server = comparable.find(L'\\', 2);
    return server == std::wstring::npos || comparable.find(L'\\', server + 1) == std::wstring::npos;
  }
  return comparable.empty();
}

// `inner` is `outer` itself or lies somewhere below it.
bool IsSameOrBelow(const std::wstring& inner, const std::wstring& outer) {
  if (inner.size() < outer.size() || inner.compare(0, outer.size(), outer) != 0) return false;
  return inner.size() == outer.size() || inner[outer.size()] == L'\\';
}

bool FileExists(const std::wstring& path) {
  DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

struct RememberedDecision {
  bool made = false;
  std::wstring dir;  // comparable form
  bool mayRemove = false;
};

LockHelper g_decisionLock;
RememberedDecision g_decision;

}  // namespace

std::wstring ComparableFolder(const std::wstring& path) {
  if (path.empty()) return std::wstring();
  // The trailing backslash keeps "C:" from meaning "the current folder of C:".
  std::wstring withSeparator = path;
  if (withSeparator.back() != L'\\' && withSeparator.back() != L'/') withSeparator += L'\\';
  std::vector<wchar_t> full(kFolderChars, L'\0');
  DWORD length = ::GetFullPathNameW(withSeparator.c_str(), kFolderChars, full.data(), nullptr);
  std::wstring result = length > 0 && length < kFolderChars ? full.data() : withSeparator;
  std::vector<wchar_t> longForm(kFolderChars, L'\0');
  length = ::GetLongPathNameW(result.c_str(), longForm.data(), kFolderChars);
  if (length > 0 && length < kFolderChars) result = longForm.data();
  while (!result.empty() && (result.back() == L'\\' || result.back() == L'/')) result.pop_back();
  if (!result.empty()) ::CharUpperBuffW(&result[0], static_cast<DWORD>(result.size()));
  return result;
}

std::vector<std::wstring> ProtectedFolders() {
  std::vector<std::wstring> raw;
  for (int csidl : kProtectedShellFolders) raw.push_back(ShellFolderPath(csidl));
  raw.push_back(DownloadsFolderPath());
  raw.push_back(SystemFolder(&::GetWindowsDirectoryW));
  raw.push_back(SystemFolder(&::GetSystemWindowsDirectoryW));
  raw.push_back(SystemFolder(&::GetSystemDirectoryW));
  raw.push_back(SystemFolder(&::GetSystemWow64DirectoryW));
  raw.push_back(EnvironmentFolder(L"ProgramW6432"));
  raw.push_back(EnvironmentFolder(L"USERPROFILE"));
  raw.push_back(TempFolder());

  std::vector<std::wstring> folders;
  for (const std::wstring& path : raw) {
    if (!path.empty()) folders.push_back(ComparableFolder(path));
  }
  return folders;
}

bool IsProtectedFolder(const std::wstring& dir, const std::vector<std::wstring>& protectedFolders) {
  std::wstring candidate = ComparableFolder(dir);
  if (IsRoot(candidate)) return true;
  for (const std::wstring& kept : protectedFolders) {
    if (!kept.empty() && IsSameOrBelow(kept, candidate)) return true;
  }
  return false;
}

bool HoldsProductProgram(const std::wstring& dir) {
  return FileExists(dir + L"\\TavrinLauncher.exe") || FileExists(dir + L"\\tavrin.exe");
}

std::wstring ReadRecordedInstallPath() {
  return tavrin::RegistryKey::openForReading(tavrin::kInstallKeyPathW)
      .readText(L"installpath", MAX_PATH * sizeof(wchar_t));
}

bool MayRemoveInstallDir(const std::wstring& dir, const std::wstring& recordedInstallPath) {
  if (dir.empty() || IsProtectedFolder(dir, ProtectedFolders())) return false;
  if (HoldsProductProgram(dir)) return true;
  return !recordedInstallPath.empty() && ComparableFolder(recordedInstallPath) == ComparableFolder(dir);
}

void RememberInstallDirDecision(const std::wstring& dir, bool mayRemove) {
  ScopedLock guard(g_decisionLock);
  g_decision.made = true;
  g_decision.dir = ComparableFolder(dir);
  g_decision.mayRemove = mayRemove;
}

bool InstallDirRemovalAllowed(const std::wstring& dir) {
  {
    ScopedLock guard(g_decisionLock);
    if (g_decision.made && g_decision.dir == ComparableFolder(dir)) return g_decision.mayRemove;
  }
  return MayRemoveInstallDir(dir, ReadRecordedInstallPath());
}

}  // namespace tavrin::uninst
