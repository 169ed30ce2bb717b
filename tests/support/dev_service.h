// The real development service (the native tavrin-devservice of the host
// build) started from a Windows test program under Wine, on a free loopback
// port, with a fresh folder under /tmp for its configuration, request log
// and packages. It ends by itself once the object is gone.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace tavrin::test {

class DevService {
 public:
  // Starts the service with this configuration (see setConfig).
  explicit DevService(const nlohmann::json& config = nlohmann::json::object());
  // Removes the file the service watches (it ends within about 100 ms) and
  // the folder.
  ~DevService();
  DevService(const DevService&) = delete;
  DevService& operator=(const DevService&) = delete;

  bool running() const { return m_port != 0; }
  uint16_t port() const { return m_port; }
  std::string baseUrl() const;      // "http://127.0.0.1:PORT"
  std::string hostAndPort() const;  // "127.0.0.1:PORT"
  // baseUrl() + "/packages/" + name
  std::string packageUrl(const std::string& name) const;

  // Replaces the configuration; the service reads it again for every
  // request. "packages_dir" is set to packagesDir() unless given. Written
  // beside and renamed, so a request never sees half a file.
  bool setConfig(const nlohmann::json& config);
  // Windows path of the folder served under /packages/.
  const std::string& packagesDir() const { return m_packagesDir; }
  // Writes a file into the packages folder.
  bool addPackage(const std::string& name, const std::string& bytes) const;

  // Every line of the request log, parsed. A request is logged once its
  // reply has ended (sent, cut off, or abandoned by the client).
  std::vector<nlohmann::json> requests() const;
  std::vector<nlohmann::json> requestsTo(const std::string& path) const;
  // Polls until `count` requests to `path` are logged.
  bool waitForRequestsTo(const std::string& path, size_t count, std::chrono::milliseconds timeout) const;

  // The folder of this service, in both forms.
  const std::string& windowsFolder() const { return m_windowsFolder; }
  const std::string& unixFolder() const { return m_unixFolder; }

 private:
  bool makeFolder();
  bool start();
  uint16_t waitForPort(std::chrono::milliseconds timeout) const;

  std::string m_unixFolder;
  std::string m_windowsFolder;
  std::string m_packagesDir;
  uint16_t m_port = 0;
};

}  // namespace tavrin::test
