// The self-deleting batch: its exact text, real runs through the shell
// under the prefix's cmd, and the refusal to remove a folder that is not
// the product's installation.
#include <gtest/gtest.h>

#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <thread>

#include "install_dir_guard.h"
#include "self_delete.h"
#include "text_convert.h"
#include "uninst_fixture.h"

namespace {

using namespace tavrin;
using namespace tavrin::test;
using namespace std::chrono_literals;

uninst::SelfDeleteBatchPaths knownPaths(const std::wstring& dir, bool removeInstallDir) {
  uninst::SelfDeleteBatchPaths paths;
  paths.exePath = dir + L"\\uninst.exe";
  paths.installDir = dir;
  paths.batchPath = L"C:\\Windows\\Temp\\_uninstall_acc.0A\\_uninstall_acc.bat";
  paths.folderName = L"_uninstall_acc.0A";
  paths.systemDir = L"C:\\Windows\\system32";
  paths.removeInstallDir = removeInstallDir;
  return paths;
}

TEST(BatchText, IsExactForAKnownInput) {
  std::wstring text = uninst::BuildSelfDeleteBatch(knownPaths(L"C:\\Program Files\\Tavrin", true));
  EXPECT_EQ(text,
            L"setlocal EnableExtensions DisableDelayedExpansion\r\n"
            L"set tries=0\r\n"
            L":Repeat\r\n"
            L"del \"C:\\Program Files\\Tavrin\\uninst.exe\"\r\n"
            L"if not exist \"C:\\Program Files\\Tavrin\\uninst.exe\" goto Removed\r\n"
            L"set /a tries+=1\r\n"
            L"if %tries% geq 60 goto Removed\r\n"
            L"\"C:\\Windows\\system32\\ping.exe\" -n 2 127.0.0.1 >nul\r\n"
            L"goto Repeat\r\n"
            L":Removed\r\n"
            L"rd /q /s \"C:\\Program Files\\Tavrin\" \r\n"
            L"del \"C:\\Windows\\Temp\\_uninstall_acc.0A\\_uninstall_acc.bat\" & start \"\" /b "
            L"\"C:\\Windows\\system32\\cmd.exe\" /d /c \"C:\\Windows\\system32\\ping.exe -n 3 127.0.0.1 >nul & "
            L"rd _uninstall_acc.0A\"");
  EXPECT_EQ(uninst::BuildSelfDeleteCommandLine(L"C:\\Windows\\system32\\cmd.exe", L"_uninstall_acc.0A"),
            L"\"C:\\Windows\\system32\\cmd.exe\" /d /e:on /v:off /c _uninstall_acc.0A\\_uninstall_acc.bat");
}

TEST(BatchText, EveryPercentSignIsDoubled) {
  uninst::SelfDeleteBatchPaths paths = knownPaths(L"C:\\Apps\\100% Tavrin", true);
  paths.batchPath = L"C:\\T%EMP%\\_uninstall_acc.bat";
  std::wstring text = uninst::BuildSelfDeleteBatch(paths);
  EXPECT_NE(text.find(L"del \"C:\\Apps\\100%% Tavrin\\uninst.exe\"\r\n"), std::wstring::npos);
  EXPECT_NE(text.find(L"if not exist \"C:\\Apps\\100%% Tavrin\\uninst.exe\" goto Removed\r\n"), std::wstring::npos);
  EXPECT_NE(text.find(L"rd /q /s \"C:\\Apps\\100%% Tavrin\" \r\n"), std::wstring::npos);
  EXPECT_NE(text.find(L"del \"C:\\T%%EMP%%\\_uninstall_acc.bat\" & "), std::wstring::npos);
  EXPECT_EQ(uninst::EscapeForBatch(L"%%a&^ %"), L"%%%%a&^ %%");
}

TEST(BatchText, WithoutPermissionToRemoveTheFolderThereIsNoRdLine) {
  std::wstring text = uninst::BuildSelfDeleteBatch(knownPaths(L"D:\\Downloads", false));
  EXPECT_EQ(text.find(L"rd /q /s"), std::wstring::npos);
  EXPECT_NE(text.find(L":Removed\r\ndel \"C:\\Windows\\Temp\\_uninstall_acc.0A\\_uninstall_acc.bat\" & "),
            std::wstring::npos);
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

// The command lines of the running processes with this executable name.
std::vector<std::string> commandLinesOf(const std::wstring& exeName) {
  using QueryFn = LONG(NTAPI*)(HANDLE, int, PVOID, ULONG, PULONG);
  auto query = reinterpret_cast<QueryFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
  std::vector<std::string> lines;
  for (DWORD id : processIdsNamed(wideToUtf8(exeName))) {
    UniqueHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id));
    PROCESS_BASIC_INFORMATION basic = {};
    if (!process || query(process.get(), 0, &basic, sizeof(basic), nullptr) != 0) continue;
    PEB peb = {};
    RTL_USER_PROCESS_PARAMETERS parameters = {};
    if (!::ReadProcessMemory(process.get(), basic.PebBaseAddress, &peb, sizeof(peb), nullptr) ||
        !::ReadProcessMemory(process.get(), peb.ProcessParameters, &parameters, sizeof(parameters), nullptr)) {
      continue;
    }
    std::wstring line(parameters.CommandLine.Length / sizeof(wchar_t), L'\0');
    if (::ReadProcessMemory(process.get(), parameters.CommandLine.Buffer, &line[0], parameters.CommandLine.Length,
                            nullptr)) {
      lines.push_back(wideToUtf8(line));
    }
  }
  return lines;
}

