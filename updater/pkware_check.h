// The check that the traditional PKWARE encryption allows before any data
// is inflated: the password's keys decrypt the 12-byte header that precedes
// an encrypted entry's data, and its last byte must equal the check byte
// (the high byte of the entry's CRC-32, or of its DOS time when the sizes
// follow the data). No Windows header here.
#pragma once

#include <cstdint>
#include <string>

namespace tavrin {

constexpr size_t kEncryptionHeaderSize = 12;

// The check byte the header must end with.
uint8_t encryptionCheckByte(uint16_t generalPurposeFlags, uint32_t crc32, uint32_t dosDateTime);

// True when `password` decrypts `header` (12 bytes) to end with `checkByte`.
bool passwordFitsHeader(const std::string& password, const unsigned char* header, uint8_t checkByte);

}  // namespace tavrin
