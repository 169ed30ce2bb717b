#include "window_impl_base.h"

#include <windowsx.h>

#include "dialog_builder.h"
#include "scope_exit.h"
#include "skin_resources.h"

namespace SkinUI {

namespace {

UiPoint PointFromLParam(LPARAM lParam) { return {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

UiRect ClientRectOf(HWND hWnd) {
  RECT r{};
  ::GetClientRect(hWnd, &r);
  return {r.left, r.top, r.right, r.bottom};
}

}  // namespace

void FailSkinLoad(HWND owner) {
  ::MessageBoxW(owner, L"加载资源文件失败", L"SkinUI", MB_OK | MB_ICONERROR);
  ::ExitProcess(1);
}

WindowImplBase::WindowImplBase() {
  AddNotifyHandler(L"click", L"", [this](TNotifyUI& msg) { OnClick(msg); });
}

WindowImplBase::~WindowImplBase() {
  m_skin.RemoveNotifier(this);
  m_skin.SetInvalidateHandler(nullptr);
  // Fonts and images go before the controls, which hold GDI+ running.
  m_fonts.Clear();
  m_images.Clear();
}

void WindowImplBase::OnFinalMessage(HWND) {
  m_skin.RemoveNotifier(this);
  m_skin.SetInvalidateHandler(nullptr);
  m_trackingMouse = false;
}

void WindowImplBase::OnClick(TNotifyUI&) {}

void WindowImplBase::Notify(TNotifyUI& msg) { NotifyPump(msg); }

LRESULT WindowImplBase::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM, bool& bHandled) {
  if (uMsg == WM_KEYDOWN && wParam == VK_ESCAPE) {
    Close(IDCANCEL);
    bHandled = true;
  }
  return 0;
}

CControlUI* WindowImplBase::CreateControl(const wchar_t*) { return nullptr; }

bool WindowImplBase::BuildSkin() {
  std::vector<uint8_t> layout;
  if (GetResourceType() == kSkinZipResource) {
    if (!CSkinResources::LoadZipResource(GetResourceID())) return false;
    if (!CSkinResources::ReadSkinFile(GetSkinFile(), layout)) return false;
  } else if (GetResourceType() == kSkinFiles) {
    if (!CSkinResources::ReadSkinFile(GetSkinFolder() + GetSkinFile(), layout)) return false;
  } else {
    return false;
  }
  std::string_view xml(reinterpret_cast<const char*>(layout.data()), layout.size());
  return CDialogBuilder::Create(xml, m_skin, this) != nullptr;
}

LRESULT WindowImplBase::OnCreate() {
  LONG_PTR style = ::GetWindowLongPtrW(m_hWnd, GWL_STYLE);
  style = (style & ~static_cast<LONG_PTR>(WS_CAPTION)) | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, style);
  if (!BuildSkin()) FailSkinLoad(m_hWnd);
  m_skin.AddNotifier(this);
  HWND window = m_hWnd;
  m_skin.SetInvalidateHandler([window](const UiRect& r) {
    RECT rect{r.left, r.top, r.right, r.bottom};
    ::InvalidateRect(window, &rect, FALSE);
  });
  const UiSize& size = m_skin.Window().size;
  if (size.cx > 0 && size.cy > 0) {
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  m_skin.SetClientRect(ClientRectOf(m_hWnd));
  InitWindow();
  return 0;
}

bool WindowImplBase::IsCaptionExempt(const CControlUI* control) const {
  if (control == nullptr) return false;
  std::wstring cls = control->GetClass();
  return cls == L"Button" || cls == L"Option" || cls == L"Text";
}

LRESULT WindowImplBase::OnNcHitTest(LPARAM lParam) {
  POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  ::ScreenToClient(m_hWnd, &pt);
  UiRect client = ClientRectOf(m_hWnd);
  const UiRect& caption = m_skin.Window().caption;
  UiRect band{client.left + caption.left, caption.top, client.right - caption.right, caption.bottom};
  if (band.Contains({pt.x, pt.y}) && !IsCaptionExempt(m_skin.FindControlAt({pt.x, pt.y}))) return HTCAPTION;
  return HTCLIENT;
}

void WindowImplBase::PaintTo(HDC dc, const UiRect& dirty) {
  CGdiRenderTarget target(dc, m_skin, m_images, m_fonts);
  m_skin.Paint(target, dirty);
}

void WindowImplBase::OnPaint() {
  PAINTSTRUCT ps{};
  HDC windowDc = ::BeginPaint(m_hWnd, &ps);
  auto paintEnds = tavrin::onScopeExit([&] { ::EndPaint(m_hWnd, &ps); });
  UiRect client = ClientRectOf(m_hWnd);
  UiRect dirty{ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom};
  if (!client.IsEmpty() && !dirty.IsEmpty()) {
    void* bits = nullptr;
    tavrin::UniqueBitmap buffer = CreateArgbSection(client.Width(), -client.Height(), &bits);
    tavrin::UniqueMemoryDc bufferDc(::CreateCompatibleDC(windowDc));
    if (buffer && bufferDc) {
      tavrin::SelectedObject selected(bufferDc.get(), buffer.get());
      PaintTo(bufferDc.get(), dirty);
      ::BitBlt(windowDc, dirty.left, dirty.top, dirty.Width(), dirty.Height(), bufferDc.get(), dirty.left, dirty.top,
               SRCCOPY);
    }
  }
}

void WindowImplBase::OnMouseMessage(UINT uMsg, LPARAM lParam) {
  UiPoint pt = PointFromLParam(lParam);
  switch (uMsg) {
    case WM_MOUSEMOVE:
      if (!m_trackingMouse) {
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, m_hWnd, 0};
        m_trackingMouse = ::TrackMouseEvent(&track) != FALSE;
      }
      m_skin.OnMouseMove(pt);
      break;
    case WM_MOUSELEAVE:
      m_trackingMouse = false;
      m_skin.OnMouseLeave();
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      ::SetCapture(m_hWnd);
      m_skin.OnButtonDown(pt);
      break;
    case WM_LBUTTONUP:
      if (::GetCapture() == m_hWnd) ::ReleaseCapture();
      m_skin.OnButtonUp(pt);
      break;
    default:
      break;
  }
}

void WindowImplBase::OnGetMinMaxInfo(LPARAM lParam) {
  auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
  const SkinWindowAttributes& window = m_skin.Window();
  if (window.minInfo.cx > 0) info->ptMinTrackSize.x = window.minInfo.cx;
  if (window.minInfo.cy > 0) info->ptMinTrackSize.y = window.minInfo.cy;
  if (window.maxInfo.cx > 0) info->ptMaxTrackSize.x = window.maxInfo.cx;
  if (window.maxInfo.cy > 0) info->ptMaxTrackSize.y = window.maxInfo.cy;
}

LRESULT WindowImplBase::OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
  bHandled = true;
  return ::DefWindowProcW(m_hWnd, uMsg, wParam, lParam);
}

