// Drawing the control tree into a device context: colours and borders with
// GDI, images with alpha blending, text with GDI+.
#pragma once

#include <windows.h>

#include <map>

#include "gdi_handles.h"
#include "render_target.h"
#include "skin_image.h"
#include "skin_tree.h"

namespace SkinUI {

// The GDI fonts of a window's font table, made on first use.
class CFontCache {
 public:
  HFONT Get(const CSkinTree& tree, int fontIndex);
  void Clear() { m_fonts.clear(); }

 private:
  std::map<int, tavrin::UniqueFont> m_fonts;
};

class CGdiRenderTarget : public IRenderTarget {
 public:
  CGdiRenderTarget(HDC dc, const CSkinTree& tree, CImageCache& images, CFontCache& fonts)
      : m_dc(dc), m_tree(tree), m_images(images), m_fonts(fonts) {}

  void FillRect(const UiRect& rect, uint32_t color) override;
  void DrawBorder(const UiRect& rect, int size, uint32_t color) override;
  bool DrawImage(const UiRect& controlRect, const ImageDescriptor& image) override;
  void DrawText(const UiRect& rect, const std::wstring& text, int fontIndex, uint32_t color, unsigned style) override;

 private:
  HDC m_dc;
  const CSkinTree& m_tree;
  CImageCache& m_images;
  CFontCache& m_fonts;
};

}  // namespace SkinUI
