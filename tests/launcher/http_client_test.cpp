// The launcher's HTTP client against the real development service: GET and
// form POST, the pre-flight request, plain and resumable downloads with
// their files and codes, cancelling a run's transfers, and the trace lines.
#include "launcher/http_client.h"
#include "launcher/trace_log.h"
#include "launcher/transfer_cancel.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <mutex>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "dev_service.h"
#include "package_bytes.h"
#include "handles.h"
#include "test_env.h"

namespace {

using namespace tavrin;
using namespace tavrin::test;
using Json = nlohmann::json;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr char kUserAgent[] =
    "Mozilla/5.0 (Windows; U; Windows NT 5.1; zh-CN; rv:1.9.2.3) Gecko/20100401 Firefox/3.6.3";
// "！" and "下载服务器中断" in code page 936, the ANSI code page of the test prefix.
constexpr char kFullWidthExclamation936[] = "\xA3\xA1";
constexpr char kServerBrokeOff936[] = "\xCF\xC2\xD4\xD8\xB7\xFE\xCE\xF1\xC6\xF7\xD6\xD0\xB6\xCF";
constexpr size_t kPackageSize = 300001;

// The trace lines, caught instead of going to the debugger output.
class TraceCapture {
 public:
  TraceCapture() : m_previous(setTraceSinkForTests(&TraceCapture::record)) {
    std::lock_guard<std::mutex> lock(mutex());
    storage().clear();
  }
  ~TraceCapture() { setTraceSinkForTests(m_previous); }
  std::vector<std::string> lines() const {
    std::lock_guard<std::mutex> lock(mutex());
    return storage();
  }

 private:
  static void record(const char* line) {
    std::lock_guard<std::mutex> lock(mutex());
    storage().push_back(line);
  }
  static std::mutex& mutex() {
    static std::mutex instance;
    return instance;
  }
  static std::vector<std::string>& storage() {
    static std::vector<std::string> lines;
    return lines;
  }
  TraceSink m_previous;
};

std::string curlText(CURLcode code) { return curl_easy_strerror(code); }

std::string failureLine(const std::string& text, long code) {
  return "[curl send msg error: pRes=" + text + ", lResCode=" + std::to_string(code) + " \n]";
}

// Opened as another program reading the file would: it may be written but
// neither deleted nor renamed while this handle is open.
tavrin::UniqueFileHandle holdWithoutDeleteSharing(const std::string& path) {
  return tavrin::UniqueFileHandle(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                OPEN_EXISTING, 0, nullptr));
}

long long millisecondsBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration_cast<milliseconds>(to - from).count();
}

class HttpClient : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(service.running()); }

  // Serves `bytes` as /packages/NAME and returns its URL.
  std::string servePackage(const std::string& name, const std::string& bytes) {
    EXPECT_TRUE(service.addPackage(name, bytes));
    return service.packageUrl(name);
  }
  std::string inDownloads(const std::string& name) const { return downloads.file(name); }
  std::vector<Json> packageRequests(const std::string& name = "up.zip") const {
    return service.requestsTo("/packages/" + name);
  }

  // Holds the partial file from the moment it appears until the service has
  // sent the whole package and 300 ms more, while a download runs; returns
  // the download's result and checks that it came back only after the
  // partial file was released.
  template <typename Download>
  HttpResult downloadWhileThePartialFileIsHeld(const std::string& partial, Download download) {
    bool held = false;
    Clock::time_point releasedAt;
    std::thread holder([&] {
      if (!waitUntil([&] { return pathExists(partial); }, seconds(20))) return;
      tavrin::UniqueFileHandle hold = holdWithoutDeleteSharing(partial);
      held = static_cast<bool>(hold);
      service.waitForRequestsTo("/packages/up.zip", 1, seconds(30));
      ::Sleep(300);
      releasedAt = Clock::now();
    });
    HttpResult result = download();
    Clock::time_point returnedAt = Clock::now();
    holder.join();
    EXPECT_TRUE(held);
    EXPECT_GE(returnedAt, releasedAt) << "the rename waited for the partial file";
    return result;
  }

  DevService service;
  TempDir downloads{"http client"};
  TraceCapture trace;
  CancelToken cancel;  // the launcher run's token, cancelled when "the browser ends"
};

// --- GET and POST ---

TEST_F(HttpClient, GetCollectsTheBodyAndSendsTheBrowserLikeUserAgent) {
  service.setConfig(Json{{"settings", nullptr}});
  CLibcurlClient client;
  std::string response = "kept:";
  HttpResult result = client.Get(service.baseUrl() + "/app/config/setting/?b=vensa&bv=1", response);

  EXPECT_EQ(result.code, 200);
  EXPECT_EQ(result.message, curlText(CURLE_OK));
  EXPECT_EQ(response, "kept:null") << "the body is appended";
  EXPECT_TRUE(trace.lines().empty());
  auto requests = service.requestsTo("/app/config/setting/");
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0]["method"], "GET");
  EXPECT_EQ(requests[0]["query"], "b=vensa&bv=1");
  EXPECT_EQ(requests[0]["headers"]["User-Agent"], kUserAgent);
}

