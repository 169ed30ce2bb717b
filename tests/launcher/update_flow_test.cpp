// The update across two starts: the offer, the download with its companion,
// the check at the next start and the hand-off to the updater.
#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>

#include <regex>

#include "debuggee.h"
#include "dev_service.h"
#include "file_probe.h"
#include "installation.h"
#include "package_bytes.h"
#include "test_env.h"
#include "text_convert.h"
#include "tools/common/protected_reply.h"
#include "update_core.h"

namespace {

using namespace tavrin;
using namespace tavrin::test;
using Json = nlohmann::json;

class UpdateFlow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(writeFile(service.packagesDir() + "\\pkg 1.0.0.2.zip", package));
    offer(Json{{"version", "1.0.0.2"}, {"fileurl", "{base}/packages/pkg%201.0.0.2.zip"}, {"sha256", "auto"}});
    // A stand-in updater that records how it was started and ends at once.
    ASSERT_TRUE(makeDirTree(install.file("update")));
    ASSERT_TRUE(copyFile(binDir() + "\\tavrin_proxy.exe", install.file("update\\Mirup.exe")));
  }
  void TearDown() override {
    endAllStandIns();
    for (const std::string& folder : workFolders()) removeTree(folder);
  }

  void offer(const Json& update) { service.setConfig(Json{{"settings", nullptr}, {"update", update}}); }
  DebuggeeResult startLauncher() { return runDebuggee("\"" + install.launcher() + "\"", install.dir()); }
  std::vector<Json> runsOf(const std::string& exeName) {
    std::vector<Json> found;
    for (const Json& run : log.runs()) {
      std::string exe = run["exe"];
      if (exe.size() >= exeName.size() && exe.compare(exe.size() - exeName.size(), exeName.size(), exeName) == 0) {
        found.push_back(run);
      }
    }
    return found;
  }
  std::vector<std::string> workFolders() {
    std::vector<std::string> folders;
    for (const Json& run : runsOf("\\Mirup.exe")) {
      std::string exe = run["exe"];
      folders.push_back(exe.substr(0, exe.find_last_of('\\')));
    }
    return folders;
  }
  // A package as a download leaves it: with the size and, when given, the
  // digest its offer named.
  void placePackage(const std::string& bytes, const std::string* companion, const std::string& digest = "") {
    ASSERT_TRUE(makeDirTree(install.dataDir()));
    ASSERT_TRUE(writeFile(install.dataFile("uppackage.zip"), bytes));
    if (companion) {
      ASSERT_TRUE(writeFile(install.dataFile("uppackage.zip.cfg"), *companion));
    }
    if (!digest.empty()) {
      ASSERT_TRUE(writeFile(install.dataFile("uppackage.zip.sha256"), digest));
    }
  }
  bool packageFilesGone() {
    for (const char* name : {"uppackage.zip", "uppackage.zip.cfg", "uppackage.zip.sha256", "uppackage.zip.temp"}) {
      if (pathExists(install.dataFile(name))) return false;
    }
    return true;
  }

  const std::string package = packageBytes(3 * 1024 * 1024 + 17);
  StandInLog log;
  DevService service;
  ScopedEnv host{"TAVRIN_SERVICE_HOST", service.hostAndPort().c_str()};
  // The browser runs until the test ends it, so the background work finishes.
  ScopedEnv lifetime{"TAVRIN_STANDIN_LIFETIME", "wait"};
  Installation install;
};

