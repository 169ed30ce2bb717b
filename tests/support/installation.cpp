#include "installation.h"

#include <windows.h>

#include "text_convert.h"

namespace tavrin::test {

std::string standInBrowser(const std::string& version) {
  if (version == "1.0.0.1") return binDir() + "\\tavrin.exe";
  return binDir() + "\\browser-" + version + "\\tavrin.exe";
}

Installation::Installation(const std::string& browserVersion, const std::string& label)
    : m_root(label), m_localAppDataEnv("LOCALAPPDATA", m_localAppData.path().c_str()) {
  copyFile(binDir() + "\\TavrinLauncher.exe", launcher());
  copyFile(standInBrowser(browserVersion), browser());
  m_record.setString("installpath", dir());
  m_record.setString("channel", "gw");
  m_record.setString("version", browserVersion);
}

std::string Installation::dataDir() const { return m_localAppData.path() + "\\Halvex\\tavrin\\launcher"; }

bool Installation::setBrowserVersion(const std::string& version) {
  return copyFile(standInBrowser(version), browser()) && m_record.setString("version", version);
}

bool Installation::addUpdater() {
  ::CreateDirectoryW(utf8ToWide(file("update")).c_str(), nullptr);
  return copyFile(binDir() + "\\Mirup.exe", file("update\\Mirup.exe"));
}

bool Installation::removeBrowser() { return removeTree(browser()); }

}  // namespace tavrin::test
