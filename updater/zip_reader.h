// The handle-based archive reader behind CZipManager: minizip's unzip with
// zlib and the traditional PKWARE decryption. Every operation returns a
// result code (zip_result.h) and keeps it as the process's last result.
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
using ZipHandle = ZipReaderState*;

// The code of the last reader operation of this process.
ZipResult lastZipResult();

// Opens the archive for reading; the base folder starts as the current
// directory. `password` (may be null) is kept for encrypted entries.
// Null on failure, with the reason in lastZipResult().
ZipHandle openZipForReading(const wchar_t* path, const char* password);

// Sets the folder entries are extracted under; a "/" is appended unless it
// ends in a separator. The folder is not created here.
ZipResult setZipBaseFolder(ZipHandle zip, const wchar_t* folder);

// Describes entry `index`, or with index -1 gives the number of entries in
// `entry->index`.
ZipResult describeZipEntry(ZipHandle zip, int index, ZipEntry* entry);

// Looks a stored name up (ASCII letters without regard to case).
ZipResult findZipEntry(ZipHandle zip, const wchar_t* storedName, int* index);

// Extracts entry `index` to `relativeName` under the base folder. A name
// that would leave the base folder is refused with kZipBadArgument.
ZipResult extractZipEntry(ZipHandle zip, int index, const wchar_t* relativeName);

// Extracts entry `index` under its own cleaned-up name; an entry stored in
// a UNC or device form is refused with kZipBadArgument.
ZipResult extractZipEntryUnderItsName(ZipHandle zip, int index);

// Closes the archive and frees the handle; the last result stays as it was.
ZipResult closeZip(ZipHandle zip);

struct ZipHandleCloser {
  void operator()(ZipReaderState* zip) const { closeZip(zip); }
};
using UniqueZipHandle = std::unique_ptr<ZipReaderState, ZipHandleCloser>;

}  // namespace tavrin
