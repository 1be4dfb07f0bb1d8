#include <gtest/gtest.h>

#include "vcl/VCL.Forms.h"
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
