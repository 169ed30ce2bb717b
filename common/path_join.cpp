#include "path_join.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace tavrin {

namespace {

std::string formatBoundedV(std::size_t bufferSize, const char* format, va_list args) {
  if (bufferSize == 0) return std::string();
  std::vector<char> buffer(bufferSize, '\0');
  std::vsnprintf(buffer.data(), bufferSize, format, args);
  return std::string(buffer.data());
}

}  // namespace

std::string formatBounded(std::size_t bufferSize, const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = formatBoundedV(bufferSize, format, args);
  va_end(args);
  return text;
}

std::string joinPath(const std::string& dir, const std::string& name) {
  return formatBounded(kPathBufferSize, "%s\\%s", dir.c_str(), name.c_str());
}

std::string withoutTrailingSeparators(const std::string& path) {
  size_t keep = 0;  // the length up to the end of the last character that is no separator
  for (size_t i = 0; i < path.size();) {
    const bool lead = ::IsDBCSLeadByte(static_cast<BYTE>(path[i])) && i + 1 < path.size();
    const size_t width = lead ? 2 : 1;
    if (lead || (path[i] != '\\' && path[i] != '/')) keep = i + width;
    i += width;
  }
  return path.substr(0, keep);
}

}  // namespace tavrin
