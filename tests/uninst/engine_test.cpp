// The whole uninstall through the engine driver: the steps and their
// progress records, the exact log lines, the processes it ends, and what it
// removes from the registry, the shell folders and the installation.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <thread>

#include "uninst_fixture.h"

namespace {

using namespace tavrin;
using namespace tavrin::test;
using namespace std::chrono_literals;

// An installation with the uninstaller in it (the driver, named uninst.exe),
// as the installer leaves it, and the registry record pointing at it.
class EngineRun : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_install.ready()); }

  std::string uninstaller() const { return m_install.uninstaller(); }
  std::string recordsPath() const { return m_records.file("records.txt"); }

  DebuggeeResult runUninstall(const std::string& switches = std::string()) {
    DebuggeeResult result = runDebuggee("\"" + uninstaller() + "\" run --records \"" + recordsPath() + "\"" + switches,
                                        std::string(), 120000);
    EXPECT_TRUE(result.started);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0u);
    return result;
  }
  DriverRecords records() const { return readDriverRecords(recordsPath()); }

  const std::string m_appName = "塔文测试 " + std::to_string(::GetCurrentProcessId());
  InstallationToRemove m_install{uninstDriver(), m_appName};
  TempDir m_records{"uninst records"};
};

TEST_F(EngineRun, PostsSteps5To100WithTheirTextsAndNothingElse) {
  DebuggeeResult result = runUninstall();
  DriverRecords got = records();
  std::vector<int> steps;
  std::vector<std::string> texts;
  for (const ProgressRecord& record : got.progress) {
    steps.push_back(record.step);
    texts.push_back(record.text);
    EXPECT_EQ(record.showText, 0) << "the label keeps its text, only the bar moves";
  }
  EXPECT_EQ(steps, (std::vector<int>{5, 60, 70, 80, 90, 100}));
  EXPECT_EQ(texts, (std::vector<std::string>{"开始卸载", "删除快捷方式", "移除防火墙", "删除注册表信息", "删除文件",
                                             "卸载完成"}));
  for (size_t i = 1; i < got.progress.size(); ++i) {
    EXPECT_GE(got.progress[i].msSinceStart - got.progress[i - 1].msSinceStart, 280u) << "300 ms before each post";
  }
  EXPECT_GE(got.elapsedMs, 1800);
}

TEST_F(EngineRun, LogsEveryStepInOrderFromTheWorkerThread) {
  DebuggeeResult result = runUninstall();
  std::vector<UninstLogLine> lines = uninstLogLines(result);
  unsigned long workerId = 0;
  EXPECT_EQ(withoutWorkerExitLine(uninstLogMessages(result), &workerId), expectedUninstallLog(false));
  ASSERT_EQ(lines.size(), expectedUninstallLog(false).size() + 1);
  EXPECT_NE(workerId, 0u) << "the last line names the worker";
  EXPECT_NE(lines[0].threadId, workerId) << "the thread is started from the window's thread";
  for (size_t i = 1; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i].threadId, workerId) << lines[i].message;
    EXPECT_EQ(lines[i].tag, "INFO");
  }
}

TEST_F(EngineRun, ClearUserDataAddsStep30AndRemovesTheUserDataFolder) {
  std::string halvex = specialFolder(CSIDL_LOCAL_APPDATA) + "\\Halvex";
  SetAside keptVendorFolder(halvex);
  ASSERT_TRUE(makeFile(halvex + "\\tavrin\\launcher\\setting.tsc"));
  ASSERT_TRUE(makeFile(halvex + "\\tavrin\\User Data\\Default\\Bookmarks"));
  ASSERT_TRUE(makeFile(halvex + "\\other product\\keep.txt"));

  DebuggeeResult result = runUninstall(" --clear-user-data");
  std::vector<int> steps;
  for (const ProgressRecord& record : records().progress) steps.push_back(record.step);
  EXPECT_EQ(steps, (std::vector<int>{5, 30, 60, 70, 80, 90, 100}));
  EXPECT_EQ(records().progress.at(1).text, "删除缓存信息");
  unsigned long workerId = 0;
  EXPECT_EQ(withoutWorkerExitLine(uninstLogMessages(result), &workerId), expectedUninstallLog(true));
  EXPECT_FALSE(pathExists(halvex + "\\tavrin"));
  EXPECT_TRUE(pathExists(halvex + "\\other product\\keep.txt"));
}

