#include "rm_switch.h"

#include <windows.h>

#include <cctype>
#include <cstdint>
#include <cstring>
#include <vector>

#include "handles.h"
#include "path_join.h"
#include "shell_file_op.h"

namespace tavrin {

namespace {

std::string longPathOf(const std::string& path) {
  DWORD needed = ::GetLongPathNameA(path.c_str(), nullptr, 0);
  if (needed == 0) return std::string();
  std::vector<char> buffer(needed + 1, '\0');
  DWORD length = ::GetLongPathNameA(path.c_str(), buffer.data(), needed + 1);
  if (length == 0 || length > needed) return std::string();
  return std::string(buffer.data(), length);
}

std::string temporaryFolder() {
  char buffer[MAX_PATH + 1] = {};
  DWORD length = ::GetTempPathA(MAX_PATH + 1, buffer);
  if (length == 0 || length > MAX_PATH) return std::string();
  return withoutTrailingSeparators(longPathOf(buffer));
}

uint64_t ticksOf(const FILETIME& time) {
  return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

bool isOlderThanADay(const FILETIME& time, const FILETIME& now) {
  constexpr uint64_t kDayIn100ns = 24ull * 60 * 60 * 10000000;
  return ticksOf(time) + kDayIn100ns < ticksOf(now);
}

bool isRefusedText(const char* path) {
  return std::strcmp(path, "*") == 0 || std::strcmp(path, ".") == 0 || std::strcmp(path, "..") == 0;
}

}  // namespace

bool isBracedGuidName(const std::string& name) {
  static const char kPattern[] = "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}";
  if (name.size() != sizeof(kPattern) - 1) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    if (kPattern[i] == 'x') {
      if (!std::isxdigit(static_cast<unsigned char>(name[i]))) return false;
    } else if (name[i] != kPattern[i]) {
      return false;
    }
  }
  return true;
}

bool isUpdaterWorkFolder(const std::string& path) {
  if (path.empty() || path.find_first_of("*?") != std::string::npos) return false;
  DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return false;  // a link leads elsewhere
  std::string folder = withoutTrailingSeparators(longPathOf(path));
  size_t cut = folder.find_last_of("\\/");
  if (cut == std::string::npos) return false;
  std::string parent = folder.substr(0, cut);
  std::string temp = temporaryFolder();
  return !temp.empty() && ::_stricmp(parent.c_str(), temp.c_str()) == 0 && isBracedGuidName(folder.substr(cut + 1));
}

std::string findFolderToRemove(int argc, char** argv) {
  for (int i = 1; i + 1 < argc; ++i) {
    if (::_stricmp(argv[i], "-rm") != 0) continue;
    const char* path = argv[i + 1];
    if (isRefusedText(path) || !isUpdaterWorkFolder(path)) continue;
    return path;
  }
  return std::string();
}

void removeUpdaterFolder(const std::string& path) {
  ::Sleep(500);
  shellDelete(path);
}

void removeStaleUpdaterFolders() {
  const std::string temp = temporaryFolder();
  if (temp.empty()) return;
  FILETIME now = {};
  ::GetSystemTimeAsFileTime(&now);
  WIN32_FIND_DATAA found = {};
  UniqueFindHandle find(::FindFirstFileA((temp + "\\{*}").c_str(), &found));
  if (!find) return;
  do {
    const DWORD attributes = found.dwFileAttributes;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) continue;
    if (!isBracedGuidName(found.cFileName)) continue;
    if (!isOlderThanADay(found.ftCreationTime, now) || !isOlderThanADay(found.ftLastWriteTime, now)) continue;
    const std::string folder = temp + "\\" + found.cFileName;
    const DWORD updater = ::GetFileAttributesA((folder + "\\Mirup.exe").c_str());
    if (updater == INVALID_FILE_ATTRIBUTES || (updater & FILE_ATTRIBUTE_DIRECTORY)) continue;
    shellDelete(folder);
  } while (::FindNextFileA(find.get(), &found));
}

}  // namespace tavrin
