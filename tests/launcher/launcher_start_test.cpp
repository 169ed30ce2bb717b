// One start of the real launcher with the stand-in browser and the
// development service: which browser command line, which settings file,
// which requests, and exit code 0 whatever happens.
#include <gtest/gtest.h>

#include <windows.h>

#include <shlobj.h>

#include <chrono>
#include <fstream>
#include <regex>
#include <sstream>

#include "browser_start.h"
#include "debuggee.h"
#include "file_probe.h"
#include "dev_service.h"
#include "installation.h"
#include "test_env.h"
#include "text_convert.h"
#include "tools/common/protected_reply.h"

namespace {

using namespace tavrin;
using namespace tavrin::test;
using Json = nlohmann::json;

constexpr char kRunEvent[] = "8A04F253-5DA3-47F1-AC2F-06582D831372";

std::string testKey(const std::string& name) {
  std::ifstream in(std::string(TAVRIN_TEST_DATA) + "/keys/" + name, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A settings reply as the service makes it; a stored reply is checked
// without its request's nonce, so any nonce serves.
std::string protect(const std::string& plaintext) {
  return makeBoundReply(plaintext, testKey("test_private.pem"), makeRandomSymmetricKey(), makeRandomSymmetricKey());
}

// A logged query without its last member, the request's nonce "&n=" and 32
// lower-case hexadecimal digits (checked here).
std::string withoutNonce(const std::string& query) {
  static const std::regex nonceAtEnd("^(.*)&n=[0-9a-f]{32}$");
  std::smatch match;
  if (!std::regex_match(query, match, nonceAtEnd)) return "no nonce at the end: " + query;
  return match[1];
}

std::string nonceOf(const Json& request) {
  std::string query = request["query"];
  return query.substr(query.rfind("&n=") + 3);
}

class LauncherStart : public ::testing::Test {
 protected:
  void SetUp() override { service.setConfig(Json{{"settings", settingsPlaintext}, {"update", nullptr}}); }
  void TearDown() override { endAllStandIns(); }

  DebuggeeResult startLauncher(const std::string& arguments = std::string()) {
    return runDebuggee("\"" + install.launcher() + "\"" + arguments, install.dir());
  }
  size_t requestsTo(const std::string& path) { return service.requestsTo(path).size(); }
  // The launcher does not wait for the browser to write its record.
  std::vector<Json> browserRuns(size_t expected) {
    log.waitForRuns(expected, std::chrono::seconds(20));
    return log.runs();
  }

  const std::string settingsPlaintext = R"({"bookmarks":{"version":"7"},"search_engines":"3","navigate_page":"1"})";
  StandInLog log;
  DevService service;
  ScopedEnv host{"TAVRIN_SERVICE_HOST", service.hostAndPort().c_str()};
  Installation install;
};

TEST_F(LauncherStart, WithoutSettingsStartsTheBareBrowserThenReportsFetchesAndChecks) {
  DebuggeeResult result = startLauncher();
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_TRUE(result.lines.empty()) << result.texts()[0];
  ASSERT_EQ(browserRuns(1).size(), 1u);
  EXPECT_FALSE(log.runs()[0]["has_switches"].get<bool>());
  EXPECT_EQ(log.runs()[0]["exe"], install.browser());

  ASSERT_EQ(requestsTo("/app/count/active/"), 1u);
  auto settings = service.requestsTo("/app/config/setting/");
  ASSERT_EQ(settings.size(), 1u);
  EXPECT_EQ(withoutNonce(settings[0]["query"]), "b=vensa&bv=&ev=&hv=");
  auto check = service.requestsTo("/app/config/version_upgrade/");
  ASSERT_EQ(check.size(), 1u);
  EXPECT_EQ(withoutNonce(check[0]["query"]), "v=1.0.0.1&b=vensa&c=gw");
  EXPECT_NE(nonceOf(settings[0]), nonceOf(check[0])) << "a fresh nonce for every request";
  // One after the other, in this order: the report, the settings, the update check.
  const auto report = service.requestsTo("/app/count/active/");
  EXPECT_LT(report[0]["seq"].get<int64_t>(), settings[0]["seq"].get<int64_t>());
  EXPECT_LT(settings[0]["seq"].get<int64_t>(), check[0]["seq"].get<int64_t>());
  EXPECT_EQ(openProtectedReply(readFile(install.dataFile("corveldata.tsc")), testKey("test_public.pem")),
            settingsPlaintext)
      << "the reply is stored exactly as received";
}

TEST_F(LauncherStart, FetchedSettingsReachTheBrowserAtTheNextStartWithoutANewFetch) {
  ASSERT_EQ(startLauncher().exitCode, 0u);
  ASSERT_TRUE(pathExists(install.dataFile("corveldata.tsc")));
  endAllStandIns();

  DebuggeeResult second = startLauncher();
  EXPECT_EQ(second.exitCode, 0u);
  auto runs = browserRuns(2);
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_TRUE(runs[1]["has_switches"].get<bool>());
  EXPECT_EQ(runs[1]["setting_path"], install.dataFile("setting.tsc"));
  EXPECT_EQ(runs[1]["version_path"], install.dataFile("version.tsc"));
  EXPECT_EQ(runs[1]["settings"], Json::parse(settingsPlaintext));
  EXPECT_FALSE(pathExists(install.dataFile("corveldata.tsc")));
  EXPECT_EQ(readFile(install.dataFile("setting.tsc")), settingsPlaintext);
  EXPECT_EQ(requestsTo("/app/config/setting/"), 1u) << "no settings request in the run that converted";
  EXPECT_EQ(requestsTo("/app/count/active/"), 2u);

  endAllStandIns();
  ASSERT_EQ(startLauncher().exitCode, 0u);
  auto third = service.requestsTo("/app/config/setting/");
  ASSERT_EQ(third.size(), 2u) << "every second start fetches";
  EXPECT_EQ(withoutNonce(third[1]["query"]), "b=vensa&bv=7&ev=3&hv=1") << "the versions the browser recorded";
  EXPECT_NE(nonceOf(third[0]), nonceOf(third[1]));
}

TEST_F(LauncherStart, AnExistingSettingFileIsNamedAndTheSettingsAreFetched) {
  ASSERT_TRUE(makeDirTree(install.dataDir()));
  ASSERT_TRUE(writeFile(install.dataFile("setting.tsc"), R"({"navigate_page":"4"})"));
  ASSERT_EQ(startLauncher().exitCode, 0u);
  ASSERT_EQ(browserRuns(1).size(), 1u);
  EXPECT_EQ(log.runs()[0]["setting_path"], install.dataFile("setting.tsc"));
  EXPECT_EQ(requestsTo("/app/config/setting/"), 1u);
  EXPECT_TRUE(pathExists(install.dataFile("corveldata.tsc")));
}

TEST_F(LauncherStart, AStoredReplyThatDoesNotConvertMeansNoSwitchesAndIsReplaced) {
  ASSERT_TRUE(makeDirTree(install.dataDir()));
  ASSERT_TRUE(writeFile(install.dataFile("setting.tsc"), "older settings"));
  std::string forged =
      makeBoundReply("forged", testKey("other_private.pem"), makeRandomSymmetricKey(), makeRandomSymmetricKey());
  ASSERT_TRUE(writeFile(install.dataFile("corveldata.tsc"), forged));

  DebuggeeResult result = startLauncher();
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_EQ(result.texts(),
            std::vector<std::string>{"stored settings reply refused: not a reply made with the service key"});
  ASSERT_EQ(browserRuns(1).size(), 1u);
  EXPECT_FALSE(log.runs()[0]["has_switches"].get<bool>()) << "the older setting.tsc is not used";
  EXPECT_EQ(readFile(install.dataFile("setting.tsc")), "older settings");
  EXPECT_EQ(requestsTo("/app/config/setting/"), 1u);
  std::string stored = readFile(install.dataFile("corveldata.tsc"));
  EXPECT_NE(stored, forged) << "replaced by the new reply";
  EXPECT_FALSE(stored.empty());
}

TEST_F(LauncherStart, AStoredReplyWithAByteOrderMarkConverts) {
  ASSERT_TRUE(makeDirTree(install.dataDir()));
  ASSERT_TRUE(writeFile(install.dataFile("corveldata.tsc"), "\xEF\xBB\xBF" + protect("line one\nline two")));
  ASSERT_EQ(startLauncher().exitCode, 0u);
  ASSERT_EQ(browserRuns(1).size(), 1u);
  EXPECT_TRUE(log.runs()[0]["has_switches"].get<bool>());
  EXPECT_EQ(readFile(install.dataFile("setting.tsc")), "line one\r\nline two") << "written in text mode";
}

// Only "null" and replies bound to the request are taken: anything else,
// the same four letters with a blank included, is refused and not stored.
TEST_F(LauncherStart, AReplyOfExactlyNullIsNotStoredNorIsOneWithABlank) {
  service.setConfig(Json{{"settings", "ignored"}, {"update", nullptr}, {"faults", {{"settings", {{"body", "null"}}}}}});
  DebuggeeResult exact = startLauncher();
  EXPECT_TRUE(exact.lines.empty());
  EXPECT_FALSE(pathExists(install.dataFile("corveldata.tsc")));
  endAllStandIns();
  service.setConfig(
      Json{{"settings", "ignored"}, {"update", nullptr}, {"faults", {{"settings", {{"body", " null"}}}}}});
  DebuggeeResult blank = startLauncher();
  EXPECT_EQ(blank.texts(), std::vector<std::string>{"settings reply refused: not a reply made with the service key"});
  EXPECT_FALSE(pathExists(install.dataFile("corveldata.tsc")));
}

TEST_F(LauncherStart, ASecondStartDuringARunOnlyStartsTheBrowser) {
  ASSERT_TRUE(makeDirTree(install.dataDir()));
  ASSERT_TRUE(writeFile(install.dataFile("setting.tsc"), "{}"));
  UniqueHandle runEvent(::CreateEventA(nullptr, FALSE, FALSE, kRunEvent));
  DebuggeeResult result = startLauncher();
  EXPECT_EQ(result.exitCode, 0u);
  ASSERT_TRUE(log.waitForRuns(1, std::chrono::seconds(20)));
  EXPECT_FALSE(log.runs()[0]["has_switches"].get<bool>());
  EXPECT_TRUE(service.requests().empty());
}

TEST_F(LauncherStart, AMissingBrowserIsReportedAndTheExitCodeIsStillZero) {
  ASSERT_TRUE(install.removeBrowser());
  DebuggeeResult result = startLauncher();
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_EQ(result.texts(), std::vector<std::string>{"can't find exe: " + install.browser()});
  EXPECT_TRUE(service.requests().empty());

  UniqueHandle runEvent(::CreateEventA(nullptr, FALSE, FALSE, kRunEvent));
  DebuggeeResult second = startLauncher();
  EXPECT_EQ(second.exitCode, 0u);
  EXPECT_EQ(second.texts(), std::vector<std::string>{"can't find exe: " + install.browser()});
}

TEST_F(LauncherStart, ABrowserThatCannotStartIsReported) {
  ASSERT_TRUE(writeFile(install.browser(), "not a program"));
  DebuggeeResult result = startLauncher();
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_EQ(result.onlyLineGroup("run main exe failed, err: [1-9][0-9]*, cmdline: (.*)"), install.browser());
  EXPECT_TRUE(service.requests().empty()) << "no background work without a browser";
}

TEST_F(LauncherStart, ASettingFileThatCannotBeWrittenIsReportedAndTheBrowserStartsBare) {
  ASSERT_TRUE(makeDirTree(install.dataFile("setting.tsc")));  // a folder where the file goes
  ASSERT_TRUE(writeFile(install.dataFile("corveldata.tsc"), protect(settingsPlaintext)));
  DebuggeeResult result = startLauncher();
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_EQ(result.onlyLineGroup("open setting file failed, err: [0-9]+, file: (.*)"), install.dataFile("setting.tsc"));
  ASSERT_EQ(browserRuns(1).size(), 1u);
  EXPECT_FALSE(log.runs()[0]["has_switches"].get<bool>());
}

// Without LOCALAPPDATA (or with a relative one) the shell names the local
// application-data folder: nothing goes to a drive root that others can write.
TEST_F(LauncherStart, WithoutLocalAppDataTheShellNamesTheDataFolder) {
  wchar_t shellFolder[MAX_PATH] = {};
  ASSERT_TRUE(SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, shellFolder)));
  const std::string dataDir = wideToUtf8(shellFolder) + "\\Halvex\\tavrin\\launcher";
  const bool hadDataDir = pathExists(dataDir);
  size_t starts = 0;
  for (const char* value : {static_cast<const char*>(nullptr), "", "relative\\folder"}) {
    std::remove((dataDir + "\\corveldata.tsc").c_str());
    {
      ScopedEnv missing("LOCALAPPDATA", value);
      EXPECT_EQ(startLauncher().exitCode, 0u);
    }
    ASSERT_TRUE(service.waitForRequestsTo("/app/config/version_upgrade/", ++starts, std::chrono::seconds(20)));
    endAllStandIns();
    EXPECT_EQ(openProtectedReply(readFile(dataDir + "\\corveldata.tsc"), testKey("test_public.pem")), settingsPlaintext)
        << (value ? value : "unset");
    EXPECT_FALSE(pathExists(install.dir().substr(0, 3) + "corveldata.tsc"));
    EXPECT_FALSE(pathExists(install.file("relative\\folder")));
  }
  std::remove((dataDir + "\\corveldata.tsc").c_str());
  if (!hadDataDir) removeTree(wideToUtf8(shellFolder) + "\\Halvex");
}

TEST_F(LauncherStart, AnUnreachableServiceChangesNothingButTheRequests) {
  ScopedEnv nowhere("TAVRIN_SERVICE_HOST", "127.0.0.1:9");
  DebuggeeResult result = startLauncher();
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_EQ(browserRuns(1).size(), 1u);
  EXPECT_FALSE(pathExists(install.dataFile("corveldata.tsc")));
}

TEST(BrowserCommandLine, IsTheUnquotedPathThenTheTwoSwitches) {
  EXPECT_EQ(buildBrowserCommandLine("C:\\Program Files\\Tavrin\\tavrin.exe", "", "D:\\data"),
            "C:\\Program Files\\Tavrin\\tavrin.exe");
  EXPECT_EQ(buildBrowserCommandLine("C:\\Program Files\\Tavrin\\tavrin.exe", "D:\\data\\setting.tsc", "D:\\data"),
            "C:\\Program Files\\Tavrin\\tavrin.exe --update-cloud-setting=D:\\data\\setting.tsc "
            "--update-cloud-version=D:\\data\\version.tsc");
  std::string longDir(2000, 'd');
  EXPECT_EQ(buildBrowserCommandLine("E", "S", longDir).size(), 1u + 1024u) << "the switches are cut at 1024";
}

// The browser ends while a large download is stalled: the transfer is
// cancelled, the launcher ends promptly and no package looks complete.
TEST_F(LauncherStart, EndsPromptlyWhenTheBrowserEndsDuringADownload) {
  std::string package(8 << 20, 'p');
  ASSERT_TRUE(writeFile(service.packagesDir() + "\\big.zip", package));
  service.setConfig(
      Json{{"settings", nullptr},
           {"update", {{"version", "1.0.0.2"}, {"fileurl", "{base}/packages/big.zip"}, {"sha256", "auto"}}},
           {"faults", {{"package", {{"cut_after", 1 << 20}, {"stall_ms", 120000}}}}}});
  ScopedEnv lifetime("TAVRIN_STANDIN_LIFETIME", "4000");
  DebuggeeRun run;
  ASSERT_TRUE(run.start("\"" + install.launcher() + "\"", install.dir()));
  ASSERT_TRUE(log.waitForRuns(1, std::chrono::seconds(20)));
  DWORD browserPid = log.runs()[0]["pid"].get<DWORD>();
  UniqueHandle browser(::OpenProcess(SYNCHRONIZE, FALSE, browserPid));
  ASSERT_TRUE(browser);
  ASSERT_EQ(::WaitForSingleObject(browser.get(), 30000), WAIT_OBJECT_0);
  auto browserEnded = std::chrono::steady_clock::now();
  DebuggeeResult result = run.wait();
  auto launcherEnded = std::chrono::steady_clock::now();
  auto lag = std::chrono::duration_cast<std::chrono::milliseconds>(launcherEnded - browserEnded).count();
  std::printf("launcher ended %lld ms after the browser\n", static_cast<long long>(lag));
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_FALSE(result.timedOut);
  EXPECT_LT(lag, 5000);
  EXPECT_FALSE(pathExists(install.dataFile("uppackage.zip"))) << "a partial package never looks complete";
  auto downloads = service.requestsTo("/packages/big.zip");
  ASSERT_FALSE(downloads.empty());
  EXPECT_FALSE(downloads.back()["complete"].get<bool>());
}

}  // namespace

