// The skinned window itself: the frame, the caption band, mouse and keys
// through real messages, the drawing of the skin, and the failure path.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "container.h"
#include "handles.h"
#include "label.h"
#include "skin_window_fixture.h"

using namespace SkinUI;
using skintest::SkinTestWindow;

namespace {

LPARAM ClientPoint(int x, int y) { return MAKELPARAM(x, y); }

// The window's drawing of the whole client area into a top-down 32-bit buffer.
std::vector<uint32_t> Render(SkinTestWindow& window, int width, int height) {
  void* bits = nullptr;
  tavrin::UniqueBitmap section = CreateArgbSection(width, -height, &bits);
  tavrin::UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
  tavrin::SelectedObject selected(dc.get(), section.get());
  window.PaintTo(dc.get(), {0, 0, width, height});
  ::GdiFlush();
  const auto* pixels = static_cast<const uint32_t*>(bits);
  return std::vector<uint32_t>(pixels, pixels + width * height);
}

uint32_t Rgb(uint32_t pixel) { return pixel & 0x00FFFFFF; }
int Red(uint32_t p) { return (p >> 16) & 0xFF; }
int Blue(uint32_t p) { return p & 0xFF; }

class SkinWindow : public testing::Test {
 protected:
  void SetUp() override {
    m_window = new SkinTestWindow(false);
    ASSERT_TRUE(m_window->CreateLikeUninstaller());
    m_hwnd = m_window->GetHWND();
    skintest::PumpMessages(50);
  }
  void TearDown() override {
    if (::IsWindow(m_hwnd)) ::DestroyWindow(m_hwnd);
    skintest::PumpMessages(20);
    delete m_window;
  }

  void ClickClient(int x, int y) {
    ::SendMessageW(m_hwnd, WM_MOUSEMOVE, 0, ClientPoint(x, y));
    ::SendMessageW(m_hwnd, WM_LBUTTONDOWN, MK_LBUTTON, ClientPoint(x, y));
    ::SendMessageW(m_hwnd, WM_LBUTTONUP, 0, ClientPoint(x, y));
  }

  LRESULT HitTest(int clientX, int clientY) {
    POINT pt{clientX, clientY};
    ::ClientToScreen(m_hwnd, &pt);
    return ::SendMessageW(m_hwnd, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y));
  }

  SkinTestWindow* m_window = nullptr;
  HWND m_hwnd = nullptr;
};

}  // namespace

