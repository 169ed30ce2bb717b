// Nine-grid drawing plan: which part of a source image goes to which part of
// the target so that the corner margins keep their size and the middle
// stretches (or tiles).
#pragma once

#include <vector>

#include "ui_rect.h"

namespace SkinUI {

struct GridCell {
  UiRect source;
  UiRect target;
};

struct NineGridOptions {
  bool skipCentre = false;  // the "hole": nothing is drawn in the middle cell
  bool xTiled = false;      // middle columns repeat instead of stretching
  bool yTiled = false;
};

// The cells to draw, in the order top row, middle row, bottom row; cells with
// an empty source or target are left out. Margins larger than the target are
// cut down so that the pieces never overlap.
std::vector<GridCell> PlanNineGrid(const UiRect& target, const UiRect& source, const UiRect& corner,
                                   const NineGridOptions& options);

}  // namespace SkinUI
