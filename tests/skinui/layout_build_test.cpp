// Building the uninstaller's layouts: the control tree, its geometry, the
// window attributes, fonts and defaults, the lookups and the tab pages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "container.h"
#include "dialog_builder.h"
#include "label.h"
#include "skin_test_support.h"
#include "skin_tree.h"
#include "text_style.h"

using namespace SkinUI;

namespace {

struct BuiltLayout {
  CSkinTree tree;
  CControlUI* root = nullptr;
};

// Builds a layout and lays it out at the window size it asks for.
void Build(BuiltLayout& built, const std::string& file) {
  built.root = CDialogBuilder::Create(skintest::ReadLayout(file), built.tree, nullptr);
  ASSERT_NE(built.root, nullptr) << file;
  const UiSize& size = built.tree.Window().size;
  built.tree.SetClientRect({0, 0, size.cx, size.cy});
}

void CollectControls(CControlUI* control, std::vector<CControlUI*>& out) {
  out.push_back(control);
  if (auto* container = dynamic_cast<CContainerUI*>(control)) {
    for (int i = 0; i < container->GetCount(); ++i) CollectControls(container->GetItemAt(i), out);
  }
}

// One row of the uninstaller's layout table, positions in window coordinates.
struct ExpectedControl {
  int page;
  const wchar_t* cls;
  const wchar_t* name;
  const wchar_t* text;
  int font;
  int x, y, width, height;
  uint32_t textColor;
  unsigned align;
  unsigned valign;
  const wchar_t* bkimage;
};

const wchar_t kNotice[] =
    L"注：用户配置包括：已添加的扩展程序、书签和其它的设置。如果不清除，则下次在安装时依然可以使用这些设置！";

// Pages start at window 1,1; the "pos" values of the table are page offsets.
const ExpectedControl kPageControls[] = {
    {0, L"Label", L"", L"", -1, 331, 91, 80, 80, 0, kTextCenter, kTextVCenter, L"logo.png"},
    {0, L"Label", L"", L"塔文浏览器", 0, 301, 189, 140, 20, 0xFF888888, kTextCenter, kTextVCenter, L""},
    {0, L"Button", L"btnUnInstall", L"卸载", 3, 241, 231, 120, 34, 0xFF818181, kTextCenter, kTextVCenter, L""},
    {0, L"Button", L"btnCancel", L"取消", 3, 381, 231, 120, 34, 0xFF818181, kTextCenter, kTextVCenter, L""},
    {0, L"CheckBox", L"ck_clear_user_data", L"清除用户配置", 2, 21, 336, 150, 24, 0xFF818181, kTextLeft, kTextVCenter,
     L""},
    {0, L"Label", L"", kNotice, 2, 21, 361, 700, 24, 0xFF888888, kTextLeft, kTextVCenter, L""},
    {1, L"Label", L"", L"", -1, 331, 91, 80, 80, 0, kTextCenter, kTextVCenter, L"logo.png"},
    {1, L"Label", L"txtStatus", L"正在安装，请稍等...", 1, 251, 199, 240, 20, 0xFF888888, kTextCenter, kTextVCenter,
     L""},
    {1, L"Progress", L"uninstProgress", L"", -1, 71, 251, 600, 24, 0xFF000000, kTextCenter, kTextTop,
     L"progress_back.png"},
    {2, L"Label", L"", L"", -1, 331, 91, 80, 80, 0, kTextCenter, kTextVCenter, L"logo.png"},
    {2, L"Label", L"", L"塔文浏览器", 1, 301, 189, 140, 20, 0xFF888888, kTextCenter, kTextVCenter, L""},
    {2, L"Button", L"btnOver", L"卸载成功", 3, 311, 231, 120, 34, 0xFF818181, kTextCenter, kTextVCenter, L""},
};

void ExpectButtonImages(const CButtonUI& button) {
  EXPECT_EQ(button.GetNormalImage().file, L"btn_normal.png");
  EXPECT_EQ(button.GetHotImage().file, L"btn_hover.png");
  EXPECT_EQ(button.GetPushedImage().file, L"btn_pushed.png");
  EXPECT_EQ(button.GetDisabledImage().file, L"btn_disabled.png");
}

}  // namespace

