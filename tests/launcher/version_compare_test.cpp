// Reading version texts as four numbers (the odd texts a reply or a file
// version may hold) and comparing them, as the update check does.
#include <gtest/gtest.h>

#include "version_compare.h"

namespace {

using tavrin::parseVersion;
using tavrin::VersionParts;

TEST(VersionText, ReadsUpToFourDottedNumbers) {
  EXPECT_EQ(parseVersion("100.0.4896.128"), (VersionParts{100, 0, 4896, 128}));
  EXPECT_EQ(parseVersion("1.2"), (VersionParts{1, 2, 0, 0}));
  EXPECT_EQ(parseVersion("1.2.3.4.5"), (VersionParts{1, 2, 3, 4}));
  EXPECT_EQ(parseVersion(""), (VersionParts{0, 0, 0, 0}));
}

TEST(VersionText, StopsAtTheFirstPartThatIsNotANumber) {
  EXPECT_EQ(parseVersion("1.x.3.4"), (VersionParts{1, 0, 0, 0}));
  EXPECT_EQ(parseVersion("1..3"), (VersionParts{1, 0, 0, 0}));
  EXPECT_EQ(parseVersion("2.5-beta.7"), (VersionParts{2, 5, 0, 0}));
  EXPECT_EQ(parseVersion(" 3. 4"), (VersionParts{3, 4, 0, 0})) << "blanks before a number, as \"%d\" reads";
}

TEST(VersionComparison, ComparesTheFourNumbersOneByOne) {
  EXPECT_TRUE(tavrin::isVersionNewer("2.0.10.1", "2.0.9.100"));
  EXPECT_FALSE(tavrin::isVersionNewer("2.0.9.100", "2.0.10.1"));
  EXPECT_TRUE(tavrin::isVersionNewer("100.0.4896.128", "100.0.4896.127"));
  EXPECT_TRUE(tavrin::isVersionNewer("1.10.0.0", "1.9.0.0"));
  EXPECT_FALSE(tavrin::isVersionNewer("1.2.3.4", "1.2.3.4"));
  EXPECT_TRUE(tavrin::isVersionNewer("0.0.0.1", ""));
  EXPECT_FALSE(tavrin::isVersionNewer("", ""));
  EXPECT_TRUE(tavrin::isVersionNewer("1.2", "1.1.9.9")) << "missing parts are 0";
  EXPECT_FALSE(tavrin::isVersionNewer("garbage", "0.0.0.0"));
}

TEST(VersionText, APartTooLargeSaturates) {
  EXPECT_EQ(parseVersion("99999999999999999999999.1"), (VersionParts{4294967295u, 1, 0, 0}));
  EXPECT_FALSE(tavrin::isVersionNewer("4294967296.0.0.0", "4294967295.0.0.0")) << "both saturate";
  EXPECT_TRUE(tavrin::isVersionNewer("4294967295.0.0.0", "4294967294.9.9.9"));
}

}  // namespace