TEST_F(EngineRun, ClearUserDataRemovesALinkedDataFolderButNotWhatItPointsAt) {
  std::string halvex = specialFolder(CSIDL_LOCAL_APPDATA) + "\\Halvex";
  SetAside keptVendorFolder(halvex);
  TempDir elsewhere("uninst link target");
  ASSERT_TRUE(makeFile(elsewhere.file("Documents\\thesis.doc")));
  ASSERT_TRUE(makeFolders(halvex));
  ASSERT_TRUE(makeFolderLink(halvex + "\\tavrin", elsewhere.path()));

  runUninstall(" --clear-user-data");
  EXPECT_TRUE(pathExists(elsewhere.file("Documents\\thesis.doc")));
  removeFolderLink(halvex + "\\tavrin");
}

TEST_F(EngineRun, WithoutClearUserDataTheUserDataStays) {
  std::string halvex = specialFolder(CSIDL_LOCAL_APPDATA) + "\\Halvex";
  SetAside keptVendorFolder(halvex);
  std::string userData = halvex + "\\tavrin";
  ASSERT_TRUE(makeFile(userData + "\\launcher\\setting.tsc"));
  runUninstall();
  EXPECT_TRUE(pathExists(userData + "\\launcher\\setting.tsc"));
}

TEST_F(EngineRun, WithoutATargetWindowNothingIsPostedAndNothingWaits) {
  DebuggeeResult result = runUninstall(" --no-window --clear-user-data");
  DriverRecords got = records();
  EXPECT_TRUE(got.progress.empty());
  ASSERT_GE(got.elapsedMs, 0);
  EXPECT_LT(got.elapsedMs, 1500) << "seven steps with the 300 ms pauses would take 2.1 s";
  unsigned long workerId = 0;
  EXPECT_EQ(withoutWorkerExitLine(uninstLogMessages(result), &workerId), expectedUninstallLog(true));
  EXPECT_FALSE(InstallRecord::keyExists()) << "every step still runs";
}

TEST_F(EngineRun, RemovesTheInstallationButTheRunningUninstaller) {
  runUninstall();
  EXPECT_EQ(m_install.remainingFiles(), std::vector<std::string>{"uninst.exe"});
}

TEST_F(EngineRun, RemovesBothRegistryEntriesWithEverythingBelowThem) {
  ASSERT_TRUE(createKey("SOFTWARE\\tavrin\\settings\\a\\b\\c"));
  ASSERT_TRUE(createKey("SOFTWARE\\tavrin\\settings\\second"));
  ASSERT_TRUE(createKey(std::string(kUninstallEntry) + "\\x\\y"));
  ASSERT_TRUE(createKey("SOFTWARE\\tavrin-neighbour"));
  runUninstall();
  EXPECT_FALSE(keyExists("SOFTWARE\\tavrin"));
  EXPECT_FALSE(keyExists(kUninstallEntry));
  EXPECT_TRUE(keyExists("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"));
  EXPECT_TRUE(keyExists("SOFTWARE\\tavrin-neighbour"));
  deleteKeyTree("SOFTWARE\\tavrin-neighbour");
}

