// Base64 of RFC 4648: the standard alphabet, "=" padding to a multiple of
// four characters, no line breaks. Platform-neutral.
#pragma once

#include <string>

namespace uninst {

std::string Base64Encode(const std::string& bytes);

}  // namespace uninst
