// Benchmark helper: starts programs from inside Windows and times them.
//
//   bench_probe run [--out FILE] PROGRAM [ARGS...]
//       Takes the system time (a FILETIME, the clock the stand-in browser
//       stamps its start with) right before CreateProcessW, waits for the
//       program to end (at most 30 minutes) and writes one JSON line:
//       {"start_filetime":N,"elapsed_ms":X,"exit_code":C}
//       to FILE, or to standard output without --out.
//   bench_probe relay PROGRAM [ARGS...]
//       Starts the program and ends at once: the least a program can do to
//       start another one, the reference for the launcher's own start work.
//
// Exit code: 0, or 2 for a bad command line, 3 when the program could not
// be started or did not end in time.
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "handles.h"

namespace {

constexpr DWORD kRunTimeoutMs = 30 * 60 * 1000;

std::vector<std::wstring> Arguments() {
  int count = 0;
  tavrin::UniqueLocalMemory memory(::CommandLineToArgvW(::GetCommandLineW(), &count));
  wchar_t** raw = static_cast<wchar_t**>(memory.get());
  std::vector<std::wstring> arguments;
  for (int i = 1; raw != nullptr && i < count; ++i) arguments.push_back(raw[i]);
  return arguments;
}

// One argument quoted so that CommandLineToArgvW and the C runtime give it
// back unchanged.
std::wstring QuoteArgument(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
  std::wstring quoted = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"')
      quoted.append(backslashes * 2 + 1, L'\\');
    else
      quoted.append(backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');
  quoted += L'"';
  return quoted;
}

std::wstring CommandLineFrom(const std::vector<std::wstring>& arguments, size_t first) {
  std::wstring line;
  for (size_t i = first; i < arguments.size(); ++i) {
    if (!line.empty()) line += L' ';
    line += QuoteArgument(arguments[i]);
  }
  return line;
}

uint64_t NowFileTime() {
  using PreciseFn = void(WINAPI*)(FILETIME*);
  static const auto precise = reinterpret_cast<PreciseFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "GetSystemTimePreciseAsFileTime")));
  FILETIME now = {};
  if (precise != nullptr) {
    precise(&now);
  } else {
    ::GetSystemTimeAsFileTime(&now);
  }
  return (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

bool StartProgram(std::wstring commandLine, tavrin::ProcessHandles& started) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  if (!::CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &info)) {
    return false;
  }
  started = tavrin::ProcessHandles::adopt(info);
  return true;
}

bool WriteLine(const std::wstring& outPath, const std::string& line) {
  if (outPath.empty()) {
    DWORD written = 0;
    return ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written,
                       nullptr) != FALSE;
  }
  tavrin::UniqueFileHandle file(
      ::CreateFileW(outPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  return file && ::WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) != FALSE;
}

int RunAndTime(const std::vector<std::wstring>& arguments) {
  size_t first = 1;
  std::wstring outPath;
  if (arguments.size() > 2 && arguments[1] == L"--out") {
    outPath = arguments[2];
    first = 3;
  }
  if (first >= arguments.size()) return 2;
  std::wstring commandLine = CommandLineFrom(arguments, first);

  LARGE_INTEGER frequency = {};
  LARGE_INTEGER before = {};
  LARGE_INTEGER after = {};
  ::QueryPerformanceFrequency(&frequency);
  tavrin::ProcessHandles started;
  uint64_t startFileTime = NowFileTime();
  ::QueryPerformanceCounter(&before);
  if (!StartProgram(commandLine, started)) return 3;
  if (::WaitForSingleObject(started.process.get(), kRunTimeoutMs) != WAIT_OBJECT_0) return 3;
  ::QueryPerformanceCounter(&after);

  DWORD exitCode = 0;
  ::GetExitCodeProcess(started.process.get(), &exitCode);
  double elapsedMs =
      static_cast<double>(after.QuadPart - before.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
  char line[160] = {};
  std::snprintf(line, sizeof(line), "{\"start_filetime\":%llu,\"elapsed_ms\":%.3f,\"exit_code\":%lu}\n",
                static_cast<unsigned long long>(startFileTime), elapsedMs, static_cast<unsigned long>(exitCode));
  return WriteLine(outPath, line) ? 0 : 3;
}

int Relay(const std::vector<std::wstring>& arguments) {
  if (arguments.size() < 2) return 2;
  tavrin::ProcessHandles started;
  return StartProgram(CommandLineFrom(arguments, 1), started) ? 0 : 3;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  std::vector<std::wstring> arguments = Arguments();
  if (arguments.empty()) return 2;
  if (arguments[0] == L"run") return RunAndTime(arguments);
  if (arguments[0] == L"relay") return Relay(arguments);
  return 2;
}
