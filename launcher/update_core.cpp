#include "update_core.h"

#include <direct.h>
#include <objbase.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <nlohmann/json.hpp>

#include "debug_log.h"
#include "file_digest.h"
#include "file_probe.h"
#include "handles.h"
#include "install_probe.h"
#include "legacy_replies.h"
#include "path_join.h"
#include "process_start.h"
#include "reply_codec.h"
#include "request_nonce.h"
#include "service_host.h"
#include "shell_file_op.h"
#include "version_compare.h"

namespace tavrin {

namespace {

constexpr char kPackageName[] = "uppackage.zip";
// No browser package comes near this; a server that announces or sends more
// is refused before it can fill the disk.
constexpr int64_t kMaxPackageBytes = int64_t{1} << 30;

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

std::string companionPath(const std::string& packagePath, const char* suffixFormat) {
  return formatBounded(kPathBufferSize, suffixFormat, packagePath.c_str());
}

// The package, its partial download and its companions.
void removePackageFiles(const std::string& packagePath) {
  std::remove(packagePath.c_str());
  for (const char* suffix : {"%s.temp", "%s.cfg", "%s.sha256"}) std::remove(companionPath(packagePath, suffix).c_str());
}

// The digest recorded beside the package ("uppackage.zip.sha256": 64
// lower-case hexadecimal digits); empty when there is none or it is malformed.
std::string readDigestRecord(const std::string& packagePath) {
  UniqueCFile record(std::fopen(companionPath(packagePath, "%s.sha256").c_str(), "rb"));
  if (!record) return std::string();
  char buffer[66] = {};
  size_t got = std::fread(buffer, 1, 65, record.get());
  std::string text(buffer, got);
  return isSha256Text(text) ? lowerCase(text) : std::string();
}

bool writeDigestRecord(const std::string& packagePath, const std::string& digest) {
  UniqueCFile record(std::fopen(companionPath(packagePath, "%s.sha256").c_str(), "wb"));
  if (!record) return false;
  bool written = std::fwrite(digest.data(), 1, digest.size(), record.get()) == digest.size();
  return std::fclose(record.release()) == 0 && written;
}

// Before a download: whatever lies there from another offer (another digest,
// or none recorded) is not continued, and the offer's digest is recorded for
// the check at the hand-off.
bool prepareDigestRecord(const std::string& packagePath, const std::string& digest) {
  if (readDigestRecord(packagePath) != digest) removePackageFiles(packagePath);
  return digest.empty() || writeDigestRecord(packagePath, digest);
}

// The offer's "sha256": 64 hexadecimal digits, kept in lower case. An offer
// without one is taken only by a build that accepts the older replies.
bool takeOfferedDigest(const nlohmann::json& reply, std::string& digest) {
  auto member = reply.find("sha256");
  if (member == reply.end()) {
    if (acceptsLegacyReplies()) return true;
    debugLog("update offer refused: no sha256");
    return false;
  }
  if (!member->is_string() || !isSha256Text(member->get<std::string>())) {
    debugLog("update offer refused: malformed sha256");
    return false;
  }
  digest = lowerCase(member->get<std::string>());
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
  // CreateProcess takes up to 32,767 characters with the terminating NUL.
  constexpr size_t kMaxCommandLine = 32766;
  const std::string folder = withoutTrailingSeparators(installDir);
  const bool bareDrive = folder.size() == 2 && folder[1] == ':';
  for (const std::string* part : {&updaterPath, &packagePath, &folder}) {
    if (part->empty() || part->find('"') != std::string::npos || part->back() == '\\' || part->back() == '/') {
      return std::string();
    }
  }
  if (bareDrive) return std::string();
  std::string line = "\"" + updaterPath + "\" -f \"" + packagePath + "\" -p \"" + folder + "\"";
  return line.size() <= kMaxCommandLine ? line : std::string();
}

bool CUpdateCore::checkUpdate(char* urlBuffer) {
  m_expectedDigest.clear();
  try {
    std::string nonce;
    if (!makeRequestNonce(nonce)) {
      debugLog("update check skipped: no random source for its nonce");
      return false;
    }
    std::string installed = getInstalledVersion();
    std::string url =
        formatBounded(kLongTextBufferSize, "%s?v=%s&b=%s&c=%s%s", serviceUrl("/app/config/version_upgrade/").c_str(),
                      installed.c_str(), getBrand().c_str(), getChannel().c_str(), nonceQueryMember(nonce).c_str());
    std::string body;
    const HttpResult result = getWithLimit(url, body, kMaxReplyBytes, m_cancel);
    if (result.code != 200) {
      debugLog("http get failed, url: %s, code: %d, msg: %s", url.c_str(), result.code, result.message.c_str());
      return false;
    }
    if (body.empty() || body == "null") return false;
    DecodedReply decoded = decodeReply(body, bindingFor(nonce));
    if (!decoded.accepted()) {
      debugLog("update reply refused: %s", describeRefusal(decoded.verdict));
      return false;
    }
    nlohmann::json reply = nlohmann::json::parse(decoded.payload, nullptr, false);
    if (!reply.is_object()) {
      debugLog("update url response is not json format, response: %s", decoded.payload.c_str());
      return false;
    }
    if (!isVersionNewer(stringMember(reply, "version"), installed) || urlBuffer == nullptr) return false;
    auto fileUrl = reply.find("fileurl");
    if (fileUrl == reply.end() || !fileUrl->is_string()) return false;
    std::string digest;
    if (!takeOfferedDigest(reply, digest)) return false;
    m_expectedDigest = digest;
    std::snprintf(urlBuffer, kLongTextBufferSize, "%s", fileUrl->get<std::string>().c_str());
    return true;
  } catch (...) {
    m_expectedDigest.clear();
    return false;
  }
}

bool CUpdateCore::downloadUpdatePackage(const std::string& url, const std::string& directory) {
  if (url.empty()) return false;
  try {
    makeDirTree(directory);
    const std::string package = joinPath(directory, kPackageName);
    if (!prepareDigestRecord(package, m_expectedDigest)) {
      debugLog("cannot record the package digest, file: %s.sha256", package.c_str());
      return false;
    }
    int64_t size = 0;
    std::string fileName;
    getRemoteFileInfo(url, size, fileName, std::string(), m_cancel);
    HttpResult result;
    if (size > kMaxPackageBytes) {
      result = HttpResult{kHttpTooLarge, formatBounded(kLongTextBufferSize, "package larger than %lld bytes",
                                                       static_cast<long long>(kMaxPackageBytes))};
    } else {
      CLibcurlClient client;
      client.setCancelToken(m_cancel);
      client.setExpectedSha256(m_expectedDigest);
      client.setMaxDownloadBytes(kMaxPackageBytes);
      result = size > 0 ? client.downloadFile(url, directory, kPackageName, size)
                        : client.downloadFile(url, directory, kPackageName);
    }
    if (result.code == kHttpDigestMismatch) {
      removePackageFiles(package);
      debugLog("package digest mismatch, url: %s", url.c_str());
      return false;
    }
    if (result.code != 200) {
      debugLog("download update file failed, url: %s, code: %d, msg: %s", url.c_str(), result.code,
               result.message.c_str());
      return false;
    }
    return true;
  } catch (...) {
    return false;
  }
}

bool CUpdateCore::verifyUpdatePackage(const std::string& packagePath) {
  if (packagePath.empty()) return false;
  int64_t expected = 0;
  bool recorded = readCompanionSize(companionPath(packagePath, "%s.cfg"), expected);
  // Only a recorded, positive size that the package has makes it complete,
  // and only the digest its offer named makes it the offered package: a file
  // changed on disk since the download is never handed over.
  if (recorded && expected > 0 && expected == getFileSize(packagePath)) {
    std::string digest = readDigestRecord(packagePath);
    if (digest.empty() && acceptsLegacyReplies()) return true;
    if (!digest.empty() && sha256OfFile(packagePath) == digest) return true;
    debugLog("update package refused: %s, file: %s", digest.empty() ? "no recorded digest" : "digest mismatch",
             packagePath.c_str());
  }
  removePackageFiles(packagePath);
  return false;
}

bool CUpdateCore::startUpdater(const std::string& packagePath) {
  char temp[MAX_PATH + 1] = {};
  const DWORD tempLength = ::GetTempPathA(MAX_PATH + 1, temp);
  const std::string installDir = withoutTrailingSeparators(getInstallDir());
  const std::string workFolder = std::string(temp) + makeGuidString();
  // The work folder and everything the shell copies into it stay within
  // MAX_PATH; without a temporary folder there is no work folder at all.
  if (tempLength == 0 || tempLength > MAX_PATH || workFolder.size() + std::strlen("\\Mirup.exe") >= MAX_PATH) {
    debugLog("updater not started: no temporary folder for it, temp: %s", temp);
    return false;
  }
  if (!ansiPathExists(workFolder)) ::_mkdir(workFolder.c_str());

  shellCopy(installDir + "\\update\\*", workFolder);

  std::string updater = joinPath(workFolder, "Mirup.exe");
  if (!ansiPathExists(updater)) {
    debugLog("file not found: %s", updater.c_str());
    shellDelete(workFolder);
    return false;
  }
  std::string commandLine = buildUpdaterCommandLine(updater, packagePath, installDir);
  if (commandLine.empty()) {
    debugLog("updater not started: no command line can name the install dir %s", installDir.c_str());
    shellDelete(workFolder);
    return false;
  }
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
