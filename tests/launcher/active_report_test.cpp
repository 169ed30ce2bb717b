// The activity report as the statistics service receives it, and the
// machine identity behind it.
#include <gtest/gtest.h>

#include <cstdlib>

#include "active_report.h"
#include "base64.h"
#include "debuggee.h"
#include "dev_service.h"
#include "installation.h"
#include "os_probe.h"
#include "test_env.h"

namespace {

using namespace tavrin;
using namespace tavrin::test;
using Json = nlohmann::json;

TEST(Md5, RfcVectors) {
  EXPECT_EQ(md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(md5Hex("a"), "0cc175b9c0f1b6a831c399e269772661");
  EXPECT_EQ(md5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(md5Hex("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
  EXPECT_EQ(md5Hex("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
  EXPECT_EQ(md5Hex("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
            "d174ab98d277d9f5a5611c2c9f419d9f");
  EXPECT_EQ(md5Hex("12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
            "57edf4a22be3c955ac49da2e2107b67a");
}

TEST(ActiveReportRecord, IsCompactWithMembersInKeyOrderAndANumericOs) {
  EXPECT_EQ(buildActiveReport("vensa", "gw", "0123456789abcdef0123456789abcdef", 13, "1.0.0.1"),
            R"({"b":"vensa","channel":"gw","mac":"0123456789abcdef0123456789abcdef","os":13,"version":"1.0.0.1"})");
  EXPECT_EQ(buildActiveReport("vensa", "a\"b\\c", "m", 0, ""),
            R"({"b":"vensa","channel":"a\"b\\c","mac":"m","os":0,"version":""})");
}

TEST(ActiveReportRecord, BytesThatAreNotUtf8StillMakeARecord) {
  std::string record = buildActiveReport("vensa", "\xB5\xC8", "m", 7, "1");
  Json parsed = Json::parse(record, nullptr, false);
  ASSERT_TRUE(parsed.is_object()) << record;
  EXPECT_EQ(parsed["os"], 7);
}

TEST(MachineId, IsStableLowerCaseHex) {
  std::string id = getMachineId();
  EXPECT_EQ(id.size(), 32u);
  EXPECT_EQ(id.find_first_not_of("0123456789abcdef"), std::string::npos);
  EXPECT_EQ(getMachineId(), id);
  EXPECT_NE(id, md5Hex(std::string(4, '\0'))) << "the SID and the serial were found on this system";
}

// What the test prefix reports (scripts/test): Windows 7 SP1 64-bit by
// default, code 7; Windows XP x64 edition (5.2 SP2) when TAVRIN_PREFIX_WINDOWS
// is "winxp64", code 2 (XP SP3 and later XP builds are 2 on either kind of machine).
int osCodeOfThePrefix() {
  const char* windows = std::getenv("TAVRIN_PREFIX_WINDOWS");
  return windows != nullptr && std::string(windows) == "winxp64" ? 2 : 7;
}

class ActiveReport : public ::testing::Test {
 protected:
  void SetUp() override { service.setConfig(Json{{"settings", nullptr}, {"update", nullptr}}); }
  void TearDown() override { endAllStandIns(); }
  Json reportOfOneRun() {
    EXPECT_EQ(runDebuggee("\"" + install.launcher() + "\"", install.dir()).exitCode, 0u);
    auto reports = service.requestsTo("/app/count/active/");
    EXPECT_EQ(reports.size(), 1u);
    return reports.empty() ? Json() : reports.back();
  }

  StandInLog log;
  ScopedEnv lifetime{"TAVRIN_STANDIN_LIFETIME", "wait"};
  DevService service;
  ScopedEnv host{"TAVRIN_SERVICE_HOST", service.hostAndPort().c_str()};
  Installation install;
};

TEST_F(ActiveReport, TheServiceReceivesTheExactRecord) {
  Json report = reportOfOneRun();
  std::string expected = buildActiveReport("vensa", "gw", getMachineId(), getOsCode(), "1.0.0.1");
  EXPECT_EQ(report["report_text"], expected);
  EXPECT_EQ(report["body"], "info=" + base64Encode(expected));
  EXPECT_TRUE(report["report"]["os"].is_number_integer());
  EXPECT_EQ(report["report"]["os"], osCodeOfThePrefix());
  EXPECT_EQ(report["method"], "POST");
}

TEST_F(ActiveReport, ABrowserWithoutVersionSendsAnEmptyVersion) {
  ASSERT_TRUE(install.setBrowserVersion("unversioned"));
  Json report = reportOfOneRun();
  ASSERT_TRUE(report["report"].contains("version"));
  EXPECT_EQ(report["report"]["version"], "");
}

TEST_F(ActiveReport, PlusAndSlashTravelUnescaped) {
  // Find a channel whose record encodes to Base64 holding both "+" and "/".
  std::string channel;
  for (int i = 0; i < 100000 && channel.empty(); ++i) {
    std::string candidate = "ch~" + std::to_string(i) + "?>";
    std::string encoded = base64Encode(buildActiveReport("vensa", candidate, getMachineId(), getOsCode(), "1.0.0.1"));
    if (encoded.find('+') != std::string::npos && encoded.find('/') != std::string::npos) channel = candidate;
  }
  ASSERT_FALSE(channel.empty());
  ASSERT_TRUE(install.record().setString("channel", channel));
  Json report = reportOfOneRun();
  std::string info = report["info"];
  EXPECT_NE(info.find('+'), std::string::npos);
  EXPECT_NE(info.find('/'), std::string::npos);
  EXPECT_EQ(report["report"]["channel"], channel);
}

TEST_F(ActiveReport, QuotesAndBackslashesInTheChannelAreEscapedByJson) {
  ASSERT_TRUE(install.record().setString("channel", "sp\"01\\x"));
  Json report = reportOfOneRun();
  EXPECT_NE(report["report_text"].get<std::string>().find(R"("channel":"sp\"01\\x")"), std::string::npos);
}

TEST_F(ActiveReport, AChannelThatIsNotUtf8StillSendsAReport) {
  ASSERT_TRUE(install.record().setString("channel", "\xB5\xC8\xFF"));
  Json report = reportOfOneRun();
  EXPECT_TRUE(report["report"].is_object());
}

}  // namespace
