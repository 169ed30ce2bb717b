// Faults the service can be told to commit for one endpoint: wrong statuses
// and bodies, wrong keys and reply forms, redirects, and broken transfers.
#pragma once

#include "http_reply.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>

struct Fault {
  // What is sent
  std::optional<int> status;
  std::optional<std::string> body;
  bool wrongKey = false;
  bool replyNull = false;
  bool legacyReply = false;  // the older form: the RSA block carries the key alone
  bool staleNonce = false;   // bound to a nonce of another request
  bool wrongDigest = false;  // bound, but the digest does not match the ciphertext
  std::optional<std::string> redirect;
  // How it is sent
  std::optional<uint64_t> cutAfter;
  uint64_t stallMs = 0;
  bool noLength = false;
  bool chunked = false;  // no length: "Transfer-Encoding: chunked", and a cut leaves out the last chunk
  std::optional<uint64_t> length;
  bool lowercaseLength = false;
  bool refuseHead = false;             // HEAD requests get 405
  bool ignoreRange = false;            // package: a Range header is ignored, the whole file comes with 200
  std::optional<uint64_t> extraBytes;  // package GET: filler sent beyond the file, counted in the length
  uint64_t headerBytes = 0;            // about this many bytes of extra header lines ("X-Filler-N: ...")
  // To which requests: the first `count` of the endpoint, or all
  std::optional<uint64_t> count;
};

constexpr uint64_t kMaxStallMs = 600000;
constexpr uint64_t kMaxHeaderBytes = 64ull << 20;

// Reads the members that are present and of the right type; others are ignored.
Fault parseFault(const nlohmann::json& value);

// Requests seen per endpoint since the service started.
class EndpointCounters {
 public:
  // Index of this request among the endpoint's requests (0 for the first).
  uint64_t nextIndex(const std::string& endpoint);

 private:
  std::mutex m_lock;
  std::map<std::string, uint64_t> m_seen;
};

// The configured fault of the endpoint when it applies to the request with
// this index, else no fault at all.
Fault faultForRequest(const std::map<std::string, Fault>& faults, const std::string& endpoint, uint64_t requestIndex);

// Applies the faults that change what is sent (redirect, reply_null, body,
// status) to a finished reply. A redirect is a 302 (or the fault's status) with
// a Location line and an empty body; "{base}" in it becomes baseUrl and
// "{query}" the request's query (so that a redirected request keeps its nonce).
void applyContentFault(const Fault& fault, const std::string& baseUrl, const std::string& query, HttpReply& reply);

// Adds header lines of 1,000 bytes each ("X-Filler-N: xxx...") until they
// hold at least `headerBytes` bytes, as a server that floods its client with
// headers would.
void applyHeaderFlood(const Fault& fault, HttpReply& reply);

// Makes a package GET send `extraBytes` filler bytes after the file it
// streams, counted in the Content-Length; other replies are left alone.
void applyExtraBytesFault(const Fault& fault, HttpReply& reply);

// "{base}" replaced by the service's own "http://127.0.0.1:PORT".
std::string substituteBase(const std::string& text, const std::string& baseUrl);
// Every `placeholder` in text replaced by `value`.
std::string substitute(const std::string& text, const std::string& placeholder, const std::string& value);
