#include "gdi_render_target.h"

#include "gdiplus_include.h"

#include <algorithm>

#include "text_style.h"

namespace SkinUI {

namespace {

BYTE AlphaOf(uint32_t argb) { return static_cast<BYTE>(argb >> 24); }

// A colour with alpha as a 1 x 1 premultiplied section stretched over the rectangle.
void BlendColor(HDC dc, const UiRect& rect, uint32_t argb) {
  void* bits = nullptr;
  tavrin::UniqueBitmap pixel = CreateArgbSection(1, 1, &bits);
  tavrin::UniqueMemoryDc pixelDc(::CreateCompatibleDC(dc));
  if (!pixel || !pixelDc) return;
  uint32_t a = AlphaOf(argb);
  uint32_t r = ((argb >> 16) & 0xFF) * a / 255;
  uint32_t g = ((argb >> 8) & 0xFF) * a / 255;
  uint32_t b = (argb & 0xFF) * a / 255;
  *static_cast<uint32_t*>(bits) = a << 24 | r << 16 | g << 8 | b;
  tavrin::SelectedObject selected(pixelDc.get(), pixel.get());
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  ::AlphaBlend(dc, rect.left, rect.top, rect.Width(), rect.Height(), pixelDc.get(), 0, 0, 1, 1, blend);
}

Gdiplus::StringAlignment HorizontalAlignment(unsigned style) {
  if (style & kTextCenter) return Gdiplus::StringAlignmentCenter;
  if (style & kTextRight) return Gdiplus::StringAlignmentFar;
  return Gdiplus::StringAlignmentNear;
}

Gdiplus::StringAlignment VerticalAlignment(unsigned style) {
  if (style & kTextVCenter) return Gdiplus::StringAlignmentCenter;
  if (style & kTextBottom) return Gdiplus::StringAlignmentFar;
  return Gdiplus::StringAlignmentNear;
}

}  // namespace

HFONT CFontCache::Get(const CSkinTree& tree, int fontIndex) {
  int key = tree.HasFont(fontIndex) ? fontIndex : -1;
  auto it = m_fonts.find(key);
  if (it != m_fonts.end()) return it->second.get();
  const FontInfo& font = tree.GetFont(key);
  LOGFONTW logFont{};
  logFont.lfHeight = -font.size;
  logFont.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
  logFont.lfItalic = font.italic ? TRUE : FALSE;
  logFont.lfUnderline = font.underline ? TRUE : FALSE;
  logFont.lfCharSet = DEFAULT_CHARSET;
  logFont.lfQuality = CLEARTYPE_QUALITY;
  lstrcpynW(logFont.lfFaceName, font.name.c_str(), LF_FACESIZE);
  return m_fonts.emplace(key, tavrin::UniqueFont(::CreateFontIndirectW(&logFont))).first->second.get();
}

void CGdiRenderTarget::FillRect(const UiRect& rect, uint32_t color) {
  if (rect.IsEmpty() || AlphaOf(color) == 0) return;
  if (AlphaOf(color) < 255) {
    BlendColor(m_dc, rect, color);
    return;
  }
  RECT r{rect.left, rect.top, rect.right, rect.bottom};
  COLORREF rgb = RGB((color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF);
  COLORREF old = ::SetBkColor(m_dc, rgb);
  ::ExtTextOutW(m_dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
  ::SetBkColor(m_dc, old);
}

void CGdiRenderTarget::DrawBorder(const UiRect& rect, int size, uint32_t color) {
  FillRect({rect.left, rect.top, rect.right, rect.top + size}, color);
  FillRect({rect.left, rect.bottom - size, rect.right, rect.bottom}, color);
  FillRect({rect.left, rect.top + size, rect.left + size, rect.bottom - size}, color);
  FillRect({rect.right - size, rect.top + size, rect.right, rect.bottom - size}, color);
}

bool CGdiRenderTarget::DrawImage(const UiRect& controlRect, const ImageDescriptor& descriptor) {
  const SkinImage* image = m_images.Get(descriptor.file);
  if (image == nullptr) return false;
  UiRect imageBounds{0, 0, image->width, image->height};
  UiRect source = descriptor.hasSource ? descriptor.source.Intersect(imageBounds) : imageBounds;
  UiRect target = controlRect;
  if (descriptor.hasDest) {
    target = descriptor.dest.Offset(controlRect.left, controlRect.top);
    target.right = std::min(target.right, controlRect.right);
    target.bottom = std::min(target.bottom, controlRect.bottom);
  }
  if (source.IsEmpty() || target.IsEmpty()) return false;
  NineGridOptions options;
  options.skipCentre = descriptor.hole;
  options.xTiled = descriptor.xTiled;
  options.yTiled = descriptor.yTiled;
  BYTE opacity = static_cast<BYTE>(std::clamp(descriptor.fade, 0, 255));
  DrawSkinImage(m_dc, *image, target, source, descriptor.corner, opacity, options);
  return true;
}

void CGdiRenderTarget::DrawText(const UiRect& rect, const std::wstring& text, int fontIndex, uint32_t color,
                                unsigned style) {
  if (text.empty() || rect.IsEmpty()) return;
  HFONT gdiFont = m_fonts.Get(m_tree, fontIndex);
  if (gdiFont == nullptr) return;
  Gdiplus::Graphics graphics(m_dc);
  graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAliasGridFit);
  Gdiplus::Font font(m_dc, gdiFont);
  Gdiplus::StringFormat format;
  format.SetAlignment(HorizontalAlignment(style));
  format.SetLineAlignment(VerticalAlignment(style));
  format.SetTrimming(Gdiplus::StringTrimmingNone);
  if (style & kTextSingleLine) format.SetFormatFlags(Gdiplus::StringFormatFlagsNoWrap);
  Gdiplus::SolidBrush brush(Gdiplus::Color(AlphaOf(color), (color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF));
  Gdiplus::RectF layout(static_cast<Gdiplus::REAL>(rect.left), static_cast<Gdiplus::REAL>(rect.top),
                        static_cast<Gdiplus::REAL>(rect.Width()), static_cast<Gdiplus::REAL>(rect.Height()));
  graphics.DrawString(text.c_str(), static_cast<INT>(text.size()), &font, layout, &format, &brush);
}

}  // namespace SkinUI
