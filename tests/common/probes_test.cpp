// The installation, version and file-system probes, against the real
// registry, real version resources, real processes and real folders.
#include <gtest/gtest.h>

#include <aclapi.h>
#include <windows.h>

#include <shlobj.h>

#include "file_probe.h"
#include "handles.h"
#include "install_probe.h"
#include "path_join.h"
#include "process_probe.h"
#include "registry_view.h"
#include "test_env.h"
#include "text_convert.h"

namespace {

using namespace tavrin;
using namespace tavrin::test;

std::string standIn(const std::string& version) { return binDir() + "\\browser-" + version + "\\tavrin.exe"; }

std::string currentDir() {
  wchar_t buffer[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, buffer);
  return wideToUtf8(buffer);
}

class ScopedCurrentDir {
 public:
  explicit ScopedCurrentDir(const std::string& dir) : m_old(currentDir()) {
    ::SetCurrentDirectoryW(utf8ToWide(dir).c_str());
  }
  ~ScopedCurrentDir() { ::SetCurrentDirectoryW(utf8ToWide(m_old).c_str()); }

 private:
  std::string m_old;
};

class InstallRecordProbes : public ::testing::Test {
 protected:
  InstallRecord record;
};

TEST_F(InstallRecordProbes, ReadsTheRecordedValues) {
  ASSERT_TRUE(record.setString("installpath", "C:\\Program Files (x86)\\Tavrin Browser"));
  ASSERT_TRUE(record.setString("channel", "sp01"));
  ASSERT_TRUE(record.setString("version", "2.0.10.1"));
  EXPECT_EQ(getInstallDir(), "C:\\Program Files (x86)\\Tavrin Browser");
  EXPECT_EQ(getChannel(), "sp01");
  EXPECT_EQ(getInstalledVersion(), "2.0.10.1");
  EXPECT_EQ(getBrand(), "vensa");
}

TEST_F(InstallRecordProbes, ExpandableStringReadsEmptySoTheChannelIsGw) {
  ASSERT_TRUE(record.setString("channel", "sp01", REG_EXPAND_SZ));
  EXPECT_EQ(readInstallValue("channel"), "");
  EXPECT_EQ(getChannel(), "gw");
}

TEST_F(InstallRecordProbes, DwordReadsAsItsBytesUpToTheFirstZeroByte) {
  ASSERT_TRUE(record.setDword("channel", 0x00434241));  // bytes 'A' 'B' 'C' 0
  EXPECT_EQ(readInstallValue("channel"), "ABC");
}

TEST_F(InstallRecordProbes, TextStopsAtTheFirstNulByte) {
  ASSERT_TRUE(record.setBytes("channel", {'a', 'b', 0, 'c', 'd', 0}, REG_SZ));
  EXPECT_EQ(readInstallValue("channel"), "ab");
}

TEST_F(InstallRecordProbes, ValueLongerThanTheBufferReadsEmpty) {
  ASSERT_TRUE(record.setString("installpath", std::string(1024, 'x')));  // 1025 bytes with its NUL
  EXPECT_EQ(readInstallValue("installpath"), std::string(1024, 'x'));
  ASSERT_TRUE(record.setString("installpath", std::string(1025, 'x')));
  EXPECT_EQ(readInstallValue("installpath"), "");
}

TEST_F(InstallRecordProbes, MissingKeyFallsBackToCurrentDirectoryAndDefaults) {
  ASSERT_TRUE(InstallRecord::removeKey());
  TempDir here("probe cwd");
  ScopedCurrentDir cwd(here.path());
  EXPECT_EQ(readInstallValue("installpath"), "");
  EXPECT_EQ(getInstallDir(), currentDir());
  EXPECT_EQ(getChannel(), "gw");
  EXPECT_EQ(getInstalledVersion(), "") << "no tavrin.exe in the current directory";
}

TEST_F(InstallRecordProbes, VersionFallbackUsesTheCurrentDirectoryNotTheInstallPath) {
  TempDir installed("probe install");
  TempDir here("probe cwd");
  ASSERT_TRUE(copyFile(standIn("1.2.3.4"), installed.file("tavrin.exe")));
  ASSERT_TRUE(copyFile(standIn("1.0.0.2"), here.file("tavrin.exe")));
  ASSERT_TRUE(record.setString("installpath", installed.path()));
  ScopedCurrentDir cwd(here.path());
  EXPECT_EQ(getInstalledVersion(), "1.0.0.2");
}

TEST_F(InstallRecordProbes, ReadsTheKeyInTheThirtyTwoBitView) {
  // A value only in the 64-bit view is not the installation record.
  UniqueRegKey native;
  ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kInstallKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                              nullptr, native.receive(), nullptr),
            ERROR_SUCCESS);
  const char value[] = "from-64-bit-view";
  ASSERT_EQ(::RegSetValueExA(native.get(), "channel", 0, REG_SZ, reinterpret_cast<const BYTE*>(value), sizeof(value)),
            ERROR_SUCCESS);
  native.reset();
  EXPECT_EQ(getChannel(), "gw");
  ASSERT_TRUE(record.setString("channel", "from-32-bit-view"));
  EXPECT_EQ(getChannel(), "from-32-bit-view");
  ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kInstallKeyPath, KEY_WOW64_64KEY, 0);
}

