// What the controls draw on. The window implements it with GDI and GDI+;
// tests implement it to see what a control draws.
#pragma once

#include <cstdint>
#include <string>

#include "image_descriptor.h"
#include "ui_rect.h"

namespace SkinUI {

class IRenderTarget {
 public:
  virtual ~IRenderTarget() = default;
  // Colours are AARRGGBB.
  virtual void FillRect(const UiRect& rect, uint32_t color) = 0;
  virtual void DrawBorder(const UiRect& rect, int size, uint32_t color) = 0;
  // Draws the image named by the descriptor for a control at controlRect;
  // false when the image cannot be loaded (then nothing is drawn).
  virtual bool DrawImage(const UiRect& controlRect, const ImageDescriptor& image) = 0;
  // fontIndex < 0 means the window's default font; style is a TextStyle set.
  virtual void DrawText(const UiRect& rect, const std::wstring& text, int fontIndex, uint32_t color,
                        unsigned style) = 0;
};

}  // namespace SkinUI
