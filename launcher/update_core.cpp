#include "update_core.h"

#include <direct.h>
#include <io.h>
#include <objbase.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <nlohmann/json.hpp>

#include "debug_log.h"
#include "file_digest.h"
#include "file_probe.h"
#include "handles.h"
#include "install_probe.h"
#include "path_join.h"
#include "process_start.h"
#include "reply_codec.h"
#include "service_host.h"
#include "shell_file_op.h"
#include "version_compare.h"

namespace tavrin {

namespace {

constexpr char kPackageName[] = "uppackage.zip";

bool exists(const std::string& path) { return ::_access(path.c_str(), 0) == 0; }

std::string stringMember(const nlohmann::json& object, const char* name) {
  auto found = object.find(name);
  return found != object.end() && found->is_string() ? found->get<std::string>() : std::string();
}

std::string lowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// The expected size recorded in a companion file: its first 512 bytes as a
// signed decimal number; false when the file cannot be read.
bool readCompanionSize(const std::string& companionPath, int64_t& size) {
  UniqueCFile companion(std::fopen(companionPath.c_str(), "r"));
  if (!companion) return false;
  char buffer[513] = {};
  std::fread(buffer, 1, 512, companion.get());
  size = std::strtoll(buffer, nullptr, 10);
  return true;
}

}  // namespace

std::string makeGuidString() {
  GUID guid = {};
  ::CoCreateGuid(&guid);
  return formatBounded(64, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                       static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1],
                       guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
}

std::string buildUpdaterCommandLine(const std::string& updaterPath, const std::string& packagePath,
                                    const std::string& installDir) {
  return formatBounded(kPathBufferSize, "%s -f \"%s\" -p \"%s\"", updaterPath.c_str(), packagePath.c_str(),
                       installDir.c_str());
}

bool CUpdateCore::checkUpdate(char* urlBuffer) {
  expectedDigest_.clear();
  try {
    std::string installed = getInstalledVersion();
    std::string url = formatBounded(kLongTextBufferSize, "%s?v=%s&b=%s&c=%s",
                                    serviceUrl("/app/config/version_upgrade/").c_str(), installed.c_str(),
                                    getBrand().c_str(), getChannel().c_str());
    std::string body;
    HttpResult result;
    {
      CLibcurlClient client;
      result = client.Get(url, body);
    }
    if (result.code != 200) {
      debugLog("http get failed, url: %s, code: %d, msg: %s", url.c_str(), result.code, result.message.c_str());
      return false;
    }
    if (body.empty() || body == "null") return false;
    std::string text = decodeReply(body);
    nlohmann::json reply = nlohmann::json::parse(text, nullptr, false);
    if (!reply.is_object()) {
      debugLog("update url response is not json format, response: %s", text.c_str());
      return false;
    }
    if (!isVersionNewer(stringMember(reply, "version"), installed) || urlBuffer == nullptr) return false;
    auto fileUrl = reply.find("fileurl");
    if (fileUrl == reply.end() || !fileUrl->is_string()) return false;
    auto digest = reply.find("sha256");
    if (digest != reply.end()) {
      // A digest the package could never match makes the offer unusable.
      if (!digest->is_string() || !isSha256Text(digest->get<std::string>())) return false;
      expectedDigest_ = lowerCase(digest->get<std::string>());
    }
    std::snprintf(urlBuffer, kLongTextBufferSize, "%s", fileUrl->get<std::string>().c_str());
    return true;
  } catch (...) {
    expectedDigest_.clear();
    return false;
  }
}

bool CUpdateCore::downloadUpdatePackage(const std::string& url, const std::string& directory) {
  if (url.empty()) return false;
  try {
    makeDirTree(directory);
    int64_t size = 0;
    std::string fileName;
    getRemoteFileInfo(url, size, fileName, std::string());
    HttpResult result;
    {
      CLibcurlClient client;
      result = size > 0 ? client.downloadFile(url, directory, kPackageName, size)
                        : client.downloadFile(url, directory, kPackageName);
    }
    if (result.code != 200) {
      debugLog("download update file failed, url: %s, code: %d, msg: %s", url.c_str(), result.code,
               result.message.c_str());
      return false;
    }
    if (!expectedDigest_.empty()) {
      std::string package = joinPath(directory, kPackageName);
      if (sha256OfFile(package) != expectedDigest_) {
        std::remove(package.c_str());
        std::remove(formatBounded(kPathBufferSize, "%s.cfg", package.c_str()).c_str());
        debugLog("package digest mismatch, url: %s", url.c_str());
        return false;
      }
    }
    return true;
  } catch (...) {
    return false;
  }
}

bool CUpdateCore::verifyUpdatePackage(const std::string& packagePath) {
  if (packagePath.empty()) return false;
  std::string companion = formatBounded(kPathBufferSize, "%s.cfg", packagePath.c_str());
  int64_t expected = 0;
  bool recorded = readCompanionSize(companion, expected);
  // Only a recorded, positive size that the package has makes it complete.
  if (recorded && expected > 0 && expected == getFileSize(packagePath)) return true;
  std::remove(packagePath.c_str());
  std::remove(companion.c_str());
  return false;
}

bool CUpdateCore::startUpdater(const std::string& packagePath) {
  char temp[MAX_PATH + 1] = {};
  ::GetTempPathA(MAX_PATH, temp);
  std::string workFolder = formatBounded(kPathBufferSize, "%s%s", temp, makeGuidString().c_str());
  if (!exists(workFolder)) ::_mkdir(workFolder.c_str());

  std::string installDir = getInstallDir();
  shellCopy(formatBounded(kPathBufferSize, "%s\\%s\\*", installDir.c_str(), "update"), workFolder);

  std::string updater = joinPath(workFolder, "Mirup.exe");
  if (!exists(updater)) {
    debugLog("file not found: %s", updater.c_str());
    return false;
  }
  std::string commandLine = buildUpdaterCommandLine(updater, packagePath, installDir);
  ProcessHandles updaterProcess;  // not waited for; the handles close here
  DWORD error = 0;
  if (!startProcessA(commandLine, updaterProcess, error)) {
    debugLog("CreateProcess failed, err: %u, cmdline: %s", static_cast<unsigned>(error), commandLine.c_str());
    shellDelete(workFolder);
    return false;
  }
  return true;
}

}  // namespace tavrin