TEST_F(HttpClient, GetReportsAnErrorStatusAndTracesIt) {
  service.setConfig(Json{{"settings", nullptr}, {"faults", {{"settings", {{"status", 503}, {"body", "busy"}}}}}});
  CLibcurlClient client;
  std::string response;
  HttpResult result = client.Get(service.baseUrl() + "/app/config/setting/", response);

  EXPECT_EQ(result.code, 503);
  EXPECT_EQ(result.status, 503);
  EXPECT_EQ(result.transport, CURLE_OK);
  EXPECT_EQ(result.message, curlText(CURLE_OK));
  EXPECT_EQ(response, "busy");
  EXPECT_EQ(trace.lines(), std::vector<std::string>{failureLine(curlText(CURLE_OK), 503)});
}

TEST_F(HttpClient, GetWithoutAnyResponseReportsLibcurlsCode) {
  uint16_t closedPort = 0;
  {
    DevService gone;
    closedPort = gone.port();
  }
  CLibcurlClient client;
  std::string response;
  HttpResult result = client.Get("http://127.0.0.1:" + std::to_string(closedPort) + "/app/config/setting/", response);

  EXPECT_EQ(result.code, CURLE_COULDNT_CONNECT);
  EXPECT_EQ(result.status, 0);
  EXPECT_FALSE(result.cancelled);
  EXPECT_EQ(result.message, curlText(CURLE_COULDNT_CONNECT));
  EXPECT_EQ(trace.lines(),
            std::vector<std::string>{failureLine(curlText(CURLE_COULDNT_CONNECT), CURLE_COULDNT_CONNECT)});
}

TEST_F(HttpClient, GetThatStallsAfterItsStatusStopsPromptlyWhenTheRunIsCancelled) {
  service.setConfig(Json{{"settings", "plaintext"}, {"faults", {{"settings", {{"stall_ms", 120000}}}}}});
  Clock::time_point cancelledAt;
  std::thread canceller([&] {
    ::Sleep(700);
    cancelledAt = Clock::now();
    cancel.cancel();
  });
  CLibcurlClient client;
  client.setCancelToken(&cancel);
  std::string response;
  HttpResult result = client.Get(service.baseUrl() + "/app/config/setting/", response);
  Clock::time_point returnedAt = Clock::now();
  canceller.join();

  EXPECT_LT(millisecondsBetween(cancelledAt, returnedAt), 2000);
  EXPECT_EQ(result.code, CURLE_ABORTED_BY_CALLBACK) << "a cancelled transfer never reports the 200 of its status line";
  EXPECT_TRUE(result.cancelled);
  EXPECT_EQ(result.status, 200);
  EXPECT_EQ(result.message, curlText(CURLE_ABORTED_BY_CALLBACK));
  EXPECT_EQ(response, "");
  // The service saw the client go away.
  ASSERT_TRUE(service.waitForRequestsTo("/app/config/setting/", 1, seconds(5)));
  EXPECT_FALSE(service.requestsTo("/app/config/setting/")[0]["complete"].get<bool>());
}

TEST_F(HttpClient, PostSendsTheBodyAsAnUrlEncodedForm) {
  CLibcurlClient client;
  EXPECT_TRUE(client.addHeader("X-Extra", "yes"));
  std::string response;
  HttpResult result = client.Post(service.baseUrl() + "/app/count/active/", "info=eyJiIjoi+/=", response);

  EXPECT_EQ(result.code, 200);
  EXPECT_EQ(response, "ok");
  auto requests = service.requestsTo("/app/count/active/");
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0]["method"], "POST");
  EXPECT_EQ(requests[0]["body"], "info=eyJiIjoi+/=");
  EXPECT_EQ(requests[0]["info"], "eyJiIjoi+/=");
  EXPECT_EQ(requests[0]["headers"]["Content-Type"], "application/x-www-form-urlencoded");
  EXPECT_EQ(requests[0]["headers"]["X-Extra"], "yes");
  EXPECT_EQ(requests[0]["headers"]["User-Agent"], kUserAgent);
}

TEST_F(HttpClient, PostWithAnEmptyBodySendsAnEmptyForm) {
  CLibcurlClient client;
  std::string response;
  HttpResult result = client.Post(service.baseUrl() + "/app/count/active/", "", response);

  EXPECT_EQ(result.code, 200);
  auto requests = service.requestsTo("/app/count/active/");
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0]["method"], "POST");
  EXPECT_EQ(requests[0]["body"], "");
  EXPECT_EQ(requests[0]["headers"]["Content-Length"], "0");
  EXPECT_EQ(requests[0]["headers"]["Content-Type"], "application/x-www-form-urlencoded");
}

TEST_F(HttpClient, ReleasedClientFailsEveryTransferWithoutARequest) {
  std::string url = servePackage("up.zip", packageBytes(1000));
  CLibcurlClient client;
  client.Release();
  std::string response;
  const std::string noHandleLine = "[curl_easy_init() failed: m_pCurl == NULL\n]";

  std::vector<HttpResult> results = {client.Get(url, response), client.Post(url, "a=b", response),
                                     client.downloadFile(url, downloads.path(), "up.zip"),
                                     client.downloadFile(url, downloads.path(), "up.zip", 1000)};
  for (const HttpResult& result : results) {
    EXPECT_EQ(result.code, -1);
    EXPECT_EQ(result.message, "m_pCurl == NULL");
  }
  EXPECT_EQ(trace.lines(), std::vector<std::string>(4, noHandleLine));
  EXPECT_FALSE(client.addHeader("X-Any", "1"));
  EXPECT_TRUE(service.requests().empty());
}