// The ACEs of a folder's DACL as "SID-string:mask:flags", whether the DACL
// is protected from inheritance, and the owner.
std::vector<std::string> daclOf(const std::string& path, bool* isProtected, std::string* ownerSid) {
  PACL dacl = nullptr;
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  std::vector<std::string> aces;
  if (::GetNamedSecurityInfoW(utf8ToWide(path).c_str(), SE_FILE_OBJECT,
                              DACL_SECURITY_INFORMATION | OWNER_SECURITY_INFORMATION, &owner, nullptr, &dacl, nullptr,
                              &descriptor) != ERROR_SUCCESS) {
    return {"<unreadable>"};
  }
  UniqueLocalMemory descriptorOwner(descriptor);
  wchar_t* ownerText = nullptr;
  if (owner != nullptr && ::ConvertSidToStringSidW(owner, &ownerText)) {
    UniqueLocalMemory ownerTextOwner(ownerText);
    *ownerSid = wideToUtf8(ownerText);
  }
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  ::GetSecurityDescriptorControl(descriptor, &control, &revision);
  *isProtected = (control & SE_DACL_PROTECTED) != 0;
  for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
    ACE_HEADER* header = nullptr;
    if (!::GetAce(dacl, i, reinterpret_cast<void**>(&header))) continue;
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) {
      aces.push_back("type " + std::to_string(header->AceType));
      continue;
    }
    auto* allowed = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
    wchar_t* sid = nullptr;
    ::ConvertSidToStringSidW(&allowed->SidStart, &sid);
    UniqueLocalMemory sidOwner(sid);
    char mask[32];
    std::snprintf(mask, sizeof(mask), ":%08lX:%u", allowed->Mask, header->AceFlags);
    aces.push_back(wideToUtf8(sid != nullptr ? sid : L"?") + mask);
  }
  return aces;
}

// An uninstaller copy in a folder of its own.
class BatchRun : public ::testing::Test {
 protected:
  void SetUp() override { m_before = batchFolders(); }
  void placeUninstaller(const std::string& folder) {
    m_dir = folder;
    ASSERT_TRUE(makeFolders(m_dir));
    ASSERT_TRUE(copyFile(uninstDriver(), exe()));
  }
  std::string exe() const { return m_dir + "\\uninst.exe"; }
  // The batch folders this test made.
  std::vector<std::string> newBatchFolders() const {
    std::vector<std::string> made;
    for (const std::string& folder : batchFolders()) {
      if (std::find(m_before.begin(), m_before.end(), folder) == m_before.end()) made.push_back(folder);
    }
    return made;
  }
  std::string writtenBatch() {
    TempDir records("uninst batch path");
    DebuggeeResult result = runDebuggee("\"" + exe() + "\" write-batch --records \"" + records.file("p.txt") + "\"");
    EXPECT_EQ(result.exitCode, 0u);
    std::string path = readFile(records.file("p.txt"));
    if (!path.empty() && path.back() == '\n') path.pop_back();
    return path;
  }
  bool waitUntilGone(const std::string& path) {
    return waitUntil([&] { return !pathExists(path); }, 30s);
  }
  void TearDown() override {
    // A batch that was not satisfied may still loop: it ends with its
    // executable gone.
    ::SetFileAttributesW(utf8ToWide(exe()).c_str(), FILE_ATTRIBUTE_NORMAL);
    removeTreeLong(exe());
    waitUntil([&] { return newBatchFolders().empty(); }, 10s);
    removeTreeLong(m_dir);
    for (const std::string& folder : newBatchFolders()) removeTreeLong(folder);
  }

