// Mirup driven as the launcher drives it: started from a temporary copy
// with the package and the install directory, against a real installation
// record, real files and real processes. A stand-in records how the
// launcher is started again.
#include <gtest/gtest.h>

#include <windows.h>

#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "archive_builder.h"
#include "debuggee.h"
#include "file_probe.h"
#include "handles.h"
#include "install_probe.h"
#include "installation.h"
#include "pkware_check.h"
#include "registry_view.h"
#include "test_env.h"
#include "text_convert.h"
#include "tree_listing.h"
#include "update_package.h"
#include "updater_flow.h"

namespace {

using namespace tavrin;
using namespace tavrin::test;
using namespace std::chrono_literals;

const std::string kPassword = kPackagePassword;

std::string inQuotes(const std::string& text) { return "\"" + text + "\""; }

bool removeInstallValue(const std::string& name) {
  UniqueRegKey key;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kInstallKeyPath, 0, KEY_ALL_ACCESS | kRegistryView, key.receive()) !=
      ERROR_SUCCESS) {
    return false;
  }
  return ::RegDeleteValueA(key.get(), name.c_str()) == ERROR_SUCCESS;
}

bool updaterEventExists() {
  UniqueHandle event(::OpenEventA(SYNCHRONIZE, FALSE, kUpdaterEventName));
  return static_cast<bool>(event);
}

class Mirup : public ::testing::Test {
 protected:
  void SetUp() override {
    endAllStandIns();
    // The launcher that Mirup starts again is a stand-in that records its
    // command line and ends at once.
    ASSERT_TRUE(copyFile(binDir() + "\\tavrin.exe", install.launcher()));
    ASSERT_TRUE(copyFile(binDir() + "\\Mirup.exe", updaterCopy.file("Mirup.exe")));
    ASSERT_TRUE(makeDirTree(install.file("1.0.0.1")));
    ASSERT_TRUE(writeFile(install.file("1.0.0.1\\resources.pak"), "resources of 1.0.0.1"));
    ASSERT_TRUE(makeDirTree(install.dataDir()));
  }
  void TearDown() override { endAllStandIns(); }

  std::string package() const { return install.dataFile("uppackage.zip"); }
  std::string companion() const { return package() + ".cfg"; }
  std::string mirup() const { return updaterCopy.file("Mirup.exe"); }

  bool writePackage(const ArchiveBuilder& builder) {
    return builder.writeTo(package()) && writeFile(companion(), packageCompanion(package()));
  }
  bool writePackage(const std::string& version) { return writePackage(updatePackage(version, kPassword)); }

  DebuggeeResult run(const std::string& arguments) { return runDebuggee(inQuotes(mirup()) + " " + arguments); }
  DebuggeeResult runAsTheLauncherDoes() { return run("-f " + inQuotes(package()) + " -p " + inQuotes(install.dir())); }

  std::string relaunchCommand(const std::string& installDir) const {
    return inQuotes(installDir + "\\TavrinLauncher.exe") + " -rm " + inQuotes(updaterCopy.path());
  }

  // The runs of the stand-in launcher (and of any stand-in browser).
  std::vector<nlohmann::json> launcherRuns(std::chrono::milliseconds wait) const {
    standIns.waitForRuns(1, wait);
    return standIns.runs();
  }

  void expectInstalled(const std::string& version) const {
    EXPECT_EQ(getFileVersion(install.browser()), version);
    EXPECT_EQ(readInstallValue("version"), version);
    EXPECT_EQ(readFile(install.file(version + "\\resources.pak")), "resources of " + version);
  }

  void expectUntouched() const {
    EXPECT_TRUE(pathExists(package()));
    EXPECT_TRUE(pathExists(companion()));
    EXPECT_EQ(getFileVersion(install.browser()), "1.0.0.1");
    EXPECT_EQ(readInstallValue("version"), "1.0.0.1");
    EXPECT_TRUE(pathExists(install.file("1.0.0.1\\resources.pak")));
    EXPECT_FALSE(pathExists(install.file("1.0.0.2")));
  }

