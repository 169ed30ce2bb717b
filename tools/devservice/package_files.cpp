#include "package_files.h"

#include "openssl_handles.h"
#include "text_codec.h"

#include <openssl/evp.h>

#include <filesystem>
#include <fstream>
#include <vector>

const char kPackagesPrefix[] = "/packages/";

bool packageNameFromPath(const std::string& path, std::string& name) {
  const std::string prefix(kPackagesPrefix);
  if (path.compare(0, prefix.size(), prefix) != 0) return false;
  const std::string decoded = percentDecode(path.substr(prefix.size()));
  if (decoded.empty() || decoded.find_first_of(std::string("/\\\0", 3)) != std::string::npos ||
      decoded.find("..") != std::string::npos) {
    return false;
  }
  name = decoded;
  return true;
}

std::string findPackageFile(const std::string& packagesDir, const std::string& name) {
  if (packagesDir.empty()) return {};
  const std::filesystem::path file = std::filesystem::path(packagesDir) / name;
  std::error_code error;
  if (!std::filesystem::is_regular_file(file, error)) return {};
  return file.string();
}

RangeVerdict evaluateRange(const std::string& rangeHeader, uint64_t total, ByteRange& range) {
  const std::string rangeText = trimSpaces(rangeHeader);
  const std::string unit = "bytes=";
  if (rangeText.compare(0, unit.size(), unit) != 0) return RangeVerdict::WholeFile;
  const std::string bounds = trimSpaces(rangeText.substr(unit.size()));
  const size_t dash = bounds.find('-');
  if (dash == std::string::npos || bounds.find(',') != std::string::npos) return RangeVerdict::WholeFile;
  const std::string firstText = trimSpaces(bounds.substr(0, dash));
  const std::string lastText = trimSpaces(bounds.substr(dash + 1));

  if (firstText.empty()) {  // suffix range: the last N bytes
    uint64_t suffix = 0;
    if (!parseDecimal(lastText, suffix)) return RangeVerdict::WholeFile;
    if (suffix == 0 || total == 0) return RangeVerdict::Unsatisfiable;
    range.first = suffix >= total ? 0 : total - suffix;
    range.last = total - 1;
    return RangeVerdict::Partial;
  }
  uint64_t first = 0;
  if (!parseDecimal(firstText, first)) return RangeVerdict::WholeFile;
  uint64_t last = total == 0 ? 0 : total - 1;
  if (!lastText.empty()) {
    if (!parseDecimal(lastText, last) || last < first) return RangeVerdict::WholeFile;
  }
  if (first >= total) return RangeVerdict::Unsatisfiable;
  range.first = first;
  range.last = last < total ? last : total - 1;
  return RangeVerdict::Partial;
}

std::string sha256OfFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  tavrin::DigestContextOwner ctx(EVP_MD_CTX_new());
  if (!file || !ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1) return {};
  std::vector<char> chunk(1 << 20);
  while (file) {
    file.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    const std::streamsize got = file.gcount();
    if (got > 0 && EVP_DigestUpdate(ctx.get(), chunk.data(), static_cast<size_t>(got)) != 1) return {};
  }
  if (!file.eof()) return {};
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int digestLength = 0;
  if (EVP_DigestFinal_ex(ctx.get(), digest, &digestLength) != 1) return {};
  return toHex(std::string(reinterpret_cast<const char*>(digest), digestLength));
}
