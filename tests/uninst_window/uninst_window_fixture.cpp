#include "uninst_window_fixture.h"

#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "argb_section.h"
#include "com_handles.h"
#include "skin_resources.h"
#include "uninst_dlg.h"
#include "window_shadow.h"
#include "text_convert.h"

#ifndef TAVRIN_UNINST_WINDOW_ARTEFACTS
#error "TAVRIN_UNINST_WINDOW_ARTEFACTS must name the folder for screenshots (a Unix path)"
#endif

namespace tavrin::test {

using namespace std::chrono_literals;

namespace {

constexpr int kShotMargin = 24;
constexpr DWORD kUninstallerTimeoutMs = 180000;

bool closeTo(const Rgb& p, int r, int g, int b, int tolerance) {
  return std::abs(p.r - r) <= tolerance && std::abs(p.g - g) <= tolerance && std::abs(p.b - b) <= tolerance;
}

BOOL CALLBACK collectTitled(HWND window, LPARAM param) {
  auto* wanted = reinterpret_cast<std::pair<std::wstring, std::vector<HWND>>*>(param);
  wchar_t title[512] = {};
  ::GetWindowTextW(window, title, 512);
  if (wanted->first == title) wanted->second.push_back(window);
  return TRUE;
}

}  // namespace

std::string uninstallerProgram() { return binDir() + "\\uninst.exe"; }

std::string artefactsDir() { return TAVRIN_UNINST_WINDOW_ARTEFACTS; }

std::vector<HWND> windowsTitled(const std::wstring& title) {
  std::pair<std::wstring, std::vector<HWND>> wanted{title, {}};
  ::EnumWindows(collectTitled, reinterpret_cast<LPARAM>(&wanted));
  return wanted.second;
}

bool isWhite(const Rgb& p) { return std::min({p.r, p.g, p.b}) >= 245; }
bool isBlue(const Rgb& p) { return p.b > 200 && p.r < 110; }
bool isProgressTrack(const Rgb& p) { return closeTo(p, 0xE2, 0xE6, 0xEC, 6); }

const char* pageName(Page page) {
  switch (page) {
    case Page::Confirm:
      return "confirmation";
    case Page::Progress:
      return "progress";
    case Page::Finish:
      return "finish";
    default:
      return "unknown";
  }
}

Page pageIn(const ScreenShot& shot, POINT origin) {
  if (!shot.valid()) return Page::Unknown;
  // btnCancel (381-501) lies only on the confirmation page; btnOver (311-431)
  // only on the finish page; the bar (71-671 x 251-275) only on the progress page.
  const Rgb cancelFace = shot.pixel(origin.x + 450, origin.y + 240);
  const Rgb overFace = shot.pixel(origin.x + 400, origin.y + 240);
  const Rgb barMiddle = shot.pixel(origin.x + 371, origin.y + uninst_layout::kProgressRow);
  if (isWhite(cancelFace)) return Page::Confirm;
  if (isWhite(overFace)) return Page::Finish;
  if (isProgressTrack(barMiddle) || isBlue(barMiddle)) return Page::Progress;
  return Page::Unknown;
}

int progressFill(const ScreenShot& shot, POINT origin) {
  const RECT& bar = uninst_layout::kProgressBar;
  const int row = origin.y + uninst_layout::kProgressRow;
  return shot.count({origin.x + bar.left, row, origin.x + bar.right, row + 1}, isBlue);
}

bool makeShortcut(const std::string& linkPath, const std::string& target) {
  tavrin::ComApartment com = tavrin::enteredComApartment(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  tavrin::ComPtr<IShellLinkW> link;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(link.receive())))) {
    return false;
  }
  link.get()->SetPath(utf8ToWide(target).c_str());
  tavrin::ComPtr<IPersistFile> file;
  if (FAILED(link.get()->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.receive())))) return false;
  size_t separator = linkPath.rfind('\\');
  if (separator != std::string::npos) makeFolders(linkPath.substr(0, separator));
  return SUCCEEDED(file.get()->Save(utf8ToWide(linkPath).c_str(), TRUE)) && pathExists(linkPath);
}

// --- the installed product --------------------------------------------------

InstalledProduct::InstalledProduct(const std::string& appName, const std::string& configMachineId)
    : m_install(uninstallerProgram(), appName), m_displayName(appName.empty() ? "塔文浏览器" : appName) {
  m_ready = m_install.ready() && layOut(configMachineId);
}

