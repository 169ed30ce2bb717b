// Base64 of RFC 4648: the standard alphabet, "=" padding, no line breaks.
// Platform-neutral: the launcher's reply decoding and activity report and
// the uninstaller's report use it, and it builds natively for the sanitizer
// and fuzz runs.
#pragma once

#include <string>

namespace tavrin {

// "+" and "/" stay as they are: callers that put the text into a form body
// send it without percent-encoding.
std::string base64Encode(const std::string& bytes);

// Lenient Base64 decoding: bytes outside the alphabet are skipped, a NUL byte
// ends the text, and decoding goes on after "=". The one malformation that is
// rejected (empty result) is an "=" that stands one symbol into a group and is
// not followed by another "=".
std::string base64Decode(const std::string& text);

}  // namespace tavrin
