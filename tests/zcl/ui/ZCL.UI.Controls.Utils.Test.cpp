#include <gtest/gtest.h>

#include "UiTestSupport.h"
#include "os/OS.Input.h"
#include "os/backends/headless/OS.Headless.h"
#include "vcl/VCL.Forms.h"
#include "zcl/ui/ZCL.UI.Controls.Base.h"
#include "zcl/ui/ZCL.UI.Controls.Utils.h"

namespace {

TEST(ControlUtils, PlainRoutines) {
  EXPECT_EQ(PercentToAlpha(0), 15);
  EXPECT_EQ(PercentToAlpha(50), 135);
  EXPECT_EQ(PercentToAlpha(100), 255);

  EXPECT_TRUE(IsDropDownKey(VK_DOWN, TShiftState{ssAlt}));
  EXPECT_TRUE(IsDropDownKey(VK_F4, TShiftState{}));
  EXPECT_FALSE(IsDropDownKey(VK_F4, TShiftState{ssCtrl}));
  EXPECT_FALSE(IsDropDownKey(VK_DOWN, TShiftState{}));

  EXPECT_TRUE(ShiftStateMatches(TShiftState{ssCtrl}, TShiftState{ssCtrl, ssLeft}));
  EXPECT_FALSE(ShiftStateMatches(TShiftState{ssCtrl}, TShiftState{ssCtrl, ssShift}));
  EXPECT_FALSE(ShiftStateMatches(TShiftState{ssCtrl, ssAlt}, TShiftState{ssCtrl}));
  EXPECT_EQ(ShiftStateToKeys(TShiftState{ssShift, ssCtrl, ssRight}), MK_SHIFT | MK_CONTROL | MK_RBUTTON);

  EXPECT_EQ(CalcPageTarget(5, 3, 12, true), 12);
  EXPECT_EQ(CalcPageTarget(12, 3, 12, true), 21);
  EXPECT_EQ(CalcPageTarget(3, 3, 12, false), -6);
  EXPECT_EQ(CalcPageTarget(7, 3, 12, false), 3);
  EXPECT_EQ(CalcPageTarget(7, -1, 12, true), 7);

  struct TScroll {
    TRect Item, View;
    Integer Mode;
    TPoint Expected;
  } scrolls[] = {
      {TRect(0, 90, 10, 110), TRect(0, 0, 10, 100), 0, TPoint(0, 10)},
      {TRect(0, 20, 10, 30), TRect(0, 0, 10, 100), 0, TPoint(0, 0)},
      {TRect(0, -20, 10, -10), TRect(0, 0, 10, 100), 0, TPoint(0, -20)},
      {TRect(0, 50, 10, 300), TRect(0, 0, 10, 100), 0, TPoint(0, 50)},  // larger than the view: its start
      {TRect(0, 40, 10, 60), TRect(0, 0, 10, 100), 1, TPoint(0, 40)},
      {TRect(0, 80, 10, 100), TRect(0, 0, 10, 100), 2, TPoint(0, 40)},
  };
  for (const auto& s : scrolls) EXPECT_EQ(CalcScrollDelta(s.Item, s.View, s.Mode), s.Expected) << s.Mode;

  EXPECT_EQ(BooleanToCheckState(TZCLBoolean::Default), cbGrayed);
  EXPECT_EQ(BooleanToCheckState(TZCLBoolean::True), cbChecked);
  EXPECT_EQ(CheckStateToBoolean(cbUnchecked), TZCLBoolean::False);
  EXPECT_EQ(CheckStateToBoolean(cbGrayed), TZCLBoolean::Default);
  EXPECT_EQ(CheckStateFromFlags(true, true), cbGrayed);
  EXPECT_EQ(CheckStateFromFlags(false, true), cbUnchecked);

  EXPECT_EQ(GetRectWidthWithIndent(TRect(0, 0, 10, 5), 144), 18);
  EXPECT_EQ(GetRectWidthWithIndent(TRect(0, 0, 0, 5), 144), 0);
  const Integer threshold = GetDragThreshold(96);
  EXPECT_FALSE(IsDragThresholdExceeded(threshold - 1, 0, 96));
  EXPECT_TRUE(PointDistance(TPoint(0, 0), TPoint(0, -threshold), 96));
  EXPECT_EQ(GetDragThreshold(192), threshold * 2);
}

// An edit-like owner that lays out its glued control whenever its bounds change.
class TGlueOwner : public TZCLCustomControl {
  ZCL_CLASS(TGlueOwner, TZCLCustomControl)
 public:
  explicit TGlueOwner(TComponent* AOwner) : TZCLCustomControl(AOwner), FSub(new TZCLSubControlOptions(this)) {}
  ~TGlueOwner() override { Free(FSub); }
  static void DeclareProperties(TClassDeclaration<TGlueOwner>& D) {
    D.Property(u"SubControl", &TGlueOwner::GetSubControl, &TGlueOwner::SetSubControl);
  }
  TZCLSubControlOptions* GetSubControl() const { return FSub; }
  void SetSubControl(TZCLSubControlOptions* Value) { FSub->Assign(Value); }
  TRect Content;
  Integer Layouts = 0;

