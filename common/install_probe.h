// What the launcher and the updater ask about the installation: the
// installation record in the registry, versions of program files and the
// launcher's data folder. Every probe fails soft to empty text.
#pragma once

#include <string>

namespace tavrin {

// A string value of HKEY_LOCAL_MACHINE\SOFTWARE\tavrin, empty when the key
// or the value cannot be read. REG_EXPAND_SZ values read as empty; any other
// type is taken as text up to its first NUL byte.
std::string readInstallValue(const std::string& valueName);

// `installpath`, or the current directory when that is empty.
std::string getInstallDir();
// `channel`, or "gw".
std::string getChannel();
// The brand sent to every service.
std::string getBrand();
// `version`, or the file version of "tavrin.exe" in the current directory.
std::string getInstalledVersion();
// "%d.%d.%d.%d" of a program file's fixed file version, empty without one.
std::string getFileVersion(const std::string& path);
// %LOCALAPPDATA%\Halvex\tavrin\launcher; the shell's local application-data
// folder stands in for a missing or relative LOCALAPPDATA. Empty when there
// is no such folder or its path would pass 260 characters: then the launcher
// does no data-folder work at all.
std::string getLauncherDataDir();

}  // namespace tavrin
