#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "os/backends/headless/OS.Headless.h"
#include "vcl/VCL.Forms.h"
#include "zcl/ui/controls/ZCL.UI.Edit.Text.h"
#include "zcl/ui/controls/ZCL.UI.Panels.h"
#include "zcl/ui/controls/ZCL.UI.ScrollBox.h"

namespace {

using namespace testskin;

// A shown borderless form at (100, 100) with a scroll box whose client area is 300 x 300 while
// no bar shows (no frame).
class ScrollBoxTest : public ::testing::Test {
 public:
  void SetUp() override {
    UIAnimationsEnabled = false;
    Form.reset(TCustomForm::CreateNew<TForm>(nullptr));
    Form->SetBounds(100, 100, 500, 500);
    Form->SetBorderStyle(bsNone);
    Box = Create<TZCLScrollBox>(Form.get());
    Box->SetResourceCollection(Skin.Get());
    Box->SetBorders(bsNone);
    Box->SetParent(Form.get());
    Box->SetBounds(0, 0, 300, 300);
    Form->Show();
    Headless::RunUntilIdle();
  }
  void TearDown() override {
    Form.reset();
    UIAnimationsEnabled = true;
  }
  TZCLPanel* AddChild(const TRect& R, TAlign Align = alNone, TAnchors Anchors = TAnchors{akLeft, akTop}) {
    auto* child = Create<TZCLPanel>(Form.get());
    child->SetBounds(R.Left, R.Top, R.Width(), R.Height());
    child->SetAlign(Align);
    child->SetAnchors(Anchors);
    child->SetParent(Box);
    return child;
  }

  TTestSkin Skin;
  TOwned<TForm> Form;
  TZCLScrollBox* Box = nullptr;
};

TEST_F(ScrollBoxTest, TallContentShowsTheVerticalBarAndScrollsChildrenByItsChange) {
  TZCLPanel* child = AddChild(TRect(10, 0, 110, 500));
  TZCLInnerScrollBar* bar = Box->GetVertScrollBar();
  EXPECT_TRUE(bar->GetVisible());
  EXPECT_FALSE(Box->GetHorzScrollBar()->GetVisible());
  EXPECT_FALSE(Box->GetSizeGrip()->GetVisible());
  EXPECT_EQ(bar->GetMin(), 0);
  EXPECT_EQ(bar->GetMax(), 500);
  EXPECT_EQ(bar->GetPage(), 300);
  EXPECT_EQ(bar->GetBoundsRect(), TRect(285, 0, 300, 300));
  EXPECT_EQ(Box->GetClientWidth() - bar->GetWidth(), 285);

  Box->ScrollBy(0, -120);
  EXPECT_EQ(bar->GetPosition(), 120);
  EXPECT_EQ(child->GetTop(), -120);
  // Past the end only what the bar allows happens.
  Box->ScrollBy(0, -1000);
  EXPECT_EQ(bar->GetPosition(), 201);
  EXPECT_EQ(child->GetTop(), -201);

  // Growing the box past the content hides the bar and scrolls the children fully back.
  Box->SetBounds(0, 0, 300, 600);
  EXPECT_FALSE(bar->GetVisible());
  EXPECT_EQ(bar->GetPosition(), 0);
  EXPECT_EQ(child->GetTop(), 0);
}

TEST_F(ScrollBoxTest, ContentSizeCountsRightAlignedAndLeftAnchoredChildrenOnly) {
  struct TCase {
    TAlign Align;
    TAnchors Anchors;
    Integer Width;
  } cases[] = {
      {alNone, TAnchors{akLeft, akTop}, 200},         // its right edge
      {alRight, TAnchors{akLeft, akTop}, 50},         // its width
      {alNone, TAnchors{akLeft, akTop, akRight}, 0},  // stretches with the box: not counted
      {alNone, TAnchors{akRight, akTop}, 0},
  };
  for (const TCase& c : cases) {
    TZCLPanel* child = AddChild(TRect(150, 10, 200, 60), c.Align, c.Anchors);
    EXPECT_EQ(Box->CalculateContentSize().cx, c.Width) << int(c.Align);
    Free(child);
  }
  TZCLPanel* wide = AddChild(TRect(0, 0, 400, 20));
  AddChild(TRect(0, 0, 50, 10), alRight);
  EXPECT_EQ(Box->CalculateContentSize().cx, 450);
  EXPECT_TRUE(Box->GetHorzScrollBar()->GetVisible());
  (void)wide;
}

TEST_F(ScrollBoxTest, BothBarsShowTheGripAndTheWheelPicksABar) {
  AddChild(TRect(0, 0, 600, 600));
  EXPECT_TRUE(Box->GetSizeGrip()->GetVisible());
  EXPECT_EQ(Box->GetSizeGrip()->GetBoundsRect(), TRect(285, 285, 300, 300));
  Headless::Wheel(TPoint(200, 200), -1);
  Headless::RunUntilIdle();
  EXPECT_EQ(Box->GetVertScrollBar()->GetPosition(), 16);
  EXPECT_EQ(Box->GetHorzScrollBar()->GetPosition(), 0);
  Headless::KeyDown(VK_SHIFT);
  Headless::Wheel(TPoint(200, 200), -1);
  Headless::KeyUp(VK_SHIFT);
  Headless::RunUntilIdle();
  EXPECT_EQ(Box->GetHorzScrollBar()->GetPosition(), 16);
}

TEST_F(ScrollBoxTest, FocusScrollsTheControlIntoViewThroughItsEditBox) {
  auto* top = Create<TZCLEdit>(Form.get());
  top->SetParent(Box);
  top->SetBounds(10, 10, 100, 21);
  auto* below = Create<TZCLEdit>(Form.get());
  below->SetParent(Box);
  below->SetBounds(10, 450, 100, 21);
  Headless::RunUntilIdle();
  below->SetFocus();
  Headless::RunUntilIdle();
  // The edit box, not only its inner edit, comes into view at the bottom.
  EXPECT_EQ(below->GetTop() + below->GetHeight(), 300);
  // Scrolled back just far enough: its top edge meets the client area's.
  top->SetFocus();
  Headless::RunUntilIdle();
  EXPECT_EQ(top->GetTop(), 0);
  EXPECT_EQ(Box->GetVertScrollBar()->GetPosition(), 10);
}

TEST_F(ScrollBoxTest, BordersTakeATwoPixelFrame) {
  Box->SetBorders(bsSingle);
  Headless::RunUntilIdle();
  EXPECT_EQ(Box->GetClientWidth(), 296);
  const uint32_t frame = Headless::WindowPixel(Form->GetHandle(), TPoint(0, 150)) & 0xFFFFFF;
  const TColor c = Box->GetStyle()->GetColorBorder1()->GetAsColor();
  EXPECT_EQ(frame, uint32_t(((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF)));
  Box->SetBorders(bsNone);
  Headless::RunUntilIdle();
  EXPECT_EQ(Box->GetClientWidth(), 300);
}

}  // namespace
