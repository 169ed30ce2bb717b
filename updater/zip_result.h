// Result codes of the archive reader. 0 is success; CZipManager logs the
// others as eight hexadecimal digits.
#pragma once

#include <cstdint>

namespace tavrin {

using ZipResult = uint32_t;

constexpr ZipResult kZipOk = 0;
constexpr ZipResult kZipCannotOpenFile = 0x200;  // also: not a ZIP archive
constexpr ZipResult kZipWriteFailed = 0x400;
constexpr ZipResult kZipEntryNotFound = 0x500;
constexpr ZipResult kZipDirectoryDamaged = 0x700;
constexpr ZipResult kZipReadFailed = 0x800;
constexpr ZipResult kZipWrongPassword = 0x1000;
constexpr ZipResult kZipBadArgument = 0x10000;       // also: no archive open
constexpr ZipResult kZipNotReadingHandle = 0x80000;  // of the code table; a ZipArchive only reads
constexpr ZipResult kZipInflateFailed = 0x5000000;

}  // namespace tavrin
