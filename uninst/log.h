// The uninstaller's trace: one process-wide CLog. Callers on any thread
// format a line and append it to a queue; the log's own writer thread takes
// the lines off in order and passes them to the debugger output in the ANSI
// code page. Nothing is written to a file.
#pragma once

#include <windows.h>

#include <atomic>
#include <list>
#include <string>

#include "handles.h"
#include "log_line.h"
#include "thread_helper.h"

namespace tavrin::uninst {

class CLog : public ThreadHelper {
 public:
  // The single log, created on the first call and stopped at process exit.
  static CLog& Instance();

  ~CLog() override;

  // Sets debugger output on and starts the writer thread. When the thread
  // cannot be started the lines stay queued and are never shown.
  bool Start();

  // Formats one line and queues it. The source file, line and operation
  // name are accepted for the callers' convenience and not written.
  void WriteLog(int level, const char* sourceFile, int sourceLine, const char* operation, const wchar_t* format, ...);

  // Waits until the writer has passed every queued line on; false when
  // that did not happen within the time (or there is no writer). For a
  // program about to end that wants its last lines seen.
  bool WaitUntilWritten(DWORD timeoutMs);

 protected:
  void Run() override;

 private:
  CLog() = default;
  bool TakeAndWriteOneLine();

  tavrin::UniqueHandle m_thread;
  std::list<std::string> m_queue;
  std::atomic<unsigned char> m_running{0};
  int m_level = kLogInfo;
  int m_debugOutput = 0;
};

}  // namespace tavrin::uninst

// The form every caller uses: CLOG_INFO(L"%s 卸载step=5", L"CUninstMgr::UnIntallSoftware").
#define CLOG_WRITE(level, ...) \
  ::tavrin::uninst::CLog::Instance().WriteLog((level), __FILE__, __LINE__, __func__, __VA_ARGS__)
#define CLOG_INFO(...) CLOG_WRITE(::tavrin::uninst::kLogInfo, __VA_ARGS__)
