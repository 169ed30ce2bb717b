// A second uninstaller started while the first one runs: it ends at once
// with 0, shows nothing, and brings the first window back (restored when
// minimised, shown when hidden, raised when covered).
#include <gtest/gtest.h>

#include <thread>

#include "uninst_window_fixture.h"

namespace {

using namespace tavrin;
using namespace tavrin::test;
using namespace std::chrono_literals;
namespace layout = uninst_layout;

constexpr wchar_t kDefaultTitle[] = L"塔文浏览器卸载程序";

bool isAbove(HWND upper, HWND lower) {
  for (HWND h = ::GetWindow(upper, GW_HWNDNEXT); h != nullptr; h = ::GetWindow(h, GW_HWNDNEXT)) {
    if (h == lower) return true;
  }
  return false;
}

// A black window of this program lying over a rectangle of the screen.
class Cover {
 public:
  explicit Cover(const RECT& rect)
      : m_window(::CreateWindowExW(0, L"STATIC", L"cover", WS_POPUP | WS_VISIBLE | SS_BLACKRECT, rect.left, rect.top,
                                   rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr, nullptr,
                                   nullptr)) {}
  ~Cover() {
    if (m_window != nullptr) ::DestroyWindow(m_window);
  }
  Cover(const Cover&) = delete;
  Cover& operator=(const Cover&) = delete;
  HWND get() const { return m_window; }
  void raise() const { ::SetWindowPos(m_window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }

 private:
  HWND m_window;
};

class SecondStart : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_product.ready()); }

  // A second uninstaller from the same folder: it must end by itself with 0
  // and without a log line (it never gets as far as starting the log).
  void startSecond() {
    DebuggeeResult second = runDebuggee("\"" + m_product.uninstaller() + "\"", std::string(), 30000);
    EXPECT_TRUE(second.started);
    EXPECT_FALSE(second.timedOut);
    EXPECT_EQ(second.exitCode, 0u);
    EXPECT_TRUE(uninstLogMessages(second).empty());
    EXPECT_EQ(windowsTitled(kDefaultTitle).size(), 1u) << "the second one showed a window";
  }

  // No "appname": the title is the default one.
  InstalledProduct m_product{"", ""};
  PrivateTemp m_temp;
};

TEST_F(SecondStart, BringsTheFirstWindowBackAndEndsWithZero) {
  RunningUninstaller first(m_product.uninstaller(), kDefaultTitle);
  ASSERT_TRUE(first.windowUp()) << "no window titled 塔文浏览器卸载程序";
  HWND window = first.window();

  ::PostMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  ASSERT_TRUE(waitUntil([&] { return ::IsIconic(window) != FALSE; }, 10s));
  startSecond();
  EXPECT_TRUE(waitUntil([&] { return !::IsIconic(window) && ::IsWindowVisible(window); }, 10s))
      << "the minimised window was not restored";

  ::ShowWindow(window, SW_HIDE);
  ASSERT_TRUE(waitUntil([&] { return !::IsWindowVisible(window); }, 10s));
  startSecond();
  EXPECT_TRUE(waitUntil([&] { return ::IsWindowVisible(window) != FALSE; }, 10s)) << "the hidden window was not shown";

  // Shown and activated: let it settle before it is covered. Raising is
  // checked in the window manager's z-order: without an X window manager
  // Wine does not restack the X window of a window that owns another (the
  // drop shadow), so the screen itself would not show the change here.
  std::this_thread::sleep_for(1s);
  {
    RECT rect = {};
    ::GetWindowRect(window, &rect);
    Cover cover(rect);
    ASSERT_NE(cover.get(), nullptr);
    cover.raise();
    ASSERT_TRUE(waitUntil([&] { return isAbove(cover.get(), window); }, 5s));
    startSecond();
    EXPECT_TRUE(waitUntil([&] { return isAbove(window, cover.get()); }, 10s)) << "the covered window was not raised";
    EXPECT_EQ(::GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0) << "and it does not stay topmost";
  }

  // The first one is untouched and still answers: Escape leaves it open,
  // Alt+F4 closes it before anything was removed.
  ASSERT_TRUE(first.press("Escape"));
  std::this_thread::sleep_for(1s);
  ASSERT_TRUE(first.running());
  ASSERT_TRUE(first.press("alt+F4"));
  DebuggeeResult result = first.finish();
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_TRUE(InstallRecord::keyExists());
  EXPECT_TRUE(pathExists(m_product.file("tavrin.exe")));
  EXPECT_FALSE(m_temp.batchPresent());
}

TEST_F(SecondStart, WithoutAWindowYetTheSecondEndsSilently) {
  // The first instance is this program holding the uninstaller's mutex, with
  // no window of that title.
  UniqueHandle mutex(::CreateMutexW(nullptr, FALSE, L"{9D262DEC-07BD-46A8-8681-D896DBDF9879}"));
  ASSERT_TRUE(mutex);
  DebuggeeResult second = runDebuggee("\"" + m_product.uninstaller() + "\"", std::string(), 30000);
  EXPECT_FALSE(second.timedOut);
  EXPECT_EQ(second.exitCode, 0u);
  EXPECT_TRUE(uninstLogMessages(second).empty());
  EXPECT_TRUE(windowsTitled(kDefaultTitle).empty());
}

}  // namespace
