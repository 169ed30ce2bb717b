// Whether the uninstaller may remove the whole folder it was started from.
// Only the product's own installation may go: the folder holds
// "TavrinLauncher.exe" or "tavrin.exe", or it is the installation path the
// registry recorded. A drive root, the Windows and system folders, a
// Program Files root, the user profile, the user's shell folders and the
// temporary folder (and any folder that contains one of them) never go,
// whatever they hold. Anywhere else only the uninstaller itself is removed.
#pragma once

#include <string>
#include <vector>

namespace tavrin::uninst {

// Full, long, upper-case form without a trailing backslash, for comparing
// folders ("C:" for a drive root).
std::wstring ComparableFolder(const std::wstring& path);

// The folders that are never removed, in comparable form.
std::vector<std::wstring> ProtectedFolders();

// True when `dir` is a drive or share root, one of `protectedFolders` or a
// folder that contains one of them.
bool IsProtectedFolder(const std::wstring& dir, const std::vector<std::wstring>& protectedFolders);

// "TavrinLauncher.exe" or "tavrin.exe" is in `dir`.
bool HoldsProductProgram(const std::wstring& dir);

// The registry value "installpath" of the product key (32-bit view);
// empty when there is none.
std::wstring ReadRecordedInstallPath();

// The whole rule, from what the folder holds and the recorded path.
bool MayRemoveInstallDir(const std::wstring& dir, const std::wstring& recordedInstallPath);

// The uninstall decides once, while the installation is still intact and
// the registry key still exists; the self-deleting batch at exit follows
// that decision. Without a decision for the folder it decides afresh.
void RememberInstallDirDecision(const std::wstring& dir, bool mayRemove);
bool InstallDirRemovalAllowed(const std::wstring& dir);

}  // namespace tavrin::uninst
