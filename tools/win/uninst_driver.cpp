// Runs the uninstaller's engine without its window, for tests:
//
//   uninst_driver run [--clear-user-data] [--no-window] [--records FILE] [--delete-self]
//       Runs the whole uninstall from the driver's own folder, as the
//       uninstaller does from the installation directory. A hidden message
//       window stands in for the uninstaller window and collects the
//       progress records; --no-window leaves the target window unset.
//       FILE receives one UTF-8 line per record, "step<TAB>showText<TAB>text
//       <TAB>ms since start", then "elapsed<TAB>ms" for the whole run.
//   uninst_driver log
//       Two threads log 200 lines each at the same moment, then lines of the
//       levels 0, 2, 3 and 5.
//   uninst_driver report VERSION CHANNEL MAC [--records FILE]
//       Starts two uninstall reports back to back and waits for both
//       WM_HTTP_DONE messages; FILE receives "ids<TAB>first<TAB>second",
//       "running<TAB>n" right after both were started, and per finished
//       request "done<TAB>id<TAB>userValue<TAB>response".
//   uninst_driver write-batch [--records FILE]
//       Writes the self-deleting batch, starts nothing; FILE receives the
//       batch's path (UTF-8).
//   uninst_driver delete-self [--hold MS] [--tries N]
//       Writes and starts the self-deleting batch (which tries N times,
//       default 60, to delete the executable), then stays MS milliseconds
//       (default 0) before it ends.
//
// Every mode starts the log first, as the uninstaller does, and waits for
// its lines to be written before it ends. Exit code 0, or 2 for a bad
// command line, 3 when a wait timed out.
#include <windows.h>
#include <shellapi.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "file_removal.h"
#include "handles.h"
#include "http_task_manager.h"
#include "log.h"
#include "self_delete.h"
#include "text_convert.h"
#include "uninst_mgr.h"
#include "uninst_progress.h"
#include "uninstall_report.h"

namespace {

using namespace tavrin::uninst;

constexpr DWORD kLogFlushMs = 10000;
constexpr DWORD kRunTimeoutMs = 120000;
constexpr DWORD kReportTimeoutMs = 60000;
constexpr int kLinesPerThread = 200;

std::vector<std::wstring> Arguments() {
  int count = 0;
  LPWSTR* raw = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  std::vector<std::wstring> arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(raw[i]);
  ::LocalFree(raw);
  return arguments;
}

bool HasFlag(const std::vector<std::wstring>& arguments, const wchar_t* flag) {
  for (const std::wstring& argument : arguments) {
    if (argument == flag) return true;
  }
  return false;
}

std::wstring OptionValue(const std::vector<std::wstring>& arguments, const wchar_t* option) {
  for (size_t i = 0; i + 1 < arguments.size(); ++i) {
    if (arguments[i] == option) return arguments[i + 1];
  }
  return std::wstring();
}

void WriteRecords(const std::wstring& path, const std::vector<std::string>& lines) {
  if (path.empty()) return;
  std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
  for (const std::string& line : lines) out << line << "\n";
}

// What the stand-in window receives.
struct Collected {
  DWORD startTick = 0;
  std::vector<std::string> progress;
  std::vector<std::string> responses;
  size_t responsesWanted = 0;
};

Collected* g_collected = nullptr;

LRESULT CALLBACK StandInWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_UNINST_PROGRESS) {
    std::unique_ptr<UninstProgress> record = AdoptProgressRecord(wParam);
    g_collected->progress.push_back(std::to_string(record->step) + "\t" + std::to_string(record->showText) + "\t" +
                                    tavrin::wideToUtf8(record->text) + "\t" +
                                    std::to_string(::GetTickCount() - g_collected->startTick));
    if (record->step == 100) ::PostQuitMessage(0);
    return 0;
  }
  if (message == WM_HTTP_DONE) {
    std::unique_ptr<HttpResponseRecord> record = HttpTaskManager::AdoptResponseRecord(wParam);
    g_collected->responses.push_back("done\t" + std::to_string(record->id) + "\t" + std::to_string(record->userValue) +
                                     "\t" + record->response);
    if (g_collected->responses.size() >= g_collected->responsesWanted) ::PostQuitMessage(0);
    return 0;
  }
  if (message == WM_TIMER) {
    ::PostQuitMessage(3);
    return 0;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

HWND CreateStandInWindow() {
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = &StandInWindowProc;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"TavrinUninstDriverWindow";
  ::RegisterClassW(&windowClass);
  return ::CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           windowClass.hInstance, nullptr);
}

// Pumps messages until the window quits the loop (0) or the time is up (3).
int PumpUntilQuit(HWND window, DWORD timeoutMs) {
  ::SetTimer(window, 1, timeoutMs, nullptr);
  MSG message = {};
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  ::KillTimer(window, 1);
  return static_cast<int>(message.wParam);
}

