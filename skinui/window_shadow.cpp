#include "window_shadow.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "argb_section.h"
#include "shadow_pixels.h"

namespace SkinUI {

namespace {

using UpdateLayeredWindowFn = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*, DWORD);

constexpr wchar_t kShadowClassName[] = L"SkinShadowWnd";

// Process-wide: everything runs on the thread of the shadowed windows.
UpdateLayeredWindowFn s_UpdateLayeredWindow = nullptr;
HINSTANCE s_hInstance = nullptr;
std::vector<std::pair<HWND, CWindowShadow*>>& ShadowMap() {
  static std::vector<std::pair<HWND, CWindowShadow*>> pairs;
  return pairs;
}

CWindowShadow* FindShadow(HWND parent) {
  for (const auto& [window, shadow] : ShadowMap()) {
    if (window == parent) return shadow;
  }
  return nullptr;
}

void ForgetParent(HWND parent) {
  auto& pairs = ShadowMap();
  auto it = std::find_if(pairs.begin(), pairs.end(), [parent](const auto& p) { return p.first == parent; });
  if (it != pairs.end()) pairs.erase(it);
}

LRESULT CALLBACK ShadowWindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  if (uMsg == WM_MOUSEACTIVATE) return MA_NOACTIVATE;
  return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

}  // namespace

bool CWindowShadow::Initialize(HINSTANCE instance) {
  if (s_UpdateLayeredWindow != nullptr) return false;
  HMODULE user32 = ::GetModuleHandleW(L"USER32.DLL");
  if (user32 == nullptr) return false;
  s_UpdateLayeredWindow =
      reinterpret_cast<UpdateLayeredWindowFn>(reinterpret_cast<void*>(::GetProcAddress(user32, "UpdateLayeredWindow")));
  if (s_UpdateLayeredWindow == nullptr) return false;
  s_hInstance = instance;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(WNDCLASSEXW);
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = ShadowWindowProc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = kShadowClassName;
  ::RegisterClassExW(&wc);
  return true;
}

CWindowShadow::~CWindowShadow() {
  if (::IsWindow(m_hWnd)) ::PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
  // A parent that outlives its shadow gets its own window procedure back.
  auto& pairs = ShadowMap();
  for (auto it = pairs.begin(); it != pairs.end(); ++it) {
    if (it->second != this) continue;
    HWND parent = it->first;
    pairs.erase(it);
    if (::IsWindow(parent) &&
        ::GetWindowLongPtrW(parent, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&CWindowShadow::ParentProc)) {
      ::SetWindowLongPtrW(parent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_OriParentProc));
    }
    break;
  }
}

void CWindowShadow::Create(HWND parent) {
  if (s_UpdateLayeredWindow == nullptr) return;
  ShadowMap().emplace_back(parent, this);
  m_hWnd = ::CreateWindowExW(WS_EX_LAYERED | WS_EX_TRANSPARENT, kShadowClassName, nullptr, WS_POPUPWINDOW,
                             CW_USEDEFAULT, 0, 0, 0, parent, nullptr, s_hInstance, nullptr);
  LONG_PTR style = ::GetWindowLongPtrW(parent, GWL_STYLE);
  if (!(style & WS_VISIBLE)) {
    m_Status = kEnabled;
  } else if (style & (WS_MAXIMIZE | WS_MINIMIZE)) {
    m_Status = kEnabled | kParentVisible;
  } else {
    m_Status = kEnabled | kShadowVisible | kParentVisible;
    ::ShowWindow(m_hWnd, SW_SHOWNA);
    Update(parent);
  }
  m_OriParentProc = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(parent, GWLP_WNDPROC));
  ::SetWindowLongPtrW(parent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWindowShadow::ParentProc));
}

bool CWindowShadow::SetImage(const std::wstring& name, const RECT& shadowWidths, const RECT& holeOffsets) {
  std::unique_ptr<SkinImage> image = LoadSkinImage(name);
  if (!image) return false;
  m_image = std::move(image);
  m_rcShadowWidths = shadowWidths;
  m_rcHoleOffsets = holeOffsets;
  if (m_Status & kShadowVisible) Update(Owner());
  return true;
}

