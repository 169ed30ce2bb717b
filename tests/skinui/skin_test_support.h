// Helpers shared by the framework's tests: the layouts of the source tree and
// a render target that records what the controls draw.
#pragma once

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "render_target.h"
#include "skin_tree.h"

#ifndef SKINUI_LAYOUT_DIR
#error "SKINUI_LAYOUT_DIR names the folder of UninstDlg.xml"
#endif

namespace skintest {

inline std::string ReadLayout(const std::string& name) {
  std::ifstream in(std::string(SKINUI_LAYOUT_DIR) + "/" + name, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

struct DrawnImage {
  std::wstring file;
  SkinUI::UiRect target;  // where the image lands, in window coordinates
  SkinUI::UiRect corner;
};

struct DrawnText {
  std::wstring text;
  SkinUI::UiRect rect;
  int font;
  uint32_t color;
  unsigned style;
};

struct FilledRect {
  SkinUI::UiRect rect;
  uint32_t color;
};

class RecordingTarget : public SkinUI::IRenderTarget {
 public:
  void FillRect(const SkinUI::UiRect& rect, uint32_t color) override { fills.push_back({rect, color}); }
  void DrawBorder(const SkinUI::UiRect& rect, int size, uint32_t color) override {
    borders.push_back({rect, color});
    borderSizes.push_back(size);
  }
  bool DrawImage(const SkinUI::UiRect& controlRect, const SkinUI::ImageDescriptor& image) override {
    SkinUI::UiRect target = controlRect;
    if (image.hasDest) target = image.dest.Offset(controlRect.left, controlRect.top);
    images.push_back({image.file, target, image.corner});
    return true;
  }
  void DrawText(const SkinUI::UiRect& rect, const std::wstring& text, int font, uint32_t color,
                unsigned style) override {
    texts.push_back({text, rect, font, color, style});
  }

  const DrawnImage* FindImage(const std::wstring& file) const {
    for (const DrawnImage& image : images) {
      if (image.file == file) return &image;
    }
    return nullptr;
  }

  std::vector<FilledRect> fills;
  std::vector<FilledRect> borders;
  std::vector<int> borderSizes;
  std::vector<DrawnImage> images;
  std::vector<DrawnText> texts;
};

}  // namespace skintest
