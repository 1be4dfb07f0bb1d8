#include <gtest/gtest.h>

#include <vector>

#include "os/OS.Input.h"
#include "os/OS.Timers.h"
#include "os/OS.Windows.h"

#include "vcl/VCL.Forms.h"
#include "zcl/base/ZCL.Timers.h"
#include "zcl/ui/ZCL.UI.DragDrop.Target.h"
#include "zcl/ui/ZCL.UI.SkinImageSet.h"
#include "zse/engine/ZSE.Forms.Utils.h"

namespace {

TEST(Magnets, WindowsSnapWithinSixPixelsAt96Dpi) {
  const TRect fixed(100, 100, 300, 200);
  struct {
    TRect Moving;
    Integer Dpi;
    Byte Side;
    TRect Result;
  } cases[] = {
      {TRect(100, 206, 200, 256), 96, 4, TRect(100, 200, 200, 250)},   // 6 px below: snaps, starts aligned
      {TRect(103, 207, 203, 257), 96, 0, TRect(103, 207, 203, 257)},   // 7 px below: stays
      {TRect(103, 207, 203, 257), 144, 4, TRect(100, 200, 200, 250)},  // 7 px at 144 DPI is within 10
      {TRect(150, 40, 250, 96), 96, 2, TRect(150, 44, 250, 100)},      // above, no alignment
      {TRect(305, 120, 405, 198), 96, 3, TRect(300, 122, 400, 200)},   // right, ends aligned
      {TRect(0, 100, 97, 150), 96, 1, TRect(3, 100, 100, 150)},        // left
      {TRect(500, 500, 600, 600), 96, 0, TRect(500, 500, 600, 600)},   // far away
      {TRect(400, 205, 500, 255), 96, 0, TRect(400, 205, 500, 255)},   // close in y but not beside
      {TRect(300, 200, 400, 250), 96, 4, TRect(300, 200, 400, 250)},   // below and right at once: below
  };
  for (const auto& c : cases) {
    TRect r = c.Moving;
    EXPECT_EQ(TZSEMagnet::Check(r, fixed, c.Dpi), c.Side) << c.Moving.Left << "," << c.Moving.Top;
    EXPECT_EQ(r, c.Result) << c.Moving.Left << "," << c.Moving.Top;
  }
  TPoint p(100, 205);
  EXPECT_EQ(TZSEMagnet::SnapPoint(p, TRect(0, 0, 100, 50), fixed, 96), 4);
  EXPECT_EQ(p, TPoint(100, 200));
}

TEST(Magnets, WindowsSnapToTheScreenEdges) {
  ASSERT_NE(Screen, nullptr);
  const TRect work = Screen->GetMonitors(0)->GetWorkareaRect();
  TPoint p(work.Left + 5, work.Top + 40);
  TZSEMagnet::SnapToScreen(p, TRect(0, 0, 100, 100), 96);
  EXPECT_EQ(p, TPoint(work.Left, work.Top + 40));
  p = TPoint(work.Right - 104, work.Bottom - 98);
  TZSEMagnet::SnapToScreen(p, TRect(0, 0, 100, 100), 96);
  EXPECT_EQ(p, TPoint(work.Right - 100, work.Bottom - 100));
  p = TPoint(work.Left + 50, work.Top + 50);
  TZSEMagnet::SnapToScreen(p, TRect(0, 0, 100, 100), 96);
  EXPECT_EQ(p, TPoint(work.Left + 50, work.Top + 50));
}

TEST(ScreenEdges, StripsArrowsAndTheEdgeAtAPoint) {
  ASSERT_NE(Screen, nullptr);
  const TRect work = Screen->GetMonitors(0)->GetWorkareaRect();
  const TSize size(20, 30);
  struct {
    Byte Edge;
    TRect Strip;
  } strips[] = {{0, TRect(work.Left, work.Top, work.Left + 20, work.Bottom)},
                {1, TRect(work.Right - 20, work.Top, work.Right, work.Bottom)},
                {2, TRect(work.Left, work.Top, work.Right, work.Top + 30)},
                {3, TRect(work.Left, work.Bottom - 30, work.Right, work.Bottom)}};
  for (const auto& s : strips)
    EXPECT_EQ(TZSEToolbarHelper::GetEdgeRect({-1, 0, s.Edge}, TRect(), 2, size), s.Strip) << int(s.Edge);
  // An unknown monitor is the primary one; offsets enlarge the work area.
  EXPECT_EQ(TZSEToolbarHelper::GetEdgeRect({-1, 9, 0}, TRect(5, 0, 0, 0), 2, size).Left, work.Left - 5);

  // The arrow one length past the pointer, or before it near the end of the edge.
  EXPECT_EQ(TZSEToolbarHelper::GetFloatArrowRect(TPoint(work.Left, work.Top + 100), {-1, 0, 0}, size),
            TRect(work.Left, work.Top + 130, work.Left + 20, work.Top + 160));
  EXPECT_EQ(TZSEToolbarHelper::GetFloatArrowRect(TPoint(work.Left, work.Bottom - 40), {-1, 0, 0}, size),
            TRect(work.Left, work.Bottom - 100, work.Left + 20, work.Bottom - 70));

  TZSEScreenEdgePlacement placement;
  EXPECT_FALSE(TZSEToolbarHelper::GetEdgeAtPoint(work.CenterPoint(), 2, placement));
  struct {
    TPoint Point;
    Byte Edge;
  } points[] = {{TPoint(work.Left, work.Top + 200), 0},
                {TPoint(work.Right - 1, work.Top + 200), 1},
                {TPoint(work.Left + 200, work.Top), 2},
                {TPoint(work.Left + 200, work.Bottom - 1), 3}};
  for (const auto& p : points) {
    ASSERT_TRUE(TZSEToolbarHelper::GetEdgeAtPoint(p.Point, 2, placement));
    EXPECT_EQ(placement.Edge, p.Edge);
    EXPECT_EQ(placement.Value, -1);
  }
}

}  // namespace

