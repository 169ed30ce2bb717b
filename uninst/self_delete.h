// The uninstaller's last act: a batch file in the temporary folder that
// waits until the uninstaller's executable can be deleted, removes the
// installation directory (only when it is the product's installation) and
// deletes itself. Written in the ANSI code page; started through the shell.
#pragma once

#include <string>

namespace uninst {

extern const wchar_t kSelfDeleteBatchName[];  // "_uninstall_acc.bat"

// cmd.exe expands "%" even inside quotes: every "%" of a path is doubled.
std::wstring EscapeForBatch(const std::wstring& path);

// The batch text (lines joined by CR LF, no line break after the last).
// Without `removeInstallDir` the "rd" line is left out, so only the
// executable and the batch itself are deleted.
std::wstring BuildSelfDeleteBatch(const std::wstring& exePath, const std::wstring& installDir,
                                  const std::wstring& batchPath, bool removeInstallDir);

// Writes the batch for the running uninstaller into the temporary folder;
// returns its path, empty when the file could not be created.
std::wstring WriteSelfDeleteBatch();

// Writes the batch, makes the temporary folder the current directory and
// starts the batch hidden through the shell without waiting for it.
void DeleteSelf();

}  // namespace uninst
