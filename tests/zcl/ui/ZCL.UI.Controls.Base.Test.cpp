#include <gtest/gtest.h>

#include "UiTestSupport.h"
#include "os/OS.Input.h"
#include "os/backends/headless/OS.Headless.h"
#include "vcl/VCL.Forms.h"
#include "zcl/ui/ZCL.UI.Controls.Base.h"
#include "zcl/ui/ZCL.UI.Resources.Collection.h"

namespace {

// A control whose auto-size answer is a fixed size, that records what reaches it.
class TProbeControl : public TZCLCustomControl {
  ZCL_CLASS(TProbeControl, TZCLCustomControl)
 public:
  using TZCLCustomControl::TZCLCustomControl;
  Integer AutoSizes = 0;
  Integer Enters = 0, Leaves = 0;
  Integer WheelDowns = 0;
  bool WheelShift = false;
  TSize Natural{40, 20};
  bool CanAutoSize(Integer& NewWidth, Integer& NewHeight) override {
    ++AutoSizes;
    NewWidth = ScaleValue(Natural.cx);
    NewHeight = ScaleValue(Natural.cy);
    return true;
  }
  void MouseEnter() override {
    ++Enters;
    inherited::MouseEnter();
  }
  void MouseLeave() override {
    ++Leaves;
    inherited::MouseLeave();
  }
  using TZCLCustomControl::AdjustClientRect;

 protected:
  bool MouseWheel(TMouseWheelDirection Direction, TShiftState Shift, const TPoint&) override {
    if (Direction == mwdDown) ++WheelDowns;
    WheelShift = Shift.Contains(ssShift);
    return true;
  }
};

class TTestContainer : public TZCLContainer {
  ZCL_CLASS(TTestContainer, TZCLContainer)
 public:
  using TZCLContainer::TZCLContainer;
  TRect ContentOffset() { return GetContentOffset(); }
};

class BaseControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Form.reset(TCustomForm::CreateNew<TForm>(nullptr));
    Form->SetBounds(100, 100, 400, 300);
    Form->SetBorderStyle(bsNone);
  }
  void TearDown() override { Form.reset(); }
  template <class T>
  T* Add(TWinControl* Parent) {
    T* c = Create<T>(static_cast<TComponent*>(Form.get()));
    c->SetParent(Parent);
    return c;
  }
  TOwned<TForm> Form;
};

TEST(BasePadding, ScalingAndStoring) {
  TZCLPadding padding(0);
  Integer changes = 0;
  struct TCounter {
    Integer* Count;
    void Changed(TObject*) { ++*Count; }
  } counter{&changes};
  padding.OnChange = TNotifyEvent(&counter, &TCounter::Changed);
  padding.SetAll(3);
  EXPECT_EQ(changes, 1);
  padding.SetAll(3);  // unchanged: no notice
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(padding.GetScaledRect(144), TRect(4, 4, 4, 4));
  EXPECT_EQ(padding.GetScaledRect(120), TRect(3, 3, 3, 3));
  padding.SetScalable(false);
  EXPECT_EQ(padding.GetScaledRect(144), TRect(3, 3, 3, 3));
  padding.SetScalable(true);
  padding.SetLeft(96);
  EXPECT_EQ(padding.GetScaledRect(100).Left, 99);  // single-precision factor, truncated
  EXPECT_EQ(padding.GetAll(), 0);

  EXPECT_TRUE(padding.IsLeftStored());
  EXPECT_TRUE(padding.IsTopStored());
  EXPECT_FALSE(padding.IsAllStored());
  padding.SetAll(0);
  EXPECT_FALSE(padding.IsStored());
  padding.SetScalable(false);
  EXPECT_TRUE(padding.IsStored());
  TZCLMargins margins;
  EXPECT_EQ(margins.GetAll(), 3);
  EXPECT_FALSE(margins.IsAllStored());
  margins.SetAll(5);
  EXPECT_TRUE(margins.IsAllStored());
  EXPECT_FALSE(margins.IsLeftStored());
}

TEST_F(BaseControlsTest, DefaultSizesAndAlignOrderFloor) {
  auto* windowed = Add<TZCLCustomControl>(Form.get());
  EXPECT_EQ(windowed->GetWidth(), 200);
  EXPECT_EQ(windowed->GetHeight(), 150);
  auto* graphic = Add<TZCLGraphicControl>(Form.get());
  EXPECT_EQ(graphic->GetWidth(), 200);
  EXPECT_EQ(graphic->GetHeight(), 30);
  windowed->SetAlignOrder(-4);
  EXPECT_EQ(windowed->GetAlignOrder(), 0);
  EXPECT_EQ(GetControlAlignOrder(graphic), 0);
  graphic->SetAlignOrder(7);
  EXPECT_EQ(GetControlAlignOrder(graphic), 7);
  // Margins reach the platform's at the control's DPI.
  EXPECT_EQ(windowed->TControl::GetMargins()->GetLeft(), 3);
}

