#pragma once

#include <string>

// Standard Base64 (RFC 4648 alphabet, "=" padding, no line breaks).
std::string base64Encode(const std::string& bytes);

// Lenient Base64 decoding: bytes outside the alphabet are skipped, a NUL byte
// ends the text, and decoding goes on after "=". The one malformation that is
// rejected (empty result) is an "=" that stands one symbol into a group and is
// not followed by another "=".
std::string base64Decode(const std::string& text);
