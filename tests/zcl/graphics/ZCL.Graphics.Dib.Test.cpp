#include <gtest/gtest.h>

#include "os/OS.Gdi.h"
#include "os/OS.Regions.h"
#include "zcl/graphics/ZCL.Graphics.Dib.h"

namespace {

TEST(ZclDib, ResizeAndIndexing) {
  TZCLDib dib(4, 3);
  EXPECT_EQ(dib.GetColorCount(), 12);
  dib.GetColors()[5] = {1, 2, 3, 4};
  EXPECT_FALSE(dib.Resize(4, 3));
  EXPECT_EQ(dib.GetColors()[5].A, 4);
  EXPECT_EQ(dib.CoordToIndex(4, 0), -1);
  EXPECT_EQ(dib.CoordToIndex(1, 1), 5);
  EXPECT_TRUE(dib.Resize(0, 5));
  EXPECT_TRUE(dib.Empty());
  EXPECT_EQ(dib.GetDC(), nullptr);
}

TEST(ZclDib, FillKeepsTransparentPixels) {
  TZCLDib dib(2, 1);
  dib.GetColors()[0] = {10, 10, 10, 128};
  dib.GetColors()[1] = {};
  dib.Fill(clRed);
  EXPECT_EQ(dib.GetColors()[0].R, 128);
  EXPECT_EQ(dib.GetColors()[0].B, 0);
  EXPECT_EQ(dib.GetColors()[0].A, 128);
  EXPECT_EQ(dib.GetColors()[1].A, 0);
  EXPECT_EQ(dib.GetColors()[1].R, 0);
}

TEST(ZclDib, EqualsAndAssign) {
  TZCLDib a(3, 2), b;
  a.Reset();
  a.GetColors()[2] = {9, 8, 7, 255};
  b.Assign(&a);
  EXPECT_TRUE(a.Equals(&b));
  b.GetColors()[2].A = 1;
  EXPECT_FALSE(a.Equals(&b));
}

TEST(ZclDib, RegionOfNonKeyPixels) {
  TZCLDib dib(3, 2);
  for (int i = 0; i < 6; ++i) dib.GetColors()[i] = {255, 0, 255, 255};
  EXPECT_EQ(dib.CreateRegion(), nullptr);
  dib.GetColors()[4] = {0, 0, 0, 255};
  HRGN region = dib.CreateRegion();
  ASSERT_NE(region, nullptr);
  TRect box;
  GetRgnBox(region, &box);
  EXPECT_EQ(box, TRect(1, 1, 2, 2));
  DeleteObject(region);
}

TEST(ZclDib, BlendsOntoAnotherDib) {
  TZCLDib src(2, 2), dst(4, 4);
  for (int i = 0; i < 4; ++i) src.GetColors()[i] = {0, 0, 128, 128};
  dst.Reset();
  src.DrawBlendAt(dst.GetCanvas(), {1, 1}, 255);
  dst.BeginAccess();
  EXPECT_EQ(dst.GetColors()[dst.CoordToIndex(1, 1)].R, 128);
  EXPECT_EQ(dst.GetColors()[dst.CoordToIndex(0, 0)].A, 0);
  // Smooth stretching fills the whole destination.
  dst.Reset();
  src.DrawBlend(dst.GetCanvas(), {0, 0, 4, 4}, 255, true);
  dst.BeginAccess();
  EXPECT_EQ(dst.GetColors()[dst.CoordToIndex(3, 3)].A, 128);
}

}  // namespace