  Installation install{"1.0.0.1", "Tavrin Install"};
  TempDir updaterCopy{"{5B0E5C55-1D4B-4A43-9C55-2F7E4E1C0A11}"};
  StandInLog standIns;
  ScopedEnv standInLifetime{"TAVRIN_STANDIN_LIFETIME", "0"};
  // The stand-in launcher notes whether the updater's event still exists
  // when it starts.
  ScopedEnv probeEvent{"TAVRIN_STANDIN_PROBE_EVENT", kUpdaterEventName};
};

TEST_F(Mirup, AppliesThePackageAndStartsTheLauncherAgain) {
  ASSERT_TRUE(writePackage("1.0.0.2"));
  DebuggeeResult result = runAsTheLauncherDoes();
  ASSERT_TRUE(result.started);
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_TRUE(result.lines.empty()) << result.lines.front().text;

  expectInstalled("1.0.0.2");
  EXPECT_TRUE(readFile(install.file("update\\Mirup.exe")) == readFile(binDir() + "\\Mirup.exe"));
  EXPECT_FALSE(pathExists(package()));
  EXPECT_FALSE(pathExists(companion()));
  EXPECT_FALSE(pathExists(install.file("1.0.0.1"))) << "the replaced version's folder goes";
  EXPECT_FALSE(updaterEventExists());

  auto runs = launcherRuns(20s);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0]["cmdline"], relaunchCommand(install.dir()));
  EXPECT_EQ(runs[0]["exe"], install.launcher());
  EXPECT_EQ(runs[0]["probed_event_exists"], false) << "the event goes before the launcher starts";
}

TEST_F(Mirup, ArchiveAloneUsesAndCreatesTheRecordedInstallPath) {
  std::string recorded = install.file("moved\\deeper");
  ASSERT_TRUE(install.record().setString("installpath", recorded));
  ASSERT_TRUE(writePackage("1.0.0.2"));
  DebuggeeResult result = run("-f " + inQuotes(package()));
  EXPECT_EQ(result.exitCode, 0u);

  EXPECT_EQ(getFileVersion(recorded + "\\tavrin.exe"), "1.0.0.2");
  EXPECT_EQ(readInstallValue("version"), "1.0.0.2");
  EXPECT_FALSE(pathExists(package()));
  // No launcher was ever installed there.
  EXPECT_EQ(result.texts(),
            std::vector<std::string>{"run launcher exe failed, err: 2, cmdline: " + relaunchCommand(recorded)});
}

// The launcher is started again, and sees the event of the updater at work.
TEST_F(Mirup, WhileAnotherUpdaterHoldsTheEventTouchesNothingAndStartsTheLauncher) {
  ASSERT_TRUE(writePackage("1.0.0.2"));
  UniqueHandle held(::CreateEventA(nullptr, FALSE, FALSE, kUpdaterEventName));
  ASSERT_TRUE(held);
  DebuggeeResult result = runAsTheLauncherDoes();
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_TRUE(result.lines.empty());
  expectUntouched();
  auto runs = launcherRuns(20s);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0]["cmdline"], relaunchCommand(install.dir()));
  EXPECT_EQ(runs[0]["probed_event_exists"], true);
}

TEST_F(Mirup, ASecondUpdaterStartedDuringTheFirstTouchesNothing) {
  ASSERT_TRUE(writePackage("1.0.0.2"));
  std::string secondPackage = install.dataFile("second.zip");
  ASSERT_TRUE(ArchiveBuilder().addFile("from-second.txt", "second", kPassword).writeTo(secondPackage));

  DebuggeeRun first;
  ASSERT_TRUE(first.start(inQuotes(mirup()) + " -f " + inQuotes(package()) + " -p " + inQuotes(install.dir())));
  ASSERT_TRUE(waitUntil(updaterEventExists, 10s));
  DebuggeeResult second = run("-f " + inQuotes(secondPackage) + " -p " + inQuotes(install.dir()));
  DebuggeeResult firstResult = first.wait();

  EXPECT_EQ(second.exitCode, 0u);
  EXPECT_TRUE(second.lines.empty());
  EXPECT_TRUE(pathExists(secondPackage));
  EXPECT_FALSE(pathExists(install.file("from-second.txt")));
  EXPECT_EQ(firstResult.exitCode, 0u);
  EXPECT_TRUE(firstResult.lines.empty());
  expectInstalled("1.0.0.2");
  ASSERT_TRUE(standIns.waitForRuns(2, 20s)) << "each updater starts the launcher again";
  ::Sleep(500);
  auto runs = standIns.runs();
  ASSERT_EQ(runs.size(), 2u);
  for (const auto& run : runs) EXPECT_EQ(run["cmdline"], relaunchCommand(install.dir()));
}

