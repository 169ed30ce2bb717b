// Whether the uninstaller of this installation runs. "uninst.exe" is a
// common name among other products' uninstallers, so a process of that
// name counts only when its program is the installation's own uninst.exe.
#pragma once

#include <string>

namespace tavrin {

// True when a process runs whose program is `installDir`\uninst.exe
// (full paths compared without regard to case). A process named
// "uninst.exe" whose program cannot be found out counts as well, and so
// does any such process when `installDir` is empty.
bool installationUninstallerRuns(const std::string& installDir);

}  // namespace tavrin