TEST(UninstLayout, WindowAttributesFontsAndDefaults) {
  BuiltLayout built;
  Build(built, "UninstDlg.xml");
  const SkinWindowAttributes& window = built.tree.Window();
  EXPECT_EQ(window.size.cx, 740);
  EXPECT_EQ(window.size.cy, 400);
  EXPECT_EQ(window.caption, (UiRect{0, 0, 0, 80}));
  EXPECT_EQ(window.minInfo.cx, 740);
  EXPECT_EQ(window.minInfo.cy, 400);
  EXPECT_EQ(window.sizeBox, UiRect{});

  const int sizes[] = {14, 18, 12, 16, 22, 14, 20, 26, 24};
  for (int id = 0; id < 9; ++id) {
    ASSERT_TRUE(built.tree.HasFont(id)) << id;
    EXPECT_EQ(built.tree.GetFont(id).name, L"Microsoft YaHei") << id;
    EXPECT_EQ(built.tree.GetFont(id).size, sizes[id]) << id;
    EXPECT_EQ(built.tree.GetFont(id).bold, id == 5) << id;
  }
  EXPECT_FALSE(built.tree.HasFont(9));
  EXPECT_EQ(built.tree.GetDefaultFont().size, 14);
  EXPECT_FALSE(built.tree.GetDefaultFont().bold);

  const AttributeList* scrollBar = built.tree.GetDefaultAttributes("vscrollbar");
  ASSERT_NE(scrollBar, nullptr);
  bool sawWidth = false;
  for (const auto& [name, value] : *scrollBar) {
    if (name == "width") {
      EXPECT_EQ(value, "8");
      sawWidth = true;
    }
    if (name == "thumbnormalimage") {
      EXPECT_NE(value.find("scrollbar.png"), std::string::npos);
    }
  }
  EXPECT_TRUE(sawWidth);
}

TEST(UninstLayout, BuildsExactlyTheControlsOfTheTable) {
  BuiltLayout built;
  Build(built, "UninstDlg.xml");
  std::vector<CControlUI*> all;
  CollectControls(built.root, all);
  // Container, tab layout, three pages, twelve page controls, the close button.
  ASSERT_EQ(all.size(), 1u + 1u + 3u + 12u + 1u);

  auto* container = dynamic_cast<CContainerUI*>(built.root);
  ASSERT_NE(container, nullptr);
  EXPECT_STREQ(container->GetClass(), L"Container");
  EXPECT_EQ(container->GetPos(), (UiRect{0, 0, 740, 400}));
  EXPECT_EQ(container->GetInset(), (UiRect{1, 1, 1, 1}));
  EXPECT_EQ(container->GetBkColor(), 0xFFF3F3F3u);
  EXPECT_EQ(container->GetBorderSize(), 1);
  EXPECT_EQ(container->GetBorderColor(), 0xFFE3E3E3u);
  ASSERT_EQ(container->GetCount(), 2);

  auto* tab = dynamic_cast<CTabLayoutUI*>(container->GetItemAt(0));
  ASSERT_NE(tab, nullptr);
  EXPECT_EQ(tab->GetName(), L"mainTab");
  EXPECT_EQ(tab->GetPos(), (UiRect{1, 1, 739, 399}));
  ASSERT_EQ(tab->GetCount(), 3);

  size_t row = 0;
  for (int page = 0; page < 3; ++page) {
    auto* layout = dynamic_cast<CVerticalLayoutUI*>(tab->GetItemAt(page));
    ASSERT_NE(layout, nullptr) << page;
    EXPECT_EQ(layout->GetPos(), (UiRect{1, 1, 739, 399})) << page;
    for (int i = 0; i < layout->GetCount(); ++i, ++row) {
      ASSERT_LT(row, std::size(kPageControls));
      const ExpectedControl& want = kPageControls[row];
      SCOPED_TRACE(testing::Message() << "page " << page << " control " << i);
      EXPECT_EQ(want.page, page);
      auto* label = dynamic_cast<CLabelUI*>(layout->GetItemAt(i));
      ASSERT_NE(label, nullptr);
      EXPECT_STREQ(label->GetClass(), want.cls);
      EXPECT_EQ(label->GetName(), want.name);
      EXPECT_EQ(label->GetText(), want.text);
      EXPECT_EQ(label->GetFont(), want.font);
      EXPECT_TRUE(label->IsFloat());
      EXPECT_EQ(label->GetPos(), MakeRectFromSize(want.x, want.y, want.width, want.height));
      EXPECT_EQ(label->GetTextColor(), want.textColor);
      EXPECT_EQ(label->GetDisabledTextColor(), 0xFFA7A6AAu);
      EXPECT_EQ(label->GetTextStyle() & kTextHorizontalMask, want.align);
      EXPECT_EQ(label->GetTextStyle() & kTextVerticalMask, want.valign);
      EXPECT_EQ(label->GetBkImage().file, want.bkimage);
      if (auto* button = dynamic_cast<CButtonUI*>(label); button && !dynamic_cast<CCheckBoxUI*>(label)) {
        ExpectButtonImages(*button);
      }
    }
  }
  EXPECT_EQ(row, std::size(kPageControls));

  auto* close = dynamic_cast<CButtonUI*>(container->GetItemAt(1));
  ASSERT_NE(close, nullptr);
  EXPECT_STREQ(close->GetClass(), L"Button");
  EXPECT_EQ(close->GetName(), L"closeBtn");
  EXPECT_TRUE(close->GetText().empty());
  EXPECT_EQ(close->GetPos(), (UiRect{702, 22, 718, 38}));
  EXPECT_EQ(close->GetTextColor(), 0xFF000000u);
  EXPECT_EQ(close->GetNormalImage().file, L"main_close.png");
  EXPECT_EQ(close->GetHotImage().file, L"main_close_hover.png");
  EXPECT_EQ(close->GetPushedImage().file, L"main_close_hover.png");
}

