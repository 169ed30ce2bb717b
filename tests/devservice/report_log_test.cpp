// The two report endpoints and the request log: raw "info" values, their
// decoded text and JSON, and whole log lines under concurrent requests.
#include "dev_service.h"
#include "raw_http.h"

#include <gtest/gtest.h>

#include <openssl/evp.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

const char kActivePath[] = "/app/count/active/";
const char kUninstallPath[] = "/app/count/uninstall/";
const char kFormHeader[] = "Content-Type: application/x-www-form-urlencoded";

std::string encodeBase64(const std::string& bytes) {
  std::string text((bytes.size() + 2) / 3 * 4 + 1, '\0');
  const int size =
      EVP_EncodeBlock(reinterpret_cast<unsigned char*>(&text[0]), reinterpret_cast<const unsigned char*>(bytes.data()),
                      static_cast<int>(bytes.size()));
  text.resize(static_cast<size_t>(size));
  return text;
}

}  // namespace

TEST(ReportLog, ActiveReportKeepsPlusAndSlashAndDecodesTheReport) {
  DevService service;
  ASSERT_TRUE(service.running());
  const std::string report =
      R"({"b":"vensa","channel":"gw??>>","mac":"0f3e8a9b7c6d5e4f3a2b1c0d9e8f7a6b","os":13,"version":"1.0.0.1"})";
  const std::string info = encodeBase64(report);
  ASSERT_NE(info.find('+'), std::string::npos);
  ASSERT_NE(info.find('/'), std::string::npos);

  const RawReply reply = exchange(service.port(), makeRequest("POST", kActivePath, {kFormHeader}, "info=" + info));
  EXPECT_EQ(reply.status, 200);
  EXPECT_EQ(reply.body, "ok");

  const nlohmann::json logged = service.lastLogLineFor(kActivePath);
  EXPECT_EQ(logged.value("method", ""), "POST");
  EXPECT_EQ(logged.value("body", ""), "info=" + info);
  EXPECT_EQ(logged.value("info", ""), info);
  EXPECT_EQ(logged.value("report_text", ""), report);
  EXPECT_EQ(logged["report"], nlohmann::json::parse(report));
  EXPECT_EQ(logged["report"].value("os", 0), 13);
  EXPECT_EQ(logged["headers"].value("Content-Type", ""), "application/x-www-form-urlencoded");
}

TEST(ReportLog, UninstallReportWithPostVerbKeepsItsTrailingLineFeed) {
  DevService service;
  ASSERT_TRUE(service.running());
  const std::string report = "{\"b\":\"vensa\",\"channel\":\"c7\",\"mac\":\"M1\",\"version\":\"1.0.0.1\"}\n";
  const std::string info = encodeBase64(report);

  const RawReply reply = exchange(
      service.port(),
      makeRequest("Post", kUninstallPath, {"Content-type: application/x-www-form-urlencoded"}, "info=" + info));
  EXPECT_EQ(reply.status, 200);
  EXPECT_EQ(reply.body, "ok");

  const nlohmann::json logged = service.lastLogLineFor(kUninstallPath);
  EXPECT_EQ(logged.value("method", ""), "Post");
  EXPECT_EQ(logged.value("report_text", ""), report);
  EXPECT_EQ(logged["report"].value("mac", ""), "M1");
}

TEST(ReportLog, EscapedOrMissingInfoGivesNoReport) {
  DevService service;
  ASSERT_TRUE(service.running());
  const std::string info = encodeBase64(R"({"b":"vensa","channel":"gw??>>"})");
  std::string escaped;
  for (char symbol : info) {
    escaped += symbol == '+' ? std::string("%2B") : symbol == '/' ? std::string("%2F") : std::string(1, symbol);
  }
  ASSERT_NE(escaped, info);

  exchange(service.port(), makeRequest("POST", kActivePath, {kFormHeader}, "info=" + escaped));
  nlohmann::json logged = service.lastLogLineFor(kActivePath);
  EXPECT_EQ(logged.value("info", ""), escaped);
  EXPECT_TRUE(logged["report_text"].is_null());
  EXPECT_TRUE(logged["report"].is_null());

  exchange(service.port(), makeRequest("POST", kActivePath, {kFormHeader}, "other=1"));
  logged = service.lastLogLineFor(kActivePath);
  EXPECT_TRUE(logged.contains("info"));
  EXPECT_TRUE(logged["info"].is_null());
}

TEST(ReportLog, BodyThatIsNotUtf8IsAlsoLoggedInHex) {
  DevService service;
  ASSERT_TRUE(service.running());
  exchange(service.port(), makeRequest("POST", kActivePath, {kFormHeader}, std::string("x=\xFF\x00y", 5)));
  const nlohmann::json logged = service.lastLogLineFor(kActivePath);
  EXPECT_EQ(logged.value("body_hex", ""), "783dff0079");
  EXPECT_EQ(logged.value("body", ""), std::string("x=\xC3\xBF\x00y", 6));
}

TEST(ReportLog, ConcurrentRequestsGiveOneWholeLineEach) {
  DevService service;
  ASSERT_TRUE(service.running());
  constexpr int kThreads = 6;
  constexpr int kRequestsPerThread = 5;
  const std::string longBody = "info=" + std::string(20000, 'A');
  std::vector<std::thread> clients;
  for (int thread = 0; thread < kThreads; ++thread) {
    clients.emplace_back([&service, &longBody] {
      for (int request = 0; request < kRequestsPerThread; ++request) {
        exchange(service.port(), makeRequest("POST", kActivePath, {kFormHeader}, longBody));
      }
    });
  }
  for (std::thread& client : clients) client.join();

  const std::vector<nlohmann::json> lines = service.logLines();
  ASSERT_EQ(lines.size(), static_cast<size_t>(kThreads * kRequestsPerThread));
  std::set<int> sequence;
  for (const nlohmann::json& line : lines) {
    ASSERT_TRUE(line.is_object());
    EXPECT_EQ(line.value("body", ""), longBody);
    sequence.insert(line.value("seq", 0));
  }
  EXPECT_EQ(sequence.size(), lines.size());
  EXPECT_EQ(*sequence.begin(), 1);
  EXPECT_EQ(*sequence.rbegin(), kThreads * kRequestsPerThread);
}
