// Nine-grid plans, image descriptors and attribute values.
#include <gtest/gtest.h>

#include "attribute_text.h"
#include "image_descriptor.h"
#include "nine_grid.h"

using namespace SkinUI;

namespace {

bool Overlaps(const UiRect& a, const UiRect& b) { return !a.Intersect(b).IsEmpty(); }

}  // namespace

TEST(NineGrid, ShadowImageLeavesTheWindowAreaEmptyAndKeepsItsCorners) {
  NineGridOptions options;
  options.skipCentre = true;
  auto cells = PlanNineGrid({0, 0, 772, 432}, {0, 0, 758, 508}, {16, 16, 16, 16}, options);
  ASSERT_EQ(cells.size(), 8u);
  const UiRect hole{16, 16, 756, 416};
  long covered = 0;
  for (const GridCell& cell : cells) {
    EXPECT_FALSE(Overlaps(cell.target, hole));
    covered += static_cast<long>(cell.target.Width()) * cell.target.Height();
  }
  EXPECT_EQ(covered, 772L * 432 - 740L * 400);
  // Corners keep their size; edges stretch.
  EXPECT_EQ(cells[0].source, (UiRect{0, 0, 16, 16}));
  EXPECT_EQ(cells[0].target, (UiRect{0, 0, 16, 16}));
  EXPECT_EQ(cells[1].source, (UiRect{16, 0, 742, 16}));
  EXPECT_EQ(cells[1].target, (UiRect{16, 0, 756, 16}));
  EXPECT_EQ(cells[7].source, (UiRect{742, 492, 758, 508}));
  EXPECT_EQ(cells[7].target, (UiRect{756, 416, 772, 432}));
}

TEST(NineGrid, ProgressFillStretchesOnlyTheMiddle) {
  auto cells = PlanNineGrid({70, 250, 292, 274}, {0, 0, 600, 24}, {10, 4, 10, 4}, {});
  ASSERT_EQ(cells.size(), 9u);
  EXPECT_EQ(cells[3].target, (UiRect{70, 254, 80, 270}));
  EXPECT_EQ(cells[4].source, (UiRect{10, 4, 590, 20}));
  EXPECT_EQ(cells[4].target, (UiRect{80, 254, 282, 270}));
  EXPECT_EQ(cells[5].target, (UiRect{282, 254, 292, 270}));
}

TEST(NineGrid, MarginsWiderThanTheTargetAreCut) {
  auto cells = PlanNineGrid({0, 0, 15, 24}, {0, 0, 600, 24}, {10, 0, 10, 0}, {});
  ASSERT_EQ(cells.size(), 2u);
  EXPECT_EQ(cells[0].target, (UiRect{0, 0, 10, 24}));
  EXPECT_EQ(cells[1].target, (UiRect{10, 0, 15, 24}));
  EXPECT_EQ(cells[1].source, (UiRect{595, 0, 600, 24}));
}

TEST(NineGrid, WithoutCornersTheWholeImageStretches) {
  auto cells = PlanNineGrid({5, 5, 105, 55}, {0, 0, 20, 10}, {}, {});
  ASSERT_EQ(cells.size(), 1u);
  EXPECT_EQ(cells[0].source, (UiRect{0, 0, 20, 10}));
  EXPECT_EQ(cells[0].target, (UiRect{5, 5, 105, 55}));
}

TEST(NineGrid, TiledMiddleRepeatsTheSource) {
  NineGridOptions options;
  options.xTiled = true;
  auto cells = PlanNineGrid({0, 0, 25, 10}, {0, 0, 10, 10}, {}, options);
  ASSERT_EQ(cells.size(), 3u);
  EXPECT_EQ(cells[2].target, (UiRect{20, 0, 25, 10}));
  EXPECT_EQ(cells[2].source, (UiRect{0, 0, 5, 10}));
}

TEST(ImageDescriptor, BareNameIsTheFile) {
  ImageDescriptor image = ParseImageDescriptor("logo.png");
  EXPECT_EQ(image.file, L"logo.png");
  EXPECT_FALSE(image.hasSource);
  EXPECT_FALSE(image.hasDest);
  EXPECT_EQ(image.fade, 255);
}

TEST(ImageDescriptor, PairsGiveFileSourceDestCornerAndTheRest) {
  ImageDescriptor image = ParseImageDescriptor(
      "file='a.png' source='1,2,3,4' dest='5,5,19,19' corner='10,4,10,4' fade='120' hole='true' "
      "xtiled='true' ytiled='false' mask='#FFFF00FF' res='7' restype='PNG' hsl='true' scale9='1,1,1,1'");
  EXPECT_EQ(image.file, L"a.png");
  EXPECT_TRUE(image.hasSource);
  EXPECT_EQ(image.source, (UiRect{1, 2, 3, 4}));
  EXPECT_TRUE(image.hasDest);
  EXPECT_EQ(image.dest, (UiRect{5, 5, 19, 19}));
  EXPECT_EQ(image.corner, (UiRect{10, 4, 10, 4}));
  EXPECT_EQ(image.fade, 120);
  EXPECT_TRUE(image.hole);
  EXPECT_TRUE(image.xTiled);
  EXPECT_FALSE(image.yTiled);
  EXPECT_EQ(image.mask, 0xFFFF00FFu);
  EXPECT_EQ(image.res, L"7");
  EXPECT_EQ(image.resType, L"PNG");
  EXPECT_TRUE(image.hsl);
  EXPECT_EQ(image.scale9, (UiRect{1, 1, 1, 1}));
}

TEST(AttributeValues, IntegerListsFillMissingNumbersWithZero) {
  EXPECT_EQ(ParseIntegerList("1, 2,x,4", 4), (std::vector<int>{1, 2, 0, 4}));
  EXPECT_EQ(ParseIntegerList("7", 4), (std::vector<int>{7, 0, 0, 0}));
  EXPECT_EQ(ParseIntegerList("-3,5", 2), (std::vector<int>{-3, 5}));
  EXPECT_EQ(ParseIntegerList("", 2), (std::vector<int>{0, 0}));
  EXPECT_EQ(ParseRect("702,22,718,38"), (UiRect{702, 22, 718, 38}));
}

TEST(AttributeValues, ColoursAndSwitches) {
  EXPECT_EQ(ParseColor("#FFF3F3F3"), 0xFFF3F3F3u);
  EXPECT_EQ(ParseColor("FFE3E3E3"), 0xFFE3E3E3u);
  EXPECT_EQ(ParseColor("#ffa7a6aa"), 0xFFA7A6AAu);
  EXPECT_TRUE(IsTrue("true"));
  EXPECT_FALSE(IsTrue("True"));
  EXPECT_FALSE(IsTrue("1"));
  EXPECT_TRUE(EqualsNoCase("MinInfo", "mininfo"));
  EXPECT_FALSE(EqualsNoCase("size", "sizebox"));
}

TEST(AttributeValues, AttributeListsKeepTheirOrder) {
  auto list = ParseAttributeList("width=\"8\" thumb=\"file='s.png' corner='0,4,0,4'\"  x = 'y'");
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0], (std::pair<std::string, std::string>{"width", "8"}));
  EXPECT_EQ(list[1].second, "file='s.png' corner='0,4,0,4'");
  EXPECT_EQ(list[2], (std::pair<std::string, std::string>{"x", "y"}));
}
