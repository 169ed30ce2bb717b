// The progress bar's range, clamping and fill geometry.
#include <gtest/gtest.h>

#include "dialog_builder.h"
#include "label.h"
#include "progress_range.h"
#include "skin_test_support.h"

using namespace SkinUI;

TEST(ProgressRange, ThirtySevenOfAHundredFills222Of600Pixels) {
  ProgressRange range;
  range.SetValue(37);
  EXPECT_EQ(range.FillLength(600), 222);
  range.SetValue(100);
  EXPECT_EQ(range.FillLength(600), 600);
  range.SetValue(0);
  EXPECT_EQ(range.FillLength(600), 0);
  range.SetValue(1);
  EXPECT_EQ(range.FillLength(600), 6);
  range.SetValue(99);
  EXPECT_EQ(range.FillLength(599), 593);  // 599 * 99 / 100 = 593.01, integer division
}

TEST(ProgressRange, ValuesAreClampedIntoTheRange) {
  ProgressRange range;
  range.SetValue(150);
  EXPECT_EQ(range.Value(), 100);
  range.SetValue(-5);
  EXPECT_EQ(range.Value(), 0);
  range.SetMin(20);
  range.SetMax(40);
  range.SetValue(30);
  EXPECT_EQ(range.FillLength(600), 300);
}

TEST(ProgressRange, MaxNotAboveMinCountsAsMinPlusOne) {
  ProgressRange range;
  range.SetValue(80);
  range.SetMax(0);  // max == min: the range becomes 0..1 and the value is clamped to 1
  EXPECT_EQ(range.FillLength(600), 600);
  range.SetMin(10);
  range.SetMax(5);  // max < min: 10..11, the stored 80 clamps to 11
  EXPECT_EQ(range.FillLength(600), 600);
  range.SetValue(7);  // stored as 10 (the min)
  EXPECT_EQ(range.Value(), 10);
  EXPECT_EQ(range.FillLength(600), 0);
}

TEST(ProgressBar, DrawsTheForeImageOverTheFillWithItsCorners) {
  CSkinTree tree;
  ASSERT_NE(CDialogBuilder::Create(skintest::ReadLayout("UninstDlg.xml"), tree, nullptr), nullptr);
  tree.SetClientRect({0, 0, 740, 400});
  auto* bar = dynamic_cast<CProgressUI*>(tree.FindControl(L"uninstProgress"));
  ASSERT_NE(bar, nullptr);
  const UiRect pos = bar->GetPos();
  ASSERT_EQ(pos.Width(), 600);

  bar->SetValue(37);
  EXPECT_EQ(bar->GetFillRect(), (UiRect{pos.left, pos.top, pos.left + 222, pos.bottom}));
  skintest::RecordingTarget target;
  bar->DoPaint(target, pos);
  ASSERT_EQ(target.images.size(), 2u);
  EXPECT_EQ(target.images[0].file, L"progress_back.png");
  EXPECT_EQ(target.images[0].target, pos);
  EXPECT_EQ(target.images[1].file, L"progress_fore.png");
  EXPECT_EQ(target.images[1].target, (UiRect{pos.left, pos.top, pos.left + 222, pos.bottom}));
  EXPECT_EQ(target.images[1].corner, (UiRect{10, 4, 10, 4}));

  bar->SetValue(150);
  EXPECT_EQ(bar->GetValue(), 100);
  EXPECT_EQ(bar->GetFillRect(), pos);

  bar->SetValue(0);
  skintest::RecordingTarget empty;
  bar->DoPaint(empty, pos);
  ASSERT_EQ(empty.images.size(), 1u);
  EXPECT_EQ(empty.images[0].file, L"progress_back.png");
}

TEST(ProgressBar, DefaultsToTwelvePixelsHighAndCentredText) {
  CProgressUI bar;
  EXPECT_EQ(bar.GetFixedHeight(), 12);
  EXPECT_EQ(bar.GetTextStyle(), kTextSingleLine | kTextCenter | kTextVCenter);
  EXPECT_EQ(bar.GetMinValue(), 0);
  EXPECT_EQ(bar.GetMaxValue(), 100);
  EXPECT_EQ(bar.GetValue(), 0);
  EXPECT_TRUE(bar.IsHorizontal());
}

TEST(ProgressBar, VerticalBarsFillFromTheBottom) {
  CProgressUI bar;
  bar.SetAttribute("hor", "false");
  bar.SetPos({0, 0, 10, 200});
  bar.SetValue(25);
  EXPECT_EQ(bar.GetFillRect(), (UiRect{0, 150, 10, 200}));
}
