// The uninstaller's last act: a batch file that waits until the
// uninstaller's executable can be deleted, removes the installation
// directory (only when it is the product's installation) and deletes itself
// and the folder it was written to. Written in the ANSI code page into a
// fresh folder that only administrators and SYSTEM may write, and run by
// the system's cmd.exe without AutoRun commands.
#pragma once

#include <string>

namespace tavrin::uninst {

extern const wchar_t kSelfDeleteBatchName[];  // "_uninstall_acc.bat"

// How often the batch tries to delete the executable, one second apart,
// before it gives up on it and goes on.
constexpr int kSelfDeleteTries = 60;

// cmd.exe expands "%" even inside quotes: every "%" of a path is doubled.
std::wstring EscapeForBatch(const std::wstring& path);

// The path unchanged when every character of it survives the ANSI code page
// exactly (no default character, no best-fit replacement); otherwise its
// short 8.3 form, or the path unchanged when there is no short form.
std::wstring BatchSafePath(const std::wstring& path);

// What the batch names. `folder` is the batch's own folder, `folderName`
// its last component (the batch's cmd runs with the folder above as its
// current directory); `systemDir` the system folder holding cmd.exe and
// ping.exe, without blanks.
struct SelfDeleteBatchPaths {
  std::wstring exePath;
  std::wstring installDir;
  std::wstring batchPath;
  std::wstring folderName;
  std::wstring systemDir;
  bool removeInstallDir = true;
  int tries = kSelfDeleteTries;
};

// The batch text (lines joined by CR LF, no line break after the last).
// Without `removeInstallDir` the "rd" line of the installation is left out,
// so only the executable, the batch and its folder are deleted.
std::wstring BuildSelfDeleteBatch(const SelfDeleteBatchPaths& paths);

// The command line that runs the batch: the system's cmd.exe with /d (no
// AutoRun commands), /e:on and /v:off, the batch named relative to the
// folder above its own.
std::wstring BuildSelfDeleteCommandLine(const std::wstring& cmdPath, const std::wstring& folderName);

// Makes a fresh, uniquely named folder below `parent` whose DACL (protected,
// inherited by everything in it) grants full control to the Administrators
// group and SYSTEM and nothing to anyone else; returns its name (not the
// full path), empty when no folder could be made.
std::wstring MakeAdminOnlyFolder(const std::wstring& parent);

// Writes the batch for the running uninstaller into a fresh admin-only
// folder below the system's temporary folder (Windows\Temp, or the user's
// temporary folder when that cannot be written); returns the batch's path,
// empty when nothing could be written.
std::wstring WriteSelfDeleteBatch(int tries = kSelfDeleteTries);

// Writes the batch and starts it hidden through cmd.exe without waiting.
void DeleteSelf(int tries = kSelfDeleteTries);

}  // namespace tavrin::uninst
