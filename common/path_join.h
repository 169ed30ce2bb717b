// Joining a folder and a name with one backslash into the bounded path
// buffer the launcher and the updater use (at most 260 characters).
#pragma once

#include <cstddef>
#include <string>

namespace tavrin {

// The path without its trailing "\\" and "/" (a trail byte of a double-byte
// character of the ANSI code page is no separator).
std::string withoutTrailingSeparators(const std::string& path);

constexpr std::size_t kPathBufferSize = 261;       // at most 260 characters
constexpr std::size_t kLongTextBufferSize = 1025;  // URLs, long command-line parts

// "%s\%s" of dir and name; a result longer than 260 characters is cut.
std::string joinPath(const std::string& dir, const std::string& name);

// printf-style formatting into a zeroed buffer of bufferSize bytes; longer
// text is cut at bufferSize - 1 characters.
std::string formatBounded(std::size_t bufferSize, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

}  // namespace tavrin
