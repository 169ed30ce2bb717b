// Formatting of one uninstaller log line:
//   [thread id][yyyy-mm-dd hh:mm:ss.mmm][TAG]message
#pragma once

#include <windows.h>

#include <string>

namespace tavrin::uninst {

constexpr int kLogInfo = 1;
constexpr int kLogWarn = 2;
constexpr int kLogError = 3;

// "INFO", "WARN", "ERROR"; any other level is "DEBUG".
const wchar_t* LogTag(int level);

// "%d-%02d-%02d %02d:%02d:%02d.%03d" of a local time.
std::wstring FormatLogTime(const SYSTEMTIME& time);

// The finished line (without the line feed), cut to the 4096-character
// line buffer.
std::wstring FormatLogLine(DWORD threadId, const SYSTEMTIME& time, int level, const std::wstring& message);

}  // namespace tavrin::uninst
