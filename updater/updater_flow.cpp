#include "updater_flow.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "debug_log.h"
#include "file_probe.h"
#include "handles.h"
#include "install_dir.h"
#include "install_probe.h"
#include "install_version.h"
#include "module_dir.h"
#include "path_join.h"
#include "shell_file_op.h"
#include "process_probe.h"
#include "relaunch.h"
#include "text_convert.h"
#include "uninstaller_probe.h"
#include "updater_arguments.h"
#include "version_text.h"
#include "zip_manager.h"

namespace tavrin {

namespace {

constexpr DWORD kSettleDelayMs = 500;

// What keeps the updater from touching the installation.
enum class Obstacle { None, Other, InstallationUninstaller };

// Nothing is touched while another updater, the browser or its helper runs,
// nor while the uninstaller of this installation runs; an "uninst.exe" of
// another product does not count.
Obstacle findObstacle(const std::string& installDir) {
  UniqueHandle existing(::OpenEventA(EVENT_ALL_ACCESS, FALSE, kUpdaterEventName));
  if (existing) return Obstacle::Other;
  for (const char* program : {"tavrin.exe", "tavrin_proxy.exe"}) {
    if (isProcessRunning(program)) return Obstacle::Other;
  }
  return installationUninstallerRuns(installDir) ? Obstacle::InstallationUninstaller : Obstacle::None;
}

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
  return zip.open(archive.c_str(), kPackagePassword) && zip.setDestination(destination.c_str()) && zip.extractAll();
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

// Every run that the launcher handed a package to ends by starting the
// launcher again (it deletes this updater's folder and starts the browser),
// whether the package was applied or not; without an installation there is
// no launcher to start.
void relaunchLauncher(const std::string& installDir) {
  if (installDir.empty()) return;
  startLauncher(formatRelaunchCommand(installDir, getModuleDir()));
}

// Records the version of the new browser and removes the folder of the
// version it replaced; false (registry and folders untouched) when the new
// browser carries no version (the launcher is started again all the same).
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

// Where the package goes: "-p" is taken without trailing separators, and only
// when it names the installation; otherwise the recorded install path is the
// installation.
struct InstallDirChoice {
  std::string dir;
  bool given = false;    // "-p" named a folder
  bool refused = false;  // ... that is not the installation
};

InstallDirChoice chooseInstallDir(const std::string& argument) {
  InstallDirChoice choice;
  std::string recorded = withoutTrailingSeparators(readInstallValue("installpath"));
  std::string given = withoutTrailingSeparators(argument);
  choice.given = !given.empty();
  choice.refused = choice.given && !isInstallationFolder(given, recorded);
  choice.dir = !choice.given || choice.refused ? recorded : given;
  return choice;
}

// Applies the package under the updater's event and starts the launcher
// again, whatever became of the package.
void applyAndRelaunch(const std::string& archivePath, const std::string& installDir, bool createInstallDir) {
  UniqueHandle event(::CreateEventA(nullptr, FALSE, FALSE, kUpdaterEventName));
  if (!event) {
    debugLog("create event failed, err: %u", static_cast<unsigned>(::GetLastError()));
    // The name stays taken by something else: a package kept here would be
    // handed over again at every start of the launcher, each time in vain.
    deletePackage(archivePath);
    relaunchLauncher(installDir);
    return;
  }
  if (installDir.empty()) {
    debugLog("install path [%s] not found", installDir.c_str());
    return;
  }
  if (createInstallDir) makeDirTree(installDir);
  ::Sleep(kSettleDelayMs);

  if (!extractPackage(archivePath, installDir)) {
    debugLog("unzip file [%s] to install path [%s] failed", archivePath.c_str(), installDir.c_str());
    // A package that cannot be applied would be handed over at every start
    // and the browser would never start again: it goes (the launcher
    // downloads it afresh) and the launcher runs as after an update.
    deletePackage(archivePath);
    event.reset();
    relaunchLauncher(installDir);
    return;
  }
  deletePackage(archivePath);
  recordNewVersion(installDir);
  // The event goes before the launcher starts, so that nothing the launcher
  // starts takes this updater for one still at work.
  event.reset();
  relaunchLauncher(installDir);
}

}  // namespace

int runUpdater(int argc, char** argv) {
  if (argc < 3) return 0;
  UpdaterArguments arguments = scanUpdaterArguments(argc, argv);
  if (arguments.archivePath.empty()) return 0;
  const InstallDirChoice installDir = chooseInstallDir(arguments.installDir);

  Obstacle obstacle = findObstacle(installDir.dir);
  if (obstacle == Obstacle::InstallationUninstaller) return 0;  // the installation is going away
  if (obstacle == Obstacle::Other) {
    relaunchLauncher(installDir.dir);
    return 0;
  }
  if (installDir.refused) {
    debugLog("install dir refused: %s", arguments.installDir.c_str());
    // As after a failed apply: the package goes, so that the launcher does
    // not hand it over again with the same command line.
    deletePackage(arguments.archivePath);
    relaunchLauncher(installDir.dir);
    return 0;
  }
  if (!ansiPathExists(arguments.archivePath)) {
    debugLog("zip file [%s] not found", arguments.archivePath.c_str());
    relaunchLauncher(installDir.dir);
    return 0;
  }
  applyAndRelaunch(arguments.archivePath, installDir.dir, !installDir.given);
  return 0;
}

}  // namespace tavrin
