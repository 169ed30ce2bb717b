// Text helpers of the service: Base64 decoding of reports, percent decoding of
// package names, and making arbitrary bytes safe for the JSON log.
#pragma once

#include <cstdint>
#include <string>

// Standard Base64 (RFC 4648 alphabet, "=" padding): the length must be a
// multiple of four, padding only at the end. False on any deviation, so a
// client that escapes or wraps its Base64 shows up in the log.
bool base64DecodeStrict(const std::string& text, std::string& bytes);

bool isValidUtf8(const std::string& bytes);

// Every byte as the code point U+00XX, written in UTF-8.
std::string latin1ToUtf8(const std::string& bytes);

std::string toHex(const std::string& bytes);

// "%XX" becomes the byte 0xXX; everything else ("+" included) is kept.
std::string percentDecode(const std::string& text);

// Up to 18 decimal digits and nothing else (no sign, no blank); false otherwise.
bool parseDecimal(const std::string& text, uint64_t& value);

std::string toLowerAscii(std::string text);
bool equalsIgnoreCase(const std::string& left, const std::string& right);
std::string trimSpaces(const std::string& text);
