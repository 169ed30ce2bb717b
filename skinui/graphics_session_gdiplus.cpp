#include "graphics_session.h"

#include "gdiplus_include.h"

namespace SkinUI {

GraphicsSession::GraphicsSession() {
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok) token_ = token;
}

GraphicsSession::~GraphicsSession() {
  if (token_ != 0) Gdiplus::GdiplusShutdown(token_);
}

}  // namespace SkinUI
