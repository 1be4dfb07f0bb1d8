#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "os/backends/headless/OS.Headless.h"
#include "vcl/VCL.ActnList.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.StdCtrls.h"
#include "zcl/ui/ZCL.UI.Controls.Base.h"
#include "zcl/ui/controls/ZCL.UI.CheckBoxes.h"

namespace {

using namespace testskin;

struct TClickCounter {
  Integer Clicks = 0;
  void Click(TObject*) { ++Clicks; }
};

class CheckBoxTest : public ::testing::Test {
 public:
  void SetUp() override {
    UIAnimationsEnabled = false;
    Form.reset(TCustomForm::CreateNew<TForm>(nullptr));
    Form->SetBounds(100, 100, 300, 200);
    Form->SetBorderStyle(bsNone);
  }
  void TearDown() override {
    Form.reset();
    UIAnimationsEnabled = true;
  }
  template <class T>
  T* Add(TWinControl* Parent, Integer Top, const String& Caption) {
    auto* box = Create<T>(Form.get());
    box->SetResourceCollection(Skin.Get());
    box->SetParent(Parent);
    box->SetBounds(10, Top, 100, 20);
    box->SetCaption(Caption);
    return box;
  }
  void Show() {
    Form->Show();
    Headless::RunUntilIdle();
  }
  TTestSkin Skin;
  TOwned<TForm> Form;
};

TEST_F(CheckBoxTest, ClicksCycleTheStates) {
  auto* box = Add<TZCLCheckBox>(Form.get(), 10, u"Box");
  box->SetState(cbGrayed);
  EXPECT_FALSE(box->GetChecked());
  box->Click();
  EXPECT_EQ(box->GetState(), cbChecked);

  box->SetAllowGrayed(true);
  const TCheckBoxState expected[] = {cbGrayed, cbUnchecked, cbChecked};
  for (TCheckBoxState s : expected) {
    box->Click();
    EXPECT_EQ(box->GetState(), s);
  }
  box->SetChecked(false);
  EXPECT_EQ(box->GetState(), cbUnchecked);
}

TEST_F(CheckBoxTest, MouseClickOnTheMarkTogglesAndClickBesideFallsThrough) {
  auto* box = Add<TZCLCheckBox>(Form.get(), 10, u"Box");
  box->SetAutoSize(false);
  box->SetWidth(200);
  TClickCounter boxClicks, formClicks;
  box->OnClick = TNotifyEvent(&boxClicks, &TClickCounter::Click);
  Form->OnClick = TNotifyEvent(&formClicks, &TClickCounter::Click);
  Show();
  const TRect mark = box->GetCheckBoxSubClass()->GetButtonRect();
  ASSERT_EQ(mark.Width(), 13);
  const TPoint origin = box->ClientToScreen(TPoint(0, 0));
  Headless::Click(TPoint(origin.X + mark.Left + 3, origin.Y + mark.Top + 3));
  Headless::RunUntilIdle();
  EXPECT_TRUE(box->GetChecked());
  EXPECT_EQ(boxClicks.Clicks, 1);
  // Far right of the caption: not the box's.
  Headless::Click(TPoint(origin.X + 190, origin.Y + 10));
  Headless::RunUntilIdle();
  EXPECT_TRUE(box->GetChecked());
  EXPECT_EQ(boxClicks.Clicks, 1);
  EXPECT_EQ(formClicks.Clicks, 1);
}

TEST_F(CheckBoxTest, RadioBoxUnchecksItsGroupOnItsParentQuietly) {
  auto* panel = Create<TZCLContainer>(Form.get());
  panel->SetParent(Form.get());
  panel->SetBounds(150, 0, 150, 200);
  auto* a = Add<TZCLRadioBox>(Form.get(), 10, u"A");
  auto* b = Add<TZCLRadioBox>(Form.get(), 40, u"B");
  auto* other = Add<TZCLRadioBox>(Form.get(), 70, u"Other group");
  other->SetGroupIndex(1);
  auto* elsewhere = Add<TZCLRadioBox>(panel, 10, u"Elsewhere");
  TClickCounter aClicks;
  a->OnClick = TNotifyEvent(&aClicks, &TClickCounter::Click);
  for (auto* box : {a, other, elsewhere}) box->SetChecked(true);
  b->Click();
  EXPECT_FALSE(a->GetChecked());
  EXPECT_TRUE(b->GetChecked());
  EXPECT_TRUE(other->GetChecked());
  EXPECT_TRUE(elsewhere->GetChecked());
  EXPECT_EQ(aClicks.Clicks, 0);
  // A radio box only checks.
  b->Click();
  EXPECT_TRUE(b->GetChecked());
}

TEST_F(CheckBoxTest, WithoutCheckMarkNoToggleNoFocusDefaultCursor) {
  auto* box = Add<TZCLCheckBox>(Form.get(), 10, u"Box");
  EXPECT_EQ(box->GetCursor(), crHandPoint);
  box->SetShowCheckMark(false);
  EXPECT_EQ(box->GetCursor(), crDefault);
  EXPECT_FALSE(box->IsCursorStored());
  EXPECT_FALSE(box->GetTabStop());
  EXPECT_FALSE(box->GetFocusOnClick());
  box->Click();
  EXPECT_FALSE(box->GetChecked());
  // Sets of mutually exclusive flags.
  box->SetShowLine(true);
  box->SetWordWrap(true);
  EXPECT_FALSE(box->GetShowLine());
  box->SetShowLine(true);
  EXPECT_FALSE(box->GetWordWrap());
}

TEST_F(CheckBoxTest, SubControlIsEnabledOnlyWhileChecked) {
  auto* box = Add<TZCLCheckBox>(Form.get(), 10, u"Limit");
  auto* edit = Create<TEdit>(Form.get());
  edit->SetParent(Form.get());
  edit->SetBounds(0, 0, 60, 20);
  box->GetSubControl()->SetControl(edit);
  Show();
  EXPECT_FALSE(edit->GetEnabled());
  edit->SetEnabled(true);  // from outside: the rule wins
  EXPECT_FALSE(edit->GetEnabled());
  box->SetChecked(true);
  EXPECT_TRUE(edit->GetEnabled());
  box->SetEnabled(false);
  EXPECT_FALSE(edit->GetEnabled());
  box->SetEnabled(true);
  EXPECT_TRUE(edit->GetEnabled());
  // Below the box, lined up with the caption.
  box->GetSubControl()->SetPosition(mBottom);
  EXPECT_EQ(edit->GetLeft(), box->GetLeft() + 13 + 5);
  EXPECT_GT(edit->GetTop(), box->GetTop());
}

TEST_F(CheckBoxTest, AutoSizeMeasuresMarkAndCaption) {
  auto* box = Add<TZCLCheckBox>(Form.get(), 10, u"Caption");
  const TSize text = MeasureTextSize(box->GetFont(), u"Caption");
  EXPECT_EQ(box->GetWidth(), 13 + 5 + 4 + text.cx);
  EXPECT_EQ(box->GetHeight(), std::max(text.cy + 2, 13));
  box->SetCaption(u"");
  EXPECT_EQ(box->GetWidth(), 13);
  EXPECT_EQ(box->GetHeight(), 13 + 2 > text.cy + 2 ? 13 : text.cy + 2);
}

TEST_F(CheckBoxTest, FollowsTheCheckedStateOfItsAction) {
  auto* action = Create<TAction>(Form.get());
  action->SetChecked(true);
  auto* box = Add<TZCLCheckBox>(Form.get(), 10, u"Box");
  box->SetAction(action);
  EXPECT_TRUE(box->GetChecked());
  action->SetChecked(false);
  EXPECT_FALSE(box->GetChecked());
  action->SetChecked(true);
  EXPECT_TRUE(box->GetChecked());
}

TEST_F(CheckBoxTest, InplaceCheckBoxReadsAndWritesTheValueText) {
  TZCLInplaceInfo info;
  info.Parent = Form.get();
  info.Bounds = TRect(0, 0, 100, 20);
  info.TextBounds = TRect(4, 0, 100, 20);
  TOwned<TZCLInplaceCheckBox> box(Create<TZCLInplaceCheckBox>(info));
  EXPECT_EQ(box->GetLeft(), 4);
  struct Case {
    const char16_t* Text;
    bool Checked;
  } cases[] = {{u"True", true}, {u"False", false}, {u"2", true}, {u"0", false}, {u"yes", false}};
  for (const Case& c : cases) {
    box->InplaceSetValue(c.Text);
    EXPECT_EQ(box->GetChecked(), c.Checked);
    EXPECT_EQ(box->GetCaption(), c.Checked ? u"True" : u"False");
  }
}

}  // namespace
