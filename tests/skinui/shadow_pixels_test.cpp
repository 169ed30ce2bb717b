// The computed soft shadow, checked against values worked out by hand for a
// 40 x 30 window whose region is the rectangle 0,0-30,20, with the shadow's
// fixed settings (darkness 150, sharpness 5, size 0, offsets 5,5, black).
//
// Working: the shadow bitmap is 40 x 30 and sits 5,5 below-right of the
// window. The region's rows 0..19 span [0,30); five erosions leave shadow rows
// 5..14 spanning [5,25). The kernel (radius 5) is stamped along row 5 and row
// 14 (whole rows, their neighbours outside are empty) and along columns 5 and
// 24 of rows 6..13. Rows 0..14 lie under the window (row + 5 < 20), so their
// columns 0..24 are cleared. A kernel cell at distance d holds alpha
// trunc((1 - d/6) * 150): 125, 100, 75, 50 for d = 1..4 and 24 for d = 5
// (1 - 5/6 is a hair below 1/6 in binary floating point).
#include <gtest/gtest.h>

#include <vector>

#include "shadow_pixels.h"

using namespace SkinUI;

namespace {

constexpr int kWidth = 40;
constexpr int kHeight = 30;

std::vector<uint32_t> ShadowOfRegionWindow() {
  ShadowParams params;
  std::vector<RowExtent> rows = ScanShapeRows(kWidth, kHeight, [](int x, int y) { return x < 30 && y < 20; });
  std::vector<uint32_t> pixels(kWidth * kHeight, 0);
  MakeShadowPixels(pixels.data(), kWidth, kHeight, rows, params);
  return pixels;
}

// Top-down row, column; the bitmap itself is bottom-up.
uint32_t At(const std::vector<uint32_t>& pixels, int row, int column) {
  return pixels[(kHeight - 1 - row) * kWidth + column];
}

uint32_t Black(uint32_t alpha) { return alpha << 24; }

}  // namespace

TEST(ShadowPixels, ScansTheRowsOfAShape) {
  auto rows = ScanShapeRows(10, 4, [](int x, int y) { return y != 2 && x >= y && x < 8 - y; });
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].start, 0);
  EXPECT_EQ(rows[0].end, 8);
  EXPECT_EQ(rows[1].start, 1);
  EXPECT_EQ(rows[1].end, 7);
  EXPECT_EQ(rows[2].start, 10);  // empty row
  EXPECT_EQ(rows[2].end, 0);
  EXPECT_EQ(rows[3].start, 3);
  EXPECT_EQ(rows[3].end, 5);
}

TEST(ShadowPixels, PremultipliesTheColour) {
  EXPECT_EQ(PremultiplyShadowColor(0x00000000, 150), 0x96000000u);
  // COLORREF 0x00BBGGRR: red 0x40, green 0x80, blue 0xFF at alpha 128 give
  // 0x20, 0x40 and 0x80 (each channel times 128/255, cut to whole numbers).
  EXPECT_EQ(PremultiplyShadowColor(0x00FF8040, 128), 0x80204080u);
  EXPECT_EQ(PremultiplyShadowColor(0x00FF8040, 128), 0x80204080u);
}

TEST(ShadowPixels, ComputedShadowMatchesTheHandWorkedValues) {
  std::vector<uint32_t> pixels = ShadowOfRegionWindow();
  // Right of the window's shadow edge, row 10: distance 1..5 from column 24.
  EXPECT_EQ(At(pixels, 10, 25), Black(125));
  EXPECT_EQ(At(pixels, 10, 26), Black(100));
  EXPECT_EQ(At(pixels, 10, 27), Black(75));
  EXPECT_EQ(At(pixels, 10, 28), Black(50));
  EXPECT_EQ(At(pixels, 10, 29), Black(24));
  EXPECT_EQ(At(pixels, 10, 30), 0u);
  // Below it, column 15: distance 1, 2 and 5 from row 14.
  EXPECT_EQ(At(pixels, 15, 15), Black(125));
  EXPECT_EQ(At(pixels, 16, 15), Black(100));
  EXPECT_EQ(At(pixels, 19, 15), Black(24));
  EXPECT_EQ(At(pixels, 20, 15), 0u);
  // Corner: distance sqrt(8) from (14,24) gives trunc(0.52859... * 150) = 79.
  EXPECT_EQ(At(pixels, 16, 26), Black(79));
  // Top right: distance sqrt(17) from (5,24) gives 46; row 0 is beyond reach.
  EXPECT_EQ(At(pixels, 1, 25), Black(46));
  EXPECT_EQ(At(pixels, 0, 25), 0u);
  // Under the window everything is cleared, even where the kernel was stamped.
  EXPECT_EQ(At(pixels, 12, 15), 0u);
  EXPECT_EQ(At(pixels, 5, 10), 0u);
  EXPECT_EQ(At(pixels, 14, 24), 0u);
  // Outside the region (the window's lower part) nothing is drawn.
  EXPECT_EQ(At(pixels, 25, 35), 0u);
}

TEST(ShadowPixels, NoAlphaAboveTheDarkness) {
  std::vector<uint32_t> pixels = ShadowOfRegionWindow();
  uint32_t darkest = 0;
  int painted = 0;
  for (uint32_t p : pixels) {
    darkest = std::max(darkest, p >> 24);
    if (p != 0) ++painted;
    EXPECT_EQ(p & 0x00FFFFFFu, 0u);  // black stays black when premultiplied
  }
  EXPECT_EQ(darkest, 125u);  // the solid part lies entirely under the window
  EXPECT_GT(painted, 100);
}

TEST(ShadowPixels, AnEmptyShapeGivesNoShadow) {
  ShadowParams params;
  std::vector<RowExtent> rows = ScanShapeRows(kWidth, kHeight, [](int, int) { return false; });
  std::vector<uint32_t> pixels(kWidth * kHeight, 0);
  MakeShadowPixels(pixels.data(), kWidth, kHeight, rows, params);
  for (uint32_t p : pixels) ASSERT_EQ(p, 0u);
}

TEST(ShadowPixels, AShadowWiderThanItsWindowIsSolidOutsideIt) {
  ShadowParams params;
  params.size = 8;       // reaches 8 pixels beyond each side
  params.sharpness = 2;  // kernel radius 8 with a solid core of radius 6
  params.xOffset = 0;
  params.yOffset = 0;
  ShadowBitmapSize size = ComputedShadowSize(20, 20, params);
  ASSERT_EQ(size.width, 36);
  ASSERT_EQ(size.height, 36);
  std::vector<RowExtent> rows = ScanShapeRows(20, 20, [](int, int) { return true; });
  std::vector<uint32_t> pixels(36 * 36, 0);
  MakeShadowPixels(pixels.data(), 20, 20, rows, params);
  auto at = [&](int row, int column) { return pixels[(35 - row) * 36 + column]; };
  EXPECT_EQ(at(18, 18), 0u);         // under the window
  EXPECT_EQ(at(18, 7), Black(150));  // just left of it: solid
  EXPECT_EQ(at(18, 2), Black(150));  // distance 6 from the row's left end: still the core
  EXPECT_EQ(at(18, 1), Black(100));  // distance 7: (1 - 1/3) * 150
  EXPECT_EQ(at(18, 0), Black(50));   // distance 8: (1 - 2/3) * 150
}
