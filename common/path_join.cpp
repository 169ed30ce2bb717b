#include "path_join.h"

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

}  // namespace tavrin
