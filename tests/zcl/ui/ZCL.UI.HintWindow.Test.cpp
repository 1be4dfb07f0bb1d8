#include <gtest/gtest.h>

#include "UiTestSupport.h"
#include "os/OS.Input.h"
#include "os/OS.Monitors.h"
#include "os/backends/headless/OS.Headless.h"
#include "zcl/ui/ZCL.UI.Controls.Base.h"
#include "zcl/ui/ZCL.UI.HintWindow.h"

namespace {

TOwned<TZCLHintWindow> NewHint() {
  return TOwned<TZCLHintWindow>(Create<TZCLHintWindow>(static_cast<TComponent*>(nullptr)));
}

TEST(HintWindow, StaysInsideTheMonitor) {
  auto hint = NewHint();
  EXPECT_EQ(hint->GetStyle()->CreateRegion(TRect(0, 0, 50, 20)), nullptr);  // square corners
  const TRect size = hint->CalcHintRect(640, u"Some hint", nullptr);
  EXPECT_GT(size.Width(), 16);

  // Near the right edge: ends at the monitor's right edge.
  hint->ShowHintAt(u"Some hint", TRect(1900, 100, 1910, 110), 0, 2);
  EXPECT_EQ(hint->GetBoundsRect().Right, 1920);
  EXPECT_TRUE(IsWindowVisible(hint->GetHandle()));
  hint->HideHint();
  EXPECT_FALSE(IsWindowVisible(hint->GetHandle()));

  // Near the bottom: above the cursor.
  Headless::MouseMove(TPoint(500, 1070));
  Headless::RunUntilIdle();
  hint->ShowAtPoint(u"Another hint", TPoint(500, 1075));
  EXPECT_LE(hint->GetBoundsRect().Bottom, 1070);
  EXPECT_GE(hint->GetTop(), 0);
}

TEST(HintWindow, LongWordsWrapAtAThirdOfTheScreen) {
  auto hint = NewHint();
  String text;
  for (int i = 0; i < 60; ++i) text += u"word ";
  const TRect r = hint->CalcHintRect(640, text, nullptr);
  EXPECT_LE(r.Width(), 640 + 16);
  EXPECT_GT(r.Height(), 40);  // several rows, no height limit
}

TEST(HintWindow, MeasuredAtTheDpiOfTheTargetMonitor) {
  SetMonitors(THeadlessConfig::Dual(96, 144).Monitors);
  auto hint = NewHint();
  EXPECT_EQ(hint->GetCurrentPPI(), 96);
  hint->ShowHintAt(u"Hint", TRect(2000, 100, 2100, 120), 0, 2);
  EXPECT_EQ(hint->GetCurrentPPI(), 144);
  hint->HideHint();
  hint.reset();
  SetMonitors(THeadlessConfig::Single(96).Monitors);
}

TEST(HintWindow, ControlsReplaceThePlainHintWindow) {
  TOwned<TZCLCustomControl> control(Create<TZCLCustomControl>(static_cast<TComponent*>(nullptr)));
  THintInfo info;
  info.HintWindowClass = THintWindow::StaticClass();
  control->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.HintWindowClass, TZCLHintWindow::StaticClass());
}

class TTestController : public TZCLHintController {
  ZCL_CLASS(TTestController, TZCLHintController)
 public:
  using TZCLHintController::TZCLHintController;
  TControl* Owner = nullptr;

 protected:
  TControl* GetOwnerControl(TObject*, const TZCLHintData&) override { return Owner; }
};

class HintControllerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Form.reset(TCustomForm::CreateNew<TForm>(nullptr));
    Form->SetBounds(100, 100, 300, 200);
    Control = Create<TZCLCustomControl>(static_cast<TComponent*>(Form.get()));
    Control->SetParent(Form.get());
    Form->Show();
    SetForegroundWindow(Form->GetHandle());
    Headless::RunUntilIdle();
    Controller.reset(Create<TTestController>(static_cast<TComponent*>(nullptr)));
    Controller->Owner = Control;
    Data = InitHintInfo();
    Data.Delay = 300;
    Data.Text = u"[B]Part[/B] of the control";
    Data.ScreenBounds = TRect(120, 120, 160, 140);
  }
  void TearDown() override {
    Controller.reset();
    Form.reset();
  }
  TOwned<TForm> Form;
  TZCLCustomControl* Control = nullptr;
  TOwned<TTestController> Controller;
  TZCLHintData Data;
};

TEST_F(HintControllerTest, WaitsShowsAndHidesAfterThePause) {
  ASSERT_TRUE(Form->GetActive());
  Controller->Update(Control, TPoint(130, 130), Data);
  Headless::Advance(200);
  EXPECT_FALSE(Controller->IsShown());
  // Another point of the same object restarts the delay.
  Controller->Update(Control, TPoint(131, 130), Data);
  Headless::Advance(200);
  EXPECT_FALSE(Controller->IsShown());
  Headless::Advance(150);
  ASSERT_TRUE(Controller->IsShown());
  ASSERT_NE(Controller->GetHintWindow(), nullptr);
  EXPECT_TRUE(IsWindowVisible(Controller->GetHintWindow()->GetHandle()));
  Headless::Advance(Cardinal(Application->GetHintHidePause()) + 50);
  EXPECT_FALSE(Controller->IsShown());
  EXPECT_EQ(Controller->GetHintWindow(), nullptr);
}

TEST_F(HintControllerTest, HidesWhenTheFormLosesTheActivation) {
  Controller->Update(Control, TPoint(130, 130), Data);
  Headless::Advance(310);
  ASSERT_TRUE(Controller->IsShown());
  TOwned<TForm> other(TCustomForm::CreateNew<TForm>(nullptr));
  other->Show();
  SetForegroundWindow(other->GetHandle());
  Headless::RunUntilIdle();
  ASSERT_FALSE(Form->GetActive());
  Headless::Advance(20);
  EXPECT_FALSE(Controller->IsShown());
  // Nothing is shown for an inactive form.
  Controller->Update(Control, TPoint(140, 130), Data);
  Headless::Advance(400);
  EXPECT_FALSE(Controller->IsShown());
}

TEST_F(HintControllerTest, EmptyTextOrHintsOffShowNothing) {
  TZCLHintData empty = Data;
  empty.Text.clear();
  Controller->Update(Control, TPoint(130, 130), empty);
  Headless::Advance(400);
  EXPECT_FALSE(Controller->IsShown());
  Application->SetShowHint(false);
  Controller->Update(Control, TPoint(131, 130), Data);
  Headless::Advance(400);
  EXPECT_FALSE(Controller->IsShown());
  Application->SetShowHint(true);
}

}  // namespace
