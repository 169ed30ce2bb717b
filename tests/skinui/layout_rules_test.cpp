// The layout vocabulary's matching rules: exact control attribute names,
// Window/Font/Default attributes in any case, document order, alignment
// words, switches, colours and the builder callback.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "container.h"
#include "dialog_builder.h"
#include "label.h"
#include "skin_tree.h"
#include "text_style.h"

using namespace SkinUI;

namespace {

std::string Layout(const std::string& controls, const std::string& head = "") {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?><Window size=\"300,200\">" + head + "<Container>" + controls +
         "</Container></Window>";
}

CControlUI* BuildAndFind(CSkinTree& tree, const std::string& xml, const wchar_t* name,
                         IDialogBuilderCallback* callback = nullptr) {
  if (CDialogBuilder::Create(xml, tree, callback) == nullptr) return nullptr;
  tree.SetClientRect({0, 0, 300, 200});
  return tree.FindControl(name);
}

class NamingCallback : public IDialogBuilderCallback {
 public:
  CControlUI* CreateControl(const wchar_t* className) override {
    asked.push_back(className);
    if (std::wstring(className) == L"Custom") return new CLabelUI();
    return nullptr;
  }
  std::vector<std::wstring> asked;
};

}  // namespace

TEST(LayoutRules, ControlAttributeNamesAreCaseSensitive) {
  CSkinTree tree;
  auto* label = dynamic_cast<CLabelUI*>(
      BuildAndFind(tree, Layout("<Label name=\"a\" NAME=\"b\" Text=\"upper\" TEXTCOLOR=\"#FF102030\" />"), L"a"));
  ASSERT_NE(label, nullptr);
  EXPECT_TRUE(label->GetText().empty());
  EXPECT_EQ(label->GetTextColor(), 0u);
  EXPECT_EQ(tree.FindControl(L"b"), nullptr);
}

TEST(LayoutRules, WindowFontAndDefaultAttributesIgnoreCase) {
  CSkinTree tree;
  std::string xml =
      "<Window SIZE=\"640,480\" Caption=\"2,0,3,40\" MinInfo=\"320,240\" MAXINFO=\"800,600\">"
      "<Font ID=\"4\" NAME=\"Tahoma\" SIZE=\"11\" BOLD=\"true\" Italic=\"true\" />"
      "<Font id=\"5\" name=\"Arial\" size=\"13\" DEFAULT=\"true\" />"
      "<Default NAME=\"label\" VALUE=\"textcolor=&quot;#FF112233&quot; font=&quot;4&quot;\" />"
      "<Container><Label name=\"x\" /><Button name=\"y\" /></Container></Window>";
  ASSERT_NE(CDialogBuilder::Create(xml, tree, nullptr), nullptr);
  EXPECT_EQ(tree.Window().size.cx, 640);
  EXPECT_EQ(tree.Window().size.cy, 480);
  EXPECT_EQ(tree.Window().caption, (UiRect{2, 0, 3, 40}));
  EXPECT_EQ(tree.Window().minInfo.cx, 320);
  EXPECT_EQ(tree.Window().maxInfo.cy, 600);
  ASSERT_TRUE(tree.HasFont(4));
  EXPECT_EQ(tree.GetFont(4).name, L"Tahoma");
  EXPECT_EQ(tree.GetFont(4).size, 11);
  EXPECT_TRUE(tree.GetFont(4).bold);
  EXPECT_TRUE(tree.GetFont(4).italic);
  EXPECT_EQ(tree.GetDefaultFont().name, L"Arial");
  EXPECT_EQ(tree.GetFont(77).name, L"Arial");  // unknown ids give the default font
  auto* label = dynamic_cast<CLabelUI*>(tree.FindControl(L"x"));
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->GetTextColor(), 0xFF112233u);
  EXPECT_EQ(label->GetFont(), 4);
  auto* button = dynamic_cast<CButtonUI*>(tree.FindControl(L"y"));
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->GetTextColor(), 0u);  // defaults are per class
}

