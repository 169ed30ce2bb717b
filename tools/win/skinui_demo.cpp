// A skinned window for the framework's windowed tests: the uninstaller's skin
// and layout with a drop shadow, its notifications written to a log file.
//
//   skinui_demo.exe [--log FILE] [--pos X,Y] [--target X,Y,W,H] [--layout NAME] [--no-shadow]
//
// --target first opens a plain window that logs the clicks it receives (to
// check that clicks on the shadow go through). Keys: 0, 1, 2 select a page;
// P logs the window's and the shadow's rectangles; Escape closes (the
// framework's default). The log has one line per event:
//   ready X Y W H | click NAME CHECKED | tabselect NEW OLD | pos X Y W H (also on every move)
//   | shadow X Y W H VISIBLE | moved X Y (end of a drag) | target-click X Y | closed
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <memory>
#include <string>

#include "container.h"
#include "handles.h"
#include "label.h"
#include "skin_resources.h"
#include "text_convert.h"
#include "window_impl_base.h"
#include "window_shadow.h"

using namespace SkinUI;

namespace {

tavrin::UniqueCFile g_log;

void LogLine(const std::string& line) {
  if (!g_log) return;
  std::fprintf(g_log.get(), "%s\n", line.c_str());
  std::fflush(g_log.get());
}

std::string Narrow(const std::wstring& text) { return tavrin::wideToUtf8(text); }

std::string RectText(HWND window) {
  RECT r{};
  ::GetWindowRect(window, &r);
  char text[96];
  std::snprintf(text, sizeof(text), "%ld %ld %ld %ld", r.left, r.top, r.right - r.left, r.bottom - r.top);
  return text;
}

struct Options {
  std::wstring layout = L"UninstDlg.xml";
  bool shadow = true;
  int x = 100, y = 100;
  bool target = false;
  RECT targetRect{};
};

class DemoWindow : public WindowImplBase {
 public:
  explicit DemoWindow(const Options& options) : m_options(options) {}

  LPCWSTR GetWindowClassName() const override { return L"SkinDemoWnd"; }

  void OnFinalMessage(HWND hWnd) override {
    WindowImplBase::OnFinalMessage(hWnd);
    LogLine("closed");
    ::PostQuitMessage(0);
  }

  void InitWindow() override {
    if (m_options.shadow) {
      m_shadow = std::make_unique<CWindowShadow>();
      m_shadow->Create(m_hWnd);
      RECT widths{16, 16, 16, 16};
      RECT holes{0, 0, 0, 0};
      m_shadow->SetImage(L"shadow.png", widths, holes);
    }
    auto* progress = static_cast<CProgressUI*>(FindControl(L"uninstProgress"));
    auto* status = static_cast<CLabelUI*>(FindControl(L"txtStatus"));
    if (progress != nullptr) progress->SetValue(0);
    if (status != nullptr) status->SetText(L"等待卸载...");
  }

  void Notify(TNotifyUI& msg) override {
    if (msg.sType == L"tabselect") {
      LogLine("tabselect " + std::to_string(msg.wParam) + " " + std::to_string(msg.lParam));
    }
    WindowImplBase::Notify(msg);
  }

  void OnClick(TNotifyUI& msg) override {
    std::wstring name = msg.pSender->GetName();
    auto* check = dynamic_cast<CCheckBoxUI*>(msg.pSender);
    LogLine("click " + Narrow(name) + " " + (check == nullptr ? "-" : (check->GetCheck() ? "1" : "0")));
    if (name == L"btnUnInstall") {
      SelectPage(1);
      if (auto* progress = static_cast<CProgressUI*>(FindControl(L"uninstProgress"))) progress->SetValue(37);
    } else if (name == L"closeBtn" || name == L"btnOver") {
      Close(1);
    }
  }

  LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override {
    if (uMsg == WM_KEYDOWN && wParam >= '0' && wParam <= '2') {
      SelectPage(static_cast<int>(wParam - '0'));
      bHandled = true;
      return 0;
    }
    if (uMsg == WM_KEYDOWN && wParam == 'P') {
      LogLine("pos " + RectText(m_hWnd));
      if (m_shadow && ::IsWindow(m_shadow->GetShadowWindow())) {
        LogLine("shadow " + RectText(m_shadow->GetShadowWindow()) + " " +
                (::IsWindowVisible(m_shadow->GetShadowWindow()) ? "1" : "0"));
      }
      bHandled = true;
      return 0;
    }
    if (uMsg == WM_MOVE) LogLine("pos " + RectText(m_hWnd));
    if (uMsg == WM_EXITSIZEMOVE) {
      RECT r{};
      ::GetWindowRect(m_hWnd, &r);
      LogLine("moved " + std::to_string(r.left) + " " + std::to_string(r.top));
    }
    return WindowImplBase::MessageHandler(uMsg, wParam, lParam, bHandled);
  }

 protected:
  std::wstring GetSkinFolder() override { return L"UninstSkin\\"; }
  std::wstring GetSkinFile() override { return m_options.layout; }
  SkinResourceType GetResourceType() const override { return kSkinZipResource; }
  UINT GetResourceID() const override { return 103; }

 private:
  void SelectPage(int page) {
    if (auto* tab = static_cast<CTabLayoutUI*>(FindControl(L"mainTab"))) tab->SelectItem(page);
  }

  Options m_options;
  std::unique_ptr<CWindowShadow> m_shadow;
};

LRESULT CALLBACK TargetProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  if (uMsg == WM_LBUTTONDOWN) {
    LogLine("target-click " + std::to_string(static_cast<short>(LOWORD(lParam))) + " " +
            std::to_string(static_cast<short>(HIWORD(lParam))));
    return 0;
  }
  return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

HWND CreateTarget(HINSTANCE instance, const RECT& r) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = TargetProc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = L"SkinDemoTarget";
  ::RegisterClassExW(&wc);
  return ::CreateWindowExW(0, L"SkinDemoTarget", L"target", WS_POPUP | WS_VISIBLE, r.left, r.top, r.right, r.bottom,
                           nullptr, nullptr, instance, nullptr);
}

Options ParseOptions(int argc, wchar_t** argv) {
  Options options;
  for (int i = 1; i + 1 < argc; ++i) {
    std::wstring name = argv[i];
    std::wstring value = argv[i + 1];
    if (name == L"--log") {
      g_log.reset(_wfopen(value.c_str(), L"a"));
      ++i;
    } else if (name == L"--pos") {
      std::swscanf(value.c_str(), L"%d,%d", &options.x, &options.y);
      ++i;
    } else if (name == L"--target") {
      long x = 0, y = 0, w = 0, h = 0;
      std::swscanf(value.c_str(), L"%ld,%ld,%ld,%ld", &x, &y, &w, &h);
      options.target = true;
      options.targetRect = {x, y, w, h};
      ++i;
    } else if (name == L"--layout") {
      options.layout = value;
      ++i;
    }
  }
  for (int i = 1; i < argc; ++i) {
    if (std::wstring(argv[i]) == L"--no-shadow") options.shadow = false;
  }
  return options;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  int argc = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  tavrin::UniqueLocalMemory argvOwner(argv);
  Options options = ParseOptions(argc, argv);

  CSkinResources::SetInstance(instance);
  CWindowShadow::Initialize(instance);
  if (options.target) CreateTarget(instance, options.targetRect);

  auto* window = new DemoWindow(options);  // lives until the process ends
  if (window->Create(nullptr, L"皮肤演示窗口", WS_VISIBLE | WS_OVERLAPPEDWINDOW, WS_EX_STATICEDGE | WS_EX_APPWINDOW, 0,
                     0, 710, 470) == nullptr) {
    return 2;
  }
  ::SetWindowPos(window->GetHWND(), nullptr, options.x, options.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ::ShowWindow(window->GetHWND(), SW_SHOW);
  LogLine("ready " + RectText(window->GetHWND()));
  CWindowWnd::MessageLoop();
  g_log.reset();
  return 0;
}
