// The update check and the settings fetch: "null" or a protected reply of the
// configured plaintext, changed per request by the configuration file.
#include "dev_service.h"
#include "protected_reply.h"
#include "raw_http.h"

#include <gtest/gtest.h>

#include <openssl/evp.h>

#include <string>

namespace {

const char kUpdatePath[] = "/app/config/version_upgrade/";
const char kSettingsPath[] = "/app/config/setting/";

std::string sha256Hex(const std::string& bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &size, EVP_sha256(), nullptr);
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int index = 0; index < size; ++index) {
        hex += kDigits[digest[index] >> 4];
        hex += kDigits[digest[index] & 15];
    }
    return hex;
}

std::string openWithTestKey(const std::string& body) {
    return openProtectedReply(body, testKeyPem("test_public.pem"));
}

RawReply get(const DevService& service, const std::string& target) {
    return exchange(service.port(), makeRequest("GET", target));
}

} // namespace

TEST(ConfigReplies, UpdateReplyOffersTheConfiguredPackageWithBaseAndDigest) {
    const std::string package(70000, 'z');
    DevService service(nlohmann::json{{"packages_dir", "packages"},
                        {"update", {{"version", "1.0.0.2"}, {"fileurl", "{base}/packages/up.zip"}, {"sha256", "auto"}}}});
    ASSERT_TRUE(service.running());
    service.addPackage("up.zip", package);

    const RawReply reply = get(service, std::string(kUpdatePath) + "?v=1.0.0.1&b=vensa&c=gw");
    ASSERT_EQ(reply.status, 200);
    const std::string expected = "{\"fileurl\":\"" + service.baseUrl() + "/packages/up.zip\",\"sha256\":\"" +
                                 sha256Hex(package) + "\",\"version\":\"1.0.0.2\"}";
    EXPECT_EQ(openWithTestKey(reply.body), expected);

    const nlohmann::json logged = service.lastLogLineFor(kUpdatePath);
    EXPECT_EQ(logged.value("query", ""), "v=1.0.0.1&b=vensa&c=gw");
    EXPECT_EQ(logged.value("method", ""), "GET");
    EXPECT_EQ(logged.value("status", 0), 200);
    EXPECT_EQ(logged.value("complete", false), true);
}

TEST(ConfigReplies, UnconfiguredRepliesAreExactlyNull) {
    DevService service;
    ASSERT_TRUE(service.running());
    const RawReply update = get(service, std::string(kUpdatePath) + "?v=1.0.0.1&b=vensa&c=gw");
    const RawReply settings = get(service, std::string(kSettingsPath) + "?b=vensa&bv=&ev=&hv=");
    EXPECT_EQ(update.status, 200);
    EXPECT_EQ(update.body, "null");
    EXPECT_EQ(settings.status, 200);
    EXPECT_EQ(settings.body, "null");
    EXPECT_TRUE(update.hasHeaderLine("Content-Length: 4"));
}

TEST(ConfigReplies, SettingsReplyCarriesThePlaintextByteForByte) {
    const std::string settings = "{\"bookmarks\":{\"v\":\"3\"}}\r\n\xE5\xA1\x94\xE6\x96\x87 \t";
    DevService service(nlohmann::json{{"settings", settings}});
    ASSERT_TRUE(service.running());
    const RawReply reply = get(service, std::string(kSettingsPath) + "?b=vensa&bv=1&ev=2&hv=3");
    ASSERT_EQ(reply.status, 200);
    EXPECT_EQ(openWithTestKey(reply.body), settings);
    EXPECT_EQ(reply.headerValue("Content-Length"), std::to_string(reply.body.size()));
}

TEST(ConfigReplies, WrongKeyAndContentFaultsChangeTheReply) {
    DevService service(nlohmann::json{{"settings", "abc"},
                        {"update", {{"version", "1.0.0.2"}, {"fileurl", "http://x/p.zip"}}},
                        {"faults", {{"settings", {{"wrong_key", true}}},
                                    {"update", {{"status", 500}, {"body", "broken"}}}}}});
    ASSERT_TRUE(service.running());

    const RawReply settings = get(service, kSettingsPath);
    ASSERT_EQ(settings.status, 200);
    EXPECT_EQ(openWithTestKey(settings.body), "");
    EXPECT_FALSE(settings.body.empty());
    EXPECT_NE(settings.body, "null");

    const RawReply update = get(service, kUpdatePath);
    EXPECT_EQ(update.status, 500);
    EXPECT_EQ(update.body, "broken");

    service.writeConfig({{"settings", "abc"}, {"faults", {{"settings", {{"reply_null", true}}}}}});
    EXPECT_EQ(get(service, kSettingsPath).body, "null");
}

TEST(ConfigReplies, ConfigurationIsReadAgainForEveryRequest) {
    DevService service;
    ASSERT_TRUE(service.running());
    EXPECT_EQ(get(service, kSettingsPath).body, "null");

    service.writeConfig({{"settings", "first"}});
    EXPECT_EQ(openWithTestKey(get(service, kSettingsPath).body), "first");

    service.writeConfig({{"update", "not json at all"}});
    EXPECT_EQ(get(service, kSettingsPath).body, "null");
    EXPECT_EQ(openWithTestKey(get(service, kUpdatePath).body), "not json at all");
}
