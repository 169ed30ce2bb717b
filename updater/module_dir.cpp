#include "module_dir.h"

#include <windows.h>

namespace tavrin {

std::string getModuleDir() {
  char path[MAX_PATH] = {};
  DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string full(path, length < MAX_PATH ? length : MAX_PATH - 1);
  size_t backslash = full.find_last_of('\\');
  return backslash == std::string::npos ? full : full.substr(0, backslash);
}

}  // namespace tavrin
