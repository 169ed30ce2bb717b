// A file layer for minizip that reads the archive in blocks.
//
// minizip parses every header a byte or two at a time; through the plain
// Win32 layer (iowin32) each of those reads is a ReadFile of its own, some
// two hundred per entry. This layer keeps one block of the archive in memory
// and serves such reads from it. Reads of a block or more go straight to the
// file. Reading only: the layer does not write.
#pragma once

#include <unzip.h>

namespace tavrin {

// Fills `functions` for unzOpen2_64 with a path given as UTF-16 text.
void fillBlockReadingFileFunctions(zlib_filefunc64_def* functions);

}  // namespace tavrin
