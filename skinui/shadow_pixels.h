// The soft shadow computed from a window's shape, for shadows without an
// image. Pure pixel arithmetic: the window code supplies the shape.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace SkinUI {

struct ShadowParams {
  uint8_t darkness = 150;  // alpha at the darkest
  uint8_t sharpness = 5;   // width of the soft edge
  int8_t size = 0;         // how far the shadow reaches beyond the window on each side
  int8_t xOffset = 5;
  int8_t yOffset = 5;
  uint32_t color = 0;  // 0x00BBGGRR
};

// [start, end) of the shape on one row; an empty row is start = width, end = 0.
struct RowExtent {
  int start = 0;
  int end = 0;
};

// One extent per row of a width x height shape given by a point test.
std::vector<RowExtent> ScanShapeRows(int width, int height, const std::function<bool(int, int)>& inside);

// The colour with alpha a as a premultiplied pixel: a << 24 | R·a/255 << 16 | G·a/255 << 8 | B·a/255.
uint32_t PremultiplyShadowColor(uint32_t colorref, uint32_t alpha);

struct ShadowBitmapSize {
  int width = 0;
  int height = 0;
};
ShadowBitmapSize ComputedShadowSize(int parentWidth, int parentHeight, const ShadowParams& params);

// Fills a bottom-up 32-bit premultiplied bitmap of ComputedShadowSize, whose
// pixels must be 0 on entry, with the shadow of a parentWidth x parentHeight
// window whose shape has the given row extents.
void MakeShadowPixels(uint32_t* pixels, int parentWidth, int parentHeight, const std::vector<RowExtent>& parentRows,
                      const ShadowParams& params);

}  // namespace SkinUI
