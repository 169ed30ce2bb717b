#include "install_probe.h"

#include <windows.h>

#include <shlobj.h>

#include <cctype>
#include <cstdlib>
#include <vector>

#include "file_probe.h"
#include "handles.h"
#include "path_join.h"
#include "registry_key.h"
#include "registry_view.h"
#include "text_convert.h"

namespace tavrin {

namespace {

constexpr DWORD kValueBufferSize = 1025;

std::string currentDirectory() {
  char buffer[MAX_PATH] = {};
  DWORD length = ::GetCurrentDirectoryA(MAX_PATH, buffer);
  if (length == 0 || length >= MAX_PATH) return std::string();
  return std::string(buffer);
}

}  // namespace

std::string readInstallValue(const std::string& valueName) {
  return RegistryKey::openForReading(kInstallKeyPathW).readAnsiText(valueName.c_str(), kValueBufferSize);
}

std::string getInstallDir() {
  std::string dir = readInstallValue("installpath");
  return dir.empty() ? currentDirectory() : dir;
}

std::string getChannel() {
  std::string channel = readInstallValue("channel");
  return channel.empty() ? std::string("gw") : channel;
}

std::string getBrand() { return "vensa"; }

std::string getInstalledVersion() {
  std::string version = readInstallValue("version");
  if (!version.empty()) return version;
  std::string browser = joinPath(currentDirectory(), "tavrin.exe");
  if (!ansiPathExists(browser)) return std::string();
  return getFileVersion(browser);
}

std::string getFileVersion(const std::string& path) {
  if (path.empty()) return std::string();
  DWORD ignored = 0;
  DWORD size = ::GetFileVersionInfoSizeA(path.c_str(), &ignored);
  if (size == 0) return std::string();
  std::vector<char> block(size, '\0');
  if (!::GetFileVersionInfoA(path.c_str(), 0, size, block.data())) return std::string();
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixedSize = 0;
  if (!::VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedSize) || fixed == nullptr ||
      fixedSize < sizeof(VS_FIXEDFILEINFO)) {
    return std::string();
  }
  return formatBounded(33, "%u.%u.%u.%u", static_cast<unsigned>(HIWORD(fixed->dwFileVersionMS)),
                       static_cast<unsigned>(LOWORD(fixed->dwFileVersionMS)),
                       static_cast<unsigned>(HIWORD(fixed->dwFileVersionLS)),
                       static_cast<unsigned>(LOWORD(fixed->dwFileVersionLS)));
}

namespace {

// "X:\..." or "\\server\...": a path that does not depend on the current
// drive or folder.
bool isAbsolutePath(const std::string& path) {
  const bool drive = path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
                     (path[2] == '\\' || path[2] == '/');
  const bool unc = path.size() >= 3 && path[0] == '\\' && path[1] == '\\' && path[2] != '\\';
  return drive || unc;
}

// The user's local application-data folder: the environment's, or, when the
// variable is missing or not an absolute path, the shell's (present on every
// Windows from XP on). Empty when neither gives one that the ANSI code page
// can name.
std::string localAppDataFolder() {
  const char* variable = std::getenv("LOCALAPPDATA");
  if (variable != nullptr && isAbsolutePath(variable)) return variable;
  wchar_t folder[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder))) {
    return std::string();
  }
  const std::string ansi = wideToAnsi(folder);
  return isAbsolutePath(ansi) && ansiToWide(ansi) == folder ? ansi : std::string();
}

}  // namespace

std::string getLauncherDataDir() {
  const std::string base = localAppDataFolder();
  if (base.empty()) return std::string();
  // Never cut: a cut path would name another folder.
  const std::string dir = base + "\\Halvex\\tavrin\\launcher";
  return dir.size() < kPathBufferSize ? dir : std::string();
}

}  // namespace tavrin
