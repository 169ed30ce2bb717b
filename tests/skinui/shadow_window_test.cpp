// The drop shadow window: its class, its place and size around the skinned
// window, the clear centre, following moves, minimising and restoring, the
// deferred redraw on growth, and the computed mode from a window region.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "skin_window_fixture.h"
#include "window_shadow.h"

using namespace SkinUI;
using skintest::SkinTestWindow;

namespace {

RECT WindowRect(HWND window) {
  RECT r{};
  ::GetWindowRect(window, &r);
  return r;
}

void ExpectRect(const RECT& r, int left, int top, int width, int height) {
  EXPECT_EQ(r.left, left);
  EXPECT_EQ(r.top, top);
  EXPECT_EQ(r.right - r.left, width);
  EXPECT_EQ(r.bottom - r.top, height);
}

class ImageShadow : public testing::Test {
 protected:
  void SetUp() override {
    m_window = new SkinTestWindow(true);
    ASSERT_TRUE(m_window->CreateLikeUninstaller());
    m_parent = m_window->GetHWND();
    ::SetWindowPos(m_parent, nullptr, 200, 150, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ::ShowWindow(m_parent, SW_SHOW);
    ::UpdateWindow(m_parent);
    skintest::PumpMessages(100);
    ASSERT_NE(m_window->Shadow(), nullptr);
    m_shadow = m_window->Shadow()->GetShadowWindow();
    ASSERT_TRUE(::IsWindow(m_shadow));
  }
  void TearDown() override {
    if (::IsWindow(m_parent)) ::DestroyWindow(m_parent);
    skintest::PumpMessages(20);
    delete m_window;
  }

  SkinTestWindow* m_window = nullptr;
  HWND m_parent = nullptr;
  HWND m_shadow = nullptr;
};

}  // namespace

TEST(ShadowClass, ASecondInitializeReturnsFalse) {
  ASSERT_TRUE(skintest::ShadowClassReady());
  EXPECT_FALSE(CWindowShadow::Initialize(::GetModuleHandleW(nullptr)));
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  ASSERT_TRUE(::GetClassInfoExW(::GetModuleHandleW(nullptr), L"SkinShadowWnd", &wc));
  EXPECT_EQ(wc.style, static_cast<UINT>(CS_HREDRAW | CS_VREDRAW));
  EXPECT_EQ(wc.cbClsExtra, 0);
  EXPECT_EQ(wc.cbWndExtra, 0);
}

TEST_F(ImageShadow, IsALayeredClickThroughPopupOwnedByTheWindow) {
  wchar_t className[64] = {};
  ::GetClassNameW(m_shadow, className, 64);
  EXPECT_STREQ(className, L"SkinShadowWnd");
  LONG_PTR exStyle = ::GetWindowLongPtrW(m_shadow, GWL_EXSTYLE);
  EXPECT_EQ(exStyle & (WS_EX_LAYERED | WS_EX_TRANSPARENT), WS_EX_LAYERED | WS_EX_TRANSPARENT);
  EXPECT_EQ(static_cast<DWORD>(::GetWindowLongPtrW(m_shadow, GWL_STYLE)) & WS_POPUPWINDOW, WS_POPUPWINDOW);
  EXPECT_EQ(::GetWindow(m_shadow, GW_OWNER), m_parent);
  EXPECT_EQ(::SendMessageW(m_shadow, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(m_parent),
                           MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)),
            MA_NOACTIVATE);
}

