// The update check and the settings fetch: "null" or a protected reply of the
// configured plaintext, bound to the request's nonce, changed per request by
// the configuration file.
#include "dev_service.h"
#include "protected_reply.h"
#include "raw_http.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char kUpdatePath[] = "/app/config/version_upgrade/";
const char kSettingsPath[] = "/app/config/setting/";

std::string openWithTestKey(const std::string& body) { return openProtectedReply(body, testKeyPem("test_public.pem")); }

RawReply get(const DevService& service, const std::string& target) {
  return exchange(service.port(), makeRequest("GET", target));
}

const char kNonceHex[] = "00112233445566778899aabbccddeeff";

std::string requestNonce() {
  std::string nonce;
  nonceFromHex(kNonceHex, nonce);
  return nonce;
}

// The RSA block's content, split as the bound form lays it out.
struct BoundContent {
  std::string key;
  std::string digest;
  std::string nonce;
};

bool splitBoundContent(const std::string& replyText, BoundContent& parts) {
  const std::string content = openReplyContent(replyText, testKeyPem("test_public.pem"));
  if (content.size() != 64) return false;
  parts = {content.substr(0, 16), content.substr(16, 32), content.substr(48)};
  return true;
}

// The digest a bound reply of this plaintext under this key must carry (the
// cipher is deterministic: fixed IV).
std::string digestOfPayload(const std::string& plaintext, const std::string& key) {
  return sha256Bytes(encryptReplyPayload(plaintext, key));
}

}  // namespace

TEST(ConfigReplies, UpdateReplyOffersTheConfiguredPackageWithBaseAndDigest) {
  const std::string package(70000, 'z');
  DevService service(
      nlohmann::json{{"packages_dir", "packages"},
                     {"update", {{"version", "1.0.0.2"}, {"fileurl", "{base}/packages/up.zip"}, {"sha256", "auto"}}}});
  ASSERT_TRUE(service.running());
  service.addPackage("up.zip", package);

  const RawReply reply = get(service, std::string(kUpdatePath) + "?v=1.0.0.1&b=vensa&c=gw&n=" + kNonceHex);
  ASSERT_EQ(reply.status, 200);
  const std::string expected = "{\"fileurl\":\"" + service.baseUrl() + "/packages/up.zip\",\"sha256\":\"" +
                               sha256Hex(package) + "\",\"version\":\"1.0.0.2\"}";
  EXPECT_EQ(openWithTestKey(reply.body), expected);
  BoundContent bound;
  ASSERT_TRUE(splitBoundContent(reply.body, bound));
  EXPECT_EQ(bound.nonce, requestNonce());
  EXPECT_EQ(bound.digest, digestOfPayload(expected, bound.key));

  const nlohmann::json logged = service.lastLogLineFor(kUpdatePath);
  EXPECT_EQ(logged.value("query", ""), std::string("v=1.0.0.1&b=vensa&c=gw&n=") + kNonceHex);
  EXPECT_EQ(logged.value("nonce", ""), kNonceHex);
  EXPECT_EQ(logged.value("reply_form", ""), "bound");
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
  const RawReply reply = get(service, std::string(kSettingsPath) + "?b=vensa&bv=1&ev=2&hv=3&n=" + kNonceHex);
  ASSERT_EQ(reply.status, 200);
  EXPECT_EQ(openWithTestKey(reply.body), settings);
  EXPECT_EQ(reply.headerValue("Content-Length"), std::to_string(reply.body.size()));
  BoundContent first;
  ASSERT_TRUE(splitBoundContent(reply.body, first));
  EXPECT_EQ(first.nonce, requestNonce());

  BoundContent second;
  ASSERT_TRUE(splitBoundContent(get(service, std::string(kSettingsPath) + "?n=" + kNonceHex).body, second));
  EXPECT_NE(second.key, first.key);
}