TEST_F(UpdateFlow, DownloadsTheOfferThenHandsItOverAtTheNextStart) {
  // Larger than what the loopback socket buffers absorb, so a body the
  // pre-flight did not read shows in the service log as not sent.
  const std::string large = packageBytes(48 * 1024 * 1024 + 5);
  ASSERT_TRUE(writeFile(service.packagesDir() + "\\large.zip", large));
  offer(Json{{"version", "1.0.0.2"}, {"fileurl", "{base}/packages/large.zip"}, {"sha256", "auto"}});
  ASSERT_EQ(startLauncher().exitCode, 0u);
  EXPECT_TRUE(readFile(install.dataFile("uppackage.zip")) == large);
  EXPECT_TRUE(readFile(install.dataFile("uppackage.zip.cfg")) == sideFileRecording(large.size()));
  EXPECT_EQ(readFile(install.dataFile("uppackage.zip.sha256")), sha256Hex(large)) << "kept for the hand-off";
  EXPECT_FALSE(pathExists(install.dataFile("uppackage.zip.temp")));

  // One transfer of the package per update: the pre-flight asks for the headers alone.
  int64_t sent = 0;
  int transfers = 0;
  for (const Json& request : service.requestsTo("/packages/large.zip")) {
    sent += request["bytes_sent"].get<int64_t>();
    if (request["method"] == "GET") ++transfers;
  }
  EXPECT_EQ(transfers, 1);
  EXPECT_EQ(sent, static_cast<int64_t>(large.size()));

  endAllStandIns();  // the user closed the browser
  DebuggeeResult second = startLauncher();
  EXPECT_EQ(second.exitCode, 0u);
  EXPECT_TRUE(second.lines.empty());
  ASSERT_TRUE(log.waitForRuns(2, std::chrono::seconds(20)));
  EXPECT_EQ(runsOf("\\tavrin.exe").size(), 1u) << "the second start starts no browser";
  auto updater = runsOf("\\Mirup.exe");
  ASSERT_EQ(updater.size(), 1u);
  std::string exe = updater[0]["exe"];
  std::string folder = exe.substr(0, exe.find_last_of('\\'));
  EXPECT_EQ(::_stricmp(folder.substr(0, folder.find_last_of('\\')).c_str(), tempFolder().c_str()), 0);
  EXPECT_TRUE(std::regex_match(folder.substr(folder.find_last_of('\\') + 1),
                               std::regex(R"(\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\})")));
  EXPECT_EQ(updater[0]["cmdline"],
            "\"" + exe + "\" -f \"" + install.dataFile("uppackage.zip") + "\" -p \"" + install.dir() + "\"");
  EXPECT_TRUE(pathExists(install.dataFile("uppackage.zip"))) << "the updater deletes it once applied";
}

TEST_F(UpdateFlow, ASizeMismatchDeletesBothFilesAndStartsTheBrowser) {
  std::string companion = sideFileRecording(package.size() + 1);
  placePackage(package, &companion);
  offer(nullptr);
  ASSERT_EQ(startLauncher().exitCode, 0u);
  EXPECT_FALSE(pathExists(install.dataFile("uppackage.zip")));
  EXPECT_FALSE(pathExists(install.dataFile("uppackage.zip.cfg")));
  ASSERT_TRUE(log.waitForRuns(1, std::chrono::seconds(20)));
  EXPECT_EQ(runsOf("\\tavrin.exe").size(), 1u);
  EXPECT_TRUE(runsOf("\\Mirup.exe").empty());
}

TEST_F(UpdateFlow, AnEmptyPackageWithoutCompanionIsNotHandedOver) {
  placePackage("", nullptr);
  offer(nullptr);
  ASSERT_EQ(startLauncher().exitCode, 0u);
  EXPECT_FALSE(pathExists(install.dataFile("uppackage.zip")));
  EXPECT_TRUE(runsOf("\\Mirup.exe").empty());
  ASSERT_TRUE(log.waitForRuns(1, std::chrono::seconds(20)));
  EXPECT_EQ(runsOf("\\tavrin.exe").size(), 1u);
}

TEST_F(UpdateFlow, AMissingUpdateFolderIsReportedAndTheBrowserStarts) {
  std::string companion = sideFileRecording(package.size());
  placePackage(package, &companion, sha256Hex(package));
  offer(nullptr);
  ASSERT_TRUE(removeTree(install.file("update")));
  DebuggeeResult result = startLauncher();
  EXPECT_EQ(result.exitCode, 0u);
  ASSERT_EQ(result.lines.size(), 1u);
  std::string prefix = "file not found: " + tempFolder() + "\\{";
  EXPECT_EQ(result.lines[0].text.compare(0, prefix.size(), prefix), 0) << result.lines[0].text;
  EXPECT_NE(result.lines[0].text.find("}\\Mirup.exe"), std::string::npos);
  ASSERT_TRUE(log.waitForRuns(1, std::chrono::seconds(20)));
  EXPECT_EQ(runsOf("\\tavrin.exe").size(), 1u);
  EXPECT_TRUE(pathExists(install.dataFile("uppackage.zip"))) << "the package waits for a later start";
  std::string folder = result.lines[0].text.substr(std::string("file not found: ").size());
  removeTree(folder.substr(0, folder.find_last_of('\\')));
}