// The browser or its helper running: nothing is touched, and the launcher
// is started again.
class MirupWhileRunning : public Mirup, public ::testing::WithParamInterface<const char*> {};

TEST_P(MirupWhileRunning, TouchesNothingAndStartsTheLauncher) {
  ASSERT_TRUE(writePackage("1.0.0.2"));
  TempDir elsewhere{"running program"};
  std::string program = elsewhere.file(GetParam());
  ASSERT_TRUE(copyFile(binDir() + "\\tavrin_proxy.exe", program));
  UniqueHandle running;
  {
    ScopedEnv wait("TAVRIN_STANDIN_LIFETIME", "wait");
    running = startProgram(inQuotes(program));
  }
  ASSERT_TRUE(running);
  ASSERT_TRUE(standIns.waitForRuns(1, 20s));

  DebuggeeResult result = runAsTheLauncherDoes();
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_TRUE(result.lines.empty());
  expectUntouched();
  ASSERT_TRUE(standIns.waitForRuns(2, 20s));
  ::Sleep(500);
  auto runs = standIns.runs();
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[1]["cmdline"], relaunchCommand(install.dir()));
  endAllStandIns();
}

INSTANTIATE_TEST_SUITE_P(Programs, MirupWhileRunning, ::testing::Values("tavrin.exe", "tavrin_proxy.exe", "TAVRIN.EXE"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           std::string name = info.param;
                           for (char& c : name) {
                             if (c == '.') c = '_';
                           }
                           return name;
                         });

// Runs a stand-in under the given path until the test ends it.
class MirupBesideAnUninstaller : public Mirup {
 protected:
  void startUninstaller(const std::string& path) {
    ASSERT_TRUE(copyFile(binDir() + "\\tavrin_proxy.exe", path));
    {
      ScopedEnv wait("TAVRIN_STANDIN_LIFETIME", "wait");
      uninstaller = startProgram(inQuotes(path));
    }
    ASSERT_TRUE(uninstaller);
    ASSERT_TRUE(standIns.waitForRuns(1, 20s));
  }
  UniqueHandle uninstaller;
};

// The uninstaller of this installation running: nothing is touched and
// nothing is started, the installation is going away.
TEST_F(MirupBesideAnUninstaller, OfThisInstallationEndsQuietly) {
  ASSERT_TRUE(writePackage("1.0.0.2"));
  // Spelled in other capitals than the installation's path.
  std::string ownUninstaller = install.file("UNINST.EXE");
  ASSERT_NO_FATAL_FAILURE(startUninstaller(ownUninstaller));
  DebuggeeResult result = runAsTheLauncherDoes();
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_TRUE(result.lines.empty());
  expectUntouched();
  ::Sleep(1500);
  EXPECT_EQ(standIns.runs().size(), 1u) << "the launcher is not started";
  endAllStandIns();
}

// "uninst.exe" is a common name: another product's uninstaller, even one in
// a folder whose name begins like the installation's, does not stop the
// update.
TEST_F(MirupBesideAnUninstaller, OfAnotherProductDoesNotStopTheUpdate) {
  ASSERT_TRUE(writePackage("1.0.0.2"));
  TempDir other{"Tavrin Install other product"};
  ASSERT_NO_FATAL_FAILURE(startUninstaller(other.file("uninst.exe")));
  DebuggeeResult result = runAsTheLauncherDoes();
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_TRUE(result.lines.empty());
  expectInstalled("1.0.0.2");
  ASSERT_TRUE(standIns.waitForRuns(2, 20s));
  EXPECT_EQ(standIns.runs()[1]["cmdline"], relaunchCommand(install.dir()));
  endAllStandIns();
}

TEST_F(Mirup, NoRecordedVersionDeletesNoFolder) {
  ASSERT_TRUE(removeInstallValue("version"));
  ASSERT_TRUE(writePackage("1.0.0.2"));
  DebuggeeResult result = runAsTheLauncherDoes();
  EXPECT_TRUE(result.lines.empty());
  expectInstalled("1.0.0.2");
  EXPECT_TRUE(pathExists(install.file("1.0.0.1\\resources.pak")));
  EXPECT_EQ(launcherRuns(20s).size(), 1u);
}

