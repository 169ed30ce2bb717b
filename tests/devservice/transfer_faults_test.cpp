// Broken transfers on demand: cut bodies, stalls, missing, lying or
// lower-case length headers, bytes beyond the file, redirects, and faults
// limited to a count.
#include "dev_service.h"
#include "protected_reply.h"
#include "raw_http.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace {

const std::string kPackage(5000, 'p');

// A service with one package "up.zip" and the given package fault.
nlohmann::json configWithPackageFault(const nlohmann::json& fault) {
  return {{"packages_dir", "packages"}, {"faults", {{"package", fault}}}};
}

RawReply getPackage(const DevService& service, const std::string& name = "up.zip") {
  return exchange(service.port(), makeRequest("GET", "/packages/" + name));
}

}  // namespace

TEST(TransferFaults, CutAfterAnnouncesTheWholeBodyButSendsOnlyPartOfIt) {
  DevService service(configWithPackageFault({{"cut_after", 1000}}));
  ASSERT_TRUE(service.running());
  service.addPackage("up.zip", kPackage);

  const RawReply reply = getPackage(service);
  EXPECT_EQ(reply.status, 200);
  EXPECT_TRUE(reply.hasHeaderLine("Content-Length: 5000"));
  EXPECT_EQ(reply.body, kPackage.substr(0, 1000));
  const nlohmann::json logged = service.lastLogLineFor("/packages/up.zip");
  EXPECT_EQ(logged.value("bytes_sent", 0), 1000);
  EXPECT_EQ(logged.value("complete", true), false);
}

TEST(TransferFaults, StallHoldsTheRestOfTheBodyBack) {
  DevService service(configWithPackageFault({{"stall_ms", 600}}));
  ASSERT_TRUE(service.running());
  service.addPackage("up.zip", kPackage);

  const auto started = std::chrono::steady_clock::now();
  const RawReply reply = getPackage(service);
  const auto elapsed = std::chrono::steady_clock::now() - started;
  EXPECT_GE(elapsed, std::chrono::milliseconds(550));
  EXPECT_EQ(reply.body, kPackage);
  EXPECT_EQ(service.lastLogLineFor("/packages/up.zip").value("complete", false), true);
}

TEST(TransferFaults, LengthHeaderCanBeMissingLyingOrLowerCase) {
  DevService service(configWithPackageFault({{"no_length", true}}));
  ASSERT_TRUE(service.running());
  service.addPackage("up.zip", kPackage);

  const RawReply missing = getPackage(service);
  EXPECT_FALSE(missing.hasHeaderAnyCase("Content-Length"));
  EXPECT_EQ(missing.body, kPackage);

  service.writeConfig(configWithPackageFault({{"length", 9000}}));
  const RawReply lying = getPackage(service);
  EXPECT_TRUE(lying.hasHeaderLine("Content-Length: 9000"));
  EXPECT_EQ(lying.body, kPackage);
  EXPECT_EQ(service.lastLogLineFor("/packages/up.zip").value("complete", true), false);

  service.writeConfig(configWithPackageFault({{"lowercase_length", true}}));
  const RawReply lowerCase = getPackage(service);
  EXPECT_TRUE(lowerCase.hasHeaderLine("content-length: 5000"));
  EXPECT_EQ(lowerCase.headerText.find("Content-Length:"), std::string::npos);
  EXPECT_EQ(lowerCase.body, kPackage);
}

TEST(TransferFaults, ExtraBytesFollowTheFileWhileHeadAnnouncesItsTrueSize) {
  DevService service(configWithPackageFault({{"extra_bytes", 300}}));
  ASSERT_TRUE(service.running());
  service.addPackage("up.zip", kPackage);

  const RawReply head = exchange(service.port(), makeRequest("HEAD", "/packages/up.zip"));
  EXPECT_EQ(head.status, 200);
  EXPECT_TRUE(head.hasHeaderLine("Content-Length: 5000"));
  EXPECT_EQ(head.body, "");

  const RawReply reply = getPackage(service);
  EXPECT_EQ(reply.status, 200);
  EXPECT_TRUE(reply.hasHeaderLine("Content-Length: 5300"));
  ASSERT_EQ(reply.body.size(), 5300u);
  EXPECT_EQ(reply.body.substr(0, 5000), kPackage);
  const nlohmann::json logged = service.lastLogLineFor("/packages/up.zip");
  EXPECT_EQ(logged.value("bytes_sent", 0), 5300);
  EXPECT_EQ(logged.value("complete", false), true);
  EXPECT_FALSE(logged.contains("reply_form"));
}

TEST(TransferFaults, RedirectNamesTheServiceItselfAndCountLimitsTheFault) {
  DevService service(configWithPackageFault({{"redirect", "{base}/packages/real.zip"}, {"count", 1}}));
  ASSERT_TRUE(service.running());
  service.addPackage("up.zip", kPackage);
  service.addPackage("real.zip", "the real one");

  const RawReply redirected = getPackage(service);
  EXPECT_EQ(redirected.status, 302);
  EXPECT_TRUE(redirected.hasHeaderLine("Location: " + service.baseUrl() + "/packages/real.zip"));

  const RawReply followed = getPackage(service, "real.zip");
  EXPECT_EQ(followed.status, 200);
  EXPECT_EQ(followed.body, "the real one");
  const RawReply again = getPackage(service);
  EXPECT_EQ(again.status, 200);
  EXPECT_EQ(again.body, kPackage);
}

TEST(TransferFaults, CountAppliesToTheFirstRequestsOfThatEndpointOnly) {
  DevService service(nlohmann::json{{"settings", "s"}, {"faults", {{"settings", {{"status", 503}, {"count", 2}}}}}});
  ASSERT_TRUE(service.running());
  const std::string request = makeRequest("GET", "/app/config/setting/?b=vensa&bv=&ev=&hv=");

  EXPECT_EQ(exchange(service.port(), makeRequest("GET", "/app/config/version_upgrade/")).status, 200);
  EXPECT_EQ(exchange(service.port(), request).status, 503);
  EXPECT_EQ(exchange(service.port(), request).status, 503);
  const RawReply third = exchange(service.port(), request);
  EXPECT_EQ(third.status, 200);
  EXPECT_EQ(openProtectedReply(third.body, testKeyPem("test_public.pem")), "s");
}
