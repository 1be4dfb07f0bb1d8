#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "os/backends/headless/OS.Headless.h"
#include "zcl/graphics/ZCL.Graphics.SkinImage.h"
#include "zcl/ui/controls/ZCL.UI.Controls.ScrollBar.h"

namespace {

using namespace testskin;

class TFakeScrollBarOwner : public TZCLUnknownObject, public IZCLScrollBar {
  ZCL_CLASS(TFakeScrollBarOwner, TZCLUnknownObject)
  RTL_INTERFACES(TZCLUnknownObject, IZCLScrollBar)
 public:
  Integer GetCurrentDpi() override { return 96; }
  bool IsControlEnabled() override { return Enabled; }
  void InvalidateRect(const TRect&) override {}
  void UpdateControl() override {}
  TPoint ControlClientToScreen(const TPoint& P) override { return P; }
  TPoint ControlScreenToClient(const TPoint& P) override { return P; }
  bool ScrollBarAllowAnimation() override { return false; }
  void ScrollBarScroll(TScrollCode Code, Integer&) override { Codes.push_back(Code); }
  bool Enabled = true;
  std::vector<TScrollCode> Codes;
};

class ScrollBarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Style = Create<TZCLStyleScrollBox>(static_cast<TObject*>(nullptr));
    Style->SetCollection(Skin.Get());
    Bar = new TZCLScrollBarSubClass(&Owner, Style, sbVertical);
    Bar->Calculate(TRect(0, 0, 15, 215));  // track of 185 between two 15-pixel arrows
  }
  void TearDown() override {
    Free(Bar);
    Free(Style);
  }
  Integer Count(TScrollCode Code) const { return Integer(std::count(Owner.Codes.begin(), Owner.Codes.end(), Code)); }

  TTestSkin Skin;
  TFakeScrollBarOwner Owner;
  TZCLStyleScrollBox* Style = nullptr;
  TZCLScrollBarSubClass* Bar = nullptr;
};

TEST_F(ScrollBarTest, ThumbLayoutAndRangeRules) {
  struct Case {
    Integer Min, Max, Position, Page;
    bool Enabled;
    TRect Thumb;
  } cases[] = {
      {0, 99, 0, 10, true, TRect(0, 15, 15, 34)},       // 10% of 185, at the start
      {0, 99, 90, 10, true, TRect(0, 181, 15, 200)},    // the last page
      {0, 9, 0, 50, true, TRect(0, 15, 15, 182)},       // the page is cut to Max - Min
      {5, 5, 5, 1, true, TRect(0, 15, 15, 30)},         // Max = Min: the page becomes 0
      {0, 99, 0, 10, false, TRect()},                   // disabled: no thumb
      {0, 10, 11, 0, true, TRect(0, 185, 15, 200)},     // Max + 1 without a page stays on the track
  };
  for (const Case& c : cases) {
    Owner.Enabled = c.Enabled;
    Bar->SetScrollParams(c.Min, c.Max, c.Position, c.Page);
    EXPECT_EQ(Bar->GetThumb()->Bounds, c.Thumb) << c.Max << " " << c.Position << " " << c.Page;
    EXPECT_LE(Bar->GetThumb()->Bounds.Bottom, Bar->GetButtonForward()->Bounds.Top);
  }
  // Without a page the position limit stays at Max + 1.
  EXPECT_EQ(Bar->GetPosition(), 11);
}

TEST_F(ScrollBarTest, FixedSizeThumbTurnsThePageIntoTheRange) {
  Style->GetTextureThumb(sbVertical)->GetImageSet()->FindByDPI(96)->SetSizingMode(ismTiledAreas);
  Bar->SetScrollParams(0, 99, 0, 10);
  EXPECT_EQ(Bar->GetMax(), 89);
  EXPECT_EQ(Bar->GetPage(), 0);
  EXPECT_EQ(Bar->GetThumb()->Bounds.Height(), 15);
}

