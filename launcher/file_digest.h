// SHA-256 of a file, as 64 lower-case hexadecimal digits (empty when the
// file cannot be read). Reads in chunks; the file is never held in memory.
#pragma once

#include <string>

namespace tavrin {

std::string sha256OfFile(const std::string& path);
// True for 64 hexadecimal digits of either case.
bool isSha256Text(const std::string& text);

}  // namespace tavrin