// --- Pre-flight ---

TEST_F(HttpClient, PreflightThroughAProxyAsksForATunnel) {
  std::string url = servePackage("up.zip", packageBytes(1000));
  int64_t reported = 0;
  std::string fileName;
  // The service is no proxy: it answers the tunnel request itself.
  getRemoteFileInfo(url, reported, fileName, service.hostAndPort());

  ASSERT_TRUE(service.waitForRequestsTo(service.hostAndPort(), 1, seconds(10)));
  EXPECT_EQ(service.requestsTo(service.hostAndPort())[0]["method"], "CONNECT");
  EXPECT_TRUE(packageRequests().empty());
}

TEST_F(HttpClient, PreflightReadsSizeAndQuotedNameWithoutFetchingTheBody) {
  const size_t size = 16u << 20;
  std::string url = servePackage("big.zip", std::string(size, 'b'));
  service.setConfig(Json{{"package_headers", {"Content-Disposition: attachment; filename=\"tavrin_1.0.0.2.zip\""}}});
  int64_t reported = 0;
  std::string fileName;

  EXPECT_TRUE(getRemoteFileInfo(url, reported, fileName, ""));
  EXPECT_EQ(reported, static_cast<int64_t>(size));
  EXPECT_EQ(fileName, "tavrin_1.0.0.2.zip");
  EXPECT_TRUE(trace.lines().empty());
  ASSERT_TRUE(service.waitForRequestsTo("/packages/big.zip", 1, seconds(10)));
  auto requests = packageRequests("big.zip");
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0]["method"], "HEAD");
  EXPECT_EQ(requests[0]["bytes_sent"].get<uint64_t>(), 0u) << "the body was not fetched";
}

TEST_F(HttpClient, PreflightAsksWithAGetWhenTheServerRefusesHead) {
  const size_t size = 16u << 20;
  std::string url = servePackage("big.zip", std::string(size, 'b'));
  service.setConfig(Json{{"faults", {{"package", {{"refuse_head", true}}}}}});
  int64_t reported = 0;
  std::string fileName;

  // The refusal's own length is not taken for the package's.
  EXPECT_TRUE(getRemoteFileInfo(url, reported, fileName, ""));
  EXPECT_EQ(reported, static_cast<int64_t>(size));
  EXPECT_EQ(fileName, "big.zip");
  EXPECT_TRUE(trace.lines().empty());
  ASSERT_TRUE(service.waitForRequestsTo("/packages/big.zip", 2, seconds(10)));
  auto requests = packageRequests("big.zip");
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0]["method"], "HEAD");
  EXPECT_EQ(requests[0]["status"], 405);
  EXPECT_EQ(requests[1]["method"], "GET");
  EXPECT_FALSE(requests[1]["complete"].get<bool>());
  EXPECT_LT(requests[1]["bytes_sent"].get<uint64_t>(), size / 4) << "the body was not fetched";
}

TEST_F(HttpClient, PreflightDoesNotWaitForAStalledBody) {
  std::string url = servePackage("up.zip", packageBytes(kPackageSize));
  service.setConfig(Json{{"faults", {{"package", {{"stall_ms", 60000}}}}}});
  int64_t reported = 0;
  std::string fileName;
  Clock::time_point started = Clock::now();

  EXPECT_TRUE(getRemoteFileInfo(url, reported, fileName, ""));
  EXPECT_LT(millisecondsBetween(started, Clock::now()), 5000);
  EXPECT_EQ(reported, static_cast<int64_t>(kPackageSize));
  EXPECT_EQ(fileName, "up.zip");
}

TEST_F(HttpClient, PreflightDoesNotRecogniseALowerCaseContentLength) {
  std::string url = servePackage("up.zip", packageBytes(kPackageSize));
  service.setConfig(Json{{"faults", {{"package", {{"lowercase_length", true}}}}}});
  int64_t reported = 99;
  std::string fileName;

  EXPECT_FALSE(getRemoteFileInfo(url, reported, fileName, ""));
  EXPECT_EQ(reported, 0);
  EXPECT_EQ(fileName, "up.zip") << "the name still comes from the URL";
  EXPECT_EQ(trace.lines(), std::vector<std::string>{failureLine(curlText(CURLE_WRITE_ERROR), 200)});
}

TEST_F(HttpClient, PreflightRecognisesSeveralBlanksBeforeTheNumber) {
  std::string url = servePackage("up.zip", packageBytes(kPackageSize));
  service.setConfig(Json{{"package_headers", {"Content-Length:     " + std::to_string(kPackageSize)}},
                         {"faults", {{"package", {{"lowercase_length", true}}}}}});
  int64_t reported = 0;
  std::string fileName;

  EXPECT_TRUE(getRemoteFileInfo(url, reported, fileName, ""));
  EXPECT_EQ(reported, static_cast<int64_t>(kPackageSize));
}

