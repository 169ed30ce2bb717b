#include "updater_flow.h"

#include <windows.h>
#include <io.h>

#include <cstdio>
#include <string>

#include "debug_log.h"
#include "file_probe.h"
#include "handles.h"
#include "install_probe.h"
#include "install_version.h"
#include "module_dir.h"
#include "path_join.h"
#include "shell_file_op.h"
#include "process_probe.h"
#include "relaunch.h"
#include "text_convert.h"
#include "updater_arguments.h"
#include "version_text.h"
#include "zip_manager.h"

namespace tavrin {

namespace {

constexpr DWORD kSettleDelayMs = 500;

// Nothing is touched while another updater, the browser, its helper or the
// uninstaller runs; the launcher hands the package over again later.
bool somethingElseRuns() {
  UniqueHandle existing(::OpenEventA(EVENT_ALL_ACCESS, FALSE, kUpdaterEventName));
  if (existing) return true;
  for (const char* program : {"tavrin.exe", "tavrin_proxy.exe", "uninst.exe"}) {
    if (isProcessRunning(program)) return true;
  }
  return false;
}

bool fileExists(const std::string& path) { return ::_access(path.c_str(), 0) == 0; }

// The companions (recorded size and digest) first, then the archive; a
// failure changes nothing.
void deletePackage(const std::string& archivePath) {
  for (const char* companionFormat : {"%s.cfg", "%s.sha256"}) {
    std::string companion = formatBounded(kPathBufferSize, companionFormat, archivePath.c_str());
    std::remove(companion.c_str());
  }
  std::remove(archivePath.c_str());
}

// The command line and the registry give ANSI text, so the paths are
// converted from the ANSI code page. The archive is closed when the
// manager goes, before the package is deleted.
bool extractPackage(const std::string& archivePath, const std::string& installDir) {
  std::wstring archive = ansiToWide(archivePath);
  std::wstring destination = ansiToWide(installDir);
  CZipManager zip;
  return zip.open(archive.c_str(), kPackagePassword) && zip.setDestination(destination.c_str()) &&
         zip.extractAll();
}

// Empty when nothing is to be deleted: see shouldDeleteReplacedVersionFolder,
// and a path too long for its buffer would, cut, name another folder.
std::string replacedVersionFolder(const std::string& installDir, const std::string& oldVersion,
                                  const std::string& newVersion) {
  if (!shouldDeleteReplacedVersionFolder(oldVersion, newVersion)) return std::string();
  std::string folder = installDir + "\\" + oldVersion;
  return folder.size() < kPathBufferSize ? folder : std::string();
}

void deleteFolder(const std::string& folder) {
  if (!folder.empty()) shellDelete(folder);
}

void relaunchLauncher(const std::string& installDir) {
  startLauncher(formatRelaunchCommand(installDir, getModuleDir()));
}

// Records the version of the new browser and removes the folder of the
// version it replaced; false (registry and folders untouched) when the new
// browser carries no version.
bool recordNewVersion(const std::string& installDir) {
  std::string browser = joinPath(installDir, "tavrin.exe");
  std::string newVersion = getFileVersion(browser);
  if (newVersion.empty()) {
    debugLog("can not get version info from file: %s", browser.c_str());
    return false;
  }
  std::string oldFolder = replacedVersionFolder(installDir, readInstallValue("version"), newVersion);
  writeInstalledVersion(newVersion);
  deleteFolder(oldFolder);
  return true;
}

}  // namespace

int runUpdater(int argc, char** argv) {
  if (somethingElseRuns()) return 0;
  if (argc < 3) return 0;
  UpdaterArguments arguments = scanUpdaterArguments(argc, argv);
  if (arguments.archivePath.empty()) return 0;
  if (!fileExists(arguments.archivePath)) {
    debugLog("zip file [%s] not found", arguments.archivePath.c_str());
    return 0;
  }
  UniqueHandle event(::CreateEventA(nullptr, FALSE, FALSE, kUpdaterEventName));
  if (!event) {
    debugLog("create event failed, err: %u", static_cast<unsigned>(::GetLastError()));
    return 0;
  }
  std::string installDir = arguments.installDir;
  if (installDir.empty()) {
    installDir = readInstallValue("installpath");
    if (installDir.empty()) {
      debugLog("install path [%s] not found", installDir.c_str());
      return 0;
    }
    makeDirTree(installDir);
  }
  ::Sleep(kSettleDelayMs);

  if (!extractPackage(arguments.archivePath, installDir)) {
    debugLog("unzip file [%s] to install path [%s] failed", arguments.archivePath.c_str(), installDir.c_str());
    // A package that cannot be applied would be handed over at every start
    // and the browser would never start again: it goes (the launcher
    // downloads it afresh) and the launcher runs as after an update.
    deletePackage(arguments.archivePath);
    event.reset();
    relaunchLauncher(installDir);
    return 0;
  }
  deletePackage(arguments.archivePath);
  if (!recordNewVersion(installDir)) return 0;
  event.reset();
  relaunchLauncher(installDir);
  return 0;
}

}  // namespace tavrin