TEST_F(EngineRun, EndsEveryBrowserBeforeStep5ButNotADifferentlyCasedName) {
  ScopedEnv lifetime("TAVRIN_STANDIN_LIFETIME", "wait");
  ScopedEnv exitCode("TAVRIN_STANDIN_EXIT_CODE", "7");
  StandInLog log;
  TempDir other("uninst cased");
  ASSERT_TRUE(copyFile(binDir() + "\\tavrin.exe", other.file("TAVRIN.EXE")));
  std::vector<UniqueHandle> browsers;
  for (int i = 0; i < 3; ++i) browsers.push_back(startProgram("\"" + binDir() + "\\tavrin.exe\""));
  UniqueHandle cased = startProgram("\"" + other.file("TAVRIN.EXE") + "\"");
  ASSERT_TRUE(log.waitForRuns(4, 20s));

  runUninstall();
  for (UniqueHandle& browser : browsers) {
    ASSERT_EQ(::WaitForSingleObject(browser.get(), 5000), WAIT_OBJECT_0);
    DWORD code = 99;
    ::GetExitCodeProcess(browser.get(), &code);
    EXPECT_EQ(code, 0u) << "terminated with exit code 0, not ended by itself";
  }
  EXPECT_EQ(::WaitForSingleObject(cased.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the name is compared exactly";
  ::TerminateProcess(cased.get(), 0);
  ::WaitForSingleObject(cased.get(), 5000);
}

TEST_F(EngineRun, EndsOneUpdaterOnly) {
  ScopedEnv lifetime("TAVRIN_STANDIN_LIFETIME", "wait");
  ScopedEnv exitCode("TAVRIN_STANDIN_EXIT_CODE", "7");
  StandInLog log;
  TempDir updaters("uninst updaters");
  ASSERT_TRUE(copyFile(binDir() + "\\tavrin.exe", updaters.file("Mirup.exe")));
  UniqueHandle first = startProgram("\"" + updaters.file("Mirup.exe") + "\"");
  UniqueHandle second = startProgram("\"" + updaters.file("Mirup.exe") + "\"");
  ASSERT_TRUE(log.waitForRuns(2, 20s));

  runUninstall();
  std::this_thread::sleep_for(300ms);
  int ended = 0;
  for (HANDLE updater : {first.get(), second.get()}) {
    if (::WaitForSingleObject(updater, 0) == WAIT_OBJECT_0) {
      ++ended;
      DWORD code = 99;
      ::GetExitCodeProcess(updater, &code);
      EXPECT_EQ(code, 0u);
    }
  }
  EXPECT_EQ(ended, 1);
  EXPECT_EQ(countProcesses("Mirup.exe"), 1);
  for (HANDLE updater : {first.get(), second.get()}) {
    ::TerminateProcess(updater, 0);
    ::WaitForSingleObject(updater, 5000);
  }
}

TEST_F(EngineRun, RemovesTheShortcutsAndTheGroupNamedAfterTheDisplayName) {
  std::string desktop = specialFolder(CSIDL_DESKTOPDIRECTORY) + "\\" + m_appName + ".lnk";
  std::string quickLaunch =
      specialFolder(CSIDL_APPDATA) + "\\Microsoft\\Internet Explorer\\Quick Launch\\" + m_appName + ".lnk";
  std::string group = specialFolder(CSIDL_COMMON_STARTMENU) + "\\Programs\\" + m_appName;
  std::string commonDesktop = specialFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + "\\" + m_appName + ".lnk";
  std::string otherName = specialFolder(CSIDL_DESKTOPDIRECTORY) + "\\" + m_appName + " other.lnk";
  SetAside cleanDesktop(desktop), cleanQuickLaunch(quickLaunch), cleanGroup(group), cleanCommon(commonDesktop),
      cleanOther(otherName);
  ASSERT_TRUE(makeFile(desktop));
  ASSERT_TRUE(makeFile(quickLaunch));
  ASSERT_TRUE(makeFile(group + "\\" + m_appName + ".lnk"));
  ASSERT_TRUE(makeFile(group + "\\tools\\卸载.lnk"));
  ASSERT_TRUE(makeFile(commonDesktop));
  ASSERT_TRUE(makeFile(otherName));

  runUninstall();
  EXPECT_FALSE(pathExists(desktop));
  EXPECT_FALSE(pathExists(quickLaunch));
  EXPECT_FALSE(pathExists(group)) << "the group goes with its subfolders";
  EXPECT_TRUE(pathExists(commonDesktop)) << "only the current user's desktop is looked at";
  EXPECT_TRUE(pathExists(otherName));
}

TEST_F(EngineRun, AnEmptyDisplayNameMeansTheDefaultName) {
  ASSERT_TRUE(m_install.record().setString("appname", ""));
  std::string desktop = specialFolder(CSIDL_DESKTOPDIRECTORY) + "\\塔文浏览器.lnk";
  std::string quickLaunch =
      specialFolder(CSIDL_APPDATA) + "\\Microsoft\\Internet Explorer\\Quick Launch\\塔文浏览器.lnk";
  std::string group = specialFolder(CSIDL_COMMON_STARTMENU) + "\\Programs\\塔文浏览器";
  SetAside cleanDesktop(desktop), cleanQuickLaunch(quickLaunch), cleanGroup(group);
  ASSERT_TRUE(makeFile(desktop));
  ASSERT_TRUE(makeFile(quickLaunch));
  ASSERT_TRUE(makeFile(group + "\\塔文浏览器.lnk"));

  runUninstall();
  EXPECT_FALSE(pathExists(desktop));
  EXPECT_FALSE(pathExists(quickLaunch));
  EXPECT_FALSE(pathExists(group));
}

TEST_F(EngineRun, ADisplayNameThatIsNoPlainNameRemovesOnlyTheDefaultGroup) {
  std::string startMenu = specialFolder(CSIDL_COMMON_STARTMENU);
  SetAside keptStartMenu(startMenu);
  std::string otherGroup = startMenu + "\\Programs\\Other Product\\other.lnk";
  std::string defaultGroup = startMenu + "\\Programs\\塔文浏览器";
  // "." and ".." joined to "Programs" name the folder of every group and the
  // start menu itself.
  for (const std::string& hostile : {std::string("."), std::string("..")}) {
    ASSERT_TRUE(m_install.record().setString("appname", hostile));
    ASSERT_TRUE(makeFile(otherGroup));
    ASSERT_TRUE(makeFile(defaultGroup + "\\塔文浏览器.lnk"));
    runUninstall();
    EXPECT_TRUE(pathExists(otherGroup)) << hostile;
    EXPECT_FALSE(pathExists(defaultGroup)) << hostile;
  }
}

TEST_F(EngineRun, AFolderThatIsNotTheInstallationIsLeftAsItIs) {
  TempDir downloads("uninst downloads");
  std::string copy = downloads.file("uninst.exe");
  ASSERT_TRUE(copyFile(uninstDriver(), copy));
  ASSERT_TRUE(makeFile(downloads.file("photo.jpg")));
  ASSERT_TRUE(makeFile(downloads.file("letters\\letter.txt")));

  DebuggeeResult result =
      runDebuggee("\"" + copy + "\" run --no-window --records \"" + recordsPath() + "\"", std::string(), 120000);
  EXPECT_EQ(result.exitCode, 0u);
  std::vector<std::string> messages = uninstLogMessages(result);
  std::string refusal = "CUninstMgr::DeleleOtherFile 目录[" + downloads.path() + "]不是本产品的安装目录，不删除";
  auto step90 = std::find(messages.begin(), messages.end(), "CUninstMgr::DeleleOtherFile 删除文件step=90");
  ASSERT_NE(step90, messages.end());
  ASSERT_NE(step90 + 1, messages.end());
  EXPECT_EQ(*(step90 + 1), refusal);
  EXPECT_TRUE(pathExists(downloads.file("photo.jpg")));
  EXPECT_TRUE(pathExists(downloads.file("letters\\letter.txt")));
  EXPECT_TRUE(pathExists(m_install.file("tavrin.exe"))) << "the recorded installation is not this folder";
}

TEST_F(EngineRun, TheFullLifeEndsWithAnEmptyInstallationFolderGone) {
  std::string installDir = m_install.dir();
  PrivateTemp temp;
  runUninstall(" --delete-self");
  EXPECT_TRUE(waitUntil([&] { return !pathExists(installDir); }, 30s));
  EXPECT_TRUE(waitUntil([&] { return !temp.batchPresent(); }, 10s)) << "the batch goes with its folder";
}

}  // namespace
