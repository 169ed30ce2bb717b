#include "http_request.h"

#include "socket_io.h"
#include "text_codec.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <sys/socket.h>

namespace {

constexpr size_t kMaxHeaderBytes = 64 * 1024;
constexpr size_t kMaxBodyBytes = 8 * 1024 * 1024;
constexpr size_t kReadChunk = 16 * 1024;

// Buffered reader over the connection; every read is bounded by the socket's
// receive time-out and by the callers' size limits.
class ConnectionReader {
 public:
  explicit ConnectionReader(int fd) : m_fd(fd) {}

  // Reads until `marker` is buffered or `limit` bytes are buffered.
  bool fillUntil(const std::string& marker, size_t limit) {
    while (m_buffer.find(marker) == std::string::npos) {
      if (m_buffer.size() >= limit || !readMore()) return false;
    }
    return true;
  }

  bool fillAtLeast(size_t size) {
    while (m_buffer.size() < size) {
      if (!readMore()) return false;
    }
    return true;
  }

  std::string take(size_t size) {
    std::string front = m_buffer.substr(0, size);
    m_buffer.erase(0, size);
    return front;
  }

  // Takes the buffered text before `marker` and drops the marker; false when
  // the marker is not buffered.
  bool takeThrough(const std::string& marker, std::string& front) {
    const size_t end = m_buffer.find(marker);
    if (end == std::string::npos) return false;
    front = take(end);
    take(marker.size());
    return true;
  }

  // Takes a line ending in CRLF (the CRLF is dropped).
  bool takeLine(std::string& line, size_t limit) { return fillUntil("\r\n", limit) && takeThrough("\r\n", line); }

  bool empty() const { return m_buffer.empty(); }
  size_t buffered() const { return m_buffer.size(); }

 private:
  bool readMore() {
    char chunk[kReadChunk];
    for (;;) {
      const ssize_t received = ::recv(m_fd, chunk, sizeof chunk, 0);
      if (received < 0 && errno == EINTR) continue;
      if (received <= 0) return false;
      m_buffer.append(chunk, static_cast<size_t>(received));
      return true;
    }
  }