TEST_F(Mirup, TheSameVersionAgainKeepsItsFolder) {
  ASSERT_TRUE(install.record().setString("version", "1.0.0.2"));
  ASSERT_TRUE(writePackage("1.0.0.2"));
  DebuggeeResult result = runAsTheLauncherDoes();
  EXPECT_TRUE(result.lines.empty());
  expectInstalled("1.0.0.2");
  EXPECT_EQ(launcherRuns(20s).size(), 1u);
}

// A recorded version that is no version would name the installation itself
// (or something else): nothing is deleted.
class MirupWithOddRecordedVersion : public Mirup, public ::testing::WithParamInterface<const char*> {};

TEST_P(MirupWithOddRecordedVersion, DeletesNothing) {
  ASSERT_TRUE(install.record().setString("version", GetParam()));
  ASSERT_TRUE(writeFile(install.file("keep.txt"), "keep"));
  ASSERT_TRUE(writePackage("1.0.0.2"));
  DebuggeeResult result = runAsTheLauncherDoes();
  EXPECT_TRUE(result.lines.empty());
  expectInstalled("1.0.0.2");
  EXPECT_EQ(readFile(install.file("keep.txt")), "keep");
  EXPECT_TRUE(pathExists(install.launcher()));
  EXPECT_TRUE(pathExists(install.file("1.0.0.1\\resources.pak")));
  EXPECT_EQ(launcherRuns(20s).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Values, MirupWithOddRecordedVersion, ::testing::Values("", ".", "..", "1.0.0.1\\.."),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           return "Case" + std::to_string(info.index);
                         });

TEST_F(Mirup, WithoutAnArchiveSwitchNothingHappens) {
  ASSERT_TRUE(writePackage("1.0.0.2"));
  DebuggeeResult result = run("-p " + inQuotes(install.dir()) + " " + inQuotes(package()));
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_TRUE(result.lines.empty());
  result = run("-f");
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_TRUE(result.lines.empty());
  expectUntouched();
  EXPECT_TRUE(launcherRuns(1500ms).empty());
}

TEST_F(Mirup, AMissingArchive) {
  std::string missing = install.dataFile("missing.zip");
  DebuggeeResult result = run("-f " + inQuotes(missing) + " -p " + inQuotes(install.dir()));
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_EQ(result.texts(), std::vector<std::string>{"zip file [" + missing + "] not found"});
  EXPECT_EQ(readInstallValue("version"), "1.0.0.1");
  auto runs = launcherRuns(20s);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0]["cmdline"], relaunchCommand(install.dir()));
}

// Another kind of object under the event's name: the event can be neither
// opened nor created.
TEST_F(Mirup, TheEventCannotBeCreated) {
  ASSERT_TRUE(writePackage("1.0.0.2"));
  UniqueHandle squatter(::CreateMutexA(nullptr, FALSE, kUpdaterEventName));
  ASSERT_TRUE(squatter);
  DebuggeeResult result = runAsTheLauncherDoes();
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_EQ(result.texts(), std::vector<std::string>{"create event failed, err: 6"});
  EXPECT_FALSE(pathExists(package())) << "not handed over again at every start while the name is taken";
  EXPECT_FALSE(pathExists(companion()));
  EXPECT_EQ(readInstallValue("version"), "1.0.0.1");
  EXPECT_FALSE(pathExists(install.file("1.0.0.2")));
  auto runs = launcherRuns(20s);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0]["cmdline"], relaunchCommand(install.dir()));
}

TEST_F(Mirup, NoInstallPathAnywhere) {
  ASSERT_TRUE(removeInstallValue("installpath"));
  ASSERT_TRUE(writePackage("1.0.0.2"));
  DebuggeeResult result = run("-f " + inQuotes(package()));
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_EQ(result.texts(), std::vector<std::string>{"install path [] not found"});
  expectUntouched();
  EXPECT_TRUE(launcherRuns(1500ms).empty());
}

