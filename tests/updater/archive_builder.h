// Writes ZIP archives for the tests with minizip's zip side: plain and
// encrypted (traditional PKWARE) entries, any stored name, host system,
// external attributes, DOS stamp and central extra field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tavrin::test {

constexpr uint16_t kMadeOnDos = 0x0014;                                                     // host 0, version 2.0
constexpr uint16_t kMadeOnUnix = 0x031E;                                                    // host 3, version 3.0
constexpr uint32_t kDosStamp2001 = (((2001 - 1980) << 9 | 1 << 5 | 1) << 16) | (12 << 11);  // 2001-01-01 12:00:00

struct ArchiveEntry {
  std::string storedName;  // bytes as stored (ANSI code page)
  std::string content;
  std::string password;  // empty: not encrypted
  uint16_t versionMadeBy = kMadeOnDos;
  uint32_t externalAttributes = 0x20;  // archive
  uint32_t dosStamp = kDosStamp2001;
  std::vector<unsigned char> centralExtra;
  bool deflate = true;
  bool utf8Name = false;  // general-purpose bit 11: the stored name is UTF-8
};

// A Unix mode as external attributes (high 16 bits).
uint32_t unixMode(uint32_t mode);
// An extended-timestamp block ("UT") carrying a modification time.
std::vector<unsigned char> extendedTimestamp(uint32_t modificationUnixTime);

// The 12-byte encryption header of the first encrypted entry of an archive
// written by ArchiveBuilder (sizes in the local headers), read by hand.
struct EncryptionHeader {
  bool found = false;
  unsigned char bytes[12] = {};
  uint16_t flags = 0;
  uint32_t crc = 0;
  uint32_t dosStamp = 0;
};
EncryptionHeader readFirstEncryptionHeader(const std::string& archivePath);

class ArchiveBuilder {
 public:
  ArchiveBuilder& add(const ArchiveEntry& entry);
  ArchiveBuilder& addFile(const std::string& storedName, const std::string& content,
                          const std::string& password = std::string());
  // A file whose name is stored in UTF-8 and flagged so.
  ArchiveBuilder& addUtf8File(const std::string& storedName, const std::string& content,
                              const std::string& password = std::string());
  ArchiveBuilder& addUnixFolder(const std::string& storedName);
  // Writes the archive (UTF-8 path); false when minizip fails.
  bool writeTo(const std::string& path) const;

 private:
  std::vector<ArchiveEntry> m_entries;
};

}  // namespace tavrin::test
