// The uninstall report: its body, the chunked request body, and what the
// development service receives.
#include <gtest/gtest.h>

#include <memory>

#include "base64.h"
#include "dev_service.h"
#include "http_client_syn.h"
#include "http_task_manager.h"
#include "registry_view.h"
#include "text_convert.h"
#include "uninst_fixture.h"
#include "uninstall_report.h"

namespace {

using namespace tavrin;
using namespace tavrin::test;
using namespace std::chrono_literals;
using Json = nlohmann::json;

const std::string kReportPath = "/app/count/uninstall/";

TEST(ReportBody, IsCompactJsonInKeyOrderWithALineFeed) {
  EXPECT_EQ(uninst::BuildUninstallReportJson(L"1.0.0.1", L"c7", L"M1"),
            "{\"b\":\"vensa\",\"channel\":\"c7\",\"mac\":\"M1\",\"version\":\"1.0.0.1\"}\n");
  EXPECT_EQ(uninst::BuildUninstallReportBody(L"1.0.0.1", L"c7", L"M1"),
            "info=" + base64Encode("{\"b\":\"vensa\",\"channel\":\"c7\",\"mac\":\"M1\",\"version\":\"1.0.0.1\"}\n"));
}

TEST(ReportBody, EmptyValuesStayMembers) {
  EXPECT_EQ(uninst::BuildUninstallReportJson(L"", L"", L""),
            "{\"b\":\"vensa\",\"channel\":\"\",\"mac\":\"\",\"version\":\"\"}\n");
}

TEST(ReportBody, EscapesQuotesAndControlsButNeitherSlashNorDelete) {
  // Beyond ASCII: lower-case "\u" escapes, a surrogate pair for a character
  // beyond the BMP, U+FFFD for a lone surrogate.
  EXPECT_EQ(uninst::BuildUninstallReportJson(L"a/b\x7f", L"\"\\\b\f\n\r\t\x01\x1f", L"\U0001F600\x00e9\xD800x"),
            "{\"b\":\"vensa\",\"channel\":\"\\\"\\\\\\b\\f\\n\\r\\t\\u0001\\u001f\","
            "\"mac\":\"\\ud83d\\ude00\\u00e9\\ufffdx\",\"version\":\"a/b\x7f\"}\n");
}

TEST(ReportBody, PaddingFollowsTheLengthOfTheJsonText) {
  // JSON texts of 50, 51 and 52 bytes: one "=", none, two.
  EXPECT_EQ(uninst::BuildUninstallReportBody(L"", L"", L"a"),
            "info=eyJiIjoidmVuc2EiLCJjaGFubmVsIjoiIiwibWFjIjoiYSIsInZlcnNpb24iOiIifQo=");
  EXPECT_EQ(uninst::BuildUninstallReportBody(L"", L"", L"ab"),
            "info=eyJiIjoidmVuc2EiLCJjaGFubmVsIjoiIiwibWFjIjoiYWIiLCJ2ZXJzaW9uIjoiIn0K");
  EXPECT_EQ(uninst::BuildUninstallReportBody(L"", L"", L"abc"),
            "info=eyJiIjoidmVuc2EiLCJjaGFubmVsIjoiIiwibWFjIjoiYWJjIiwidmVyc2lvbiI6IiJ9Cg==");
}

TEST(ReportUrl, UsesTheConfiguredServiceHost) {
  ScopedEnv host("TAVRIN_SERVICE_HOST", "127.0.0.1:8765");
  EXPECT_EQ(uninst::UninstallReportUrl(), "http://127.0.0.1:8765/app/count/uninstall/");
}

// --- the streamed request body ----------------------------------------------

std::vector<std::pair<bool, DWORD>> chunksOf(const std::string& body) {
  uninst::CHttpTransByPost post(body.data(), static_cast<DWORD>(body.size()));
  std::vector<std::pair<bool, DWORD>> chunks;
  std::string copied;
  for (int guard = 0; guard < 10; ++guard) {
    char buffer[1024] = {};
    DWORD count = 0;
    bool more = post.ReadBody(buffer, 1024, &count);
    copied.append(buffer, count);
    chunks.emplace_back(more, count);
    if (!more) break;
  }
  EXPECT_EQ(copied, body);
  return chunks;
}

TEST(RequestBody, ExactlyOneBufferFullIsTheLastChunk) {
  using Chunks = std::vector<std::pair<bool, DWORD>>;
  EXPECT_EQ(chunksOf(std::string(1024, 'a')), (Chunks{{false, 1024}}));
  EXPECT_EQ(chunksOf(std::string(1025, 'b')), (Chunks{{true, 1024}, {false, 1}}));
  EXPECT_EQ(chunksOf(std::string(2048, 'c')), (Chunks{{true, 1024}, {false, 1024}}));
  EXPECT_EQ(chunksOf(std::string(1023, 'd')), (Chunks{{false, 1023}}));
  EXPECT_EQ(chunksOf(std::string()), (Chunks{{false, 0}}));
}

TEST(RequestBody, FormTextIsJoinedWithoutEscaping) {
  uninst::CHttpTransByPost post("", 0);
  post.AddParam(L"a", L"1 2");
  post.AddParam(L"b", L"x+y/z=");
  uninst::FormParams params = {{L"first", L"v"}};
  post.CollectParams(params);
  EXPECT_EQ(post.BuildForm(params), L"first=v&a=1 2&b=x+y/z=");
  EXPECT_EQ(post.GetBodyLength(), 0u);
}

// --- against the development service ------------------------------------------

// A hidden window on the test's thread that collects WM_HTTP_DONE records.
class DoneWindow {
 public:
  DoneWindow() {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = &DoneWindow::Proc;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"TavrinReportTestWindow";
    ::RegisterClassW(&windowClass);
    m_window = ::CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 windowClass.hInstance, nullptr);
    ::SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~DoneWindow() { ::DestroyWindow(m_window); }
  HWND handle() const { return m_window; }

