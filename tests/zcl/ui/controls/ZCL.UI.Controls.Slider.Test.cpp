#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "os/OS.Input.h"
#include "os/backends/headless/OS.Headless.h"
#include "vcl/VCL.Forms.h"
#include "zcl/ui/controls/ZCL.UI.Controls.Slider.h"

namespace {

struct TChangeCounter {
  Integer Count = 0;
  void Changed(TObject*) { ++Count; }
};

class SliderTest : public ::testing::Test {
 public:
  void SetUp() override {
    Form.reset(TCustomForm::CreateNew<TForm>(nullptr));
    Form->SetBounds(100, 100, 400, 300);
    Form->SetBorderStyle(bsNone);
    Slider = Create<TZCLSlider>(Form.get());
    Slider->SetParent(Form.get());
    Slider->SetOrientation(oHorizontal);
    Slider->SetBounds(10, 10, 300, 40);
    Slider->OnChange = TNotifyEvent(&Changes, &TChangeCounter::Changed);
    Form->Show();
    Headless::RunUntilIdle();
  }
  TZCLSliderOptionsValue* Value() { return Slider->GetOptionsValue(); }
  TZCLSliderViewInfo* View() { return Slider->GetViewInfo(); }
  // The client x where the thumb's centre stands at Value.
  Integer XOf(Single V) {
    const Integer half = View()->ThumbRect.Width() / 2;
    const Integer free = View()->ThumbArea.Width() - View()->ThumbRect.Width();
    return View()->ThumbArea.Left + half + Integer((V - Value()->GetMin()) / Value()->GetRange() * free);
  }
  TPoint Screen(Integer X) { return Slider->ClientToScreen(TPoint(X, View()->ThumbArea.CenterPoint().Y)); }
  void Key(WORD K) {
    Headless::KeyPress(K);
    Headless::RunUntilIdle();
  }

