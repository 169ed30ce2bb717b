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
  void Clear() { fonts_.clear(); }

 private:
  std::map<int, tavrin::UniqueFont> fonts_;
};

class CGdiRenderTarget : public IRenderTarget {
 public:
  CGdiRenderTarget(HDC dc, const CSkinTree& tree, CImageCache& images, CFontCache& fonts)
      : dc_(dc), tree_(tree), images_(images), fonts_(fonts) {}

  void FillRect(const UiRect& rect, uint32_t color) override;
  void DrawBorder(const UiRect& rect, int size, uint32_t color) override;
  bool DrawImage(const UiRect& controlRect, const ImageDescriptor& image) override;
  void DrawText(const UiRect& rect, const std::wstring& text, int fontIndex, uint32_t color, unsigned style) override;

 private:
  HDC dc_;
  const CSkinTree& tree_;
  CImageCache& images_;
  CFontCache& fonts_;
};

}  // namespace SkinUI
