#include <gtest/gtest.h>

#include "UiTestSupport.h"
#include "os/OS.Input.h"
#include "os/backends/headless/OS.Headless.h"
#include "zcl/ui/ZCL.UI.PopupWindow.h"

namespace {

class PopupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Form.reset(TCustomForm::CreateNew<TZCLForm>(nullptr));
    Form->SetBorderStyle(bsNone);
    Form->SetBounds(100, 100, 600, 400);
    Owner = Create<TZCLCustomControl>(static_cast<TComponent*>(Form.get()));
    Owner->SetParent(Form.get());
    Owner->SetBounds(10, 10, 150, 24);
    Form->Show();
    SetForegroundWindow(Form->GetHandle());
    Headless::RunUntilIdle();
    Popup = TCustomForm::CreateNew<TZCLPopupWindow>(Owner);
    Popup->SetBounds(0, 0, 100, 200);
    Popup->OnPopupClosed = TNotifyEvent(this, &PopupTest::Closed);
  }
  void TearDown() override { Form.reset(); }
  void Closed(TObject*) { ++Closes; }
  TOwned<TZCLForm> Form;
  TZCLCustomControl* Owner = nullptr;
  TZCLPopupWindow* Popup = nullptr;  // owned by Owner
  Integer Closes = 0;
};

TEST_F(PopupTest, OpensUnderTheControlOrAboveItNearTheBottom) {
  Popup->PopupUnderControl(TRect(200, 300, 350, 324));
  EXPECT_TRUE(Popup->GetVisible());
  EXPECT_EQ(Popup->GetBoundsRect(), TRect(200, 326, 350, 526));
  Popup->ClosePopup();
  EXPECT_EQ(Closes, 1);
  Popup->ClosePopup();  // not visible: nothing more
  EXPECT_EQ(Closes, 1);

  // The work area ends at 1040: above the control.
  Popup->PopupUnderControl(TRect(200, 950, 350, 974));
  EXPECT_EQ(Popup->GetBoundsRect(), TRect(200, 748, 350, 948));  // 2 pixels above the control
  Popup->ClosePopup();
  // Near the right edge: shifted left; right-aligned and centred placements.
  Popup->PopupUnderControl(TRect(1850, 100, 2000, 124));
  EXPECT_EQ(Popup->GetBoundsRect().Right, 1920);
  Popup->ClosePopup();
  Popup->PopupUnderControl(TRect(500, 100, 650, 124), 2);
  EXPECT_EQ(Popup->GetLeft(), 500);
  Popup->ClosePopup();

  Popup->PopupAt(TRect(-50, 10, 150, 60));
  EXPECT_EQ(Popup->GetBoundsRect(), TRect(0, 10, 200, 60));
  Popup->ClosePopup();
}

TEST_F(PopupTest, EscapeClosesAndIsEaten) {
  Popup->PopupUnderControl(TRect(200, 300, 350, 324));
  TMessage key{WM_KEYDOWN, VK_ESCAPE, 0, 0};
  Popup->WindowProc(key);
  EXPECT_FALSE(Popup->GetVisible());
  EXPECT_EQ(key.Result, 1);
  EXPECT_EQ(key.WParam, 0u);
  EXPECT_EQ(Closes, 1);
}

TEST_F(PopupTest, ClickInsideKeepsItOpenDeactivationClosesIt) {
  Popup->PopupUnderControl(TRect(200, 300, 350, 324));
  Headless::RunUntilIdle();
  Headless::Click(TPoint(250, 400));
  Headless::RunUntilIdle();
  EXPECT_TRUE(Popup->GetVisible());
  TMessage outside{WM_LBUTTONDOWN, 0, 0, 0};
  Headless::MouseMove(TPoint(900, 900));
  Headless::RunUntilIdle();
  Popup->WindowProc(outside);
  EXPECT_FALSE(Popup->GetVisible());

  Popup->PopupUnderControl(TRect(200, 300, 350, 324));
  SetForegroundWindow(Popup->GetHandle());
  Headless::RunUntilIdle();
  SetForegroundWindow(Form->GetHandle());  // the close is queued, then runs
  Headless::RunUntilIdle();
  EXPECT_FALSE(Popup->GetVisible());
  EXPECT_EQ(Closes, 2);
}

TEST_F(PopupTest, ScaledToItsOwnersDpi) {
  Form->ScaleForPPI(144);
  auto* popup = TCustomForm::CreateNew<TZCLPopupWindow>(Owner);
  EXPECT_EQ(popup->GetCurrentPPI(), 144);
  EXPECT_FALSE(SetWindowCornerPreference(popup->GetHandle(), wcpRound));
}

}  // namespace
