#include "version_compare.h"

#include <cctype>
#include <limits>

namespace tavrin {

namespace {

// Reads one number at `pos` (leading blanks allowed, as "%d" would); false
// when no digit is there.
bool readPart(const std::string& text, size_t& pos, uint32_t& part) {
  while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
  size_t start = pos;
  uint64_t value = 0;
  while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) {
    value = value * 10 + static_cast<uint64_t>(text[pos] - '0');
    if (value > std::numeric_limits<uint32_t>::max()) value = std::numeric_limits<uint32_t>::max();
    ++pos;
  }
  if (pos == start) return false;
  part = static_cast<uint32_t>(value);
  return true;
}

}  // namespace

VersionParts parseVersion(const std::string& text) {
  VersionParts parts{0, 0, 0, 0};
  size_t pos = 0;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (!readPart(text, pos, parts[i])) break;
    if (pos >= text.size() || text[pos] != '.') break;
    ++pos;
  }
  return parts;
}

bool isVersionNewer(const std::string& offered, const std::string& installed) {
  return parseVersion(offered) > parseVersion(installed);
}

}  // namespace tavrin
