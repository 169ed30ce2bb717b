#include "uninstall_report.h"

#include <cwchar>

#include "base64.h"
#include "debug_log.h"
#include "http_task_manager.h"
#include "report_json.h"
#include "service_host.h"
#include "text_convert.h"

namespace tavrin::uninst {

namespace {

constexpr char kBrand[] = "vensa";
constexpr char kReportPath[] = "/app/count/uninstall/";
constexpr size_t kTraceChars = 4096;

void TraceReport(const std::string& url, const std::string& body) {
  std::wstring wideUrl = tavrin::ansiToWide(url);
  std::wstring wideBody = tavrin::ansiToWide(body);
  wchar_t trace[kTraceChars] = {};
  ::_snwprintf(trace, kTraceChars - 1, L"stUrl=%s stData=%s", wideUrl.c_str(), wideBody.c_str());
  tavrin::writeDebugOutput(trace);
}

}  // namespace

std::string BuildUninstallReportJson(const std::wstring& version, const std::wstring& channel,
                                     const std::wstring& machineId) {
  // The values go in as UTF-8 and characters beyond ASCII come out as "\u"
  // escapes; bytes of the ANSI code page would come out as garbage.
  return WriteReportJson({{"mac", tavrin::wideToUtf8(machineId)},
                          {"version", tavrin::wideToUtf8(version)},
                          {"channel", tavrin::wideToUtf8(channel)},
                          {"b", kBrand}});
}

std::string BuildUninstallReportBody(const std::wstring& version, const std::wstring& channel,
                                     const std::wstring& machineId) {
  return "info=" + tavrin::base64Encode(BuildUninstallReportJson(version, channel, machineId));
}

std::string UninstallReportUrl() { return tavrin::serviceUrl(kReportPath); }

int SendUninstallReport(HWND notifyWindow, const std::wstring& version, const std::wstring& channel,
                        const std::wstring& machineId) {
  std::string body;
  try {
    body = BuildUninstallReportBody(version, channel, machineId);
  } catch (...) {
    return -1;  // out of memory: no request is started
  }
  std::string url = UninstallReportUrl();
  int id = HttpTaskManager::Instance().PostAsync(url, body, notifyWindow, 0);
  TraceReport(url, body);
  return id;
}

}  // namespace tavrin::uninst
