// What the uninstaller engine and window tests share: the driver program,
// the log lines it writes to the debugger output, its progress records, an
// installation for it to remove, the self-deleting batch's folders, and
// putting aside what a test must not disturb in the prefix.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "debuggee.h"
#include "test_env.h"

namespace tavrin::test {

// The engine driver of the test build.
std::string uninstDriver();

// One line of the uninstaller's log: "[tid][stamp][TAG]message\n".
struct UninstLogLine {
  bool wellFormed = false;
  unsigned long threadId = 0;
  std::string stamp;
  std::string tag;
  std::string message;  // without the line feed
};

UninstLogLine parseUninstLogLine(const std::string& text);
// The log lines among a program's debugger output (other lines left out).
std::vector<UninstLogLine> uninstLogLines(const DebuggeeResult& result);
std::vector<std::string> uninstLogMessages(const DebuggeeResult& result);
// The engine's log lines from the first to step 100, with "DeleteCache" when
// the user data is cleared; the worker's exit line is not among them.
std::vector<std::string> expectedUninstallLog(bool clearUserData);
// The log messages of a finished run without the worker's last line, whose
// text carries its thread id (stored in `workerId` when given).
std::vector<std::string> withoutWorkerExitLine(std::vector<std::string> messages, unsigned long* workerId = nullptr);

// One WM_UNINST_PROGRESS record as the driver collected it.
struct ProgressRecord {
  int step = 0;
  int showText = 0;
  std::string text;
  unsigned long msSinceStart = 0;
};

struct DriverRecords {
  std::vector<ProgressRecord> progress;
  long elapsedMs = -1;
  std::vector<std::vector<std::string>> otherLines;  // split at tabs
};

DriverRecords readDriverRecords(const std::string& path);

// A special folder of the prefix (SHGetFolderPathW), UTF-8.
std::string specialFolder(int csidl);

// Moves an existing file or folder out of the way for the lifetime of the
// object and puts it back afterwards; whatever the test left at the path
// is removed first.
class SetAside {
 public:
  explicit SetAside(const std::string& path);
  ~SetAside();
  SetAside(const SetAside&) = delete;
  SetAside& operator=(const SetAside&) = delete;

 private:
  std::string m_path;
  std::string m_keptAt;
};

// A file with some bytes, folders made as needed.
bool makeFile(const std::string& path, const std::string& bytes = "x");
bool makeFolders(const std::string& path);

// Removal that also reaches below MAX_PATH ("\\?\" paths), for cleaning up.
bool removeTreeLong(const std::string& path);

// A folder link at `link` pointing at the folder `target`, which the file
// system reports with FILE_ATTRIBUTE_REPARSE_POINT. On Windows a directory
// symbolic link. Wine 8 answers CreateSymbolicLinkW with success but makes
// nothing and refuses FSCTL_SET_REPARSE_POINT (so no junction either); it
// shows a Unix symbolic link as a folder with the reparse-point attribute,
// so there the link is made by the system's "ln -s", which Wine starts like
// any program. False unless a reparse point is at `link` afterwards.
bool makeFolderLink(const std::string& link, const std::string& target);
// Removes such a link, never what it points at; true when it is gone.
bool removeFolderLink(const std::string& link);

// Registry keys below HKEY_LOCAL_MACHINE in the 32-bit view.
bool createKey(const std::string& path);
bool keyExists(const std::string& path);
bool deleteKeyTree(const std::string& path);

extern const char kUninstallEntry[];  // the product's entry in the list of installed programs

// The names in a folder, sorted ("." and ".." left out).
std::vector<std::string> folderEntries(const std::string& dir);

// The product's folder as the installer leaves it, with `uninstaller` copied
// in as uninst.exe: the launcher, the stand-in browser and its proxy, the
// updater and a version folder; the registry record (install path, version
// 1.0.0.1, the display name in the ANSI code page unless it is empty) and
// the uninstall entry. Its end ends the stand-ins and removes both keys.
class InstallationToRemove {
 public:
  InstallationToRemove(const std::string& uninstaller, const std::string& appName);
  ~InstallationToRemove();
  InstallationToRemove(const InstallationToRemove&) = delete;
  InstallationToRemove& operator=(const InstallationToRemove&) = delete;

  bool ready() const { return m_ready; }
  const std::string& dir() const { return m_root.path(); }
  std::string file(const std::string& name) const { return m_root.file(name); }
  std::string uninstaller() const { return file("uninst.exe"); }
  InstallRecord& record() { return m_record; }
  std::vector<std::string> remainingFiles() const { return folderEntries(dir()); }

 private:
  bool layOut(const std::string& uninstaller, const std::string& appName);

  TempDir m_root{"Tavrin Install"};
  InstallRecord m_record;
  bool m_ready = false;
};

// The folders of the self-deleting batch below the system's temporary
// folder (Windows\Temp\_uninstall_acc.*), full paths.
std::vector<std::string> batchFolders();

// The temporary folder of this process and its children redirected to a
// private one; the self-deleting batch goes into a folder of its own below
// the system's temporary folder.
class PrivateTemp {
 public:
  PrivateTemp();
  ~PrivateTemp();
  PrivateTemp(const PrivateTemp&) = delete;
  PrivateTemp& operator=(const PrivateTemp&) = delete;
  // A batch folder that was not there when this object was made.
  bool batchPresent() const;

 private:
  std::vector<std::string> m_before = batchFolders();
  TempDir m_dir{"uninst temp"};
  ScopedEnv m_tmp;
  ScopedEnv m_temp;
};

}  // namespace tavrin::test
