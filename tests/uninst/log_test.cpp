// The uninstaller's log: line format, levels, and lines from two threads.
#include <gtest/gtest.h>

#include <map>

#include "log_line.h"
#include "text_convert.h"
#include "uninst_fixture.h"

namespace {

using namespace tavrin;
using namespace tavrin::test;

SYSTEMTIME fifthOfMarch() {
  SYSTEMTIME time = {};
  time.wYear = 2024;
  time.wMonth = 3;
  time.wDay = 5;
  time.wHour = 9;
  time.wMinute = 5;
  time.wSecond = 2;
  time.wMilliseconds = 15;
  return time;
}

TEST(LogLine, TimeStampPadsEveryField) {
  EXPECT_EQ(uninst::FormatLogTime(fifthOfMarch()), L"2024-03-05 09:05:02.015");
  SYSTEMTIME late = fifthOfMarch();
  late.wMonth = 12;
  late.wDay = 31;
  late.wHour = 23;
  late.wMinute = 59;
  late.wSecond = 58;
  late.wMilliseconds = 999;
  EXPECT_EQ(uninst::FormatLogTime(late), L"2024-12-31 23:59:58.999");
}

TEST(LogLine, CarriesThreadIdTimeTagAndMessage) {
  EXPECT_EQ(wideToUtf8(uninst::FormatLogLine(4712, fifthOfMarch(), 1, L"CUninstMgr::DeleteCache 删除缓存信息 step=30")),
            "[4712][2024-03-05 09:05:02.015][INFO]CUninstMgr::DeleteCache 删除缓存信息 step=30");
  EXPECT_EQ(uninst::FormatLogLine(7, fifthOfMarch(), 2, L"w"), L"[7][2024-03-05 09:05:02.015][WARN]w");
  EXPECT_EQ(uninst::FormatLogLine(7, fifthOfMarch(), 3, L"e"), L"[7][2024-03-05 09:05:02.015][ERROR]e");
}

TEST(LogLine, EveryOtherLevelIsDebug) {
  for (int level : {-1, 0, 4, 5, 100}) EXPECT_STREQ(uninst::LogTag(level), L"DEBUG") << level;
  EXPECT_STREQ(uninst::LogTag(1), L"INFO");
  EXPECT_STREQ(uninst::LogTag(2), L"WARN");
  EXPECT_STREQ(uninst::LogTag(3), L"ERROR");
}

TEST(LogLine, ALongLineIsCutToTheLineBuffer) {
  std::wstring line = uninst::FormatLogLine(1, fifthOfMarch(), 1, std::wstring(5000, L'x'));
  EXPECT_EQ(line.size(), 4095u);
  EXPECT_EQ(line.substr(0, 36), L"[1][2024-03-05 09:05:02.015][INFO]xx");
}

class LogFromTwoThreads : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { m_result = new DebuggeeResult(runDebuggee("\"" + uninstDriver() + "\" log")); }
  static void TearDownTestSuite() {
    delete m_result;
    m_result = nullptr;
  }
  static DebuggeeResult* m_result;
};

DebuggeeResult* LogFromTwoThreads::m_result = nullptr;

TEST_F(LogFromTwoThreads, EveryLineIsWholeAndEndsInOneLineFeed) {
  ASSERT_TRUE(m_result->started);
  EXPECT_EQ(m_result->exitCode, 0u);
  ASSERT_FALSE(m_result->lines.empty());
  for (const DebugLine& line : m_result->lines) {
    EXPECT_TRUE(parseUninstLogLine(line.text).wellFormed) << line.text;
    EXPECT_FALSE(line.wide) << "lines leave in the ANSI code page";
  }
  EXPECT_EQ(uninstLogLines(*m_result).size(), 403u) << "2 x 200 lines, levels 2, 3 and 5";
}

TEST_F(LogFromTwoThreads, EachThreadsLinesKeepTheirOrder) {
  std::map<std::string, std::vector<int>> numbersByWriter;
  std::map<std::string, unsigned long> threadByWriter;
  for (const UninstLogLine& line : uninstLogLines(*m_result)) {
    if (line.tag != "INFO") continue;
    std::string writer = line.message.substr(0, line.message.find(' '));
    std::string prefix = writer + " 行 ";
    ASSERT_EQ(line.message.compare(0, prefix.size(), prefix), 0) << line.message;
    numbersByWriter[writer].push_back(std::stoi(line.message.substr(prefix.size())));
    if (threadByWriter.count(writer) == 0) threadByWriter[writer] = line.threadId;
    EXPECT_EQ(threadByWriter[writer], line.threadId) << "the id of the thread that wrote the line";
  }
  ASSERT_EQ(numbersByWriter.size(), 2u);
  std::vector<int> expected(200);
  for (int i = 0; i < 200; ++i) expected[i] = i;
  EXPECT_EQ(numbersByWriter["甲"], expected);
  EXPECT_EQ(numbersByWriter["乙"], expected);
  EXPECT_NE(threadByWriter["甲"], threadByWriter["乙"]);
}

TEST_F(LogFromTwoThreads, LevelZeroIsDroppedAndLevelFiveIsDebug) {
  std::vector<std::pair<std::string, std::string>> tail;
  for (const UninstLogLine& line : uninstLogLines(*m_result)) {
    if (line.tag != "INFO") tail.emplace_back(line.tag, line.message);
  }
  EXPECT_EQ(tail, (std::vector<std::pair<std::string, std::string>>{
                      {"WARN", "level 2"}, {"ERROR", "level 3"}, {"DEBUG", "level 5"}}));
  EXPECT_FALSE(m_result->hasLine("level 0"));
  for (const std::string& message : uninstLogMessages(*m_result)) EXPECT_NE(message, "level 0");
}

}  // namespace