TEST(LayoutRules, LaterAttributesOverrideEarlierOnes) {
  CSkinTree tree;
  auto* a = BuildAndFind(tree,
                         Layout("<Label name=\"a\" float=\"true\" pos=\"10,20,0,0\" width=\"50\" height=\"30\" />"
                                "<Label name=\"b\" float=\"true\" width=\"50\" height=\"30\" pos=\"10,20,15,27\" />"),
                         L"a");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->GetPos(), (UiRect{10, 20, 60, 50}));
  EXPECT_EQ(tree.FindControl(L"b")->GetPos(), (UiRect{10, 20, 15, 27}));
}

TEST(LayoutRules, PosWithMissingNumbersCountsThemAsZero) {
  CSkinTree tree;
  auto* a = BuildAndFind(tree, Layout("<Label name=\"a\" float=\"true\" pos=\"7,9\" />"), L"a");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->GetFixedXY().x, 7);
  EXPECT_EQ(a->GetFixedXY().y, 9);
  EXPECT_EQ(a->GetFixedWidth(), 0);
  EXPECT_EQ(a->GetFixedHeight(), 0);
}

TEST(LayoutRules, OnlyTrueSwitchesOn) {
  CSkinTree tree;
  ASSERT_NE(BuildAndFind(tree,
                         Layout("<Label name=\"a\" float=\"1\" visible=\"TRUE\" mouse=\"false\" />"
                                "<Label name=\"b\" float=\"true\" visible=\"true\" />"),
                         L"a"),
            nullptr);
  CControlUI* a = tree.FindControl(L"a");
  EXPECT_FALSE(a->IsFloat());
  EXPECT_FALSE(a->IsVisible());
  EXPECT_FALSE(a->IsMouseEnabled());
  CControlUI* b = tree.FindControl(L"b");
  EXPECT_TRUE(b->IsFloat());
  EXPECT_TRUE(b->IsVisible());
  EXPECT_TRUE(b->IsMouseEnabled());
}

TEST(LayoutRules, AlignmentWordsAreTestedInOrderAndTheLastMatchWins) {
  CSkinTree tree;
  ASSERT_NE(BuildAndFind(tree,
                         Layout("<Label name=\"a\" align=\"right center\" />"
                                "<Label name=\"b\" align=\"left center\" />"
                                "<Label name=\"c\" valign=\"center\" />"
                                "<Label name=\"d\" valign=\"bottom top\" />"
                                "<Text name=\"e\" valign=\"center\" />"
                                "<Button name=\"f\" />"),
                         L"a"),
            nullptr);
  auto style = [&](const wchar_t* name) { return dynamic_cast<CLabelUI*>(tree.FindControl(name))->GetTextStyle(); };
  EXPECT_EQ(style(L"a") & kTextHorizontalMask, kTextRight);
  EXPECT_EQ(style(L"b") & kTextHorizontalMask, kTextCenter);
  // "center" alone is no vertical word: labels stay vertically centred, text stays at the top.
  EXPECT_EQ(style(L"c") & kTextVerticalMask, kTextVCenter);
  EXPECT_EQ(style(L"c") & kTextHorizontalMask, kTextLeft);
  EXPECT_TRUE(style(L"c") & kTextSingleLine);
  EXPECT_EQ(style(L"d") & kTextVerticalMask, kTextBottom);
  EXPECT_EQ(style(L"e") & kTextVerticalMask, kTextTop);
  EXPECT_TRUE(style(L"e") & kTextWordBreak);
  EXPECT_EQ(style(L"f"), kTextSingleLine | kTextCenter | kTextVCenter);
}

TEST(LayoutRules, ColoursTakeEightHexDigitsWithOrWithoutHash) {
  CSkinTree tree;
  ASSERT_NE(BuildAndFind(tree,
                         Layout("<Label name=\"a\" bkcolor=\"#80FF0000\" bordercolor=\"FF00ff00\" "
                                "bordersize=\"2\" textcolor=\"#ff0000FF\" disabledtextcolor=\"zz\" />"),
                         L"a"),
            nullptr);
  auto* a = dynamic_cast<CLabelUI*>(tree.FindControl(L"a"));
  EXPECT_EQ(a->GetBkColor(), 0x80FF0000u);
  EXPECT_EQ(a->GetBorderColor(), 0xFF00FF00u);
  EXPECT_EQ(a->GetBorderSize(), 2);
  EXPECT_EQ(a->GetTextColor(), 0xFF0000FFu);
  EXPECT_EQ(a->GetDisabledTextColor(), 0u);
}

