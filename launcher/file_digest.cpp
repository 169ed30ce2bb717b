#include "file_digest.h"

#include "crypto_support.h"
#include "handles.h"

#include <cctype>
#include <cstdio>
#include <vector>

namespace tavrin {

namespace {

constexpr std::size_t kReadChunkBytes = 1 << 20;  // few reads: each costs a system call (more under Wine)

}  // namespace

struct Sha256Stream::Context {
  DigestContextOwner digest{EVP_MD_CTX_new()};
};

Sha256Stream::Sha256Stream() : m_context(new Context) {
  m_failed = !m_context->digest || EVP_DigestInit_ex(m_context->digest.get(), EVP_sha256(), nullptr) != 1;
}

Sha256Stream::~Sha256Stream() = default;

bool Sha256Stream::update(const void* bytes, std::size_t length) {
  if (!m_failed && length > 0) m_failed = EVP_DigestUpdate(m_context->digest.get(), bytes, length) != 1;
  return !m_failed;
}

bool Sha256Stream::updateFromFile(const std::string& path, int64_t length) {
  if (length <= 0) return !m_failed;
  UniqueCFile file(std::fopen(path.c_str(), "rb"));
  if (!file) m_failed = true;
  std::vector<unsigned char> chunk(kReadChunkBytes);
  while (!m_failed && length > 0) {
    std::size_t wanted = length < static_cast<int64_t>(chunk.size()) ? static_cast<std::size_t>(length) : chunk.size();
    std::size_t got = std::fread(chunk.data(), 1, wanted, file.get());
    if (got != wanted) m_failed = true;
    update(chunk.data(), got);
    length -= static_cast<int64_t>(got);
  }
  return !m_failed;
}

std::string Sha256Stream::finishHex() {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned length = 0;
  if (m_failed || EVP_DigestFinal_ex(m_context->digest.get(), digest, &length) != 1) {
    m_failed = true;
    return std::string();
  }
  m_failed = true;  // a finished stream takes nothing more
  return lowerHex(digest, length);
}

std::string sha256OfFile(const std::string& path) {
  UniqueCFile file(std::fopen(path.c_str(), "rb"));
  if (!file) return std::string();
  Sha256Stream stream;
  std::vector<unsigned char> chunk(kReadChunkBytes);
  for (;;) {
    std::size_t read = std::fread(chunk.data(), 1, chunk.size(), file.get());
    if (!stream.update(chunk.data(), read)) return std::string();
    if (read < chunk.size()) break;
  }
  if (std::ferror(file.get())) return std::string();
  return stream.finishHex();
}

bool isSha256Text(const std::string& text) {
  if (text.size() != 64) return false;
  for (char c : text) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

}  // namespace tavrin
