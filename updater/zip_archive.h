// The archive reader behind CZipManager.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "zip_result.h"

namespace tavrin {

// One archive entry as the reader describes it.
struct ZipEntry {
  int index = -1;        // for the request with index -1: the number of entries
  std::wstring name;     // the stored name, converted and cleaned up
  DWORD attributes = 0;  // Windows file attribute bits
  FILETIME accessTime = {};
  FILETIME creationTime = {};
  FILETIME modificationTime = {};
  int32_t compressedSize = 0;
  int32_t uncompressedSize = 0;
};

struct ZipReaderState;

// One update archive open for reading: minizip's unzip with zlib and the
// traditional PKWARE decryption. Every operation returns a result code
// (zip_result.h).
class ZipArchive {
 public:
  ~ZipArchive();
  ZipArchive(const ZipArchive&) = delete;
  ZipArchive& operator=(const ZipArchive&) = delete;

  // Opens the archive; the base folder starts as the current directory.
  // `password` (may be null) is kept for encrypted entries. Null on
  // failure, with the reason in `result`.
  static std::unique_ptr<ZipArchive> open(const wchar_t* path, const char* password, ZipResult& result);

  // Sets the folder entries are extracted under; a "/" is appended unless
  // it ends in a separator. The folder is not created here.
  ZipResult setBaseFolder(const wchar_t* folder);

  // Describes entry `index`, or with index -1 gives the number of entries
  // in `entry->index`.
  ZipResult describeEntry(int index, ZipEntry* entry);

  // Looks a stored name up (ASCII letters without regard to case).
  ZipResult findEntry(const wchar_t* storedName, int* index);

  // Extracts entry `index` to `relativeName` under the base folder. A name
  // that would leave the base folder is refused with kZipBadArgument.
  ZipResult extractEntry(int index, const wchar_t* relativeName);

  // Extracts entry `index` under its own cleaned-up name; an entry stored
  // in a UNC or device form is refused with kZipBadArgument.
  ZipResult extractEntryUnderItsName(int index);

 private:
  explicit ZipArchive(std::unique_ptr<ZipReaderState> state);

  std::unique_ptr<ZipReaderState> m_state;
};

}  // namespace tavrin
