#include "pkware_check.h"

#include <array>

namespace tavrin {

namespace {

constexpr uint16_t kSizesFollowData = 0x8;  // general-purpose bit 3

const std::array<uint32_t, 256>& crcTable() {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> built = {};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      built[n] = c;
    }
    return built;
  }();
  return table;
}

uint32_t crcStep(uint32_t crc, uint8_t byte) { return crcTable()[(crc ^ byte) & 0xFF] ^ (crc >> 8); }

// The three keys of the traditional scheme.
class CipherKeys {
 public:
  explicit CipherKeys(const std::string& password) {
    for (char c : password) update(static_cast<uint8_t>(c));
  }

  uint8_t decrypt(uint8_t cipherByte) {
    uint8_t plain = static_cast<uint8_t>(cipherByte ^ streamByte());
    update(plain);
    return plain;
  }

 private:
  uint8_t streamByte() const {
    uint32_t temp = (m_keys[2] | 2) & 0xFFFF;
    return static_cast<uint8_t>((temp * (temp ^ 1)) >> 8);
  }

  void update(uint8_t plain) {
    m_keys[0] = crcStep(m_keys[0], plain);
    m_keys[1] = (m_keys[1] + (m_keys[0] & 0xFF)) * 134775813u + 1;
    m_keys[2] = crcStep(m_keys[2], static_cast<uint8_t>(m_keys[1] >> 24));
  }

  uint32_t m_keys[3] = {0x12345678u, 0x23456789u, 0x34567890u};
};

}  // namespace

uint8_t encryptionCheckByte(uint16_t generalPurposeFlags, uint32_t crc32, uint32_t dosDateTime) {
  if (generalPurposeFlags & kSizesFollowData) return static_cast<uint8_t>((dosDateTime >> 8) & 0xFF);
  return static_cast<uint8_t>(crc32 >> 24);
}

bool passwordFitsHeader(const std::string& password, const unsigned char* header, uint8_t checkByte) {
  CipherKeys keys(password);
  uint8_t last = 0;
  for (size_t i = 0; i < kEncryptionHeaderSize; ++i) last = keys.decrypt(header[i]);
  return last == checkByte;
}

}  // namespace tavrin