  // Pumps until `count` records arrived or the time is up.
  bool waitFor(size_t count, std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (records.size() < count && std::chrono::steady_clock::now() < deadline) {
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
      MSG message = {};
      while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
    }
    return records.size() >= count;
  }

  std::vector<uninst::HttpResponseRecord> records;

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == uninst::WM_HTTP_DONE) {
      auto* self = reinterpret_cast<DoneWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
      std::unique_ptr<uninst::HttpResponseRecord> record = uninst::HttpTaskManager::AdoptResponseRecord(wParam);
      if (self != nullptr) self->records.push_back(*record);
      return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
  }

  HWND m_window = nullptr;
};

class ReportToService : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(service.running()); }

  DevService service{Json{{"settings", nullptr}, {"update", nullptr}}};
  ScopedEnv host{"TAVRIN_SERVICE_HOST", service.hostAndPort().c_str()};
  DoneWindow window;
};

// A string value of the installation record, read as the uninstaller
// window reads it.
std::wstring readRecordValue(const wchar_t* name) {
  UniqueRegKey key;
  wchar_t value[128] = {};
  DWORD size = sizeof(value) - sizeof(wchar_t);
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kInstallKeyPathW, 0, KEY_QUERY_VALUE | kRegistryView, key.receive()) ==
      ERROR_SUCCESS) {
    ::RegQueryValueExW(key.get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
  }
  return value;
}

TEST_F(ReportToService, TheServiceReceivesTheExactReport) {
  int id = uninst::SendUninstallReport(window.handle(), L"1.0.0.1", L"c7", L"M1");
  ASSERT_TRUE(window.waitFor(1, 30s));
  ASSERT_TRUE(service.waitForRequestsTo(kReportPath, 1, 10s));
  Json request = service.requestsTo(kReportPath).at(0);
  const std::string json = "{\"b\":\"vensa\",\"channel\":\"c7\",\"mac\":\"M1\",\"version\":\"1.0.0.1\"}\n";
  EXPECT_EQ(request["method"], "Post");
  EXPECT_EQ(request["report_text"], json);
  EXPECT_EQ(request["body"], "info=" + base64Encode(json));
  EXPECT_EQ(request["headers"]["Content-type"], "application/x-www-form-urlencoded");
  EXPECT_EQ(request["report"]["b"], "vensa");
  EXPECT_EQ(window.records.at(0).id, id);
  EXPECT_EQ(window.records.at(0).userValue, 0);
  EXPECT_EQ(window.records.at(0).response, "ok");
}

TEST_F(ReportToService, Base64SignsGoOutUnescapedAndEmptyValuesArePresent) {
  // A machine id whose report encodes with "+" and "/".
  const std::wstring mac = L"?>?>~~~";
  std::string body = uninst::BuildUninstallReportBody(L"", L"", mac);
  ASSERT_NE(body.find('+'), std::string::npos) << body;
  ASSERT_NE(body.find('/'), std::string::npos) << body;
  uninst::SendUninstallReport(window.handle(), L"", L"", mac);
  ASSERT_TRUE(window.waitFor(1, 30s));
  ASSERT_TRUE(service.waitForRequestsTo(kReportPath, 1, 10s));
  Json request = service.requestsTo(kReportPath).at(0);
  EXPECT_EQ(request["body"], body);
  EXPECT_EQ(request["report_text"], "{\"b\":\"vensa\",\"channel\":\"\",\"mac\":\"?>?>~~~\",\"version\":\"\"}\n");
  EXPECT_EQ(request["report"]["version"], "");
  EXPECT_EQ(request["report"]["channel"], "");
}