LRESULT WindowImplBase::HandleCustomMessage(UINT, WPARAM, LPARAM, bool& bHandled) {
  bHandled = false;
  return 0;
}

LRESULT WindowImplBase::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  if (uMsg != WM_CREATE && uMsg != WM_NCCREATE && uMsg != WM_NCCALCSIZE) {
    bool filtered = false;
    LRESULT result = MessageHandler(uMsg, wParam, lParam, filtered);
    if (filtered) return result;
  }
  switch (uMsg) {
    case WM_CREATE:
      return OnCreate();
    case WM_NCCALCSIZE:
      return 0;  // no frame: the client area is the whole window
    case WM_NCACTIVATE:
      if (::IsIconic(m_hWnd)) break;
      return TRUE;
    case WM_NCPAINT:
      return 0;
    case WM_NCHITTEST:
      return OnNcHitTest(lParam);
    case WM_GETMINMAXINFO:
      OnGetMinMaxInfo(lParam);
      return 0;
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED) m_skin.SetClientRect(ClientRectOf(m_hWnd));
      break;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_MOUSEMOVE:
    case WM_MOUSELEAVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
      OnMouseMessage(uMsg, lParam);
      return 0;
    case WM_KEYDOWN:
      if (m_skin.OnKeyDown(static_cast<int>(wParam))) return 0;
      break;
    case WM_SYSCOMMAND: {
      bool handled = false;
      LRESULT result = OnSysCommand(uMsg, wParam, lParam, handled);
      if (handled) return result;
      break;
    }
    default: {
      bool handled = false;
      LRESULT result = HandleCustomMessage(uMsg, wParam, lParam, handled);
      if (handled) return result;
      break;
    }
  }
  return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}

}  // namespace SkinUI
