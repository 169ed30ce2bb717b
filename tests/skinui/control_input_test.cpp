// Mouse and keyboard on the uninstaller's controls, without a window: click
// notifications, the check box's order of "click" and toggle, its images,
// tab selection and hit testing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "container.h"
#include "dialog_builder.h"
#include "label.h"
#include "skin_test_support.h"
#include "skin_tree.h"

using namespace SkinUI;

namespace {

// Records every notification and, for check boxes, their state at that moment.
class NotifyRecorder : public INotifyUI {
 public:
  struct Entry {
    std::wstring type;
    std::wstring sender;
    uintptr_t wParam;
    intptr_t lParam;
    bool checkedAtNotify;
  };
  void Notify(TNotifyUI& msg) override {
    auto* check = dynamic_cast<CCheckBoxUI*>(msg.pSender);
    entries.push_back({msg.sType, msg.pSender ? msg.pSender->GetName() : L"", msg.wParam, msg.lParam,
                       check != nullptr && check->GetCheck()});
  }
  std::vector<Entry> entries;
};

class UninstControls : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(CDialogBuilder::Create(skintest::ReadLayout("UninstDlg.xml"), m_tree, nullptr), nullptr);
    m_tree.SetClientRect({0, 0, 740, 400});
    m_tree.AddNotifier(&m_recorder);
  }

  UiPoint CentreOf(const wchar_t* name) {
    const UiRect& r = m_tree.FindControl(name)->GetPos();
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }

  void Click(UiPoint pt) {
    m_tree.OnMouseMove(pt);
    m_tree.OnButtonDown(pt);
    m_tree.OnButtonUp(pt);
  }

  CSkinTree m_tree;
  NotifyRecorder m_recorder;
};

}  // namespace

TEST_F(UninstControls, PressAndReleaseInsideAButtonSendsClick) {
  Click(CentreOf(L"btnUnInstall"));
  ASSERT_EQ(m_recorder.entries.size(), 1u);
  EXPECT_EQ(m_recorder.entries[0].type, L"click");
  EXPECT_EQ(m_recorder.entries[0].sender, L"btnUnInstall");
}

TEST_F(UninstControls, ReleasingOutsideTheButtonSendsNothing) {
  UiPoint inside = CentreOf(L"btnCancel");
  m_tree.OnButtonDown(inside);
  auto* button = dynamic_cast<CButtonUI*>(m_tree.FindControl(L"btnCancel"));
  EXPECT_TRUE(button->IsPushed());
  m_tree.OnMouseMove({inside.x, inside.y + 100});
  EXPECT_FALSE(button->IsPushed());
  m_tree.OnButtonUp({inside.x, inside.y + 100});
  EXPECT_TRUE(m_recorder.entries.empty());
}

TEST_F(UninstControls, CheckBoxSendsClickBeforeItsStateChanges) {
  auto* check = dynamic_cast<CCheckBoxUI*>(m_tree.FindControl(L"ck_clear_user_data"));
  ASSERT_FALSE(check->GetCheck());
  Click(CentreOf(L"ck_clear_user_data"));
  ASSERT_EQ(m_recorder.entries.size(), 1u);
  EXPECT_EQ(m_recorder.entries[0].sender, L"ck_clear_user_data");
  EXPECT_FALSE(m_recorder.entries[0].checkedAtNotify);
  EXPECT_TRUE(check->GetCheck());
  Click(CentreOf(L"ck_clear_user_data"));
  ASSERT_EQ(m_recorder.entries.size(), 2u);
  EXPECT_TRUE(m_recorder.entries[1].checkedAtNotify);
  EXPECT_FALSE(check->GetCheck());
}

TEST_F(UninstControls, CheckBoxDrawsUncheckOrCheckAtItsDestRectangle) {
  auto* check = dynamic_cast<CCheckBoxUI*>(m_tree.FindControl(L"ck_clear_user_data"));
  const UiRect box = check->GetPos();
  const UiRect expected{box.left + 5, box.top + 5, box.left + 19, box.top + 19};
  {
    skintest::RecordingTarget target;
    check->DoPaint(target, box);
    ASSERT_EQ(target.images.size(), 1u);
    EXPECT_EQ(target.images[0].file, L"uncheck.png");
    EXPECT_EQ(target.images[0].target, expected);
    ASSERT_EQ(target.texts.size(), 1u);
    EXPECT_EQ(target.texts[0].rect.left, box.left + 24);  // textpadding
  }
  Click(CentreOf(L"ck_clear_user_data"));
  {
    skintest::RecordingTarget target;
    check->DoPaint(target, box);
    ASSERT_EQ(target.images.size(), 1u);
    EXPECT_EQ(target.images[0].file, L"check.png");
    EXPECT_EQ(target.images[0].target, expected);
  }
}

