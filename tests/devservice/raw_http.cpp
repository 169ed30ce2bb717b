#include "raw_http.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>

namespace {

int connectLoopback(uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

bool sendEverything(int fd, const std::string& bytes) {
  size_t offset = 0;
  while (offset < bytes.size()) {
    const ssize_t sent = ::send(fd, bytes.data() + offset, bytes.size() - offset, MSG_NOSIGNAL);
    if (sent <= 0) return false;
    offset += static_cast<size_t>(sent);
  }
  return true;
}

std::string receiveUntilClosed(int fd, int timeoutMs) {
  std::string received;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  char chunk[65536];
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd waiting{fd, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&waiting, 1, static_cast<int>(left.count())) <= 0) break;
    const ssize_t got = ::recv(fd, chunk, sizeof chunk, 0);
    if (got <= 0) break;
    received.append(chunk, static_cast<size_t>(got));
  }
  return received;
}

void splitReply(RawReply& reply) {
  const size_t headEnd = reply.raw.find("\r\n\r\n");
  if (headEnd == std::string::npos) return;
  const size_t statusEnd = reply.raw.find("\r\n");
  const std::string statusLine = reply.raw.substr(0, statusEnd);
  const size_t firstSpace = statusLine.find(' ');
  if (firstSpace != std::string::npos) reply.status = std::atoi(statusLine.c_str() + firstSpace + 1);
  reply.headerText = reply.raw.substr(statusEnd + 2, headEnd + 2 - (statusEnd + 2));
  reply.body = reply.raw.substr(headEnd + 4);
}

std::string lowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char symbol) { return static_cast<char>(std::tolower(symbol)); });
  return text;
}

}  // namespace

bool RawReply::hasHeaderLine(const std::string& line) const {
  return ("\r\n" + headerText).find("\r\n" + line + "\r\n") != std::string::npos;
}

std::string RawReply::headerValue(const std::string& name) const {
  const std::string marker = "\r\n" + name + ": ";
  const std::string block = "\r\n" + headerText;
  const size_t found = block.find(marker);
  if (found == std::string::npos) return {};
  const size_t start = found + marker.size();
  return block.substr(start, block.find("\r\n", start) - start);
}

bool RawReply::hasHeaderAnyCase(const std::string& name) const {
  return lowerCase("\r\n" + headerText).find("\r\n" + lowerCase(name) + ":") != std::string::npos;
}

RawReply exchange(uint16_t port, const std::string& request, int timeoutMs) {
  RawReply reply;
  const int fd = connectLoopback(port);
  if (fd < 0) return reply;
  reply.connected = true;
  if (sendEverything(fd, request)) reply.raw = receiveUntilClosed(fd, timeoutMs);
  ::close(fd);
  splitReply(reply);
  return reply;
}

std::string makeRequest(const std::string& method, const std::string& target,
                        const std::vector<std::string>& extraHeaderLines, const std::string& body) {
  std::string request = method + " " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
  for (const std::string& line : extraHeaderLines) request += line + "\r\n";
  if (!body.empty() || lowerCase(method) == "post")
    request += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  request += "\r\n" + body;
  return request;
}
