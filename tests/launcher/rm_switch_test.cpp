// "-rm": which folders the launcher deletes at its start.
#include <gtest/gtest.h>

#include <windows.h>

#include "debuggee.h"
#include "installation.h"
#include "rm_switch.h"
#include "test_env.h"
#include "text_convert.h"
#include "update_core.h"

namespace {

using namespace tavrin;
using namespace tavrin::test;

// A folder as the launcher's hand-off makes it: temp\{GUID}, with a file in it.
class WorkFolder {
 public:
  WorkFolder() : m_path(tempFolder() + "\\" + makeGuidString()) {
    ::CreateDirectoryW(utf8ToWide(m_path).c_str(), nullptr);
    writeFile(m_path + "\\Mirup.exe", "x");
  }
  ~WorkFolder() { removeTree(m_path); }
  const std::string& path() const { return m_path; }

 private:
  std::string m_path;
};

std::string shortPathOf(const std::string& path) {
  wchar_t buffer[MAX_PATH] = {};
  ::GetShortPathNameW(utf8ToWide(path).c_str(), buffer, MAX_PATH);
  return wideToUtf8(buffer);
}

bool removable(std::vector<std::string> args) {
  args.insert(args.begin(), "TavrinLauncher.exe");
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(&arg[0]);
  return !findFolderToRemove(static_cast<int>(argv.size()), argv.data()).empty();
}

TEST(RmSwitchRules, AcceptsOnlyABracedGuidFolderDirectlyInTheTemporaryFolder) {
  WorkFolder work;
  EXPECT_TRUE(isUpdaterWorkFolder(work.path()));
  EXPECT_TRUE(isUpdaterWorkFolder(work.path() + "\\"));

  TempDir plain("not a guid");
  EXPECT_FALSE(isUpdaterWorkFolder(plain.path())) << "inside temp but not named by a GUID";

  TempDir outer("outer");
  std::string nested = outer.file(makeGuidString());
  ::CreateDirectoryW(utf8ToWide(nested).c_str(), nullptr);
  EXPECT_FALSE(isUpdaterWorkFolder(nested)) << "a GUID folder one level deeper";

  std::string elsewhere = "C:\\" + makeGuidString();
  ::CreateDirectoryW(utf8ToWide(elsewhere).c_str(), nullptr);
  EXPECT_FALSE(isUpdaterWorkFolder(elsewhere)) << "a GUID folder outside the temporary folder";
  removeTree(elsewhere);

  EXPECT_FALSE(isUpdaterWorkFolder(tempFolder() + "\\" + makeGuidString())) << "missing folder";
  EXPECT_FALSE(isUpdaterWorkFolder(tempFolder() + "\\{*}"));
  EXPECT_FALSE(isUpdaterWorkFolder(tempFolder()));
}

TEST(RmSwitchRules, ComparesLongFormsWithoutRegardToCase) {
  WorkFolder work;
  std::string shortForm = shortPathOf(work.path());
  ASSERT_FALSE(shortForm.empty());
  ASSERT_NE(shortForm, work.path()) << "this system gives no 8.3 names";
  EXPECT_TRUE(isUpdaterWorkFolder(shortForm));
  std::string upper = work.path();
  for (char& c : upper) c = static_cast<char>(::toupper(static_cast<unsigned char>(c)));
  EXPECT_TRUE(isUpdaterWorkFolder(upper));
}

TEST(RmSwitchRules, BracedGuidNames) {
  EXPECT_TRUE(isBracedGuidName("{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}"));
  EXPECT_TRUE(isBracedGuidName("{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9}"));
  EXPECT_FALSE(isBracedGuidName("0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9"));
  EXPECT_FALSE(isBracedGuidName("{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F}"));
  EXPECT_FALSE(isBracedGuidName("{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8FG}"));
  EXPECT_FALSE(isBracedGuidName("{0A1B2C3D_4E5F-6071-8293-A4B5C6D7E8F9}"));
  EXPECT_TRUE(isBracedGuidName(makeGuidString()));
}

TEST(RmSwitchRules, ScanSkipsRefusedTextsAndTheLastArgument) {
  WorkFolder work;
  EXPECT_TRUE(removable({"-rm", work.path()}));
  EXPECT_TRUE(removable({"-RM", work.path()}));
  EXPECT_TRUE(removable({"-Rm", work.path(), "extra"}));
  EXPECT_FALSE(removable({work.path(), "-rm"})) << "-rm as the last argument";
  EXPECT_FALSE(removable({"-rm", "."}));
  EXPECT_FALSE(removable({"-rm", "*"}));
  EXPECT_FALSE(removable({"-rm", ".."}));
  EXPECT_TRUE(removable({"-rm", ".", "-rm", work.path()})) << "a later acceptable path is honoured";
  EXPECT_TRUE(removable({"-rm", "C:\\Users", "-rm", work.path()})) << "an unacceptable path is skipped too";
  EXPECT_FALSE(removable({"rm", work.path()}));
  EXPECT_FALSE(removable({"-rm", tempFolder() + "\\*"}));
}

// Gives a folder the creation and write times of `days` ago.
bool ageFolder(const std::string& path, int days) {
  UniqueFileHandle folder(::CreateFileW(utf8ToWide(path).c_str(), FILE_WRITE_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!folder) return false;
  FILETIME now = {};
  ::GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER ticks{{now.dwLowDateTime, now.dwHighDateTime}};
  ticks.QuadPart -= static_cast<uint64_t>(days) * 24 * 60 * 60 * 10000000;
  FILETIME then{ticks.LowPart, ticks.HighPart};
  return ::SetFileTime(folder.get(), &then, nullptr, &then) != 0;
}

class RmSwitchProgram : public ::testing::Test {
 protected:
  void TearDown() override { endAllStandIns(); }
  StandInLog log;
  ScopedEnv lifetime{"TAVRIN_STANDIN_LIFETIME", "0"};
  ScopedEnv host{"TAVRIN_SERVICE_HOST", "127.0.0.1:9"};
  Installation install;
};

TEST_F(RmSwitchProgram, DeletesTheUpdaterFolderAfterHalfASecondThenStartsNormally) {
  WorkFolder work;
  DebuggeeRun run;
  ASSERT_TRUE(run.start("\"" + install.launcher() + "\" -rm \"" + work.path() + "\""));
  ::Sleep(250);
  EXPECT_TRUE(pathExists(work.path())) << "deleted before the 500 ms wait";
  DebuggeeResult result = run.wait();
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_FALSE(pathExists(work.path()));
  EXPECT_TRUE(log.waitForRuns(1, std::chrono::seconds(20)));
}

TEST_F(RmSwitchProgram, KeepsAFolderThatIsNotTheUpdaters) {
  TempDir precious("user documents");
  ASSERT_TRUE(writeFile(precious.file("thesis.doc"), "years of work"));
  DebuggeeResult result = runDebuggee("\"" + install.launcher() + "\" -rm \"" + precious.path() + "\"");
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_TRUE(pathExists(precious.file("thesis.doc")));
  EXPECT_TRUE(log.waitForRuns(1, std::chrono::seconds(20)));
}

TEST_F(RmSwitchProgram, DeletesAlsoWhenAnotherRunIsGoingOn) {
  WorkFolder work;
  UniqueHandle runEvent(::CreateEventA(nullptr, FALSE, FALSE, "8A04F253-5DA3-47F1-AC2F-06582D831372"));
  DebuggeeResult result = runDebuggee("\"" + install.launcher() + "\" -rm \"" + work.path() + "\"");
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_FALSE(pathExists(work.path()));
  ASSERT_TRUE(log.waitForRuns(1, std::chrono::seconds(20)));
  EXPECT_FALSE(log.runs()[0]["has_switches"].get<bool>());
}

TEST_F(RmSwitchProgram, DoesNothingWhileTheUpdaterRuns) {
  WorkFolder work;
  TempDir updaterDir("fake updater");
  ASSERT_TRUE(copyFile(binDir() + "\\tavrin_proxy.exe", updaterDir.file("MIRUP.EXE")));
  UniqueHandle updater;
  {
    ScopedEnv wait("TAVRIN_STANDIN_LIFETIME", "wait");
    updater = startProgram("\"" + updaterDir.file("MIRUP.EXE") + "\"");
  }
  ASSERT_TRUE(log.waitForRuns(1, std::chrono::seconds(20)));
  DebuggeeResult result = runDebuggee("\"" + install.launcher() + "\" -rm \"" + work.path() + "\"");
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_TRUE(pathExists(work.path()));
  EXPECT_TRUE(result.lines.empty());
  EXPECT_EQ(log.runs().size(), 1u) << "no browser started";
  ::TerminateProcess(updater.get(), 0);
  ::WaitForSingleObject(updater.get(), 10000);
}

TEST_F(RmSwitchProgram, WaitsForTheUpdaterThatRelaunchedItToEnd) {
  WorkFolder work;
  TempDir updaterDir("ending updater");
  ASSERT_TRUE(copyFile(binDir() + "\\tavrin_proxy.exe", updaterDir.file("Mirup.exe")));
  UniqueHandle updater;
  {
    ScopedEnv ending("TAVRIN_STANDIN_LIFETIME", "1500");
    updater = startProgram("\"" + updaterDir.file("Mirup.exe") + "\"");
  }
  ASSERT_TRUE(log.waitForRuns(1, std::chrono::seconds(20)));
  DebuggeeResult result = runDebuggee("\"" + install.launcher() + "\" -rm \"" + work.path() + "\"");
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_FALSE(pathExists(work.path()));
  EXPECT_TRUE(log.waitForRuns(2, std::chrono::seconds(20))) << "the browser starts after the update";
}

TEST_F(RmSwitchProgram, RemovesOnlyUpdaterWorkFoldersLeftForMoreThanADay) {
  WorkFolder stale;
  WorkFolder fresh;
  WorkFolder staleWithoutUpdater;
  ASSERT_TRUE(::DeleteFileW(utf8ToWide(staleWithoutUpdater.path() + "\\Mirup.exe").c_str()));
  TempDir notAGuid("{not a guid}");
  ASSERT_TRUE(writeFile(notAGuid.file("Mirup.exe"), "x"));
  for (const std::string& folder : {stale.path(), staleWithoutUpdater.path(), notAGuid.path()}) {
    ASSERT_TRUE(ageFolder(folder, 2)) << folder;
  }
  DebuggeeResult result = runDebuggee("\"" + install.launcher() + "\"");
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_FALSE(pathExists(stale.path()));
  EXPECT_TRUE(pathExists(fresh.path() + "\\Mirup.exe")) << "an updater may still be at work there";
  EXPECT_TRUE(pathExists(staleWithoutUpdater.path()));
  EXPECT_TRUE(pathExists(notAGuid.file("Mirup.exe")));
  EXPECT_TRUE(log.waitForRuns(1, std::chrono::seconds(20)));
}

}  // namespace
