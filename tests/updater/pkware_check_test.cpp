// The password check of the traditional PKWARE encryption, against a
// header written by Info-ZIP's zip 3.0 ("zip -P", stored entry): the entry
// has general-purpose flags 0x9 (encrypted, sizes after the data), so the
// check byte is the high byte of its DOS time.
#include <gtest/gtest.h>

#include "pkware_check.h"

namespace {

using tavrin::encryptionCheckByte;
using tavrin::passwordFitsHeader;

const unsigned char kInfoZipHeader[12] = {0xc0, 0x95, 0x10, 0xf2, 0x48, 0x4b, 0x60, 0x8f, 0x69, 0x5a, 0x4e, 0x6b};
constexpr uint16_t kInfoZipFlags = 0x9;
constexpr uint32_t kInfoZipCrc = 0x2e648b18u;
constexpr uint32_t kInfoZipDosStamp = (0x5d87u << 16) | 0xb526u;

TEST(PkwareCheck, CheckByteComesFromTheCrcOrTheTime) {
  EXPECT_EQ(encryptionCheckByte(0x1, 0x2e648b18u, kInfoZipDosStamp), 0x2e);
  EXPECT_EQ(encryptionCheckByte(kInfoZipFlags, kInfoZipCrc, kInfoZipDosStamp), 0xb5);
}

TEST(PkwareCheck, TheRightPasswordFitsAnInfoZipHeader) {
  uint8_t check = encryptionCheckByte(kInfoZipFlags, kInfoZipCrc, kInfoZipDosStamp);
  EXPECT_TRUE(passwordFitsHeader("ZXC456$%^***", kInfoZipHeader, check));
}

TEST(PkwareCheck, OtherPasswordsDoNot) {
  uint8_t check = encryptionCheckByte(kInfoZipFlags, kInfoZipCrc, kInfoZipDosStamp);
  EXPECT_FALSE(passwordFitsHeader("ZXC456$%^**", kInfoZipHeader, check));
  EXPECT_FALSE(passwordFitsHeader("zxc456$%^***", kInfoZipHeader, check));
  EXPECT_FALSE(passwordFitsHeader("", kInfoZipHeader, check));
  // The right password compared with the wrong check byte.
  EXPECT_FALSE(passwordFitsHeader("ZXC456$%^***", kInfoZipHeader, 0x2e));
}

}  // namespace
