// What the uninstaller window tests share: an installation laid out as the
// installer leaves it (with uninst.exe in it), the uninstaller running as a
// debuggee with its window on the test display, the layout's coordinates,
// and telling the pages apart on a screenshot.
#pragma once

#include <windows.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "debuggee.h"
#include "handles.h"
#include "host_desktop.h"
#include "test_env.h"
#include "uninst_fixture.h"

namespace tavrin::test {

// UninstDlg.xml in window coordinates (the pages start at 1,1).
namespace uninst_layout {
constexpr int kWidth = 740;
constexpr int kHeight = 400;
constexpr POINT kUninstallButton{301, 248};
constexpr POINT kCancelButton{441, 248};
constexpr POINT kClearUserDataBox{33, 348};  // the box image lies at 26,341-40,355
constexpr POINT kCloseButton{710, 30};
constexpr POINT kOverButton{371, 248};
constexpr POINT kEmptySpot{100, 310};  // background on every page, below the caption band
constexpr RECT kStatusLabel{251, 199, 491, 219};
constexpr RECT kProgressBar{71, 251, 671, 275};
constexpr int kProgressRow = 263;
}  // namespace uninst_layout

// The uninstaller of the test build.
std::string uninstallerProgram();
// Where screenshots are kept (a Unix path).
std::string artefactsDir();

// Top-level windows with exactly this title.
std::vector<HWND> windowsTitled(const std::wstring& title);

bool isWhite(const Rgb& p);
bool isBlue(const Rgb& p);
bool isProgressTrack(const Rgb& p);

enum class Page { Unknown = -1, Confirm = 0, Progress = 1, Finish = 2 };
const char* pageName(Page page);
// The page a screenshot of the window at `origin` shows (pointer off the buttons).
Page pageIn(const ScreenShot& shot, POINT origin);
// Blue pixels along the middle row of the progress bar.
int progressFill(const ScreenShot& shot, POINT origin);

// A real .lnk pointing at `target`.
bool makeShortcut(const std::string& linkPath, const std::string& target);

// The product as the installer leaves it (InstallationToRemove with the
// uninstaller of the test build, "config.ini" when a machine id is given),
// the user data folder, and desktop, Quick Launch and start-menu shortcuts
// named after the display name. What the prefix had at those places is put
// aside and comes back afterwards.
class InstalledProduct {
 public:
  // An empty `appName` leaves the value "appname" out.
  InstalledProduct(const std::string& appName, const std::string& configMachineId);
  ~InstalledProduct();
  InstalledProduct(const InstalledProduct&) = delete;
  InstalledProduct& operator=(const InstalledProduct&) = delete;

  const std::string& dir() const { return m_install.dir(); }
  std::string file(const std::string& name) const { return m_install.file(name); }
  std::string uninstaller() const { return m_install.uninstaller(); }
  InstallRecord& record() { return m_install.record(); }
  // The name shortcuts and the window title are made from.
  const std::string& displayName() const { return m_displayName; }
  std::wstring windowTitle() const;
  // %LOCALAPPDATA%\Halvex\tavrin of the prefix.
  std::string userDataDir() const { return m_vendorFolder + "\\tavrin"; }
  const std::vector<std::string>& shortcuts() const { return m_shortcuts; }
  const std::string& startMenuGroup() const { return m_group; }
  // Entries left in the install directory.
  std::vector<std::string> remainingFiles() const { return m_install.remainingFiles(); }
  bool ready() const { return m_ready; }

 private:
  bool layOut(const std::string& configMachineId);

  std::vector<std::unique_ptr<SetAside>> m_setAside;
  InstallationToRemove m_install;
  std::string m_displayName;
  std::string m_vendorFolder;
  std::string m_group;
  std::vector<std::string> m_shortcuts;
  bool m_ready = false;
};

// The uninstaller started as a person starts it, as a debuggee (its log
// lines and exit code are collected), with its window on the test display.
class RunningUninstaller {
 public:
  RunningUninstaller(const std::string& program, const std::wstring& title);
  ~RunningUninstaller();
  RunningUninstaller(const RunningUninstaller&) = delete;
  RunningUninstaller& operator=(const RunningUninstaller&) = delete;

  // The window is shown, centred and painted.
  bool windowUp() const { return m_window != nullptr; }
  HWND window() const { return m_window; }
  POINT origin() const { return m_origin; }
  POINT at(POINT control) const { return {m_origin.x + control.x, m_origin.y + control.y}; }

  bool click(POINT control) const;
  // Gives the window the keyboard (a click on the background), then the chord.
  bool press(const std::string& chord) const;
  // The window and a margin around it; kept as artefactsDir()/name when named.
  ScreenShot shot(const std::string& name = std::string()) const;
  Page page() const;
  bool waitForPage(Page page, std::chrono::milliseconds timeout) const;

  bool running() const;
  // Waits for the end of the process.
  DebuggeeResult finish(std::chrono::milliseconds timeout = std::chrono::seconds(60));
  std::vector<std::string> logSoFar();

 private:
  DebuggeeRun m_run;
  UniqueHandle m_process;
  HWND m_window = nullptr;
  POINT m_origin{};
};

// The skin framework of this process: its instance and the shadow class, once.
void prepareSkinFramework();

// The status label of the progress page reading "等待卸载...", drawn by a
// CUninstDlg made in this process: RGB rows, like ScreenShot::region. Empty
// when the window could not be made.
std::vector<uint8_t> referenceStatusPixels();

bool containsInOrder(const std::vector<std::string>& lines, const std::vector<std::string>& wanted);

}  // namespace tavrin::test
