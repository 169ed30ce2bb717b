// CUninstDlg inside the test process: how it is created, what the progress
// records and the activation requests do to it, its keys and its closing by
// the system menu. The uninstall itself is never started here (this program's
// folder is not an installation to remove): the whole run is driven through
// uninst.exe copies in uninstall_window_test.cpp.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "dev_service.h"
#include "file_removal.h"
#include "single_instance.h"
#include "uninst_dlg.h"
#include "uninst_window_fixture.h"

namespace {

using namespace tavrin;
using namespace tavrin::test;
using namespace std::chrono_literals;

constexpr wchar_t kWaiting[] = L"等待卸载...";

// The window object deletes itself; this one tells the test when.
class ObservedDlg : public uninst::CUninstDlg {
 public:
  explicit ObservedDlg(bool* gone) : m_gone(gone) {}
  void OnFinalMessage(HWND hWnd) override {
    *m_gone = true;
    CUninstDlg::OnFinalMessage(hWnd);
  }

 private:
  bool* m_gone;
};

struct Pumped {
  bool quit = false;
  WPARAM quitCode = 0;
};

// Handles this thread's messages for a while; notes a WM_QUIT.
void pump(std::chrono::milliseconds time, Pumped* seen = nullptr) {
  auto end = std::chrono::steady_clock::now() + time;
  do {
    MSG msg = {};
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        if (seen != nullptr) {
          seen->quit = true;
          seen->quitCode = msg.wParam;
        }
        continue;
      }
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    std::this_thread::sleep_for(10ms);
  } while (std::chrono::steady_clock::now() < end);
}

template <typename Condition>
bool pumpUntil(Condition condition, std::chrono::milliseconds timeout, Pumped* seen = nullptr) {
  auto end = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= end) return condition();
    pump(20ms, seen);
  }
  return true;
}

// True when `upper` lies above `lower` in the z-order.
bool isAbove(HWND upper, HWND lower) {
  for (HWND h = ::GetWindow(upper, GW_HWNDNEXT); h != nullptr; h = ::GetWindow(h, GW_HWNDNEXT)) {
    if (h == lower) return true;
  }
  return false;
}

std::wstring windowText(HWND window) {
  wchar_t text[256] = {};
  ::GetWindowTextW(window, text, 256);
  return text;
}

std::wstring className(HWND window) {
  wchar_t name[256] = {};
  ::GetClassNameW(window, name, 256);
  return name;
}

LRESULT sendActivation(HWND window, WPARAM code, bool withData) {
  COPYDATASTRUCT data = {};
  return ::SendMessageW(window, WM_COPYDATA, code, withData ? reinterpret_cast<LPARAM>(&data) : 0);
}

void postRecord(HWND window, int step, int showText, const std::wstring& text) {
  auto record = std::make_unique<uninst::UninstProgress>();
  record->step = step;
  record->showText = showText;
  record->text = text;
  ASSERT_TRUE(uninst::PostProgressRecord(window, std::move(record)));
}

class UninstDlgInProcess : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { prepareSkinFramework(); }

  void TearDown() override {
    if (!m_gone && m_window != nullptr && ::IsWindow(m_window)) ::DestroyWindow(m_window);
    pumpUntil([this] { return m_gone; }, 20s);
    pump(50ms);  // the WM_QUIT of the window's end
  }

  bool open() {
    m_dlg = new ObservedDlg(&m_gone);
    m_window = uninst::CreateUninstDlgWindow(*m_dlg);
    pump(300ms);
    return m_window != nullptr;
  }

  template <typename Control>
  Control* control(const wchar_t* name) const {
    return dynamic_cast<Control*>(m_dlg->FindControl(name));
  }
  int progressValue() const { return control<SkinUI::CProgressUI>(L"uninstProgress")->GetValue(); }
  std::wstring statusText() const { return control<SkinUI::CLabelUI>(L"txtStatus")->GetText(); }
  int currentPage() const { return control<SkinUI::CTabLayoutUI>(L"mainTab")->GetCurSel(); }
  void selectPage(int page) const { control<SkinUI::CTabLayoutUI>(L"mainTab")->SelectItem(page); }

  InstallRecord m_record;
  PrivateTemp m_temp;
  ObservedDlg* m_dlg = nullptr;  // valid until m_gone
  HWND m_window = nullptr;
  bool m_gone = false;
};