TEST_F(HttpClient, PreflightTakesTheFileNameFromTheUrlWhenNoHeaderNamesOne) {
  servePackage("a b.zip", packageBytes(1000));
  const std::string url = service.baseUrl() + "/packages/a%20b.zip?x=1";
  int64_t reported = 0;
  std::string fileName;
  EXPECT_TRUE(getRemoteFileInfo(url, reported, fileName, ""));
  EXPECT_EQ(reported, 1000);
  EXPECT_EQ(fileName, "a b.zip");

  std::string given = "given.zip";
  EXPECT_TRUE(getRemoteFileInfo(url, reported, given, ""));
  EXPECT_EQ(given, "given.zip") << "a name the caller passed in is kept";
}

TEST_F(HttpClient, PreflightPrefersAFileNameLineToTheQuotedName) {
  std::string url = servePackage("up.zip", packageBytes(1000));
  // libcurl passes on only header lines that hold a colon somewhere.
  service.setConfig(Json{
      {"package_headers", {"Content-Disposition: attachment; filename=\"quoted.zip\"", "filename=  direct.zip\t:"}}});
  int64_t reported = 0;
  std::string fileName;
  EXPECT_TRUE(getRemoteFileInfo(url, reported, fileName, ""));
  EXPECT_EQ(fileName, "direct.zip");
}

TEST_F(HttpClient, PreflightFollowsARedirectAndTakesTheLastLength) {
  servePackage("real.zip", packageBytes(kPackageSize));
  service.setConfig(Json{{"faults", {{"package", {{"redirect", "{base}/packages/real.zip"}, {"count", 1}}}}}});
  int64_t reported = 0;
  std::string fileName;

  // The redirect itself announces "Content-Length: 0"; the final reply's line overwrites it.
  EXPECT_TRUE(getRemoteFileInfo(service.packageUrl("moved.zip"), reported, fileName, ""));
  EXPECT_EQ(reported, static_cast<int64_t>(kPackageSize));
  EXPECT_EQ(fileName, "moved.zip") << "the name comes from the URL asked for";
  EXPECT_EQ(packageRequests("moved.zip").size(), 1u);
  EXPECT_TRUE(service.waitForRequestsTo("/packages/real.zip", 1, seconds(10)));

  // A redirect that announces a length of its own, to a reply without one:
  // no size is known (the redirect's length is not the package's).
  service.setConfig(Json{{"faults",
                          {{"package", {{"redirect", "{base}/app/config/setting/"}, {"body", std::string(5000, 'm')}}},
                           {"settings", {{"no_length", true}}}}}});
  EXPECT_FALSE(getRemoteFileInfo(service.packageUrl("moved.zip"), reported, fileName, ""));
  EXPECT_EQ(reported, 0);
}

TEST_F(HttpClient, TransfersFollowAtMostTenRedirects) {
  servePackage("real.zip", packageBytes(kPackageSize));
  service.setConfig(Json{{"faults", {{"package", {{"redirect", "{base}/packages/loop.zip"}}}}}});
  int64_t reported = 0;
  std::string fileName;
  EXPECT_FALSE(getRemoteFileInfo(service.packageUrl("loop.zip"), reported, fileName, ""));
  CLibcurlClient client;
  HttpResult result = client.downloadFile(service.packageUrl("loop.zip"), downloads.path(), "up.zip");
  EXPECT_EQ(result.code, 302) << "the last redirect is where the chain ends";
  // The HEAD and the GET of the pre-flight and the download: 11 requests each.
  EXPECT_EQ(packageRequests("loop.zip").size(), 33u);
  EXPECT_FALSE(pathExists(inDownloads("up.zip")));
}

// --- Plain download ---

TEST_F(HttpClient, PlainDownloadWritesTheTargetAndLeavesNoPartialFile) {
  std::string package = packageBytes(kPackageSize);
  std::string url = servePackage("up.zip", package);
  ASSERT_TRUE(writeFile(inDownloads("up.zip"), "an older file"));
  CLibcurlClient client;

  HttpResult result = client.downloadFile(url, downloads.path(), "up.zip");
  EXPECT_EQ(result.code, 200);
  EXPECT_EQ(result.message, curlText(CURLE_OK));
  EXPECT_TRUE(readFile(inDownloads("up.zip")) == package);
  EXPECT_FALSE(pathExists(inDownloads("up.zip.temp")));
  EXPECT_TRUE(trace.lines().empty());
}

TEST_F(HttpClient, PlainDownloadOfAMissingPackageLeavesNothing) {
  CLibcurlClient client;
  HttpResult result = client.downloadFile(service.packageUrl("missing.zip"), downloads.path(), "up.zip");

  EXPECT_EQ(result.code, 404);
  EXPECT_EQ(result.message, curlText(CURLE_OK));
  EXPECT_FALSE(pathExists(inDownloads("up.zip")));
  EXPECT_FALSE(pathExists(inDownloads("up.zip.temp")));
  EXPECT_EQ(trace.lines(), (std::vector<std::string>{failureLine(curlText(CURLE_OK), 404), "[No error]"}));
}

