#include "process_start.h"

#include <vector>

namespace tavrin {

bool startProcessA(const std::string& commandLine, ProcessHandles& started, DWORD& error) {
  std::vector<char> mutableLine(commandLine.begin(), commandLine.end());
  mutableLine.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  if (!::CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    error = ::GetLastError();
    return false;
  }
  started = ProcessHandles::adopt(info);
  error = 0;
  return true;
}

}  // namespace tavrin