int RunUninstall(const std::vector<std::wstring>& arguments) {
  Collected collected;
  collected.startTick = ::GetTickCount();
  g_collected = &collected;
  bool withWindow = !HasFlag(arguments, L"--no-window");
  HWND window = withWindow ? CreateStandInWindow() : nullptr;
  CWindowProgressSink progress;  // paced and posted like the uninstaller window's
  if (withWindow) progress.Attach(window);

  int result = 0;
  DWORD elapsed = 0;
  {
    CUninstMgr manager;
    manager.SetProgressSink(&progress);
    manager.SetInstallDir(GetModuleDir());
    manager.BeginUnInstallThread(HasFlag(arguments, L"--clear-user-data"));
    if (withWindow && PumpUntilQuit(window, kRunTimeoutMs) != 0) result = 3;
    if (::WaitForSingleObject(manager.WorkerThread(), kRunTimeoutMs) != WAIT_OBJECT_0) result = 3;
    elapsed = ::GetTickCount() - collected.startTick;
  }
  std::vector<std::string> lines = collected.progress;
  lines.push_back("elapsed\t" + std::to_string(elapsed));
  WriteRecords(OptionValue(arguments, L"--records"), lines);
  if (window != nullptr) ::DestroyWindow(window);
  if (HasFlag(arguments, L"--delete-self")) DeleteSelf();
  return result;
}

// One of the two writers: waits for the start signal, then logs its lines.
struct LogWriter {
  HANDLE go;
  const wchar_t* name;
};

DWORD WINAPI WriteLogLines(void* param) {
  const auto* writer = static_cast<const LogWriter*>(param);
  ::WaitForSingleObject(writer->go, INFINITE);
  for (int i = 0; i < kLinesPerThread; ++i) CLOG_INFO(L"%s 行 %d", writer->name, i);
  return 0;
}

// Win32 threads: the shipping (i686) toolchain's C++ library has no std::thread.
int LogFromTwoThreads() {
  tavrin::UniqueHandle go(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  LogWriter writers[2] = {{go.get(), L"甲"}, {go.get(), L"乙"}};
  tavrin::UniqueHandle first(::CreateThread(nullptr, 0, WriteLogLines, &writers[0], 0, nullptr));
  tavrin::UniqueHandle second(::CreateThread(nullptr, 0, WriteLogLines, &writers[1], 0, nullptr));
  if (!first || !second) return 1;
  ::SetEvent(go.get());
  HANDLE both[2] = {first.get(), second.get()};
  ::WaitForMultipleObjects(2, both, TRUE, INFINITE);
  CLOG_WRITE(0, L"%s", L"level 0");
  CLOG_WRITE(2, L"%s", L"level 2");
  CLOG_WRITE(3, L"%s", L"level 3");
  CLOG_WRITE(5, L"%s", L"level 5");
  return 0;
}

int SendTwoReports(const std::vector<std::wstring>& arguments) {
  if (arguments.size() < 4) return 2;
  Collected collected;
  collected.responsesWanted = 2;
  g_collected = &collected;
  HWND window = CreateStandInWindow();
  int first = SendUninstallReport(window, arguments[1], arguments[2], arguments[3]);
  int second = SendUninstallReport(window, arguments[1], arguments[2], arguments[3]);
  size_t running = HttpTaskManager::Instance().RunningRequests();
  int result = PumpUntilQuit(window, kReportTimeoutMs);
  std::vector<std::string> lines = {"ids\t" + std::to_string(first) + "\t" + std::to_string(second),
                                    "running\t" + std::to_string(running)};
  lines.insert(lines.end(), collected.responses.begin(), collected.responses.end());
  WriteRecords(OptionValue(arguments, L"--records"), lines);
  ::DestroyWindow(window);
  return result;
}

int Tries(const std::vector<std::wstring>& arguments) {
  std::wstring tries = OptionValue(arguments, L"--tries");
  return tries.empty() ? kSelfDeleteTries : std::stoi(tries);
}

int WriteBatch(const std::vector<std::wstring>& arguments) {
  std::wstring batchPath = WriteSelfDeleteBatch();
  WriteRecords(OptionValue(arguments, L"--records"), {tavrin::wideToUtf8(batchPath)});
  return batchPath.empty() ? 1 : 0;
}

int HoldAfterDeleteSelf(const std::vector<std::wstring>& arguments) {
  DeleteSelf(Tries(arguments));
  std::wstring hold = OptionValue(arguments, L"--hold");
  if (!hold.empty()) ::Sleep(static_cast<DWORD>(std::stoul(hold)));
  return 0;
}

int Dispatch(const std::vector<std::wstring>& arguments) {
  if (arguments.empty()) return 2;
  const std::wstring& mode = arguments[0];
  if (mode == L"run") return RunUninstall(arguments);
  if (mode == L"log") return LogFromTwoThreads();
  if (mode == L"report") return SendTwoReports(arguments);
  if (mode == L"write-batch") return WriteBatch(arguments);
  if (mode == L"delete-self") return HoldAfterDeleteSelf(arguments);
  return 2;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  CLog& log = CLog::Instance();
  log.Start();
  int result = Dispatch(Arguments());
  log.WaitUntilWritten(kLogFlushMs);
  return result;
}
