// Owners of minizip's reading handles.
#pragma once

#include <unzip.h>

#include <memory>

namespace tavrin {

struct UnzipCloser {
  void operator()(void* archive) const { unzClose(archive); }
};

// An archive opened with unzOpen2_64; unzFile is a plain pointer.
using UniqueUnzipFile = std::unique_ptr<void, UnzipCloser>;

// The data of the archive's current entry, opened with one of the
// unzOpenCurrentFile calls. `close` reports what unzCloseCurrentFile says
// (a CRC mismatch shows there); the destructor closes an entry left open.
class OpenEntryData {
 public:
  OpenEntryData() = default;
  explicit OpenEntryData(unzFile archive) : archive_(archive) {}
  ~OpenEntryData() { close(); }
  // Takes charge of the entry data just opened on `archive`.
  void adopt(unzFile archive) {
    close();
    archive_ = archive;
  }
  OpenEntryData(const OpenEntryData&) = delete;
  OpenEntryData& operator=(const OpenEntryData&) = delete;

  int close() {
    if (archive_ == nullptr) return UNZ_OK;
    int status = unzCloseCurrentFile(archive_);
    archive_ = nullptr;
    return status;
  }

 private:
  unzFile archive_ = nullptr;
};

}  // namespace tavrin
