// What a folder holds, as sorted relative paths ("dest", "dest\a.txt"), so
// that a test can assert that nothing was written anywhere else.
#pragma once

#include <set>
#include <string>

namespace tavrin::test {

std::set<std::string> listTree(const std::string& root);

// GetFileAttributesW of a UTF-8 path; INVALID_FILE_ATTRIBUTES when missing.
unsigned long fileAttributes(const std::string& path);

}  // namespace tavrin::test
