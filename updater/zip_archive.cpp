#include "zip_archive.h"

#include <unzip.h>

#include <climits>
#include <optional>
#include <vector>

#include "archive_name.h"
#include "buffered_archive_io.h"
#include "empty_archive.h"
#include "entry_metadata.h"
#include "handles.h"
#include "pkware_check.h"
#include "staged_target.h"
#include "text_convert.h"
#include "zip_handles.h"

namespace tavrin {

namespace {

constexpr size_t kTransferBufferSize = 16384;
constexpr size_t kBaseFolderMaxLength = 259;
constexpr uLong kStoredNameMaxBytes = 260;
constexpr size_t kLookupNameMaxBytes = 255;
constexpr uLong kEncryptedFlag = 0x1;
constexpr uLong kUtf8NameFlag = 0x800;                           // general-purpose bit 11: the name is UTF-8
constexpr int kCaseInsensitive = 2;                              // unzLocateFile: ASCII letters without regard to case
constexpr DWORD kEmptyArchiveMaxSize = kEndRecordSize + 0xFFFF;  // the record and the longest comment

// What extraction needs beyond the public description of an entry.
struct EntryRecord {
  ZipEntry entry;
  uLong flags = 0;
  uLong crc = 0;
  uLong dosDateTime = 0;
  ZPOS64_T uncompressedSize = 0;
  bool storedInNamespaceForm = false;
};

}  // namespace

struct ZipReaderState {
  UniqueUnzipFile archive;  // null for an archive without entries
  bool withoutEntries = false;
  std::wstring baseFolder;
  std::optional<std::string> password;
  std::optional<EntryRecord> lastEntry;  // so that asking twice reads the archive once
  int currentIndex = -1;                 // minizip's current entry, -1 when unknown
  std::vector<char> transferBuffer;      // allocated at the first extraction
  std::wstring lastFolderMade;           // entries come folder by folder: its folders exist already
};

namespace {

ZipResult checkHandle(const ZipReaderState* zip) {
  if (zip == nullptr || (!zip->archive && !zip->withoutEntries)) return kZipBadArgument;
  return kZipOk;
}

ZipResult fromMinizip(int status) {
  switch (status) {
    case UNZ_OK:
      return kZipOk;
    case UNZ_END_OF_LIST_OF_FILE:
    case UNZ_PARAMERROR:
      return kZipBadArgument;
    case UNZ_BADZIPFILE:
      return kZipDirectoryDamaged;
    case UNZ_CRCERROR:
      return kZipInflateFailed;
    default:  // UNZ_ERRNO, UNZ_INTERNALERROR
      return kZipReadFailed;
  }
}

bool endsWithSeparator(const std::wstring& path) {
  return !path.empty() && (path.back() == L'\\' || path.back() == L'/');
}

std::wstring currentDirectory() {
  wchar_t buffer[MAX_PATH + 1] = {};
  DWORD length = ::GetCurrentDirectoryW(MAX_PATH + 1, buffer);
  if (length == 0 || length > MAX_PATH) return std::wstring();
  return buffer;
}

// The base folder always ends in a separator; one that would not fit in
// 259 characters is refused rather than cut, since a cut folder is another
// folder.
ZipResult assignBaseFolder(ZipReaderState& zip, std::wstring folder) {
  if (!endsWithSeparator(folder)) folder += L'/';
  if (folder.size() > kBaseFolderMaxLength) return kZipBadArgument;
  zip.baseFolder = folder;
  return kZipOk;
}

FILETIME toFileTime(uint64_t count) {
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(count & 0xFFFFFFFFu);
  time.dwHighDateTime = static_cast<DWORD>(count >> 32);
  return time;
}

// The DOS stamp is a local time; the files get UTC.
FILETIME dosStampToUtc(uLong dosDateTime) {
  FILETIME local = {};
  FILETIME utc = {};
  if (!::DosDateTimeToFileTime(HIWORD(dosDateTime), LOWORD(dosDateTime), &local)) return FILETIME{};
  if (!::LocalFileTimeToFileTime(&local, &utc)) return FILETIME{};
  return utc;
}

void applyTimes(ZipEntry& entry, uLong dosDateTime, const std::vector<unsigned char>& extra) {
  FILETIME stamp = dosStampToUtc(dosDateTime);
  entry.accessTime = entry.creationTime = entry.modificationTime = stamp;
  std::optional<ExtendedTimes> extended = findExtendedTimes(extra.data(), extra.size());
  if (!extended) return;
  if (extended->modification) entry.modificationTime = toFileTime(*extended->modification);
  if (extended->access) entry.accessTime = toFileTime(*extended->access);
  if (extended->creation) entry.creationTime = toFileTime(*extended->creation);
}

ZipResult countEntries(ZipReaderState& zip, int* count) {
  if (zip.withoutEntries) {
    *count = 0;
    return kZipOk;
  }
  unz_global_info64 info = {};
  int status = ::unzGetGlobalInfo64(zip.archive.get(), &info);
  if (status != UNZ_OK) return fromMinizip(status);
  *count = info.number_entry > static_cast<ZPOS64_T>(INT_MAX) ? INT_MAX : static_cast<int>(info.number_entry);
  return kZipOk;
}

// minizip walks the central directory forwards only.
ZipResult goToEntry(ZipReaderState& zip, int index) {
  unzFile archive = zip.archive.get();
  if (zip.currentIndex < 0 || index < zip.currentIndex) {
    int status = ::unzGoToFirstFile(archive);
    if (status != UNZ_OK) {
      zip.currentIndex = -1;
      return fromMinizip(status);
    }
    zip.currentIndex = 0;
  }
  while (zip.currentIndex < index) {
    int status = ::unzGoToNextFile(archive);
    if (status != UNZ_OK) {
      zip.currentIndex = -1;
      return fromMinizip(status);
    }
    ++zip.currentIndex;
  }
  return kZipOk;
}

ZipResult readCurrentRecord(ZipReaderState& zip, int index, EntryRecord& record) {
  unzFile archive = zip.archive.get();
  unz_file_info64 info = {};
  char storedName[kStoredNameMaxBytes + 1] = {};
  int status = ::unzGetCurrentFileInfo64(archive, &info, storedName, kStoredNameMaxBytes, nullptr, 0, nullptr, 0);
  if (status != UNZ_OK) return fromMinizip(status);
  std::vector<unsigned char> extra(info.size_file_extra);
  if (!extra.empty()) {
    status = ::unzGetCurrentFileInfo64(archive, nullptr, nullptr, 0, extra.data(), static_cast<uLong>(extra.size()),
                                       nullptr, 0);
    if (status != UNZ_OK) return fromMinizip(status);
  }
  // A name flagged as UTF-8 is read as UTF-8, any other in the ANSI code
  // page; the clean-up and the checks of the name come after either.
  std::wstring converted = (info.flag & kUtf8NameFlag) ? utf8ToWide(storedName) : ansiToWide(storedName);
  record.entry.index = index;
  record.entry.name = cleanEntryName(converted);
  record.storedInNamespaceForm = hasNamespacePrefix(converted);
  record.entry.attributes =
      attributesFromHost(static_cast<uint16_t>(info.version), static_cast<uint32_t>(info.external_fa));
  applyTimes(record.entry, info.dosDate, extra);
  record.entry.compressedSize = static_cast<int32_t>(info.compressed_size);
  record.entry.uncompressedSize = static_cast<int32_t>(info.uncompressed_size);
  record.flags = info.flag;
  record.crc = info.crc;
  record.dosDateTime = info.dosDate;
  record.uncompressedSize = info.uncompressed_size;
  return kZipOk;
}

// The record of entry `index` (0 or more), read once while it stays the last
// one asked for.
ZipResult recordOf(ZipReaderState& zip, int index, const EntryRecord** record) {
  if (zip.lastEntry && zip.lastEntry->entry.index == index) {
    *record = &*zip.lastEntry;
    return kZipOk;
  }
  int count = 0;
  ZipResult result = countEntries(zip, &count);
  if (result != kZipOk) return result;
  if (index < 0 || index >= count) return kZipBadArgument;
  zip.lastEntry.reset();
  result = goToEntry(zip, index);
  if (result != kZipOk) return result;
  EntryRecord read;
  result = readCurrentRecord(zip, index, read);
  if (result != kZipOk) return result;
  zip.lastEntry = std::move(read);
  *record = &*zip.lastEntry;
  return kZipOk;
}

// Reads the whole file when it is small enough to be an archive without
// entries, and tells whether it is one.
bool holdsAnEmptyArchive(const wchar_t* path) {
  UniqueFileHandle file(
      ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  LARGE_INTEGER size = {};
  if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart > kEmptyArchiveMaxSize) return false;
  std::vector<unsigned char> bytes(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  if (!bytes.empty() && (!::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
                         read != bytes.size())) {
    return false;
  }
  return isEmptyArchive(bytes.data(), bytes.size());
}

bool readAt(HANDLE file, LONGLONG offset, std::vector<unsigned char>& bytes) {
  LARGE_INTEGER position = {};
  position.QuadPart = offset;
  DWORD read = 0;
  return ::SetFilePointerEx(file, position, nullptr, FILE_BEGIN) &&
         (bytes.empty() ||
          (::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) && read == bytes.size()));
}

// Why an archive does not open: a file that cannot be opened or holds no
// archive (0x200); an archive with its end but a directory that does not
// hold together (0x700); one that begins like an archive but has no end,
// as a cut transfer leaves it, or that cannot be read (0x800).
ZipResult whyArchiveDoesNotOpen(const wchar_t* path) {
  UniqueFileHandle file(
      ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return kZipCannotOpenFile;
  LARGE_INTEGER size = {};
  if (!::GetFileSizeEx(file.get(), &size)) return kZipReadFailed;
  std::vector<unsigned char> head(size.QuadPart < 4 ? static_cast<size_t>(size.QuadPart) : 4);
  size_t tailSize = size.QuadPart < static_cast<LONGLONG>(kEndRecordSearchSize) ? static_cast<size_t>(size.QuadPart)
                                                                                : kEndRecordSearchSize;
  std::vector<unsigned char> tail(tailSize);
  if (!readAt(file.get(), 0, head) || !readAt(file.get(), size.QuadPart - static_cast<LONGLONG>(tailSize), tail)) {
    return kZipReadFailed;
  }
  if (holdsEndRecord(tail.data(), tail.size())) return kZipDirectoryDamaged;
  return beginsLikeAnArchive(head.data(), head.size()) ? kZipReadFailed : kZipCannotOpenFile;
}

// Creates the missing folders of `relativePath` under `base`, one level
// after the other; with `includeLast` also the last component.
void createFoldersUnder(const std::wstring& base, const std::wstring& relativePath, bool includeLast) {
  for (size_t i = 0; i <= relativePath.size(); ++i) {
    bool atSeparator = i < relativePath.size() && (relativePath[i] == L'\\' || relativePath[i] == L'/');
    bool atEnd = i == relativePath.size() && includeLast;
    if ((!atSeparator && !atEnd) || i == 0) continue;
    std::wstring folder = longPathForm(base + relativePath.substr(0, i));  // beyond the path limit too
    if (!folder.empty() && ::GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES) {
      ::CreateDirectoryW(folder.c_str(), nullptr);
    }
  }
}

// Archives list the files of a folder together, so the folders of the
// previous file are not looked at again for the next one.
void createFoldersOnce(ZipReaderState& zip, const std::wstring& folderPart) {
  std::wstring folder = zip.baseFolder + folderPart;
  if (folder == zip.lastFolderMade) return;
  createFoldersUnder(zip.baseFolder, folderPart, false);
  zip.lastFolderMade = std::move(folder);
}

// A folder remembered as made may have been removed since the previous
// extraction: when the target cannot be created, its folders are made anew
// for one more try.
bool createTarget(ZipReaderState& zip, const std::wstring& folderPart, const std::wstring& target, DWORD attributes,
                  StagedTarget& file) {
  if (file.create(target, attributes)) return true;
  zip.lastFolderMade.clear();
  createFoldersOnce(zip, folderPart);
  return file.create(target, attributes);
}

// The traditional scheme lets the password be checked against the 12-byte
// header before anything is written: read it raw, decrypt it, compare the
// check byte.
ZipResult checkPassword(ZipReaderState& zip, const EntryRecord& record) {
  if (!zip.password) return kZipWrongPassword;
  unzFile archive = zip.archive.get();
  int method = 0;
  int level = 0;
  int status = ::unzOpenCurrentFile2(archive, &method, &level, 1);
  if (status != UNZ_OK) return fromMinizip(status);
  UniqueUnzipEntry raw(archive);
  unsigned char header[kEncryptionHeaderSize] = {};
  if (::unzReadCurrentFile(archive, header, sizeof(header)) != static_cast<int>(sizeof(header))) {
    return kZipInflateFailed;
  }
  raw.reset();
  uint8_t checkByte = encryptionCheckByte(static_cast<uint16_t>(record.flags), static_cast<uint32_t>(record.crc),
                                          static_cast<uint32_t>(record.dosDateTime));
  return passwordFitsHeader(*zip.password, header, checkByte) ? kZipOk : kZipWrongPassword;
}

// minizip applies a password to every entry it is given for, so it is
// passed for encrypted entries only.
ZipResult openEntryData(ZipReaderState& zip, const EntryRecord& record, UniqueUnzipEntry& data) {
  bool encrypted = (record.flags & kEncryptedFlag) != 0;
  if (encrypted) {
    ZipResult checked = checkPassword(zip, record);
    if (checked != kZipOk) return checked;
  }
  unzFile archive = zip.archive.get();
  int status = ::unzOpenCurrentFilePassword(archive, encrypted ? zip.password->c_str() : nullptr);
  if (status != UNZ_OK) return fromMinizip(status);
  data.reset(archive);
  return kZipOk;
}

// Data that fails to read, inflate or match its CRC, encrypted or not. For
// an encrypted entry the password has passed the header check by then; the
// one wrong password in 256 that passes it is not told apart from damage.
ZipResult dataFailure(const EntryRecord&) { return kZipInflateFailed; }

ZipResult copyEntryData(ZipReaderState& zip, const EntryRecord& record, HANDLE file) {
  unzFile archive = zip.archive.get();
  if (zip.transferBuffer.empty()) zip.transferBuffer.resize(kTransferBufferSize);
  ZPOS64_T written = 0;
  for (;;) {
    int read = ::unzReadCurrentFile(archive, zip.transferBuffer.data(), static_cast<unsigned>(kTransferBufferSize));
    if (read < 0) return dataFailure(record);
    if (read == 0) break;
    DWORD done = 0;
    if (!::WriteFile(file, zip.transferBuffer.data(), static_cast<DWORD>(read), &done, nullptr) ||
        done != static_cast<DWORD>(read)) {
      return kZipWriteFailed;
    }
    written += static_cast<ZPOS64_T>(read);
  }
  return written == record.uncompressedSize ? kZipOk : dataFailure(record);
}

ZipResult extractFile(ZipReaderState& zip, const EntryRecord& record, const std::wstring& relativeName) {
  size_t split = relativeName.find_last_of(L"\\/");
  std::wstring folderPart = split == std::wstring::npos ? std::wstring() : relativeName.substr(0, split + 1);
  std::wstring fileName = split == std::wstring::npos ? relativeName : relativeName.substr(split + 1);
  createFoldersOnce(zip, folderPart);
  std::wstring target = zip.baseFolder + folderPart + fileName;

  if (record.uncompressedSize == 0) {
    StagedTarget empty;
    return createTarget(zip, folderPart, target, record.entry.attributes, empty) && empty.commit() ? kZipOk
                                                                                                   : kZipCannotOpenFile;
  }
  // The data is opened (and the password checked) before the target is
  // created, so that a wrong password leaves an existing file as it was.
  ZipResult result = goToEntry(zip, record.entry.index);  // a lookup may have moved minizip on
  if (result != kZipOk) return result;
  UniqueUnzipEntry data;
  result = openEntryData(zip, record, data);
  if (result != kZipOk) return result;
  StagedTarget file;
  if (!createTarget(zip, folderPart, target, record.entry.attributes, file)) return kZipCannotOpenFile;
  result = copyEntryData(zip, record, file.file());
  if (result != kZipOk) return result;
  int closed = closeUnzipEntry(data);
  if (closed != UNZ_OK) return closed == UNZ_CRCERROR ? dataFailure(record) : fromMinizip(closed);
  ::SetFileTime(file.file(), &record.entry.creationTime, &record.entry.accessTime, &record.entry.modificationTime);
  return file.commit() ? kZipOk : kZipCannotOpenFile;
}

ZipResult extractRecord(ZipReaderState& zip, const EntryRecord& record, const std::wstring& relativeName) {
  if (!staysInsideDestination(relativeName)) return kZipBadArgument;
  if (record.entry.attributes & kAttributeDirectory) {
    createFoldersUnder(zip.baseFolder, relativeName, true);
    return kZipOk;
  }
  return extractFile(zip, record, relativeName);
}

ZipResult extractByIndex(ZipReaderState* zip, int index, const wchar_t* relativeName) {
  ZipResult result = checkHandle(zip);
  if (result != kZipOk) return result;
  const EntryRecord* record = nullptr;
  result = recordOf(*zip, index, &record);
  if (result != kZipOk) return result;
  if (relativeName == nullptr) {
    if (record->storedInNamespaceForm) return kZipBadArgument;
    return extractRecord(*zip, *record, record->entry.name);
  }
  return extractRecord(*zip, *record, relativeName);
}

}  // namespace

ZipArchive::ZipArchive(std::unique_ptr<ZipReaderState> state) : m_state(std::move(state)) {}

ZipArchive::~ZipArchive() = default;

std::unique_ptr<ZipArchive> ZipArchive::open(const wchar_t* path, const char* password, ZipResult& result) {
  result = kZipBadArgument;
  if (path == nullptr) return nullptr;
  zlib_filefunc64_def fileFunctions = {};
  fillBlockReadingFileFunctions(&fileFunctions);
  UniqueUnzipFile archive(::unzOpen2_64(path, &fileFunctions));
  bool withoutEntries = !archive && holdsAnEmptyArchive(path);
  if (!archive && !withoutEntries) {
    result = whyArchiveDoesNotOpen(path);
    return nullptr;
  }
  auto state = std::make_unique<ZipReaderState>();
  state->archive = std::move(archive);
  state->withoutEntries = withoutEntries;
  if (password != nullptr) state->password = std::string(password);
  if (assignBaseFolder(*state, currentDirectory()) != kZipOk) state->baseFolder = L"/";
  result = kZipOk;
  return std::unique_ptr<ZipArchive>(new ZipArchive(std::move(state)));
}

ZipResult ZipArchive::setBaseFolder(const wchar_t* folder) {
  ZipResult result = checkHandle(m_state.get());
  if (result != kZipOk) return result;
  if (folder == nullptr) return kZipBadArgument;
  return assignBaseFolder(*m_state, folder);
}

ZipResult ZipArchive::describeEntry(int index, ZipEntry* entry) {
  ZipResult result = checkHandle(m_state.get());
  if (result != kZipOk) return result;
  if (entry == nullptr || index < -1) return kZipBadArgument;
  if (index == -1) {
    int count = 0;
    result = countEntries(*m_state, &count);
    if (result != kZipOk) return result;
    *entry = ZipEntry();
    entry->index = count;
    return kZipOk;
  }
  const EntryRecord* record = nullptr;
  result = recordOf(*m_state, index, &record);
  if (result != kZipOk) return result;
  *entry = record->entry;
  return kZipOk;
}

ZipResult ZipArchive::findEntry(const wchar_t* storedName, int* index) {
  ZipResult result = checkHandle(m_state.get());
  if (result != kZipOk) return result;
  if (storedName == nullptr || index == nullptr) return kZipBadArgument;
  std::string wanted = wideToUtf8(storedName);
  if (m_state->withoutEntries || wanted.empty() || wanted.size() > kLookupNameMaxBytes) return kZipEntryNotFound;
  unzFile archive = m_state->archive.get();
  int status = ::unzLocateFile(archive, wanted.c_str(), kCaseInsensitive);
  if (status == UNZ_END_OF_LIST_OF_FILE) return kZipEntryNotFound;
  if (status != UNZ_OK) return fromMinizip(status);
  unz_file_pos position = {};
  status = ::unzGetFilePos(archive, &position);
  if (status != UNZ_OK) {
    m_state->currentIndex = -1;
    return fromMinizip(status);
  }
  m_state->currentIndex = static_cast<int>(position.num_of_file);
  *index = m_state->currentIndex;
  return kZipOk;
}

ZipResult ZipArchive::extractEntry(int index, const wchar_t* relativeName) {
  if (relativeName == nullptr) return kZipBadArgument;
  return extractByIndex(m_state.get(), index, relativeName);
}

ZipResult ZipArchive::extractEntryUnderItsName(int index) { return extractByIndex(m_state.get(), index, nullptr); }

}  // namespace tavrin
