#include "archive_builder.h"

#include <zip.h>
// Newer zlib headers no longer define the prototype macro iowin32.h uses.
#ifndef OF
#define OF(args) args
#endif
#include <iowin32.h>

#include <memory>

#include "test_env.h"
#include "text_convert.h"

namespace tavrin::test {

namespace {

struct ZipWriterCloser {
  void operator()(void* archive) const { zipClose(archive, nullptr); }
};
using UniqueZipWriter = std::unique_ptr<void, ZipWriterCloser>;

constexpr int kMemoryLevel = 8;

bool writeEntry(zipFile archive, const ArchiveEntry& entry) {
  zip_fileinfo info = {};
  info.dosDate = entry.dosStamp;
  info.external_fa = entry.externalAttributes;
  const char* password = entry.password.empty() ? nullptr : entry.password.c_str();
  uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(entry.content.data()), static_cast<uInt>(entry.content.size()));
  const void* extra = entry.centralExtra.empty() ? nullptr : entry.centralExtra.data();
  uInt extraSize = static_cast<uInt>(entry.centralExtra.size());
  int method = entry.deflate ? Z_DEFLATED : 0;
  int level = entry.deflate ? Z_DEFAULT_COMPRESSION : 0;
  if (zipOpenNewFileInZip4(archive, entry.storedName.c_str(), &info, extra, extraSize, extra, extraSize, nullptr,
                           method, level, 0, -MAX_WBITS, kMemoryLevel, Z_DEFAULT_STRATEGY, password, crc,
                           entry.versionMadeBy, entry.utf8Name ? 0x800 : 0) != ZIP_OK) {
    return false;
  }
  bool written = entry.content.empty() || zipWriteInFileInZip(archive, entry.content.data(),
                                                              static_cast<unsigned>(entry.content.size())) == ZIP_OK;
  return zipCloseFileInZip(archive) == ZIP_OK && written;
}

uint32_t readUint(const std::string& bytes, size_t at, int size) {
  uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

}  // namespace

EncryptionHeader readFirstEncryptionHeader(const std::string& archivePath) {
  EncryptionHeader header;
  std::string bytes = readFile(archivePath);
  size_t at = 0;
  while (at + 30 <= bytes.size() && readUint(bytes, at, 4) == 0x04034b50u) {
    uint16_t flags = static_cast<uint16_t>(readUint(bytes, at + 6, 2));
    uint32_t compressedSize = readUint(bytes, at + 18, 4);
    size_t data = at + 30 + readUint(bytes, at + 26, 2) + readUint(bytes, at + 28, 2);
    if ((flags & 1) && data + 12 <= bytes.size()) {
      header.found = true;
      for (size_t i = 0; i < 12; ++i) header.bytes[i] = static_cast<unsigned char>(bytes[data + i]);
      header.flags = flags;
      header.crc = readUint(bytes, at + 14, 4);
      header.dosStamp = (readUint(bytes, at + 12, 2) << 16) | readUint(bytes, at + 10, 2);
      return header;
    }
    at = data + compressedSize;
  }
  return header;
}

uint32_t unixMode(uint32_t mode) { return mode << 16; }

std::vector<unsigned char> extendedTimestamp(uint32_t modificationUnixTime) {
  std::vector<unsigned char> block = {0x55, 0x54, 5, 0, 0x1};
  for (int shift = 0; shift < 32; shift += 8) {
    block.push_back(static_cast<unsigned char>((modificationUnixTime >> shift) & 0xFF));
  }
  return block;
}

ArchiveBuilder& ArchiveBuilder::add(const ArchiveEntry& entry) {
  m_entries.push_back(entry);
  return *this;
}

ArchiveBuilder& ArchiveBuilder::addFile(const std::string& storedName, const std::string& content,
                                        const std::string& password) {
  ArchiveEntry entry;
  entry.storedName = storedName;
  entry.content = content;
  entry.password = password;
  return add(entry);
}

ArchiveBuilder& ArchiveBuilder::addUtf8File(const std::string& storedName, const std::string& content,
                                            const std::string& password) {
  ArchiveEntry entry;
  entry.storedName = storedName;
  entry.content = content;
  entry.password = password;
  entry.utf8Name = true;
  return add(entry);
}

ArchiveBuilder& ArchiveBuilder::addUnixFolder(const std::string& storedName) {
  ArchiveEntry entry;
  entry.storedName = storedName;
  entry.versionMadeBy = kMadeOnUnix;
  entry.externalAttributes = unixMode(040755) | 0x10;
  entry.deflate = false;
  return add(entry);
}

bool ArchiveBuilder::writeTo(const std::string& path) const {
  std::wstring widePath = utf8ToWide(path);
  zlib_filefunc64_def fileFunctions = {};
  fill_win32_filefunc64W(&fileFunctions);
  UniqueZipWriter archive(zipOpen2_64(widePath.c_str(), APPEND_STATUS_CREATE, nullptr, &fileFunctions));
  if (!archive) return false;
  for (const ArchiveEntry& entry : m_entries) {
    if (!writeEntry(archive.get(), entry)) return false;
  }
  return zipClose(archive.release(), nullptr) == ZIP_OK;
}

}  // namespace tavrin::test
