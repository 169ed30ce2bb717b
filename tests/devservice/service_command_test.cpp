// The command line: "serve" on loopback with a port file and an orderly stop,
// "protect" as a filter from standard input to standard output.
#include "dev_service.h"
#include "protected_reply.h"
#include "raw_http.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>
#include <string>

namespace {

struct IfaddrsFree {
  void operator()(ifaddrs* list) const { freeifaddrs(list); }
};

// IPv4 addresses of this machine other than loopback.
std::vector<in_addr> otherLocalAddresses() {
  std::vector<in_addr> addresses;
  ifaddrs* raw = nullptr;
  if (getifaddrs(&raw) != 0) return addresses;
  std::unique_ptr<ifaddrs, IfaddrsFree> list(raw);
  for (ifaddrs* entry = raw; entry != nullptr; entry = entry->ifa_next) {
    if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) continue;
    const in_addr address = reinterpret_cast<sockaddr_in*>(entry->ifa_addr)->sin_addr;
    if ((ntohl(address.s_addr) >> 24) != 127) addresses.push_back(address);
  }
  return addresses;
}

bool canConnect(in_addr address, uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in target{};
  target.sin_family = AF_INET;
  target.sin_port = htons(port);
  target.sin_addr = address;
  const bool connected = ::connect(fd, reinterpret_cast<sockaddr*>(&target), sizeof target) == 0;
  ::close(fd);
  return connected;
}

}  // namespace

TEST(ServiceCommand, ServeListensOnLoopbackOnlyWritesThePortAndStopsOnSigterm) {
  DevService service;
  ASSERT_TRUE(service.running());
  EXPECT_EQ(readFileBytes(service.portFile()), std::to_string(service.port()) + "\n");
  EXPECT_EQ(exchange(service.port(), makeRequest("GET", "/app/config/setting/")).status, 200);
  for (const in_addr address : otherLocalAddresses()) {
    EXPECT_FALSE(canConnect(address, service.port())) << inet_ntoa(address);
  }

  const int status = service.stop();
  ASSERT_NE(status, -1) << "the service did not end within the time limit";
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(ServiceCommand, ProtectTurnsStandardInputIntoABoundOrLegacyReply) {
  const std::string plaintext = "{\"bookmarks\":[]}\n";
  const std::string keyPath = std::string(TAVRIN_TEST_DATA) + "/keys/test_private.pem";
  const std::string publicPem = testKeyPem("test_public.pem");
  const std::string nonceHex = "0f1e2d3c4b5a69788796a5b4c3d2e1f0";
  const ProgramRun bound =
      runProgram(TAVRIN_DEVSERVICE_BINARY, {"protect", "--key", keyPath, "--nonce", nonceHex}, plaintext, 10000);
  EXPECT_EQ(bound.exitCode, 0);
  EXPECT_EQ(bound.output.find('\n'), std::string::npos);
  EXPECT_EQ(openProtectedReply(bound.output, publicPem), plaintext);
  const std::string content = openReplyContent(bound.output, publicPem);
  ASSERT_EQ(content.size(), 64u);
  EXPECT_EQ(nonceToHex(content.substr(48)), nonceHex);

  const ProgramRun legacy =
      runProgram(TAVRIN_DEVSERVICE_BINARY, {"protect", "--legacy", "--key", keyPath}, plaintext, 10000);
  EXPECT_EQ(legacy.exitCode, 0);
  EXPECT_EQ(openReplyContent(legacy.output, publicPem).size(), 16u);
  EXPECT_EQ(openProtectedReply(legacy.output, publicPem), plaintext);

  const ProgramRun missingKey =
      runProgram(TAVRIN_DEVSERVICE_BINARY, {"protect", "--key", keyPath + ".absent", "--legacy"}, plaintext, 10000);
  EXPECT_EQ(missingKey.exitCode, 1);
  EXPECT_EQ(missingKey.output, "");

  const ProgramRun badUsage = runProgram(TAVRIN_DEVSERVICE_BINARY, {"serve", "--config", "x"}, "", 10000);
  EXPECT_EQ(badUsage.exitCode, 2);
}

TEST(ServiceCommand, ProtectNeedsExactlyOneFormAndAWellFormedNonce) {
  const std::string keyPath = std::string(TAVRIN_TEST_DATA) + "/keys/test_private.pem";
  const std::vector<std::vector<std::string>> unclear = {
      {"protect", "--key", keyPath},
      {"protect", "--key", keyPath, "--legacy", "--nonce", "00000000000000000000000000000000"},
      {"protect", "--key", keyPath, "--nonce", "0000000000000000000000000000000g"},
      {"protect", "--key", keyPath, "--nonce", "000000000000000000000000000000"},
  };
  for (const std::vector<std::string>& arguments : unclear) {
    const ProgramRun run = runProgram(TAVRIN_DEVSERVICE_BINARY, arguments, "text", 10000);
    EXPECT_EQ(run.exitCode, 1) << arguments.size() << " arguments, last " << arguments.back();
    EXPECT_EQ(run.output, "");
  }
  const ProgramRun legacyWithValue =
      runProgram(TAVRIN_DEVSERVICE_BINARY, {"protect", "--legacy", "yes", "--key", keyPath}, "text", 10000);
  EXPECT_NE(legacyWithValue.exitCode, 0);
  EXPECT_EQ(legacyWithValue.output, "");
}
