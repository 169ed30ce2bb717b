#include "report_json.h"

#include <nlohmann/json.hpp>

namespace tavrin::uninst {

namespace {

constexpr unsigned kReplacementCharacter = 0xFFFD;

unsigned ByteAt(const std::string& text, size_t index) { return static_cast<unsigned char>(text[index]); }

unsigned LowSixBits(const std::string& text, size_t index) { return ByteAt(text, index) & 0x3Fu; }

// The character that starts at `index`, read the way the report has always
// read its values: a lead byte takes as many following bytes as it announces,
// whatever they are. A sequence cut by the end of the text or a byte that
// cannot lead one is U+FFFD and only that byte is consumed; an overlong form
// or a surrogate is U+FFFD with all its bytes consumed; a four-byte form
// beyond U+10FFFF keeps the low 20 bits of its distance from U+10000.
// Advances `index` past what it consumed.
unsigned ReadCharacter(const std::string& text, size_t& index) {
  const unsigned lead = ByteAt(text, index);
  const size_t left = text.size() - index;
  size_t length = 1;
  unsigned character = kReplacementCharacter;
  if (lead < 0x80) {
    character = lead;
  } else if (lead < 0xE0) {
    if (left >= 2) {
      length = 2;
      character = ((lead & 0x1Fu) << 6) | LowSixBits(text, index + 1);
      if (character < 0x80) character = kReplacementCharacter;
    }
  } else if (lead < 0xF0) {
    if (left >= 3) {
      length = 3;
      character = ((lead & 0x0Fu) << 12) | (LowSixBits(text, index + 1) << 6) | LowSixBits(text, index + 2);
      if (character < 0x800 || (character >= 0xD800 && character <= 0xDFFF)) character = kReplacementCharacter;
    }
  } else if (lead < 0xF8) {
    if (left >= 4) {
      length = 4;
      character = ((lead & 0x07u) << 18) | (LowSixBits(text, index + 1) << 12) | (LowSixBits(text, index + 2) << 6) |
                  LowSixBits(text, index + 3);
      if (character < 0x10000) {
        character = kReplacementCharacter;
      } else if (character > 0x10FFFF) {
        character = 0x10000 + ((character - 0x10000) & 0xFFFFF);
      }
    }
  }
  index += length;
  return character;
}

void AppendUtf8(std::string& out, unsigned character) {
  if (character < 0x80) {
    out += static_cast<char>(character);
  } else if (character < 0x800) {
    out += static_cast<char>(0xC0 | (character >> 6));
    out += static_cast<char>(0x80 | (character & 0x3F));
  } else if (character < 0x10000) {
    out += static_cast<char>(0xE0 | (character >> 12));
    out += static_cast<char>(0x80 | ((character >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (character & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (character >> 18));
    out += static_cast<char>(0x80 | ((character >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((character >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (character & 0x3F));
  }
}

// Well-formed UTF-8 of the characters ReadCharacter finds in `text`, so the
// serialiser never meets a malformed sequence.
std::string WellFormedUtf8(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t index = 0; index < text.size();) AppendUtf8(out, ReadCharacter(text, index));
  return out;
}

// The serialiser's ASCII output escapes DEL as "\u007f"; the report carries
// it as the byte itself. Every other escape is copied whole, so an escaped
// backslash followed by "u007f" stays text.
std::string WithDeleteUnescaped(const std::string& json) {
  static const std::string kEscapedDelete = "\\u007f";
  std::string out;
  out.reserve(json.size());
  for (size_t index = 0; index < json.size(); ++index) {
    if (json[index] != '\\' || index + 1 == json.size()) {
      out += json[index];
    } else if (json.compare(index, kEscapedDelete.size(), kEscapedDelete) == 0) {
      out += '\x7f';
      index += kEscapedDelete.size() - 1;
    } else {
      out.append(json, index, 2);
      ++index;
    }
  }
  return out;
}

}  // namespace

std::string WriteReportJson(const std::vector<std::pair<std::string, std::string>>& members) {
  nlohmann::json report = nlohmann::json::object();
  for (const auto& member : members) report[WellFormedUtf8(member.first)] = WellFormedUtf8(member.second);
  return WithDeleteUnescaped(report.dump(-1, ' ', true)) + "\n";
}

}  // namespace tavrin::uninst
