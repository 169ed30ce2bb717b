// URL decoding and the header-line scanner on arbitrary bytes: no read past
// the given length, and results that keep their documented shape.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "fuzz_check.h"
#include "header_scan.h"

using namespace tavrin;

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// The line in its own heap block of exactly `size` bytes, so that AddressSanitizer
// sees any read beyond the length the scanner was given.
std::unique_ptr<char[]> exactCopy(const uint8_t* data, size_t size) {
  std::unique_ptr<char[]> copy(new char[size == 0 ? 1 : size]);
  if (size != 0) std::memcpy(copy.get(), data, size);
  return copy;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  const std::string decoded = urlDecode(text);
  FUZZ_CHECK(decoded.size() <= text.size(), "URL decoding never grows the text");
  if (text.find_first_of("%+") == std::string::npos) FUZZ_CHECK(decoded == text, "plain text decodes to itself");

  const std::string urlName = fileNameFromUrl(text);
  FUZZ_CHECK(urlName.find('/') == std::string::npos, "a file name from a URL holds no '/'");

  const auto line = exactCopy(data, size);
  int64_t value = 0;
  parseLeadingInt64(line.get(), size, value);
  if (scanContentLengthLine(line.get(), size, value))
    FUZZ_CHECK(text.compare(0, 15, "Content-Length:") == 0, "a length only from a \"Content-Length:\" line");

  std::string name;
  if (scanFileNameLine(line.get(), size, name)) {
    FUZZ_CHECK(text.compare(0, 9, "filename=") == 0, "a name only from a \"filename=\" line");
    FUZZ_CHECK(!name.empty() && name.size() <= 1023, "a scanned name holds 1 to 1023 bytes");
    for (char c : name) FUZZ_CHECK(!isBlank(c) && c != '\0', "a scanned name is one word");
  }

  std::string quoted;
  if (quotedFileNameInHeaders(text, quoted))
    FUZZ_CHECK(quoted.find('"') == std::string::npos, "a quoted name holds no quote");
  return 0;
}
