// What the uninstaller window reads from the installation: the installed
// version text, the distribution channel and the machine identity, each
// from the product key HKEY_LOCAL_MACHINE\SOFTWARE\tavrin (32-bit view),
// and the window title made from the display name.
#pragma once

#include <string>

namespace tavrin::uninst {

extern const wchar_t kDefaultVersionStr[];  // "1.0.0.1"
extern const wchar_t kConfigFileName[];     // "config.ini"

// "version_str", or "1.0.0.1" when it is missing or empty.
std::wstring ReadVersionStr();
// "channel", or an empty string.
std::wstring ReadChannel();
// "MachineId"; when it is missing or empty, the key "MachineId" of the
// section "MACHINE" in "config.ini" beside the uninstaller; else empty.
std::wstring ReadMachineId();
// The same with the folder that holds "config.ini" given.
std::wstring ReadMachineIdFrom(const std::wstring& configFolder);

// The display name followed by "卸载程序" ("塔文浏览器卸载程序" without one).
std::wstring UninstWindowTitle();

}  // namespace tavrin::uninst
