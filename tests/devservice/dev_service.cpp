#include "dev_service.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#ifndef TAVRIN_DEVSERVICE_BINARY
#error "TAVRIN_DEVSERVICE_BINARY must name the service binary"
#endif
#ifndef TAVRIN_TEST_DATA
#error "TAVRIN_TEST_DATA must name the test data folder"
#endif

namespace fs = std::filesystem;

namespace {

constexpr int kStartTimeoutMs = 10000;
constexpr int kStopTimeoutMs = 5000;

void writeFileBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

uint16_t portOfListeningLine(const std::string& line) {
  const std::string prefix = "listening on 127.0.0.1:";
  if (line.compare(0, prefix.size(), prefix) != 0) return 0;
  const long port = std::strtol(line.c_str() + prefix.size(), nullptr, 10);
  return port > 0 && port < 65536 ? static_cast<uint16_t>(port) : 0;
}

}  // namespace

fs::path makeTemporaryFolder() {
  std::string pattern = (fs::temp_directory_path() / "devservice-test-XXXXXX").string();
  if (::mkdtemp(&pattern[0]) == nullptr) return {};
  return fs::path(pattern);
}

std::string readFileBytes(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

std::string testKeyPem(const char* fileName) { return readFileBytes(fs::path(TAVRIN_TEST_DATA) / "keys" / fileName); }

DevService::DevService(const nlohmann::json& config) : m_folder(makeTemporaryFolder()) {
  if (m_folder.empty()) return;
  fs::create_directories(packagesDir());
  writeConfig(config);
  const std::vector<std::string> arguments = {"serve",
                                              "--config",
                                              (m_folder / "config.json").string(),
                                              "--log",
                                              (m_folder / "requests.log").string(),
                                              "--port",
                                              "0",
                                              "--port-file",
                                              portFile().string()};
  std::string line;
  if (startChild(TAVRIN_DEVSERVICE_BINARY, arguments, m_child) && readChildLine(m_child, kStartTimeoutMs, line)) {
    m_port = portOfListeningLine(line);
  }
}

DevService::~DevService() {
  stop();
  std::error_code ignored;
  if (!m_folder.empty()) fs::remove_all(m_folder, ignored);
}

void DevService::writeConfig(const nlohmann::json& config) const {
  // Written beside and renamed, so a request never sees half a file.
  const fs::path staged = m_folder / "config.json.new";
  writeFileBytes(staged, config.dump(2));
  fs::rename(staged, m_folder / "config.json");
}

void DevService::addPackage(const std::string& name, const std::string& bytes) const {
  writeFileBytes(packagesDir() / name, bytes);
}

std::vector<nlohmann::json> DevService::logLines() const {
  std::vector<nlohmann::json> lines;
  std::istringstream log(readFileBytes(m_folder / "requests.log"));
  std::string text;
  while (std::getline(log, text)) lines.push_back(nlohmann::json::parse(text, nullptr, false));
  return lines;
}

nlohmann::json DevService::lastLogLineFor(const std::string& path) const {
  nlohmann::json found;
  for (const nlohmann::json& line : logLines()) {
    if (line.is_object() && line.value("path", "") == path) found = line;
  }
  return found;
}

int DevService::stop() {
  if (m_child.pid < 0) return -1;
  return stopChild(m_child, kStopTimeoutMs);
}