TEST_F(BaseControlsTest, OrderedAlignment) {
  auto* host = Add<TZCLCustomControl>(Form.get());
  host->SetBounds(0, 0, 300, 300);
  TZCLCustomControl* tops[3];
  const Integer orders[] = {2, 0, 1};
  for (int i = 0; i < 3; ++i) {
    tops[i] = Add<TZCLCustomControl>(host);
    tops[i]->SetBounds(0, 10 * i, 50, 20);
    tops[i]->SetAlignOrder(orders[i]);
    tops[i]->SetAlign(alTop);
  }
  host->Realign();
  EXPECT_EQ(tops[1]->GetTop(), 0);
  EXPECT_EQ(tops[2]->GetTop(), 20);
  EXPECT_EQ(tops[0]->GetTop(), 40);

  // Equal order: by position toward the edge.
  auto* host2 = Add<TZCLCustomControl>(Form.get());
  host2->SetBounds(0, 0, 300, 300);
  auto* upper = Add<TZCLCustomControl>(host2);
  auto* lower = Add<TZCLCustomControl>(host2);
  lower->SetBounds(0, 100, 50, 20);
  upper->SetBounds(0, 50, 50, 20);
  lower->SetAlign(alBottom);
  upper->SetAlign(alBottom);
  host2->Realign();
  EXPECT_EQ(lower->GetTop(), 280);  // the larger Top stays nearest the bottom edge
  EXPECT_EQ(upper->GetTop(), 260);
}

TEST_F(BaseControlsTest, ContainerBordersAndPaddingNarrowTheClientArea) {
  auto* container = Add<TTestContainer>(Form.get());
  container->SetBounds(0, 0, 200, 100);
  container->SetBorders(TZCLBorders{mLeft, mBottom});
  EXPECT_EQ(container->ContentOffset(), TRect(2, 0, 0, 2));
  container->GetPadding()->SetAll(3);
  auto* child = Add<TZCLCustomControl>(container);
  child->SetAlign(alClient);
  container->Realign();
  EXPECT_EQ(child->GetBoundsRect(), TRect(5, 3, 197, 95));
}

TEST_F(BaseControlsTest, TranslucentStyleMakesTheContainerTransparent) {
  auto* container = Add<TZCLContainer>(Form.get());
  EXPECT_TRUE(container->GetControlStyle().Contains(csOpaque));
  auto* collection = Create<TZCLResourceCollection>(static_cast<TComponent*>(Form.get()));
  auto* color = static_cast<TZCLResourceColor*>(
      collection->GetItems()->Add(u"Common.Colors.Background2", TZCLResourceColor::StaticClass()));
  color->SetValue(0x80FF0000);
  auto* opaque = static_cast<TZCLResourceColor*>(
      collection->GetItems()->Add(u"Common.Colors.Background1", TZCLResourceColor::StaticClass()));
  opaque->SetValue(0xFF00FF00);
  container->SetResourceCollection(collection);
  EXPECT_TRUE(container->GetStyle()->IsTranslucent());
  EXPECT_FALSE(container->GetControlStyle().Contains(csOpaque));
  Free(collection);  // the control lets go of it
  EXPECT_EQ(container->GetResourceCollection(), nullptr);
  EXPECT_TRUE(container->GetControlStyle().Contains(csOpaque));
}

TEST_F(BaseControlsTest, ScaleBracketKeepsAutoSizeAndAnchorsForTheEnd) {
  auto* host = Add<TZCLCustomControl>(Form.get());
  host->SetBounds(0, 0, 200, 200);
  auto* child = Add<TProbeControl>(host);
  child->SetBounds(10, 10, 40, 20);
  child->SetAutoSize(true);
  auto* stretched = Add<TZCLCustomControl>(host);
  stretched->SetBounds(10, 100, 100, 20);
  stretched->SetAnchors(TAnchors{akLeft, akTop, akRight});

  host->Perform(WM_ZCL_SCALECHANGING);
  child->Perform(WM_ZCL_SCALECHANGING);
  EXPECT_FALSE(child->GetAutoSize());
  child->AutoSizes = 0;
  host->ScaleForPPI(144);  // nested bracket inside
  EXPECT_EQ(child->AutoSizes, 0);
  child->Perform(WM_ZCL_SCALECHANGED);
  host->Perform(WM_ZCL_SCALECHANGED);
  EXPECT_TRUE(child->GetAutoSize());
  EXPECT_EQ(child->GetCurrentPPI(), 144);
  EXPECT_EQ(child->GetBoundsRect(), TRect(15, 15, 75, 45));
  EXPECT_EQ(child->TControl::GetMargins()->GetLeft(), 4);
  EXPECT_EQ(stretched->GetBoundsRect(), TRect(15, 150, 165, 180));
  // The anchors refer to the new bounds: growing the host stretches the sibling from there.
  host->SetWidth(host->GetWidth() + 100);
  EXPECT_EQ(stretched->GetBoundsRect(), TRect(15, 150, 265, 180));
}

TEST_F(BaseControlsTest, HorizontalWheelScrollsLikeShiftAndVertical) {
  auto* control = Add<TProbeControl>(Form.get());
  control->HandleNeeded();
  const WPARAM right = static_cast<WPARAM>(static_cast<Word>(WHEEL_DELTA)) << 16;
  control->Perform(WM_MOUSEHWHEEL, right, MAKELPARAM(10, 10));
  EXPECT_EQ(control->WheelDowns, 1);
  EXPECT_TRUE(control->WheelShift);
}

TEST_F(BaseControlsTest, HoverIsTrackedByPolling) {
  auto* control = Add<TProbeControl>(Form.get());
  control->SetBounds(10, 10, 100, 50);
  Form->Show();
  Headless::RunUntilIdle();
  Headless::MouseMove(TPoint(130, 130));
  Headless::RunUntilIdle();
  EXPECT_EQ(control->Enters, 1);
  EXPECT_TRUE(control->GetMouseInControl());
  Headless::MouseMove(TPoint(130, 135));
  Headless::RunUntilIdle();
  EXPECT_EQ(control->Enters, 1);  // once per visit
  Headless::MouseMove(TPoint(350, 350));
  Headless::Advance(60);
  EXPECT_EQ(control->Leaves, 1);
  EXPECT_FALSE(control->GetMouseInControl());
}

}  // namespace
