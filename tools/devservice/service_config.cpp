#include "service_config.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#ifndef TAVRIN_SOURCE_DIR
#error "TAVRIN_SOURCE_DIR must name the source tree"
#endif

namespace {

namespace fs = std::filesystem;

ServiceConfig defaultConfig() {
  ServiceConfig config;
  const fs::path keys = fs::path(TAVRIN_SOURCE_DIR) / "tests" / "data" / "keys";
  config.privateKeyPath = (keys / "test_private.pem").string();
  config.otherKeyPath = (keys / "other_private.pem").string();
  return config;
}

nlohmann::json readJsonFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return nlohmann::json();
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  return nlohmann::json::parse(text, nullptr, false);
}

std::string resolvePath(const std::string& path, const fs::path& configFolder) {
  const fs::path given(path);
  if (given.is_absolute() || configFolder.empty()) return given.string();
  return (configFolder / given).string();
}

void readPath(const nlohmann::json& object, const char* name, const fs::path& configFolder, std::string& target) {
  const auto member = object.find(name);
  if (member != object.end() && member->is_string() && !member->get<std::string>().empty()) {
    target = resolvePath(member->get<std::string>(), configFolder);
  }
}

void readPackageHeaders(const nlohmann::json& object, ServiceConfig& config) {
  const auto member = object.find("package_headers");
  if (member == object.end() || !member->is_array()) return;
  for (const nlohmann::json& line : *member) {
    if (line.is_string()) config.packageHeaders.push_back(line.get<std::string>());
  }
}

void readFaults(const nlohmann::json& object, ServiceConfig& config) {
  const auto member = object.find("faults");
  if (member == object.end() || !member->is_object()) return;
  for (auto entry = member->begin(); entry != member->end(); ++entry) {
    if (entry.value().is_object()) config.faults[entry.key()] = parseFault(entry.value());
  }
}

void readReplyContent(const nlohmann::json& object, ServiceConfig& config) {
  const auto update = object.find("update");
  if (update != object.end() && (update->is_object() || update->is_string())) config.update = *update;
  const auto settings = object.find("settings");
  if (settings != object.end() && settings->is_string()) config.settings = *settings;
}

}  // namespace

ServiceConfig loadServiceConfig(const std::string& configPath) {
  ServiceConfig config = defaultConfig();
  const nlohmann::json document = readJsonFile(configPath);
  if (!document.is_object()) return config;
  const fs::path configFolder = fs::path(configPath).parent_path();
  readPath(document, "private_key", configFolder, config.privateKeyPath);
  readPath(document, "other_key", configFolder, config.otherKeyPath);
  readPath(document, "packages_dir", configFolder, config.packagesDir);
  readPackageHeaders(document, config);
  readFaults(document, config);
  readReplyContent(document, config);
  return config;
}
