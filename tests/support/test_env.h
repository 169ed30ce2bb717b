// Fixtures shared by the Windows test programs: folders, files, the
// installation record in the registry, the stand-in browser's run log.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "handles.h"

namespace tavrin::test {

// Folder of the running test program (the build's bin folder, which also
// holds the programs under test and the stand-ins). No trailing backslash.
std::string binDir();

// A fresh folder under the temporary folder, removed with everything in it
// when the object goes. `label` becomes part of the name (may hold blanks).
class TempDir {
 public:
  explicit TempDir(const std::string& label = "tavrin test");
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return m_path; }
  std::string file(const std::string& name) const { return m_path + "\\" + name; }

 private:
  std::string m_path;
};

// The temporary folder of this process, without its trailing backslash.
std::string tempFolder();

// Recursive removal of a file or folder (UTF-8 path); true when it is gone.
bool removeTree(const std::string& path);
bool pathExists(const std::string& path);
bool writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);
bool copyFile(const std::string& from, const std::string& to);

// HKEY_LOCAL_MACHINE\SOFTWARE\tavrin in the 32-bit view, as the programs see it.
class InstallRecord {
 public:
  InstallRecord();   // starts from no key at all
  ~InstallRecord();  // removes the key again
  bool setString(const std::string& name, const std::string& value, DWORD type = REG_SZ);
  bool setBytes(const std::string& name, const std::vector<BYTE>& bytes, DWORD type);
  bool setDword(const std::string& name, DWORD value);
  static bool removeKey();
  static bool keyExists();
};

// Sets an environment variable for this process and its children; the old
// value comes back when the object goes.
class ScopedEnv {
 public:
  ScopedEnv(const std::string& name, const char* value);  // null value: unset
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string m_name;
  bool m_hadValue = false;
  std::string m_oldValue;
};

// Polls until `done` holds or the time is up; returns the last outcome.
bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

// The stand-in browser's run log: one JSON record per start.
class StandInLog {
 public:
  StandInLog();  // a fresh log file, named in TAVRIN_STANDIN_LOG for children
  ~StandInLog();
  std::vector<nlohmann::json> runs() const;
  bool waitForRuns(size_t count, std::chrono::milliseconds timeout) const;
  const std::string& path() const { return m_path; }

 private:
  TempDir m_dir{"standin log"};
  std::string m_path;
  ScopedEnv m_env;
};

// Asks every running stand-in browser to end (the "TavrinStandInQuit"
// event), waits until none is left, then clears the request.
void endAllStandIns();

// The ids of the running processes with this executable name (case ignored).
std::vector<DWORD> processIdsNamed(const std::string& exeName);

// Number of running processes with this executable name (case ignored).
int countProcesses(const std::string& exeName);

// Starts a program without waiting; owns its process handle (empty on failure).
tavrin::UniqueHandle startProgram(const std::string& commandLine, const std::string& workDir = std::string());

}  // namespace tavrin::test