  int m_fd;
  std::string m_buffer;
};

bool parseRequestLine(const std::string& line, HttpRequest& request) {
  const size_t firstSpace = line.find(' ');
  const size_t lastSpace = line.rfind(' ');
  if (firstSpace == std::string::npos || lastSpace == firstSpace) return false;
  request.method = line.substr(0, firstSpace);
  request.target = line.substr(firstSpace + 1, lastSpace - firstSpace - 1);
  request.version = line.substr(lastSpace + 1);
  if (request.method.empty() || request.target.empty()) return false;
  if (request.version.compare(0, 5, "HTTP/") != 0) return false;

  std::string target = request.target;
  // Absolute form ("http://host:port/path"), as sent through a proxy.
  const size_t schemeEnd = target.find("://");
  if (schemeEnd != std::string::npos && target[0] != '/') {
    const size_t pathStart = target.find('/', schemeEnd + 3);
    target = pathStart == std::string::npos ? "/" : target.substr(pathStart);
  }
  const size_t queryStart = target.find('?');
  request.path = target.substr(0, queryStart);
  request.query = queryStart == std::string::npos ? std::string() : target.substr(queryStart + 1);
  return true;
}

bool parseHeaderLine(const std::string& line, HttpRequest& request) {
  const size_t colon = line.find(':');
  if (colon == std::string::npos || colon == 0) return false;
  request.headers.push_back({line.substr(0, colon), trimSpaces(line.substr(colon + 1))});
  return true;
}

bool parseHeaderBlock(const std::string& block, HttpRequest& request) {
  size_t lineStart = 0;
  bool firstLine = true;
  while (lineStart < block.size()) {
    size_t lineEnd = block.find("\r\n", lineStart);
    if (lineEnd == std::string::npos) lineEnd = block.size();
    const std::string line = block.substr(lineStart, lineEnd - lineStart);
    lineStart = lineEnd + 2;
    const bool parsed = firstLine ? parseRequestLine(line, request) : parseHeaderLine(line, request);
    if (!parsed) return false;
    firstLine = false;
  }
  return !firstLine;
}

bool parseHexSize(const std::string& line, uint64_t& value) {
  const std::string digits = trimSpaces(line.substr(0, line.find(';')));
  if (digits.empty() || digits.size() > 15) return false;
  char* end = nullptr;
  value = std::strtoull(digits.c_str(), &end, 16);
  return end != nullptr && *end == '\0';
}

RequestReadResult readChunkedBody(ConnectionReader& reader, std::string& body) {
  for (;;) {
    std::string sizeLine;
    if (!reader.takeLine(sizeLine, reader.buffered() + 1024)) return RequestReadResult::Malformed;
    uint64_t chunkSize = 0;
    if (!parseHexSize(sizeLine, chunkSize)) return RequestReadResult::Malformed;
    if (body.size() + chunkSize > kMaxBodyBytes) return RequestReadResult::TooLarge;
    if (chunkSize == 0) break;
    if (!reader.fillAtLeast(static_cast<size_t>(chunkSize) + 2)) return RequestReadResult::Malformed;
    body += reader.take(static_cast<size_t>(chunkSize));
    if (reader.take(2) != "\r\n") return RequestReadResult::Malformed;
  }
  // Trailer lines up to the empty line.
  for (int lines = 0; lines < 100; ++lines) {
    std::string trailer;
    if (!reader.takeLine(trailer, reader.buffered() + 4096)) return RequestReadResult::Malformed;
    if (trailer.empty()) return RequestReadResult::Complete;
  }
  return RequestReadResult::Malformed;
}

void answerExpectContinue(int fd, const HttpRequest& request, const ConnectionReader& reader) {
  const std::string* expect = request.findHeader("Expect");
  if (expect != nullptr && equalsIgnoreCase(*expect, "100-continue") && reader.empty()) {
    sendText(fd, "HTTP/1.1 100 Continue\r\n\r\n");
  }
}

RequestReadResult readBody(int fd, ConnectionReader& reader, HttpRequest& request) {
  const std::string* encoding = request.findHeader("Transfer-Encoding");
  const std::string* length = request.findHeader("Content-Length");
  if (encoding != nullptr && toLowerAscii(*encoding).find("chunked") != std::string::npos) {
    answerExpectContinue(fd, request, reader);
    return readChunkedBody(reader, request.body);
  }
  if (length == nullptr) return RequestReadResult::Complete;
  uint64_t bodySize = 0;
  if (!parseDecimal(*length, bodySize)) return RequestReadResult::Malformed;
  if (bodySize > kMaxBodyBytes) return RequestReadResult::TooLarge;
  if (bodySize == 0) return RequestReadResult::Complete;
  answerExpectContinue(fd, request, reader);
  if (!reader.fillAtLeast(static_cast<size_t>(bodySize))) return RequestReadResult::Malformed;
  request.body = reader.take(static_cast<size_t>(bodySize));
  return RequestReadResult::Complete;
}

}  // namespace

const std::string* HttpRequest::findHeader(const std::string& name) const {
  for (const HeaderField& field : headers) {
    if (equalsIgnoreCase(field.name, name)) return &field.value;
  }
  return nullptr;
}

bool HttpRequest::methodIs(const std::string& upperCaseMethod) const {
  return equalsIgnoreCase(method, upperCaseMethod);
}

RequestReadResult readRequest(int fd, HttpRequest& request) {
  ConnectionReader reader(fd);
  if (!reader.fillUntil("\r\n\r\n", kMaxHeaderBytes)) {
    if (reader.buffered() >= kMaxHeaderBytes) return RequestReadResult::TooLarge;
    return reader.empty() ? RequestReadResult::ClosedEarly : RequestReadResult::Malformed;
  }
  std::string headerBlock;
  reader.takeThrough("\r\n\r\n", headerBlock);
  if (!parseHeaderBlock(headerBlock, request)) return RequestReadResult::Malformed;
  return readBody(fd, reader, request);
}
