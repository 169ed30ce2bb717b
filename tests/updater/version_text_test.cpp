// Which recorded versions name a folder the updater may delete.
#include <gtest/gtest.h>

#include "version_text.h"

namespace {

using tavrin::isFourPartVersion;
using tavrin::shouldDeleteReplacedVersionFolder;

TEST(VersionText, FourDottedNumbers) {
  EXPECT_TRUE(isFourPartVersion("1.0.0.1"));
  EXPECT_TRUE(isFourPartVersion("65535.1.32768.4"));
  EXPECT_TRUE(isFourPartVersion("0.0.0.0"));
}

TEST(VersionText, AnythingElseIsNot) {
  for (const char* text : {"", ".", "...", "1.0.0", "1.0.0.1.2", "1.0.0.x", "1..0.1", "1.0.0.65536", "-1.0.0.1",
                           " 1.0.0.1", "1.0.0.1 ", "1.0.0.1\\..", "..\\1.0.0.1", "1.0.0.", ".1.0.0", "000001.0.0.1"}) {
    EXPECT_FALSE(isFourPartVersion(text)) << text;
  }
}

TEST(ReplacedVersionFolder, DeletedOnlyForAnotherFourPartVersion) {
  EXPECT_TRUE(shouldDeleteReplacedVersionFolder("1.0.0.1", "1.0.0.2"));
  EXPECT_TRUE(shouldDeleteReplacedVersionFolder("2.0.0.0", "1.0.0.2"));
  EXPECT_FALSE(shouldDeleteReplacedVersionFolder("1.0.0.2", "1.0.0.2"));
  EXPECT_FALSE(shouldDeleteReplacedVersionFolder("", "1.0.0.2"));
  EXPECT_FALSE(shouldDeleteReplacedVersionFolder(".", "1.0.0.2"));
  EXPECT_FALSE(shouldDeleteReplacedVersionFolder("..", "1.0.0.2"));
  EXPECT_FALSE(shouldDeleteReplacedVersionFolder("1.0.0.1\\..\\..", "1.0.0.2"));
}

}  // namespace
