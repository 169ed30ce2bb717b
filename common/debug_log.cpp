#include "debug_log.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>

namespace tavrin {

void writeDebugOutput(const char* line) { ::OutputDebugStringA(line); }

void writeDebugOutput(const wchar_t* line) { ::OutputDebugStringW(line); }

void debugLog(const char* format, ...) {
  char message[1025] = {};
  va_list args;
  va_start(args, format);
  std::vsnprintf(message, sizeof(message), format, args);
  va_end(args);
  writeDebugOutput(message);
}

}  // namespace tavrin
