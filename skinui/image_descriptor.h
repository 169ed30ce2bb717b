// An image reference of a layout: a bare member name, or key='value' pairs
// (file, source, dest, corner and the less used keys).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "ui_rect.h"

namespace SkinUI {

struct ImageDescriptor {
  std::wstring file;  // member name in the skin archive (or a file path)
  std::wstring res;   // resource name, with restype
  std::wstring resType;
  bool hasSource = false;  // without a source the whole image is used
  UiRect source;
  bool hasDest = false;  // without a dest the whole control is covered
  UiRect dest;           // relative to the control's top-left
  UiRect corner;         // nine-grid margins of the source
  UiRect scale9;
  uint32_t mask = 0;  // colour made transparent, 0 = none
  uint32_t color = 0;
  int fade = 255;     // constant opacity
  bool hole = false;  // leave the centre cell out
  bool xTiled = false;
  bool yTiled = false;
  bool hsl = false;

  bool IsEmpty() const { return file.empty() && res.empty(); }
};

ImageDescriptor ParseImageDescriptor(std::string_view text);

}  // namespace SkinUI