TEST(UninstLayout, CheckBoxAndProgressCarryTheirImagesAndRange) {
  BuiltLayout built;
  Build(built, "UninstDlg.xml");
  auto* check = dynamic_cast<CCheckBoxUI*>(built.tree.FindControl(L"ck_clear_user_data"));
  ASSERT_NE(check, nullptr);
  EXPECT_EQ(check->GetTextPadding(), (UiRect{24, 0, 0, 0}));
  EXPECT_EQ(check->GetNormalImage().file, L"uncheck.png");
  EXPECT_TRUE(check->GetNormalImage().hasDest);
  EXPECT_EQ(check->GetNormalImage().dest, (UiRect{5, 5, 19, 19}));
  EXPECT_EQ(check->GetSelectedImage().file, L"check.png");
  EXPECT_EQ(check->GetSelectedImage().dest, (UiRect{5, 5, 19, 19}));
  EXPECT_FALSE(check->GetCheck());

  auto* progress = dynamic_cast<CProgressUI*>(built.tree.FindControl(L"uninstProgress"));
  ASSERT_NE(progress, nullptr);
  EXPECT_EQ(progress->GetBkImage().corner, (UiRect{10, 4, 10, 4}));
  EXPECT_EQ(progress->GetForeImage().file, L"progress_fore.png");
  EXPECT_EQ(progress->GetForeImage().corner, (UiRect{10, 4, 10, 4}));
  EXPECT_EQ(progress->GetMinValue(), 0);
  EXPECT_EQ(progress->GetMaxValue(), 100);
  EXPECT_EQ(progress->GetValue(), 50);
  EXPECT_TRUE(progress->IsHorizontal());
}

TEST(UninstLayout, FindsTheFiveControlsAndNoWindowButtons) {
  BuiltLayout built;
  Build(built, "UninstDlg.xml");
  EXPECT_NE(dynamic_cast<CTabLayoutUI*>(built.tree.FindControl(L"mainTab")), nullptr);
  EXPECT_NE(dynamic_cast<CButtonUI*>(built.tree.FindControl(L"closeBtn")), nullptr);
  EXPECT_NE(dynamic_cast<CProgressUI*>(built.tree.FindControl(L"uninstProgress")), nullptr);
  EXPECT_NE(dynamic_cast<CLabelUI*>(built.tree.FindControl(L"txtStatus")), nullptr);
  EXPECT_NE(dynamic_cast<CCheckBoxUI*>(built.tree.FindControl(L"ck_clear_user_data")), nullptr);
  EXPECT_EQ(built.tree.FindControl(L"minBtn"), nullptr);
  EXPECT_EQ(built.tree.FindControl(L"maxBtn"), nullptr);
  EXPECT_EQ(built.tree.FindControl(L"restoreBtn"), nullptr);
  // Exact names only.
  EXPECT_EQ(built.tree.FindControl(L"closebtn"), nullptr);
  EXPECT_EQ(built.tree.FindControl(L""), nullptr);
}

