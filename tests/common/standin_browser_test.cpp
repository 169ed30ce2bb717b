// The stand-in browser behaves as the programs expect the real one to.
#include <gtest/gtest.h>

#include "handles.h"
#include "test_env.h"

namespace {

using namespace tavrin;
using namespace tavrin::test;

class StandInBrowser : public ::testing::Test {
 protected:
  void TearDown() override { endAllStandIns(); }
  std::string browser() const { return binDir() + "\\tavrin.exe"; }
  StandInLog log;
  TempDir data{"standin data"};
};

TEST_F(StandInBrowser, RecordsItsCommandLineAndStartTime) {
  ScopedEnv lifetime("TAVRIN_STANDIN_LIFETIME", "0");
  ScopedEnv code("TAVRIN_STANDIN_EXIT_CODE", "3");
  DWORD exitCode = 0;
  {
    UniqueHandle process = startProgram(browser() + " some words");
    ASSERT_TRUE(process);
    ASSERT_EQ(::WaitForSingleObject(process.get(), 20000), WAIT_OBJECT_0);
    ::GetExitCodeProcess(process.get(), &exitCode);
  }
  EXPECT_EQ(exitCode, 3u);
  auto runs = log.runs();
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0]["cmdline"], browser() + " some words");
  EXPECT_EQ(runs[0]["version"], "1.0.0.1");
  EXPECT_FALSE(runs[0]["has_switches"].get<bool>());
  EXPECT_GT(runs[0]["start_filetime"].get<uint64_t>(), 130000000000000000ull);  // after 2012
}

TEST_F(StandInBrowser, ReadsTheSettingsAndRecordsTheAppliedVersions) {
  ScopedEnv lifetime("TAVRIN_STANDIN_LIFETIME", "0");
  std::string setting = data.file("setting.tsc");
  std::string version = data.file("version.tsc");
  ASSERT_TRUE(writeFile(setting, R"({"bookmarks":{"version":"7","items":[]},"search_engines":"3"})"));
  ASSERT_TRUE(writeFile(version, R"({"bookmarks":"1","search_engines":"1","navigate_page":"5"})"));
  UniqueHandle process =
      startProgram(browser() + " --update-cloud-setting=" + setting + " --update-cloud-version=" + version);
  ASSERT_TRUE(process);
  ASSERT_EQ(::WaitForSingleObject(process.get(), 20000), WAIT_OBJECT_0);
  auto applied = nlohmann::json::parse(readFile(version), nullptr, false);
  ASSERT_TRUE(applied.is_object());
  EXPECT_EQ(applied, (nlohmann::json{{"bookmarks", "7"}, {"search_engines", "3"}, {"navigate_page", "5"}}));
  auto runs = log.runs();
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0]["setting_path"], setting) << "a data folder with blanks still splits correctly";
  EXPECT_EQ(runs[0]["settings"]["search_engines"], "3");
}

TEST_F(StandInBrowser, RunsUntilToldToEnd) {
  UniqueHandle process = startProgram(browser());
  ASSERT_TRUE(process);
  ASSERT_TRUE(log.waitForRuns(1, std::chrono::seconds(20)));
  EXPECT_EQ(::WaitForSingleObject(process.get(), 500), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(countProcesses("tavrin.exe"), 1);
  endAllStandIns();
  EXPECT_EQ(::WaitForSingleObject(process.get(), 10000), WAIT_OBJECT_0);
}

}  // namespace
