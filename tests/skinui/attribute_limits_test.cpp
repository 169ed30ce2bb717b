// Layout numbers far beyond any screen: they saturate when read, so that the
// geometry built from them (x + width, stacked children, progress fill) stays
// within int. Found by the layout fuzz target.
#include <gtest/gtest.h>

#include <string>

#include "attribute_text.h"
#include "container.h"
#include "dialog_builder.h"
#include "skin_tree.h"

using namespace SkinUI;

namespace {

TEST(LayoutNumberLimits, NumbersBeyondTheLimitSaturate) {
  EXPECT_EQ(ParseInteger("99999999999999999999"), 1000000);
  EXPECT_EQ(ParseInteger("-99999999999999999999"), -1000000);
  EXPECT_EQ(ParseInteger("2147483648"), 1000000);
  EXPECT_EQ(ParseInteger("1000001"), 1000000);
  EXPECT_EQ(ParseInteger("999999"), 999999);
  EXPECT_EQ(ParseInteger("-740"), -740);
  const UiRect rect = ParseRect("2147483647,-2147483648, 12 ,99999999999");
  EXPECT_EQ(rect.left, 1000000);
  EXPECT_EQ(rect.top, -1000000);
  EXPECT_EQ(rect.right, 12);
  EXPECT_EQ(rect.bottom, 1000000);
}

TEST(LayoutNumberLimits, HugeSizesAndPositionsAreLaidOutWithinRange) {
  const std::string xml =
      "<Window size=\"320,200\"><VerticalLayout inset=\"-2147483648,0,2147483647,0\">"
      "<Label name=\"far\" float=\"true\" pos=\"2147483647,2147483647,-2147483648,5\"/>"
      "<Label name=\"tall\" height=\"2147483647\" width=\"99999999999999999999\"/>"
      "<Label name=\"taller\" height=\"2147483647\"/>"
      "<Progress name=\"bar\" min=\"2147483647\" max=\"-2147483648\" value=\"2147483647\"/>"
      "</VerticalLayout></Window>";
  CSkinTree tree;
  ASSERT_NE(CDialogBuilder::Create(xml, tree, nullptr), nullptr);
  tree.SetClientRect({0, 0, 320, 200});

  CControlUI* tall = tree.FindControl(L"tall");
  ASSERT_NE(tall, nullptr);
  EXPECT_EQ(tall->GetFixedWidth(), 1000000);
  EXPECT_EQ(tall->GetFixedHeight(), 1000000);
  EXPECT_EQ(tall->GetPos().Height(), 1000000);
  CControlUI* taller = tree.FindControl(L"taller");
  ASSERT_NE(taller, nullptr);
  EXPECT_EQ(taller->GetPos().top, tall->GetPos().bottom) << "stacked below";

  CControlUI* far = tree.FindControl(L"far");
  ASSERT_NE(far, nullptr);
  EXPECT_EQ(far->GetPos().left, 1000000);
  EXPECT_EQ(far->GetFixedWidth(), 0) << "a negative width becomes 0";
}

}  // namespace
