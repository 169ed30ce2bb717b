#include "attribute_text.h"

#include <algorithm>
#include <cstdlib>

#include <pugixml.hpp>

namespace SkinUI {

namespace {

constexpr long long kLayoutNumberLimit = 1000000;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// strtol over a bounded piece of text: reads an optional sign and digits
// after leading blanks, stops at the first other character; saturates.
long ReadLong(std::string_view text, size_t& pos, bool& any) {
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) {
    negative = text[pos] == '-';
    ++pos;
  }
  // Layout numbers are pixel amounts, indexes and progress values: larger
  // ones saturate at kLayoutNumberLimit, so that the geometry built from them
  // (x + width, stacked children, progress fill) stays within int.
  const long long limit = kLayoutNumberLimit;
  long long value = 0;
  any = false;
  while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
    value = std::min(value * 10 + (text[pos] - '0'), limit);
    any = true;
    ++pos;
  }
  return static_cast<long>(negative ? -value : value);
}

}  // namespace

std::vector<int> ParseIntegerList(std::string_view text, int count) {
  std::vector<int> numbers(count, 0);
  size_t pos = 0;
  for (int i = 0; i < count && pos < text.size(); ++i) {
    bool any = false;
    numbers[i] = static_cast<int>(ReadLong(text, pos, any));
    size_t comma = text.find(',', pos);
    if (comma == std::string_view::npos) break;
    pos = comma + 1;
  }
  return numbers;
}

int ParseInteger(std::string_view text) { return ParseIntegerList(text, 1)[0]; }

UiRect ParseRect(std::string_view text) {
  std::vector<int> n = ParseIntegerList(text, 4);
  return {n[0], n[1], n[2], n[3]};
}

UiSize ParseSize(std::string_view text) {
  std::vector<int> n = ParseIntegerList(text, 2);
  return {n[0], n[1]};
}

uint32_t ParseColor(std::string_view text) {
  if (!text.empty() && text.front() == '#') text.remove_prefix(1);
  uint32_t value = 0;
  for (char c : text) {
    int digit;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    else
      break;
    value = (value << 4) | static_cast<uint32_t>(digit);
  }
  return value;
}

bool IsTrue(std::string_view text) { return text == "true"; }

std::string ToLowerAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && ToLowerAscii(a) == ToLowerAscii(b);
}

std::wstring WideFromUtf8(std::string_view utf8) { return pugi::as_wide(std::string(utf8).c_str()); }

std::vector<std::pair<std::string, std::string>> ParseAttributeList(std::string_view text) {
  std::vector<std::pair<std::string, std::string>> pairs;
  size_t pos = 0;
  while (pos < text.size()) {
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    size_t keyStart = pos;
    while (pos < text.size() && text[pos] != '=' && !IsBlank(text[pos])) ++pos;
    std::string key(text.substr(keyStart, pos - keyStart));
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    if (key.empty() || pos >= text.size() || text[pos] != '=') break;
    ++pos;
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    if (pos >= text.size() || (text[pos] != '"' && text[pos] != '\'')) break;
    char quote = text[pos++];
    size_t valueEnd = text.find(quote, pos);
    if (valueEnd == std::string_view::npos) break;
    pairs.emplace_back(std::move(key), std::string(text.substr(pos, valueEnd - pos)));
    pos = valueEnd + 1;
  }
  return pairs;
}

}  // namespace SkinUI
