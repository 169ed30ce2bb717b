#include "empty_archive.h"

#include <cstdint>

namespace tavrin {

namespace {

uint32_t readUint16(const unsigned char* at) { return static_cast<uint32_t>(at[0] | (at[1] << 8)); }

uint32_t readUint32(const unsigned char* at) { return readUint16(at) | (readUint16(at + 2) << 16); }

}  // namespace

bool isEmptyArchive(const unsigned char* bytes, size_t size) {
  if (bytes == nullptr || size < kEndRecordSize) return false;
  if (readUint32(bytes) != 0x06054b50u) return false;
  bool singleDisk = readUint16(bytes + 4) == 0 && readUint16(bytes + 6) == 0;
  bool noEntries = readUint16(bytes + 8) == 0 && readUint16(bytes + 10) == 0;
  bool noDirectory = readUint32(bytes + 12) == 0 && readUint32(bytes + 16) == 0;
  bool commentFills = readUint16(bytes + 20) == size - kEndRecordSize;
  return singleDisk && noEntries && noDirectory && commentFills;
}

bool holdsEndRecord(const unsigned char* tail, size_t size) {
  if (tail == nullptr || size < kEndRecordSize) return false;
  for (size_t at = size - kEndRecordSize + 1; at-- > 0;) {
    if (readUint32(tail + at) == 0x06054b50u) return true;
  }
  return false;
}

bool beginsLikeAnArchive(const unsigned char* head, size_t size) {
  return head != nullptr && size >= 4 && readUint32(head) == 0x04034b50u;
}

}  // namespace tavrin
