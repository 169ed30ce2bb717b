// Conversions between UTF-8, the ANSI code page and UTF-16.
#pragma once

#include <string>

namespace tavrin {

// UTF-8 to UTF-16: MultiByteToWideChar(CP_UTF8, 0) over the text up to its
// first NUL; the result ends at the first NUL of the converted text.
std::wstring utf8ToWide(const std::string& utf8);
std::string wideToUtf8(const std::wstring& wide);
std::wstring ansiToWide(const std::string& ansi);
std::string wideToAnsi(const std::wstring& wide);

}  // namespace tavrin
