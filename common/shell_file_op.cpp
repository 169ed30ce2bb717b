#include "shell_file_op.h"

#include <windows.h>
#include <shellapi.h>

#include <vector>

namespace tavrin {

namespace {

constexpr FILEOP_FLAGS kSilentShellFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI;

// A one-entry path list for the shell: the path followed by two NULs.
std::vector<char> shellPathList(const std::string& path) {
  std::vector<char> list(path.begin(), path.end());
  list.push_back('\0');
  list.push_back('\0');
  return list;
}

void shellOperation(UINT operation, const std::string& from, const std::string& to) {
  std::vector<char> fromList = shellPathList(from);
  std::vector<char> toList = shellPathList(to);
  SHFILEOPSTRUCTA request = {};
  request.wFunc = operation;
  request.pFrom = fromList.data();
  request.pTo = to.empty() ? nullptr : toList.data();
  request.fFlags = kSilentShellFlags;
  ::SHFileOperationA(&request);
}

}  // namespace

void shellDelete(const std::string& path) { shellOperation(FO_DELETE, path, std::string()); }

void shellCopy(const std::string& from, const std::string& to) { shellOperation(FO_COPY, from, to); }

}  // namespace tavrin