namespace {

class GluedForms : public ::testing::Test {
 protected:
  void SetUp() override {
    for (auto [name, bounds] :
         {std::pair{u"Main", TRect(100, 100, 400, 400)}, std::pair{u"Side", TRect(400, 200, 500, 410)},
          std::pair{u"Under", TRect(400, 410, 500, 450)}, std::pair{u"Far", TRect(900, 700, 950, 750)}}) {
      TForm* f = TCustomForm::CreateNew<TForm>(nullptr);
      f->SetName(name);
      f->SetBorderStyle(bsNone);
      f->SetBoundsRect(bounds);
      f->Show();
      FForms.push_back(f);
    }
    TZSEGluedForms::FormList = [this] { return std::vector<TCustomForm*>(FForms.begin(), FForms.end()); };
  }
  void TearDown() override {
    TZSEGluedForms::FormList = nullptr;
    for (TForm* f : FForms) Free(f);
  }
  TComponent* Find(const String& Name) {
    for (TForm* f : FForms)
      if (f->GetName() == Name) return f;
    return nullptr;
  }
  std::vector<TForm*> FForms;
};

TEST_F(GluedForms, GluedWindowsKeepTheirPlaceWhenTheMainWindowGrowsOrMoves) {
  TZSEGluedForms glued;
  glued.Rebuild(FForms[0]);
  ASSERT_EQ(glued.GetCount(), 2);  // Side on the main window, Under on Side; Far is apart
  EXPECT_EQ(glued.GetItems(0)->GetForm(), FForms[1]);
  EXPECT_EQ(glued.GetItems(0)->GetSide(), 3);
  EXPECT_FLOAT_EQ(glued.GetItems(0)->GetRatio(), 1.0f / 3.0f);
  EXPECT_EQ(glued.GetItems(1)->GetTarget(), FForms[1]);
  EXPECT_EQ(glued.GetItems(1)->GetSide(), 4);
  EXPECT_TRUE(glued.Contains(FForms[2]));
  EXPECT_FALSE(glued.Contains(FForms[3]));

  // The main window grows: the side window stays at a third of its height and right of it.
  FForms[0]->SetBoundsRect(TRect(100, 100, 460, 700));
  EXPECT_TRUE(glued.UpdateSizes());
  glued.RestorePositions();
  EXPECT_EQ(FForms[1]->GetBoundsRect(), TRect(460, 300, 560, 510));
  EXPECT_EQ(FForms[2]->GetBoundsRect(), TRect(460, 510, 560, 550));
  EXPECT_FALSE(glued.UpdateSizes());

  // The group moves as one.
  glued.MoveGroup(FForms[0], TPoint(10, 20));
  EXPECT_EQ(FForms[0]->GetBoundsRect(), TRect(110, 120, 470, 720));
  EXPECT_EQ(FForms[1]->GetBoundsRect(), TRect(470, 320, 570, 530));
  EXPECT_EQ(FForms[3]->GetBoundsRect(), TRect(900, 700, 950, 750));

  // A move that brings the group within the magnets' reach of another window snaps.
  TPoint delta(0, 0);
  FForms[3]->SetBoundsRect(TRect(575, 320, 625, 370));
  glued.SnapGroup(FForms[0], delta);
  EXPECT_EQ(delta, TPoint(5, 0));

  // After a reload, entries are found again by name; those whose window is gone are dropped.
  FForms[2]->SetName(u"Renamed");
  glued.Validate([this](const String& Name) { return Find(Name); });
  EXPECT_EQ(glued.GetCount(), 1);
}

}  // namespace