TEST(LayoutRules, UnknownElementsGoToTheCallbackAndAreSkippedWithoutAControl) {
  CSkinTree tree;
  NamingCallback callback;
  std::string xml = Layout(
      "<Unknown name=\"u\"><Label name=\"inner\" /></Unknown>"
      "<Custom name=\"c\" text=\"made\" /><Label name=\"after\" />");
  ASSERT_NE(BuildAndFind(tree, xml, L"after", &callback), nullptr);
  ASSERT_EQ(callback.asked.size(), 2u);
  EXPECT_EQ(callback.asked[0], L"Unknown");
  EXPECT_EQ(callback.asked[1], L"Custom");
  EXPECT_EQ(tree.FindControl(L"u"), nullptr);
  EXPECT_EQ(tree.FindControl(L"inner"), nullptr);
  ASSERT_NE(tree.FindControl(L"c"), nullptr);
  EXPECT_EQ(tree.FindControl(L"c")->GetText(), L"made");
}

TEST(LayoutRules, DocumentsThatAreNoLayoutDoNotBuild) {
  CSkinTree tree;
  EXPECT_EQ(CDialogBuilder::Create("", tree, nullptr), nullptr);
  EXPECT_EQ(CDialogBuilder::Create("<Window><Container>", tree, nullptr), nullptr);
  EXPECT_EQ(CDialogBuilder::Create("<Dialog><Container /></Dialog>", tree, nullptr), nullptr);
  EXPECT_EQ(CDialogBuilder::Create("<Window size=\"1,1\"><Font id=\"1\" /></Window>", tree, nullptr), nullptr);
  EXPECT_EQ(tree.GetRoot(), nullptr);
}

TEST(LayoutRules, PlainContainersGiveTheirChildrenTheInnerRectangleAndLayoutsStack) {
  CSkinTree tree;
  std::string xml = Layout(
      "<VerticalLayout name=\"v\" inset=\"10,20,30,40\">"
      "<Label name=\"v1\" height=\"15\" /><Label name=\"v2\" /><Label name=\"v3\" height=\"25\" />"
      "<Label name=\"vf\" float=\"true\" pos=\"5,6,9,10\" /></VerticalLayout>");
  ASSERT_NE(BuildAndFind(tree, xml, L"v"), nullptr);
  EXPECT_EQ(tree.FindControl(L"v")->GetPos(), (UiRect{0, 0, 300, 200}));
  EXPECT_EQ(tree.FindControl(L"v1")->GetPos(), (UiRect{10, 20, 270, 35}));
  EXPECT_EQ(tree.FindControl(L"v2")->GetPos(), (UiRect{10, 35, 270, 135}));
  EXPECT_EQ(tree.FindControl(L"v3")->GetPos(), (UiRect{10, 135, 270, 160}));
  // Floating children start at the container's outer corner, not inside the inset.
  EXPECT_EQ(tree.FindControl(L"vf")->GetPos(), (UiRect{5, 6, 9, 10}));
}

TEST(LayoutRules, HidingAStackedControlGivesItsRoomToTheOthers) {
  CSkinTree tree;
  std::string xml = Layout(
      "<HorizontalLayout name=\"h\"><Label name=\"a\" width=\"100\" /><Label name=\"b\" />"
      "<Label name=\"c\" width=\"50\" /></HorizontalLayout>");
  ASSERT_NE(BuildAndFind(tree, xml, L"h"), nullptr);
  EXPECT_EQ(tree.FindControl(L"b")->GetPos(), (UiRect{100, 0, 250, 200}));
  EXPECT_EQ(tree.FindControl(L"c")->GetPos(), (UiRect{250, 0, 300, 200}));
  tree.FindControl(L"a")->SetVisible(false);
  EXPECT_EQ(tree.FindControl(L"b")->GetPos(), (UiRect{0, 0, 250, 200}));
  tree.FindControl(L"a")->SetVisible(true);
  EXPECT_EQ(tree.FindControl(L"b")->GetPos(), (UiRect{100, 0, 250, 200}));
}
