#include "install_dir.h"

#include <windows.h>

#include <vector>

#include "path_join.h"
#include "text_convert.h"

namespace tavrin {

namespace {

std::wstring upperCase(const std::string& ansi) {
  std::wstring wide = ansiToWide(ansi);
  if (!wide.empty()) ::CharUpperBuffW(&wide[0], static_cast<DWORD>(wide.size()));
  return wide;
}

}  // namespace

bool sameFolder(const std::string& a, const std::string& b) {
  return upperCase(withoutTrailingSeparators(a)) == upperCase(withoutTrailingSeparators(b));
}

bool isInstallationFolder(const std::string& folder, const std::string& recordedInstallPath) {
  std::string stripped = withoutTrailingSeparators(folder);
  if (stripped.empty()) return false;
  if (!withoutTrailingSeparators(recordedInstallPath).empty() && sameFolder(stripped, recordedInstallPath)) {
    return true;
  }
  std::string browser = stripped + "\\tavrin.exe";
  if (browser.size() >= kPathBufferSize) return false;  // cut, it would name another file
  DWORD attributes = ::GetFileAttributesA(browser.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace tavrin