 protected:
  void BoundsChanged() override {
    inherited::BoundsChanged();
    ++Layouts;
    Content = TRect(0, 0, GetWidth(), GetHeight());
    if (FSub) FSub->Align(Content);
  }

 private:
  TZCLSubControlOptions* FSub = nullptr;
};

class SubControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterProperties<TGlueOwner>();
    Form.reset(TCustomForm::CreateNew<TForm>(nullptr));
    Form->SetBounds(0, 0, 500, 300);
    Edit = Create<TGlueOwner>(static_cast<TComponent*>(Form.get()));
    Edit->SetParent(Form.get());
    Edit->SetBounds(100, 50, 200, 20);
    Label = Create<TZCLGraphicControl>(static_cast<TComponent*>(Form.get()));
    Label->SetParent(Form.get());
    Label->SetBounds(0, 0, 40, 14);
  }
  void TearDown() override { Form.reset(); }
  TOwned<TForm> Form;
  TGlueOwner* Edit = nullptr;
  TZCLGraphicControl* Label = nullptr;
};

TEST_F(SubControlTest, GluedControlTakesItsSide) {
  TZCLSubControlOptions* sub = GetSubControlOptions(Edit);
  ASSERT_EQ(sub, Edit->GetSubControl());
  sub->SetPosition(mLeft);
  sub->SetControl(Label);
  EXPECT_EQ(Label->GetBoundsRect(), TRect(100, 53, 140, 67));  // its own height, centred
  EXPECT_EQ(Edit->Content.Left, 45);                           // width + 5
  sub->SetAlign(TZCLBoolean::True);
  EXPECT_EQ(Label->GetBoundsRect(), TRect(100, 50, 140, 70));  // the edit's full height
  sub->SetAlign(TZCLBoolean::Default);
  Label->SetHeight(14);  // it kept the full height it was given
  sub->SetPosition(mTop);
  EXPECT_EQ(Label->GetTop(), 50);
  EXPECT_EQ(Edit->Content.Top, 16);  // height + 2

  Integer w = 200, h = 20;
  sub->AddToOwnerSize(w, h);
  EXPECT_EQ(w, 200);
  EXPECT_EQ(h, 36);
  sub->SubtractFromOwnerSize(w, h);
  EXPECT_EQ(h, 20);
}

TEST_F(SubControlTest, MovingTheGluedControlRelaysTheOwnerAfterTheMessage) {
  TZCLSubControlOptions* sub = Edit->GetSubControl();
  sub->SetControl(Label);
  Headless::RunUntilIdle();
  const Integer before = Edit->Layouts;
  Label->SetBounds(5, 5, 40, 14);
  EXPECT_EQ(Edit->Layouts, before);  // not inside the move
  Headless::RunUntilIdle();
  EXPECT_GT(Edit->Layouts, before);
  EXPECT_EQ(Label->GetLeft(), 260);  // back at the right side: 300 - 40
}