TEST(ConfigReplies, RequestWithoutAUsableNonceGetsAReplyBoundToZeros) {
  DevService service(nlohmann::json{{"settings", "s"}});
  ASSERT_TRUE(service.running());
  const std::string zeros(16, '\0');

  BoundContent bound;
  ASSERT_TRUE(splitBoundContent(get(service, std::string(kSettingsPath) + "?b=vensa&bv=&ev=&hv=").body, bound));
  EXPECT_EQ(bound.nonce, zeros);
  nlohmann::json logged = service.lastLogLineFor(kSettingsPath);
  ASSERT_TRUE(logged.contains("nonce"));
  EXPECT_TRUE(logged["nonce"].is_null());

  const std::string shortNonce = std::string(kNonceHex).substr(1);
  ASSERT_TRUE(splitBoundContent(get(service, std::string(kSettingsPath) + "?b=vensa&n=" + shortNonce).body, bound));
  EXPECT_EQ(bound.nonce, zeros);
  logged = service.lastLogLineFor(kSettingsPath);
  EXPECT_EQ(logged.value("nonce", ""), shortNonce);
  EXPECT_EQ(logged.value("reply_form", ""), "bound");
}

TEST(ConfigReplies, ReplyFormFaultsSendLegacyStaleOrMisdigestedReplies) {
  const std::string plaintext = "{\"bookmarks\":\"3\"}";
  DevService service(nlohmann::json{{"settings", plaintext}, {"faults", {{"settings", {{"legacy_reply", true}}}}}});
  ASSERT_TRUE(service.running());
  const std::string target = std::string(kSettingsPath) + "?b=vensa&n=" + kNonceHex;
  const std::string publicPem = testKeyPem("test_public.pem");

  const RawReply legacy = get(service, target);
  EXPECT_EQ(openReplyContent(legacy.body, publicPem).size(), 16u);
  EXPECT_EQ(openWithTestKey(legacy.body), plaintext);
  EXPECT_EQ(service.lastLogLineFor(kSettingsPath).value("reply_form", ""), "legacy");

  service.writeConfig({{"settings", plaintext}, {"faults", {{"settings", {{"stale_nonce", true}}}}}});
  const RawReply stale = get(service, target);
  BoundContent staleParts;
  ASSERT_TRUE(splitBoundContent(stale.body, staleParts));
  EXPECT_NE(staleParts.nonce, requestNonce());
  EXPECT_NE(staleParts.nonce, std::string(16, '\0'));
  EXPECT_EQ(staleParts.digest, digestOfPayload(plaintext, staleParts.key));
  EXPECT_EQ(openWithTestKey(stale.body), plaintext);
  EXPECT_EQ(service.lastLogLineFor(kSettingsPath).value("reply_form", ""), "stale_nonce");

  service.writeConfig({{"settings", plaintext}, {"faults", {{"settings", {{"wrong_digest", true}}}}}});
  const RawReply misdigested = get(service, target);
  BoundContent misdigestedParts;
  ASSERT_TRUE(splitBoundContent(misdigested.body, misdigestedParts));
  EXPECT_EQ(misdigestedParts.nonce, requestNonce());
  EXPECT_NE(misdigestedParts.digest, digestOfPayload(plaintext, misdigestedParts.key));
  EXPECT_EQ(openWithTestKey(misdigested.body), "");
  EXPECT_EQ(service.lastLogLineFor(kSettingsPath).value("reply_form", ""), "wrong_digest");
}

TEST(ConfigReplies, WrongKeyAndContentFaultsChangeTheReply) {
  DevService service(nlohmann::json{
      {"settings", "abc"},
      {"update", {{"version", "1.0.0.2"}, {"fileurl", "http://x/p.zip"}}},
      {"faults", {{"settings", {{"wrong_key", true}}}, {"update", {{"status", 500}, {"body", "broken"}}}}}});
  ASSERT_TRUE(service.running());

  const RawReply settings = get(service, kSettingsPath);
  ASSERT_EQ(settings.status, 200);
  EXPECT_EQ(openWithTestKey(settings.body), "");
  EXPECT_FALSE(settings.body.empty());
  EXPECT_NE(settings.body, "null");
  EXPECT_EQ(service.lastLogLineFor(kSettingsPath).value("reply_form", ""), "wrong_key");

  const RawReply update = get(service, kUpdatePath);
  EXPECT_EQ(update.status, 500);
  EXPECT_EQ(update.body, "broken");
  const nlohmann::json updateLogged = service.lastLogLineFor(kUpdatePath);
  ASSERT_TRUE(updateLogged.contains("reply_form"));
  EXPECT_TRUE(updateLogged["reply_form"].is_null());

  service.writeConfig({{"settings", "abc"}, {"faults", {{"settings", {{"reply_null", true}}}}}});
  EXPECT_EQ(get(service, kSettingsPath).body, "null");
  EXPECT_EQ(service.lastLogLineFor(kSettingsPath).value("reply_form", ""), "null");
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
