#include "reply_sender.h"

#include "socket_io.h"
#include "stop_signal.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr size_t kFileChunk = 64 * 1024;

std::optional<uint64_t> announcedLength(const HttpReply& reply, const Fault& fault) {
  if (fault.noLength || fault.chunked) return std::nullopt;
  return fault.length.value_or(reply.bodyLength());
}

std::string headerBlock(const HttpReply& reply, const std::optional<uint64_t>& length, const Fault& fault) {
  std::string head = "HTTP/1.1 " + std::to_string(reply.status) + " " + reasonPhrase(reply.status) + "\r\n";
  head += "Server: tavrin-devservice\r\n";
  head += "Content-Type: " + reply.contentType + "\r\n";
  for (const std::string& line : reply.headerLines) head += line + "\r\n";
  if (fault.chunked) head += "Transfer-Encoding: chunked\r\n";
  if (length) {
    head += fault.lowercaseLength ? "content-length: " : "Content-Length: ";
    head += std::to_string(*length) + "\r\n";
  }
  head += "Connection: close\r\n\r\n";
  return head;
}

// Streams `count` bytes of the file slice from `from` on; `sent` grows with
// every chunk that went out.
bool sendFileBytes(int fd, const FileSlice& slice, uint64_t from, uint64_t count, uint64_t& sent) {
  std::ifstream file(slice.path, std::ios::binary);
  if (!file) return false;
  file.seekg(static_cast<std::streamoff>(slice.offset + from));
  std::vector<char> chunk(kFileChunk);
  while (count > 0) {
    if (stopRequested()) return false;
    const size_t wanted = static_cast<size_t>(std::min<uint64_t>(count, chunk.size()));
    file.read(chunk.data(), static_cast<std::streamsize>(wanted));
    const auto got = static_cast<size_t>(file.gcount());
    if (got == 0 || !sendAll(fd, chunk.data(), got)) return false;
    sent += got;
    count -= got;
  }
  return true;
}

// A stall ends early when the client hangs up (a cancelled transfer), so the
// request is logged at once instead of after the whole stall. False when the
// peer is gone or a stop was requested.
bool stallWhilePeerStays(int fd, uint64_t stallMs) {
  constexpr int kSliceMs = 20;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(stallMs);
  while (!stopRequested()) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0) return true;
    pollfd peer{fd, POLLRDHUP, 0};
    const int ready = ::poll(&peer, 1, static_cast<int>(std::min<long long>(left, kSliceMs)));
    if (ready > 0 && (peer.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0) return false;
  }
  return false;
}

// Filler after the content (the "extra_bytes" fault); the bytes carry no meaning.
bool sendFillerBytes(int fd, uint64_t count, uint64_t& sent) {
  const std::vector<char> chunk(static_cast<size_t>(std::min<uint64_t>(count, kFileChunk)), 'X');
  while (count > 0) {
    if (stopRequested()) return false;
    const size_t wanted = static_cast<size_t>(std::min<uint64_t>(count, chunk.size()));
    if (!sendAll(fd, chunk.data(), wanted)) return false;
    sent += wanted;
    count -= wanted;
  }
  return true;
}

bool sendContentBytes(int fd, const HttpReply& reply, uint64_t from, uint64_t count, uint64_t& sent) {
  if (count == 0) return true;
  if (reply.file) return sendFileBytes(fd, *reply.file, from, count, sent);
  if (!sendAll(fd, reply.body.data() + from, static_cast<size_t>(count))) return false;
  sent += count;
  return true;
}

// Bytes [from, from + count) of the body: the content, then the filler.
bool sendBodyBytes(int fd, const HttpReply& reply, uint64_t from, uint64_t count, uint64_t& sent) {
  const uint64_t contentSize = reply.contentLength();
  const uint64_t contentPart = from < contentSize ? std::min(count, contentSize - from) : 0;
  if (!sendContentBytes(fd, reply, from, contentPart, sent)) return false;
  return sendFillerBytes(fd, count - contentPart, sent);
}

// The same bytes as one chunk of a chunked body ("chunked" fault).
bool sendBodyPart(int fd, const HttpReply& reply, const Fault& fault, uint64_t from, uint64_t count, uint64_t& sent) {
  if (!fault.chunked) return sendBodyBytes(fd, reply, from, count, sent);
  if (count == 0) return true;
  char size[32];
  std::snprintf(size, sizeof(size), "%llx\r\n", static_cast<unsigned long long>(count));
  return sendText(fd, size) && sendBodyBytes(fd, reply, from, count, sent) && sendText(fd, "\r\n");
}

}  // namespace

SendOutcome sendReply(int fd, const HttpReply& reply, const Fault& fault) {
  SendOutcome outcome;
  const std::optional<uint64_t> length = announcedLength(reply, fault);
  if (!sendText(fd, headerBlock(reply, length, fault))) return outcome;
  if (reply.omitBody) {
    outcome.complete = true;
    return outcome;
  }
  const uint64_t bodySize = reply.bodyLength();
  const uint64_t firstPart = fault.cutAfter ? std::min(*fault.cutAfter, bodySize) : 0;
  if (!sendBodyPart(fd, reply, fault, 0, firstPart, outcome.bytesSent)) return outcome;
  if (fault.stallMs > 0 && !stallWhilePeerStays(fd, fault.stallMs)) return outcome;
  if (fault.cutAfter) {
    outcome.complete = false;
    if (!fault.chunked) outcome.complete = outcome.bytesSent >= length.value_or(bodySize);
    return outcome;
  }
  if (!sendBodyPart(fd, reply, fault, firstPart, bodySize - firstPart, outcome.bytesSent)) return outcome;
  if (fault.chunked && !sendText(fd, "0\r\n\r\n")) return outcome;
  outcome.complete = outcome.bytesSent >= length.value_or(bodySize);
  return outcome;
}
