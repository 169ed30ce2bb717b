// Two small file-system operations of the launcher and the updater.
#pragma once

#include <cstdint>
#include <string>

namespace tavrin {

// Creates every missing folder of `path` (separators "\" and "/");
// true when the whole path exists afterwards.
bool makeDirTree(const std::string& path);

// Whether a file or folder of that name exists: _access with mode 0 on the
// narrow path, read in the ANSI code page. False for the empty path.
bool ansiPathExists(const std::string& path);

// Size in bytes; 0 when the file cannot be opened.
int64_t getFileSize(const std::string& path);

}  // namespace tavrin
