#include "version_text.h"

namespace tavrin {

namespace {

bool isVersionPart(const std::string& part) {
  if (part.empty() || part.size() > 5) return false;
  unsigned long value = 0;
  for (char c : part) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<unsigned long>(c - '0');
  }
  return value <= 65535;
}

}  // namespace

bool isFourPartVersion(const std::string& text) {
  int parts = 0;
  size_t start = 0;
  for (;;) {
    size_t dot = text.find('.', start);
    std::string part = text.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
    if (!isVersionPart(part)) return false;
    ++parts;
    if (dot == std::string::npos) return parts == 4;
    if (parts == 4) return false;
    start = dot + 1;
  }
}

bool shouldDeleteReplacedVersionFolder(const std::string& oldVersion, const std::string& newVersion) {
  return isFourPartVersion(oldVersion) && oldVersion != newVersion;
}

}  // namespace tavrin
