#include "socket_io.h"

#include <cerrno>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

void UniqueFd::reset(int fd) {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = fd;
}

bool sendAll(int fd, const char* data, size_t size) {
  size_t offset = 0;
  while (offset < size) {
    const ssize_t written = ::send(fd, data + offset, size - offset, MSG_NOSIGNAL);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    offset += static_cast<size_t>(written);
  }
  return true;
}

bool sendText(int fd, const std::string& text) { return sendAll(fd, text.data(), text.size()); }

namespace {

timeval toTimeval(int milliseconds) {
  timeval value{};
  value.tv_sec = milliseconds / 1000;
  value.tv_usec = (milliseconds % 1000) * 1000;
  return value;
}

}  // namespace

void setSocketTimeouts(int fd, int receiveMs, int sendMs) {
  const timeval receive = toTimeval(receiveMs);
  const timeval send = toTimeval(sendMs);
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &receive, sizeof receive);
  ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &send, sizeof send);
}
