#include "archive_name.h"

#include <array>

namespace tavrin {

namespace {

bool isSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

wchar_t asciiUpper(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

bool equalsIgnoringAsciiCase(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (asciiUpper(a[i]) != asciiUpper(b[i])) return false;
  }
  return true;
}

// One pass of the clean-up rules; false when none applied.
bool applyOneCleanUpRule(std::wstring& name) {
  if (name.size() >= 2 && name[1] == L':') {
    name.erase(0, 2);
    return true;
  }
  if (!name.empty() && isSeparator(name[0])) {
    name.erase(0, 1);
    return true;
  }
  static const std::array<const wchar_t*, 4> kParentSteps = {L"\\..\\", L"\\../", L"/../", L"/..\\"};
  for (const wchar_t* step : kParentSteps) {
    size_t at = name.find(step);
    if (at != std::wstring::npos) {
      name.erase(0, at + 4);
      return true;
    }
  }
  return false;
}

bool isDotsAndBlanksOnly(const std::wstring& component) {
  for (wchar_t c : component) {
    if (c != L'.' && c != L' ') return false;
  }
  return true;
}

// Windows opens these devices whatever folder a path names them in, with
// or without an extension and with trailing blanks.
bool isDeviceName(const std::wstring& component) {
  std::wstring stem = component.substr(0, component.find(L'.'));
  while (!stem.empty() && stem.back() == L' ') stem.pop_back();
  static const std::array<const wchar_t*, 6> kFixed = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
  for (const wchar_t* device : kFixed) {
    if (equalsIgnoringAsciiCase(stem, device)) return true;
  }
  if (stem.size() != 4) return false;
  std::wstring prefix = stem.substr(0, 3);
  if (!equalsIgnoringAsciiCase(prefix, L"COM") && !equalsIgnoringAsciiCase(prefix, L"LPT")) return false;
  wchar_t digit = stem[3];
  return (digit >= L'0' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' || digit == L'\u00B3';
}

bool isAcceptableComponent(const std::wstring& component) {
  if (component.empty() || component == L".") return true;
  if (isDotsAndBlanksOnly(component)) return false;
  return !isDeviceName(component);
}

}  // namespace

std::wstring cleanEntryName(const std::wstring& storedName) {
  std::wstring name = storedName;
  while (applyOneCleanUpRule(name)) {
  }
  return name;
}

bool hasNamespacePrefix(const std::wstring& storedName) {
  return storedName.size() >= 2 && isSeparator(storedName[0]) && isSeparator(storedName[1]);
}

bool staysInsideDestination(const std::wstring& relativeName) {
  if (!relativeName.empty() && isSeparator(relativeName[0])) return false;
  if (relativeName.find(L':') != std::wstring::npos) return false;
  size_t start = 0;
  for (;;) {
    size_t end = start;
    while (end < relativeName.size() && !isSeparator(relativeName[end])) ++end;
    if (!isAcceptableComponent(relativeName.substr(start, end - start))) return false;
    if (end >= relativeName.size()) return true;
    start = end + 1;
  }
}

}  // namespace tavrin
