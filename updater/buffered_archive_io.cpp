#include "buffered_archive_io.h"

// iowin32.h needs the zlib types from unzip.h first.
// Newer zlib headers no longer define the prototype macro iowin32.h uses.
#ifndef OF
#define OF(args) args
#endif
#include <iowin32.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace tavrin {

namespace {

constexpr size_t kBlockBytes = 64 * 1024;

// One open archive: the Win32 stream underneath, the block last read from
// it, and the position minizip reads from next.
struct BlockReadingStream {
  zlib_filefunc64_def file = {};  // the Win32 layer
  voidpf fileStream = nullptr;
  ZPOS64_T filePosition = 0;      // where the Win32 stream stands
  bool filePositionKnown = true;  // a failed seek leaves it unknown
  std::vector<unsigned char> block;
  ZPOS64_T blockStart = 0;
  size_t blockLength = 0;
  ZPOS64_T position = 0;
};

BlockReadingStream* streamOf(voidpf stream) { return static_cast<BlockReadingStream*>(stream); }

bool moveFileTo(BlockReadingStream& stream, ZPOS64_T offset) {
  if (stream.filePositionKnown && stream.filePosition == offset) return true;
  if (stream.file.zseek64_file(stream.file.opaque, stream.fileStream, offset, ZLIB_FILEFUNC_SEEK_SET) != 0) {
    stream.filePositionKnown = false;
    return false;
  }
  stream.filePosition = offset;
  stream.filePositionKnown = true;
  return true;
}

uLong readFile(BlockReadingStream& stream, void* buffer, uLong size) {
  uLong read = stream.file.zread_file(stream.file.opaque, stream.fileStream, buffer, size);
  stream.filePosition += read;
  return read;
}

// Reads the block that starts at the current position; false at the end
// of the file or on a failure.
bool fillBlock(BlockReadingStream& stream) {
  stream.blockLength = 0;
  if (!moveFileTo(stream, stream.position)) return false;
  if (stream.block.empty()) stream.block.resize(kBlockBytes);
  stream.blockStart = stream.position;
  stream.blockLength = readFile(stream, stream.block.data(), static_cast<uLong>(stream.block.size()));
  return stream.blockLength > 0;
}

// Copies what the block holds from the current position on; 0 when the
// position lies outside it.
size_t copyFromBlock(BlockReadingStream& stream, unsigned char* out, size_t wanted) {
  if (stream.position < stream.blockStart || stream.position >= stream.blockStart + stream.blockLength) return 0;
  size_t offset = static_cast<size_t>(stream.position - stream.blockStart);
  size_t count = std::min(stream.blockLength - offset, wanted);
  std::memcpy(out, stream.block.data() + offset, count);
  stream.position += count;
  return count;
}

voidpf ZCALLBACK openStream(voidpf, const void* path, int mode) {
  if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ) return nullptr;
  zlib_filefunc64_def file = {};
  ::fill_win32_filefunc64W(&file);
  voidpf fileStream = file.zopen64_file(file.opaque, path, mode);
  if (fileStream == nullptr) return nullptr;
  auto* stream = new (std::nothrow) BlockReadingStream;
  if (stream == nullptr) {
    file.zclose_file(file.opaque, fileStream);
    return nullptr;
  }
  stream->file = file;
  stream->fileStream = fileStream;
  return stream;
}

uLong ZCALLBACK readStream(voidpf, voidpf handle, void* buffer, uLong size) {
  BlockReadingStream& stream = *streamOf(handle);
  auto* out = static_cast<unsigned char*>(buffer);
  size_t done = 0;
  while (done < size) {
    size_t copied = copyFromBlock(stream, out + done, size - done);
    done += copied;
    if (copied > 0) continue;
    if (size - done >= kBlockBytes) {  // large reads skip the block
      if (!moveFileTo(stream, stream.position)) break;
      uLong read = readFile(stream, out + done, static_cast<uLong>(size - done));
      stream.position += read;
      done += read;
      break;
    }
    if (!fillBlock(stream)) break;
  }
  return static_cast<uLong>(done);
}

uLong ZCALLBACK writeStream(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK tellStream(voidpf, voidpf handle) { return streamOf(handle)->position; }

long ZCALLBACK seekStream(voidpf, voidpf handle, ZPOS64_T offset, int origin) {
  BlockReadingStream& stream = *streamOf(handle);
  switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET:
      stream.position = offset;
      return 0;
    case ZLIB_FILEFUNC_SEEK_CUR:
      stream.position += offset;
      return 0;
    case ZLIB_FILEFUNC_SEEK_END: {
      // The file's end is only known to the file itself.
      stream.filePositionKnown = false;
      if (stream.file.zseek64_file(stream.file.opaque, stream.fileStream, offset, ZLIB_FILEFUNC_SEEK_END) != 0) {
        return -1;
      }
      ZPOS64_T end = stream.file.ztell64_file(stream.file.opaque, stream.fileStream);
      if (end == static_cast<ZPOS64_T>(-1)) return -1;
      stream.filePosition = end;
      stream.filePositionKnown = true;
      stream.position = end;
      return 0;
    }
    default:
      return -1;
  }
}

int ZCALLBACK closeStream(voidpf, voidpf handle) {
  BlockReadingStream* stream = streamOf(handle);
  int result = stream->file.zclose_file(stream->file.opaque, stream->fileStream);
  delete stream;
  return result;
}

int ZCALLBACK streamError(voidpf, voidpf handle) {
  BlockReadingStream& stream = *streamOf(handle);
  return stream.file.zerror_file(stream.file.opaque, stream.fileStream);
}

}  // namespace

void fillBlockReadingFileFunctions(zlib_filefunc64_def* functions) {
  functions->zopen64_file = openStream;
  functions->zread_file = readStream;
  functions->zwrite_file = writeStream;
  functions->ztell64_file = tellStream;
  functions->zseek64_file = seekStream;
  functions->zclose_file = closeStream;
  functions->zerror_file = streamError;
  functions->opaque = nullptr;
}

}  // namespace tavrin
