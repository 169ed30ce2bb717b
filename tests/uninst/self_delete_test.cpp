// The self-deleting batch: its exact text, real runs through the shell
// under the prefix's cmd, and the refusal to remove a folder that is not
// the product's installation.
#include <gtest/gtest.h>

#include <shlobj.h>

#include "install_dir_guard.h"
#include "self_delete.h"
#include "text_convert.h"
#include "uninst_fixture.h"

namespace {

using namespace tavrin;
using namespace tavrin::test;
using namespace std::chrono_literals;

TEST(BatchText, IsExactForAKnownInput) {
  std::wstring text = uninst::BuildSelfDeleteBatch(L"C:\\Program Files\\Tavrin\\uninst.exe",
                                                   L"C:\\Program Files\\Tavrin", L"C:\\Temp\\_uninstall_acc.bat", true);
  EXPECT_EQ(text,
            L":Repeat\r\n"
            L"del \"C:\\Program Files\\Tavrin\\uninst.exe\"\r\n"
            L"if exist \"C:\\Program Files\\Tavrin\\uninst.exe\" goto Repeat\r\n"
            L"rd /q /s \"C:\\Program Files\\Tavrin\" \r\n"
            L"del \"C:\\Temp\\_uninstall_acc.bat\"");
}

TEST(BatchText, EveryPercentSignIsDoubled) {
  std::wstring text = uninst::BuildSelfDeleteBatch(L"C:\\Apps\\100% Tavrin\\uninst.exe", L"C:\\Apps\\100% Tavrin",
                                                   L"C:\\T%EMP%\\_uninstall_acc.bat", true);
  EXPECT_EQ(text,
            L":Repeat\r\n"
            L"del \"C:\\Apps\\100%% Tavrin\\uninst.exe\"\r\n"
            L"if exist \"C:\\Apps\\100%% Tavrin\\uninst.exe\" goto Repeat\r\n"
            L"rd /q /s \"C:\\Apps\\100%% Tavrin\" \r\n"
            L"del \"C:\\T%%EMP%%\\_uninstall_acc.bat\"");
  EXPECT_EQ(uninst::EscapeForBatch(L"%%a&^ %"), L"%%%%a&^ %%");
}

TEST(BatchText, WithoutPermissionToRemoveTheFolderThereIsNoRdLine) {
  std::wstring text =
      uninst::BuildSelfDeleteBatch(L"D:\\Downloads\\uninst.exe", L"D:\\Downloads", L"C:\\Temp\\_uninstall_acc.bat", false);
  EXPECT_EQ(text,
            L":Repeat\r\n"
            L"del \"D:\\Downloads\\uninst.exe\"\r\n"
            L"if exist \"D:\\Downloads\\uninst.exe\" goto Repeat\r\n"
            L"del \"C:\\Temp\\_uninstall_acc.bat\"");
}

// --- which folders may go -------------------------------------------------

TEST(InstallDirGuard, DriveRootsAndSystemAndUserFoldersAreProtected) {
  std::vector<std::wstring> kept = uninst::ProtectedFolders();
  auto isProtected = [&](const std::string& path) { return uninst::IsProtectedFolder(utf8ToWide(path), kept); };
  EXPECT_TRUE(isProtected("C:"));
  EXPECT_TRUE(isProtected("C:\\"));
  EXPECT_TRUE(isProtected("Z:"));
  for (int csidl : {CSIDL_WINDOWS, CSIDL_SYSTEM, CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86, CSIDL_PROFILE,
                    CSIDL_DESKTOPDIRECTORY, CSIDL_PERSONAL, CSIDL_APPDATA, CSIDL_LOCAL_APPDATA, CSIDL_COMMON_APPDATA}) {
    std::string folder = specialFolder(csidl);
    ASSERT_FALSE(folder.empty()) << csidl;
    EXPECT_TRUE(isProtected(folder)) << folder;
    EXPECT_TRUE(isProtected(folder + "\\")) << folder;
  }
  std::string profile = specialFolder(CSIDL_PROFILE);
  EXPECT_TRUE(isProtected(profile.substr(0, profile.rfind('\\')))) << "the folder of all profiles holds this one";
  TempDir plain("uninst guard");
  EXPECT_FALSE(isProtected(plain.path()));
  EXPECT_FALSE(isProtected(specialFolder(CSIDL_PROGRAM_FILES) + "\\Tavrin"));
}

TEST(InstallDirGuard, ComparesFoldersWhateverTheirSpelling) {
  TempDir dir("uninst Spelling");
  std::wstring path = utf8ToWide(dir.path());
  EXPECT_EQ(uninst::ComparableFolder(path + L"\\"), uninst::ComparableFolder(path));
  std::wstring upper = path;
  ::CharUpperBuffW(&upper[0], static_cast<DWORD>(upper.size()));
  EXPECT_EQ(uninst::ComparableFolder(upper), uninst::ComparableFolder(path));
  EXPECT_EQ(uninst::ComparableFolder(path + L"\\sub\\.."), uninst::ComparableFolder(path));
}

TEST(InstallDirGuard, TheProductsFolderMayGoOtherFoldersMayNot) {
  TempDir withLauncher("uninst with launcher");
  TempDir withBrowser("uninst with browser");
  TempDir recorded("uninst recorded");
  TempDir other("uninst other");
  ASSERT_TRUE(makeFile(withLauncher.file("TavrinLauncher.exe")));
  ASSERT_TRUE(makeFile(withBrowser.file("tavrin.exe")));
  ASSERT_TRUE(makeFile(other.file("photo.jpg")));
  ASSERT_TRUE(makeFolders(other.file("TavrinLauncher.exe.d")));

  EXPECT_TRUE(uninst::MayRemoveInstallDir(utf8ToWide(withLauncher.path()), L""));
  EXPECT_TRUE(uninst::MayRemoveInstallDir(utf8ToWide(withBrowser.path()), L""));
  EXPECT_TRUE(uninst::MayRemoveInstallDir(utf8ToWide(recorded.path()), utf8ToWide(recorded.path() + "\\")));
  EXPECT_FALSE(uninst::MayRemoveInstallDir(utf8ToWide(other.path()), L""));
  EXPECT_FALSE(uninst::MayRemoveInstallDir(utf8ToWide(other.path()), utf8ToWide(recorded.path())));
  EXPECT_FALSE(uninst::MayRemoveInstallDir(L"", L""));

  std::string profile = specialFolder(CSIDL_PROFILE);
  EXPECT_FALSE(uninst::MayRemoveInstallDir(utf8ToWide(profile), utf8ToWide(profile)))
      << "a recorded path never makes a protected folder removable";
}

// --- real batches ----------------------------------------------------------

// An uninstaller copy in a folder of its own, with the temporary folder of
// its process redirected to a private one.
class BatchRun : public ::testing::Test {
 protected:
  void placeUninstaller(const std::string& folder) {
    dir_ = folder;
    ASSERT_TRUE(makeFolders(dir_));
    ASSERT_TRUE(copyFile(uninstDriver(), exe()));
  }
  std::string exe() const { return dir_ + "\\uninst.exe"; }
  std::string batchPath() const { return temp_.path() + "\\_uninstall_acc.bat"; }
  bool waitUntilGone(const std::string& path) {
    return waitUntil([&] { return !pathExists(path); }, 30s);
  }
  void TearDown() override {
    // A batch that was not satisfied may still loop: it ends with its
    // executable gone.
    removeTreeLong(exe());
    waitUntil([&] { return !pathExists(batchPath()); }, 10s);
    removeTreeLong(dir_);
    // The batch's cmd keeps the temporary folder as its current folder
    // until it has ended.
    waitUntil([&] { return removeTreeLong(temp_.path()); }, 10s);
  }

