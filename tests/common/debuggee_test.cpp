// The debugger-output helper that the program tests rely on.
#include <gtest/gtest.h>

#include "debuggee.h"
#include "installation.h"
#include "test_env.h"
#include "text_convert.h"

namespace {

using namespace tavrin::test;

std::string echo() { return "\"" + binDir() + "\\debug_echo.exe\""; }

TEST(DebuggerOutput, CapturesExactLinesInOrderWithTheExitCode) {
  DebuggeeResult result = runDebuggee(echo() + " \"can't find exe: C:\\a b\\tavrin.exe\" \"[curl 100%%]\" --exit 7");
  ASSERT_TRUE(result.started);
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.exitCode, 7u);
  ASSERT_EQ(result.texts(), (std::vector<std::string>{"can't find exe: C:\\a b\\tavrin.exe", "[curl 100%%]"}));
  EXPECT_FALSE(result.lines[0].wide);
}

TEST(DebuggerOutput, ChineseLinesArriveAsUtf8WhetherSentWideOrInTheAnsiCodePage) {
  const std::string waiting = "\xE7\xAD\x89\xE5\xBE\x85\xE5\x8D\xB8\xE8\xBD\xBD...";  // 等待卸载...
  DebuggeeResult result = runDebuggee(echo() + " \"w:" + waiting + "\" \"" + waiting + "\"");
  ASSERT_EQ(result.lines.size(), 2u);
  EXPECT_EQ(result.lines[1].raw, tavrin::wideToAnsi(tavrin::utf8ToWide(waiting)));
  EXPECT_EQ(result.lines[1].raw, "\xB5\xC8\xB4\xFD\xD0\xB6\xD4\xD8...") << "code page 936";
  EXPECT_EQ(result.lines[1].text, waiting);
  EXPECT_EQ(result.lines[0].text, "\xE7\xAD\x89\xE5\xBE\x85\xE5\x8D\xB8\xE8\xBD\xBD...");  // 等待卸载...
}

TEST(DebuggerOutput, ManyLinesKeepTheirOrder) {
  std::string command = echo();
  std::vector<std::string> expected;
  for (int i = 0; i < 200; ++i) {
    expected.push_back("line " + std::to_string(i));
    command += " \"line " + std::to_string(i) + "\"";
  }
  EXPECT_EQ(runDebuggee(command).texts(), expected);
}

TEST(DebuggerOutput, EndsAProgramThatOutlivesTheTimeOut) {
  DebuggeeResult result = runDebuggee(echo() + " first sleep:30000 never", std::string(), 1000);
  EXPECT_TRUE(result.timedOut);
  EXPECT_EQ(result.texts(), std::vector<std::string>{"first"});
}

TEST(DebuggerOutput, ReportsAProgramThatCannotStart) {
  DebuggeeResult result = runDebuggee("\"" + binDir() + "\\no such program.exe\"");
  EXPECT_FALSE(result.started);
  EXPECT_TRUE(result.lines.empty());
}

TEST(DebuggerOutput, LinesCanBeReadWhileTheProgramRuns) {
  DebuggeeRun run;
  ASSERT_TRUE(run.start(echo() + " early sleep:3000 late"));
  EXPECT_TRUE(waitUntil([&] { return run.linesSoFar().size() == 1; }, std::chrono::seconds(20)));
  EXPECT_EQ(run.linesSoFar()[0].text, "early");
  DebuggeeResult result = run.wait();
  EXPECT_EQ(result.texts(), (std::vector<std::string>{"early", "late"}));
}

// The test build embeds the development key, so every launcher start
// announces it once; the helper counts that line and keeps it out of the
// lines the tests compare.
TEST(DebuggerOutput, ALauncherStartAnnouncesTheDevelopmentKeyOnceOutsideTheLines) {
  ScopedEnv nowhere("TAVRIN_SERVICE_HOST", "127.0.0.1:9");
  Installation install;
  ASSERT_TRUE(install.removeBrowser());
  DebuggeeResult result = runDebuggee("\"" + install.launcher() + "\"", install.dir());
  ASSERT_TRUE(result.started);
  EXPECT_EQ(result.developmentKeyNotices, 1);
  EXPECT_EQ(result.texts(), std::vector<std::string>{"can't find exe: " + install.browser()});
}

}  // namespace
