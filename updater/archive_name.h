// How the stored name of an archive entry becomes a name relative to the
// destination folder, and which names may be written at all. No Windows
// header here: this builds natively too, for sanitizer and fuzzing runs.
#pragma once

#include <string>

namespace tavrin {

// The clean-up rules, repeated until none applies: a leading drive prefix
// (any character followed by ":") is dropped; a leading "\" or "/" is
// dropped; everything up to and including the first "\..\", "\../",
// "/../" or "/..\" (looked for in this order) is dropped.
std::wstring cleanEntryName(const std::wstring& storedName);

// True for stored names in the UNC or device namespace forms ("\\server\share",
// "\\?\", "\\.\", also spelled with "/"): two separators at the start.
bool hasNamespacePrefix(const std::wstring& storedName);

// True when `relativeName`, appended to the destination folder, names a
// file or folder inside that folder: not rooted, no drive or stream ":",
// no component made only of dots and blanks (such as ".."), apart from ".",
// and no component that Windows takes for a device ("nul", "con.txt",
// "COM1", ...). An empty name is the destination itself and counts as inside.
bool staysInsideDestination(const std::wstring& relativeName);

}  // namespace tavrin