TEST(UninstLayout, OnlyTheFirstPageIsVisibleAndSelectingAPageHidesTheOthers) {
  BuiltLayout built;
  Build(built, "UninstDlg.xml");
  auto* tab = dynamic_cast<CTabLayoutUI*>(built.tree.FindControl(L"mainTab"));
  ASSERT_NE(tab, nullptr);
  EXPECT_EQ(tab->GetCurSel(), 0);
  EXPECT_TRUE(tab->GetItemAt(0)->IsVisible());
  EXPECT_FALSE(tab->GetItemAt(1)->IsVisible());
  EXPECT_FALSE(tab->GetItemAt(2)->IsVisible());
  EXPECT_TRUE(built.tree.FindControl(L"btnUnInstall")->IsShown());
  EXPECT_FALSE(built.tree.FindControl(L"uninstProgress")->IsShown());

  ASSERT_TRUE(tab->SelectItem(1));
  EXPECT_EQ(tab->GetCurSel(), 1);
  EXPECT_FALSE(tab->GetItemAt(0)->IsVisible());
  EXPECT_TRUE(tab->GetItemAt(1)->IsVisible());
  EXPECT_FALSE(tab->GetItemAt(2)->IsVisible());
  EXPECT_TRUE(built.tree.FindControl(L"uninstProgress")->IsShown());
  EXPECT_FALSE(built.tree.FindControl(L"btnUnInstall")->IsShown());
  EXPECT_TRUE(built.tree.FindControl(L"closeBtn")->IsShown());

  EXPECT_FALSE(tab->SelectItem(3));
  EXPECT_EQ(tab->GetCurSel(), 1);
}

TEST(UninstLayout, PaintsOnlyThePageOnShow) {
  BuiltLayout built;
  Build(built, "UninstDlg.xml");
  skintest::RecordingTarget target;
  built.tree.Paint(target, {0, 0, 740, 400});
  ASSERT_FALSE(target.fills.empty());
  EXPECT_EQ(target.fills[0].rect, (UiRect{0, 0, 740, 400}));
  EXPECT_EQ(target.fills[0].color, 0xFFF3F3F3u);
  ASSERT_EQ(target.borders.size(), 1u);
  EXPECT_EQ(target.borderSizes[0], 1);
  EXPECT_NE(target.FindImage(L"btn_normal.png"), nullptr);
  EXPECT_NE(target.FindImage(L"uncheck.png"), nullptr);
  EXPECT_NE(target.FindImage(L"main_close.png"), nullptr);
  EXPECT_EQ(target.FindImage(L"progress_back.png"), nullptr);
  bool sawNotice = false;
  for (const auto& text : target.texts) sawNotice = sawNotice || text.text == kNotice;
  EXPECT_TRUE(sawNotice);
}

TEST(MessageBoxLayout, BuildsAllItsNamedControls) {
  BuiltLayout built;
  Build(built, "MsgBoxDlg.xml");
  EXPECT_EQ(built.tree.Window().size.cx, 320);
  EXPECT_EQ(built.tree.Window().size.cy, 200);
  EXPECT_NE(dynamic_cast<CLabelUI*>(built.tree.FindControl(L"msgTitleLabel")), nullptr);
  EXPECT_NE(dynamic_cast<CLabelUI*>(built.tree.FindControl(L"msgLabel")), nullptr);
  for (const wchar_t* name : {L"btnOk", L"btnCancel", L"btnSingleOk", L"closeBtn"}) {
    EXPECT_NE(dynamic_cast<CButtonUI*>(built.tree.FindControl(name)), nullptr) << name;
  }
  auto* tab = dynamic_cast<CTabLayoutUI*>(built.tree.FindControl(L"mainTab"));
  ASSERT_NE(tab, nullptr);
  EXPECT_EQ(tab->GetCount(), 2);
  EXPECT_EQ(built.root->GetBkImage().file, L"tc_bg.png");
}
