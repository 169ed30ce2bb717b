// Archive entry names: whatever a stored name is, a cleaned name that the
// updater would write (no namespace prefix, accepted as inside) never
// resolves outside the destination folder, and cleaning is finished in one go.
#include <cstddef>
#include <cstdint>
#include <string>

#include "archive_name.h"
#include "fuzz_check.h"

namespace {

// Stored names as UTF-16 code units, two input bytes each (little endian).
std::wstring wideFromBytes(const uint8_t* data, size_t size) {
  std::wstring text;
  for (size_t i = 0; i + 1 < size; i += 2) text += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
  return text;
}

bool isSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// A component Windows may read as a step up: dots and blanks only, at least
// two of them or with a blank (Windows drops trailing dots and blanks, so
// ".. " and "..." are read as "..").
bool mayStepUp(const std::wstring& component) {
  if (component.empty() || component == L".") return false;
  for (wchar_t c : component)
    if (c != L'.' && c != L' ') return false;
  return true;
}

// Resolves the name below a destination as Windows would at worst: false when
// it is rooted, names a drive or stream, or climbs above the destination.
bool resolvesInside(const std::wstring& name) {
  if (!name.empty() && isSeparator(name[0])) return false;
  if (name.find(L':') != std::wstring::npos) return false;
  int depth = 0;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = start;
    while (end < name.size() && !isSeparator(name[end])) ++end;
    const std::wstring component = name.substr(start, end - start);
    if (mayStepUp(component)) {
      if (--depth < 0) return false;
    } else if (!component.empty() && component != L".") {
      ++depth;
    }
    start = end + 1;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::wstring stored = wideFromBytes(data, size);
  const std::wstring cleaned = tavrin::cleanEntryName(stored);

  FUZZ_CHECK(tavrin::cleanEntryName(cleaned) == cleaned, "a cleaned name needs no further cleaning");
  FUZZ_CHECK(cleaned.size() <= stored.size(), "cleaning only removes");
  if (!tavrin::hasNamespacePrefix(stored) && tavrin::staysInsideDestination(cleaned))
    FUZZ_CHECK(resolvesInside(cleaned), "an accepted name resolves inside the destination");
  return 0;
}
