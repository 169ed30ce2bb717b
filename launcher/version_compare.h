// Whether an offered browser version is newer than the installed one. The
// four numbers are compared one by one as unsigned values, so 2.0.10.1 is
// newer than 2.0.9.100 and long versions such as 100.0.4896.128 still
// compare correctly. No Windows header here.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tavrin {

using VersionParts = std::array<uint32_t, 4>;

// Up to four dotted decimal numbers; missing or unreadable parts are 0, an
// empty text is 0.0.0.0, a part too large for 32 bits saturates.
VersionParts parseVersion(const std::string& text);

bool isVersionNewer(const std::string& offered, const std::string& installed);

}  // namespace tavrin
