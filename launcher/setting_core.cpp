#include "setting_core.h"

#include <windows.h>

#include <cstdio>
#include <vector>

#include <nlohmann/json.hpp>

#include "debug_log.h"
#include "file_probe.h"
#include "handles.h"
#include "http_client.h"
#include "install_probe.h"
#include "path_join.h"
#include "reply_codec.h"
#include "request_nonce.h"
#include "service_host.h"

namespace tavrin {

namespace {

struct AppliedVersions {
  std::string bookmarks;
  std::string searchEngines;
  std::string navigatePage;
};

std::string stringMember(const nlohmann::json& object, const char* name) {
  auto found = object.find(name);
  return found != object.end() && found->is_string() ? found->get<std::string>() : std::string();
}

// What the browser recorded in "version.tsc": at most its first 1024 bytes.
AppliedVersions readAppliedVersions(const std::string& dataDir) {
  AppliedVersions versions;
  if (dataDir.empty()) return versions;
  UniqueCFile file(std::fopen(joinPath(dataDir, "version.tsc").c_str(), "r"));
  if (!file) return versions;
  char buffer[1025] = {};
  std::fread(buffer, 1, 1024, file.get());
  file.reset();
  std::string text(buffer);
  if (text.empty()) return versions;
  nlohmann::json parsed = nlohmann::json::parse(text, nullptr, false);
  if (!parsed.is_object()) return versions;
  versions.bookmarks = stringMember(parsed, "bookmarks");
  versions.searchEngines = stringMember(parsed, "search_engines");
  versions.navigatePage = stringMember(parsed, "navigate_page");
  return versions;
}

// Writes all bytes in text mode ("w+"); false after the open-failure message
// when the file cannot be opened, false without one when writing fails.
bool writeSettingFile(const std::string& path, const std::string& bytes) {
  UniqueCFile file(std::fopen(path.c_str(), "w+"));
  if (!file) {
    debugLog("open setting file failed, err: %u, file: %s", static_cast<unsigned>(::GetLastError()), path.c_str());
    return false;
  }
  std::fseek(file.get(), 0, SEEK_SET);
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
  return std::fclose(file.release()) == 0 && written;
}

std::string readWholeTextFile(const std::string& path, bool& opened) {
  UniqueCFile file(std::fopen(path.c_str(), "r"));
  opened = static_cast<bool>(file);
  if (!file) return std::string();
  std::fseek(file.get(), 0, SEEK_END);
  long length = std::ftell(file.get());
  // Only replies of at most kMaxReplyBytes are ever stored: a larger file is
  // not ours, and is not read into memory.
  if (length < 0 || static_cast<unsigned long>(length) > kMaxReplyBytes) length = 0;
  std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
  std::fseek(file.get(), 0, SEEK_SET);
  std::fread(buffer.data(), 1, static_cast<size_t>(length), file.get());
  return std::string(buffer.data(), static_cast<size_t>(length));
}

}  // namespace

// The body is checked as it arrives: only a reply made with the service key
// for this very request (or exactly "null") is returned; anything else gives
// the empty string, which stores nothing.
std::string CSettingCore::fetchSetting() {
  try {
    std::string nonce;
    if (!makeRequestNonce(nonce)) {
      debugLog("settings request skipped: no random source for its nonce");
      return std::string();
    }
    AppliedVersions versions = readAppliedVersions(getLauncherDataDir());
    std::string url =
        formatBounded(kLongTextBufferSize, "%s?b=%s&bv=%s&ev=%s&hv=%s%s", serviceUrl("/app/config/setting/").c_str(),
                      getBrand().c_str(), versions.bookmarks.c_str(), versions.searchEngines.c_str(),
                      versions.navigatePage.c_str(), nonceQueryMember(nonce).c_str());
    std::string body;
    const HttpResult result = getWithLimit(url, body, kMaxReplyBytes, m_cancel);
    if (result.code != 200) {
      debugLog("http get failed, url: %s, err: %d, msg: %s", url.c_str(), result.code, result.message.c_str());
      return std::string();
    }
    if (body.empty() || body == "null") return body;
    DecodedReply decoded = decodeReply(body, bindingFor(nonce));
    if (!decoded.accepted()) {
      debugLog("settings reply refused: %s", describeRefusal(decoded.verdict));
      return std::string();
    }
    return body;
  } catch (...) {
    return std::string();
  }
}

bool CSettingCore::saveSettingReply(const std::string& reply) {
  if (reply.empty()) return false;
  std::string dataDir = getLauncherDataDir();
  if (!makeDirTree(dataDir)) return false;
  std::string path = joinPath(dataDir, "corveldata.tsc");
  if (ansiPathExists(path)) std::remove(path.c_str());
  return writeSettingFile(path, reply);
}

std::string CSettingCore::decodeStoredSetting(const std::string& replyPath) {
  try {
    bool opened = false;
    std::string text = readWholeTextFile(replyPath, opened);
    if (!opened) return std::string();
    if (text.size() > 2 && text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    // The nonce of the request is not known any more: the digest still binds
    // the stored payload to the block the service made.
    DecodedReply decoded = decodeReply(std::string(text.c_str()), bindingFor(std::string()));
    if (!decoded.accepted()) {
      debugLog("stored settings reply refused: %s", describeRefusal(decoded.verdict));
      return std::string();
    }
    const std::string& plaintext = decoded.payload;

    std::string dataDir = getLauncherDataDir();
    if (!dataDir.empty() && !makeDirTree(dataDir)) {
      debugLog("create setting save dir failed, err: %u, dir: %s", static_cast<unsigned>(::GetLastError()),
               dataDir.c_str());
      return std::string();
    }
    std::string path = joinPath(dataDir, "setting.tsc");
    return writeSettingFile(path, plaintext) ? path : std::string();
  } catch (...) {
    return std::string();
  }
}

}  // namespace tavrin
