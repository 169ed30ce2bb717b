// An archive with no entries is nothing but its end-of-central-directory
// record, at the very start of the file; minizip does not look for the
// record there, so the reader recognises such an archive itself. No Windows
// header here.
#pragma once

#include <cstddef>

namespace tavrin {

constexpr size_t kEndRecordSize = 22;

// True when `bytes` (the whole file) is exactly one end-of-central-directory
// record of a single-disk archive with no entries, and its comment.
bool isEmptyArchive(const unsigned char* bytes, size_t size);

}  // namespace tavrin
