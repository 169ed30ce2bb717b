// Every way the service, or anyone on the network path, can fail the
// launcher, for the update reply, the settings reply and the package
// download: the launcher still ends with 0, the browser starts, the expected
// diagnostic lines are logged, no reply is stored and no package kept unless
// it is genuine, bound to its request and complete, nothing a forged offer
// names is fetched, and the next start, against a healthy service, misreads
// nothing that was left behind.
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
#include "base64.h"
#include "installation.h"
#include "package_bytes.h"
#include "test_env.h"
#include "tools/common/protected_reply.h"

namespace {

using namespace tavrin::test;
using Json = nlohmann::json;

const char kUpdatePath[] = "/app/config/version_upgrade/";
const char kSettingsPath[] = "/app/config/setting/";
const char kPackagePath[] = "/packages/pkg.zip";
// The package a forged offer names; served, so that following it would show.
const char kForgedPackagePath[] = "/packages/evil.zip";
const char kForgedPackage[] = "MZ the attacker's program";
const char kSettingsPlaintext[] = R"({"bookmarks":"5","search_engines":"6","navigate_page":"7"})";

std::string testKey(const std::string& name) {
  std::ifstream in(std::string(TAVRIN_TEST_DATA) + "/keys/" + name, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
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

using BodyFor = std::function<std::string(const DevService&)>;

struct FaultCase {
  std::string name;
  std::string endpoint;  // "update", "settings" or "package"
  Json fault;
  // The browser ends while the service still stalls (the cancel path).
  bool browserEndsEarly = false;
  // The exact diagnostic lines of the first start, given the service.
  LinesFor expectedLines;
  // A body made for this service (a forgery naming its address), sent in
  // place of the reply; none when empty.
  BodyFor body{};
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

// A reply that did not arrive whole and with 200: an error status, or
// libcurl's code for a transfer cut short, stopped or cancelled after its
// status line (never the 200 of that line).
LinesFor updateGetFailed(int code, const char* text = kNoError) {
  return [=](const DevService& service) {
    return Lines{curlError(text, code), "http get failed, url: " + requestedUrl(service, kUpdatePath) +
                                            ", code: " + std::to_string(code) + ", msg: " + text};
  };
}

LinesFor settingsGetFailed(int code, const char* text = kNoError) {
  return [=](const DevService& service) {
    return Lines{curlError(text, code), "http get failed, url: " + requestedUrl(service, kSettingsPath) +
                                            ", err: " + std::to_string(code) + ", msg: " + text};
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

LinesFor packageCutShort(const std::string& curlText, int curlCode) {
  return [=](const DevService& service) {
    return Lines{curlError(curlText, curlCode), "download update file failed, url: " + service.baseUrl() +
                                                    kPackagePath + ", code: -100, msg: " + kServerBrokeOff};
  };
}

LinesFor digestMismatch() {
  return [=](const DevService& service) {
    return Lines{"[package digest mismatch]", "package digest mismatch, url: " + service.baseUrl() + kPackagePath};
  };
}

// A reply body above 1 MiB is refused as it arrives.
LinesFor replyTooLarge(const char* path, const char* codeName) {
  return [=](const DevService& service) {
    const std::string message = "reply larger than 1048576 bytes";
    return Lines{curlError(kWriteStopped, 23), "[" + message + "]",
                 "http get failed, url: " + requestedUrl(service, path) + ", " + codeName + ": -104, msg: " + message};
  };
}

LinesFor packageTooLarge(size_t announced) {
  return [=](const DevService& service) {
    const std::string message = "download larger than " + std::to_string(announced) + " bytes";
    return Lines{
        curlError(kWriteStopped, 23), "[" + message + "]",
        "download update file failed, url: " + service.baseUrl() + kPackagePath + ", code: -104, msg: " + message};
  };
}

const char kNotWithTheKey[] = "not a reply made with the service key";
const char kOlderForm[] = "forged or unbound: the older form without digest and nonce";
const char kOtherPayload[] = "forged or unbound: the payload does not match the signed digest";
const char kStaleNonce[] = "stale nonce: made for another request";

LinesFor refused(const std::string& reply, const std::string& reason) {
  return lines({reply + " reply refused: " + reason});
}

// What anyone on the network path makes of a genuine reply with the public
// key alone: the AES key read out of the signed block, another payload
// encrypted under it, the genuine block in front.
std::string forgedFrom(const std::string& genuine, const std::string& payload) {
  const std::string content = openReplyContent(genuine, testKey("test_public.pem"));
  if (content.size() < 16) return "the public key did not open the genuine reply";
  return tavrin::base64Encode(tavrin::base64Decode(genuine).substr(0, 128) + encryptReplyPayload(payload, content));
}

// A genuine reply of the service, of either form, to some earlier request.
std::string genuineReply(const std::string& plaintext, bool legacy) {
  const std::string key = testKey("test_private.pem");
  return legacy ? makeProtectedReply(plaintext, key, makeRandomSymmetricKey())
                : makeBoundReply(plaintext, key, makeRandomSymmetricKey(), makeRandomSymmetricKey());
}

BodyFor forgedOffer(bool fromLegacy) {
  return [=](const DevService& service) {
    const Json offer{{"version", "9.0.0.0"},
                     {"fileurl", service.baseUrl() + kForgedPackagePath},
                     {"sha256", sha256Hex(kForgedPackage)}};
    return forgedFrom(genuineReply(R"({"version":"1.0.0.2"})", fromLegacy), offer.dump());
  };
}

BodyFor forgedSettings(bool fromLegacy) {
  return [=](const DevService&) {
    return forgedFrom(genuineReply(kSettingsPlaintext, fromLegacy), R"({"navigate_page":"http://evil/"})");
  };
}

// A genuine reply of the service, made for an earlier request, sent again.
BodyFor replayed(const std::string& plaintext) {
  return [=](const DevService&) { return genuineReply(plaintext, false); };
}

class FaultMatrix : public ::testing::TestWithParam<FaultCase> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(service.running());
    ASSERT_TRUE(waitForNoBrowserOrUpdater());
    ASSERT_TRUE(service.addPackage("pkg.zip", package));
    ASSERT_TRUE(service.addPackage("evil.zip", kForgedPackage));
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

  void configure(const Json& faults) {
    const Json offer{{"version", "1.0.0.2"}, {"fileurl", std::string("{base}") + kPackagePath}, {"sha256", "auto"}};
    ASSERT_TRUE(service.setConfig(Json{{"settings", kSettingsPlaintext}, {"update", offer}, {"faults", faults}}));
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
           readFile(install.dataFile("uppackage.zip.cfg")) == sideFileRecording(kept.size()) && !kept.empty();
  }

  const std::string package = packageBytes(256 * 1024 + 33, 987654321u);
  StandInLog log;
  DevService service;
  ScopedEnv host{"TAVRIN_SERVICE_HOST", service.hostAndPort().c_str()};
  Installation install;
};

TEST_P(FaultMatrix, EndsWellAndLeavesNothingToMisread) {
  const FaultCase& fault = GetParam();
  Json endpointFault = fault.fault;
  if (fault.body) endpointFault["body"] = fault.body(service);
  configure(Json{{fault.endpoint, endpointFault}});

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
  EXPECT_TRUE(service.requestsTo(kForgedPackagePath).empty()) << "nothing a forged offer names is fetched";
  // Only the offered package, complete, may wait for hand-over; only a genuine reply is stored.
  const bool waiting = packageWaitsForHandOver();
  if (waiting) {
    EXPECT_TRUE(readFile(install.dataFile("uppackage.zip")) == package) << "an incomplete package waits";
  }
  EXPECT_TRUE(!pathExists(install.dataFile("corveldata.tsc")) || storedSettingsAreValid())
      << "a refused reply is not stored";
  // A partial package is continued only when its companion records the size the service now announces.
  const bool resumable = pathExists(install.dataFile("uppackage.zip.temp")) &&
                         readFile(install.dataFile("uppackage.zip.cfg")) == sideFileRecording(package.size());
  const bool settingsStored = storedSettingsAreValid();
  endAllStandIns();
  ASSERT_TRUE(waitForNoBrowserOrUpdater());

  // Second start, against a healthy service offering the same update.
  configure(Json::object());
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
  EXPECT_TRUE(readFile(install.dataFile("uppackage.zip.cfg")) == sideFileRecording(package.size()));
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
  const std::string overLimit(1024 * 1024 + 1, 'A');
  // A redirect keeps the query, and so the nonce of the request.
  const Json redirectUpdate{{"redirect", std::string("{base}") + kUpdatePath + "?{query}"}, {"count", 1}};
  const Json redirectSettings{{"redirect", std::string("{base}") + kSettingsPath + "?{query}"}, {"count", 1}};
  const Json redirectPackage{{"redirect", std::string("{base}") + kPackagePath}, {"count", 1}};
  std::vector<FaultCase> cases;
  // The update reply. A reply cut short or stalled is read as far as it
  // came; a redirect is followed.
  cases.push_back({"UpdateStatus404", "update", {{"status", 404}}, false, updateGetFailed(404)});
  cases.push_back({"UpdateStatus500", "update", {{"status", 500}, {"body", errorPage}}, false, updateGetFailed(500)});
  cases.push_back({"UpdateCutShort", "update", {{"cut_after", 20}}, false, updateGetFailed(18, kPartial)});
  cases.push_back({"UpdateChunkedCutShort",
                   "update",
                   {{"chunked", true}, {"cut_after", 20}},
                   false,
                   updateGetFailed(18, kPartial)});
  cases.push_back({"UpdateStall", "update", {{"stall_ms", 30000}}, true, updateGetFailed(42, kAborted)});
  cases.push_back({"UpdateNoLength", "update", {{"no_length", true}}, false, lines({})});
  cases.push_back({"UpdateLyingLength", "update", {{"length", 100000}}, false, updateGetFailed(18, kPartial)});
  cases.push_back({"UpdateLowercaseLength", "update", {{"lowercase_length", true}}, false, lines({})});
  cases.push_back({"UpdateNull", "update", {{"reply_null", true}}, false, lines({})});
  cases.push_back({"UpdateNullWithABlank", "update", {{"body", "null "}}, false, refused("update", kNotWithTheKey)});
  cases.push_back({"UpdateRedirect", "update", redirectUpdate, false, lines({})});
  cases.push_back({"UpdateOverLimit", "update", {{"body", overLimit}}, false, replyTooLarge(kUpdatePath, "code")});
  // Update replies that are not the service's answer to this request.
  cases.push_back({"UpdateOtherKey", "update", {{"wrong_key", true}}, false, refused("update", kNotWithTheKey)});
  cases.push_back({"UpdateOlderForm", "update", {{"legacy_reply", true}}, false, refused("update", kOlderForm)});
  cases.push_back({"UpdateWrongDigest", "update", {{"wrong_digest", true}}, false, refused("update", kOtherPayload)});
  cases.push_back({"UpdateStaleNonce", "update", {{"stale_nonce", true}}, false, refused("update", kStaleNonce)});
  cases.push_back({"UpdateReplayed", "update", Json::object(), false, refused("update", kStaleNonce),
                   replayed(R"({"version":"1.0.0.2","fileurl":"http://127.0.0.1:9/old.zip","sha256":"auto"})")});
  cases.push_back({"UpdateForgedFromBoundReply", "update", Json::object(), false, refused("update", kOtherPayload),
                   forgedOffer(false)});
  cases.push_back({"UpdateForgedFromOlderReply", "update", Json::object(), false, refused("update", kOlderForm),
                   forgedOffer(true)});
  // The settings reply: what is refused is not stored.
  cases.push_back({"SettingsStatus404", "settings", {{"status", 404}}, false, settingsGetFailed(404)});
  cases.push_back(
      {"SettingsStatus500", "settings", {{"status", 500}, {"body", errorPage}}, false, settingsGetFailed(500)});
  cases.push_back({"SettingsCutShort", "settings", {{"cut_after", 20}}, false, settingsGetFailed(18, kPartial)});
  cases.push_back({"SettingsStall", "settings", {{"stall_ms", 30000}}, true, settingsGetFailed(42, kAborted)});
  cases.push_back({"SettingsNoLength", "settings", {{"no_length", true}}, false, lines({})});
  cases.push_back({"SettingsLyingLength", "settings", {{"length", 100000}}, false, settingsGetFailed(18, kPartial)});
  cases.push_back({"SettingsNull", "settings", {{"reply_null", true}}, false, lines({})});
  cases.push_back({"SettingsRedirect", "settings", redirectSettings, false, lines({})});
  cases.push_back({"SettingsOverLimit", "settings", {{"body", overLimit}}, false, replyTooLarge(kSettingsPath, "err")});
  cases.push_back({"SettingsOtherKey", "settings", {{"wrong_key", true}}, false, refused("settings", kNotWithTheKey)});
  cases.push_back({"SettingsOlderForm", "settings", {{"legacy_reply", true}}, false, refused("settings", kOlderForm)});
  cases.push_back(
      {"SettingsWrongDigest", "settings", {{"wrong_digest", true}}, false, refused("settings", kOtherPayload)});
  cases.push_back({"SettingsStaleNonce", "settings", {{"stale_nonce", true}}, false, refused("settings", kStaleNonce)});
  cases.push_back({"SettingsReplayed", "settings", Json::object(), false, refused("settings", kStaleNonce),
                   replayed(kSettingsPlaintext)});
  cases.push_back({"SettingsForgedFromBoundReply", "settings", Json::object(), false,
                   refused("settings", kOtherPayload), forgedSettings(false)});
  cases.push_back({"SettingsForgedFromOlderReply", "settings", Json::object(), false, refused("settings", kOlderForm),
                   forgedSettings(true)});
  // The package. Its own bytes under an error status are refused too, and
  // an error page as long as the announced length is no package.
  cases.push_back({"PackageStatus404", "package", {{"status", 404}}, false, packageRefused(404)});
  cases.push_back(
      {"PackageErrorPage500", "package", {{"status", 500}, {"body", errorPage}}, false, packageRefused(500)});
  cases.push_back({"PackageCutShort", "package", {{"cut_after", 100000}}, false, packageCutShort(kPartial, 18)});
  cases.push_back(
      {"PackageStall", "package", {{"cut_after", 100000}, {"stall_ms", 30000}}, true, packageCutShort(kAborted, 42)});
  // Without a length the package comes in one plain transfer: cut short, it is no package.
  cases.push_back({"PackageChunkedCutShort",
                   "package",
                   {{"chunked", true}, {"cut_after", 100000}},
                   false,
                   [](const DevService& service) {
                     return Lines{curlError(kWriteStopped, 200), curlError(kPartial, 18),
                                  std::string("[") + kPartial + "]",
                                  "download update file failed, url: " + service.baseUrl() + kPackagePath +
                                      ", code: 18, msg: " + kPartial};
                   }});
  cases.push_back({"PackageNoLength", "package", {{"no_length", true}}, false, lines({curlError(kWriteStopped, 200)})});
  cases.push_back({"PackageLyingLength", "package", {{"length", 300000}}, false, packageCutShort(kPartial, 18)});
  cases.push_back({"PackageLowercaseLength",
                   "package",
                   {{"lowercase_length", true}},
                   false,
                   lines({curlError(kWriteStopped, 200)})});
  cases.push_back({"PackageNull", "package", {{"reply_null", true}}, false, digestMismatch()});
  cases.push_back({"PackageRedirect", "package", redirectPackage, false, lines({})});
  // More than the pre-flight announced: the transfer stops at the package's size.
  cases.push_back(
      {"PackageMoreThanAnnounced", "package", {{"extra_bytes", 70000}}, false, packageTooLarge(256 * 1024 + 33)});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Service, FaultMatrix, ::testing::ValuesIn(faultCases()),
                         [](const ::testing::TestParamInfo<FaultCase>& info) { return info.param.name; });

}  // namespace
