// Ending the browser and the updater before anything is removed.
#pragma once

#include <windows.h>

#include <string>

namespace tavrin::uninst {

// The first process whose executable name equals `exeName` exactly.
bool FindProcessByName(const std::wstring& exeName, DWORD& processId);

// Ends every "tavrin.exe" (one per fresh snapshot, at most 100) and then
// one "Mirup.exe", each with exit code 0; what cannot be ended is left.
void EndBrowserAndUpdater();

}  // namespace tavrin::uninst
