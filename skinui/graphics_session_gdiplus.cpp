#include "graphics_session.h"

#include "gdiplus_include.h"

namespace SkinUI {

GraphicsSession::GraphicsSession() {
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok) m_token = token;
}

GraphicsSession::~GraphicsSession() {
  if (m_token != 0) Gdiplus::GdiplusShutdown(m_token);
}

}  // namespace SkinUI
