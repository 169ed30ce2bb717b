// The nonce that binds a protected reply to the one request it answers: 16
// fresh bytes from the system's cryptographic random source for every
// settings request and every update check, sent as the last query member.
#pragma once

#include <string>

namespace tavrin {

// 16 random bytes; false when the system's random source fails.
bool makeRequestNonce(std::string& nonce);

// "&n=" followed by the 32 lower-case hexadecimal digits of the nonce.
std::string nonceQueryMember(const std::string& nonce);

}  // namespace tavrin
