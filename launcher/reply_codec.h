#pragma once

#include <string>

// Verifies and decrypts a protected reply of the configuration server
// (Base64 text of an RSA block carrying the symmetric key, followed by the
// encrypted payload) with the embedded public key. Returns the payload, or
// the empty string when the reply is malformed or was not made with the
// matching private key.
std::string decodeReply(const std::string& text);

// The same with the given PEM public key.
std::string decodeReplyWithKey(const std::string& text, const std::string& publicKeyPem);