namespace {

// The arrow's window operations counted, and the rest at the edge set by the test.
class TRecordingArrow : public TZSECustomFloatArrow {
  ZCL_CLASS(TRecordingArrow, TZSECustomFloatArrow)
 public:
  using TZSECustomFloatArrow::Click;
  using TZSECustomFloatArrow::TZSECustomFloatArrow;
  Integer Shown = 0;
  Integer Hidden = 0;
  void ShowArrow() override { ++Shown; }
  void HideArrow() override { ++Hidden; }
  void TickAfterRest(DWORD Milliseconds) {
    FStartTick = GetTickCount() - Milliseconds;
    TimerTick(nullptr);
  }
};

class TEdgeForm : public TForm, public IZSEFloatArrowForm {
  ZCL_CLASS(TEdgeForm, TForm)
  RTL_INTERFACES(TForm, IZSEFloatArrowForm)
 public:
  using TForm::TForm;
  TZSEScreenEdgePlacement Placement;
  Integer BroughtBack = 0;
  Integer MiddleClicks = 0;
  TZSEScreenEdgePlacement GetScreenEdgePlacement() override { return Placement; }
  void BringBack() override {
    ++BroughtBack;
    Show();
  }
  void MiddleClick() override { ++MiddleClicks; }
};

class FloatArrow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(Screen, nullptr);
    FWork = Screen->GetMonitors(0)->GetWorkareaRect();
    FArrow = TCustomForm::CreateNew<TRecordingArrow>(nullptr);
    // 40x60 pixels at 192 DPI: a 20x30 arrow for a form at 96 DPI.
    const std::vector<TZCLPixel32> pixels(40 * 60, TZCLPixel32{0, 0, 255, 255});
    FArrow->GetImage()->LoadFromBits(pixels.data(), 40, 60);
    FArrow->GetImage()->SetDPI(192);
    FForm = TCustomForm::CreateNew<TEdgeForm>(nullptr);
    FForm->SetBorderStyle(bsNone);
    FForm->SetBoundsRect(TRect(FWork.Left + 300, FWork.Top + 300, FWork.Left + 400, FWork.Top + 400));
    SetCursorPos(FWork.Left, FWork.Top + 100);
  }
  void TearDown() override {
    TZSECustomFloatArrow::ShowAtOnce = true;
    TZSECustomFloatArrow::ShowOverFullScreen = false;
    Free(FForm);
    Free(FArrow);
  }
  TRect FWork;
  TRecordingArrow* FArrow = nullptr;
  TEdgeForm* FForm = nullptr;
};

