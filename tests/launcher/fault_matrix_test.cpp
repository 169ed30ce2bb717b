// Every way the service can fail the launcher, for the update reply, the
// settings reply and the package download: the launcher still ends with 0,
// the browser starts, the one expected diagnostic line is logged, no package
// is kept unless it is complete (and matches an offered digest), and the next
// start, against a healthy service, misreads nothing that was left behind.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "debuggee.h"
#include "dev_service.h"
#include "file_probe.h"
#include "installation.h"
#include "test_env.h"
#include "tools/common/protected_reply.h"

namespace {

using namespace tavrin::test;
using Json = nlohmann::json;

const char kUpdatePath[] = "/app/config/version_upgrade/";
const char kSettingsPath[] = "/app/config/setting/";
const char kPackagePath[] = "/packages/pkg.zip";
const char kSettingsPlaintext[] = R"({"bookmarks":"5","search_engines":"6","navigate_page":"7"})";

std::string testKey(const std::string& name) {
  std::ifstream in(std::string(TAVRIN_TEST_DATA) + "/keys/" + name, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string packageBytes(size_t size) {
  std::string bytes(size, '\0');
  uint32_t state = 987654321u;
  for (char& b : bytes) {
    state = state * 1103515245u + 12345u;
    b = static_cast<char>(state >> 24);
  }
  return bytes;
}

std::string companionFor(size_t size) {
  std::string text = std::to_string(size);
  text.resize(512, '\0');
  return text;
}

bool endsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// What the launcher was asked for, as it wrote the URL: the service's base,
// the path and the query of the logged request.
std::string requestedUrl(const DevService& service, const std::string& path) {
  auto requests = service.requestsTo(path);
  if (requests.empty()) return "no request to " + path;
  return service.baseUrl() + path + "?" + requests.front()["query"].get<std::string>();
}

using Lines = std::vector<std::string>;
using LinesFor = std::function<Lines(const DevService&)>;

struct FaultCase {
  std::string name;
  std::string endpoint;  // "update", "settings" or "package"
  Json fault;
  bool digestOffered = true;
  // The browser ends while the service still stalls (the cancel path).
  bool browserEndsEarly = false;
  // The exact diagnostic lines of the first start, given the service.
  LinesFor expectedLines;
  // What a package that passes every check holds; empty: the offered package.
  std::string handedBody{};
};

std::ostream& operator<<(std::ostream& out, const FaultCase& fault) { return out << fault.name; }

// The HTTP client's own line for a transfer that did not end in success and 200.
std::string curlError(const std::string& text, int status) {
  return "[curl send msg error: pRes=" + text + ", lResCode=" + std::to_string(status) + " \n]";
}
const char kNoError[] = "No error";
const char kPartial[] = "Transferred a partial file";
const char kAborted[] = "Operation was aborted by an application callback";
const char kWriteStopped[] = "Failed writing received data to disk/application";
// The resumable download's text for a package that arrived short ("the download server broke off").
const char kServerBrokeOff[] = "\xE4\xB8\x8B\xE8\xBD\xBD\xE6\x9C\x8D\xE5\x8A\xA1\xE5\x99\xA8\xE4\xB8\xAD\xE6\x96\xAD";

LinesFor lines(Lines fixed) {
  return [=](const DevService&) { return fixed; };
}

LinesFor updateGetFailed(int status) {
  return [=](const DevService& service) {
    return Lines{curlError(kNoError, status), "http get failed, url: " + requestedUrl(service, kUpdatePath) +
                                                  ", code: " + std::to_string(status) + ", msg: " + kNoError};
  };
}

LinesFor settingsGetFailed(int status) {
  return [=](const DevService& service) {
    return Lines{curlError(kNoError, status), "http get failed, url: " + requestedUrl(service, kSettingsPath) +
                                                  ", err: " + std::to_string(status) + ", msg: " + kNoError};
  };
}

// A package reply with an error status is refused, whatever its length.
LinesFor packageRefused(long status) {
  return [=](const DevService& service) {
    return Lines{curlError(kNoError, status), "[" + std::string(kNoError) + "]",
                 "download update file failed, url: " + service.baseUrl() + kPackagePath +
                     ", code: " + std::to_string(status) + ", msg: " + kNoError};
  };
}

LinesFor packageCutShort(const std::string& curlText) {
  return [=](const DevService& service) {
    return Lines{curlError(curlText, 200), "download update file failed, url: " + service.baseUrl() + kPackagePath +
                                               ", code: -100, msg: " + kServerBrokeOff};
  };
}

LinesFor digestMismatch(Lines before = {}) {
  return [=](const DevService& service) {
    Lines all = before;
    all.push_back("package digest mismatch, url: " + service.baseUrl() + kPackagePath);
    return all;
  };
}

class FaultMatrix : public ::testing::TestWithParam<FaultCase> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(service.running());
    ASSERT_TRUE(waitForNoBrowserOrUpdater());
    ASSERT_TRUE(service.addPackage("pkg.zip", package));
    // A stand-in updater that records how it was started and ends at once.
    ASSERT_TRUE(tavrin::makeDirTree(install.file("update")));
    ASSERT_TRUE(copyFile(binDir() + "\\tavrin_proxy.exe", install.file("update\\Mirup.exe")));
  }
  void TearDown() override {
    endAllStandIns();
    EXPECT_TRUE(waitForNoBrowserOrUpdater());
    for (const Json& run : runsOf("\\Mirup.exe")) {
      std::string exe = run["exe"];
      removeTree(exe.substr(0, exe.find_last_of('\\')));
    }
  }

  // A browser, its helper or a stand-in updater still running would keep a
  // launcher from handing a package over (or from starting at all).
  static bool waitForNoBrowserOrUpdater() {
    return waitUntil(
        [] {
          return countProcesses("tavrin.exe") == 0 && countProcesses("tavrin_proxy.exe") == 0 &&
                 countProcesses("Mirup.exe") == 0;
        },
        std::chrono::seconds(20));
  }

  Json offer(bool digest) const {
    Json update{{"version", "1.0.0.2"}, {"fileurl", std::string("{base}") + kPackagePath}};
    if (digest) update["sha256"] = "auto";
    return update;
  }
  void configure(const Json& faults, bool digest) {
    ASSERT_TRUE(service.setConfig(Json{{"settings", kSettingsPlaintext}, {"update", offer(digest)}, {"faults", faults}}));
  }
  DebuggeeResult startLauncher() { return runDebuggee("\"" + install.launcher() + "\"", install.dir(), 120000); }
  std::vector<Json> runsOf(const std::string& exeName) const {
    std::vector<Json> found;
    for (const Json& run : log.runs()) {
      if (endsWith(run["exe"].get<std::string>(), exeName)) found.push_back(run);
    }
    return found;
  }
  bool storedSettingsAreValid() const {
    std::string stored = readFile(install.dataFile("corveldata.tsc"));
    return !stored.empty() && openProtectedReply(stored, testKey("test_public.pem")) == kSettingsPlaintext;
  }
  // What the next start would hand over: a package beside a companion that
  // records its size.
  bool packageWaitsForHandOver() const {
    const std::string kept = readFile(install.dataFile("uppackage.zip"));
    return pathExists(install.dataFile("uppackage.zip")) &&
           readFile(install.dataFile("uppackage.zip.cfg")) == companionFor(kept.size()) && !kept.empty();
  }

  const std::string package = packageBytes(256 * 1024 + 33);
  StandInLog log;
  DevService service;
  ScopedEnv host{"TAVRIN_SERVICE_HOST", service.hostAndPort().c_str()};
  Installation install;
};

TEST_P(FaultMatrix, EndsWellAndLeavesNothingToMisread) {
  const FaultCase& fault = GetParam();
  configure(Json{{fault.endpoint, fault.fault}}, fault.digestOffered);

  // First start, against the faulty service.
  DebuggeeResult first;
  {
    ScopedEnv lifetime("TAVRIN_STANDIN_LIFETIME", fault.browserEndsEarly ? "1500" : "wait");
    first = startLauncher();
  }
  ASSERT_TRUE(first.started);
  EXPECT_FALSE(first.timedOut);
  EXPECT_EQ(first.exitCode, 0u);
  ASSERT_TRUE(log.waitForRuns(1, std::chrono::seconds(20)));
  EXPECT_EQ(runsOf("\\tavrin.exe").size(), 1u) << "the browser starts";
  EXPECT_EQ(first.texts(), fault.expectedLines(service));
  EXPECT_TRUE(runsOf("\\Mirup.exe").empty());
  // Only what the service sent completely (and, with a digest, the offered package) may wait for hand-over.
  const bool waiting = packageWaitsForHandOver();
  const std::string handedBody = fault.handedBody.empty() ? package : fault.handedBody;
  if (waiting) {
    EXPECT_TRUE(readFile(install.dataFile("uppackage.zip")) == handedBody) << "an incomplete package waits";
    if (fault.digestOffered) {
      EXPECT_TRUE(readFile(install.dataFile("uppackage.zip")) == package);
    }
  }
  // A partial package is continued only when its companion records the size the service now announces.
  const bool resumable = pathExists(install.dataFile("uppackage.zip.temp")) &&
                         readFile(install.dataFile("uppackage.zip.cfg")) == companionFor(package.size());
  const bool settingsStored = storedSettingsAreValid();
  endAllStandIns();
  ASSERT_TRUE(waitForNoBrowserOrUpdater());

  // Second start, against a healthy service offering the same update.
  configure(Json::object(), fault.digestOffered);
  DebuggeeResult second;
  {
    ScopedEnv lifetime("TAVRIN_STANDIN_LIFETIME", "wait");
    second = startLauncher();
  }
  EXPECT_EQ(second.exitCode, 0u);
  if (waiting) {
    // The waiting package is handed over and no browser starts.
    EXPECT_EQ(second.texts(), Lines{});
    ASSERT_TRUE(log.waitForRuns(2, std::chrono::seconds(20)));
    auto updater = runsOf("\\Mirup.exe");
    ASSERT_EQ(updater.size(), 1u) << Json(log.runs()).dump();
    EXPECT_NE(updater[0]["cmdline"].get<std::string>().find("-f \"" + install.dataFile("uppackage.zip") + "\""),
              std::string::npos);
    EXPECT_EQ(runsOf("\\tavrin.exe").size(), 1u);
    return;
  }
  // A partial package left behind is continued with a range request.
  EXPECT_EQ(second.texts(), resumable ? Lines{curlError(kNoError, 206)} : Lines{});
  ASSERT_TRUE(log.waitForRuns(2, std::chrono::seconds(20)));
  auto browsers = runsOf("\\tavrin.exe");
  ASSERT_EQ(browsers.size(), 2u) << "the browser starts again";
  EXPECT_TRUE(runsOf("\\Mirup.exe").empty()) << "nothing incomplete is handed over";
  // Whatever the first start left, the healthy start now gets the whole package.
  EXPECT_TRUE(readFile(install.dataFile("uppackage.zip")) == package);
  EXPECT_TRUE(readFile(install.dataFile("uppackage.zip.cfg")) == companionFor(package.size()));
  // Settings reach the browser only from a reply made with the key.
  const std::string cmdline = browsers[1]["cmdline"];
  const bool handedSettings = cmdline.find("--update-cloud-setting=") != std::string::npos;
  EXPECT_EQ(handedSettings, settingsStored) << cmdline;
  if (handedSettings) {
    EXPECT_EQ(browsers[1]["settings"], Json::parse(kSettingsPlaintext));
  }
}

std::vector<FaultCase> faultCases() {
  const std::string errorPage = "<html><body>the service is not well</body></html>";
  const Json redirectUpdate{{"redirect", std::string("{base}") + kUpdatePath}, {"count", 1}};
  const Json redirectSettings{{"redirect", std::string("{base}") + kSettingsPath}, {"count", 1}};
  const Json redirectPackage{{"redirect", std::string("{base}") + kPackagePath}, {"count", 1}};
  std::vector<FaultCase> cases;
  // The update reply. A reply cut short or stalled is read as far as it
  // came; a redirect is followed.
  cases.push_back({"UpdateStatus404", "update", {{"status", 404}}, true, false, updateGetFailed(404)});
  cases.push_back({"UpdateStatus500", "update", {{"status", 500}, {"body", errorPage}}, true, false,
                   updateGetFailed(500)});
  cases.push_back({"UpdateCutShort", "update", {{"cut_after", 20}}, true, false,
                   lines({curlError(kPartial, 200), "update url response is not json format, response: "})});
  cases.push_back({"UpdateStall", "update", {{"stall_ms", 30000}}, true, true, lines({curlError(kAborted, 200)})});
  cases.push_back({"UpdateNoLength", "update", {{"no_length", true}}, true, false, lines({})});
  cases.push_back({"UpdateLyingLength", "update", {{"length", 100000}}, true, false,
                   lines({curlError(kPartial, 200)})});
  cases.push_back({"UpdateLowercaseLength", "update", {{"lowercase_length", true}}, true, false, lines({})});
  cases.push_back({"UpdateNull", "update", {{"reply_null", true}}, true, false, lines({})});
  cases.push_back({"UpdateOtherKey", "update", {{"wrong_key", true}}, true, false,
                   lines({"update url response is not json format, response: "})});
  cases.push_back({"UpdateRedirect", "update", redirectUpdate, true, false, lines({})});
  // The settings reply.
  cases.push_back({"SettingsStatus404", "settings", {{"status", 404}}, true, false, settingsGetFailed(404)});
  cases.push_back({"SettingsStatus500", "settings", {{"status", 500}, {"body", errorPage}}, true, false,
                   settingsGetFailed(500)});
  cases.push_back({"SettingsCutShort", "settings", {{"cut_after", 20}}, true, false,
                   lines({curlError(kPartial, 200)})});
  cases.push_back({"SettingsStall", "settings", {{"stall_ms", 30000}}, true, true, lines({curlError(kAborted, 200)})});
  cases.push_back({"SettingsNoLength", "settings", {{"no_length", true}}, true, false, lines({})});
  cases.push_back({"SettingsLyingLength", "settings", {{"length", 100000}}, true, false,
                   lines({curlError(kPartial, 200)})});
  cases.push_back({"SettingsNull", "settings", {{"reply_null", true}}, true, false, lines({})});
  cases.push_back({"SettingsOtherKey", "settings", {{"wrong_key", true}}, true, false, lines({})});
  cases.push_back({"SettingsRedirect", "settings", redirectSettings, true, false, lines({})});
  // The package, with and without an offered digest.
  for (bool digest : {true, false}) {
    const std::string tag = digest ? "WithDigest" : "WithoutDigest";
    // The package's own bytes under an error status are refused too.
    cases.push_back({"PackageStatus404" + tag, "package", {{"status", 404}}, digest, false, packageRefused(404)});
    // An error page as long as the length the pre-flight announced is no package.
    cases.push_back({"PackageErrorPage500" + tag, "package", {{"status", 500}, {"body", errorPage}}, digest, false,
                     packageRefused(500)});
    cases.push_back({"PackageCutShort" + tag, "package", {{"cut_after", 100000}}, digest, false,
                     packageCutShort(kPartial)});
    cases.push_back({"PackageStall" + tag, "package", {{"cut_after", 100000}, {"stall_ms", 30000}}, digest, true,
                     packageCutShort(kAborted)});
    cases.push_back({"PackageNoLength" + tag, "package", {{"no_length", true}}, digest, false,
                     lines({curlError(kWriteStopped, 200)})});
    cases.push_back({"PackageLyingLength" + tag, "package", {{"length", 300000}}, digest, false,
                     packageCutShort(kPartial)});
    cases.push_back({"PackageLowercaseLength" + tag, "package", {{"lowercase_length", true}}, digest, false,
                     lines({curlError(kWriteStopped, 200)})});
    cases.push_back({"PackageNull" + tag, "package", {{"reply_null", true}}, digest, false,
                     digest ? digestMismatch() : lines({}), "null"});
    cases.push_back({"PackageRedirect" + tag, "package", redirectPackage, digest, false, lines({})});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Service, FaultMatrix, ::testing::ValuesIn(faultCases()),
                         [](const ::testing::TestParamInfo<FaultCase>& info) { return info.param.name; });

}  // namespace