InstalledProduct::~InstalledProduct() {
  endAllStandIns();
  // The folders put aside come back in the reverse order.
  while (!m_setAside.empty()) m_setAside.pop_back();
}

bool InstalledProduct::layOut(const std::string& configMachineId) {
  m_vendorFolder = specialFolder(CSIDL_LOCAL_APPDATA) + "\\Halvex";
  const std::string desktopLink = specialFolder(CSIDL_DESKTOPDIRECTORY) + "\\" + m_displayName + ".lnk";
  const std::string quickLaunchLink =
      specialFolder(CSIDL_APPDATA) + "\\Microsoft\\Internet Explorer\\Quick Launch\\" + m_displayName + ".lnk";
  m_group = specialFolder(CSIDL_COMMON_STARTMENU) + "\\Programs\\" + m_displayName;
  for (const std::string& path : {m_vendorFolder, desktopLink, quickLaunchLink, m_group}) {
    m_setAside.push_back(std::make_unique<SetAside>(path));
  }

  if (!configMachineId.empty() && !makeFile(file("config.ini"), "[MACHINE]\r\nMachineId=" + configMachineId + "\r\n")) {
    return false;
  }

  // The user's data and the shortcuts.
  if (!makeFile(userDataDir() + "\\launcher\\setting.tsc", "{}")) return false;
  if (!makeFile(userDataDir() + "\\User Data\\Default\\Bookmarks", "{}")) return false;
  const std::string launcher = file("TavrinLauncher.exe");
  if (!makeShortcut(desktopLink, launcher) || !makeShortcut(quickLaunchLink, launcher)) return false;
  if (!makeShortcut(m_group + "\\" + m_displayName + ".lnk", launcher)) return false;
  if (!makeShortcut(m_group + "\\卸载" + m_displayName + ".lnk", uninstaller())) return false;
  m_shortcuts = {desktopLink, quickLaunchLink, m_group + "\\" + m_displayName + ".lnk"};
  return true;
}

std::wstring InstalledProduct::windowTitle() const { return utf8ToWide(m_displayName) + L"卸载程序"; }

// --- the running uninstaller ------------------------------------------------