TEST_F(SkinWindow, TakesTheLayoutSizeWithoutAFrame) {
  RECT window{}, client{};
  ::GetWindowRect(m_hwnd, &window);
  ::GetClientRect(m_hwnd, &client);
  EXPECT_EQ(window.right - window.left, 740);
  EXPECT_EQ(window.bottom - window.top, 400);
  EXPECT_EQ(client.right, 740);
  EXPECT_EQ(client.bottom, 400);
  LONG_PTR style = ::GetWindowLongPtrW(m_hwnd, GWL_STYLE);
  EXPECT_EQ(style & WS_CAPTION, 0);
  EXPECT_EQ(style & (WS_CLIPSIBLINGS | WS_CLIPCHILDREN), WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
  EXPECT_EQ(m_window->initCount, 1);
  EXPECT_EQ(m_window->GetSkin().GetClientRect(), (UiRect{0, 0, 740, 400}));
}

TEST_F(SkinWindow, CaptionBandDragsExceptOnButtons) {
  EXPECT_EQ(HitTest(100, 40), HTCAPTION);
  EXPECT_EQ(HitTest(0, 0), HTCAPTION);
  EXPECT_EQ(HitTest(739, 79), HTCAPTION);
  EXPECT_EQ(HitTest(710, 30), HTCLIENT);  // closeBtn
  EXPECT_EQ(HitTest(100, 80), HTCLIENT);
  EXPECT_EQ(HitTest(300, 247), HTCLIENT);  // btnUnInstall, below the band
  EXPECT_EQ(HitTest(739, 399), HTCLIENT);  // no sizing corner
}

TEST_F(SkinWindow, MouseMessagesClickTheCheckBoxBeforeItToggles) {
  auto* check = dynamic_cast<CCheckBoxUI*>(m_window->FindControl(L"ck_clear_user_data"));
  ASSERT_NE(check, nullptr);
  ClickClient(40, 348);
  ASSERT_EQ(m_window->clicks.size(), 1u);
  EXPECT_EQ(m_window->clicks[0].name, L"ck_clear_user_data");
  EXPECT_EQ(m_window->clicks[0].checkedAtClick, 0);
  EXPECT_TRUE(check->GetCheck());
  ClickClient(710, 30);
  ASSERT_EQ(m_window->clicks.size(), 2u);
  EXPECT_EQ(m_window->clicks[1].name, L"closeBtn");
}

TEST_F(SkinWindow, KeysReachTheFocusedButton) {
  ::SendMessageW(m_hwnd, WM_LBUTTONDOWN, MK_LBUTTON, ClientPoint(440, 247));  // focus btnCancel
  ::SendMessageW(m_hwnd, WM_LBUTTONUP, 0, ClientPoint(5, 395));               // released elsewhere: no click
  EXPECT_TRUE(m_window->clicks.empty());
  ::SendMessageW(m_hwnd, WM_KEYDOWN, VK_SPACE, 0);
  ASSERT_EQ(m_window->clicks.size(), 1u);
  EXPECT_EQ(m_window->clicks[0].name, L"btnCancel");
}

TEST_F(SkinWindow, EscapeClosesTheWindowByDefault) {
  ::PostMessageW(m_hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(skintest::PumpUntil([&] { return m_window->destroyed; }, 3000));
  EXPECT_FALSE(::IsWindow(m_hwnd));
}

TEST_F(SkinWindow, DrawsBackgroundBorderImagesAndText) {
  std::vector<uint32_t> pixels = Render(*m_window, 740, 400);
  auto at = [&](int x, int y) { return pixels[y * 740 + x]; };
  EXPECT_EQ(Rgb(at(0, 0)), 0xE3E3E3u);
  EXPECT_EQ(Rgb(at(739, 399)), 0xE3E3E3u);
  EXPECT_EQ(Rgb(at(5, 5)), 0xF3F3F3u);
  // Logo at 331,91: a blue tile.
  EXPECT_GT(Blue(at(340, 160)), 200);
  EXPECT_LT(Red(at(340, 160)), 120);
  // The unchecked box is white inside; the "塔文浏览器" label has text in it.
  EXPECT_EQ(Rgb(at(27, 350)), 0xFFFFFFu);
  int inked = 0;
  for (int y = 189; y < 209; ++y) {
    for (int x = 301; x < 441; ++x) inked += Rgb(at(x, y)) != 0xF3F3F3u;
  }
  EXPECT_GT(inked, 40);

  dynamic_cast<CCheckBoxUI*>(m_window->FindControl(L"ck_clear_user_data"))->SetCheck(true);
  pixels = Render(*m_window, 740, 400);
  EXPECT_GT(Blue(at(27, 350)), 200);
  EXPECT_LT(Red(at(27, 350)), 100);
}

TEST_F(SkinWindow, ProgressPageShowsTheFillUpToTheValue) {
  auto* tab = dynamic_cast<CTabLayoutUI*>(m_window->FindControl(L"mainTab"));
  auto* bar = dynamic_cast<CProgressUI*>(m_window->FindControl(L"uninstProgress"));
  ASSERT_TRUE(tab->SelectItem(1));
  bar->SetValue(37);
  std::vector<uint32_t> pixels = Render(*m_window, 740, 400);
  auto at = [&](int x, int y) { return pixels[y * 740 + x]; };
  // The bar is 16 pixels high in the middle of its 24: rows 255..270 at x 71..670.
  EXPECT_GT(Blue(at(71 + 100, 263)), 200);
  EXPECT_LT(Red(at(71 + 100, 263)), 100);
  EXPECT_GT(Blue(at(71 + 215, 263)), 200);  // fill ends at 71 + 222
  EXPECT_EQ(Rgb(at(71 + 300, 263)), 0xE2E6ECu);
  EXPECT_EQ(Rgb(at(71 + 300, 252)), 0xF3F3F3u);  // transparent rim of the track image
}

TEST(SkinWindowFailure, AMissingLayoutShowsTheMessageAndExitsWithOne) {
  std::wstring command = L"\"" SKINUI_DEMO L"\" --layout Missing.xml --no-shadow";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started{};
  ASSERT_TRUE(
      ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started));
  tavrin::ProcessHandles process = tavrin::ProcessHandles::adopt(started);
  HWND box = nullptr;
  DWORD start = ::GetTickCount();
  while (box == nullptr && ::GetTickCount() - start < 20000) {
    box = ::FindWindowW(L"#32770", L"SkinUI");
    if (box == nullptr) ::Sleep(50);
  }
  std::vector<std::wstring> texts;
  if (box != nullptr) {
    ::EnumChildWindows(
        box,
        [](HWND child, LPARAM param) -> BOOL {
          wchar_t text[256] = {};
          ::GetWindowTextW(child, text, 256);
          reinterpret_cast<std::vector<std::wstring>*>(param)->push_back(text);
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&texts));
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
  }
  DWORD waited = ::WaitForSingleObject(process.process.get(), 20000);
  DWORD code = 0;
  ::GetExitCodeProcess(process.process.get(), &code);
  if (waited != WAIT_OBJECT_0) ::TerminateProcess(process.process.get(), 99);
  ASSERT_NE(box, nullptr);
  bool sawText = false;
  for (const std::wstring& text : texts) sawText = sawText || text == L"加载资源文件失败";
  EXPECT_TRUE(sawText);
  EXPECT_EQ(waited, WAIT_OBJECT_0);
  EXPECT_EQ(code, 1u);
}