TEST_F(UninstDlgInProcess, IsCreatedAsTheUninstallerWindow) {
  ASSERT_TRUE(m_record.setString("version_str", "3.1.4.1"));
  ASSERT_TRUE(m_record.setString("channel", "c9"));
  ASSERT_TRUE(m_record.setString("MachineId", "MID-1"));
  ASSERT_TRUE(open());

  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof(windowClass);
  ASSERT_TRUE(::GetClassInfoExW(::GetModuleHandleW(nullptr), L"UninstDlg", &windowClass));
  EXPECT_EQ(windowClass.style, static_cast<UINT>(CS_DBLCLKS));
  EXPECT_EQ(className(m_window), L"UninstDlg");
  EXPECT_EQ(windowText(m_window), L"塔文浏览器卸载程序");

  LONG_PTR style = ::GetWindowLongPtrW(m_window, GWL_STYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_MAXIMIZEBOX | WS_THICKFRAME), 0) << std::hex << style;
  EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_SYSMENU | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS),
            WS_MINIMIZEBOX | WS_SYSMENU | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS)
      << std::hex << style;
  LONG_PTR exStyle = ::GetWindowLongPtrW(m_window, GWL_EXSTYLE);
  EXPECT_EQ(exStyle & (WS_EX_STATICEDGE | WS_EX_APPWINDOW), WS_EX_STATICEDGE | WS_EX_APPWINDOW) << std::hex << exStyle;
  RECT rect = {};
  ::GetWindowRect(m_window, &rect);
  EXPECT_EQ(rect.right - rect.left, 740);
  EXPECT_EQ(rect.bottom - rect.top, 400);
  EXPECT_NE(::SendMessageW(m_window, WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_NE(::SendMessageW(m_window, WM_GETICON, ICON_SMALL, 0), 0);

  ASSERT_NE(m_dlg->GetShadow(), nullptr);
  HWND shadow = m_dlg->GetShadow()->GetShadowWindow();
  ASSERT_TRUE(::IsWindow(shadow));
  EXPECT_EQ(::GetWindow(shadow, GW_OWNER), m_window);
  EXPECT_EQ(className(shadow), L"SkinShadowWnd");

  EXPECT_EQ(progressValue(), 0) << "not the layout's 50";
  EXPECT_EQ(statusText(), kWaiting) << "not the layout's text";
  EXPECT_EQ(currentPage(), 0);
  EXPECT_FALSE(control<SkinUI::CCheckBoxUI>(L"ck_clear_user_data")->GetCheck());
  EXPECT_FALSE(m_dlg->IsFinished());

  EXPECT_EQ(m_dlg->VersionStr(), L"3.1.4.1");
  EXPECT_EQ(m_dlg->Channel(), L"c9");
  EXPECT_EQ(m_dlg->MachineId(), L"MID-1");
  EXPECT_EQ(m_dlg->Manager().InstallDir(), uninst::GetModuleDir());
  EXPECT_EQ(m_dlg->Manager().WorkerThread(), INVALID_HANDLE_VALUE) << "nothing starts before the click";

  m_dlg->Manager().PostProgress(42, L"删除文件");
  EXPECT_TRUE(pumpUntil([this] { return progressValue() == 42; }, 5s)) << "the engine's records reach this window";
}

TEST_F(UninstDlgInProcess, ProgressRecordsMoveOnlyTheBar) {
  ASSERT_TRUE(open());
  selectPage(1);
  postRecord(m_window, 5, 0, L"开始卸载");
  pump(200ms);
  EXPECT_EQ(progressValue(), 5);
  EXPECT_EQ(statusText(), kWaiting);
  postRecord(m_window, 60, 0, L"删除快捷方式");
  postRecord(m_window, 90, 0, L"删除文件");
  pump(200ms);
  EXPECT_EQ(progressValue(), 90);
  EXPECT_EQ(statusText(), kWaiting) << "records without the show-text flag leave the label";
  EXPECT_EQ(currentPage(), 1);
  EXPECT_FALSE(m_dlg->IsFinished());
}

TEST_F(UninstDlgInProcess, ARecordWithTheShowTextFlagSetsTheLabel) {
  ASSERT_TRUE(open());
  selectPage(1);
  postRecord(m_window, 37, 1, L"第三十七步");
  pump(200ms);
  EXPECT_EQ(progressValue(), 37);
  EXPECT_EQ(statusText(), L"第三十七步");
}

TEST_F(UninstDlgInProcess, AStep100RecordThatShowsTextNeitherReportsNorFinishes) {
  DevService service;
  ASSERT_TRUE(service.running());
  ScopedEnv host("TAVRIN_SERVICE_HOST", service.hostAndPort().c_str());
  ASSERT_TRUE(open());
  selectPage(1);
  postRecord(m_window, 100, 1, L"卸载完成");
  pump(1500ms);
  EXPECT_EQ(progressValue(), 100);
  EXPECT_EQ(statusText(), L"卸载完成");
  EXPECT_EQ(currentPage(), 1) << "still on the progress page";
  EXPECT_FALSE(m_dlg->IsFinished());
  EXPECT_TRUE(service.requestsTo("/app/count/uninstall/").empty());
}

TEST_F(UninstDlgInProcess, Step100ReportsPausesASecondAndShowsTheFinishPage) {
  DevService service;
  ASSERT_TRUE(service.running());
  ScopedEnv host("TAVRIN_SERVICE_HOST", service.hostAndPort().c_str());
  ASSERT_TRUE(m_record.setString("version_str", "2.0.0.9"));
  ASSERT_TRUE(m_record.setString("channel", "c7"));
  ASSERT_TRUE(m_record.setString("MachineId", "M-window"));
  ASSERT_TRUE(open());
  selectPage(1);

  auto record = std::make_unique<uninst::UninstProgress>();
  record->step = 100;
  record->text = L"卸载完成";
  auto sent = std::chrono::steady_clock::now();
  EXPECT_EQ(::SendMessageW(m_window, uninst::WM_UNINST_PROGRESS, reinterpret_cast<WPARAM>(record.release()), 0), 0);
  auto handled = std::chrono::steady_clock::now() - sent;
  EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(handled).count(), 990) << "the one-second pause";
  EXPECT_TRUE(m_dlg->IsFinished());
  EXPECT_EQ(currentPage(), 2);
  EXPECT_EQ(progressValue(), 100);
  EXPECT_EQ(statusText(), kWaiting);

  ASSERT_TRUE(service.waitForRequestsTo("/app/count/uninstall/", 1, 20s));
  pump(500ms);  // the report's completion message comes back to the window
  std::vector<nlohmann::json> reports = service.requestsTo("/app/count/uninstall/");
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0]["method"], "Post") << "WinHTTP sends the verb as given";
  EXPECT_EQ(reports[0]["report_text"],
            "{\"b\":\"vensa\",\"channel\":\"c7\",\"mac\":\"M-window\",\"version\":\"2.0.0.9\"}\n");
  EXPECT_TRUE(::IsWindow(m_window));
  // Closed here without the buttons: after completion they would start the
  // self-deleting batch for this program's folder.
}

