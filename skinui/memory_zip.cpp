#include "memory_zip.h"

#include <cstring>

#include "zip_handles.h"

namespace SkinUI {

namespace {

// The "file" the function table works on: a read-only view of the buffer.
struct MemoryFile {
  const uint8_t* data = nullptr;
  size_t size = 0;
  size_t position = 0;
};

voidpf ZCALLBACK OpenMemory(voidpf opaque, const char*, int mode) {
  if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ) return nullptr;
  auto* source = static_cast<const std::vector<uint8_t>*>(opaque);
  auto* file = new MemoryFile;
  file->data = source->data();
  file->size = source->size();
  return file;
}

uLong ZCALLBACK ReadMemory(voidpf, voidpf stream, void* buffer, uLong size) {
  auto* file = static_cast<MemoryFile*>(stream);
  size_t left = file->size - file->position;
  size_t count = size < left ? size : left;
  std::memcpy(buffer, file->data + file->position, count);
  file->position += count;
  return static_cast<uLong>(count);
}

uLong ZCALLBACK WriteMemory(voidpf, voidpf, const void*, uLong) { return 0; }

long ZCALLBACK TellMemory(voidpf, voidpf stream) {
  return static_cast<long>(static_cast<MemoryFile*>(stream)->position);
}

long ZCALLBACK SeekMemory(voidpf, voidpf stream, uLong offset, int origin) {
  auto* file = static_cast<MemoryFile*>(stream);
  size_t base;
  switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET:
      base = 0;
      break;
    case ZLIB_FILEFUNC_SEEK_CUR:
      base = file->position;
      break;
    case ZLIB_FILEFUNC_SEEK_END:
      base = file->size;
      break;
    default:
      return -1;
  }
  if (base + offset > file->size) return -1;
  file->position = base + offset;
  return 0;
}

int ZCALLBACK CloseMemory(voidpf, voidpf stream) {
  delete static_cast<MemoryFile*>(stream);
  return 0;
}

int ZCALLBACK ErrorMemory(voidpf, voidpf) { return 0; }

constexpr int kCaseInsensitive = 2;

}  // namespace

bool ReadZipMember(const std::vector<uint8_t>& archive, const std::string& memberName, std::vector<uint8_t>& bytes) {
  zlib_filefunc_def functions{};
  functions.zopen_file = OpenMemory;
  functions.zread_file = ReadMemory;
  functions.zwrite_file = WriteMemory;
  functions.ztell_file = TellMemory;
  functions.zseek_file = SeekMemory;
  functions.zclose_file = CloseMemory;
  functions.zerror_file = ErrorMemory;
  functions.opaque = const_cast<std::vector<uint8_t>*>(&archive);
  tavrin::UniqueUnzipFile zip(unzOpen2("membuffer", &functions));
  if (!zip) return false;
  if (unzLocateFile(zip.get(), memberName.c_str(), kCaseInsensitive) != UNZ_OK) return false;
  unz_file_info info{};
  if (unzGetCurrentFileInfo(zip.get(), &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) return false;
  if (unzOpenCurrentFile(zip.get()) != UNZ_OK) return false;
  tavrin::UniqueUnzipEntry member(zip.get());
  std::vector<uint8_t> content(info.uncompressed_size);
  size_t done = 0;
  while (done < content.size()) {
    int read = unzReadCurrentFile(zip.get(), content.data() + done, static_cast<unsigned>(content.size() - done));
    if (read <= 0) return false;
    done += static_cast<size_t>(read);
  }
  // Closing the member checks its CRC.
  if (tavrin::closeUnzipEntry(member) != UNZ_OK) return false;
  bytes.swap(content);
  return true;
}

}  // namespace SkinUI
