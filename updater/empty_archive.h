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

// The longest stretch at the end of an archive that can hold its
// end-of-central-directory record: the record and the longest comment.
constexpr size_t kEndRecordSearchSize = kEndRecordSize + 0xFFFF;

// True when `tail` (the last bytes of a file, at most kEndRecordSearchSize)
// holds the signature of an end-of-central-directory record with room for
// the whole record after it: the archive has an end, so an archive that
// does not open has a damaged directory rather than being cut short.
bool holdsEndRecord(const unsigned char* tail, size_t size);

// True when `head` begins with the signature of a local file header, as
// every archive with entries does.
bool beginsLikeAnArchive(const unsigned char* head, size_t size);

}  // namespace tavrin