CWindowShadow::Geometry CWindowShadow::ComputeGeometry(const RECT& parentRect) const {
  Geometry g;
  int width = parentRect.right - parentRect.left;
  int height = parentRect.bottom - parentRect.top;
  if (m_image) {
    g.width = width + m_rcShadowWidths.left + m_rcShadowWidths.right;
    g.height = height + m_rcShadowWidths.top + m_rcShadowWidths.bottom;
    g.position = {parentRect.left - m_rcShadowWidths.left, parentRect.top - m_rcShadowWidths.top};
  } else {
    g.width = width + 2 * m_nSize;
    g.height = height + 2 * m_nSize;
    g.position = {parentRect.left + m_nxOffset - m_nSize, parentRect.top + m_nyOffset - m_nSize};
  }
  return g;
}

void CWindowShadow::MakeShadow(uint32_t* pixels, HWND parent, const RECT& parentRect) const {
  int width = parentRect.right - parentRect.left;
  int height = parentRect.bottom - parentRect.top;
  tavrin::UniqueRegion shape(::CreateRectRgn(0, 0, 0, 0));
  ::GetWindowRgn(parent, shape.get());
  std::vector<RowExtent> rows =
      ScanShapeRows(width, height, [&shape](int x, int y) { return ::PtInRegion(shape.get(), x, y) != FALSE; });
  ShadowParams params;
  params.darkness = m_nDarkness;
  params.sharpness = m_nSharpness;
  params.size = m_nSize;
  params.xOffset = m_nxOffset;
  params.yOffset = m_nyOffset;
  params.color = m_Color;
  MakeShadowPixels(pixels, width, height, rows, params);
}

void CWindowShadow::PaintShadow(HWND parent, const RECT& parentRect, HDC memoryDc, HBITMAP section, void* bits,
                                const Geometry& geometry, tavrin::SelectedObject* selection) const {
  if (m_image) {
    *selection = tavrin::SelectedObject(memoryDc, section);
    UiRect corner{m_rcShadowWidths.left + m_rcHoleOffsets.left, m_rcShadowWidths.top + m_rcHoleOffsets.top,
                  m_rcShadowWidths.right + m_rcHoleOffsets.right, m_rcShadowWidths.bottom + m_rcHoleOffsets.bottom};
    NineGridOptions options;
    options.skipCentre = true;
    DrawSkinImage(memoryDc, *m_image, {0, 0, geometry.width, geometry.height}, {0, 0, m_image->width, m_image->height},
                  corner, 255, options);
  } else {
    MakeShadow(static_cast<uint32_t*>(bits), parent, parentRect);
    *selection = tavrin::SelectedObject(memoryDc, section);
  }
}

void CWindowShadow::Update(HWND parent) {
  if (s_UpdateLayeredWindow == nullptr) return;
  RECT parentRect{};
  ::GetWindowRect(parent, &parentRect);
  Geometry geometry = ComputeGeometry(parentRect);
  if (geometry.width <= 0 || geometry.height <= 0) return;
  void* bits = nullptr;
  tavrin::UniqueBitmap section = CreateArgbSection(geometry.width, geometry.height, &bits);
  if (bits != nullptr) std::memset(bits, 0, static_cast<size_t>(geometry.width) * geometry.height * 4);
  tavrin::UniqueMemoryDc memoryDc(::CreateCompatibleDC(nullptr));
  tavrin::SelectedObject selection;
  PaintShadow(parent, parentRect, memoryDc.get(), section.get(), bits, geometry, &selection);
  ::MoveWindow(m_hWnd, geometry.position.x, geometry.position.y, geometry.width, geometry.height, FALSE);
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  POINT source{0, 0};
  SIZE size{geometry.width, geometry.height};
  s_UpdateLayeredWindow(m_hWnd, nullptr, &geometry.position, &size, memoryDc.get(), &source, 0, &blend, ULW_ALPHA);
}