  InstallRecord m_record;
  TempDir m_root{"uninst batch"};
  std::string m_dir;
  std::vector<std::string> m_before;
};

TEST_F(BatchRun, TheBatchIsWrittenInTheAnsiCodePageIntoAFolderOnlyAdministratorsMayWrite) {
  placeUninstaller(m_root.file("Tavrin 塔文 100% a&b ^c"));
  ASSERT_TRUE(makeFile(m_dir + "\\TavrinLauncher.exe"));
  std::string batchPath = writtenBatch();
  std::vector<std::string> made = newBatchFolders();
  ASSERT_EQ(made.size(), 1u);
  EXPECT_EQ(batchPath, made[0] + "\\_uninstall_acc.bat");

  std::string exePercent = wideToAnsi(utf8ToWide(m_root.path() + "\\Tavrin 塔文 100%% a&b ^c\\uninst.exe"));
  std::string dirPercent = wideToAnsi(utf8ToWide(m_root.path() + "\\Tavrin 塔文 100%% a&b ^c"));
  std::string batch = readFile(batchPath);
  EXPECT_NE(batch.find("\r\ndel \"" + exePercent + "\"\r\nif not exist \"" + exePercent + "\" goto Removed\r\n"),
            std::string::npos)
      << batch;
  EXPECT_NE(batch.find("\r\n:Removed\r\nrd /q /s \"" + dirPercent + "\" \r\ndel \"" + batchPath + "\" & start"),
            std::string::npos)
      << batch;
  EXPECT_NE(batch.find("\xCB\xFE\xCE\xC4"), std::string::npos) << "塔文 in code page 936";
  EXPECT_NE(batch.find("if %tries% geq 60 goto Removed\r\n"), std::string::npos) << "about a minute of tries";

  bool isProtected = false;
  std::string owner;
  std::vector<std::string> aces = daclOf(made[0], &isProtected, &owner);
  const std::string inherited = ":001F01FF:" + std::to_string(OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
  if (::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr) {
    // Wine keeps no DACL of a folder: it turns it into Unix mode bits and
    // reports them as full control for SYSTEM and its one user (the owner,
    // an administrator), and read access for Everyone when the folder is
    // readable by all, as a folder made without a DACL is.
    EXPECT_EQ(aces, (std::vector<std::string>{"S-1-5-18" + inherited, owner + inherited}))
        << "nothing for anyone but SYSTEM and the administrator";
  } else {
    EXPECT_TRUE(isProtected) << "nothing inherited from the temporary folder";
    EXPECT_EQ(aces, (std::vector<std::string>{"S-1-5-32-544" + inherited, "S-1-5-18" + inherited}))
        << "full control for Administrators and SYSTEM, nothing for anyone else";
  }
  removeTreeLong(made[0]);
}

TEST_F(BatchRun, APathOutsideTheCodePageIsWrittenInItsShortForm) {
  // Hangul is not in code page 936: converted as it is, it would become "?".
  placeUninstaller(m_root.file("Tavrin 한국 x"));
  ASSERT_TRUE(makeFile(m_dir + "\\TavrinLauncher.exe"));
  wchar_t shortExe[MAX_PATH] = {};
  ASSERT_GT(::GetShortPathNameW(utf8ToWide(exe()).c_str(), shortExe, MAX_PATH), 0u);
  ASSERT_EQ(wideToAnsi(shortExe).find('?'), std::string::npos) << wideToUtf8(shortExe);
  std::string batch = readFile(writtenBatch());
  EXPECT_NE(batch.find("del \"" + wideToAnsi(shortExe) + "\"\r\n"), std::string::npos) << batch;
  EXPECT_EQ(batch.find('?'), std::string::npos) << batch;
  for (const std::string& folder : newBatchFolders()) removeTreeLong(folder);
}

TEST_F(BatchRun, RemovesTheFolderOnceTheUninstallerHasEnded) {
  // A "%" that cmd expanded would make the batch remove the decoy instead.
  const std::string name = "100% Tavrin & ^ 塔文 x";
  placeUninstaller(m_root.file(name));
  ASSERT_TRUE(makeFile(m_dir + "\\TavrinLauncher.exe"));
  ASSERT_TRUE(makeFile(m_dir + "\\1.0.0.1\\chrome.dll"));
  std::string decoy = m_root.file("100 Tavrin & ^ 塔文 x");
  ASSERT_TRUE(makeFile(decoy + "\\keep.txt"));

  DebuggeeRun run;
  ASSERT_TRUE(run.start("\"" + exe() + "\" delete-self --hold 2500"));
  std::this_thread::sleep_for(1500ms);
  EXPECT_TRUE(pathExists(exe())) << "the uninstaller still runs";
  EXPECT_TRUE(pathExists(m_dir + "\\1.0.0.1\\chrome.dll")) << "nothing goes before the uninstaller has ended";
  std::vector<std::string> batchCommands;
  for (const std::string& line : commandLinesOf(L"cmd.exe")) {
    if (line.find("_uninstall_acc.bat") != std::string::npos) batchCommands.push_back(line);
  }
  ASSERT_EQ(batchCommands.size(), 1u);
  EXPECT_NE(batchCommands[0].find("\" /d /e:on /v:off /c _uninstall_acc."), std::string::npos)
      << "no AutoRun commands: " << batchCommands[0];
  DebuggeeResult result = run.wait();
  EXPECT_EQ(result.exitCode, 0u);

  EXPECT_TRUE(waitUntilGone(m_dir)) << "the batch removes the whole folder";
  EXPECT_TRUE(waitUntil([&] { return newBatchFolders().empty(); }, 30s)) << "and then itself with its folder";
  EXPECT_TRUE(pathExists(decoy + "\\keep.txt"));
  EXPECT_TRUE(pathExists(m_root.path()));
}

TEST_F(BatchRun, ALockedUninstallerEndsTheBatchAfterItsTries) {
  placeUninstaller(m_root.file("Tavrin locked"));
  ASSERT_TRUE(makeFile(m_dir + "\\TavrinLauncher.exe"));
  // Open without delete sharing, as a scanner may hold it: "del" fails.
  UniqueFileHandle lock(::CreateFileW(utf8ToWide(exe()).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(lock);
  auto started = std::chrono::steady_clock::now();
  DebuggeeResult result = runDebuggee("\"" + exe() + "\" delete-self --tries 3");
  EXPECT_EQ(result.exitCode, 0u);
  ASSERT_FALSE(newBatchFolders().empty());
  EXPECT_TRUE(waitUntil([&] { return newBatchFolders().empty(); }, 30s)) << "the batch gave up and ended";
  auto waited = std::chrono::steady_clock::now() - started;
  EXPECT_GE(waited, 2s) << "a pause between tries";
  EXPECT_TRUE(pathExists(exe()));
  EXPECT_FALSE(pathExists(m_dir + "\\TavrinLauncher.exe")) << "the rest of the installation still goes";
  lock.reset();
}

TEST_F(BatchRun, AFolderThatIsNotTheInstallationKeepsEverythingButTheUninstaller) {
  placeUninstaller(m_root.file("Downloads 下载"));
  ASSERT_TRUE(makeFile(m_dir + "\\photo.jpg"));
  ASSERT_TRUE(makeFile(m_dir + "\\letters\\letter.txt"));
  ASSERT_TRUE(m_record.setString("installpath", m_root.file("elsewhere")));

  DebuggeeResult result = runDebuggee("\"" + exe() + "\" delete-self");
  EXPECT_EQ(result.exitCode, 0u);
  std::string refusal = "DeleteSelf 目录[" + m_dir + "]不是本产品的安装目录，只删除卸载程序";
  EXPECT_EQ(uninstLogMessages(result), std::vector<std::string>{refusal});

  EXPECT_TRUE(waitUntilGone(exe()));
  EXPECT_TRUE(waitUntil([&] { return newBatchFolders().empty(); }, 30s));
  EXPECT_TRUE(pathExists(m_dir + "\\photo.jpg"));
  EXPECT_TRUE(pathExists(m_dir + "\\letters\\letter.txt"));
}

TEST_F(BatchRun, TheRecordedInstallPathMayGoWithoutTheProductsPrograms) {
  placeUninstaller(m_root.file("Tavrin recorded"));
  ASSERT_TRUE(makeFile(m_dir + "\\resources\\a.pak"));
  ASSERT_TRUE(m_record.setString("installpath", m_dir));

  DebuggeeResult result = runDebuggee("\"" + exe() + "\" delete-self");
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_TRUE(uninstLogMessages(result).empty());
  EXPECT_TRUE(waitUntilGone(m_dir));
}

}  // namespace
