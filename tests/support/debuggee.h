// Runs a Windows program as a debuggee and collects every line it passes to
// the debugger output, in order, with its exit code. Our programs report
// everything there and nothing else, so tests assert the exact lines.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tavrin::test {

struct DebugLine {
  std::string text;   // UTF-8 (ANSI lines converted from the ANSI code page)
  std::string raw;    // the bytes as the program sent them (UTF-16LE for wide lines)
  bool wide = false;  // Wine turns wide lines into ANSI ones before they arrive
};

struct DebuggeeResult {
  bool started = false;
  bool timedOut = false;  // ended by the helper after the time-out
  DWORD exitCode = 0;
  std::vector<DebugLine> lines;
  // A launcher built with the development key announces it at every start
  // (kDevelopmentKeyNotice); those lines are counted here, not kept in `lines`.
  int developmentKeyNotices = 0;

  // Just the texts, for simple comparisons.
  std::vector<std::string> texts() const;
  bool hasLine(const std::string& text) const;
  // The first group of `pattern` in the only line; when there is not exactly
  // one line or it does not match, a text that says so.
  std::string onlyLineGroup(const std::string& pattern) const;
};

// One debuggee. The thread that starts a debuggee must also run its event
// loop, so the whole run happens on a thread of this object.
class DebuggeeRun {
 public:
  DebuggeeRun() = default;
  ~DebuggeeRun();
  DebuggeeRun(const DebuggeeRun&) = delete;
  DebuggeeRun& operator=(const DebuggeeRun&) = delete;

  // commandLine and workDir are UTF-8; an empty workDir keeps ours.
  // Returns once the process exists (or could not be started).
  bool start(const std::string& commandLine, const std::string& workDir = std::string(), DWORD timeoutMs = 60000);
  // Waits for the end of the process and of the event loop.
  DebuggeeResult wait();
  DWORD processId() const { return m_processId; }
  // The lines received so far, while the process still runs.
  std::vector<DebugLine> linesSoFar();

 private:
  void run(std::wstring commandLine, std::wstring workDir, DWORD timeoutMs);
  void eventLoop(HANDLE process, DWORD timeoutMs);
  void addLine(DebugLine line);

  std::thread m_thread;
  std::mutex m_mutex;
  std::condition_variable m_started;
  bool m_startDecided = false;
  DWORD m_processId = 0;
  DebuggeeResult m_result;
};

// Starts, waits and returns the result in one call.
DebuggeeResult runDebuggee(const std::string& commandLine, const std::string& workDir = std::string(),
                           DWORD timeoutMs = 60000);

}  // namespace tavrin::test