  TOwned<TForm> Form;
  TZCLSlider* Slider = nullptr;
  TChangeCounter Changes;
};

TEST_F(SliderTest, RangeLimitsAndPaginationClampAndRound) {
  Value()->SetMax(-5);
  EXPECT_EQ(Value()->GetMax(), 1);  // at least Min + 1
  Value()->SetMax(100);
  Value()->SetMin(200);
  EXPECT_EQ(Value()->GetMin(), 99);
  Value()->SetMin(0);
  Value()->SetPage(0);
  EXPECT_FLOAT_EQ(Value()->GetPage(), 0.01f);
  Value()->SetPage(10);
  Value()->SetPaginate(true);
  struct TCase {
    Single In, Out;
  } cases[] = {{14.9f, 10}, {15, 20}, {25, 20}, {-7, 0}, {1000, 100}};
  for (const TCase& c : cases) EXPECT_FLOAT_EQ(Value()->Validate(c.In), c.Out) << c.In;
  Slider->SetPosition(14.9f);
  EXPECT_FLOAT_EQ(Slider->GetPosition(), 10);
  EXPECT_EQ(Slider->GetPositionAsInteger(), 10);
}

TEST_F(SliderTest, DefaultMarkSitsWhereTheThumbCentreStandsAtTheDefault) {
  Value()->SetMin(-100);
  Value()->SetMax(100);
  Value()->SetDefault(0);
  Slider->Calculate();
  const TRect mark = View()->DefaultValueMark;
  ASSERT_FALSE(mark.IsEmpty());
  Slider->SetPosition(0);
  EXPECT_EQ(mark.Left, View()->ThumbRect.Left + View()->ThumbRect.Width() / 2);
  EXPECT_NEAR(mark.Left - View()->TrackRect.Left, View()->TrackRect.Width() / 2, 1);
  // Ticks every Page along the track, on both sides of the thumb area.
  EXPECT_EQ(View()->Ticks.size() % 2, 0u);
  EXPECT_GE(View()->Ticks.size(), 2u * 21);
}

TEST_F(SliderTest, DraggingWithoutImmediateUpdateNotifiesOnceOnRelease) {
  Slider->GetOptions()->SetImmediateUpdate(false);
  Slider->SetPosition(30);
  EXPECT_EQ(Changes.Count, 0);  // code does not notify without immediate updates
  Headless::MouseDown(Screen(XOf(50)));
  Headless::RunUntilIdle();
  Headless::MouseMove(Screen(XOf(70)));
  Headless::RunUntilIdle();
  EXPECT_TRUE(Slider->GetDragging());
  EXPECT_FLOAT_EQ(Slider->GetPosition(), 30);
  EXPECT_NEAR(Slider->GetShownValue(), 70, 1);
  EXPECT_EQ(Changes.Count, 0);
  Headless::MouseUp(Screen(XOf(70)));
  Headless::RunUntilIdle();
  EXPECT_NEAR(Slider->GetPosition(), 70, 1);
  EXPECT_EQ(Changes.Count, 1);

  // With immediate updates the position follows the mouse; beyond the ends it clamps.
  Slider->GetOptions()->SetImmediateUpdate(true);
  Headless::Advance(1000);  // not a double click
  Headless::MouseDown(Screen(XOf(50)));
  Headless::RunUntilIdle();
  Headless::MouseMove(Screen(-50));
  Headless::RunUntilIdle();
  EXPECT_FLOAT_EQ(Slider->GetPosition(), 0);
  Headless::MouseUp(Screen(-50));
  Headless::RunUntilIdle();
  EXPECT_GE(Changes.Count, 3);
}

TEST_F(SliderTest, RightClickResetsToTheDefaultOnlyWhenItIsInRange) {
  Slider->SetPosition(40);
  Headless::Click(Screen(XOf(80)), TMouseButton::Right);
  Headless::RunUntilIdle();
  EXPECT_FLOAT_EQ(Slider->GetPosition(), 40);  // Default -1 lies below Min 0
  Value()->SetDefault(25);
  Headless::Click(Screen(XOf(80)), TMouseButton::Right);
  Headless::RunUntilIdle();
  EXPECT_FLOAT_EQ(Slider->GetPosition(), 25);

  // The magnet snaps a drag that ends near the default.
  Slider->GetOptions()->SetMagnetToDefaultValue(true);
  EXPECT_FLOAT_EQ(Slider->ValueFromPoint(XOf(25) + 1, 20), 25);
  EXPECT_GT(Slider->ValueFromPoint(XOf(60), 20), 50);
}

TEST_F(SliderTest, KeysMoveTheThumbInTheirDirectionWhateverReverseSays) {
  Slider->SetFocus();
  Slider->SetPosition(50);
  struct TCase {
    TZCLOrientation Orientation;
    bool Reverse;
    WORD Key;
    Single Expected;
  } cases[] = {
      {oHorizontal, false, VK_RIGHT, 51}, {oHorizontal, true, VK_RIGHT, 49}, {oHorizontal, false, VK_NEXT, 60},
      {oVertical, false, VK_DOWN, 51},    {oVertical, false, VK_PRIOR, 40},  {oVertical, true, VK_UP, 51},
      {oHorizontal, false, VK_HOME, 0},   {oHorizontal, true, VK_HOME, 100},
  };
  for (const TCase& c : cases) {
    Slider->SetOrientation(c.Orientation);
    Value()->SetReverse(c.Reverse);
    Slider->SetPosition(50);
    Key(c.Key);
    EXPECT_FLOAT_EQ(Slider->GetPosition(), c.Expected) << c.Key << " reverse " << c.Reverse;
  }
  Value()->SetDefault(5);
  Key(VK_DELETE);
  EXPECT_FLOAT_EQ(Slider->GetPosition(), 5);
}

TEST_F(SliderTest, RangeLabelsPutTheMinimumAtTheTopOfAVerticalSlider) {
  Slider->SetOrientation(oVertical);
  Slider->SetBounds(10, 10, 80, 200);
  Slider->GetOptionsLabels()->SetText(TZCLSliderOptionsLabels::MinValueIndex, u"low");
  Slider->GetOptionsLabels()->SetText(TZCLSliderOptionsLabels::MaxValueIndex, u"high");
  EXPECT_EQ(View()->LabelB.Text, u"low");
  EXPECT_LT(View()->LabelB.Rect.Top, View()->ThumbArea.Top);
  EXPECT_GT(View()->LabelA.Rect.Bottom, View()->ThumbArea.Bottom);
  Value()->SetReverse(true);
  EXPECT_EQ(View()->LabelB.Text, u"high");

  Slider->GetOptionsLabels()->SetText(TZCLSliderOptionsLabels::CurrentValueIndex, u"%.1f dB");
  Slider->GetOptionsLabels()->SetWidth(TZCLSliderOptionsLabels::CurrentValueIndex, 40);
  Slider->SetPosition(12.34f);
  EXPECT_EQ(View()->CurrentValueLabel.Text, u"12.3 dB");
  Slider->GetOptionsLabels()->SetWidth(TZCLSliderOptionsLabels::CurrentValueIndex, -3);
  EXPECT_EQ(Slider->GetOptionsLabels()->GetWidth(TZCLSliderOptionsLabels::CurrentValueIndex), 0);
}

}  // namespace