TEST_F(ImageShadow, SurroundsThe740By400WindowWithA16PixelBandAndAClearCentre) {
  ExpectRect(WindowRect(m_parent), 200, 150, 740, 400);
  ExpectRect(WindowRect(m_shadow), 184, 134, 772, 432);
  EXPECT_TRUE(::IsWindowVisible(m_shadow));
  EXPECT_EQ(m_window->Shadow()->GetStatus(),
            CWindowShadow::kEnabled | CWindowShadow::kShadowVisible | CWindowShadow::kParentVisible);

  std::vector<uint32_t> pixels;
  SIZE size{};
  ASSERT_TRUE(m_window->Shadow()->RenderPixels(m_parent, pixels, size));
  ASSERT_EQ(size.cx, 772);
  ASSERT_EQ(size.cy, 432);
  auto at = [&](int x, int y) { return pixels[(431 - y) * 772 + x]; };  // bottom-up rows
  long clearInside = 0;
  for (int y = 16; y < 416; ++y) {
    for (int x = 16; x < 756; ++x) clearInside += at(x, y) == 0;
  }
  EXPECT_EQ(clearInside, 740L * 400);
  // The band: darkest next to the window, fading outwards, on every side.
  EXPECT_GT(at(386, 15) >> 24, at(386, 2) >> 24);
  EXPECT_GT(at(386, 15) >> 24, 0u);
  EXPECT_GT(at(15, 200) >> 24, 0u);
  EXPECT_GT(at(756, 200) >> 24, 0u);
  EXPECT_GT(at(386, 416) >> 24, 0u);
  EXPECT_EQ(at(0, 0), 0u);
}

