// Reading members of a zip archive held in memory (minizip with a file
// function table over the buffer).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace SkinUI {

// Member names are compared without regard to letter case.
bool ReadZipMember(const std::vector<uint8_t>& archive, const std::string& memberName, std::vector<uint8_t>& bytes);

}  // namespace SkinUI
