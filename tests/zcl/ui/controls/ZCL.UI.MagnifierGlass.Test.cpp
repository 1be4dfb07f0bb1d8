#include <gtest/gtest.h>

#include "../UiTestSupport.h"
#include "os/backends/headless/OS.Headless.h"
#include "vcl/VCL.Forms.h"
#include "zcl/ui/controls/ZCL.UI.MagnifierGlass.h"

namespace {

class MagnifierGlassTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A red window on the black desktop.
    Form.reset(TCustomForm::CreateNew<TForm>(nullptr));
    Form->SetBorderStyle(bsNone);
    Form->SetBounds(100, 100, 200, 100);
    Form->SetColor(clRed);
    Form->Show();
    Headless::RunUntilIdle();
    Glass.reset(Create<TZCLMagnifierGlass>(static_cast<TComponent*>(nullptr)));
    Glass->SetBounds(0, 0, 62, 41);
  }
  TColor Pixel(Integer X, Integer Y) const {
    const TZCLPixel32 p = Glass->GetImage()->GetColors()[Glass->GetImage()->CoordToIndex(X, Y)];
    return TColor(p.R | (p.G << 8) | (p.B << 16));
  }
  TOwned<TForm> Form;
  TOwned<TZCLMagnifierGlass> Glass;
};

TEST_F(MagnifierGlassTest, ZoomIsClampedAndSizesTheImageInWholeCells) {
  struct Case {
    Integer Set, Zoom, Width, Height;
  } cases[] = {{1, 2, 62, 40}, {80, 50, 0, 0}, {4, 4, 60, 40}, {7, 7, 56, 35}};
  for (const Case& c : cases) {
    Glass->SetZoom(c.Set);
    EXPECT_EQ(Glass->GetZoom(), c.Zoom);
    EXPECT_EQ(Glass->GetImage()->GetWidth(), c.Width) << c.Set;
    EXPECT_EQ(Glass->GetImage()->GetHeight(), c.Height) << c.Set;
  }
  // Smaller than one cell: no pixels, and composing changes nothing.
  Glass->SetZoom(50);
  Glass->SetBounds(0, 0, 10, 10);
  EXPECT_TRUE(Glass->GetImage()->Empty());
  Glass->Compose(TPoint(150, 150));
  EXPECT_EQ(Glass->GetCursorColor(), clBlack);
}

TEST_F(MagnifierGlassTest, EnlargesTheScreenAroundTheCursorWithGridAndCrosshair) {
  Glass->SetZoom(4);  // 15 x 10 cells of 4 pixels
  const TColor grid = Glass->GetMagnifierStyle()->GetColorGridLine()->GetAsColor();
  // The cursor on the window's left edge: the first six cells show the desktop.
  Glass->Compose(TPoint(100, 150));
  EXPECT_EQ(Glass->GetCursorColor(), clRed);
  EXPECT_EQ(Pixel(5 * 4 + 2, 2), clBlack);
  EXPECT_EQ(Pixel(6 * 4 + 2, 2), clRed);
  EXPECT_EQ(Pixel(4, 2), grid);  // grid lines at every cell border,
  EXPECT_EQ(Pixel(2, 12), grid);
  // The crosshair over the centre cell (26, 18) in the colour opposite to red.
  const TColor cross = ContrastingColor(clRed);
  EXPECT_NE(cross, clRed);
  EXPECT_EQ(Pixel(26 + 5, 18), cross);
  EXPECT_EQ(Pixel(26, 18 - 5), cross);
  EXPECT_EQ(Pixel(26 + 7, 18), clRed);

  // Above 4 pixels a cell, every tenth line is wider.
  Glass->SetZoom(5);
  Glass->Compose(TPoint(150, 150));
  EXPECT_EQ(Pixel(51, 2), grid);
  EXPECT_EQ(Pixel(49, 2), grid);
  EXPECT_EQ(Pixel(48, 2), clRed);
  EXPECT_EQ(Pixel(52, 2), clRed);

  Glass->Compose(TPoint(20, 20));
  EXPECT_EQ(Glass->GetCursorColor(), clBlack);
  // At Zoom 2 no grid is drawn, even with ShowGridLines on.
  Glass->SetZoom(2);
  Glass->Compose(TPoint(150, 150));
  EXPECT_EQ(Pixel(2, 1), clRed);
  EXPECT_EQ(Pixel(4, 1), clRed);
}

TEST_F(MagnifierGlassTest, TheTimerRaisesOnUpdateAndRepaintsWhatIsUnderTheMouse) {
  struct TCounter {
    Integer Count = 0;
    void Inc(TObject*) { ++Count; }
  } updates;
  TZCLMagnifierGlass* glass = Create<TZCLMagnifierGlass>(Form.get());
  glass->SetZoom(4);
  glass->SetBounds(0, 0, 60, 40);
  glass->SetParent(Form.get());
  glass->OnUpdate = TNotifyEvent(&updates, &TCounter::Inc);
  Headless::RunUntilIdle();
  Headless::MouseMove(TPoint(250, 170));
  Headless::Advance(TZCLMagnifierGlass::TimerInterval + 1);
  Headless::RunUntilIdle();
  EXPECT_GE(updates.Count, 1);
  EXPECT_EQ(glass->GetCursorColor(), clRed);
  // The window shows the enlarged red pixels.
  EXPECT_EQ(Headless::WindowPixel(Form->GetHandle(), TPoint(2, 2)) & 0xFFFFFF, 0xFF0000u);
}

}  // namespace
