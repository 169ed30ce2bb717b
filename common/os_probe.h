// Which Windows runs, and on what kind of machine.
#pragma once

#include <cstdint>

namespace tavrin {

// RtlGetVersion, looked up once per process; false when it is unavailable.
bool isOsVersionAtLeast(uint16_t major, uint16_t minor, uint16_t servicePackMajor);
// True on an AMD64 or IA-64 machine, whatever this program's own bitness.
bool isNative64Bit();
// The OS code 0..13 of the running system.
int getOsCode();

}  // namespace tavrin
