#include "zip_log.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "debug_log.h"
#include "text_convert.h"

namespace tavrin {

namespace {

constexpr size_t kMessageBufferSize = 256;

std::string toAnsi(const char* utf8) { return wideToAnsi(utf8ToWide(utf8)); }

}  // namespace

void logZipFailure(const char* utf8Message, uint32_t code) {
  // The literals are UTF-8 in the source; the debugger output takes the
  // ANSI code page, so the format is converted too.
  static const std::string format = toAnsi("%s 错误代码：0x%08x");
  std::string message = toAnsi(utf8Message);
  char line[kMessageBufferSize] = {};
  std::snprintf(line, sizeof(line), format.c_str(), message.c_str(), static_cast<unsigned>(code));
  writeDebugOutput(line);
}

}  // namespace tavrin
