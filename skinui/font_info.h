// One entry of a window's font table, as the layout's Font element gives it.
#pragma once

#include <string>

namespace SkinUI {

struct FontInfo {
  std::wstring name = L"Microsoft YaHei";
  int size = 12;  // character height in pixels
  bool bold = false;
  bool underline = false;
  bool italic = false;
};

}  // namespace SkinUI
