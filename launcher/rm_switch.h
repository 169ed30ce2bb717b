// "-rm PATH": the updater names its own temporary folder, which the launcher
// deletes 500 ms after its start. Only such a folder is ever deleted: a
// direct child of the system temporary folder named by a braced GUID.
#pragma once

#include <string>

namespace tavrin {

// True when `name` is a braced GUID text as makeGuidString writes it
// ("{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", hexadecimal digits of either case).
bool isBracedGuidName(const std::string& name);

// True when `path` is an existing folder directly inside the system
// temporary folder with a braced-GUID name. Both paths are compared in their
// long forms, without regard to case.
bool isUpdaterWorkFolder(const std::string& path);

// Scans arguments 1..argc-2 for "-rm" (any case) and returns the first
// following path that may be deleted; empty when there is none. "*", "." and
// ".." and any other path are skipped and the scan goes on.
std::string findFolderToRemove(int argc, char** argv);

// Waits 500 ms, then deletes the folder with the shell, silently; the result
// is ignored.
void removeUpdaterFolder(const std::string& path);
// Work folders that ended updaters left behind: braced-GUID folders directly
// in the system temporary folder (never a link) that hold "Mirup.exe" and
// were made and last changed more than a day ago. Deleted with the shell,
// silently.
void removeStaleUpdaterFolders();

}  // namespace tavrin