TEST_F(ReportToService, ValuesBeyondAsciiArriveAsTheirCharacters) {
  // The installer writes the record in the ANSI code page (936 in the
  // prefix); the uninstaller reads it as wide text.
  InstallRecord m_record;
  ASSERT_TRUE(m_record.setString("channel", wideToAnsi(L"渠道")));
  ASSERT_TRUE(m_record.setString("MachineId", wideToAnsi(L"机器-1")));
  std::wstring channel = readRecordValue(L"channel");
  std::wstring mac = readRecordValue(L"MachineId");
  ASSERT_EQ(channel, L"渠道");
  uninst::SendUninstallReport(window.handle(), L"1.0.0.1", channel, mac);
  ASSERT_TRUE(window.waitFor(1, 30s));
  ASSERT_TRUE(service.waitForRequestsTo(kReportPath, 1, 10s));
  Json request = service.requestsTo(kReportPath).at(0);
  EXPECT_EQ(request["report"]["channel"], "渠道");
  EXPECT_EQ(request["report"]["mac"], "机器-1");
  EXPECT_EQ(request["report_text"],
            "{\"b\":\"vensa\",\"channel\":\"\\u6e20\\u9053\",\"mac\":\"\\u673a\\u5668-1\",\"version\":\"1.0.0.1\"}\n");
  EXPECT_TRUE(request.find("report_text_hex") == request.end()) << "the report is plain ASCII";
}

TEST_F(ReportToService, TwoReportsBackToBackRunAtOnceWithConsecutiveIds) {
  ASSERT_TRUE(service.setConfig(
      Json{{"settings", nullptr}, {"update", nullptr}, {"faults", {{"uninstall", {{"stall_ms", 1500}}}}}}));
  int first = uninst::SendUninstallReport(window.handle(), L"1.0.0.1", L"gw", L"M1");
  int second = uninst::SendUninstallReport(window.handle(), L"1.0.0.1", L"gw", L"M2");
  size_t running = uninst::HttpTaskManager::Instance().RunningRequests();
  EXPECT_EQ(second, first + 1);
  EXPECT_EQ(running, 2u) << "each request has a thread of its own";
  ASSERT_TRUE(window.waitFor(2, 30s));
  std::vector<int> ids = {window.records[0].id, window.records[1].id};
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(ids, (std::vector<int>{first, second}));
  EXPECT_TRUE(waitUntil([] { return uninst::HttpTaskManager::Instance().RunningRequests() == 0; }, 5s))
      << "each thread takes its handle out of the table";
  ASSERT_TRUE(service.waitForRequestsTo(kReportPath, 2, 10s));
  std::vector<std::string> macs;
  for (const Json& request : service.requestsTo(kReportPath)) macs.push_back(request["report"]["mac"]);
  std::sort(macs.begin(), macs.end());
  EXPECT_EQ(macs, (std::vector<std::string>{"M1", "M2"}));
}

TEST_F(ReportToService, AnUnreachableServiceStillEndsTheRequest) {
  ScopedEnv nowhere("TAVRIN_SERVICE_HOST", "127.0.0.1:1");
  int id = uninst::SendUninstallReport(window.handle(), L"1.0.0.1", L"gw", L"M1");
  ASSERT_TRUE(window.waitFor(1, 60s));
  EXPECT_EQ(window.records[0].id, id);
  EXPECT_EQ(window.records[0].response, "");
}

TEST_F(ReportToService, AnOversizedReplyIsCutAtTheLimitAndTheReportStillEnds) {
  std::string reply(2 << 20, '\0');
  for (size_t i = 0; i < reply.size(); ++i) reply[i] = static_cast<char>('a' + i % 23);
  ASSERT_TRUE(service.setConfig(
      Json{{"settings", nullptr}, {"update", nullptr}, {"faults", {{"uninstall", {{"body", reply}}}}}}));
  int id = uninst::SendUninstallReport(window.handle(), L"1.0.0.1", L"gw", L"M1");
  ASSERT_TRUE(window.waitFor(1, 30s));
  EXPECT_EQ(window.records[0].id, id);
  EXPECT_EQ(window.records[0].response, reply.substr(0, uninst::CHttpClientSyn::kResponseLimitBytes))
      << "only the first " << uninst::CHttpClientSyn::kResponseLimitBytes << " bytes are kept";
  // The request thread is gone before the next test opens connections.
  EXPECT_TRUE(waitUntil([] { return uninst::HttpTaskManager::Instance().RunningRequests() == 0; }, 5s));
}