// Gives the installation key a DACL that grants read access only.
bool restrictKeyToReading(bool restrict) {
  UniqueRegKey key;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kInstallKeyPath, 0, WRITE_DAC | kRegistryView, key.receive()) !=
      ERROR_SUCCESS) {
    return false;
  }
  if (!restrict) {
    SECURITY_DESCRIPTOR open = {};
    ::InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION);
    ::SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE);
    return ::RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, &open) == ERROR_SUCCESS;
  }
  EXPLICIT_ACCESSA readOnly = {};
  readOnly.grfAccessPermissions = KEY_READ;
  readOnly.grfAccessMode = SET_ACCESS;
  readOnly.grfInheritance = NO_INHERITANCE;
  readOnly.Trustee.TrusteeForm = TRUSTEE_IS_NAME;
  readOnly.Trustee.ptstrName = const_cast<char*>("EVERYONE");
  PACL acl = nullptr;
  if (::SetEntriesInAclA(1, &readOnly, nullptr, &acl) != ERROR_SUCCESS) return false;
  UniqueLocalMemory aclMemory(acl);
  SECURITY_DESCRIPTOR descriptor = {};
  ::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
  ::SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
  return ::RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
}

TEST_F(InstallRecordProbes, ReadsAKeyThatGrantsOnlyReadAccess) {
  ASSERT_TRUE(record.setString("installpath", "D:\\Tavrin"));
  ASSERT_TRUE(restrictKeyToReading(true));
  UniqueRegKey full;
  LONG fullAccess =
      ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kInstallKeyPath, 0, KEY_ALL_ACCESS | kRegistryView, full.receive());
  std::string read = readInstallValue("installpath");
  ASSERT_TRUE(restrictKeyToReading(false));
  if (fullAccess == ERROR_SUCCESS) GTEST_SKIP() << "this system does not enforce registry key DACLs";
  EXPECT_EQ(read, "D:\\Tavrin");
}

TEST(FileVersionProbe, FormatsTheFixedFileVersion) {
  EXPECT_EQ(getFileVersion(standIn("1.2.3.4")), "1.2.3.4");
  EXPECT_EQ(getFileVersion(binDir() + "\\tavrin.exe"), "1.0.0.1");
  EXPECT_EQ(getFileVersion(standIn("1.0.0.2")), "1.0.0.2");
  EXPECT_EQ(getFileVersion(binDir() + "\\tavrin_proxy.exe"), "1.0.0.1");
}

TEST(FileVersionProbe, PartsAreUnsignedSixteenBitNumbers) {
  EXPECT_EQ(getFileVersion(standIn("65535.1.32768.4")), "65535.1.32768.4");
}

TEST(FileVersionProbe, NoVersionResourceOrNoFileGivesEmptyText) {
  EXPECT_EQ(getFileVersion(standIn("unversioned")), "");
  EXPECT_EQ(getFileVersion(binDir() + "\\debug_echo.exe"), "");
  EXPECT_EQ(getFileVersion(binDir() + "\\no such file.exe"), "");
  EXPECT_EQ(getFileVersion(""), "");
}

TEST(LauncherDataDir, IsUnderTheLocalApplicationDataFolder) {
  ScopedEnv env("LOCALAPPDATA", "C:\\users\\ann lee\\AppData\\Local");
  EXPECT_EQ(getLauncherDataDir(), "C:\\users\\ann lee\\AppData\\Local\\Halvex\\tavrin\\launcher");
}

// Never a drive root, a folder below the current one or a cut path.
TEST(LauncherDataDir, WithoutLocalAppDataTheShellsFolderStandsInAndALongOneGivesNone) {
  wchar_t shellFolder[MAX_PATH] = {};
  ASSERT_TRUE(SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, shellFolder)));
  {
    ScopedEnv env("LOCALAPPDATA", nullptr);
    EXPECT_EQ(getLauncherDataDir(), wideToAnsi(shellFolder) + "\\Halvex\\tavrin\\launcher");
  }
  ScopedEnv env("LOCALAPPDATA", ("C:\\" + std::string(240, 'x')).c_str());
  EXPECT_EQ(getLauncherDataDir(), "");
}

TEST(PathJoin, CutsAtTwoHundredSixtyCharacters) {
  std::string joined = joinPath(std::string(250, 'd'), "0123456789abcdef");
  EXPECT_EQ(joined.size(), 260u);
  EXPECT_EQ(joined, std::string(250, 'd') + "\\012345678");
}

class ProcessProbe : public ::testing::Test {
 protected:
  void TearDown() override { endAllStandIns(); }
  StandInLog log;
};

