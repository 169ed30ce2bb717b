#include "nine_grid.h"

#include <algorithm>

namespace SkinUI {

namespace {

struct Band {
  int sourceFrom, sourceTo, targetFrom, targetTo;
};

// The three bands along one axis: leading margin, middle, trailing margin.
void SplitAxis(int sourceFrom, int sourceTo, int targetFrom, int targetTo, int lead, int trail, Band bands[3]) {
  int targetLength = targetTo - targetFrom;
  lead = std::max(0, std::min(lead, targetLength));
  trail = std::max(0, std::min(trail, targetLength - lead));
  bands[0] = {sourceFrom, sourceFrom + lead, targetFrom, targetFrom + lead};
  bands[1] = {sourceFrom + lead, sourceTo - trail, targetFrom + lead, targetTo - trail};
  bands[2] = {sourceTo - trail, sourceTo, targetTo - trail, targetTo};
}

// A tiled middle piece: repeated copies of the source, the last one cut.
void AddTiles(std::vector<GridCell>& cells, const UiRect& source, const UiRect& target, bool xTiled, bool yTiled) {
  int stepX = xTiled ? source.Width() : target.Width();
  int stepY = yTiled ? source.Height() : target.Height();
  if (stepX <= 0 || stepY <= 0) return;
  for (int y = target.top; y < target.bottom; y += stepY) {
    for (int x = target.left; x < target.right; x += stepX) {
      int w = std::min(stepX, target.right - x);
      int h = std::min(stepY, target.bottom - y);
      UiRect part{x, y, x + w, y + h};
      UiRect from = source;
      if (xTiled) from.right = from.left + w;
      if (yTiled) from.bottom = from.top + h;
      cells.push_back({from, part});
    }
  }
}

}  // namespace

std::vector<GridCell> PlanNineGrid(const UiRect& target, const UiRect& source, const UiRect& corner,
                                   const NineGridOptions& options) {
  Band columns[3];
  Band rows[3];
  SplitAxis(source.left, source.right, target.left, target.right, corner.left, corner.right, columns);
  SplitAxis(source.top, source.bottom, target.top, target.bottom, corner.top, corner.bottom, rows);
  std::vector<GridCell> cells;
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) {
      bool centre = r == 1 && c == 1;
      if (centre && options.skipCentre) continue;
      UiRect from{columns[c].sourceFrom, rows[r].sourceFrom, columns[c].sourceTo, rows[r].sourceTo};
      UiRect to{columns[c].targetFrom, rows[r].targetFrom, columns[c].targetTo, rows[r].targetTo};
      if (from.IsEmpty() || to.IsEmpty()) continue;
      bool tileX = options.xTiled && c == 1;
      bool tileY = options.yTiled && r == 1;
      if (tileX || tileY)
        AddTiles(cells, from, to, tileX, tileY);
      else
        cells.push_back({from, to});
    }
  }
  return cells;
}

}  // namespace SkinUI