TEST_F(HttpClient, DownloadIntoAMissingFolderFailsWithoutAnyRequest) {
  const std::string missing = downloads.file("not there");
  const std::string expected = "save dir=" + missing + " is not exsit" + kFullWidthExclamation936;
  std::string url = servePackage("up.zip", packageBytes(1000));
  CLibcurlClient client;

  HttpResult plain = client.downloadFile(url, missing, "up.zip");
  EXPECT_EQ(plain.code, -1);
  EXPECT_EQ(plain.message, expected);
  HttpResult resumable = client.downloadFile(url, missing, "up.zip", 1000);
  EXPECT_EQ(resumable.code, -1);
  EXPECT_EQ(resumable.message, expected);

  EXPECT_EQ(trace.lines(), (std::vector<std::string>{"[" + expected + "]", "[" + expected + "]"}));
  EXPECT_TRUE(service.requests().empty());
}

TEST_F(HttpClient, DownloadFailsWhenThePartialFileCannotBeOpened) {
  std::string url = servePackage("up.zip", packageBytes(1000));
  ASSERT_TRUE(::CreateDirectoryA(inDownloads("up.zip.temp").c_str(), nullptr));
  const std::regex expected("downloadFile open file error\\(\\d+\\), " +
                            std::regex_replace(inDownloads("up.zip"), std::regex("[\\\\.]"), "\\$&"));
  CLibcurlClient client;

  HttpResult plain = client.downloadFile(url, downloads.path(), "up.zip");
  EXPECT_EQ(plain.code, -1);
  EXPECT_TRUE(std::regex_match(plain.message, expected)) << plain.message;
  ASSERT_EQ(trace.lines().size(), 1u);
  EXPECT_EQ(trace.lines()[0], "[" + plain.message + "]");

  HttpResult resumable = client.downloadFile(url, downloads.path(), "up.zip", 1000);
  EXPECT_EQ(resumable.code, -1);
  EXPECT_TRUE(std::regex_match(resumable.message, expected)) << resumable.message;
  EXPECT_TRUE(service.requests().empty());
}

TEST_F(HttpClient, PlainDownloadWaitsForAPartialFileThatAnotherProgramHolds) {
  std::string package = packageBytes(kPackageSize);
  std::string url = servePackage("up.zip", package);
  service.setConfig(Json{{"faults", {{"package", {{"stall_ms", 1500}}}}}});
  CLibcurlClient client;

  HttpResult result = downloadWhileThePartialFileIsHeld(
      inDownloads("up.zip.temp"), [&] { return client.downloadFile(url, downloads.path(), "up.zip"); });
  EXPECT_EQ(result.code, 200);
  EXPECT_TRUE(readFile(inDownloads("up.zip")) == package);
  EXPECT_FALSE(pathExists(inDownloads("up.zip.temp")));
}

TEST_F(HttpClient, PlainDownloadGivesUpOnATargetThatCannotBeReplaced) {
  std::string package = packageBytes(kPackageSize);
  std::string url = servePackage("up.zip", package);
  ASSERT_TRUE(writeFile(inDownloads("up.zip"), "held"));
  tavrin::UniqueFileHandle held = holdWithoutDeleteSharing(inDownloads("up.zip"));
  ASSERT_TRUE(held);
  CLibcurlClient client;

  HttpResult result = client.downloadFile(url, downloads.path(), "up.zip");
  held.reset();
  // The old target could be neither deleted nor replaced: 1800 attempts fail
  // at once with "already exists" (183), which is no sharing violation.
  EXPECT_EQ(result.code, -1);
  EXPECT_EQ(result.message, "rename error lasterror=[183]");
  EXPECT_EQ(trace.lines(), std::vector<std::string>{"[rename error lasterror=[183]]"});
  EXPECT_EQ(readFile(inDownloads("up.zip")), "held");
  EXPECT_TRUE(readFile(inDownloads("up.zip.temp")) == package) << "a complete transfer keeps its partial file";
}

// --- Resumable download ---

TEST_F(HttpClient, ResumableDownloadContinuesAPartialFileOfTheSameSize) {
  std::string package = packageBytes(kPackageSize);
  std::string url = servePackage("up.zip", package);
  ASSERT_TRUE(writeFile(inDownloads("up.zip.temp"), package.substr(0, 100000)));
  ASSERT_TRUE(writeFile(inDownloads("up.zip.cfg"), sideFileRecording(kPackageSize)));
  CLibcurlClient client;

  HttpResult result = client.downloadFile(url, downloads.path(), "up.zip", kPackageSize);
  EXPECT_EQ(result.code, 200);
  EXPECT_EQ(result.message, curlText(CURLE_OK));
  EXPECT_TRUE(readFile(inDownloads("up.zip")) == package);
  EXPECT_FALSE(pathExists(inDownloads("up.zip.temp")));
  EXPECT_EQ(readFile(inDownloads("up.zip.cfg")), sideFileRecording(kPackageSize)) << "the side file stays";
  auto requests = packageRequests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0]["range"], "bytes=100000-");
  EXPECT_EQ(requests[0]["status"], 206);
  EXPECT_EQ(trace.lines(), std::vector<std::string>{failureLine(curlText(CURLE_OK), 206)});
}