// A package that cannot be applied goes, and the launcher is started again
// so that the browser starts; nothing of the installation changes.
class MirupFailedApply : public Mirup {
 protected:
  void expectBrowserStillStarts() {
    EXPECT_FALSE(pathExists(package()));
    EXPECT_FALSE(pathExists(companion()));
    EXPECT_EQ(readInstallValue("version"), "1.0.0.1");
    EXPECT_EQ(getFileVersion(install.browser()), "1.0.0.1");
    EXPECT_TRUE(pathExists(install.file("1.0.0.1\\resources.pak")));
    EXPECT_FALSE(updaterEventExists());
    auto runs = launcherRuns(20s);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0]["cmdline"], relaunchCommand(install.dir()));
  }
  std::string unzipFailedLine() const {
    return "unzip file [" + package() + "] to install path [" + install.dir() + "] failed";
  }
};

TEST_F(MirupFailedApply, APackageThatIsNoArchive) {
  ASSERT_TRUE(writeFile(package(), "<html>a captive portal answered instead</html>"));
  ASSERT_TRUE(writeFile(companion(), packageCompanion(package())));
  DebuggeeResult result = runAsTheLauncherDoes();
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_EQ(result.texts(), (std::vector<std::string>{"加载压缩文件失败 错误代码：0x00000200", unzipFailedLine()}));
  expectBrowserStillStarts();
}

TEST_F(MirupFailedApply, APackageWithAnotherPassword) {
  const std::string other = "another password";
  ArchiveBuilder builder = updatePackage("1.0.0.2", other);
  bool refused = false;
  for (int attempt = 0; attempt < 50 && !refused; ++attempt) {
    ASSERT_TRUE(writePackage(builder));
    EncryptionHeader header = readFirstEncryptionHeader(package());
    refused =
        !passwordFitsHeader(kPassword, header.bytes, encryptionCheckByte(header.flags, header.crc, header.dosStamp));
  }
  ASSERT_TRUE(refused);
  DebuggeeResult result = runAsTheLauncherDoes();
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_EQ(result.texts(), (std::vector<std::string>{"UnzipItem failed 错误代码：0x00001000", unzipFailedLine()}));
  expectBrowserStillStarts();
}

TEST_F(MirupFailedApply, APackageReachingOutsideTheInstallation) {
  std::string outside = install.dir().substr(0, install.dir().find_last_of('\\')) + "\\evil-mirup.txt";
  removeTree(outside);
  ArchiveBuilder builder;
  builder.addFile("..\\evil-mirup.txt", "evil", kPassword).addFile("tavrin.exe", "not a browser", kPassword);
  ASSERT_TRUE(writePackage(builder));
  DebuggeeResult result = runAsTheLauncherDoes();
  EXPECT_EQ(result.texts(), (std::vector<std::string>{"UnzipItem failed 错误代码：0x00010000", unzipFailedLine()}));
  EXPECT_FALSE(pathExists(outside));
  removeTree(outside);
  expectBrowserStillStarts();
}

// A folder too long for the destination, recorded as the install path.
TEST_F(MirupFailedApply, ADestinationTooLong) {
  std::string longDir = install.file(std::string(270, 'd'));
  ASSERT_TRUE(install.record().setString("installpath", longDir));
  ASSERT_TRUE(writePackage("1.0.0.2"));
  DebuggeeResult result = run("-f " + inQuotes(package()) + " -p " + inQuotes(longDir));
  ASSERT_GE(result.lines.size(), 2u);
  EXPECT_EQ(result.lines[0].text, "设置压缩路径失败. 错误代码：0x00010000");
  EXPECT_EQ(result.lines[1].text, "unzip file [" + package() + "] to install path [" + longDir + "] failed");
  // The launcher's path, cut to 260 characters, names nothing to start.
  ASSERT_EQ(result.lines.size(), 3u);
  EXPECT_EQ(result.lines[2].text.rfind("run launcher exe failed, err: ", 0), 0u) << result.lines[2].text;
  EXPECT_FALSE(pathExists(package()));
  EXPECT_EQ(readInstallValue("version"), "1.0.0.1");
}

// "-p" names the installation only when the folder holds "tavrin.exe" or is
// the recorded install path; trailing separators do not count.
class MirupInstallDirArgument : public MirupFailedApply {
 protected:
  // The command line as one cut right after a separator: the value of "-p"
  // runs to the end, without its closing quote.
  DebuggeeResult runWithOpenEndedInstallDir(const std::string& installDir) {
    return run("-f " + inQuotes(package()) + " -p \"" + installDir);
  }
  std::string parent() const { return install.dir().substr(0, install.dir().find_last_of('\\')); }
};

