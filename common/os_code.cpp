#include "os_code.h"

namespace tavrin {

bool versionAtLeast(const OsVersion& running, uint16_t major, uint16_t minor, uint16_t servicePack) {
  if (running.major != major) return running.major > major;
  if (running.minor != minor) return running.minor > minor;
  return running.servicePackMajor >= servicePack;
}

int osCodeFor(bool native64Bit, const OsVersionTest& atLeast) {
  auto pick = [native64Bit](int on64, int on32) { return native64Bit ? on64 : on32; };
  if (atLeast(10, 0, 0)) return pick(13, 12);
  if (atLeast(6, 3, 0)) return pick(11, 10);
  if (atLeast(6, 2, 0)) return pick(9, 8);
  if (atLeast(6, 1, 1) || atLeast(6, 1, 0)) return pick(7, 6);
  if (atLeast(6, 0, 2) || atLeast(6, 0, 1) || atLeast(6, 0, 0)) return pick(5, 4);
  if (atLeast(5, 1, 3)) return 2;  // XP SP3 is 2 on both kinds of machine
  if (atLeast(5, 1, 2) || atLeast(5, 1, 1) || atLeast(5, 1, 0)) return pick(3, 1);
  return 0;
}

}  // namespace tavrin