TEST_F(HttpClient, ResumableDownloadStartsOverWhenTheSideFileNamesAnotherSize) {
  std::string package = packageBytes(kPackageSize);
  std::string url = servePackage("up.zip", package);
  ASSERT_TRUE(writeFile(inDownloads("up.zip.temp"), packageBytes(100000, 777)));
  ASSERT_TRUE(writeFile(inDownloads("up.zip.cfg"), sideFileRecording(kPackageSize + 1)));
  CLibcurlClient client;

  HttpResult result = client.downloadFile(url, downloads.path(), "up.zip", kPackageSize);
  EXPECT_EQ(result.code, 200);
  EXPECT_TRUE(readFile(inDownloads("up.zip")) == package);
  EXPECT_EQ(readFile(inDownloads("up.zip.cfg")), sideFileRecording(kPackageSize));
  auto requests = packageRequests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_FALSE(requests[0].contains("range")) << "from byte 0";
  EXPECT_EQ(requests[0]["status"], 200);
}

TEST_F(HttpClient, ResumableDownloadCutShortKeepsBothFilesAndTheNextOneResumes) {
  std::string package = packageBytes(kPackageSize);
  std::string url = servePackage("up.zip", package);
  service.setConfig(Json{{"faults", {{"package", {{"cut_after", 120000}, {"count", 1}}}}}});
  CLibcurlClient client;

  HttpResult cut = client.downloadFile(url, downloads.path(), "up.zip", kPackageSize);
  EXPECT_EQ(cut.code, -100);
  EXPECT_FALSE(cut.cancelled) << "a server that broke off is no cancel";
  EXPECT_EQ(cut.message, kServerBrokeOff936);
  EXPECT_FALSE(pathExists(inDownloads("up.zip")));
  EXPECT_TRUE(readFile(inDownloads("up.zip.temp")) == package.substr(0, 120000));
  EXPECT_EQ(readFile(inDownloads("up.zip.cfg")), sideFileRecording(kPackageSize));
  EXPECT_EQ(trace.lines(), std::vector<std::string>{failureLine(curlText(CURLE_PARTIAL_FILE), CURLE_PARTIAL_FILE)});

  CLibcurlClient next;
  HttpResult resumed = next.downloadFile(url, downloads.path(), "up.zip", kPackageSize);
  EXPECT_EQ(resumed.code, 200);
  EXPECT_TRUE(readFile(inDownloads("up.zip")) == package);
  auto requests = packageRequests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1]["range"], "bytes=120000-");
}

TEST_F(HttpClient, ResumableDownloadOfAMissingPackageDropsOnlyThePartialFile) {
  ASSERT_TRUE(writeFile(inDownloads("up.zip.temp"), packageBytes(1000)));
  ASSERT_TRUE(writeFile(inDownloads("up.zip.cfg"), sideFileRecording(5000)));
  CLibcurlClient client;

  HttpResult result = client.downloadFile(service.packageUrl("missing.zip"), downloads.path(), "up.zip", 5000);
  EXPECT_EQ(result.code, 404);
  ASSERT_FALSE(trace.lines().empty());
  EXPECT_EQ(trace.lines().back(), "[" + result.message + "]");
  EXPECT_FALSE(pathExists(inDownloads("up.zip.temp")));
  EXPECT_FALSE(pathExists(inDownloads("up.zip")));
  EXPECT_EQ(readFile(inDownloads("up.zip.cfg")), sideFileRecording(5000));
}

TEST_F(HttpClient, ResumableDownloadRefusesAnErrorPageAsLongAsThePackage) {
  std::string url = servePackage("up.zip", packageBytes(kPackageSize));
  const std::string errorPage(kPackageSize, 'e');
  service.setConfig(Json{{"faults", {{"package", {{"status", 500}, {"body", errorPage}}}}}});
  CLibcurlClient client;

  HttpResult result = client.downloadFile(url, downloads.path(), "up.zip", kPackageSize);
  EXPECT_EQ(result.code, 500);
  EXPECT_FALSE(pathExists(inDownloads("up.zip"))) << "an error page is no package";
  EXPECT_FALSE(pathExists(inDownloads("up.zip.temp")));
}

TEST_F(HttpClient, ResumableDownloadFinishesAPartialFileThatIsAlreadyWhole) {
  const std::string package = packageBytes(kPackageSize);
  std::string url = servePackage("up.zip", package);
  ASSERT_TRUE(writeFile(inDownloads("up.zip.temp"), package));
  ASSERT_TRUE(writeFile(inDownloads("up.zip.cfg"), sideFileRecording(kPackageSize)));
  CLibcurlClient client;

  // The range starts past the end: the service answers 416 and adds nothing.
  HttpResult result = client.downloadFile(url, downloads.path(), "up.zip", kPackageSize);
  EXPECT_EQ(result.code, 200);
  EXPECT_TRUE(readFile(inDownloads("up.zip")) == package);
  EXPECT_FALSE(pathExists(inDownloads("up.zip.temp")));
  auto requests = packageRequests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0]["status"], 416);
}

TEST_F(HttpClient, ResumableDownloadKeepsACompleteTargetWithoutAnyRequest) {
  std::string url = servePackage("up.zip", packageBytes(kPackageSize));
  const std::string complete = packageBytes(kPackageSize, 99);
  ASSERT_TRUE(writeFile(inDownloads("up.zip"), complete));
  CLibcurlClient client;

  HttpResult result = client.downloadFile(url, downloads.path(), "up.zip", kPackageSize);
  EXPECT_EQ(result.code, 200);
  EXPECT_EQ(result.message, "");
  EXPECT_TRUE(readFile(inDownloads("up.zip")) == complete) << "touched nothing";
  EXPECT_FALSE(pathExists(inDownloads("up.zip.cfg")));
  EXPECT_TRUE(service.requests().empty());

  // A target of another size is no complete download: it is replaced.
  ASSERT_TRUE(writeFile(inDownloads("up.zip"), "short"));
  HttpResult again = client.downloadFile(url, downloads.path(), "up.zip", kPackageSize);
  EXPECT_EQ(again.code, 200);
  EXPECT_TRUE(readFile(inDownloads("up.zip")) == packageBytes(kPackageSize));
  EXPECT_EQ(packageRequests().size(), 1u);
}

