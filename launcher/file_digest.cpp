#include "file_digest.h"

#include "crypto_support.h"

#include <cctype>
#include <cstdio>
#include <memory>
#include <vector>

namespace tavrin {

namespace {

struct FileClose {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

std::string sha256OfFile(const std::string& path) {
  std::unique_ptr<std::FILE, FileClose> file(std::fopen(path.c_str(), "rb"));
  DigestContextOwner context(EVP_MD_CTX_new());
  if (!file || !context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) return std::string();
  std::vector<unsigned char> chunk(1 << 16);
  for (;;) {
    size_t read = std::fread(chunk.data(), 1, chunk.size(), file.get());
    if (read > 0 && EVP_DigestUpdate(context.get(), chunk.data(), read) != 1) return std::string();
    if (read < chunk.size()) break;
  }
  if (std::ferror(file.get())) return std::string();
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned length = 0;
  if (EVP_DigestFinal_ex(context.get(), digest, &length) != 1) return std::string();
  return lowerHex(digest, length);
}

bool isSha256Text(const std::string& text) {
  if (text.size() != 64) return false;
  for (char c : text) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

}  // namespace tavrin
