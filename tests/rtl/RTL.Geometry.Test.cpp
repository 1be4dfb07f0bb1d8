#include "rtl/RTL.Geometry.h"

#include <gtest/gtest.h>

TEST(Geometry, RectMeasuresAndMovesHalfOpen) {
  TRect r = Bounds(10, 20, 30, 40);
  EXPECT_EQ(r, Rect(10, 20, 40, 60));
  EXPECT_EQ(r.Width(), 30);
  EXPECT_EQ(r.Height(), 40);
  EXPECT_EQ(r.Size(), Size(30, 40));
  EXPECT_EQ(r.TopLeft(), Point(10, 20));
  EXPECT_EQ(r.BottomRight(), Point(40, 60));
  EXPECT_EQ(r.CenterPoint(), Point(25, 40));

  // Right and bottom edges are outside.
  EXPECT_TRUE(PtInRect(r, Point(10, 20)));
  EXPECT_TRUE(PtInRect(r, Point(39, 59)));
  EXPECT_FALSE(PtInRect(r, Point(40, 30)));
  EXPECT_FALSE(PtInRect(r, Point(20, 60)));
  EXPECT_FALSE(PtInRect(r, Point(9, 30)));

  r.Offset(-10, 5);
  EXPECT_EQ(r, Rect(0, 25, 30, 65));
  r.Inflate(2, -3);
  EXPECT_EQ(r, Rect(-2, 28, 32, 62));
  r.SetLocation(Point(1, 1));
  EXPECT_EQ(r, Rect(1, 1, 35, 35));
  OffsetRect(r, 1, 1);
  InflateRect(r, 1, 1);
  EXPECT_EQ(r, Rect(1, 1, 37, 37));
}

TEST(Geometry, EmptinessIsAboutArea) {
  struct {
    TRect r;
    bool empty;
  } cases[] = {
      {Rect(0, 0, 0, 0), true}, {Rect(0, 0, 1, 1), false}, {Rect(5, 5, 5, 9), true},
      {Rect(5, 5, 9, 5), true}, {Rect(9, 0, 5, 4), true},  {Rect(-4, -4, -1, -1), false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.r.IsEmpty(), c.empty) << c.r.Left << "," << c.r.Top << "," << c.r.Right << "," << c.r.Bottom;
    EXPECT_EQ(IsRectEmpty(c.r), c.empty);
  }
  TRect flipped = Rect(9, 8, 1, 2);
  flipped.NormalizeRect();
  EXPECT_EQ(flipped, Rect(1, 2, 9, 8));
}

TEST(Geometry, IntersectAndUnion) {
  struct {
    TRect a, b, intersection, united;
    bool intersects;
  } cases[] = {
      {Rect(0, 0, 10, 10), Rect(5, 5, 15, 15), Rect(5, 5, 10, 10), Rect(0, 0, 15, 15), true},
      // Touching edges share no area.
      {Rect(0, 0, 10, 10), Rect(10, 0, 20, 10), TRect(), Rect(0, 0, 20, 10), false},
      {Rect(0, 0, 10, 10), Rect(2, 2, 4, 4), Rect(2, 2, 4, 4), Rect(0, 0, 10, 10), true},
      {Rect(0, 0, 10, 10), Rect(20, 20, 30, 30), TRect(), Rect(0, 0, 30, 30), false},
      // An empty operand does not stretch the union.
      {Rect(0, 0, 10, 10), Rect(50, 50, 50, 60), TRect(), Rect(0, 0, 10, 10), false},
      {Rect(3, 3, 3, 3), Rect(1, 1, 2, 2), TRect(), Rect(1, 1, 2, 2), false},
  };
  for (const auto& c : cases) {
    TRect dest(1, 2, 3, 4);
    EXPECT_EQ(IntersectRect(dest, c.a, c.b), c.intersects);
    EXPECT_EQ(dest, c.intersection);
    EXPECT_EQ(IntersectRect(c.b, c.a), c.intersection);
    EXPECT_EQ(c.a.IntersectsWith(c.b), c.intersects);
    EXPECT_EQ(UnionRect(c.a, c.b), c.united);
    EXPECT_EQ(UnionRect(c.b, c.a), c.united);
  }
  TRect both;
  EXPECT_FALSE(UnionRect(both, Rect(1, 1, 1, 1), Rect(4, 4, 2, 2)));
  EXPECT_EQ(both, TRect());
  // Dest may alias an operand.
  TRect a = Rect(0, 0, 10, 10);
  EXPECT_TRUE(IntersectRect(a, a, Rect(5, 0, 20, 5)));
  EXPECT_EQ(a, Rect(5, 0, 10, 5));
  EXPECT_TRUE(Rect(0, 0, 10, 10).Contains(Rect(0, 0, 10, 10)));
  EXPECT_FALSE(Rect(0, 0, 10, 10).Contains(Rect(0, 0, 11, 10)));
}

TEST(Geometry, ColorsResolveThroughOverridableSystemTable) {
  EXPECT_EQ(clRed, static_cast<TColor>(RGB(255, 0, 0)));
  EXPECT_EQ(GetBValue(clBlue), 255);
  EXPECT_EQ(ColorToRGB(clRed), clRed);
  EXPECT_EQ(ColorToRGB(clNone), clNone);
  EXPECT_EQ(ColorToRGB(clDefault), clDefault);
  EXPECT_TRUE(clBtnFace < 0 && IsSystemColor(clBtnFace));
  EXPECT_FALSE(IsSystemColor(clNone));
  EXPECT_EQ(ColorToRGB(clWindow), static_cast<TColor>(RGB(255, 255, 255)));
  EXPECT_EQ(ColorToRGB(clWindowText), clBlack);
  EXPECT_EQ(ColorToRGB(clSystemColor | 0xFE), clBlack);                             // outside the table
  EXPECT_EQ(ColorToRGB(static_cast<TColor>(0x80000000u | COLOR_WINDOW)), clWhite);  // any negative value

  SetSysColorValue(COLOR_WINDOW, RGB(32, 32, 32));
  EXPECT_EQ(ColorToRGB(clWindow), static_cast<TColor>(RGB(32, 32, 32)));
  SetSysColorValue(SysColorCount, RGB(1, 2, 3));  // ignored
  ResetSysColorValues();
  EXPECT_EQ(ColorToRGB(clWindow), clWhite);
}
