// Step 60: the desktop and Quick Launch shortcuts, the start-menu group and
// the taskbar pin.
#pragma once

#include <string>

namespace tavrin::uninst {

// Removes the shortcut or program group named `name` in a special folder
// (desktop 0, application data 26, common start menu 22). 0 when the
// folder cannot be resolved or does not exist, else 1.
int DeleteShortcut(const std::wstring& name, int csidl);

// Takes an executable off the taskbar through the shell's pinned list.
bool UnpinFromTaskbar(const std::wstring& exePath);

// The whole step: the shortcuts named `appName` in the three folders, then
// the taskbar pin of the launcher in `installDir`.
void RemoveShortcutsAndPin(const std::wstring& appName, const std::wstring& installDir);

}  // namespace tavrin::uninst