TEST_F(UninstDlgInProcess, ActivationRequestsShowRestoreOrRaiseTheWindow) {
  ASSERT_TRUE(open());
  ::ShowWindow(m_window, SW_MINIMIZE);
  pump(300ms);
  ASSERT_TRUE(::IsIconic(m_window));
  EXPECT_EQ(sendActivation(m_window, uninst::kActivateRequest - 1, true), 0);
  EXPECT_EQ(sendActivation(m_window, uninst::kActivateRequest, false), 0);
  pump(300ms);
  EXPECT_TRUE(::IsIconic(m_window)) << "another code, or no data, changes nothing";
  EXPECT_EQ(sendActivation(m_window, uninst::kActivateRequest, true), 0);
  EXPECT_TRUE(pumpUntil([this] { return !::IsIconic(m_window); }, 5s)) << "a minimised window is restored";

  ::ShowWindow(m_window, SW_HIDE);
  pump(300ms);
  ASSERT_FALSE(::IsWindowVisible(m_window));
  EXPECT_EQ(sendActivation(m_window, uninst::kActivateRequest, true), 0);
  EXPECT_TRUE(pumpUntil([this] { return ::IsWindowVisible(m_window) != FALSE; }, 5s)) << "a hidden window is shown";

  RECT rect = {};
  ::GetWindowRect(m_window, &rect);
  HWND cover = ::CreateWindowExW(0, L"STATIC", L"cover", WS_POPUP | WS_VISIBLE, rect.left, rect.top,
                                 rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(cover, nullptr);
  pump(300ms);
  ASSERT_TRUE(isAbove(cover, m_window));
  EXPECT_EQ(sendActivation(m_window, uninst::kActivateRequest, true), 0);
  pump(300ms);
  EXPECT_TRUE(isAbove(m_window, cover)) << "a covered window comes to the front";
  EXPECT_EQ(::GetWindowLongPtrW(m_window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0) << "and does not stay topmost";
  ::DestroyWindow(cover);
}

TEST_F(UninstDlgInProcess, EscapeAndReturnGoToTheFocusedControlAndNeverClose) {
  ASSERT_TRUE(open());
  ::SendMessageW(m_window, WM_KEYDOWN, VK_ESCAPE, 0);
  ::SendMessageW(m_window, WM_KEYDOWN, VK_RETURN, 0);
  pump(500ms);
  ASSERT_TRUE(::IsWindow(m_window)) << "page 0";
  EXPECT_FALSE(m_gone);

  auto* check = control<SkinUI::CCheckBoxUI>(L"ck_clear_user_data");
  m_dlg->GetSkin().SetFocus(check);
  ::SendMessageW(m_window, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_TRUE(check->GetCheck()) << "Return reaches the focused check box";
  ::SendMessageW(m_window, WM_KEYDOWN, VK_ESCAPE, 0);
  pump(500ms);
  EXPECT_TRUE(check->GetCheck());
  ASSERT_TRUE(::IsWindow(m_window));

  for (int page : {1, 2}) {
    selectPage(page);
    ::SendMessageW(m_window, WM_KEYDOWN, VK_ESCAPE, 0);
    pump(500ms);
    ASSERT_TRUE(::IsWindow(m_window)) << "page " << page;
  }
}

TEST_F(UninstDlgInProcess, TheSystemCloseEndsTheWindowAndTheMessageLoop) {
  ASSERT_TRUE(open());
  EXPECT_EQ(::SendMessageW(m_window, WM_SYSCOMMAND, SC_CLOSE, 0), 0);
  Pumped seen;
  ASSERT_TRUE(pumpUntil([this] { return m_gone; }, 20s, &seen));
  pump(100ms, &seen);
  EXPECT_FALSE(::IsWindow(m_window));
  EXPECT_TRUE(seen.quit) << "the window's end ends the message loop";
  EXPECT_EQ(seen.quitCode, 0u);
  EXPECT_FALSE(m_temp.batchPresent()) << "not finished: no batch";
}

}  // namespace
