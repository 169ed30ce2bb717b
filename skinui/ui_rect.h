// Plain geometry of the UI framework: points, sizes and rectangles in pixels.
// A rectangle holds left,top (inside) and right,bottom (one past the edge).
#pragma once

#include <algorithm>

namespace SkinUI {

struct UiPoint {
  int x = 0;
  int y = 0;
};

struct UiSize {
  int cx = 0;
  int cy = 0;
};

struct UiRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool IsEmpty() const { return right <= left || bottom <= top; }
  bool Contains(UiPoint pt) const { return pt.x >= left && pt.x < right && pt.y >= top && pt.y < bottom; }
  UiRect Offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
  // Shrinks by the four margins of an inset rectangle.
  UiRect Deflate(const UiRect& inset) const {
    return {left + inset.left, top + inset.top, right - inset.right, bottom - inset.bottom};
  }
  UiRect Intersect(const UiRect& other) const {
    UiRect r{std::max(left, other.left), std::max(top, other.top), std::min(right, other.right),
             std::min(bottom, other.bottom)};
    if (r.IsEmpty()) return {};
    return r;
  }
  bool operator==(const UiRect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
  bool operator!=(const UiRect& o) const { return !(*this == o); }
};

inline UiRect MakeRectFromSize(int x, int y, int width, int height) { return {x, y, x + width, y + height}; }

}  // namespace SkinUI
