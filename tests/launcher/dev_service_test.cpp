// The development service fixture itself: the native service started from a
// Windows test program, configured through its file, and gone with the object.
#include "launcher/http_client.h"

#include <gtest/gtest.h>

#include <string>

#include "dev_service.h"
#include "test_env.h"

using namespace tavrin;

namespace {

using namespace tavrin::test;
using Json = nlohmann::json;

TEST(DevServiceFixture, ServesItsPackagesFolderAndLogsEveryRequest) {
  DevService service(Json{{"package_headers", {"X-Test: first"}}});
  ASSERT_TRUE(service.running());
  EXPECT_EQ(service.baseUrl(), "http://" + service.hostAndPort());
  EXPECT_EQ(service.hostAndPort(), "127.0.0.1:" + std::to_string(service.port()));
  ASSERT_TRUE(writeFile(service.packagesDir() + "\\p.zip", "package bytes"));

  CLibcurlClient client;
  std::string body;
  EXPECT_EQ(client.Get(service.baseUrl() + "/packages/p.zip?q=1", body).code, 200);
  EXPECT_EQ(body, "package bytes");
  // A new configuration keeps the packages folder.
  ASSERT_TRUE(service.setConfig(Json{{"faults", {{"package", {{"status", 500}}}}}}));
  body.clear();
  EXPECT_EQ(client.Get(service.packageUrl("p.zip"), body).code, 500);
  EXPECT_EQ(body, "package bytes");

  std::vector<Json> requests = service.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0]["path"], "/packages/p.zip");
  EXPECT_EQ(requests[0]["query"], "q=1");
  EXPECT_EQ(service.requestsTo("/packages/p.zip").size(), 2u);
  EXPECT_TRUE(service.requestsTo("/app/count/active/").empty());
}

TEST(DevServiceFixture, ServiceEndsAndItsFolderGoesWithTheObject) {
  uint16_t port = 0;
  std::string folder;
  {
    DevService service;
    ASSERT_TRUE(service.running());
    port = service.port();
    folder = service.windowsFolder();
    EXPECT_TRUE(pathExists(folder + "\\config.json"));
  }
  EXPECT_FALSE(pathExists(folder));
  CLibcurlClient client;
  std::string body;
  HttpResult result = client.Get("http://127.0.0.1:" + std::to_string(port) + "/app/config/setting/", body);
  EXPECT_EQ(result.code, CURLE_COULDNT_CONNECT);
}

}  // namespace
