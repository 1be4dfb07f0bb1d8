#include <gtest/gtest.h>

#include "../UiTestSupport.h"
#include "os/backends/headless/OS.Headless.h"
#include "vcl/VCL.Forms.h"
#include "zcl/ui/controls/ZCL.UI.Controls.Splitter.h"

namespace {

// A form at (100, 100) with a control of the given alignment and size and its splitter.
struct TSplitterFixture {
  explicit TSplitterFixture(TAlign Align, Integer Size = 200) {
    Form.reset(TCustomForm::CreateNew<TForm>(nullptr));
    Form->SetBorderStyle(bsNone);
    Form->SetBounds(100, 100, 600, 400);
    Control = Create<TZCLCustomControl>(Form.get());
    Control->SetParent(Form.get());
    Control->SetAlign(Align);
    if (Align == alLeft || Align == alRight)
      Control->SetWidth(Size);
    else
      Control->SetHeight(Size);
    Splitter = Create<TZCLSplitter>(Form.get());
    Splitter->SetParent(Form.get());
    Splitter->SetControl(Control);
    Form->Show();
    Headless::RunUntilIdle();
  }
  // The middle of the splitter in screen coordinates.
  TPoint Grip() const { return Splitter->ClientToScreen(TPoint(Splitter->GetWidth() / 2, Splitter->GetHeight() / 2)); }
  void Drag(TPoint From, std::initializer_list<TPoint> Moves) {
    Headless::MouseMove(From);
    Headless::MouseDown(From);
    Headless::RunUntilIdle();
    for (const TPoint& d : Moves) {
      Headless::MouseMove(TPoint(From.X + d.X, From.Y + d.Y));
      Headless::RunUntilIdle();
    }
  }
  void Release(TPoint At) {
    Headless::MouseUp(At);
    Headless::RunUntilIdle();
  }
  TOwned<TForm> Form;
  TZCLCustomControl* Control = nullptr;
  TZCLSplitter* Splitter = nullptr;
};

TEST(Splitter, FollowsItsControlsAlignmentAndEdge) {
  struct Case {
    TAlign Align;
    TCursor Cursor;
    TRect Splitter;
  } cases[] = {
      {alLeft, crHSplit, TRect(200, 0, 205, 400)},
      {alRight, crHSplit, TRect(395, 0, 400, 400)},
      {alTop, crVSplit, TRect(0, 200, 600, 205)},
      {alBottom, crVSplit, TRect(0, 195, 600, 200)},
  };
  for (const Case& c : cases) {
    TSplitterFixture f(c.Align);
    EXPECT_EQ(f.Splitter->GetAlign(), c.Align);
    EXPECT_EQ(f.Splitter->GetCursor(), c.Cursor);
    EXPECT_EQ(f.Splitter->GetBoundsRect(), c.Splitter) << int(c.Align);
    // Setting another alignment while bound keeps the control's.
    f.Splitter->SetSplitterAlign(alClient);
    EXPECT_EQ(f.Splitter->GetAlign(), c.Align);
  }
}

TEST(Splitter, DragResizesLiveAndHidesAtZero) {
  TSplitterFixture f(alLeft);
  const TPoint grip = f.Grip();
  f.Drag(grip, {TPoint(20, 0), TPoint(50, 0)});
  EXPECT_EQ(f.Control->GetWidth(), 250);
  EXPECT_EQ(f.Splitter->GetLeft(), 250);
  f.Release(TPoint(grip.X + 50, grip.Y));
  // Further left than the control is wide: hidden, the splitter at the form's edge.
  const TPoint grip2 = f.Grip();
  f.Drag(grip2, {TPoint(-300, 0)});
  EXPECT_FALSE(f.Control->GetVisible());
  EXPECT_EQ(f.Splitter->GetLeft(), 0);
  // The drag goes on from the edge: 40 pixels right of it show the control 40 wide.
  Headless::MouseMove(TPoint(grip2.X - 250 + 40, grip2.Y));
  Headless::RunUntilIdle();
  EXPECT_TRUE(f.Control->GetVisible());
  EXPECT_EQ(f.Control->GetWidth(), 40);
  f.Release(TPoint(grip2.X - 210, grip2.Y));
  EXPECT_FALSE(f.Splitter->IsDragging());
}

TEST(Splitter, RightAlignedGrowsToTheLeftAndConstraintsStopTheEdge) {
  TSplitterFixture right(alRight);
  right.Drag(right.Grip(), {TPoint(-30, 0)});
  right.Release(right.Grip());
  EXPECT_EQ(right.Control->GetWidth(), 230);

  TSplitterFixture f(alLeft, 150);
  f.Control->GetConstraints()->SetMinWidth(100);
  const TPoint grip = f.Grip();
  f.Drag(grip, {TPoint(-80, 0)});
  EXPECT_EQ(f.Control->GetWidth(), 100);
  EXPECT_EQ(f.Splitter->GetLeft(), 100);
  // The edge waits until the mouse comes back past it: 30 to the left of the edge, moving 20
  // right leaves the control as it is.
  Headless::MouseMove(TPoint(grip.X - 60, grip.Y));
  Headless::RunUntilIdle();
  EXPECT_EQ(f.Control->GetWidth(), 100);
  Headless::MouseMove(TPoint(grip.X - 40, grip.Y));
  Headless::RunUntilIdle();
  EXPECT_EQ(f.Control->GetWidth(), 110);
  f.Release(grip);
}

TEST(Splitter, DoubleClickTogglesAndCanToggleOffKeepsTheControl) {
  TSplitterFixture f(alTop, 120);
  Headless::DoubleClick(f.Grip());
  Headless::RunUntilIdle();
  EXPECT_FALSE(f.Control->GetVisible());
  Headless::DoubleClick(f.Grip());
  Headless::RunUntilIdle();
  EXPECT_TRUE(f.Control->GetVisible());
  EXPECT_EQ(f.Control->GetHeight(), 120);

  // Switching CanToggle off brings a hidden control back; dragging to zero keeps it visible.
  f.Splitter->Toggle();
  EXPECT_FALSE(f.Control->GetVisible());
  f.Splitter->SetCanToggle(false);
  EXPECT_TRUE(f.Control->GetVisible());
  const TPoint grip = f.Grip();
  f.Drag(grip, {TPoint(0, -200)});
  EXPECT_TRUE(f.Control->GetVisible());
  EXPECT_EQ(f.Control->GetHeight(), 0);
  f.Release(grip);
}

TEST(Splitter, FreeingTheControlUnbindsIt) {
  TSplitterFixture f(alLeft);
  Free(f.Control);
  EXPECT_EQ(f.Splitter->GetControl(), nullptr);
  f.Splitter->Toggle();  // nothing to toggle
}

}  // namespace