// A line cut after the parent's separator named the installation's parent:
// nothing is written there, the package goes as after a failed apply, and
// the launcher of the recorded installation starts.
TEST_F(MirupInstallDirArgument, TheParentOfTheInstallationIsRefused) {
  ASSERT_TRUE(writePackage("1.0.0.2"));
  std::string cut = parent() + "\\";
  DebuggeeResult result = runWithOpenEndedInstallDir(cut);
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_EQ(result.texts(), std::vector<std::string>{"install dir refused: " + cut});
  EXPECT_FALSE(pathExists(parent() + "\\tavrin.exe"));
  EXPECT_FALSE(pathExists(parent() + "\\1.0.0.2"));
  expectBrowserStillStarts();
}

TEST_F(MirupInstallDirArgument, AFolderWithoutTheBrowserIsRefused) {
  ASSERT_TRUE(writePackage("1.0.0.2"));
  TempDir elsewhere{"not an installation"};
  DebuggeeResult result = run("-f " + inQuotes(package()) + " -p " + inQuotes(elsewhere.path()));
  EXPECT_EQ(result.texts(), std::vector<std::string>{"install dir refused: " + elsewhere.path()});
  EXPECT_EQ(listTree(elsewhere.path()), std::set<std::string>{});
  expectBrowserStillStarts();
}

// The installation with trailing separators is the installation; the
// separators are gone from the relaunch.
TEST_F(MirupInstallDirArgument, TrailingSeparatorsAreStripped) {
  ASSERT_TRUE(writePackage("1.0.0.2"));
  DebuggeeResult result = runWithOpenEndedInstallDir(install.dir() + "\\/\\");
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_TRUE(result.lines.empty()) << result.lines.front().text;
  expectInstalled("1.0.0.2");
  auto runs = launcherRuns(20s);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0]["cmdline"], relaunchCommand(install.dir()));
}

// A recorded install path without a browser yet, given in other capitals
// and with a trailing separator, is the installation.
TEST_F(MirupInstallDirArgument, TheRecordedInstallPathInOtherCapitals) {
  ASSERT_TRUE(install.removeBrowser());
  std::string recorded = install.dir() + "\\";
  ASSERT_TRUE(install.record().setString("installpath", recorded));
  ASSERT_TRUE(writePackage("1.0.0.2"));
  std::string upper = install.dir();
  for (char& c : upper) c = static_cast<char>(::toupper(static_cast<unsigned char>(c)));
  ASSERT_NE(upper, install.dir());
  DebuggeeResult result = run("-f " + inQuotes(package()) + " -p " + inQuotes(upper));
  EXPECT_TRUE(result.lines.empty()) << result.lines.front().text;
  expectInstalled("1.0.0.2");
  auto runs = launcherRuns(20s);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0]["cmdline"], relaunchCommand(upper));
}

TEST_F(Mirup, ANewBrowserWithoutVersion) {
  ASSERT_TRUE(writePackage("unversioned"));
  DebuggeeResult result = runAsTheLauncherDoes();
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_EQ(result.texts(),
            std::vector<std::string>{"can not get version info from file: " + install.dir() + "\\tavrin.exe"});
  EXPECT_FALSE(pathExists(package()));
  EXPECT_FALSE(pathExists(companion()));
  EXPECT_EQ(readInstallValue("version"), "1.0.0.1");
  EXPECT_TRUE(pathExists(install.file("1.0.0.1\\resources.pak")));
  auto runs = launcherRuns(20s);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0]["cmdline"], relaunchCommand(install.dir()));
  EXPECT_EQ(runs[0]["probed_event_exists"], false);
}

TEST_F(Mirup, TheLauncherCannotBeStarted) {
  ASSERT_TRUE(removeTree(install.launcher()));
  ASSERT_TRUE(writePackage("1.0.0.2"));
  DebuggeeResult result = runAsTheLauncherDoes();
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_EQ(result.texts(),
            std::vector<std::string>{"run launcher exe failed, err: 2, cmdline: " + relaunchCommand(install.dir())});
  expectInstalled("1.0.0.2");
  EXPECT_FALSE(pathExists(install.file("1.0.0.1")));
  EXPECT_FALSE(pathExists(package()));
}

}  // namespace
