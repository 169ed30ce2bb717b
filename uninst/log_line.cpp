#include "log_line.h"

#include <cwchar>

namespace tavrin::uninst {

namespace {

constexpr size_t kTimeBufferChars = 64;
constexpr size_t kLineBufferChars = 4096;

const wchar_t* LineTemplate(int level) {
  switch (level) {
    case kLogInfo:
      return L"[%d][%s][INFO]%s";
    case kLogWarn:
      return L"[%d][%s][WARN]%s";
    case kLogError:
      return L"[%d][%s][ERROR]%s";
    default:
      return L"[%d][%s][DEBUG]%s";
  }
}

}  // namespace

const wchar_t* LogTag(int level) {
  switch (level) {
    case kLogInfo:
      return L"INFO";
    case kLogWarn:
      return L"WARN";
    case kLogError:
      return L"ERROR";
    default:
      return L"DEBUG";
  }
}

std::wstring FormatLogTime(const SYSTEMTIME& time) {
  wchar_t buffer[kTimeBufferChars] = {};
  ::wsprintfW(buffer, L"%d-%02d-%02d %02d:%02d:%02d.%03d", time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute,
              time.wSecond, time.wMilliseconds);
  return buffer;
}

std::wstring FormatLogLine(DWORD threadId, const SYSTEMTIME& time, int level, const std::wstring& message) {
  std::wstring stamp = FormatLogTime(time);
  wchar_t line[kLineBufferChars] = {};
  ::_snwprintf(line, kLineBufferChars - 1, LineTemplate(level), static_cast<int>(threadId), stamp.c_str(),
               message.c_str());
  return line;
}

}  // namespace tavrin::uninst
