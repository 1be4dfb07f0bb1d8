#include <gtest/gtest.h>

#include "../UiTestSupport.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Streaming.Text.h"
#include "vcl/VCL.Forms.h"
#include "zcl/ui/controls/ZCL.UI.Controls.GroupBox.h"

namespace {

struct TGroupFixture {
  TGroupFixture() {
    Form.reset(TCustomForm::CreateNew<TForm>(nullptr));
    Form->SetBorderStyle(bsNone);
    Form->SetBounds(100, 100, 400, 300);
    Group = Create<TZCLGroupBox>(Form.get());
    Group->SetParent(Form.get());
    Group->SetBounds(10, 10, 300, 200);
    Group->SetCaption(u"Options");
    for (TControl*& c : Children) {
      c = Create<TZCLCustomControl>(Form.get());
      c->SetParent(Group);
      c->SetBounds(10, 40, 50, 20);
    }
    Children[1]->SetEnabled(false);  // disabled before the group touches it
    Form->Show();
    Headless::RunUntilIdle();
  }
  TOwned<TForm> Form;
  TZCLGroupBox* Group = nullptr;
  TControl* Children[3] = {};
};

TEST(GroupBox, CaptionCutsTheFramesTopLine) {
  TGroupFixture f;
  const TRect caption = f.Group->GetCaptionRect();
  EXPECT_GT(caption.Height(), 0);
  EXPECT_EQ(caption.Left, f.Group->GetCaptionBounds().Left - 2);
  EXPECT_EQ(f.Group->GetFrameRect().Top, (caption.Top + caption.Bottom) / 2);
  TRect client = f.Group->GetClientRect();
  f.Group->AdjustClientRect(client);
  EXPECT_GE(client.Top, caption.Bottom - 1);
  // Without a caption: a full frame and no caption room.
  f.Group->SetCaption(u"");
  EXPECT_EQ(f.Group->GetCaptionRect().Height(), 0);
  EXPECT_EQ(f.Group->GetFrameRect().Top, 0);
}

TEST(GroupBox, ToggleChildrenEnableStateRestoresExactlyWhatItDisabled) {
  TGroupFixture f;
  f.Group->GetCheckBox()->SetVisible(true);
  f.Group->GetCheckBox()->SetAction(cbaToggleChildrenEnableState);
  EXPECT_TRUE(f.Group->GetTabStop());
  // A click on the caption unchecks it.
  const TPoint at = f.Group->ClientToScreen(f.Group->GetCaptionBounds().CenterPoint());
  Headless::Click(at);
  Headless::RunUntilIdle();
  EXPECT_FALSE(f.Group->GetCheckBox()->GetChecked());
  for (TControl* c : f.Children) EXPECT_FALSE(c->GetEnabled());
  f.Group->GetCheckBox()->SetChecked(true);
  EXPECT_TRUE(f.Children[0]->GetEnabled());
  EXPECT_FALSE(f.Children[1]->GetEnabled());
  EXPECT_TRUE(f.Children[2]->GetEnabled());
}

TEST(GroupBox, ToggleMinimizeStateCollapsesToTheCaptionAndRestoresTheHeight) {
  TGroupFixture f;
  f.Group->GetCheckBox()->SetVisible(true);
  f.Group->GetCheckBox()->SetAction(cbaToggleMinimizeState);
  f.Group->GetCheckBox()->SetChecked(false);
  const Integer collapsed = f.Group->GetCaptionRect().Bottom + 2;
  EXPECT_TRUE(f.Group->GetMinimized());
  EXPECT_EQ(f.Group->GetHeight(), collapsed);
  EXPECT_FALSE(f.Children[0]->GetEnabled());
  f.Group->SetBounds(10, 10, 300, 150);  // held at the caption while collapsed
  EXPECT_EQ(f.Group->GetHeight(), collapsed);
  // Changing the action opens the group and gives the children back first.
  f.Group->GetCheckBox()->SetAction(cbaNone);
  EXPECT_FALSE(f.Group->GetMinimized());
  EXPECT_EQ(f.Group->GetHeight(), 200);
  EXPECT_TRUE(f.Children[0]->GetEnabled());
  EXPECT_FALSE(f.Children[1]->GetEnabled());
}

TEST(GroupBox, OlderCheckBoxModeIdentifiers) {
  struct Case {
    const char16_t* Mode;
    bool Visible;
    TZCLGroupBoxCheckBoxAction Action;
  } cases[] = {
      {u"msgcbNone", false, cbaNone},
      {u"msgcbToggleEnableState", true, cbaToggleChildrenEnableState},
      {u"msgcbSomethingElse", true, cbaNone},
  };
  for (const Case& c : cases) {
    TGroupFixture f;
    f.Group->ReadCheckBoxMode(c.Mode);
    EXPECT_EQ(f.Group->GetCheckBox()->GetVisible(), c.Visible) << String(c.Mode).size();
    EXPECT_EQ(f.Group->GetCheckBox()->GetAction(), c.Action);
  }
  // A stored "msgcbToggleEnableState" toggles the children.
  TGroupFixture f;
  f.Group->ReadCheckBoxMode(u"msgcbToggleEnableState");
  f.Group->ReadCheckBoxState(false);
  EXPECT_FALSE(f.Children[0]->GetEnabled());
}

}  // namespace