TEST_F(UpdateFlow, AnUpdaterThatCannotStartIsReportedAndTheBrowserStarts) {
  std::string companion = sideFileRecording(package.size());
  placePackage(package, &companion, sha256Hex(package));
  offer(nullptr);
  ASSERT_TRUE(writeFile(install.file("update\\Mirup.exe"), "not a program"));
  DebuggeeResult result = startLauncher();
  EXPECT_EQ(result.exitCode, 0u);
  const std::string workFolder = result.onlyLineGroup(
      R"(CreateProcess failed, err: [1-9][0-9]*, cmdline: "(.*\\\{[-0-9A-F]{36}\})\\Mirup\.exe" -f .*)");
  EXPECT_EQ(workFolder.rfind(tempFolder() + "\\{", 0), 0u) << workFolder;
  EXPECT_FALSE(pathExists(workFolder)) << "the work folder goes with the failed start";
  ASSERT_TRUE(log.waitForRuns(1, std::chrono::seconds(20)));
  EXPECT_EQ(runsOf("\\tavrin.exe").size(), 1u) << "the browser starts instead";
  EXPECT_TRUE(pathExists(install.dataFile("uppackage.zip"))) << "the package waits for a later start";
}

// The updater would not apply the package beside the browser, nor beside the
// installation's own uninstaller: the click starts the browser instead.
TEST_F(UpdateFlow, WhileTheBrowserOrTheInstallationsUninstallerRunsThePackageWaits) {
  std::string companion = sideFileRecording(package.size());
  placePackage(package, &companion, sha256Hex(package));
  offer(nullptr);
  ASSERT_TRUE(copyFile(binDir() + "\\tavrin_proxy.exe", install.file("uninst.exe")));
  for (const std::string& blocker : {standInBrowser("1.0.0.1"), install.file("uninst.exe")}) {
    const size_t before = log.runs().size();
    UniqueHandle running;
    {
      ScopedEnv wait("TAVRIN_STANDIN_LIFETIME", "wait");
      running = startProgram("\"" + blocker + "\"");
    }
    ASSERT_TRUE(log.waitForRuns(before + 1, std::chrono::seconds(20)));
    ASSERT_EQ(startLauncher().exitCode, 0u);
    ASSERT_TRUE(log.waitForRuns(before + 2, std::chrono::seconds(20))) << "the click still starts the browser";
    EXPECT_TRUE(runsOf("\\Mirup.exe").empty()) << blocker;
    EXPECT_TRUE(readFile(install.dataFile("uppackage.zip")) == package);
    EXPECT_TRUE(pathExists(install.dataFile("uppackage.zip.cfg")));
    ::TerminateProcess(running.get(), 0);
    ::WaitForSingleObject(running.get(), 10000);
    endAllStandIns();
  }
}

TEST_F(UpdateFlow, WhileTheUpdatersEventExistsThePackageWaits) {
  std::string companion = sideFileRecording(package.size());
  placePackage(package, &companion, sha256Hex(package));
  offer(nullptr);
  UniqueHandle squatter(::CreateEventA(nullptr, FALSE, FALSE, "A7ADFC94-908D-4B80-963C-E1DB9B26DC07"));
  ASSERT_TRUE(squatter);
  ASSERT_EQ(startLauncher().exitCode, 0u);
  ASSERT_TRUE(log.waitForRuns(1, std::chrono::seconds(20)));
  EXPECT_TRUE(runsOf("\\Mirup.exe").empty()) << "an updater would only end and start the launcher again";
  EXPECT_EQ(runsOf("\\tavrin.exe").size(), 1u);
  EXPECT_TRUE(readFile(install.dataFile("uppackage.zip")) == package);
}

TEST_F(UpdateFlow, ADigestMismatchHandsNothingOver) {
  offer(
      Json{{"version", "1.0.0.2"}, {"fileurl", "{base}/packages/pkg%201.0.0.2.zip"}, {"sha256", std::string(64, 'A')}});
  DebuggeeResult result = startLauncher();
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_EQ(result.texts(), (std::vector<std::string>{
                                "[package digest mismatch]",
                                "package digest mismatch, url: " + service.baseUrl() + "/packages/pkg%201.0.0.2.zip"}));
  EXPECT_TRUE(packageFilesGone()) << "the package never got its final name";
}

