#include "text_codec.h"

#include <cstdint>

namespace {

int base64Value(char symbol) {
  if (symbol >= 'A' && symbol <= 'Z') return symbol - 'A';
  if (symbol >= 'a' && symbol <= 'z') return symbol - 'a' + 26;
  if (symbol >= '0' && symbol <= '9') return symbol - '0' + 52;
  if (symbol == '+') return 62;
  if (symbol == '/') return 63;
  return -1;
}

int hexValue(char symbol) {
  if (symbol >= '0' && symbol <= '9') return symbol - '0';
  if (symbol >= 'a' && symbol <= 'f') return symbol - 'a' + 10;
  if (symbol >= 'A' && symbol <= 'F') return symbol - 'A' + 10;
  return -1;
}

// Length of the UTF-8 sequence led by `lead`, 0 when it cannot lead one.
size_t utf8SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Rejects overlong forms, surrogates and code points above U+10FFFF.
bool secondByteInRange(unsigned char lead, unsigned char second) {
  if (lead == 0xE0) return second >= 0xA0;
  if (lead == 0xED) return second <= 0x9F;
  if (lead == 0xF0) return second >= 0x90;
  if (lead == 0xF4) return second <= 0x8F;
  return true;
}

}  // namespace

bool base64DecodeStrict(const std::string& text, std::string& bytes) {
  if (text.size() % 4 != 0) return false;
  std::string decoded;
  decoded.reserve(text.size() / 4 * 3);
  for (size_t group = 0; group < text.size(); group += 4) {
    const bool lastGroup = group + 4 == text.size();
    int values[4];
    int padding = 0;
    for (int index = 0; index < 4; ++index) {
      const char symbol = text[group + static_cast<size_t>(index)];
      if (symbol == '=' && lastGroup && index >= 2) {
        ++padding;
        values[index] = 0;
        continue;
      }
      if (padding > 0) return false;  // a symbol after padding
      values[index] = base64Value(symbol);
      if (values[index] < 0) return false;
    }
    const uint32_t bits = (static_cast<uint32_t>(values[0]) << 18) | (static_cast<uint32_t>(values[1]) << 12) |
                          (static_cast<uint32_t>(values[2]) << 6) | static_cast<uint32_t>(values[3]);
    decoded += static_cast<char>((bits >> 16) & 0xFF);
    if (padding < 2) decoded += static_cast<char>((bits >> 8) & 0xFF);
    if (padding < 1) decoded += static_cast<char>(bits & 0xFF);
  }
  bytes.swap(decoded);
  return true;
}

bool isValidUtf8(const std::string& bytes) {
  size_t index = 0;
  while (index < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[index]);
    const size_t length = utf8SequenceLength(lead);
    if (length == 0 || index + length > bytes.size()) return false;
    for (size_t next = 1; next < length; ++next) {
      if (!isContinuation(static_cast<unsigned char>(bytes[index + next]))) return false;
    }
    if (length > 1 && !secondByteInRange(lead, static_cast<unsigned char>(bytes[index + 1]))) {
      return false;
    }
    index += length;
  }
  return true;
}

std::string latin1ToUtf8(const std::string& bytes) {
  std::string text;
  text.reserve(bytes.size() * 2);
  for (char raw : bytes) {
    const auto byte = static_cast<unsigned char>(raw);
    if (byte < 0x80) {
      text += static_cast<char>(byte);
    } else {
      text += static_cast<char>(0xC0 | (byte >> 6));
      text += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return text;
}

std::string toHex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (char raw : bytes) {
    const auto byte = static_cast<unsigned char>(raw);
    text += kDigits[byte >> 4];
    text += kDigits[byte & 15];
  }
  return text;
}

std::string percentDecode(const std::string& text) {
  std::string decoded;
  decoded.reserve(text.size());
  for (size_t index = 0; index < text.size(); ++index) {
    if (text[index] == '%' && index + 2 < text.size()) {
      const int high = hexValue(text[index + 1]);
      const int low = hexValue(text[index + 2]);
      if (high >= 0 && low >= 0) {
        decoded += static_cast<char>(high * 16 + low);
        index += 2;
        continue;
      }
    }
    decoded += text[index];
  }
  return decoded;
}

bool parseDecimal(const std::string& text, uint64_t& value) {
  if (text.empty() || text.size() > 18) return false;
  value = 0;
  for (char digit : text) {
    if (digit < '0' || digit > '9') return false;
    value = value * 10 + static_cast<uint64_t>(digit - '0');
  }
  return true;
}

std::string toLowerAscii(std::string text) {
  for (char& symbol : text) {
    if (symbol >= 'A' && symbol <= 'Z') symbol = static_cast<char>(symbol - 'A' + 'a');
  }
  return text;
}

bool equalsIgnoreCase(const std::string& left, const std::string& right) {
  return left.size() == right.size() && toLowerAscii(left) == toLowerAscii(right);
}

std::string trimSpaces(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  const size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}
