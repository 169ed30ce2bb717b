// SHA-256 of packages: of a whole file, or fed piece by piece while a
// download arrives, as 64 lower-case hexadecimal digits. Files are read in
// chunks and never held in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace tavrin {

class Sha256Stream {
 public:
  Sha256Stream();
  ~Sha256Stream();
  Sha256Stream(const Sha256Stream&) = delete;
  Sha256Stream& operator=(const Sha256Stream&) = delete;

  // False once any step has failed; the stream then never yields a digest.
  bool update(const void* bytes, std::size_t length);
  // The first `length` bytes of a file; false when they cannot all be read.
  bool updateFromFile(const std::string& path, int64_t length);
  // The digest of everything fed so far (empty after a failure); ends the stream.
  std::string finishHex();

 private:
  struct Context;
  std::unique_ptr<Context> m_context;
  bool m_failed = false;
};

// The digest of a whole file; empty when it cannot be read.
std::string sha256OfFile(const std::string& path);
// True for 64 hexadecimal digits of either case.
bool isSha256Text(const std::string& text);

}  // namespace tavrin