std::string postBody(const std::string& url, const std::string& body) {
  uninst::CHttpTransByPost post(body.data(), static_cast<DWORD>(body.size()));
  if (!post.Request(utf8ToWide(url), uninst::CHttpClientSyn::kModePost)) return "<not sent>";
  DWORD needed = 0;
  char probe = 0;
  if (post.ReadResponse(&probe, 0, &needed) || ::GetLastError() != ERROR_INSUFFICIENT_BUFFER) return "<no size>";
  std::string response(needed, '\0');
  if (!post.ReadResponse(&response[0], needed, &needed)) return "<not read>";
  return response;
}

TEST_F(ReportToService, BodiesAroundOneChunkArriveWhole) {
  size_t sent = 0;
  for (size_t size : {1023u, 1024u, 1025u, 3000u}) {
    std::string body = "info=" + std::string(size - 5, 'Q');
    body[size - 1] = 'E';
    EXPECT_EQ(postBody(service.baseUrl() + kReportPath, body), "ok") << size;
    ASSERT_TRUE(service.waitForRequestsTo(kReportPath, ++sent, 10s));
    Json request = service.requestsTo(kReportPath).back();
    EXPECT_EQ(request["body"], body) << size;
    EXPECT_EQ(request["headers"]["Content-Length"], std::to_string(size));
  }
}

TEST_F(ReportToService, ReadingTheResponseFailsWithTheDocumentedErrors) {
  std::string body = "info=x";
  uninst::CHttpTransByPost post(body.data(), static_cast<DWORD>(body.size()));
  DWORD needed = 0;
  char buffer[16] = {};
  EXPECT_FALSE(post.ReadResponse(buffer, sizeof(buffer), &needed));
  EXPECT_EQ(::GetLastError(), 12172u) << "nothing stored yet";
  ASSERT_TRUE(post.Request(utf8ToWide(service.baseUrl() + kReportPath), uninst::CHttpClientSyn::kModePost));
  EXPECT_FALSE(post.ReadResponse(nullptr, 16, &needed));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_ADDRESS));
  EXPECT_FALSE(post.ReadResponse(buffer, 1, &needed));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(needed, 2u);
  EXPECT_TRUE(post.ReadResponse(buffer, sizeof(buffer), &needed));
  EXPECT_EQ(std::string(buffer, 2), "ok");
  EXPECT_FALSE(post.ReadResponse(buffer, sizeof(buffer), &needed));
  EXPECT_EQ(::GetLastError(), 12172u) << "the body is freed once read";
}

TEST_F(ReportToService, TheDriverTracesUrlAndBodyAndGetsBothAnswers) {
  TempDir records("uninst report records");
  DebuggeeResult result =
      runDebuggee("\"" + uninstDriver() + "\" report 1.0.0.1 c7 M1 --records \"" + records.file("r.txt") + "\"");
  EXPECT_EQ(result.exitCode, 0u);
  std::string body = uninst::BuildUninstallReportBody(L"1.0.0.1", L"c7", L"M1");
  std::string trace = "stUrl=http://" + service.hostAndPort() + "/app/count/uninstall/ stData=" + body;
  std::vector<std::string> traces;
  for (const DebugLine& line : result.lines) {
    if (line.text.compare(0, 6, "stUrl=") == 0) traces.push_back(line.text);
  }
  EXPECT_EQ(traces, (std::vector<std::string>{trace, trace}));
  DriverRecords got = readDriverRecords(records.file("r.txt"));
  ASSERT_GE(got.otherLines.size(), 4u);
  EXPECT_EQ(got.otherLines[0], (std::vector<std::string>{"ids", "1", "2"})) << "the first requests of a process";
  std::vector<std::vector<std::string>> done(got.otherLines.begin() + 2, got.otherLines.end());
  std::sort(done.begin(), done.end());
  EXPECT_EQ(done, (std::vector<std::vector<std::string>>{{"done", "1", "0", "ok"}, {"done", "2", "0", "ok"}}));
  EXPECT_TRUE(service.waitForRequestsTo(kReportPath, 2, 10s));
}

}  // namespace