TEST_F(HttpClient, ResumableDownloadFailsWhenTheSideFileCannotBeOpened) {
  std::string url = servePackage("up.zip", packageBytes(1000));
  const std::string sideFile = inDownloads("up.zip.cfg");
  ASSERT_TRUE(::CreateDirectoryA(sideFile.c_str(), nullptr));
  const std::regex expected("can not open file=" + std::regex_replace(sideFile, std::regex("[\\\\.]"), "\\$&") +
                            " error\\(\\d+\\)");
  CLibcurlClient client;

  // Without a partial file the side file is written before the transfer.
  HttpResult writing = client.downloadFile(url, downloads.path(), "up.zip", 1000);
  EXPECT_EQ(writing.code, -102);
  EXPECT_TRUE(std::regex_match(writing.message, expected)) << writing.message;

  // With a partial file it is read first.
  ASSERT_TRUE(writeFile(inDownloads("up.zip.temp"), "partial"));
  HttpResult reading = client.downloadFile(url, downloads.path(), "up.zip", 1000);
  EXPECT_EQ(reading.code, -102);
  EXPECT_TRUE(std::regex_match(reading.message, expected)) << reading.message;
  EXPECT_EQ(readFile(inDownloads("up.zip.temp")), "partial");

  EXPECT_EQ(trace.lines(), (std::vector<std::string>{"[" + writing.message + "]", "[" + reading.message + "]"}));
  EXPECT_TRUE(service.requests().empty());
}

TEST_F(HttpClient, ResumableDownloadWaitsForAPartialFileThatAnotherProgramHolds) {
  std::string package = packageBytes(kPackageSize);
  std::string url = servePackage("up.zip", package);
  service.setConfig(Json{{"faults", {{"package", {{"stall_ms", 1500}}}}}});
  CLibcurlClient client;

  HttpResult result = downloadWhileThePartialFileIsHeld(
      inDownloads("up.zip.temp"), [&] { return client.downloadFile(url, downloads.path(), "up.zip", kPackageSize); });
  EXPECT_EQ(result.code, 200);
  EXPECT_TRUE(readFile(inDownloads("up.zip")) == package);
  EXPECT_FALSE(pathExists(inDownloads("up.zip.temp")));
}

TEST_F(HttpClient, CancelledResumableDownloadNeverLeavesATargetThatLooksComplete) {
  std::string package = packageBytes(kPackageSize);
  std::string url = servePackage("up.zip", package);
  service.setConfig(Json{{"faults", {{"package", {{"cut_after", 50000}, {"stall_ms", 120000}}}}}});
  Clock::time_point cancelledAt;
  std::thread canceller([&] {
    // The runtime library keeps up to a few KiB in its buffer until the file is closed.
    waitUntil([&] { return readFile(inDownloads("up.zip.temp")).size() >= 40000; }, seconds(20));
    cancelledAt = Clock::now();
    cancel.cancel();
  });
  CLibcurlClient client;
  client.setCancelToken(&cancel);
  HttpResult result = client.downloadFile(url, downloads.path(), "up.zip", kPackageSize);
  Clock::time_point returnedAt = Clock::now();
  canceller.join();

  EXPECT_LT(millisecondsBetween(cancelledAt, returnedAt), 2000);
  EXPECT_EQ(result.code, -100);
  EXPECT_TRUE(result.cancelled) << "a cancel is told apart from a server that broke off";
  EXPECT_FALSE(pathExists(inDownloads("up.zip")));
  EXPECT_TRUE(readFile(inDownloads("up.zip.temp")) == package.substr(0, 50000));
  EXPECT_EQ(readFile(inDownloads("up.zip.cfg")), sideFileRecording(kPackageSize));
}

TEST_F(HttpClient, CancelledRenameLeavesTheWholePartialFileForTheNextRun) {
  std::string package = packageBytes(kPackageSize);
  std::string url = servePackage("up.zip", package);
  const std::string partial = inDownloads("up.zip.temp");
  service.setConfig(Json{{"faults", {{"package", {{"stall_ms", 1500}}}}}});  // time to take hold of the partial file
  std::thread holder([&] {
    if (!waitUntil([&] { return pathExists(partial); }, seconds(20))) return;
    tavrin::UniqueFileHandle hold = holdWithoutDeleteSharing(partial);
    waitUntil([&] { return readFile(partial).size() == package.size(); }, seconds(30));
    ::Sleep(300);
    cancel.cancel();  // the browser ends while the rename waits
    ::Sleep(300);
  });
  CLibcurlClient client;
  client.setCancelToken(&cancel);
  HttpResult result = client.downloadFile(url, downloads.path(), "up.zip", kPackageSize);
  holder.join();

  EXPECT_EQ(result.code, CURLE_ABORTED_BY_CALLBACK) << "a rename that did not happen is no success";
  EXPECT_TRUE(result.cancelled);
  EXPECT_EQ(result.transport, CURLE_OK) << "the transfer itself completed";
  EXPECT_FALSE(pathExists(inDownloads("up.zip")));
  EXPECT_TRUE(readFile(partial) == package);
  EXPECT_EQ(readFile(inDownloads("up.zip.cfg")), sideFileRecording(kPackageSize));
}

