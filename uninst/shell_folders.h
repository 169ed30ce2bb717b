// Special folders and the paths of the product's shell items in them.
#pragma once

#include <string>

namespace tavrin::uninst {

// The folder of a CSIDL value, through its item ID list; false when it
// cannot be resolved.
bool ResolveSpecialFolder(int csidl, std::wstring& folder);

// The program group in a start menu folder: "<folder>\Programs\<name>"
// when "<folder>\Programs\" exists, else "<folder>\程序\<name>".
std::wstring StartMenuGroupPath(const std::wstring& startMenu, const std::wstring& name);

// "<folder>\<name>.lnk".
std::wstring DesktopShortcutPath(const std::wstring& desktop, const std::wstring& name);
// "<folder>\Microsoft\Internet Explorer\Quick Launch\<name>.lnk".
std::wstring QuickLaunchShortcutPath(const std::wstring& appData, const std::wstring& name);
// "<folder>\Microsoft\Internet Explorer\Quick Launch\User Pinned\TaskBar\<name>.lnk".
std::wstring TaskbarShortcutPath(const std::wstring& appData, const std::wstring& name);

bool PathExists(const std::wstring& path);

}  // namespace tavrin::uninst
