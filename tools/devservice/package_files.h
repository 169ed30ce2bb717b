// Package files served under "/packages/NAME": safe name lookup, byte ranges
// and the SHA-256 digest offered in update replies.
#pragma once

#include <cstdint>
#include <string>

extern const char kPackagesPrefix[];  // "/packages/"

// The percent-decoded NAME of "/packages/NAME". False for any other path and
// for names that could leave the folder ("/", "\", "..", NUL) or are empty.
bool packageNameFromPath(const std::string& path, std::string& name);

// Full path of an existing regular file NAME in the folder; empty when absent.
std::string findPackageFile(const std::string& packagesDir, const std::string& name);

struct ByteRange {
  uint64_t first = 0;
  uint64_t last = 0;  // inclusive
  uint64_t length() const { return last - first + 1; }
};

enum class RangeVerdict {
  WholeFile,      // no Range header, or one we do not understand (ignored)
  Partial,        // `range` holds the bytes to send
  Unsatisfiable,  // starts at or beyond the end of the file
};

// One range of "bytes=N-", "bytes=N-M" or "bytes=-SUFFIX" against a file of `total` bytes.
RangeVerdict evaluateRange(const std::string& rangeHeader, uint64_t total, ByteRange& range);

// Lower-case hexadecimal SHA-256 of the file, read in chunks; empty on failure.
std::string sha256OfFile(const std::string& path);
