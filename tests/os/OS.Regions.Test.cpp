#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "os/OS.Gdi.h"
#include "os/OS.Regions.h"

namespace {

// Owns a region for the test's scope.
struct TRgn {
  HRGN H;
  explicit TRgn(HRGN Handle) : H(Handle) {}
  ~TRgn() { DeleteObject(H); }
  operator HRGN() const { return H; }
};

std::vector<TRect> Rects(HRGN R) {
  DWORD size = GetRegionData(R, 0, nullptr);
  std::vector<char> buffer(size);
  auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
  EXPECT_EQ(GetRegionData(R, size, data), size);
  std::vector<TRect> result(data->rdh.nCount);
  std::memcpy(result.data(), data->Buffer, result.size() * sizeof(TRect));
  return result;
}

TEST(Regions, CombineModesReturnComplexityAndPixels) {
  TRgn a(CreateRectRgn(0, 0, 10, 10)), b(CreateRectRgn(5, 5, 15, 15)), d(CreateRectRgn(0, 0, 0, 0));
  struct TCase {
    int Mode;
    int Type;
    TPoint In, Out;
  } cases[] = {
      {RGN_AND, SIMPLEREGION, {7, 7}, {2, 2}},    {RGN_OR, COMPLEXREGION, {12, 12}, {12, 2}},
      {RGN_XOR, COMPLEXREGION, {2, 2}, {7, 7}},   {RGN_DIFF, COMPLEXREGION, {2, 7}, {7, 7}},
      {RGN_COPY, SIMPLEREGION, {0, 0}, {10, 10}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Mode);
    EXPECT_EQ(CombineRgn(d, a, b, c.Mode), c.Type);
    EXPECT_TRUE(PtInRegion(d, c.In.X, c.In.Y));
    EXPECT_FALSE(PtInRegion(d, c.Out.X, c.Out.Y));
  }
  TRgn far(CreateRectRgn(50, 50, 60, 60));
  EXPECT_EQ(CombineRgn(d, a, far, RGN_AND), NULLREGION);
  TRect box(1, 2, 3, 4);
  EXPECT_EQ(GetRgnBox(d, &box), NULLREGION);
  EXPECT_EQ(box, TRect(0, 0, 0, 0));
  // The destination may be a source; bad handles fail by result.
  EXPECT_EQ(CombineRgn(a, a, b, RGN_OR), COMPLEXREGION);
  EXPECT_EQ(GetRgnBox(a, &box), COMPLEXREGION);
  EXPECT_EQ(box, TRect(0, 0, 15, 15));
  EXPECT_EQ(CombineRgn(d, a, nullptr, RGN_AND), ERROR);
  EXPECT_EQ(CombineRgn(d, a, b, 99), ERROR);
}

TEST(Regions, OffsetEqualAndRectInRegion) {
  TRgn a(CreateRectRgn(10, 0, 0, 10));  // inverted corners are normalised
  TRgn b(CreateRectRgn(5, 5, 15, 15));
  EXPECT_EQ(OffsetRgn(a, 5, 5), SIMPLEREGION);
  EXPECT_TRUE(EqualRgn(a, b));
  TRect inside(14, 14, 20, 20), outside(15, 0, 20, 5), empty(7, 7, 7, 9);
  EXPECT_TRUE(RectInRegion(b, &inside));
  EXPECT_FALSE(RectInRegion(b, &outside));
  EXPECT_FALSE(RectInRegion(b, &empty));
  EXPECT_FALSE(PtInRegion(b, 15, 10));  // right and bottom edges are outside
}

TEST(Regions, RegionDataRoundTripAndOverlongCount) {
  TRgn a(CreateRectRgn(0, 0, 10, 2)), b(CreateRectRgn(0, 5, 4, 8)), u(CreateRectRgn(0, 0, 0, 0));
  CombineRgn(u, a, b, RGN_OR);
  auto rects = Rects(u);
  ASSERT_EQ(rects.size(), 2u);
  EXPECT_EQ(rects[0], TRect(0, 0, 10, 2));
  EXPECT_EQ(rects[1], TRect(0, 5, 4, 8));
  EXPECT_EQ(GetRegionData(u, 10, reinterpret_cast<RGNDATA*>(rects.data())), 0u);  // too small: nothing

  // The block layout the callers build by hand: 32-byte header, rectangles, spare bytes.
  std::vector<char> block(36 + 16 * 2, 0);
  auto* data = reinterpret_cast<RGNDATA*>(block.data());
  data->rdh.dwSize = 32;
  data->rdh.iType = RDH_RECTANGLES;
  data->rdh.nCount = 2;
  std::memcpy(data->Buffer, rects.data(), 2 * sizeof(TRect));
  TRgn made(ExtCreateRegion(nullptr, DWORD(block.size()), data));
  EXPECT_TRUE(EqualRgn(made, u));
  // A count beyond the buffer never reads past it.
  data->rdh.nCount = 1000000;
  TRgn clipped(ExtCreateRegion(nullptr, DWORD(block.size()), data));
  EXPECT_TRUE(EqualRgn(clipped, u));
  data->rdh.nCount = 0;
  TRgn empty(ExtCreateRegion(nullptr, DWORD(block.size()), data));
  TRect box;
  EXPECT_EQ(GetRgnBox(empty, &box), NULLREGION);
}

TEST(Regions, PolygonFillModes) {
  // A pentagram: the centre is inside under WINDING and outside under ALTERNATE.
  const TPoint star[] = {{50, 0}, {79, 90}, {2, 34}, {98, 34}, {21, 90}};
  TRgn alternate(CreatePolygonRgn(star, 5, ALTERNATE)), winding(CreatePolygonRgn(star, 5, WINDING));
  EXPECT_FALSE(PtInRegion(alternate, 50, 50));
  EXPECT_TRUE(PtInRegion(winding, 50, 50));
  EXPECT_TRUE(PtInRegion(alternate, 50, 10));
  // A triangle covers the pixels whose centres lie inside.
  const TPoint tri[] = {{0, 0}, {10, 0}, {0, 10}};
  TRgn t(CreatePolygonRgn(tri, 3, ALTERNATE));
  EXPECT_TRUE(PtInRegion(t, 0, 0));
  EXPECT_TRUE(PtInRegion(t, 8, 0));
  EXPECT_FALSE(PtInRegion(t, 9, 9));
  EXPECT_FALSE(PtInRegion(t, 9, 0));  // its centre lies on the edge
  TRect box;
  EXPECT_EQ(GetRgnBox(t, &box), COMPLEXREGION);
  EXPECT_EQ(box, TRect(0, 0, 9, 9));
  TRgn degenerate(CreatePolygonRgn(tri, 2, ALTERNATE));
  EXPECT_EQ(GetRgnBox(degenerate, &box), NULLREGION);
}

TEST(Regions, RoundAndEllipticShapes) {
  TRgn round(CreateRoundRectRgn(0, 0, 20, 20, 10, 10));
  EXPECT_FALSE(PtInRegion(round, 0, 0));
  EXPECT_TRUE(PtInRegion(round, 10, 0));
  EXPECT_TRUE(PtInRegion(round, 0, 10));
  EXPECT_TRUE(PtInRegion(round, 3, 3));
  TRgn ellipse(CreateEllipticRgn(0, 0, 20, 10));
  TRect box;
  GetRgnBox(ellipse, &box);
  EXPECT_EQ(box, TRect(0, 0, 20, 10));
  EXPECT_TRUE(PtInRegion(ellipse, 10, 5));
  EXPECT_FALSE(PtInRegion(ellipse, 1, 1));
}

TEST(Regions, DeletedAndForeignHandlesFailByResult) {
  HRGN r = CreateRectRgn(0, 0, 1, 1);
  EXPECT_TRUE(DeleteObject(r));
  TRect box;
  EXPECT_EQ(GetRgnBox(r, &box), ERROR);
  EXPECT_FALSE(DeleteObject(r));
  EXPECT_EQ(OffsetRgn(reinterpret_cast<HRGN>(&box), 1, 1), ERROR);
  EXPECT_FALSE(DeleteObject(GetStockObject(BLACK_BRUSH)));
}

}  // namespace
