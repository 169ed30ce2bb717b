// Diagnostics of the launcher and the updater: the bare message, formatted
// printf-style into 1025 bytes (at most 1024 characters), to the debugger
// output. Nothing is written to a file.
#pragma once

namespace tavrin {

// The one way out of the process for every program's diagnostics: the
// debugger output (OutputDebugStringA / OutputDebugStringW), line as given.
void writeDebugOutput(const char* line);
void writeDebugOutput(const wchar_t* line);

void debugLog(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

}  // namespace tavrin
