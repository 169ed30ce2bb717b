// The parts of the activity report that need no Windows header.
#include "crypto_support.h"

#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "active_report.h"

namespace tavrin {

std::string buildActiveReport(const std::string& brand, const std::string& channel, const std::string& machineId,
                              int osCode, const std::string& version) {
  nlohmann::json record;
  record["b"] = brand;
  record["channel"] = channel;
  record["mac"] = machineId;
  record["os"] = osCode;
  record["version"] = version;
  return record.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string md5Hex(const std::string& bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_md5(), nullptr) != 1) return std::string();
  return lowerHex(digest, length);
}

}  // namespace tavrin