TEST_F(ScrollBarTest, HeldArrowRepeatsAfter400MsThenEvery60) {
  Bar->SetScrollParams(0, 1000, 0, 10);
  Headless::MouseMove(TPoint(5, 205));
  Headless::RunUntilIdle();
  std::vector<Integer> times;
  Integer now = 0;
  Bar->MouseDown(TMouseButton::Left, TShiftState(), 5, 205);
  times.push_back(now);
  Integer seen = Count(scLineDown);
  for (; now < 530; now += 10) {
    Headless::Advance(10);
    Headless::RunUntilIdle();
    if (Count(scLineDown) != seen) {
      seen = Count(scLineDown);
      times.push_back(now + 10);
    }
  }
  EXPECT_EQ(times, (std::vector<Integer>{0, 400, 460, 520}));
  // Off the button the repeat pauses.
  Bar->MouseMove(5, 100);
  Headless::Advance(200);
  Headless::RunUntilIdle();
  EXPECT_EQ(Count(scLineDown), seen);
  Bar->MouseUp(TMouseButton::Left, 5, 100);
  EXPECT_EQ(Count(scEndScroll), 1);
  EXPECT_EQ(Bar->GetPressedPart(), spNone);
}

TEST_F(ScrollBarTest, ThumbDragFollowsSnapsBackFarAwayAndShiftClickJumps) {
  Bar->SetScrollParams(0, 99, 0, 10);
  Bar->MouseDown(TMouseButton::Left, TShiftState(), 7, 20);
  Bar->MouseMove(7, 20 + 83);  // half of the free track (166)
  EXPECT_EQ(Bar->GetPosition(), 45);
  Bar->MouseMove(300, 100);  // more than 120 pixels away
  EXPECT_EQ(Bar->GetPosition(), 0);
  EXPECT_EQ(Bar->GetThumb()->Bounds.Top, 15);
  Bar->MouseMove(7, 300);  // clamped to the end
  EXPECT_EQ(Bar->GetPosition(), 90);
  Bar->MouseUp(TMouseButton::Left, 7, 300);
  EXPECT_EQ(Count(scPosition), 1);
  EXPECT_EQ(Bar->GetPosition(), 90);

  Bar->SetScrollParams(0, 99, 0, 10);
  Bar->MouseDown(TMouseButton::Left, TShiftState{ssShift}, 7, 15 + 92);
  EXPECT_EQ(Bar->GetPressedPart(), spThumb);
  EXPECT_EQ(Bar->GetThumb()->Bounds.CenterPoint().Y, 15 + 92);
  Bar->MouseUp(TMouseButton::Left, 7, 107);
  // A right click does nothing.
  const size_t calls = Owner.Codes.size();
  Bar->MouseDown(TMouseButton::Right, TShiftState(), 7, 150);
  EXPECT_EQ(Owner.Codes.size(), calls);
}

TEST_F(ScrollBarTest, TrackPagesAndClampsToTheRange) {
  Bar->SetScrollParams(0, 99, 0, 10);
  Bar->MouseDown(TMouseButton::Left, TShiftState(), 7, 150);
  EXPECT_EQ(Bar->GetPosition(), 10);
  Bar->EndPress();
  Bar->Scroll(scBottom);
  EXPECT_EQ(Bar->GetPosition(), 90);
  Bar->Scroll(scLineUp);
  EXPECT_EQ(Bar->GetPosition(), 89);
  Bar->Scroll(scTop);
  EXPECT_EQ(Bar->GetPosition(), 0);
}

TEST(ScrollBarControl, ThicknessComesFromTheSkinAndWheelScrolls) {
  TTestSkin skin;
  TOwned<TZCLScrollBar> bar(Create<TZCLScrollBar>(static_cast<TComponent*>(nullptr)));
  bar->SetResourceCollection(skin.Get());
  bar->SetBounds(0, 0, 200, 40);
  EXPECT_EQ(bar->GetHeight(), 15);
  bar->SetKind(sbVertical);
  EXPECT_EQ(bar->GetWidth(), 15);
  bar->SetSmallChange(0);
  EXPECT_EQ(bar->GetSmallChange(), 1);
  bar->SetScrollParams(0, 50, 0, 5);
  bar->SetPosition(70);
  EXPECT_EQ(bar->GetPosition(), 46);
}

}  // namespace