TEST_F(ImageShadow, FollowsMovesAndHidesWhileTheWindowIsMinimised) {
  ::SetWindowPos(m_parent, nullptr, 300, 250, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  skintest::PumpMessages(50);
  ExpectRect(WindowRect(m_shadow), 284, 234, 772, 432);

  ::ShowWindow(m_parent, SW_MINIMIZE);
  skintest::PumpMessages(100);
  EXPECT_FALSE(::IsWindowVisible(m_shadow));
  EXPECT_EQ(m_window->Shadow()->GetStatus() & CWindowShadow::kShadowVisible, 0);

  ::ShowWindow(m_parent, SW_RESTORE);
  ::UpdateWindow(m_parent);
  skintest::PumpMessages(100);
  EXPECT_TRUE(::IsWindowVisible(m_shadow));
  ExpectRect(WindowRect(m_parent), 300, 250, 740, 400);
  ExpectRect(WindowRect(m_shadow), 284, 234, 772, 432);
}

TEST_F(ImageShadow, GrowingRedrawsAtTheNextPaintAndShrinkingAtOnce) {
  ::SetWindowPos(m_parent, nullptr, 0, 0, 800, 450, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ExpectRect(WindowRect(m_shadow), 184, 134, 772, 432);  // not yet
  ::UpdateWindow(m_parent);
  ExpectRect(WindowRect(m_shadow), 184, 134, 832, 482);
  ::SetWindowPos(m_parent, nullptr, 0, 0, 760, 420, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ExpectRect(WindowRect(m_shadow), 184, 134, 792, 452);
}

TEST_F(ImageShadow, DiesWithItsWindow) {
  ::DestroyWindow(m_parent);
  EXPECT_FALSE(::IsWindow(m_shadow));
  EXPECT_TRUE(m_window->destroyed);
}

TEST_F(ImageShadow, AMissingImageIsRefusedAndTheOldOneKept) {
  RECT widths{16, 16, 16, 16};
  RECT holes{0, 0, 0, 0};
  EXPECT_FALSE(m_window->Shadow()->SetImage(L"no_such_shadow.png", widths, holes));
  std::vector<uint32_t> pixels;
  SIZE size{};
  ASSERT_TRUE(m_window->Shadow()->RenderPixels(m_parent, pixels, size));
  EXPECT_EQ(size.cx, 772);
}

namespace {

LRESULT CALLBACK PlainProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

HWND CreatePlainWindow(int x, int y, int width, int height) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = PlainProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"SkinTestPlain";
  ::RegisterClassExW(&wc);
  return ::CreateWindowExW(0, L"SkinTestPlain", L"plain", WS_POPUP | WS_VISIBLE, x, y, width, height, nullptr, nullptr,
                           wc.hInstance, nullptr);
}

}  // namespace

// The same window and values as the window-free test of the shadow pixels,
// here with the shape taken from a real window region.
TEST(ComputedShadow, FollowsTheWindowRegion) {
  ASSERT_TRUE(skintest::ShadowClassReady());
  HWND parent = CreatePlainWindow(100, 100, 40, 30);
  ASSERT_NE(parent, nullptr);
  ::SetWindowRgn(parent, ::CreateRectRgn(0, 0, 30, 20), TRUE);
  skintest::PumpMessages(30);
  {
    CWindowShadow shadow;
    shadow.Create(parent);
    EXPECT_EQ(shadow.GetStatus(),
              CWindowShadow::kEnabled | CWindowShadow::kShadowVisible | CWindowShadow::kParentVisible);
    skintest::PumpMessages(30);
    // Without an image the shadow is the window's size, 5,5 below-right of it.
    ExpectRect(WindowRect(shadow.GetShadowWindow()), 105, 105, 40, 30);

    std::vector<uint32_t> pixels;
    SIZE size{};
    ASSERT_TRUE(shadow.RenderPixels(parent, pixels, size));
    ASSERT_EQ(size.cx, 40);
    ASSERT_EQ(size.cy, 30);
    auto at = [&](int row, int column) { return pixels[(29 - row) * 40 + column]; };
    EXPECT_EQ(at(10, 25), 125u << 24);
    EXPECT_EQ(at(10, 28), 50u << 24);
    EXPECT_EQ(at(10, 29), 24u << 24);
    EXPECT_EQ(at(16, 15), 100u << 24);
    EXPECT_EQ(at(16, 26), 79u << 24);
    EXPECT_EQ(at(1, 25), 46u << 24);
    EXPECT_EQ(at(12, 15), 0u);
    EXPECT_EQ(at(20, 15), 0u);

    // Without an image a move only repositions the shadow.
    ::SetWindowPos(parent, nullptr, 150, 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    skintest::PumpMessages(30);
    ExpectRect(WindowRect(shadow.GetShadowWindow()), 155, 125, 40, 30);
    ::DestroyWindow(parent);
  }
  skintest::PumpMessages(20);
}

TEST(ComputedShadow, AWindowWithoutARegionCastsNoShadow) {
  ASSERT_TRUE(skintest::ShadowClassReady());
  HWND parent = CreatePlainWindow(100, 100, 40, 30);
  ASSERT_NE(parent, nullptr);
  {
    CWindowShadow shadow;
    shadow.Create(parent);
    std::vector<uint32_t> pixels;
    SIZE size{};
    ASSERT_TRUE(shadow.RenderPixels(parent, pixels, size));
    for (uint32_t p : pixels) ASSERT_EQ(p, 0u);
    ::DestroyWindow(parent);
  }
  skintest::PumpMessages(20);
}

TEST(ComputedShadow, AShadowCreatedForAHiddenWindowWaitsForItToShow) {
  ASSERT_TRUE(skintest::ShadowClassReady());
  HWND parent = CreatePlainWindow(100, 100, 40, 30);
  ::ShowWindow(parent, SW_HIDE);
  {
    CWindowShadow shadow;
    shadow.Create(parent);
    EXPECT_EQ(shadow.GetStatus(), CWindowShadow::kEnabled);
    EXPECT_FALSE(::IsWindowVisible(shadow.GetShadowWindow()));
    ::ShowWindow(parent, SW_SHOW);
    EXPECT_EQ(shadow.GetStatus(),
              CWindowShadow::kEnabled | CWindowShadow::kShadowVisible | CWindowShadow::kParentVisible);
    EXPECT_TRUE(::IsWindowVisible(shadow.GetShadowWindow()));
    ::ShowWindow(parent, SW_HIDE);
    EXPECT_EQ(shadow.GetStatus(), CWindowShadow::kEnabled);
    EXPECT_FALSE(::IsWindowVisible(shadow.GetShadowWindow()));
    ::DestroyWindow(parent);
  }
  skintest::PumpMessages(20);
}
