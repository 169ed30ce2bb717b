// Package downloads as the launcher's client makes them: header pre-flight,
// whole GET, resumed range GETs, and names that must not leave the folder.
#include "dev_service.h"
#include "package_bytes.h"
#include "raw_http.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using tavrin::test::packageBytes;

nlohmann::json packageConfig() {
  return {{"packages_dir", "packages"},
          {"package_headers", {"Content-Disposition: attachment; filename=\"tavrin_1.0.0.2.zip\""}}};
}

const size_t kPackageSize = 300001;  // several streaming chunks, not a multiple of any

}  // namespace

TEST(PackageDownload, WholePackageComesWithExactContentLengthLine) {
  DevService service(packageConfig());
  ASSERT_TRUE(service.running());
  const std::string package = packageBytes(kPackageSize);
  service.addPackage("up.zip", package);

  const RawReply reply = exchange(service.port(), makeRequest("GET", "/packages/up.zip?x=1"));
  EXPECT_EQ(reply.status, 200);
  EXPECT_TRUE(reply.hasHeaderLine("Content-Length: " + std::to_string(kPackageSize)));
  EXPECT_TRUE(reply.hasHeaderLine("Content-Disposition: attachment; filename=\"tavrin_1.0.0.2.zip\""));
  EXPECT_TRUE(reply.body == package);

  const nlohmann::json logged = service.lastLogLineFor("/packages/up.zip");
  EXPECT_EQ(logged.value("bytes_sent", 0u), kPackageSize);
  EXPECT_EQ(logged.value("complete", false), true);
  EXPECT_FALSE(logged.contains("range"));
}

TEST(PackageDownload, HeadRequestAnnouncesTheSizeWithoutBody) {
  DevService service(packageConfig());
  ASSERT_TRUE(service.running());
  service.addPackage("up.zip", packageBytes(kPackageSize));

  const RawReply reply = exchange(service.port(), makeRequest("HEAD", "/packages/up.zip"));
  EXPECT_EQ(reply.status, 200);
  EXPECT_TRUE(reply.hasHeaderLine("Content-Length: " + std::to_string(kPackageSize)));
  EXPECT_EQ(reply.body, "");
}

TEST(PackageDownload, RangeRequestsResumeWithPartialContent) {
  DevService service(packageConfig());
  ASSERT_TRUE(service.running());
  const std::string package = packageBytes(kPackageSize);
  service.addPackage("up.zip", package);
  const std::string total = std::to_string(kPackageSize);

  const RawReply openEnded = exchange(service.port(), makeRequest("GET", "/packages/up.zip", {"Range: bytes=100000-"}));
  EXPECT_EQ(openEnded.status, 206);
  EXPECT_TRUE(openEnded.hasHeaderLine("Content-Range: bytes 100000-" + std::to_string(kPackageSize - 1) + "/" + total));
  EXPECT_TRUE(openEnded.hasHeaderLine("Content-Length: " + std::to_string(kPackageSize - 100000)));
  EXPECT_TRUE(openEnded.body == package.substr(100000));
  const nlohmann::json logged = service.lastLogLineFor("/packages/up.zip");
  EXPECT_EQ(logged.value("range", ""), "bytes=100000-");
  EXPECT_EQ(logged.value("status", 0), 206);
  EXPECT_EQ(logged.value("bytes_sent", 0u), kPackageSize - 100000);

  const RawReply closed = exchange(service.port(), makeRequest("GET", "/packages/up.zip", {"Range: bytes=10-19"}));
  EXPECT_EQ(closed.status, 206);
  EXPECT_TRUE(closed.hasHeaderLine("Content-Range: bytes 10-19/" + total));
  EXPECT_TRUE(closed.hasHeaderLine("Content-Length: 10"));
  EXPECT_EQ(closed.body, package.substr(10, 10));

  const RawReply beyond =
      exchange(service.port(), makeRequest("GET", "/packages/up.zip", {"Range: bytes=" + total + "-"}));
  EXPECT_EQ(beyond.status, 416);
  EXPECT_TRUE(beyond.hasHeaderLine("Content-Range: bytes */" + total));
}

TEST(PackageDownload, NamesOutsideThePackagesFolderAreNotFound) {
  DevService service(packageConfig());
  ASSERT_TRUE(service.running());
  service.addPackage("a b.zip", "spaced");
  service.addPackage("x..y.zip", "dotted");
  // config.json lies one level above the packages folder.
  for (const char* target : {"/packages/x..y.zip", "/packages/..%2Fconfig.json", "/packages/../config.json",
                             "/packages/..", "/packages/%2E%2E%2Fconfig.json", "/packages/missing.zip", "/packages/"}) {
    const RawReply reply = exchange(service.port(), makeRequest("GET", target));
    EXPECT_EQ(reply.status, 404) << target;
    EXPECT_EQ(reply.body.find("packages_dir"), std::string::npos) << target;
  }
  const RawReply spaced = exchange(service.port(), makeRequest("GET", "/packages/a%20b.zip"));
  EXPECT_EQ(spaced.status, 200);
  EXPECT_EQ(spaced.body, "spaced");
  EXPECT_EQ(exchange(service.port(), makeRequest("GET", "/app/unknown/")).status, 404);
}
