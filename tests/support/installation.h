// An installation laid out as the installer would: an install directory
// (its name holds blanks) with the launcher and a stand-in browser of a
// chosen version, the registry record pointing at it, and a private local
// application-data folder for the launcher's files.
#pragma once

#include <string>

#include "test_env.h"

namespace tavrin::test {

// Path of the stand-in browser of a version built into the test build.
std::string standInBrowser(const std::string& version);

class Installation {
 public:
  explicit Installation(const std::string& browserVersion = "1.0.0.1", const std::string& label = "Tavrin Install");

  const std::string& dir() const { return m_root.path(); }
  std::string file(const std::string& name) const { return m_root.file(name); }
  std::string launcher() const { return file("TavrinLauncher.exe"); }
  std::string browser() const { return file("tavrin.exe"); }
  // %LOCALAPPDATA%\Halvex\tavrin\launcher, with LOCALAPPDATA redirected
  // to a folder of this installation for its lifetime.
  std::string dataDir() const;
  std::string dataFile(const std::string& name) const { return dataDir() + "\\" + name; }
  const std::string& localAppData() const { return m_localAppData.path(); }
  InstallRecord& record() { return m_record; }

  // Replaces the browser with the stand-in of another version.
  bool setBrowserVersion(const std::string& version);
  // Puts the updater into "update\Mirup.exe".
  bool addUpdater();
  bool removeBrowser();

 private:
  TempDir m_root;
  TempDir m_localAppData{"local app data"};
  ScopedEnv m_localAppDataEnv;
  InstallRecord m_record;
};

}  // namespace tavrin::test
