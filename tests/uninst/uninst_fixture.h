// What the uninstaller engine tests share: the driver program, the log
// lines it writes to the debugger output, its progress records, and
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

}  // namespace tavrin::test
