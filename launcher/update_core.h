// Keeping the browser up to date across two starts: the update check and the
// package download on the background thread, then at the next start the
// package check and the hand-off to the updater.
#pragma once

#include <cstdint>
#include <string>

#include "http_client.h"

namespace tavrin {

class CUpdateCore : public CLibcurlDownCallback {
 public:
  void onProgress(int32_t, int32_t, double, double, double) override {}
  void onNotify(int32_t, int32_t, int32_t, int32_t, int32_t) override {}

  // True when the service offers a newer version with a package URL; the URL
  // then goes into `urlBuffer` (1025 bytes; may be null).
  bool checkUpdate(char* urlBuffer);
  // True when the package was stored completely as "uppackage.zip" in `directory`
  // (and, when the reply named one, its SHA-256 digest matched).
  bool downloadUpdatePackage(const std::string& url, const std::string& directory);
  // True when the package's size equals the size recorded in its ".cfg"
  // companion; otherwise both files are deleted.
  bool verifyUpdatePackage(const std::string& packagePath);
  // Copies the install directory's "update" folder to a fresh work folder and
  // starts "Mirup.exe" from there with the package and the install directory.
  bool startUpdater(const std::string& packagePath);
  // The run's cancel token, which stops the check and the download (null:
  // never). Not owned.
  void setCancelToken(const CancelToken* cancel) { m_cancel = cancel; }

 private:
  const CancelToken* m_cancel = nullptr;
  // The digest the last update reply asked the package to have (64 hex
  // digits), empty when it named none.
  std::string m_expectedDigest;
};

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" of a fresh GUID.
std::string makeGuidString();

// The updater's command line: "updater" -f "package" -p "install dir", each
// path quoted whole, the folder without trailing separators (a "\" before
// the closing quote would escape it). Empty when no such line can be made: a
// path that is empty, holds a quote, ends in a separator or leaves a bare
// drive, or a line too long for CreateProcess. Never cut.
std::string buildUpdaterCommandLine(const std::string& updaterPath, const std::string& packagePath,
                                    const std::string& installDir);

}  // namespace tavrin
