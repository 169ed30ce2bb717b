// Benchmark baseline for applying an update package: the least an extractor
// on the same minizip and zlib has to do. It decrypts, inflates and writes
// every entry and creates the folders the entries need, nothing else: no
// name clean-up beyond refusing "..", no attributes, no times, no messages.
// It reads the archive through the same Win32 file layer (iowin32) and
// moves the data in pieces of the same size (16384 bytes) as the updater.
//
//   bench_unzip ARCHIVE DESTINATION PASSWORD
//
// Exit code: 0 when every entry was written and its CRC matched, 1 on the
// first failure, 2 for a bad command line.
#include <windows.h>
#include <shellapi.h>

#include <unzip.h>
// iowin32.h needs the zlib types from unzip.h first.
#include <iowin32.h>

#include <string>
#include <vector>

#include "handles.h"
#include "text_convert.h"
#include "zip_handles.h"

namespace {

constexpr unsigned kPieceSize = 16384;
constexpr unsigned long kEncryptedFlag = 0x1;

bool HasParentStep(const std::wstring& name) {
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find_first_of(L"\\/", start);
    if (end == std::wstring::npos) end = name.size();
    if (name.compare(start, end - start, L"..") == 0) return true;
    start = end + 1;
  }
  return false;
}

// Creates each folder of `relative` (up to its last separator) under `base`.
void CreateFoldersFor(const std::wstring& base, const std::wstring& relative) {
  for (size_t i = 0; i < relative.size(); ++i) {
    if (relative[i] == L'\\') ::CreateDirectoryW((base + relative.substr(0, i)).c_str(), nullptr);
  }
}

bool CopyEntryData(unzFile archive, HANDLE file, std::vector<char>& piece) {
  for (;;) {
    int read = unzReadCurrentFile(archive, piece.data(), kPieceSize);
    if (read < 0) return false;
    if (read == 0) return true;
    DWORD written = 0;
    if (!::WriteFile(file, piece.data(), static_cast<DWORD>(read), &written, nullptr) ||
        written != static_cast<DWORD>(read)) {
      return false;
    }
  }
}

bool ExtractCurrent(unzFile archive, const std::wstring& base, const char* password, std::vector<char>& piece) {
  unz_file_info64 info = {};
  char storedName[1024] = {};
  if (unzGetCurrentFileInfo64(archive, &info, storedName, sizeof(storedName) - 1, nullptr, 0, nullptr, 0) != UNZ_OK) {
    return false;
  }
  std::wstring name = tavrin::ansiToWide(storedName);
  for (wchar_t& c : name) {
    if (c == L'/') c = L'\\';
  }
  if (name.empty() || name[0] == L'\\' || name.find(L':') != std::wstring::npos || HasParentStep(name)) return false;
  CreateFoldersFor(base, name);
  if (name.back() == L'\\') return true;

  if (unzOpenCurrentFilePassword(archive, (info.flag & kEncryptedFlag) ? password : nullptr) != UNZ_OK) return false;
  tavrin::UniqueUnzipEntry entry(archive);
  tavrin::UniqueFileHandle file(
      ::CreateFileW((base + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file || !CopyEntryData(archive, file.get(), piece)) return false;
  return tavrin::closeUnzipEntry(entry) == UNZ_OK;
}

int ExtractAll(const std::wstring& archivePath, std::wstring base, const std::string& password) {
  zlib_filefunc64_def fileFunctions = {};
  fill_win32_filefunc64W(&fileFunctions);
  tavrin::UniqueUnzipFile archive(unzOpen2_64(archivePath.c_str(), &fileFunctions));
  if (!archive) return 1;
  if (base.empty() || base.back() != L'\\') base += L'\\';
  ::CreateDirectoryW(base.c_str(), nullptr);
  std::vector<char> piece(kPieceSize);
  int status = unzGoToFirstFile(archive.get());
  while (status == UNZ_OK) {
    if (!ExtractCurrent(archive.get(), base, password.c_str(), piece)) return 1;
    status = unzGoToNextFile(archive.get());
  }
  return status == UNZ_END_OF_LIST_OF_FILE ? 0 : 1;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  int count = 0;
  tavrin::UniqueLocalMemory memory(::CommandLineToArgvW(::GetCommandLineW(), &count));
  wchar_t** argv = static_cast<wchar_t**>(memory.get());
  if (argv == nullptr || count != 4) return 2;
  return ExtractAll(argv[1], argv[2], tavrin::wideToAnsi(argv[3]));
}