namespace {

class VersionFile : public LauncherStart {
 protected:
  std::string querySentWith(const std::string& versionFile) {
    EXPECT_TRUE(makeDirTree(install.dataDir()));
    EXPECT_TRUE(writeFile(install.dataFile("version.tsc"), versionFile));
    EXPECT_EQ(startLauncher().exitCode, 0u);
    auto settings = service.requestsTo("/app/config/setting/");
    return settings.empty() ? std::string("no request") : withoutNonce(settings.back()["query"]);
  }
};

TEST_F(VersionFile, TheRecordedVersionsAreSentAsTheyAre) {
  EXPECT_EQ(querySentWith(R"({"bookmarks":"b.1","search_engines":"e&2","navigate_page":"h3"})"),
            "b=vensa&bv=b.1&ev=e&2&hv=h3");
}

TEST_F(VersionFile, AFileOverTheLimitIsCutAndSendsEmptyVersions) {
  std::string padded =
      R"({"bookmarks":"9","search_engines":"9","navigate_page":"9","pad":")" + std::string(1100, 'x') + "\"}";
  EXPECT_EQ(querySentWith(padded), "b=vensa&bv=&ev=&hv=");
}

TEST_F(VersionFile, NumbersInsteadOfStringsSendEmptyVersions) {
  EXPECT_EQ(querySentWith(R"({"bookmarks":9,"search_engines":"4","navigate_page":[1]})"), "b=vensa&bv=&ev=4&hv=");
}

TEST_F(VersionFile, AFileThatIsNotJsonSendsEmptyVersions) {
  EXPECT_EQ(querySentWith("bookmarks=9"), "b=vensa&bv=&ev=&hv=");
}

}  // namespace
