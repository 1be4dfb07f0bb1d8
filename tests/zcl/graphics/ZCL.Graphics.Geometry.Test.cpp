#include <gtest/gtest.h>

#include "zcl/graphics/ZCL.Graphics.Geometry.h"

namespace {

TEST(ZclGeometry, FitSizeByMode) {
  struct {
    TZCLFitMode Mode;
    TSize Content, Area, Expected;
  } cases[] = {
      {afmProportionalStretch, {50, 50}, {100, 200}, {100, 100}},
      {afmFill, {50, 50}, {100, 200}, {200, 200}},
      {afmFit, {50, 50}, {100, 200}, {50, 50}},
      {afmNormal, {50, 50}, {100, 200}, {50, 50}},
      {afmStretch, {50, 50}, {100, 200}, {100, 200}},
      {afmFit, {400, 100}, {100, 100}, {100, 25}},
      {afmProportionalStretch, {3, 2}, {5, 5}, {5, 3}},     // 3.333 rounds to 3
      {afmProportionalStretch, {4, 1}, {10, 10}, {10, 2}},  // 2.5: ties go to even
  };
  for (const auto& c : cases) EXPECT_EQ(FitSize(c.Content, c.Area, c.Mode), c.Expected) << int(c.Mode);
  for (auto mode : {afmNormal, afmStretch, afmProportionalStretch, afmFit, afmFill})
    EXPECT_EQ(FitSize({0, 10}, {100, 100}, mode), TSize(0, 0));
}

TEST(ZclGeometry, CenteringRoundsHalvesDown) {
  TRect r(0, 0, 5, 1);
  RectCenterHorz(r, 2);
  EXPECT_EQ(r.Left, 1);
  EXPECT_EQ(r.Right, 3);
  TRect n(-3, 0, 0, 0);
  RectCenterHorz(n, 0);
  EXPECT_EQ(n.Left, -2);
  EXPECT_EQ(FitRect({0, 0, 100, 100}, {50, 20}, afmNormal, true), TRect(25, 40, 75, 60));
}

TEST(ZclGeometry, RectHelpers) {
  EXPECT_EQ(RectSplit({0, 0, 10, 10}, 1, 3), TRect(7, 0, 10, 10));
  EXPECT_EQ(RectSplitAt({0, 0, 10, 10}, 3, 8, 2), TRect(0, 6, 10, 8));
  EXPECT_EQ(RectSplitAt({0, 0, 10, 10}, 9, 8, 2), TRect(0, 0, 10, 10));
  EXPECT_EQ(RectMarginsBetween({0, 0, 10, 10}, {1, 2, 7, 6}), TRect(1, 2, 3, 4));
  EXPECT_EQ(RectFilterBorders({1, 2, 3, 4}, TZCLBorders{mLeft, mBottom}), TRect(1, 0, 0, 4));
  TRect m(2, 0, 5, 0);
  RectMirrorHorz(m, {0, 0, 10, 0});
  EXPECT_EQ(m, TRect(5, 0, 8, 0));
  EXPECT_EQ(DivCeil(10, 3), 4);
  EXPECT_EQ(DivCeil(0, 3), 0);
  EXPECT_EQ(DivCeil(5, 0), 0);
  Integer a = 1920, b = 1080;
  ReduceRatio(a, b);
  EXPECT_EQ(a, 16);
  EXPECT_EQ(b, 9);
}

TEST(ZclGeometry, MarginParts) {
  TZCLMarginParts parts;
  CalculateMarginParts(parts, {2, 3, 4, 5}, {0, 0, 20, 30}, {0, 0, 10, 10}, isStretch);
  EXPECT_EQ(parts[mzLeftTop], TRect(0, 0, 2, 3));
  EXPECT_EQ(parts[mzLeft], TRect(0, 3, 2, 25));
  EXPECT_EQ(parts[mzBottom], TRect(2, 25, 16, 30));
  EXPECT_EQ(parts[mzRightTop], TRect(16, 0, 20, 3));
  EXPECT_EQ(parts[mzClient], TRect(2, 3, 16, 25));
  // Centred: the middle keeps the source's middle size (10 - 2 - 2 = 6 wide), the margins share the rest.
  CalculateMarginParts(parts, {2, 0, 2, 0}, {0, 0, 20, 10}, {0, 0, 10, 10}, isCenter);
  EXPECT_EQ(parts[mzClient], TRect(7, 0, 13, 10));
  CalculateMarginParts(parts, {0, 0, 0, 0}, {0, 0, 20, 10}, {0, 0, 10, 10}, isCenter);
  EXPECT_EQ(parts[mzClient], TRect(0, 0, 20, 10));
}

TEST(ZclGeometry, AutoSizeDistribution) {
  TZCLAutoSizeCalculator calc;
  calc.AvailableSize = 10;
  for (int i = 0; i < 3; ++i) calc.Add(1, 1, 0, true);
  calc.Calculate();
  EXPECT_EQ(calc[0]->Size, 3);
  EXPECT_EQ(calc[1]->Size, 3);
  EXPECT_EQ(calc[2]->Size, 4);

  // Fixed items exceed the space: resizable ones shrink from the last, not below their minimum.
  TZCLAutoSizeCalculator shrink;
  shrink.AvailableSize = 20;
  shrink.Add(15, 15, 0, false);
  shrink.Add(5, 2, 0, true);
  shrink.Add(5, 4, 0, true);
  shrink.Calculate();
  EXPECT_EQ(shrink[0]->Size, 15);
  EXPECT_EQ(shrink[1]->Size, 2);
  EXPECT_EQ(shrink[2]->Size, 4);
}

TEST(ZclGeometry, PersistentSizeAndRect) {
  struct TCounter {
    int Count = 0;
    void Changed(TObject*) { ++Count; }
  } counter;
  int& changes = counter.Count;
  TZCLSize size;
  size.OnChange = {&counter, &TCounter::Changed};
  size.SetWidth(-5);
  EXPECT_EQ(size.GetWidth(), 0);
  EXPECT_EQ(changes, 0);  // -5 validates to the current 0
  size.SetAll(4);
  EXPECT_EQ(changes, 1);
  size.SetHeight(4);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(size.ToString(), u"4,4");
  TZCLRect rect;
  size.Assign(&rect);  // ignored silently
  EXPECT_EQ(size.GetAll(), 4);
  rect.SetValue({1, 1, 1, 2});
  EXPECT_EQ(rect.GetAll(), 0);
  rect.SetAll(3);
  EXPECT_EQ(rect.GetAll(), 3);
  EXPECT_EQ(rect.ToString(), u"3,3,3,3");
}

}  // namespace
