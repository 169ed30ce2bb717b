#include "base64.h"

#include <cstddef>

namespace tavrin {

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

const int kNotInAlphabet = -1;

char symbolFor(unsigned int sixBits) { return kAlphabet[sixBits & 63u]; }

int sixBitValueOf(unsigned char byte) {
  if (byte >= 'A' && byte <= 'Z') return byte - 'A';
  if (byte >= 'a' && byte <= 'z') return byte - 'a' + 26;
  if (byte >= '0' && byte <= '9') return byte - '0' + 52;
  if (byte == '+') return 62;
  if (byte == '/') return 63;
  return kNotInAlphabet;
}

unsigned int byteAt(const std::string& bytes, std::size_t index) { return static_cast<unsigned char>(bytes[index]); }

bool isFollowedByPadding(const std::string& text, std::size_t index) {
  return index + 1 < text.size() && text[index + 1] == '=';
}

}  // namespace

std::string base64Encode(const std::string& bytes) {
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4);

  std::size_t index = 0;
  for (; index + 3 <= bytes.size(); index += 3) {
    const unsigned int b0 = byteAt(bytes, index);
    const unsigned int b1 = byteAt(bytes, index + 1);
    const unsigned int b2 = byteAt(bytes, index + 2);
    text += symbolFor(b0 >> 2);
    text += symbolFor(((b0 & 3u) << 4) | (b1 >> 4));
    text += symbolFor(((b1 & 15u) << 2) | (b2 >> 6));
    text += symbolFor(b2 & 63u);
  }

  const std::size_t remaining = bytes.size() - index;
  if (remaining == 1) {
    const unsigned int b0 = byteAt(bytes, index);
    text += symbolFor(b0 >> 2);
    text += symbolFor((b0 & 3u) << 4);
    text += "==";
  } else if (remaining == 2) {
    const unsigned int b0 = byteAt(bytes, index);
    const unsigned int b1 = byteAt(bytes, index + 1);
    text += symbolFor(b0 >> 2);
    text += symbolFor(((b0 & 3u) << 4) | (b1 >> 4));
    text += symbolFor((b1 & 15u) << 2);
    text += '=';
  }
  return text;
}

std::string base64Decode(const std::string& text) {
  std::string bytes;
  bytes.reserve(text.size() / 4 * 3 + 2);

  std::size_t acceptedSymbols = 0;
  unsigned int previous = 0;

  for (std::size_t index = 0; index < text.size() && text[index] != '\0'; ++index) {
    const unsigned char byte = static_cast<unsigned char>(text[index]);

    if (byte == '=') {
      if (acceptedSymbols % 4 == 1 && !isFollowedByPadding(text, index)) return std::string();
      continue;
    }

    const int value = sixBitValueOf(byte);
    if (value == kNotInAlphabet) continue;

    const unsigned int current = static_cast<unsigned int>(value);
    switch (acceptedSymbols % 4) {
      case 1:
        bytes += static_cast<char>(((previous << 2) | (current >> 4)) & 0xFFu);
        break;
      case 2:
        bytes += static_cast<char>((((previous & 15u) << 4) | (current >> 2)) & 0xFFu);
        break;
      case 3:
        bytes += static_cast<char>((((previous & 3u) << 6) | current) & 0xFFu);
        break;
      default:
        break;
    }
    previous = current;
    ++acceptedSymbols;
  }
  return bytes;
}

}  // namespace tavrin