RunningUninstaller::RunningUninstaller(const std::string& program, const std::wstring& title) {
  if (!m_run.start("\"" + program + "\"", std::string(), kUninstallerTimeoutMs)) return;
  m_process.reset(
      ::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, m_run.processId()));
  // Only a window of this process counts: an uninstaller of another test
  // that is still ending, or another program, may show the same title.
  HWND found = nullptr;
  waitUntil(
      [&] {
        found = nullptr;
        for (HWND window : windowsTitled(title)) {
          DWORD owner = 0;
          ::GetWindowThreadProcessId(window, &owner);
          if (owner == m_run.processId() && ::IsWindowVisible(window)) found = window;
        }
        return found != nullptr;
      },
      60s);
  if (found == nullptr) {
    std::printf("no visible window of the uninstaller (%zu titled alike)\n", windowsTitled(title).size());
    return;
  }
  // Created at 0,0, then centred on the work area of its monitor and shown:
  // wait until it rests there with the layout's size.
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  ::GetMonitorInfoW(::MonitorFromWindow(found, MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT& work = monitor.rcWork;
  const RECT centred{work.left + (work.right - work.left - uninst_layout::kWidth) / 2,
                     work.top + (work.bottom - work.top - uninst_layout::kHeight) / 2, 0, 0};
  RECT last{};
  waitUntil(
      [&] {
        ::GetWindowRect(found, &last);
        return last.left == centred.left && last.top == centred.top &&
               last.right - last.left == uninst_layout::kWidth && last.bottom - last.top == uninst_layout::kHeight;
      },
      20s);
  if (last.left != centred.left || last.top != centred.top) {
    std::printf("the window rests at %ld,%ld-%ld,%ld, not centred at %ld,%ld in the work area %ld,%ld-%ld,%ld\n",
                last.left, last.top, last.right, last.bottom, centred.left, centred.top, work.left, work.top,
                work.right, work.bottom);
    return;
  }
  std::this_thread::sleep_for(700ms);  // painted
  m_window = found;
  m_origin = {last.left, last.top};
}

RunningUninstaller::~RunningUninstaller() {
  if (running()) {
    ::TerminateProcess(m_process.get(), 99);
    ::WaitForSingleObject(m_process.get(), 10000);
  }
  m_run.wait();
}

bool RunningUninstaller::click(POINT control) const {
  POINT target = at(control);
  return clickAt(target.x, target.y);
}

bool RunningUninstaller::press(const std::string& chord) const {
  return click(uninst_layout::kEmptySpot) && pressKeys(chord);
}

ScreenShot RunningUninstaller::shot(const std::string& name) const {
  const int screenWidth = ::GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
  RECT area{std::max(0L, m_origin.x - kShotMargin), std::max(0L, m_origin.y - kShotMargin),
            std::min<LONG>(screenWidth, m_origin.x + uninst_layout::kWidth + kShotMargin),
            std::min<LONG>(screenHeight, m_origin.y + uninst_layout::kHeight + kShotMargin)};
  return ScreenShot::take(area, name.empty() ? std::string() : artefactsDir() + "/" + name);
}

Page RunningUninstaller::page() const { return pageIn(shot(), m_origin); }

bool RunningUninstaller::waitForPage(Page wanted, std::chrono::milliseconds timeout) const {
  return waitUntil([&] { return page() == wanted; }, timeout);
}

bool RunningUninstaller::running() const {
  return m_process && ::WaitForSingleObject(m_process.get(), 0) == WAIT_TIMEOUT;
}

DebuggeeResult RunningUninstaller::finish(std::chrono::milliseconds timeout) {
  if (m_process) ::WaitForSingleObject(m_process.get(), static_cast<DWORD>(timeout.count()));
  return m_run.wait();
}

std::vector<std::string> RunningUninstaller::logSoFar() {
  DebuggeeResult partial;
  partial.lines = m_run.linesSoFar();
  return uninstLogMessages(partial);
}

void prepareSkinFramework() {
  static const bool prepared = [] {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    SkinUI::CSkinResources::SetInstance(instance);
    SkinUI::CWindowShadow::Initialize(instance);
    return true;
  }();
  (void)prepared;
}

namespace {

std::vector<uint8_t> renderReferenceStatus() {
  prepareSkinFramework();
  auto* dlg = new uninst::CUninstDlg();  // deletes itself with its window
  HWND window = uninst::CreateUninstDlgWindow(*dlg);
  if (window == nullptr) return {};
  auto* tab = dynamic_cast<SkinUI::CTabLayoutUI*>(dlg->FindControl(L"mainTab"));
  auto* status = dynamic_cast<SkinUI::CLabelUI*>(dlg->FindControl(L"txtStatus"));
  if (tab == nullptr || status == nullptr) {
    ::DestroyWindow(window);
    return {};
  }
  tab->SelectItem(1);
  // Whatever the window put there itself: the reference is this text.
  status->SetText(L"等待卸载...");

  const int width = uninst_layout::kWidth;
  const int height = uninst_layout::kHeight;
  void* bits = nullptr;
  tavrin::UniqueBitmap section = SkinUI::CreateArgbSection(width, -height, &bits);
  tavrin::UniqueMemoryDc memoryDc(::CreateCompatibleDC(nullptr));
  std::vector<uint8_t> pixels;
  if (section && memoryDc && bits != nullptr) {
    tavrin::SelectedObject selected(memoryDc.get(), section.get());
    dlg->PaintTo(memoryDc.get(), {0, 0, width, height});
    const auto* bgra = static_cast<const uint8_t*>(bits);
    const RECT& label = uninst_layout::kStatusLabel;
    for (int y = label.top; y < label.bottom; ++y) {
      for (int x = label.left; x < label.right; ++x) {
        const uint8_t* p = bgra + (static_cast<size_t>(y) * width + x) * 4;
        pixels.insert(pixels.end(), {p[2], p[1], p[0]});
      }
    }
  }
  ::DestroyWindow(window);
  MSG quit = {};
  ::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);  // posted by the window's end
  return pixels;
}

}  // namespace

std::vector<uint8_t> referenceStatusPixels() {
  static const std::vector<uint8_t> pixels = renderReferenceStatus();  // drawn once per test program
  return pixels;
}

bool containsInOrder(const std::vector<std::string>& lines, const std::vector<std::string>& wanted) {
  auto at = lines.begin();
  for (const std::string& line : wanted) {
    at = std::find(at, lines.end(), line);
    if (at == lines.end()) return false;
    ++at;
  }
  return true;
}

}  // namespace tavrin::test
