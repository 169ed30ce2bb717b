// Attributes and times of an archive entry, decoded from its central
// directory record. No Windows header here: the values are the Windows
// attribute bits and FILETIME counts, spelled out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace tavrin {

constexpr uint32_t kAttributeReadOnly = 0x1;
constexpr uint32_t kAttributeHidden = 0x2;
constexpr uint32_t kAttributeSystem = 0x4;
constexpr uint32_t kAttributeDirectory = 0x10;
constexpr uint32_t kAttributeArchive = 0x20;

// Windows attribute bits from the host system (the high byte of the
// version-made-by field) and the external attributes. MS-DOS, Macintosh,
// NTFS and VFAT hosts store the DOS bits; every other host (Unix and the
// rest) stores a mode in the high 16 bits.
uint32_t attributesFromHost(uint16_t versionMadeBy, uint32_t externalAttributes);

// The times of an extended-timestamp block ("UT", header id 0x5455), as
// FILETIME counts (100 ns since 1601, UTC). Each is present only when its
// flag bit is set and its four bytes are inside the block.
struct ExtendedTimes {
  std::optional<uint64_t> modification;
  std::optional<uint64_t> access;
  std::optional<uint64_t> creation;
};

// Walks the extra field's blocks by their headers up to the first "UT"
// block; nothing when there is none (or the field is cut short before it).
std::optional<ExtendedTimes> findExtendedTimes(const unsigned char* extra, size_t size);

// A 32-bit Unix time as a FILETIME count.
uint64_t unixTimeToFileTime(uint32_t unixTime);

}  // namespace tavrin