TEST_F(FloatArrow, ShowsAtTheEdgeBesideThePointerAndBringsTheFormBack) {
  TZSECustomFloatArrow::ShowAtOnce = true;
  FArrow->Show(FForm);
  EXPECT_EQ(FArrow->GetTarget(), FForm);
  EXPECT_EQ(FArrow->Shown, 1);
  EXPECT_EQ(FArrow->GetBoundsRect(), TRect(FWork.Left, FWork.Top + 130, FWork.Left + 20, FWork.Top + 160));
  EXPECT_EQ(FArrow->GetCursor(), crHandPoint);

  // The frame follows the edge: the second one for the right and bottom edges.
  for (auto [edge, frame] : {std::pair{0, 0}, std::pair{1, 1}, std::pair{2, 0}, std::pair{3, 1}}) {
    FForm->Placement.Edge = Byte(edge);
    EXPECT_EQ(FArrow->GetArrowFrameIndex(), frame) << edge;
  }

  // A click, a file dragged onto the arrow and a middle click go to the form.
  FArrow->Click();
  FArrow->GetDropTarget()->DoEnter();
  EXPECT_EQ(FForm->BroughtBack, 2);
  FArrow->Perform(WM_MBUTTONDOWN, 0, 0);
  EXPECT_EQ(FForm->MiddleClicks, 1);

  // Showing it for a form again starts afresh; a form that goes away takes the arrow with it.
  const Integer hidden = FArrow->Hidden;
  Free(FForm);
  FForm = nullptr;
  EXPECT_EQ(FArrow->GetTarget(), nullptr);
  EXPECT_EQ(FArrow->Hidden, hidden + 1);
  EXPECT_EQ(FArrow->GetArrowFrameIndex(), 0);
}

TEST_F(FloatArrow, WithoutTheArrowTheFormComesBackAfterASecondAtTheEdge) {
  TZSECustomFloatArrow::ShowAtOnce = false;
  FArrow->Show(FForm);
  EXPECT_EQ(FArrow->Shown, 0);
  EXPECT_TRUE(FArrow->GetTimer()->GetEnabled());
  EXPECT_EQ(FArrow->GetTimer()->GetInterval(), 100u);
  FArrow->TickAfterRest(900);
  EXPECT_EQ(FForm->BroughtBack, 0);
  FArrow->TickAfterRest(1000);
  EXPECT_EQ(FForm->BroughtBack, 1);
  EXPECT_TRUE(FForm->GetVisible());
  FArrow->TickAfterRest(5000);
  EXPECT_EQ(FForm->BroughtBack, 1);
  // Show stops the timer before anything else.
  FForm->Hide();
  FArrow->Show(nullptr);
  EXPECT_FALSE(FArrow->GetTimer()->GetEnabled());
}

TEST_F(FloatArrow, AFullScreenWindowInFrontKeepsTheArrowAwayUnlessAllowed) {
  TForm* fullScreen = TCustomForm::CreateNew<TForm>(nullptr);
  fullScreen->SetBorderStyle(bsNone);
  fullScreen->SetBoundsRect(Screen->GetMonitors(0)->GetBoundsRect());
  fullScreen->Show();
  SetForegroundWindow(fullScreen->GetHandle());
  for (bool allowed : {false, true}) {
    TZSECustomFloatArrow::ShowOverFullScreen = allowed;
    FArrow->Show(FForm);
    EXPECT_EQ(FArrow->GetTarget(), allowed ? FForm : nullptr) << allowed;
  }
  EXPECT_EQ(FArrow->Shown, 1);
  Free(fullScreen);
}

TEST(FloatArrowWindow, ShowsTopmostWithoutActivationAndHides) {
  TForm* other = TCustomForm::CreateNew<TForm>(nullptr);
  other->SetBoundsRect(TRect(500, 500, 600, 600));
  other->Show();
  SetForegroundWindow(other->GetHandle());
  TZSEFloatArrowImpl* arrow = TCustomForm::CreateNew<TZSEFloatArrowImpl>(nullptr);
  const std::vector<TZCLPixel32> pixels(16 * 16, TZCLPixel32{0, 0, 255, 255});
  arrow->GetImage()->LoadFromBits(pixels.data(), 16, 16);
  arrow->Show(other);
  ASSERT_TRUE(arrow->HandleAllocated());
  EXPECT_TRUE(IsWindowVisible(arrow->GetHandle()));
  EXPECT_NE(GetWindowLong(arrow->GetHandle(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  EXPECT_EQ(GetForegroundWindow(), other->GetHandle());
  arrow->Release();
  EXPECT_FALSE(IsWindowVisible(arrow->GetHandle()));
  Free(arrow);
  Free(other);
}

}  // namespace
