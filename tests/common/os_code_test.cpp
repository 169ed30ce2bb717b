// The OS-code table for every row, through an injected version source, and
// the real probes on the system the tests run on.
#include <gtest/gtest.h>

#include "os_code.h"
#include "os_probe.h"

namespace {

using tavrin::OsVersion;

// A version source answering for a system of the given version; `available`
// false stands for a system without RtlGetVersion.
tavrin::OsVersionTest systemOf(uint32_t major, uint32_t minor, uint16_t servicePack, bool available = true) {
  OsVersion running;
  running.major = major;
  running.minor = minor;
  running.servicePackMajor = servicePack;
  return [=](uint16_t a, uint16_t b, uint16_t c) { return available && tavrin::versionAtLeast(running, a, b, c); };
}

struct Row {
  uint32_t major, minor;
  uint16_t servicePack;
  int on64, on32;
};

TEST(OsCode, EveryRowOfTheTable) {
  const Row rows[] = {
      {10, 0, 0, 13, 12},                                                     // Windows 10 and 11
      {6, 3, 0, 11, 10},                                                      // 8.1
      {6, 2, 0, 9, 8},                                                        // 8
      {6, 1, 1, 7, 6},                                                        // 7 SP1
      {6, 1, 0, 7, 6},                                                        // 7
      {6, 0, 2, 5, 4},                                                        // Vista SP2
      {6, 0, 1, 5, 4},    {6, 0, 0, 5, 4}, {5, 2, 0, 2, 2},                   // Server 2003 / XP x64: above 5.1 SP3
      {5, 1, 3, 2, 2},                                                        // XP SP3: 2 on both kinds of machine
      {5, 1, 2, 3, 1},    {5, 1, 1, 3, 1}, {5, 1, 0, 3, 1}, {5, 0, 4, 0, 0},  // 2000
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.major) + "." + std::to_string(row.minor) + " SP" + std::to_string(row.servicePack));
    EXPECT_EQ(tavrin::osCodeFor(true, systemOf(row.major, row.minor, row.servicePack)), row.on64);
    EXPECT_EQ(tavrin::osCodeFor(false, systemOf(row.major, row.minor, row.servicePack)), row.on32);
  }
}

TEST(OsCode, NoVersionFunctionGivesZero) {
  EXPECT_EQ(tavrin::osCodeFor(true, systemOf(10, 0, 0, false)), 0);
  EXPECT_EQ(tavrin::osCodeFor(false, systemOf(10, 0, 0, false)), 0);
}

TEST(OsCode, ComparisonIsLexicographicAndUnsigned) {
  OsVersion win7sp1{6, 1, 1};
  EXPECT_TRUE(tavrin::versionAtLeast(win7sp1, 6, 1, 1));
  EXPECT_TRUE(tavrin::versionAtLeast(win7sp1, 6, 0, 9));
  EXPECT_TRUE(tavrin::versionAtLeast(win7sp1, 5, 9, 9));
  EXPECT_FALSE(tavrin::versionAtLeast(win7sp1, 6, 1, 2));
  EXPECT_FALSE(tavrin::versionAtLeast(win7sp1, 6, 2, 0));
  EXPECT_FALSE(tavrin::versionAtLeast(win7sp1, 7, 0, 0));
  OsVersion huge{0x80000000u, 0, 0};
  EXPECT_TRUE(tavrin::versionAtLeast(huge, 10, 0, 0)) << "a major above 2^31 is still large";
  EXPECT_EQ(tavrin::osCodeFor(true, systemOf(0x80000000u, 0, 0)), 13);
}

// The test prefix is a new Wine prefix: Windows 7 SP1 on a 64-bit machine.
TEST(OsProbe, ReportsTheRunningSystem) {
  EXPECT_TRUE(tavrin::isNative64Bit());
  EXPECT_TRUE(tavrin::isOsVersionAtLeast(6, 1, 1));
  EXPECT_FALSE(tavrin::isOsVersionAtLeast(6, 2, 0));
  EXPECT_EQ(tavrin::getOsCode(), 7);
}

}  // namespace
