#include "base64_encode.h"

namespace uninst {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

}  // namespace

std::string Base64Encode(const std::string& bytes) {
  std::string encoded;
  encoded.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    unsigned group = (static_cast<unsigned char>(bytes[i]) << 16) | (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                     static_cast<unsigned char>(bytes[i + 2]);
    encoded += kAlphabet[(group >> 18) & 0x3F];
    encoded += kAlphabet[(group >> 12) & 0x3F];
    encoded += kAlphabet[(group >> 6) & 0x3F];
    encoded += kAlphabet[group & 0x3F];
  }
  size_t rest = bytes.size() - i;
  if (rest == 1) {
    unsigned group = static_cast<unsigned char>(bytes[i]) << 16;
    encoded += kAlphabet[(group >> 18) & 0x3F];
    encoded += kAlphabet[(group >> 12) & 0x3F];
    encoded += "==";
  } else if (rest == 2) {
    unsigned group = (static_cast<unsigned char>(bytes[i]) << 16) | (static_cast<unsigned char>(bytes[i + 1]) << 8);
    encoded += kAlphabet[(group >> 18) & 0x3F];
    encoded += kAlphabet[(group >> 12) & 0x3F];
    encoded += kAlphabet[(group >> 6) & 0x3F];
    encoded += '=';
  }
  return encoded;
}

}  // namespace uninst
