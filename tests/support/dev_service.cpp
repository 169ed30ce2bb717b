#include "dev_service.h"

#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "handles.h"
#include "test_env.h"

#ifndef TAVRIN_DEVSERVICE
#error "TAVRIN_DEVSERVICE must name the native service binary (Z:/.../tavrin-devservice)"
#endif

namespace tavrin::test {

namespace {

constexpr char kShell[] = "Z:\\bin\\sh";
constexpr char kDrivePrefix[] = "Z:";
constexpr int kMaxSeconds = 900;  // a crashed test never leaves the service behind for long
constexpr std::chrono::seconds kStartTimeout(15);
constexpr std::chrono::seconds kEndTimeout(6);

// "Z:/work/x" or "Z:\work\x" to "/work/x".
std::string unixPathOf(const std::string& windowsPath) {
  std::string path = windowsPath.compare(0, 2, kDrivePrefix) == 0 ? windowsPath.substr(2) : windowsPath;
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

std::string quotedForShell(const std::string& text) { return "'" + text + "'"; }

bool writeWhole(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.flush();
  return static_cast<bool>(out);
}

std::string readWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

}  // namespace

DevService::DevService(const nlohmann::json& config) {
  if (!makeFolder()) return;
  m_packagesDir = m_windowsFolder + "\\packages";
  if (!::CreateDirectoryA(m_packagesDir.c_str(), nullptr)) return;
  if (!setConfig(config)) return;
  if (!writeWhole(m_windowsFolder + "\\alive", "")) return;
  if (start()) m_port = waitForPort(kStartTimeout);
}

DevService::~DevService() {
  if (m_windowsFolder.empty()) return;
  ::DeleteFileA((m_windowsFolder + "\\alive").c_str());
  // The service removes its port file as the last thing before it ends.
  if (m_port != 0) waitUntil([this] { return !pathExists(m_windowsFolder + "\\port"); }, kEndTimeout);
  removeTree(m_windowsFolder);
}

bool DevService::makeFolder() {
  // The native service sees the machine's /tmp; Wine shows it as Z:\tmp.
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = "tavrin-devservice-" + std::to_string(::GetCurrentProcessId()) + "-" +
                       std::to_string(::GetTickCount()) + "-" + std::to_string(++counter);
    std::string windowsFolder = std::string("Z:\\tmp\\") + name;
    if (::CreateDirectoryA(windowsFolder.c_str(), nullptr)) {
      m_windowsFolder = windowsFolder;
      m_unixFolder = "/tmp/" + name;
      return true;
    }
    if (::GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

bool DevService::start() {
  // The service is a Linux program: Wine starts it, but its process handle
  // cannot be waited on, and it would inherit the test's standard error
  // (ctest waits for that pipe to close). So it runs through the shell with
  // all three standard streams redirected, and it ends by itself once the
  // "alive" file is gone.
  const std::string service = unixPathOf(TAVRIN_DEVSERVICE);
  const std::string& dir = m_unixFolder;
  std::string script = "exec " + quotedForShell(service) + " serve --config " + quotedForShell(dir + "/config.json") +
                       " --log " + quotedForShell(dir + "/log.jsonl") + " --port-file " +
                       quotedForShell(dir + "/port") + " --exit-when-missing " + quotedForShell(dir + "/alive") +
                       " --max-seconds " + std::to_string(kMaxSeconds) + " </dev/null >" +
                       quotedForShell(dir + "/service.out") + " 2>&1";
  std::string commandLine = std::string(kShell) + " -c \"" + script + "\"";

  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  if (!::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    return false;
  }
  ProcessHandles::adopt(info);  // closed at once: nothing to wait on
  return true;
}

uint16_t DevService::waitForPort(std::chrono::milliseconds timeout) const {
  const std::string portFile = m_windowsFolder + "\\port";
  uint16_t port = 0;
  waitUntil(
      [&] {
        long value = std::strtol(readWhole(portFile).c_str(), nullptr, 10);
        if (value > 0 && value < 65536) port = static_cast<uint16_t>(value);
        return port != 0;
      },
      timeout);
  return port;
}

std::string DevService::baseUrl() const { return "http://" + hostAndPort(); }

std::string DevService::hostAndPort() const { return "127.0.0.1:" + std::to_string(m_port); }

std::string DevService::packageUrl(const std::string& name) const { return baseUrl() + "/packages/" + name; }

bool DevService::setConfig(const nlohmann::json& config) {
  nlohmann::json complete = config.is_object() ? config : nlohmann::json::object();
  if (!complete.contains("packages_dir")) complete["packages_dir"] = m_unixFolder + "/packages";
  const std::string staged = m_windowsFolder + "\\config.json.new";
  const std::string finalPath = m_windowsFolder + "\\config.json";
  if (!writeWhole(staged, complete.dump(2))) return false;
  return ::MoveFileExA(staged.c_str(), finalPath.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

bool DevService::addPackage(const std::string& name, const std::string& bytes) const {
  return writeWhole(m_packagesDir + "\\" + name, bytes);
}

std::vector<nlohmann::json> DevService::requests() const {
  std::vector<nlohmann::json> lines;
  const std::string log = readWhole(m_windowsFolder + "\\log.jsonl");
  size_t start = 0;
  for (;;) {
    size_t end = log.find('\n', start);
    if (end == std::string::npos) break;  // a line still being written is left for later
    nlohmann::json line = nlohmann::json::parse(log.substr(start, end - start), nullptr, false);
    if (line.is_object()) lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

std::vector<nlohmann::json> DevService::requestsTo(const std::string& path) const {
  std::vector<nlohmann::json> matching;
  for (nlohmann::json& line : requests()) {
    if (line.value("path", std::string()) == path) matching.push_back(std::move(line));
  }
  return matching;
}

bool DevService::waitForRequestsTo(const std::string& path, size_t count, std::chrono::milliseconds timeout) const {
  return waitUntil([&] { return requestsTo(path).size() >= count; }, timeout);
}

}  // namespace tavrin::test
