#include "log.h"

#include <cstdarg>
#include <cstdio>
#include <cwchar>

#include "debug_log.h"
#include "locks.h"
#include "text_convert.h"
#include "thread_start.h"

namespace tavrin::uninst {

namespace {

constexpr size_t kMessageBufferChars = 4000;
constexpr DWORD kIdlePollMs = 100;

// Guards the queue; set up before the program's entry point.
LockHelper g_logLock;

}  // namespace

CLog& CLog::Instance() {
  static CLog log;
  return log;
}

CLog::~CLog() {
  if (m_running.load() == 1) {
    m_running.store(0);
    if (m_thread) ::WaitForSingleObject(m_thread.get(), INFINITE);
  }
  ScopedLock guard(g_logLock);
  m_queue.clear();
}

bool CLog::Start() {
  m_debugOutput = 1;
  tavrin::UniqueHandle thread = tavrin::startThread(&ThreadHelper::ThreadStart, this);
  if (!thread) {
    std::printf("create thread error! \r\n\n");
    std::fflush(stdout);
    return false;
  }
  m_thread = std::move(thread);
  return true;
}

void CLog::WriteLog(int level, const char* /*sourceFile*/, int /*sourceLine*/, const char* /*operation*/,
                    const wchar_t* format, ...) {
  if (level < m_level) return;

  wchar_t message[kMessageBufferChars] = {};
  va_list args;
  va_start(args, format);
  ::_vsnwprintf(message, kMessageBufferChars - 1, format, args);
  va_end(args);

  SYSTEMTIME now = {};
  ::GetLocalTime(&now);
  std::string line = tavrin::wideToAnsi(FormatLogLine(::GetCurrentThreadId(), now, level, message));

  ScopedLock guard(g_logLock);
  m_queue.push_back(std::move(line));
}

bool CLog::TakeAndWriteOneLine() {
  ScopedLock guard(g_logLock);
  if (m_queue.empty()) return false;
  std::string line = std::move(m_queue.front());
  line += "\n";
  m_queue.pop_front();
  if (m_debugOutput) tavrin::writeDebugOutput(line.c_str());
  return true;
}

void CLog::Run() {
  m_running.store(1);
  for (;;) {
    if (!TakeAndWriteOneLine()) {
      if (m_running.load() == 0) return;
      ::Sleep(kIdlePollMs);
    }
    if (m_running.load() == 0) return;
  }
}

bool CLog::WaitUntilWritten(DWORD timeoutMs) {
  if (!m_thread) return false;
  DWORD started = ::GetTickCount();
  for (;;) {
    {
      // The writer outputs a line while it holds the lock, so an empty
      // queue seen under the lock means every line has been passed on.
      ScopedLock guard(g_logLock);
      if (m_queue.empty()) return true;
    }
    if (::GetTickCount() - started >= timeoutMs) return false;
    ::Sleep(10);
  }
}

}  // namespace tavrin::uninst
