#include "request_nonce.h"

#include "protected_reply.h"

std::optional<std::string> nonceMemberOf(const std::string& query) {
  std::optional<std::string> value;
  size_t start = 0;
  while (start <= query.size()) {
    size_t end = query.find('&', start);
    if (end == std::string::npos) end = query.size();
    const std::string member = query.substr(start, end - start);
    if (member == "n") {
      value = std::string();
    } else if (member.compare(0, 2, "n=") == 0) {
      value = member.substr(2);
    }
    start = end + 1;
  }
  return value;
}

std::string nonceToBind(const std::optional<std::string>& member) {
  std::string nonce;
  if (member && nonceFromHex(*member, nonce)) return nonce;
  return std::string(kReplyNonceSize, '\0');
}