TEST_F(ProcessProbe, FindsARunningProgramIgnoringCase) {
  ASSERT_FALSE(isProcessRunning("tavrin_proxy.exe"));
  UniqueHandle proxy = startProgram("\"" + binDir() + "\\tavrin_proxy.exe\"");
  ASSERT_TRUE(proxy);
  ASSERT_TRUE(log.waitForRuns(1, std::chrono::seconds(20)));
  EXPECT_TRUE(isProcessRunning("tavrin_proxy.exe"));
  EXPECT_TRUE(isProcessRunning("TAVRIN_PROXY.EXE"));
  EXPECT_FALSE(isProcessRunning("tavrin_proxy")) << "the whole file name must match";
  EXPECT_FALSE(isProcessRunning("proxy.exe"));
  endAllStandIns();
  ASSERT_EQ(::WaitForSingleObject(proxy.get(), 10000), WAIT_OBJECT_0);
  EXPECT_FALSE(isProcessRunning("tavrin_proxy.exe"));
}

TEST_F(ProcessProbe, TakesTheNameAsUtf8) {
  TempDir dir("probe utf8");
  std::string name = "\xE6\xB5\x8F\xE8\xA7\x88\xE5\x99\xA8.exe";  // 浏览器.exe
  ASSERT_TRUE(copyFile(binDir() + "\\tavrin.exe", dir.file(name)));
  UniqueHandle program = startProgram("\"" + dir.file(name) + "\"");
  ASSERT_TRUE(program);
  ASSERT_TRUE(log.waitForRuns(1, std::chrono::seconds(20)));
  EXPECT_TRUE(isProcessRunning(name));
  ::TerminateProcess(program.get(), 0);
  ::WaitForSingleObject(program.get(), 10000);
}

class DirTree : public ::testing::Test {
 protected:
  TempDir root{"dir tree"};
};

TEST_F(DirTree, CreatesEveryMissingFolderWithEitherSeparator) {
  std::string first = root.file("one");
  ASSERT_TRUE(makeDirTree(first));
  std::string path = first + "\\two/three";
  EXPECT_TRUE(makeDirTree(path));
  EXPECT_TRUE(pathExists(first + "\\two"));
  EXPECT_TRUE(pathExists(first + "\\two\\three"));
}

TEST_F(DirTree, TrailingBackslashMakesNoDifference) {
  EXPECT_TRUE(makeDirTree(root.file("a\\b\\c\\")));
  EXPECT_TRUE(pathExists(root.file("a\\b\\c")));
  EXPECT_TRUE(makeDirTree(root.file("a\\b\\c\\")));
}

TEST_F(DirTree, FailsOnEmptyPathOrWhenAFileIsInTheWay) {
  EXPECT_FALSE(makeDirTree(""));
  ASSERT_TRUE(writeFile(root.file("plain.txt"), "x"));
  EXPECT_FALSE(makeDirTree(root.file("plain.txt\\sub\\deeper")));
  EXPECT_FALSE(pathExists(root.file("plain.txt\\sub")));
}

TEST_F(DirTree, ExistingPathIsSuccess) { EXPECT_TRUE(makeDirTree(root.path())); }

TEST_F(DirTree, AnsiPathExistsTakesTheNameInTheAnsiCodePage) {
  ASSERT_TRUE(writeFile(root.file("\xE6\x96\x87.txt"), "x"));  // UTF-8 of the test helpers
  EXPECT_TRUE(ansiPathExists(root.file(wideToAnsi(L"\x6587.txt"))));
  EXPECT_FALSE(ansiPathExists(root.file("\xE6\x96\x87.txt")));
  EXPECT_TRUE(ansiPathExists(root.path()));
  EXPECT_FALSE(ansiPathExists(root.file("missing.txt")));
  EXPECT_FALSE(ansiPathExists(""));
}

TEST(FileSize, MeasuresBytesAndGivesZeroForAMissingFile) {
  TempDir dir("file size");
  ASSERT_TRUE(writeFile(dir.file("a.bin"), std::string(12345, 'z')));
  ASSERT_TRUE(writeFile(dir.file("empty.bin"), ""));
  EXPECT_EQ(getFileSize(dir.file("a.bin")), 12345);
  EXPECT_EQ(getFileSize(dir.file("empty.bin")), 0);
  EXPECT_EQ(getFileSize(dir.file("missing.bin")), 0);
}

TEST(FileSize, SizesBeyondFourGigabytesAreExact) {
  TempDir dir("file size");
  const LONGLONG size = (5LL << 30) + 3;
  {
    UniqueFileHandle file(::CreateFileW(utf8ToWide(dir.file("big.bin")).c_str(), GENERIC_WRITE, 0, nullptr,
                                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file);
    LARGE_INTEGER end;
    end.QuadPart = size;
    ASSERT_TRUE(::SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN));
    ASSERT_TRUE(::SetEndOfFile(file.get()));
  }
  EXPECT_EQ(getFileSize(dir.file("big.bin")), size);
}

}  // namespace
