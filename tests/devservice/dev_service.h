// The real tavrin-devservice, started on a free loopback port with its own
// temporary folder (configuration, log, packages), stopped at destruction.
#pragma once

#include "child_process.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

class DevService {
 public:
  explicit DevService(const nlohmann::json& config = nlohmann::json::object());
  ~DevService();
  DevService(const DevService&) = delete;
  DevService& operator=(const DevService&) = delete;

  bool running() const { return m_port != 0; }
  uint16_t port() const { return m_port; }
  std::string baseUrl() const { return "http://127.0.0.1:" + std::to_string(m_port); }
  const std::filesystem::path& folder() const { return m_folder; }
  std::filesystem::path packagesDir() const { return m_folder / "packages"; }
  std::filesystem::path portFile() const { return m_folder / "port.txt"; }

  // Replaces the configuration; the service reads it again at the next request.
  void writeConfig(const nlohmann::json& config) const;
  // Writes a file into the packages folder.
  void addPackage(const std::string& name, const std::string& bytes) const;
  // Every line of the request log, parsed.
  std::vector<nlohmann::json> logLines() const;
  // The log line of the request with this path (the last one), or null.
  nlohmann::json lastLogLineFor(const std::string& path) const;
  // SIGTERM; returns the waitpid status (-1 when it had to be killed).
  int stop();

 private:
  std::filesystem::path m_folder;
  ChildProcess m_child;
  uint16_t m_port = 0;
};

std::filesystem::path makeTemporaryFolder();
std::string readFileBytes(const std::filesystem::path& path);
std::string testKeyPem(const char* fileName);  // from tests/data/keys
