#include "debuggee.h"

#include <algorithm>
#include <condition_variable>
#include <regex>
#include <vector>

#include "embedded_public_key.h"
#include "handles.h"
#include "text_convert.h"

namespace tavrin::test {

std::vector<std::string> DebuggeeResult::texts() const {
  std::vector<std::string> all;
  for (const DebugLine& line : lines) all.push_back(line.text);
  return all;
}

bool DebuggeeResult::hasLine(const std::string& text) const {
  return std::any_of(lines.begin(), lines.end(), [&](const DebugLine& line) { return line.text == text; });
}

std::string DebuggeeResult::onlyLineGroup(const std::string& pattern) const {
  if (lines.size() != 1) return "not one line but " + std::to_string(lines.size());
  std::smatch match;
  if (!std::regex_match(lines[0].text, match, std::regex(pattern)) || match.size() < 2) {
    return "no match: " + lines[0].text;
  }
  return match[1];
}

DebuggeeRun::~DebuggeeRun() {
  if (m_thread.joinable()) wait();
}

bool DebuggeeRun::start(const std::string& commandLine, const std::string& workDir, DWORD timeoutMs) {
  m_thread = std::thread(&DebuggeeRun::run, this, utf8ToWide(commandLine), utf8ToWide(workDir), timeoutMs);
  std::unique_lock<std::mutex> lock(m_mutex);
  m_started.wait(lock, [this] { return m_startDecided; });
  return m_result.started;
}

DebuggeeResult DebuggeeRun::wait() {
  if (m_thread.joinable()) m_thread.join();
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_result;
}

std::vector<DebugLine> DebuggeeRun::linesSoFar() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_result.lines;
}

void DebuggeeRun::addLine(DebugLine line) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (line.text == kDevelopmentKeyNotice) {
    ++m_result.developmentKeyNotices;
    return;
  }
  m_result.lines.push_back(std::move(line));
}

void DebuggeeRun::run(std::wstring commandLine, std::wstring workDir, DWORD timeoutMs) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  std::vector<wchar_t> mutableLine(commandLine.begin(), commandLine.end());
  mutableLine.push_back(L'\0');
  BOOL ok = ::CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, DEBUG_ONLY_THIS_PROCESS, nullptr,
                             workDir.empty() ? nullptr : workDir.c_str(), &startup, &info);
  ProcessHandles process;
  if (ok) process = ProcessHandles::adopt(info);
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_result.started = ok != FALSE;
    m_processId = ok ? info.dwProcessId : 0;
    m_startDecided = true;
  }
  m_started.notify_all();
  if (ok) eventLoop(process.process.get(), timeoutMs);
}

namespace {

DebugLine readDebugString(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info) {
  DebugLine line;
  line.wide = info.fUnicode != 0;
  size_t units = info.nDebugStringLength;
  size_t unitSize = line.wide ? sizeof(wchar_t) : 1;
  std::vector<char> bytes(units * unitSize + sizeof(wchar_t), '\0');
  SIZE_T read = 0;
  ::ReadProcessMemory(process, info.lpDebugStringData, bytes.data(), units * unitSize, &read);
  if (line.wide) {
    std::wstring wide(reinterpret_cast<const wchar_t*>(bytes.data()));
    line.raw.assign(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t));
    line.text = wideToUtf8(wide);
  } else {
    line.raw = std::string(bytes.data());
    line.text = wideToUtf8(ansiToWide(line.raw));
  }
  return line;
}

}  // namespace

void DebuggeeRun::eventLoop(HANDLE process, DWORD timeoutMs) {
  ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  bool terminated = false;
  for (;;) {
    DEBUG_EVENT event = {};
    if (!::WaitForDebugEvent(&event, 100)) {
      if (!terminated && ::GetTickCount64() > deadline) {
        ::TerminateProcess(process, 0xDEAD);
        terminated = true;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_result.timedOut = true;
      }
      continue;
    }
    DWORD continueStatus = DBG_CONTINUE;
    switch (event.dwDebugEventCode) {
      case CREATE_PROCESS_DEBUG_EVENT:
        if (event.u.CreateProcessInfo.hFile) ::CloseHandle(event.u.CreateProcessInfo.hFile);
        break;
      case LOAD_DLL_DEBUG_EVENT:
        if (event.u.LoadDll.hFile) ::CloseHandle(event.u.LoadDll.hFile);
        break;
      case OUTPUT_DEBUG_STRING_EVENT:
        addLine(readDebugString(process, event.u.DebugString));
        break;
      case EXCEPTION_DEBUG_EVENT:
        // The loader's initial breakpoint is ours to swallow; everything else
        // goes back to the program as if no debugger were attached.
        if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) {
          continueStatus = DBG_EXCEPTION_NOT_HANDLED;
        }
        break;
      default:
        break;
    }
    if (event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT) {
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_result.exitCode = event.u.ExitProcess.dwExitCode;
      }
      ::ContinueDebugEvent(event.dwProcessId, event.dwThreadId, DBG_CONTINUE);
      return;
    }
    ::ContinueDebugEvent(event.dwProcessId, event.dwThreadId, continueStatus);
  }
}

DebuggeeResult runDebuggee(const std::string& commandLine, const std::string& workDir, DWORD timeoutMs) {
  DebuggeeRun run;
  run.start(commandLine, workDir, timeoutMs);
  return run.wait();
}

}  // namespace tavrin::test
