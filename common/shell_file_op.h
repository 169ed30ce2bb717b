// The shell's silent file operations of the launcher and the updater
// (FOF_SILENT, FOF_NOCONFIRMATION, FOF_NOCONFIRMMKDIR, FOF_NOERRORUI; no
// undo, so nothing goes to the recycle bin). Results are not examined.
#pragma once

#include <string>

namespace tavrin {

// Deletes a file or a folder with everything in it.
void shellDelete(const std::string& path);
// Copies `from` (which may end in "\*") into the folder `to`.
void shellCopy(const std::string& from, const std::string& to);

}  // namespace tavrin
