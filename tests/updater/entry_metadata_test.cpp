// Attributes by host system and the extended timestamp of an entry.
#include <gtest/gtest.h>

#include <vector>

#include "entry_metadata.h"

namespace {

using namespace tavrin;

constexpr uint16_t kMadeOnDos = 0x0014;
constexpr uint16_t kMadeOnNtfs = 0x0B14;
constexpr uint16_t kMadeOnUnix = 0x031E;
constexpr uint16_t kMadeOnMac = 0x0714;
constexpr uint16_t kMadeOnVfat = 0x0E14;

uint32_t unixMode(uint32_t mode) { return mode << 16; }

TEST(EntryAttributes, DosLikeHostsKeepTheDosBits) {
  EXPECT_EQ(attributesFromHost(kMadeOnDos, 0x21), 0x21u);
  EXPECT_EQ(attributesFromHost(kMadeOnDos, 0x10), 0x10u);
  EXPECT_EQ(attributesFromHost(kMadeOnNtfs, 0x27), 0x27u);
  EXPECT_EQ(attributesFromHost(kMadeOnMac, 0x02), 0x02u);
  EXPECT_EQ(attributesFromHost(kMadeOnVfat, 0x04), 0x04u);
  // Bits beyond the five named ones (normal, temporary, ...) and a Unix
  // mode in the high half are not taken.
  EXPECT_EQ(attributesFromHost(kMadeOnDos, 0x81A40180u), 0x0u);
}

TEST(EntryAttributes, UnixModesBecomeArchiveFilesAndFolders) {
  EXPECT_EQ(attributesFromHost(kMadeOnUnix, unixMode(0100644)), kAttributeArchive);
  EXPECT_EQ(attributesFromHost(kMadeOnUnix, unixMode(0100444)), kAttributeArchive | kAttributeReadOnly);
  EXPECT_EQ(attributesFromHost(kMadeOnUnix, unixMode(0100555)), kAttributeArchive | kAttributeReadOnly);
  EXPECT_EQ(attributesFromHost(kMadeOnUnix, unixMode(040755) | 0x10), kAttributeArchive | kAttributeDirectory);
  // Hidden and system DOS bits stored by a Unix tool are not taken.
  EXPECT_EQ(attributesFromHost(kMadeOnUnix, unixMode(0100644) | 0x06), kAttributeArchive);
}

TEST(EntryAttributes, OtherHostsReadLikeUnix) {
  const uint16_t madeOnOs2 = 0x0614;  // host 6 (HPFS)
  EXPECT_EQ(attributesFromHost(madeOnOs2, 0x21), kAttributeArchive | kAttributeReadOnly);
}

void putUint16(std::vector<unsigned char>& bytes, uint16_t value) {
  bytes.push_back(static_cast<unsigned char>(value & 0xFF));
  bytes.push_back(static_cast<unsigned char>(value >> 8));
}

void putUint32(std::vector<unsigned char>& bytes, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<unsigned char>((value >> shift) & 0xFF));
}

std::vector<unsigned char> block(uint16_t id, const std::vector<unsigned char>& data) {
  std::vector<unsigned char> bytes;
  putUint16(bytes, id);
  putUint16(bytes, static_cast<uint16_t>(data.size()));
  bytes.insert(bytes.end(), data.begin(), data.end());
  return bytes;
}

std::vector<unsigned char> timestampData(uint8_t flags, const std::vector<uint32_t>& times) {
  std::vector<unsigned char> data{flags};
  for (uint32_t t : times) putUint32(data, t);
  return data;
}

constexpr uint64_t kFileTimeOf1500000000 = 131444736000000000ull;  // 2017-07-14 02:40:00 UTC

TEST(ExtendedTimestamp, FoundBehindOtherBlocks) {
  std::vector<unsigned char> extra = block(0x000A, std::vector<unsigned char>(32, 0xEE));
  std::vector<unsigned char> ut = block(0x5455, timestampData(0x1, {1500000000u}));
  extra.insert(extra.end(), ut.begin(), ut.end());
  auto times = findExtendedTimes(extra.data(), extra.size());
  ASSERT_TRUE(times.has_value());
  ASSERT_TRUE(times->modification.has_value());
  EXPECT_EQ(*times->modification, kFileTimeOf1500000000);
  EXPECT_FALSE(times->access.has_value());
  EXPECT_FALSE(times->creation.has_value());
}

TEST(ExtendedTimestamp, FlagsSelectModificationAccessCreationInThatOrder) {
  std::vector<unsigned char> extra = block(0x5455, timestampData(0x7, {1500000000u, 1500000010u, 1500000020u}));
  auto times = findExtendedTimes(extra.data(), extra.size());
  ASSERT_TRUE(times.has_value());
  EXPECT_EQ(times->modification.value_or(0), kFileTimeOf1500000000);
  EXPECT_EQ(times->access.value_or(0), kFileTimeOf1500000000 + 100000000ull);
  EXPECT_EQ(times->creation.value_or(0), kFileTimeOf1500000000 + 200000000ull);

  extra = block(0x5455, timestampData(0x6, {1500000010u, 1500000020u}));
  times = findExtendedTimes(extra.data(), extra.size());
  ASSERT_TRUE(times.has_value());
  EXPECT_FALSE(times->modification.has_value());
  EXPECT_EQ(times->access.value_or(0), kFileTimeOf1500000000 + 100000000ull);
  EXPECT_EQ(times->creation.value_or(0), kFileTimeOf1500000000 + 200000000ull);
}

// In the central directory the block carries the modification time only,
// whatever its flags announce.
TEST(ExtendedTimestamp, TakesOnlyTheTimesThatAreThere) {
  std::vector<unsigned char> extra = block(0x5455, timestampData(0x7, {1500000000u}));
  auto times = findExtendedTimes(extra.data(), extra.size());
  ASSERT_TRUE(times.has_value());
  EXPECT_EQ(times->modification.value_or(0), kFileTimeOf1500000000);
  EXPECT_FALSE(times->access.has_value());
  EXPECT_FALSE(times->creation.has_value());
}

TEST(ExtendedTimestamp, NoneWithoutAUtBlock) {
  std::vector<unsigned char> extra = block(0x7875, {1, 4, 0, 0, 0, 0, 4, 0, 0, 0, 0});
  EXPECT_FALSE(findExtendedTimes(extra.data(), extra.size()).has_value());
  EXPECT_FALSE(findExtendedTimes(nullptr, 0).has_value());
  EXPECT_FALSE(findExtendedTimes(extra.data(), 3).has_value());
}

TEST(ExtendedTimestamp, StopsAtABlockThatRunsPastTheField) {
  std::vector<unsigned char> extra = block(0x000A, std::vector<unsigned char>(8, 0));
  extra[2] = 200;  // claims 200 bytes
  std::vector<unsigned char> ut = block(0x5455, timestampData(0x1, {1500000000u}));
  extra.insert(extra.end(), ut.begin(), ut.end());
  EXPECT_FALSE(findExtendedTimes(extra.data(), extra.size()).has_value());
}

TEST(ExtendedTimestamp, UnixTimesAreUnsigned) {
  EXPECT_EQ(unixTimeToFileTime(0), 116444736000000000ull);
  EXPECT_EQ(unixTimeToFileTime(0xFFFFFFFFu), 159394408950000000ull);  // early 2106
}

}  // namespace
