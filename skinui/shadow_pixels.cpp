#include "shadow_pixels.h"

#include <algorithm>
#include <cmath>

namespace SkinUI {

namespace {

// The bitmap being filled: bottom-up rows, addressed by top-down row index.
struct ShadowCanvas {
  uint32_t* pixels;
  int width;
  int height;

  uint32_t* Row(int topDownRow) const { return pixels + static_cast<size_t>(height - 1 - topDownRow) * width; }

  void Fill(int row, int from, int to, uint32_t value) const {
    from = std::max(from, 0);
    to = std::min(to, width);
    uint32_t* line = Row(row);
    for (int x = from; x < to; ++x) line[x] = value;
  }
};

// Extents of the shadow's rows with one empty guard row above and below:
// shadow row i lives at index i + 1. The window's rows sit `size` rows and
// columns in; the rest is empty.
std::vector<RowExtent> PlaceRows(const std::vector<RowExtent>& parentRows, int parentWidth, int parentHeight,
                                 int shadowHeight, int size) {
  int rows = std::max(parentHeight, shadowHeight) + 2;
  std::vector<RowExtent> anchors(rows, RowExtent{parentWidth, 0});
  for (int y = 0; y < parentHeight; ++y) {
    int index = y + size + 1;
    if (index >= 1 && index < rows - 1) {
      anchors[index] = {parentRows[y].start + size, parentRows[y].end + size};
    }
  }
  return anchors;
}

// Shrinks every row by one pixel at each end and by the rows around it.
void Erode(std::vector<RowExtent>& anchors) {
  std::vector<RowExtent> next = anchors;
  for (size_t j = 1; j + 1 < anchors.size(); ++j) {
    next[j].start = std::max({anchors[j - 1].start, anchors[j].start, anchors[j + 1].start}) + 1;
    next[j].end = std::min({anchors[j - 1].end, anchors[j].end, anchors[j + 1].end}) - 1;
  }
  anchors.swap(next);
}

// Square of (2k + 1)^2 premultiplied pixels fading from the centre.
std::vector<uint32_t> MakeKernel(int radius, int core, const ShadowParams& params) {
  int side = 2 * radius + 1;
  std::vector<uint32_t> kernel(static_cast<size_t>(side) * side, 0);
  for (int i = 0; i < side; ++i) {
    for (int j = 0; j < side; ++j) {
      double distance = std::sqrt(static_cast<double>((i - radius) * (i - radius) + (j - radius) * (j - radius)));
      uint32_t alpha = 0;
      if (distance < core) {
        alpha = params.darkness;
      } else if (distance <= radius) {
        alpha = static_cast<uint32_t>((1.0 - (distance - core) / (params.sharpness + 1)) * params.darkness);
      } else {
        continue;
      }
      kernel[static_cast<size_t>(i) * side + j] = PremultiplyShadowColor(params.color, alpha);
    }
  }
  return kernel;
}

// Puts the kernel centred on (row, column), keeping the larger value per pixel.
void Stamp(const ShadowCanvas& canvas, const std::vector<uint32_t>& kernel, int radius, int row, int column) {
  int side = 2 * radius + 1;
  for (int kk = 0; kk < side; ++kk) {
    int y = row - radius + kk;
    if (y < 0 || y >= canvas.height) continue;
    uint32_t* line = canvas.Row(y);
    for (int ll = 0; ll < side; ++ll) {
      int x = column - radius + ll;
      if (x < 0 || x >= canvas.width) continue;
      uint32_t value = kernel[static_cast<size_t>(kk) * side + ll];
      if (line[x] < value) line[x] = value;
    }
  }
}

// The soft edge: the kernel along the left and right ends of every row.
void PaintSoftBorder(const ShadowCanvas& canvas, const std::vector<RowExtent>& anchors,
                     const std::vector<uint32_t>& kernel, int radius) {
  for (int i = radius; i < canvas.height - radius; ++i) {
    const RowExtent& above = anchors[i];
    const RowExtent& row = anchors[i + 1];
    const RowExtent& below = anchors[i + 2];
    if (row.start >= row.end) continue;
    int leftStop = std::min(std::max(above.start, below.start) + 1, row.end);
    int j = row.start;
    for (; j < leftStop; ++j) Stamp(canvas, kernel, radius, i, j);
    for (j = std::max(j, std::min(above.end, below.end) - 1); j < row.end; ++j) {
      Stamp(canvas, kernel, radius, i, j);
    }
  }
}

// The solid inside, with the part that the window itself covers cut out.
void FillAndCut(const ShadowCanvas& canvas, const std::vector<RowExtent>& anchors,
                const std::vector<RowExtent>& parentRows, int parentHeight, int radius, const ShadowParams& params) {
  const int size = params.size;
  const uint32_t solid = PremultiplyShadowColor(params.color, params.darkness);
  int first = std::min(radius, std::max(size - params.yOffset, 0));
  int last = std::max(canvas.height - radius, std::min(parentHeight + size - params.yOffset, parentHeight + 2 * size));
  last = std::min(last, canvas.height);
  for (int i = std::max(first, 0); i < last; ++i) {
    const RowExtent& row = anchors[i + 1];
    int parentRow = i - size + params.yOffset;
    if (parentRow < 0 || parentRow >= parentHeight) {
      canvas.Fill(i, row.start, row.end, solid);
      continue;
    }
    int cutStart = parentRows[parentRow].start + size - params.xOffset;
    int cutEnd = parentRows[parentRow].end + size - params.xOffset;
    canvas.Fill(i, row.start, std::min(cutStart, row.end), solid);
    canvas.Fill(i, cutStart, cutEnd, 0);
    canvas.Fill(i, std::max(cutEnd, row.start), row.end, solid);
  }
}

}  // namespace

std::vector<RowExtent> ScanShapeRows(int width, int height, const std::function<bool(int, int)>& inside) {
  std::vector<RowExtent> rows(height, RowExtent{width, 0});
  for (int y = 0; y < height; ++y) {
    int start = 0;
    while (start < width && !inside(start, y)) ++start;
    if (start == width) continue;
    int last = width - 1;
    while (last > start && !inside(last, y)) --last;
    rows[y] = {start, last + 1};
  }
  return rows;
}

uint32_t PremultiplyShadowColor(uint32_t colorref, uint32_t alpha) {
  uint32_t r = colorref & 0xFF;
  uint32_t g = (colorref >> 8) & 0xFF;
  uint32_t b = (colorref >> 16) & 0xFF;
  return alpha << 24 | (r * alpha / 255) << 16 | (g * alpha / 255) << 8 | (b * alpha / 255);
}

ShadowBitmapSize ComputedShadowSize(int parentWidth, int parentHeight, const ShadowParams& params) {
  return {parentWidth + 2 * params.size, parentHeight + 2 * params.size};
}

void MakeShadowPixels(uint32_t* pixels, int parentWidth, int parentHeight, const std::vector<RowExtent>& parentRows,
                      const ShadowParams& params) {
  ShadowBitmapSize shadow = ComputedShadowSize(parentWidth, parentHeight, params);
  if (shadow.width <= 0 || shadow.height <= 0 || static_cast<int>(parentRows.size()) < parentHeight) return;
  ShadowCanvas canvas{pixels, shadow.width, shadow.height};
  std::vector<RowExtent> anchors = PlaceRows(parentRows, parentWidth, parentHeight, shadow.height, params.size);
  for (int i = 0; i < params.sharpness - params.size; ++i) Erode(anchors);
  int radius = std::max<int>(params.size, params.sharpness);
  int core = params.size > params.sharpness ? params.size - params.sharpness : 0;
  std::vector<uint32_t> kernel = MakeKernel(radius, core, params);
  PaintSoftBorder(canvas, anchors, kernel, radius);
  FillAndCut(canvas, anchors, parentRows, parentHeight, radius, params);
}

}  // namespace SkinUI
