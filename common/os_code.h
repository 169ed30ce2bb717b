// The OS code sent in the activity report: a number from 0 to 13 for the
// running Windows and whether the machine is 64-bit. No Windows header here,
// so the table can be checked against any version source.
#pragma once

#include <cstdint>
#include <functional>

namespace tavrin {

struct OsVersion {
  uint32_t major = 0;
  uint32_t minor = 0;
  uint16_t servicePackMajor = 0;
};

// Lexicographic, unsigned: major, then minor, then service-pack major.
bool versionAtLeast(const OsVersion& running, uint16_t major, uint16_t minor, uint16_t servicePack);

// "Is the running system at least major.minor with this service pack?"
using OsVersionTest = std::function<bool(uint16_t major, uint16_t minor, uint16_t servicePack)>;

// The first row of the OS-code table that holds, top to bottom.
int osCodeFor(bool native64Bit, const OsVersionTest& atLeast);

}  // namespace tavrin
