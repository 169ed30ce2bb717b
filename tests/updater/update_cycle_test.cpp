// The whole update cycle under Wine with the real launcher, the real
// updater, the stand-in browser and the development service: an
// installation of 1.0.0.1 laid out as the installer would; the first start
// downloads a package of 1.0.0.2; the second hands it over; the updater
// applies it and starts the launcher again with "-rm", and that launcher
// removes the updater's folder and starts the new browser with the
// settings fetched in the first run. The installation's folder is a plain
// one, one whose registry path ends in "\", and one of about 171 characters.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "debuggee.h"
#include "dev_service.h"
#include "file_probe.h"
#include "handles.h"
#include "install_probe.h"
#include "installation.h"
#include "test_env.h"
#include "text_convert.h"
#include "update_package.h"
#include "updater_flow.h"

namespace {

using namespace tavrin;
using namespace tavrin::test;
using namespace std::chrono_literals;
using Json = nlohmann::json;

// The updater work folders ("{GUID}") in the temporary folder.
std::set<std::string> updaterWorkFolders() {
  static const std::regex guid(R"(\{[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}\})");
  std::set<std::string> found;
  WIN32_FIND_DATAW entry = {};
  UniqueFindHandle find(::FindFirstFileW(utf8ToWide(tempFolder() + "\\*").c_str(), &entry));
  if (!find) return found;
  do {
    std::string name = wideToUtf8(entry.cFileName);
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && std::regex_match(name, guid)) {
      found.insert(tempFolder() + "\\" + name);
    }
  } while (::FindNextFileW(find.get(), &entry));
  return found;
}

struct InstallFolder {
  std::string name;
  std::string label;       // of the folder in the temporary folder
  bool trailingSeparator;  // the registry's installpath ends in "\\"
};

std::ostream& operator<<(std::ostream& out, const InstallFolder& folder) { return out << folder.name; }

class UpdateCycle : public ::testing::TestWithParam<InstallFolder> {
 protected:
  void SetUp() override {
    endAllStandIns();
    if (GetParam().trailingSeparator) {
      ASSERT_TRUE(install.record().setString("installpath", install.dir() + "\\"));
    }
    ASSERT_TRUE(service.running());
    ASSERT_TRUE(pathExists(install.launcher())) << "the launcher is built";
    ASSERT_TRUE(install.addUpdater());
    ASSERT_TRUE(makeDirTree(install.file("1.0.0.1")));
    ASSERT_TRUE(writeFile(install.file("1.0.0.1\\resources.pak"), "resources of 1.0.0.1"));
    ASSERT_TRUE(updatePackage("1.0.0.2", kPackagePassword).writeTo(service.packagesDir() + "\\tavrin 1.0.0.2.zip"));
    package = readFile(service.packagesDir() + "\\tavrin 1.0.0.2.zip");
    ASSERT_TRUE(service.setConfig(
        Json{{"settings", settingsPlaintext},
             {"update",
              {{"version", "1.0.0.2"}, {"fileurl", "{base}/packages/tavrin%201.0.0.2.zip"}, {"sha256", "auto"}}}}));
  }
  void TearDown() override {
    endAllStandIns();
    waitUntil([] { return countProcesses("TavrinLauncher.exe") == 0 && countProcesses("Mirup.exe") == 0; }, 30s);
    for (const std::string& folder : updaterWorkFolders()) {
      if (!foldersBefore.count(folder)) removeTree(folder);
    }
  }

  DebuggeeResult startLauncher() { return runDebuggee("\"" + install.launcher() + "\"", install.dir()); }

  std::vector<Json> browserRuns() const {
    std::vector<Json> found;
    for (const Json& run : standIns.runs()) {
      if (run["exe"] == install.browser()) found.push_back(run);
    }
    return found;
  }
  bool waitForBrowserRuns(size_t count) const {
    return waitUntil([&] { return browserRuns().size() >= count; }, 30s);
  }

  const std::string settingsPlaintext = R"({"bookmarks":{"version":"7"},"search_engines":"3","navigate_page":"1"})";
  std::string package;
  std::set<std::string> foldersBefore = updaterWorkFolders();
  StandInLog standIns;
  DevService service;
  ScopedEnv host{"TAVRIN_SERVICE_HOST", service.hostAndPort().c_str()};
  // The browser runs until the test ends it, as a user would.
  ScopedEnv lifetime{"TAVRIN_STANDIN_LIFETIME", "wait"};
  Installation install{"1.0.0.1", GetParam().label};
};

