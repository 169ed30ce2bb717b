// Version comparison on arbitrary texts: an order (never newer than itself,
// never newer both ways, transitive), and the four parsed numbers written
// back as "a.b.c.d" parse to the same numbers.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "version_compare.h"

namespace {

std::string dotted(const tavrin::VersionParts& parts) {
  return std::to_string(parts[0]) + "." + std::to_string(parts[1]) + "." + std::to_string(parts[2]) + "." +
         std::to_string(parts[3]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Three texts separated by '|'.
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::string texts[3];
  size_t at = 0;
  for (int i = 0; i < 3; ++i) {
    size_t bar = input.find('|', at);
    texts[i] = input.substr(at, bar == std::string::npos ? std::string::npos : bar - at);
    if (bar == std::string::npos) break;
    at = bar + 1;
  }
  const std::string& a = texts[0];
  const std::string& b = texts[1];
  const std::string& c = texts[2];

  FUZZ_CHECK(!tavrin::isVersionNewer(a, a), "a version is not newer than itself");
  FUZZ_CHECK(!(tavrin::isVersionNewer(a, b) && tavrin::isVersionNewer(b, a)), "never newer both ways");
  if (tavrin::isVersionNewer(a, b) && tavrin::isVersionNewer(b, c))
    FUZZ_CHECK(tavrin::isVersionNewer(a, c), "newer is transitive");

  const tavrin::VersionParts parts = tavrin::parseVersion(a);
  FUZZ_CHECK(tavrin::parseVersion(dotted(parts)) == parts, "parsed numbers written back parse the same");
  FUZZ_CHECK(!tavrin::isVersionNewer(a, dotted(parts)) && !tavrin::isVersionNewer(dotted(parts), a),
             "a text and its parsed numbers are the same version");
  return 0;
}