TEST_F(UpdateFlow, AnOfferWithoutADigestOrWithAMalformedOneDownloadsNothing) {
  offer(Json{{"version", "1.0.0.2"}, {"fileurl", "{base}/packages/pkg%201.0.0.2.zip"}});
  EXPECT_EQ(startLauncher().texts(), std::vector<std::string>{"update offer refused: no sha256"});
  offer(Json{{"version", "1.0.0.2"}, {"fileurl", "{base}/packages/pkg%201.0.0.2.zip"}, {"sha256", "12ab"}});
  EXPECT_EQ(startLauncher().texts(), std::vector<std::string>{"update offer refused: malformed sha256"});
  EXPECT_TRUE(service.requestsTo("/packages/pkg%201.0.0.2.zip").empty());
  EXPECT_TRUE(packageFilesGone());
}

// Between the download and the next start the package is changed on disk
// (same size): it is deleted with its companions, never handed over. So is
// one whose digest record is missing.
TEST_F(UpdateFlow, APackageChangedOnDiskOrWithoutItsDigestIsNotHandedOver) {
  ASSERT_EQ(startLauncher().exitCode, 0u);
  ASSERT_TRUE(readFile(install.dataFile("uppackage.zip")) == package);
  endAllStandIns();
  std::string changed = package;
  changed[changed.size() / 2] ^= 0x20;
  ASSERT_TRUE(writeFile(install.dataFile("uppackage.zip"), changed));
  offer(nullptr);
  DebuggeeResult second = startLauncher();
  EXPECT_EQ(second.texts(), std::vector<std::string>{"update package refused: digest mismatch, file: " +
                                                     install.dataFile("uppackage.zip")});
  EXPECT_TRUE(packageFilesGone());
  ASSERT_TRUE(log.waitForRuns(2, std::chrono::seconds(20)));
  EXPECT_TRUE(runsOf("\\Mirup.exe").empty());
  EXPECT_EQ(runsOf("\\tavrin.exe").size(), 2u) << "the browser starts instead";

  endAllStandIns();
  std::string companion = sideFileRecording(package.size());
  placePackage(package, &companion);
  DebuggeeResult third = startLauncher();
  EXPECT_EQ(third.texts(), std::vector<std::string>{"update package refused: no recorded digest, file: " +
                                                    install.dataFile("uppackage.zip")});
  EXPECT_TRUE(packageFilesGone());
  EXPECT_TRUE(runsOf("\\Mirup.exe").empty());
}

TEST_F(UpdateFlow, AnEqualOrOlderOfferDownloadsNothing) {
  offer(Json{{"version", "1.0.0.1"}, {"fileurl", "{base}/packages/pkg%201.0.0.2.zip"}, {"sha256", "auto"}});
  ASSERT_EQ(startLauncher().exitCode, 0u);
  offer(Json{{"version", "0.9.99.99"}, {"fileurl", "{base}/packages/pkg%201.0.0.2.zip"}, {"sha256", "auto"}});
  ASSERT_EQ(startLauncher().exitCode, 0u);
  offer(Json{{"version", "1.0.0.2"}, {"fileurl", nullptr}, {"sha256", "auto"}});
  ASSERT_EQ(startLauncher().exitCode, 0u);
  EXPECT_TRUE(service.requestsTo("/packages/pkg%201.0.0.2.zip").empty());
  EXPECT_FALSE(pathExists(install.dataFile("uppackage.zip")));
}

TEST_F(UpdateFlow, AReplyThatIsNotJsonIsReported) {
  offer("1.0.0.2 is out");
  DebuggeeResult result = startLauncher();
  EXPECT_EQ(result.texts(),
            std::vector<std::string>{"update url response is not json format, response: 1.0.0.2 is out"});
}