TEST_P(UpdateCycle, FromDownloadToTheNewBrowser) {
  // Run 1: browser 1.0.0.1 starts; the background work reports, fetches the
  // settings, finds 1.0.0.2 and downloads it.
  DebuggeeResult first = startLauncher();
  EXPECT_EQ(first.exitCode, 0u);
  EXPECT_TRUE(first.lines.empty()) << first.texts().front();
  ASSERT_TRUE(waitForBrowserRuns(1));
  EXPECT_EQ(browserRuns()[0]["version"], "1.0.0.1");
  EXPECT_FALSE(browserRuns()[0]["has_switches"].get<bool>());
  EXPECT_TRUE(readFile(install.dataFile("uppackage.zip")) == package);
  EXPECT_TRUE(pathExists(install.dataFile("uppackage.zip.cfg")));
  EXPECT_TRUE(pathExists(install.dataFile("corveldata.tsc")));
  auto checks = service.requestsTo("/app/config/version_upgrade/");
  ASSERT_EQ(checks.size(), 1u);
  EXPECT_EQ(checks[0]["query"], "v=1.0.0.1&b=vensa&c=gw&n=" + checks[0]["nonce"].get<std::string>());
  const size_t packageRequests = service.requestsTo("/packages/tavrin%201.0.0.2.zip").size();
  EXPECT_GE(packageRequests, 1u);

  // The user closes the browser.
  endAllStandIns();
  ASSERT_EQ(countProcesses("tavrin.exe"), 0);

  // Run 2: the package is handed to the updater in a fresh work folder; no
  // browser starts.
  DebuggeeResult second = startLauncher();
  EXPECT_EQ(second.exitCode, 0u);
  EXPECT_TRUE(second.lines.empty()) << second.texts().front();
  std::vector<std::string> created;
  for (const std::string& folder : updaterWorkFolders()) {
    if (!foldersBefore.count(folder)) created.push_back(folder);
  }
  ASSERT_EQ(created.size(), 1u) << "one work folder for the updater";
  const std::string workFolder = created[0];
  EXPECT_TRUE(pathExists(workFolder + "\\Mirup.exe"));

  // The updater applies the package and starts the launcher again, which
  // removes the work folder and starts browser 1.0.0.2 with the settings.
  ASSERT_TRUE(waitForBrowserRuns(2)) << "the new browser starts";
  auto runs = browserRuns();
  ASSERT_EQ(runs.size(), 2u) << "the hand-over start started no browser";
  EXPECT_EQ(runs[1]["version"], "1.0.0.2");
  EXPECT_TRUE(runs[1]["has_switches"].get<bool>());
  EXPECT_EQ(runs[1]["setting_path"], install.dataFile("setting.tsc"));
  EXPECT_EQ(runs[1]["version_path"], install.dataFile("version.tsc"));
  EXPECT_EQ(runs[1]["settings"], Json::parse(settingsPlaintext));
  // Wine shows the child its path quoted when it holds blanks; the switches
  // follow it unchanged.
  std::string switches = " --update-cloud-setting=" + install.dataFile("setting.tsc") +
                         " --update-cloud-version=" + install.dataFile("version.tsc");
  std::string commandLine = runs[1]["cmdline"];
  ASSERT_GT(commandLine.size(), switches.size());
  EXPECT_EQ(commandLine.substr(commandLine.size() - switches.size()), switches);

  // The installation is 1.0.0.2 now.
  EXPECT_EQ(readInstallValue("version"), "1.0.0.2");
  EXPECT_EQ(readInstallValue("installpath"), install.dir() + (GetParam().trailingSeparator ? "\\" : ""));
  EXPECT_EQ(getFileVersion(install.browser()), "1.0.0.2");
  EXPECT_EQ(readFile(install.file("1.0.0.2\\resources.pak")), "resources of 1.0.0.2");
  EXPECT_EQ(readFile(install.file("1.0.0.2\\locales\\zh-CN.pak")), "locale of 1.0.0.2");
  EXPECT_FALSE(pathExists(install.file("1.0.0.1"))) << "the replaced version's folder is gone";
  EXPECT_TRUE(pathExists(install.launcher()));
  EXPECT_TRUE(pathExists(install.file("update\\Mirup.exe")));

  // The package and its companion are gone; the settings were converted.
  EXPECT_FALSE(pathExists(install.dataFile("uppackage.zip")));
  EXPECT_FALSE(pathExists(install.dataFile("uppackage.zip.cfg")));
  EXPECT_FALSE(pathExists(install.dataFile("corveldata.tsc")));
  EXPECT_EQ(readFile(install.dataFile("setting.tsc")), settingsPlaintext);

  // The work folder goes 500 ms after the launcher's start; the updater has ended.
  EXPECT_TRUE(waitUntil([&] { return !pathExists(workFolder); }, 20s)) << workFolder;
  EXPECT_TRUE(waitUntil([] { return countProcesses("Mirup.exe") == 0; }, 20s));

  // The third start checks again with the new version and downloads nothing.
  ASSERT_TRUE(service.waitForRequestsTo("/app/config/version_upgrade/", 2, 30s));
  checks = service.requestsTo("/app/config/version_upgrade/");
  EXPECT_EQ(checks[1]["query"], "v=1.0.0.2&b=vensa&c=gw&n=" + checks[1]["nonce"].get<std::string>());
  EXPECT_EQ(service.requestsTo("/packages/tavrin%201.0.0.2.zip").size(), packageRequests)
      << "the package is not fetched again";
  EXPECT_EQ(service.requestsTo("/app/count/active/").size(), 2u) << "runs 1 and 3 report; the hand-over does not";
  EXPECT_EQ(service.requestsTo("/app/config/setting/").size(), 1u) << "run 3 converted, so it fetched nothing";
  EXPECT_FALSE(pathExists(install.dataFile("uppackage.zip"))) << "no second download";

  endAllStandIns();
  EXPECT_TRUE(waitUntil([] { return countProcesses("TavrinLauncher.exe") == 0; }, 30s));
}

// A folder of about 171 characters: the temporary folder, then the label and the
// fixture's " PID-N" suffix.
std::string labelForAFolderOf171Characters() {
  const size_t suffix = std::string(" 9999-9").size();
  return "Tavrin " + std::string(171 - tempFolder().size() - 1 - std::string("Tavrin ").size() - suffix, 'L');
}

INSTANTIATE_TEST_SUITE_P(Folders, UpdateCycle,
                         ::testing::Values(InstallFolder{"Plain", "Tavrin Install", false},
                                           InstallFolder{"TrailingSeparator", "Tavrin Install", true},
                                           InstallFolder{"Long", labelForAFolderOf171Characters(), false}),
                         [](const ::testing::TestParamInfo<InstallFolder>& info) { return info.param.name; });

}  // namespace
