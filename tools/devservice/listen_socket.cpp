#include "listen_socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>

namespace {

constexpr int kBacklog = 64;

std::string systemError(const char* step) { return std::string(step) + ": " + std::strerror(errno); }

}  // namespace

UniqueFd listenOnLoopback(uint16_t port, uint16_t& boundPort, std::string& error) {
  UniqueFd socketFd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!socketFd.valid()) {
    error = systemError("socket");
    return UniqueFd();
  }
  const int reuse = 1;
  ::setsockopt(socketFd.get(), SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);

  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(socketFd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    error = systemError("bind");
    return UniqueFd();
  }
  if (::listen(socketFd.get(), kBacklog) != 0) {
    error = systemError("listen");
    return UniqueFd();
  }
  socklen_t addressSize = sizeof address;
  if (::getsockname(socketFd.get(), reinterpret_cast<sockaddr*>(&address), &addressSize) != 0) {
    error = systemError("getsockname");
    return UniqueFd();
  }
  boundPort = ntohs(address.sin_port);
  return socketFd;
}