TEST_F(SubControlTest, OwnerAndItsParentsCannotBeGlued) {
  TZCLSubControlOptions* sub = Edit->GetSubControl();
  EXPECT_THROW(sub->SetControl(Edit), EInvalidArgument);
  EXPECT_THROW(sub->SetControl(Form.get()), EInvalidArgument);
  sub->SetControl(Label);
  Free(Label);  // the options forget it
  EXPECT_EQ(sub->GetControl(), nullptr);
}

// Counts the moves its window reports.
class TMoveCounter : public TZCLCustomControl {
  ZCL_CLASS(TMoveCounter, TZCLCustomControl)
 public:
  using TZCLCustomControl::TZCLCustomControl;
  Integer Moves = 0;

 protected:
  void WndProc(TMessage& Message) override {
    if (Message.Msg == WM_WINDOWPOSCHANGING) ++Moves;
    inherited::WndProc(Message);
  }
};

TEST(DeferPlacement, MovesOnlyWhatChanged) {
  TOwned<TForm> form(TCustomForm::CreateNew<TForm>(nullptr));
  form->SetBounds(0, 0, 600, 400);
  std::vector<TMoveCounter*> controls;
  TZCLDeferPlacementUpdate batch;
  for (int i = 0; i < 10; ++i) {
    auto* c = Create<TMoveCounter>(static_cast<TComponent*>(form.get()));
    c->SetParent(form.get());
    c->SetBounds(i * 50, 0, 40, 30);
    c->HandleNeeded();
    c->Moves = 0;
    controls.push_back(c);
    batch.Add(c, c->GetBoundsRect());
  }
  auto* graphic = Create<TZCLGraphicControl>(static_cast<TComponent*>(form.get()));
  graphic->SetParent(form.get());
  batch.Apply();
  for (TMoveCounter* c : controls) EXPECT_EQ(c->Moves, 0);

  batch.Add(controls[3], TRect(0, 100, 40, 130));
  batch.Add(controls[3], TRect(10, 100, 50, 130));  // replaces the entry
  batch.Add(graphic, TRect(5, 200, 105, 230));
  EXPECT_EQ(batch.GetBounds(controls[3]), TRect(10, 100, 50, 130));
  batch.Apply();
  EXPECT_EQ(controls[3]->GetBoundsRect(), TRect(10, 100, 50, 130));
  EXPECT_EQ(controls[4]->Moves, 0);
  EXPECT_EQ(graphic->GetBoundsRect(), TRect(5, 200, 105, 230));
}

TEST(ControlUtils, FocusAndCreation) {
  TOwned<TForm> form(TCustomForm::CreateNew<TForm>(nullptr));
  form->SetBounds(0, 0, 300, 200);
  TZCLCustomControl* control = nullptr;
  CreateControl(control, form.get(), TRect(10, 10, 110, 60), alNone, TAnchors{akLeft, akTop, akRight});
  ASSERT_NE(control, nullptr);
  EXPECT_EQ(control->GetOwner(), form.get());
  EXPECT_EQ(control->GetBoundsRect(), TRect(10, 10, 110, 60));
  EXPECT_EQ(control->GetAnchors(), (TAnchors{akLeft, akTop, akRight}));
  EXPECT_TRUE(IsChildOrSelf(control, form.get()));
  EXPECT_FALSE(IsChildOrSelf(form.get(), control));
  EXPECT_FALSE(SafeSetFocus(nullptr));
  form->Show();
  Headless::RunUntilIdle();
  control->SetTabStop(true);
  EXPECT_TRUE(SafeSetFocus(control));
  EXPECT_EQ(GetFocusedWindow(), control->GetHandle());
  EXPECT_EQ(MapPointBetweenControls(control, form.get(), TPoint(1, 2)), TPoint(11, 12));
}

}  // namespace
