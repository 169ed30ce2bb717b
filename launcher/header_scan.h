// Reading what the HTTP client needs from response header lines and URLs:
// the package size from "Content-Length:", a file name from "filename=", a
// file name from the URL itself, and URL decoding. Platform-neutral.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tavrin {

// "+" becomes a blank; "%" and two letters or digits become one byte
// (16 * v(X) + v(Y), kept to 8 bits, where v counts 0-9 and then a/A = 10
// on through the alphabet). A "%" not followed by two letters or digits is
// copied as it is; every other byte is copied.
std::string urlDecode(const std::string& text);

// A signed decimal number after optional white space; reading stops at the
// first byte that is not a digit (or at `length`). False when no digit
// follows the optional sign. Values beyond 64 bits stop at the limit.
bool parseLeadingInt64(const char* text, size_t length, int64_t& value);

// A header line that starts with "Content-Length:" spelled exactly so,
// followed by optional white space and a signed decimal number.
bool scanContentLengthLine(const char* line, size_t length, int64_t& value);

// A header line that starts with "filename=", followed by optional white
// space and a word of at least one non-blank byte (at most 1023 bytes kept).
bool scanFileNameLine(const char* line, size_t length, std::string& name);

// The first "filename=" that does not start the text, then the text between
// the next double quote and the one after it. False when either is missing.
bool quotedFileNameInHeaders(const std::string& rawHeaders, std::string& name);

// The URL without its query (cut at the first "?" that does not start it),
// decoded, and then the part after the last "/" (all of it when there is none).
std::string fileNameFromUrl(const std::string& url);

}  // namespace tavrin
