#include "entry_metadata.h"

namespace tavrin {

namespace {

constexpr uint8_t kHostMsDos = 0;
constexpr uint8_t kHostMacintosh = 7;
constexpr uint8_t kHostNtfs = 11;
constexpr uint8_t kHostVfat = 14;

constexpr uint32_t kUnixDirectoryBit = 1u << 30;   // S_IFDIR in the high 16 bits
constexpr uint32_t kUnixOwnerWriteBit = 1u << 23;  // S_IWUSR in the high 16 bits

constexpr uint16_t kExtendedTimestampId = 0x5455;  // "UT"

bool storesDosAttributes(uint8_t host) {
  return host == kHostMsDos || host == kHostMacintosh || host == kHostNtfs || host == kHostVfat;
}

uint16_t readUint16(const unsigned char* at) { return static_cast<uint16_t>(at[0] | (at[1] << 8)); }

uint32_t readUint32(const unsigned char* at) {
  return static_cast<uint32_t>(at[0]) | (static_cast<uint32_t>(at[1]) << 8) | (static_cast<uint32_t>(at[2]) << 16) |
         (static_cast<uint32_t>(at[3]) << 24);
}

ExtendedTimes decodeExtendedTimestamp(const unsigned char* data, size_t size) {
  ExtendedTimes times;
  if (size < 1) return times;
  uint8_t flags = data[0];
  size_t offset = 1;
  std::optional<uint64_t>* slots[] = {&times.modification, &times.access, &times.creation};
  for (int bit = 0; bit < 3; ++bit) {
    if ((flags & (1u << bit)) == 0) continue;
    if (offset + 4 > size) break;
    *slots[bit] = unixTimeToFileTime(readUint32(data + offset));
    offset += 4;
  }
  return times;
}

}  // namespace

uint32_t attributesFromHost(uint16_t versionMadeBy, uint32_t externalAttributes) {
  uint8_t host = static_cast<uint8_t>(versionMadeBy >> 8);
  if (storesDosAttributes(host)) {
    return externalAttributes &
           (kAttributeReadOnly | kAttributeHidden | kAttributeSystem | kAttributeDirectory | kAttributeArchive);
  }
  uint32_t attributes = kAttributeArchive;
  if (externalAttributes & kUnixDirectoryBit) attributes |= kAttributeDirectory;
  if ((externalAttributes & kUnixOwnerWriteBit) == 0) attributes |= kAttributeReadOnly;
  return attributes;
}

std::optional<ExtendedTimes> findExtendedTimes(const unsigned char* extra, size_t size) {
  if (extra == nullptr) return std::nullopt;
  size_t offset = 0;
  while (offset + 4 <= size) {
    uint16_t id = readUint16(extra + offset);
    size_t blockSize = readUint16(extra + offset + 2);
    const unsigned char* data = extra + offset + 4;
    size_t available = size - offset - 4;
    if (id == kExtendedTimestampId) {
      return decodeExtendedTimestamp(data, blockSize < available ? blockSize : available);
    }
    if (blockSize > available) return std::nullopt;
    offset += 4 + blockSize;
  }
  return std::nullopt;
}

uint64_t unixTimeToFileTime(uint32_t unixTime) {
  return static_cast<uint64_t>(unixTime) * 10000000ull + 116444736000000000ull;
}

}  // namespace tavrin