TEST_F(HttpClient, ResumableDownloadStartsOverWhenTheServerIgnoresTheRange) {
  std::string package = packageBytes(kPackageSize);
  std::string url = servePackage("up.zip", package);
  service.setConfig(Json{{"faults", {{"package", {{"cut_after", 120000}, {"count", 1}}}}}});
  CLibcurlClient client;
  EXPECT_EQ(client.downloadFile(url, downloads.path(), "up.zip", kPackageSize).code, -100);

  service.setConfig(Json{{"faults", {{"package", {{"ignore_range", true}}}}}});
  CLibcurlClient next;
  HttpResult result = next.downloadFile(url, downloads.path(), "up.zip", kPackageSize);
  EXPECT_EQ(result.code, 200);
  EXPECT_TRUE(readFile(inDownloads("up.zip")) == package);
  EXPECT_FALSE(pathExists(inDownloads("up.zip.temp")));
  auto requests = packageRequests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[1]["range"], "bytes=120000-");
  EXPECT_TRUE(requests[2]["range"].is_null()) << "the package is asked for from its start";
}

// --- Progress and trace ---

struct ProgressReport {
  int32_t kind;
  int32_t task;
  double total;
  double current;
  double previous;
  DWORD tick;
};

class RecordingObserver : public CLibcurlDownCallback {
 public:
  void onProgress(int32_t kind, int32_t taskNumber, double total, double current, double previous) override {
    reports.push_back({kind, taskNumber, total, current, previous, ::GetTickCount()});
  }
  void onNotify(int32_t, int32_t, int32_t, int32_t, int32_t) override { ++notifications; }
  std::vector<ProgressReport> reports;
  int notifications = 0;
};

TEST_F(HttpClient, ProgressOfAResumedDownloadCountsTheBytesOnDiskAtMostOncePerSecond) {
  std::string package = packageBytes(kPackageSize);
  std::string url = servePackage("up.zip", package);
  ASSERT_TRUE(writeFile(inDownloads("up.zip.temp"), package.substr(0, 1000)));
  ASSERT_TRUE(writeFile(inDownloads("up.zip.cfg"), sideFileRecording(kPackageSize)));
  // The rest comes 2.5 s after the headers: reports while the total is known.
  service.setConfig(Json{{"faults", {{"package", {{"stall_ms", 2500}}}}}});

  RecordingObserver observer;
  CLibcurlClient client;
  client.setObserver(&observer, 7);
  HttpResult result = client.downloadFile(url, downloads.path(), "up.zip", kPackageSize);
  EXPECT_EQ(result.code, 200);

  ASSERT_GE(observer.reports.size(), 2u);
  double previous = 0.0;
  for (size_t i = 0; i < observer.reports.size(); ++i) {
    const ProgressReport& report = observer.reports[i];
    EXPECT_EQ(report.kind, 1);
    EXPECT_EQ(report.task, 7);
    EXPECT_EQ(report.total, static_cast<double>(kPackageSize)) << "resume base added to the total";
    EXPECT_GE(report.current, 1000.0) << "resume base added to the position";
    EXPECT_EQ(report.previous, previous);
    previous = report.current;
    if (i > 0) {
      // Ticks taken in the observer, a little after the client's own.
      EXPECT_GE(report.tick - observer.reports[i - 1].tick, 950u);
    }
  }
  EXPECT_EQ(observer.notifications, 0);
}

TEST_F(HttpClient, SpeedCapSlowsADownloadDown) {
  // libcurl reads what has arrived before it starts to hold back, so the
  // package is large enough for the cap to show.
  std::string package = packageBytes(4 * 1024 * 1024);
  std::string url = servePackage("up.zip", package);
  CLibcurlClient client;
  client.setSpeedCap(1024);  // KiB per second: up to 4 s for 4 MiB
  Clock::time_point started = Clock::now();

  HttpResult result = client.downloadFile(url, downloads.path(), "up.zip");
  long long elapsed = millisecondsBetween(started, Clock::now());
  std::printf("4 MiB at 1 MiB/s took %lld ms\n", elapsed);
  EXPECT_EQ(result.code, 200);
  EXPECT_GE(elapsed, 1500);
  EXPECT_TRUE(readFile(inDownloads("up.zip")) == package);
}

TEST(TraceLog, WrapsTheMessageInBracketsAndCutsItAt1023Characters) {
  TraceCapture trace;
  traceLog("curl_global_init() failed: %s\n", "Out of memory");
  traceLog("%s", std::string(2000, 'x').c_str());
  std::vector<std::string> lines = trace.lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "[curl_global_init() failed: Out of memory\n]");
  EXPECT_EQ(lines[1], "[" + std::string(1023, 'x') + "]");
}

}  // namespace
