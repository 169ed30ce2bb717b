// Base64: every byte string survives encoding and decoding unchanged, the
// encoding has the padded length and only alphabet bytes, and decoding
// arbitrary text never reads or writes out of bounds.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base64.h"
#include "fuzz_check.h"

namespace {

using tavrin::base64Decode;
using tavrin::base64Encode;

bool isAlphabetByte(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/' || c == '=';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);

  const std::string encoded = base64Encode(bytes);
  FUZZ_CHECK(encoded.size() == (size + 2) / 3 * 4, "encoded length is 4 * ceil(n / 3)");
  for (char c : encoded) FUZZ_CHECK(isAlphabetByte(c), "encoding uses the alphabet only");
  FUZZ_CHECK(base64Decode(encoded) == bytes, "decode(encode(x)) == x");

  // The same bytes taken as text: lenient decoding must simply not fail badly,
  // and a decoded result never outgrows three bytes per four symbols.
  const std::string decoded = base64Decode(bytes);
  FUZZ_CHECK(decoded.size() <= size / 4 * 3 + 3, "decoded length bounded by the text");
  return 0;
}