// A package server may send at most 300 KB of response headers (libcurl's
// limit since the fix of CVE-2023-38039, which Debian's curl carries): a
// flood of 400 KB makes the transfer fail and nothing is kept; 200 KB of
// header lines still bring the package.
TEST_F(UpdateFlow, APackageServerFloodingHeadersIsRefused) {
  const Json offered{{"version", "1.0.0.2"}, {"fileurl", "{base}/packages/pkg%201.0.0.2.zip"}, {"sha256", "auto"}};
  service.setConfig(
      Json{{"settings", nullptr}, {"update", offered}, {"faults", {{"package", {{"header_bytes", 400000}}}}}});
  DebuggeeResult flooded = startLauncher();
  EXPECT_EQ(flooded.exitCode, 0u);
  EXPECT_FALSE(pathExists(install.dataFile("uppackage.zip"))) << "nothing is taken for the package";
  EXPECT_FALSE(flooded.lines.empty()) << "the failed transfer is reported";

  endAllStandIns();
  service.setConfig(
      Json{{"settings", nullptr}, {"update", offered}, {"faults", {{"package", {{"header_bytes", 200000}}}}}});
  ASSERT_EQ(startLauncher().exitCode, 0u);
  EXPECT_TRUE(readFile(install.dataFile("uppackage.zip")) == package) << "headers below the limit are fine";
}

// A build made with -DTAVRIN_ACCEPT_LEGACY_REPLIES=ON, for a service that
// still sends the older form and offers without a digest: the offer is
// downloaded, the settings are stored, and the package is handed over on
// its size alone.
TEST_F(UpdateFlow, ABuildForAnOlderServiceTakesItsReplies) {
  ASSERT_TRUE(copyFile(binDir() + "\\TavrinLauncherLegacy.exe", install.launcher()));
  const Json olderService{{"legacy_reply", true}};
  service.setConfig(Json{{"settings", "{}"},
                         {"update", {{"version", "1.0.0.2"}, {"fileurl", "{base}/packages/pkg%201.0.0.2.zip"}}},
                         {"faults", {{"update", olderService}, {"settings", olderService}}}});
  EXPECT_EQ(startLauncher().texts(), std::vector<std::string>{});
  EXPECT_TRUE(readFile(install.dataFile("uppackage.zip")) == package);
  EXPECT_FALSE(pathExists(install.dataFile("uppackage.zip.sha256")));
  EXPECT_TRUE(pathExists(install.dataFile("corveldata.tsc")));

  endAllStandIns();
  EXPECT_EQ(startLauncher().texts(), std::vector<std::string>{});
  ASSERT_TRUE(log.waitForRuns(2, std::chrono::seconds(20)));
  EXPECT_EQ(runsOf("\\Mirup.exe").size(), 1u);
}

// The updater reads its command line as every Windows program does: parsed
// back, the line gives exactly the three paths.
std::vector<std::string> parsedBack(const std::string& line) {
  std::vector<std::string> arguments;
  int count = 0;
  LPWSTR* argv = ::CommandLineToArgvW(ansiToWide(line).c_str(), &count);
  UniqueLocalMemory owner(argv);
  if (argv == nullptr) return arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(wideToAnsi(argv[i]));
  return arguments;
}

TEST(UpdaterCommandLine, ParsesBackToTheThreePathsForLongFoldersAndTrailingSeparators) {
  const std::string updater = "C:\\Documents and Settings\\u\\Local Settings\\Temp\\{G}\\Mirup.exe";
  const std::string package = "C:\\a b\\uppackage.zip";
  const std::string longFolder = "D:\\Program Files\\" + std::string(150, 'x') + " y\\" + std::string(150, 'z');
  const std::vector<std::pair<std::string, std::string>> folders = {
      {"C:\\Program Files\\T", "C:\\Program Files\\T"},
      {"C:\\Program Files\\T\\", "C:\\Program Files\\T"},
      {"C:\\Program Files\\T\\\\/", "C:\\Program Files\\T"},
      {longFolder, longFolder},
      {longFolder + "\\", longFolder}};
  for (const auto& [given, meant] : folders) {
    const std::string line = buildUpdaterCommandLine(updater, package, given);
    EXPECT_EQ(parsedBack(line), (std::vector<std::string>{updater, "-f", package, "-p", meant})) << line;
  }
  EXPECT_EQ(buildUpdaterCommandLine(updater, package, "C:\\Program Files\\T"),
            "\"" + updater + "\" -f \"" + package + "\" -p \"C:\\Program Files\\T\"");
  // No line at all rather than one that names another folder.
  for (const std::string& refused : {std::string("C:\\"), std::string("C:"), std::string("\\"), std::string(),
                                     std::string("C:\\a\"b"), "C:\\" + std::string(33000, 'x')}) {
    EXPECT_EQ(buildUpdaterCommandLine(updater, package, refused), "") << refused.substr(0, 40);
  }
}

}  // namespace
