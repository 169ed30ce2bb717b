#include "header_scan.h"

#include <cstring>
#include <limits>

namespace tavrin {

namespace {

constexpr char kContentLengthName[] = "Content-Length:";
constexpr char kFileNameMark[] = "filename=";
constexpr size_t kFileNameLimit = 1023;  // a 1024-byte buffer with its NUL

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// 0-9 for digits, 10 for a/A and counting on through the alphabet; -1 else.
int digitValue(char c) {
  if (isDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'z') return 10 + (c - 'a');
  if (c >= 'A' && c <= 'Z') return 10 + (c - 'A');
  return -1;
}

bool startsWith(const char* text, size_t length, const char* prefix) {
  size_t prefixLength = std::strlen(prefix);
  return length >= prefixLength && std::memcmp(text, prefix, prefixLength) == 0;
}

size_t skipBlanks(const char* text, size_t length, size_t at) {
  while (at < length && isBlank(text[at])) ++at;
  return at;
}

}  // namespace

std::string urlDecode(const std::string& text) {
  std::string decoded;
  decoded.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '+') {
      decoded += ' ';
      continue;
    }
    if (c == '%' && i + 2 < text.size()) {
      int high = digitValue(text[i + 1]);
      int low = digitValue(text[i + 2]);
      if (high >= 0 && low >= 0) {
        decoded += static_cast<char>((16 * high + low) & 0xFF);
        i += 2;
        continue;
      }
    }
    decoded += c;
  }
  return decoded;
}

bool parseLeadingInt64(const char* text, size_t length, int64_t& value) {
  size_t at = skipBlanks(text, length, 0);
  bool negative = false;
  if (at < length && (text[at] == '+' || text[at] == '-')) {
    negative = text[at] == '-';
    ++at;
  }
  if (at >= length || !isDigit(text[at])) return false;
  // Accumulated as a negative number, whose range is the larger one.
  const int64_t lowest = std::numeric_limits<int64_t>::min();
  int64_t accumulated = 0;
  for (; at < length && isDigit(text[at]); ++at) {
    int digit = text[at] - '0';
    if (accumulated < (lowest + digit) / 10) {
      accumulated = lowest;
    } else {
      accumulated = accumulated * 10 - digit;
    }
  }
  if (negative) {
    value = accumulated;
  } else {
    value = accumulated == lowest ? std::numeric_limits<int64_t>::max() : -accumulated;
  }
  return true;
}

bool scanContentLengthLine(const char* line, size_t length, int64_t& value) {
  if (!startsWith(line, length, kContentLengthName)) return false;
  size_t nameLength = sizeof(kContentLengthName) - 1;
  return parseLeadingInt64(line + nameLength, length - nameLength, value);
}

bool scanFileNameLine(const char* line, size_t length, std::string& name) {
  if (!startsWith(line, length, kFileNameMark)) return false;
  size_t at = skipBlanks(line, length, sizeof(kFileNameMark) - 1);
  size_t end = at;
  while (end < length && !isBlank(line[end]) && line[end] != '\0') ++end;
  if (end == at) return false;
  if (end - at > kFileNameLimit) end = at + kFileNameLimit;
  name.assign(line + at, end - at);
  return true;
}

bool quotedFileNameInHeaders(const std::string& rawHeaders, std::string& name) {
  size_t mark = rawHeaders.find(kFileNameMark);
  if (mark == std::string::npos || mark == 0) return false;
  size_t open = rawHeaders.find('"', mark);
  if (open == std::string::npos) return false;
  size_t close = rawHeaders.find('"', open + 1);
  if (close == std::string::npos) return false;
  name = rawHeaders.substr(open + 1, close - open - 1);
  return true;
}

std::string fileNameFromUrl(const std::string& url) {
  size_t query = url.find('?');
  std::string withoutQuery = (query != std::string::npos && query > 0) ? url.substr(0, query) : url;
  std::string decoded = urlDecode(withoutQuery);
  size_t slash = decoded.rfind('/');
  return slash == std::string::npos ? decoded : decoded.substr(slash + 1);
}

}  // namespace tavrin