  InstallRecord record_;
  TempDir root_{"uninst batch"};
  TempDir temp_{"uninst private temp"};
  ScopedEnv tmp_{"TMP", (temp_.path() + "\\").c_str()};
  ScopedEnv tempVar_{"TEMP", (temp_.path() + "\\").c_str()};
  std::string dir_;
};

TEST_F(BatchRun, TheWrittenFileIsTheBatchInTheAnsiCodePage) {
  placeUninstaller(root_.file("Tavrin 塔文 100% a&b ^c"));
  ASSERT_TRUE(makeFile(dir_ + "\\TavrinLauncher.exe"));
  DebuggeeResult result = runDebuggee("\"" + exe() + "\" write-batch");
  EXPECT_EQ(result.exitCode, 0u);
  std::string exePercent = wideToAnsi(utf8ToWide(root_.path() + "\\Tavrin 塔文 100%% a&b ^c\\uninst.exe"));
  std::string dirPercent = wideToAnsi(utf8ToWide(root_.path() + "\\Tavrin 塔文 100%% a&b ^c"));
  std::string batch = wideToAnsi(utf8ToWide(batchPath()));
  EXPECT_EQ(readFile(batchPath()), ":Repeat\r\ndel \"" + exePercent + "\"\r\nif exist \"" + exePercent +
                                       "\" goto Repeat\r\nrd /q /s \"" + dirPercent + "\" \r\ndel \"" + batch + "\"");
  EXPECT_NE(readFile(batchPath()).find("\xCB\xFE\xCE\xC4"), std::string::npos) << "塔文 in code page 936";
  removeTreeLong(batchPath());
}

TEST_F(BatchRun, RemovesTheFolderOnceTheUninstallerHasEnded) {
  // A "%" that cmd expanded would make the batch remove the decoy instead.
  const std::string name = "100% Tavrin & ^ 塔文 x";
  placeUninstaller(root_.file(name));
  ASSERT_TRUE(makeFile(dir_ + "\\TavrinLauncher.exe"));
  ASSERT_TRUE(makeFile(dir_ + "\\1.0.0.1\\chrome.dll"));
  std::string decoy = root_.file("100 Tavrin & ^ 塔文 x");
  ASSERT_TRUE(makeFile(decoy + "\\keep.txt"));

  DebuggeeRun run;
  ASSERT_TRUE(run.start("\"" + exe() + "\" delete-self --hold 2500"));
  std::this_thread::sleep_for(1500ms);
  EXPECT_TRUE(pathExists(exe())) << "the uninstaller still runs";
  EXPECT_TRUE(pathExists(dir_ + "\\1.0.0.1\\chrome.dll")) << "nothing goes before the uninstaller has ended";
  DebuggeeResult result = run.wait();
  EXPECT_EQ(result.exitCode, 0u);

  EXPECT_TRUE(waitUntilGone(dir_)) << "the batch removes the whole folder";
  EXPECT_TRUE(waitUntilGone(batchPath())) << "and then itself";
  EXPECT_TRUE(pathExists(decoy + "\\keep.txt"));
  EXPECT_TRUE(pathExists(root_.path()));
}

TEST_F(BatchRun, AFolderThatIsNotTheInstallationKeepsEverythingButTheUninstaller) {
  placeUninstaller(root_.file("Downloads 下载"));
  ASSERT_TRUE(makeFile(dir_ + "\\photo.jpg"));
  ASSERT_TRUE(makeFile(dir_ + "\\letters\\letter.txt"));
  ASSERT_TRUE(record_.setString("installpath", root_.file("elsewhere")));

  DebuggeeResult result = runDebuggee("\"" + exe() + "\" delete-self");
  EXPECT_EQ(result.exitCode, 0u);
  std::string refusal = "DeleteSelf 目录[" + dir_ + "]不是本产品的安装目录，只删除卸载程序";
  EXPECT_EQ(uninstLogMessages(result), std::vector<std::string>{refusal});

  EXPECT_TRUE(waitUntilGone(exe()));
  EXPECT_TRUE(waitUntilGone(batchPath()));
  EXPECT_TRUE(pathExists(dir_ + "\\photo.jpg"));
  EXPECT_TRUE(pathExists(dir_ + "\\letters\\letter.txt"));
}

TEST_F(BatchRun, TheRecordedInstallPathMayGoWithoutTheProductsPrograms) {
  placeUninstaller(root_.file("Tavrin recorded"));
  ASSERT_TRUE(makeFile(dir_ + "\\resources\\a.pak"));
  ASSERT_TRUE(record_.setString("installpath", dir_));

  DebuggeeResult result = runDebuggee("\"" + exe() + "\" delete-self");
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_TRUE(uninstLogMessages(result).empty());
  EXPECT_TRUE(waitUntilGone(dir_));
}

}  // namespace