bool CWindowShadow::RenderPixels(HWND parent, std::vector<uint32_t>& pixels, SIZE& size) const {
  RECT parentRect{};
  if (!::GetWindowRect(parent, &parentRect)) return false;
  Geometry geometry = ComputeGeometry(parentRect);
  if (geometry.width <= 0 || geometry.height <= 0) return false;
  void* bits = nullptr;
  tavrin::UniqueBitmap section = CreateArgbSection(geometry.width, geometry.height, &bits);
  tavrin::UniqueMemoryDc memoryDc(::CreateCompatibleDC(nullptr));
  if (bits == nullptr || !memoryDc) return false;
  size_t count = static_cast<size_t>(geometry.width) * geometry.height;
  std::memset(bits, 0, count * 4);
  tavrin::SelectedObject selection;
  PaintShadow(parent, parentRect, memoryDc.get(), section.get(), bits, geometry, &selection);
  ::GdiFlush();
  const auto* begin = static_cast<const uint32_t*>(bits);
  pixels.assign(begin, begin + count);
  size = {geometry.width, geometry.height};
  return true;
}

void CWindowShadow::FollowMove(HWND parent) {
  RECT parentRect{};
  ::GetWindowRect(parent, &parentRect);
  Geometry geometry = ComputeGeometry(parentRect);
  ::SetWindowPos(m_hWnd, nullptr, geometry.position.x, geometry.position.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | (m_image ? 0 : SWP_NOREDRAW));
  if (m_image) Update(Owner());
}

void CWindowShadow::OnParentMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  switch (uMsg) {
    case WM_DESTROY:
      ::DestroyWindow(m_hWnd);
      break;
    case WM_MOVE:
      if (m_Status & kShadowVisible) FollowMove(hWnd);
      break;
    case WM_SIZE:
      if (!(m_Status & kEnabled)) break;
      if (wParam == SIZE_MAXIMIZED || wParam == SIZE_MINIMIZED) {
        ::ShowWindow(m_hWnd, SW_HIDE);
        m_Status &= ~kShadowVisible;
      } else if (m_Status & kParentVisible) {
        if (LOWORD(lParam) > LOWORD(m_WndSize) || HIWORD(lParam) > HIWORD(m_WndSize))
          m_bUpdate = true;
        else
          Update(hWnd);
        ::ShowWindow(m_hWnd, SW_SHOWNA);
        m_Status |= kShadowVisible;
      }
      m_WndSize = lParam;
      break;
    case WM_PAINT:
      if (m_bUpdate) {
        Update(hWnd);
        m_bUpdate = false;
      }
      break;
    case WM_SHOWWINDOW:
      if (!(m_Status & kEnabled)) break;
      if (!wParam) {
        ::ShowWindow(m_hWnd, SW_HIDE);
        m_Status &= ~(kShadowVisible | kParentVisible);
      } else if (!(m_Status & kParentVisible)) {
        m_bUpdate = true;
        ::ShowWindow(m_hWnd, SW_SHOWNA);
        m_Status |= kShadowVisible | kParentVisible;
      }
      break;
    case WM_EXITSIZEMOVE:
      if (m_Status & kShadowVisible) Update(hWnd);
      break;
    default:
      break;
  }
}

LRESULT CALLBACK CWindowShadow::ParentProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  CWindowShadow* shadow = FindShadow(hWnd);
  if (shadow == nullptr) return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
  WNDPROC previous = shadow->m_OriParentProc;
  shadow->OnParentMessage(hWnd, uMsg, wParam, lParam);
  if (uMsg == WM_NCDESTROY) ForgetParent(hWnd);
  // The previous procedure may delete the shadow (with its window object):
  // nothing of it is touched after this call.
  return previous(hWnd, uMsg, wParam, lParam);
}

}  // namespace SkinUI