TEST_F(UninstControls, ButtonImagesFollowHoverAndPress) {
  auto* button = dynamic_cast<CButtonUI*>(m_tree.FindControl(L"btnUnInstall"));
  auto drawn = [&]() {
    skintest::RecordingTarget target;
    button->DoPaint(target, button->GetPos());
    return target.images.empty() ? std::wstring() : target.images[0].file;
  };
  EXPECT_EQ(drawn(), L"btn_normal.png");
  m_tree.OnMouseMove(CentreOf(L"btnUnInstall"));
  EXPECT_EQ(drawn(), L"btn_hover.png");
  m_tree.OnButtonDown(CentreOf(L"btnUnInstall"));
  EXPECT_EQ(drawn(), L"btn_pushed.png");
  m_tree.OnButtonUp(CentreOf(L"btnUnInstall"));
  m_tree.OnMouseLeave();
  EXPECT_EQ(drawn(), L"btn_normal.png");
  button->SetEnabled(false);
  EXPECT_EQ(drawn(), L"btn_disabled.png");
  Click(CentreOf(L"btnUnInstall"));
  EXPECT_EQ(m_recorder.entries.size(), 1u);  // only the earlier click; disabled buttons stay quiet
}

TEST_F(UninstControls, SpaceAndReturnActivateTheFocusedButton) {
  m_tree.OnButtonDown(CentreOf(L"btnCancel"));  // pressing focuses
  m_tree.OnButtonUp({0, 0});
  EXPECT_TRUE(m_recorder.entries.empty());
  EXPECT_EQ(m_tree.GetFocus(), m_tree.FindControl(L"btnCancel"));
  EXPECT_TRUE(m_tree.OnKeyDown(kKeySpace));
  EXPECT_TRUE(m_tree.OnKeyDown(kKeyReturn));
  EXPECT_TRUE(m_tree.OnKeyDown('A'));
  ASSERT_EQ(m_recorder.entries.size(), 2u);
  EXPECT_EQ(m_recorder.entries[0].sender, L"btnCancel");
  EXPECT_EQ(m_recorder.entries[1].sender, L"btnCancel");
}

TEST_F(UninstControls, SelectingAPageSendsTabselectAndMovesTheFocus) {
  auto* tab = dynamic_cast<CTabLayoutUI*>(m_tree.FindControl(L"mainTab"));
  ASSERT_TRUE(tab->SelectItem(0));
  EXPECT_TRUE(m_recorder.entries.empty());  // already the current page
  ASSERT_TRUE(tab->SelectItem(1));
  ASSERT_EQ(m_recorder.entries.size(), 1u);
  EXPECT_EQ(m_recorder.entries[0].type, L"tabselect");
  EXPECT_EQ(m_recorder.entries[0].sender, L"mainTab");
  EXPECT_EQ(m_recorder.entries[0].wParam, 1u);
  EXPECT_EQ(m_recorder.entries[0].lParam, 0);
  EXPECT_EQ(m_tree.GetFocus(), tab->GetItemAt(1));
  ASSERT_TRUE(tab->SelectItem(2, false, false));
  EXPECT_EQ(m_recorder.entries.size(), 1u);
  // Without the switches: no notification and the focus does not move to the
  // page (the hidden page loses it).
  EXPECT_EQ(m_tree.GetFocus(), nullptr);
  // A hidden page's buttons cannot be hit any more.
  EXPECT_NE(m_tree.FindControlAt(CentreOf(L"btnOver")), nullptr);
  EXPECT_EQ(m_tree.FindControlAt({320, 247}), m_tree.FindControl(L"btnOver"));
  EXPECT_NE(m_tree.FindControlAt(CentreOf(L"btnUnInstall")), m_tree.FindControl(L"btnUnInstall"));
}

TEST_F(UninstControls, HitTestingFindsThePageOnTheBackgroundAndTheCloseButton) {
  CControlUI* background = m_tree.FindControlAt({100, 40});
  ASSERT_NE(background, nullptr);
  EXPECT_STREQ(background->GetClass(), L"VerticalLayout");
  CControlUI* close = m_tree.FindControlAt({710, 30});
  ASSERT_NE(close, nullptr);
  EXPECT_EQ(close->GetName(), L"closeBtn");
  EXPECT_STREQ(close->GetClass(), L"Button");
  // The outer border belongs to the container.
  EXPECT_STREQ(m_tree.FindControlAt({0, 0})->GetClass(), L"Container");
  EXPECT_EQ(m_tree.FindControlAt({740, 10}), nullptr);
}
