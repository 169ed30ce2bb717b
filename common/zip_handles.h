// Owners of minizip's reading handles. Header-only, for code that links
// minizip.
#pragma once

#include <unzip.h>

#include "handles.h"

namespace tavrin {

// An archive opened with unzOpen2 or unzOpen2_64; unzFile is a plain pointer.
struct UnzipFileTraits {
  using type = unzFile;
  static type invalid() { return nullptr; }
  static bool isValid(type archive) { return archive != nullptr; }
  static void close(type archive) { ::unzClose(archive); }
};

// The data of an archive's current entry, opened with one of the
// unzOpenCurrentFile calls; the owner holds the archive and closes the entry
// in it (unzCloseCurrentFile), leaving the archive open.
struct UnzipEntryTraits {
  using type = unzFile;
  static type invalid() { return nullptr; }
  static bool isValid(type archive) { return archive != nullptr; }
  static void close(type archive) { ::unzCloseCurrentFile(archive); }
};

using UniqueUnzipFile = UniqueResource<UnzipFileTraits>;
using UniqueUnzipEntry = UniqueResource<UnzipEntryTraits>;

// Closes the entry now and reports what unzCloseCurrentFile says (a CRC
// mismatch shows there); UNZ_OK when no entry is held.
inline int closeUnzipEntry(UniqueUnzipEntry& entry) { return entry ? ::unzCloseCurrentFile(entry.release()) : UNZ_OK; }

}  // namespace tavrin
