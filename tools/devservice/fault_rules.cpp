#include "fault_rules.h"

#include <algorithm>

namespace {

std::optional<uint64_t> readCount(const nlohmann::json& object, const char* name) {
  const auto member = object.find(name);
  if (member == object.end() || !member->is_number_integer()) return std::nullopt;
  const int64_t value = member->get<int64_t>();
  if (value < 0) return std::nullopt;
  return static_cast<uint64_t>(value);
}

std::optional<std::string> readText(const nlohmann::json& object, const char* name) {
  const auto member = object.find(name);
  if (member == object.end() || !member->is_string()) return std::nullopt;
  return member->get<std::string>();
}

bool readFlag(const nlohmann::json& object, const char* name) {
  const auto member = object.find(name);
  return member != object.end() && member->is_boolean() && member->get<bool>();
}

}  // namespace

Fault parseFault(const nlohmann::json& value) {
  Fault fault;
  if (!value.is_object()) return fault;
  if (const auto status = readCount(value, "status")) fault.status = static_cast<int>(std::min<uint64_t>(*status, 999));
  fault.body = readText(value, "body");
  fault.wrongKey = readFlag(value, "wrong_key");
  fault.replyNull = readFlag(value, "reply_null");
  fault.legacyReply = readFlag(value, "legacy_reply");
  fault.staleNonce = readFlag(value, "stale_nonce");
  fault.wrongDigest = readFlag(value, "wrong_digest");
  fault.redirect = readText(value, "redirect");
  fault.cutAfter = readCount(value, "cut_after");
  fault.stallMs = std::min(readCount(value, "stall_ms").value_or(0), kMaxStallMs);
  fault.noLength = readFlag(value, "no_length");
  fault.chunked = readFlag(value, "chunked");
  fault.length = readCount(value, "length");
  fault.lowercaseLength = readFlag(value, "lowercase_length");
  fault.refuseHead = readFlag(value, "refuse_head");
  fault.ignoreRange = readFlag(value, "ignore_range");
  fault.extraBytes = readCount(value, "extra_bytes");
  fault.headerBytes = std::min(readCount(value, "header_bytes").value_or(0), kMaxHeaderBytes);
  fault.count = readCount(value, "count");
  return fault;
}

uint64_t EndpointCounters::nextIndex(const std::string& endpoint) {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_seen[endpoint]++;
}

Fault faultForRequest(const std::map<std::string, Fault>& faults, const std::string& endpoint, uint64_t requestIndex) {
  const auto configured = faults.find(endpoint);
  if (configured == faults.end()) return Fault{};
  const Fault& fault = configured->second;
  if (fault.count && requestIndex >= *fault.count) return Fault{};
  return fault;
}

std::string substituteBase(const std::string& text, const std::string& baseUrl) {
  return substitute(text, "{base}", baseUrl);
}

std::string substitute(const std::string& text, const std::string& placeholder, const std::string& value) {
  std::string result;
  size_t start = 0;
  for (;;) {
    const size_t found = text.find(placeholder, start);
    if (found == std::string::npos) break;
    result.append(text, start, found - start);
    result += value;
    start = found + placeholder.size();
  }
  result.append(text, start, std::string::npos);
  return result;
}

void applyContentFault(const Fault& fault, const std::string& baseUrl, const std::string& query, HttpReply& reply) {
  if (fault.redirect) {
    // A redirect carries the fault's body (and so its length) when one is given.
    reply.setTextBody(fault.status.value_or(302), fault.body.value_or(""));
    reply.headerLines.clear();
    reply.headerLines.push_back("Location: " + substitute(substituteBase(*fault.redirect, baseUrl), "{query}", query));
    return;
  }
  if (fault.replyNull) {
    reply.setTextBody(reply.status, "null");
  } else if (fault.body) {
    reply.setTextBody(reply.status, *fault.body);
  }
  if (fault.status) reply.status = *fault.status;
}

void applyExtraBytesFault(const Fault& fault, HttpReply& reply) {
  if (!fault.extraBytes || !reply.file || reply.omitBody) return;
  reply.fillerBytes = *fault.extraBytes;
}

void applyHeaderFlood(const Fault& fault, HttpReply& reply) {
  constexpr size_t kLineBytes = 1000;
  uint64_t added = 0;
  for (uint64_t index = 0; added < fault.headerBytes; ++index) {
    std::string line = "X-Filler-" + std::to_string(index) + ": ";
    line.append(kLineBytes - 2 - line.size(), 'x');  // with its CRLF, 1,000 bytes
    added += kLineBytes;
    reply.headerLines.push_back(std::move(line));
  }
}
