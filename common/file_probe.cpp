#include "file_probe.h"

#include <direct.h>
#include <io.h>

#include <cstdio>

#include "handles.h"

namespace tavrin {

bool ansiPathExists(const std::string& path) { return !path.empty() && ::_access(path.c_str(), 0) == 0; }

bool makeDirTree(const std::string& path) {
  if (path.empty()) return false;
  if (ansiPathExists(path)) return true;
  for (size_t i = 0; i < path.size(); ++i) {
    bool separator = path[i] == '\\' || path[i] == '/';
    bool last = i + 1 == path.size();
    if (!separator && !last) continue;
    std::string candidate = separator ? path.substr(0, i) : path;
    if (candidate.empty() || ansiPathExists(candidate)) continue;
    if (::_mkdir(candidate.c_str()) != 0) return false;
  }
  return true;
}

int64_t getFileSize(const std::string& path) {
  UniqueCFile file(std::fopen(path.c_str(), "rb"));
  if (!file) return 0;
  if (::_fseeki64(file.get(), 0, SEEK_END) != 0) return 0;
  int64_t size = ::_ftelli64(file.get());
  return size < 0 ? 0 : size;
}

}  // namespace tavrin
