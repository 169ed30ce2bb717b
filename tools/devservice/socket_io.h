// Small POSIX socket helpers: an owning descriptor and complete writes.
#pragma once

#include <cstddef>
#include <string>

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : m_fd(fd) {}
  ~UniqueFd() { reset(); }
  UniqueFd(UniqueFd&& other) noexcept : m_fd(other.release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int get() const { return m_fd; }
  bool valid() const { return m_fd >= 0; }
  int release() {
    const int fd = m_fd;
    m_fd = -1;
    return fd;
  }
  void reset(int fd = -1);

 private:
  int m_fd = -1;
};

// Writes every byte (retrying short writes); false when the peer is gone or the
// send time-out expired.
bool sendAll(int fd, const char* data, size_t size);
bool sendText(int fd, const std::string& text);

// Receive and send time-outs of a connected socket, in milliseconds.
void setSocketTimeouts(int fd, int receiveMs, int sendMs);
