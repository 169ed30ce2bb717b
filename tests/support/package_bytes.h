// Package contents for download tests, shared by the Windows tests and the
// native development-service tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tavrin::test {

// Bytes that differ from position to position, so a wrong offset shows.
inline std::string packageBytes(size_t size, uint32_t seed = 12345) {
  std::string bytes(size, '\0');
  uint32_t state = seed;
  for (char& byte : bytes) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<char>(state >> 24);
  }
  return bytes;
}

// The ".cfg" side file of a resumable download: the announced size in
// decimal digits, padded with zero bytes to 512 bytes.
inline std::string sideFileRecording(int64_t size) {
  std::string bytes = std::to_string(size);
  bytes.resize(512, '\0');
  return bytes;
}

}  // namespace tavrin::test
