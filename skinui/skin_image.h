// Images of a skin, decoded once into 32-bit premultiplied bitmaps, and their
// drawing with corner margins (nine-grid), opacity and a left-out centre.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "argb_section.h"
#include "nine_grid.h"
#include "ui_rect.h"

namespace SkinUI {

struct SkinImage {
  tavrin::UniqueBitmap bitmap;  // top-down 32-bit section, premultiplied alpha
  int width = 0;
  int height = 0;
};

// Decodes PNG (or any format GDI+ reads) bytes; nullptr when they are not an image.
std::unique_ptr<SkinImage> DecodeSkinImage(const std::vector<uint8_t>& bytes);
// Loads a skin image by name (skin archive, then files); nullptr when missing.
std::unique_ptr<SkinImage> LoadSkinImage(const std::wstring& name);

// Draws `source` of the image into `target` with the corner margins kept,
// using the image's alpha times `opacity`.
void DrawSkinImage(HDC dc, const SkinImage& image, const UiRect& target, const UiRect& source, const UiRect& corner,
                   BYTE opacity, const NineGridOptions& options);

// The images one window has loaded, by name without regard to case; a name
// that failed to load is remembered as missing.
class CImageCache {
 public:
  const SkinImage* Get(const std::wstring& name);
  void Clear() { m_images.clear(); }

 private:
  std::map<std::wstring, std::unique_ptr<SkinImage>> m_images;
};

}  // namespace SkinUI
