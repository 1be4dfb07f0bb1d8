#include <gtest/gtest.h>

#include <memory>

#include "os/OS.Gdi.h"
#include "os/OS.Surface.h"
#include "rtl/RTL.Exceptions.h"

namespace {

// A surface with a DC over it.
struct TCanvasFixture {
  TSurface Surface;
  HDC DC;
  TCanvasFixture(int W, int H) : Surface(W, H), DC(CreateSurfaceDC(&Surface)) {}
  ~TCanvasFixture() { DeleteDC(DC); }
  uint32_t At(int X, int Y) {
    Surface.BeginAccess();
    return Surface.GetPixel(X, Y);
  }
  void Fill(uint32_t Pixel) {
    TSurfaceAccess access(Surface);
    std::fill(Surface.GetBits(), Surface.GetBits() + Surface.GetWidth() * Surface.GetHeight(), Pixel);
  }
};

struct TBrush {
  HBRUSH H;
  explicit TBrush(COLORREF C) : H(CreateSolidBrush(C)) {}
  ~TBrush() { DeleteObject(H); }
};

TEST(Surface, LayoutOwnershipAndEmpty) {
  TSurface owned(3, 2);
  EXPECT_EQ(owned.GetStride(), 12);
  EXPECT_EQ(owned.GetPixel(2, 1), 0u);  // zeroed: transparent black
  uint32_t memory[4] = {1, 2, 3, 4};
  {
    TSurface wrapped(memory, 2, 2);
    EXPECT_EQ(wrapped.GetBits(), memory);
    EXPECT_EQ(wrapped.GetPixel(1, 1), 4u);
  }
  EXPECT_EQ(memory[3], 4u);  // wrapping never frees or changes the caller's memory
  TSurface empty(0, 0);
  EXPECT_TRUE(empty.IsEmpty());
  EXPECT_EQ(empty.GetBits(), nullptr);
  HDC dc = CreateSurfaceDC(&empty);
  TRect r(0, 0, 10, 10);
  TBrush brush(RGB(1, 2, 3));
  EXPECT_TRUE(FillRect(dc, &r, brush.H));  // draws nothing, fails nothing
  EXPECT_EQ(GetClipBox(dc, &r), NULLREGION);
  DeleteDC(dc);
  EXPECT_THROW(TSurface(TSurface::MaxSurfaceDimension + 1, 1), EOutOfMemory);
}

TEST(Gdi, FillRectAlphaAndStockBlack) {
  TCanvasFixture c(4, 4);
  TRect all(0, 0, 4, 4), part(1, 1, 3, 3);
  TBrush red(RGB(255, 0, 0));
  FillRect(c.DC, &all, red.H);
  EXPECT_EQ(c.At(0, 0), 0xFFFF0000u);  // opaque colour
  FillRect(c.DC, &part, static_cast<HBRUSH>(static_cast<void*>(GetStockObject(BLACK_BRUSH))));
  EXPECT_EQ(c.At(1, 1), 0u);  // the stock black brush clears to transparent black
  EXPECT_EQ(c.At(3, 3), 0xFFFF0000u);
  TRect inverted(3, 3, 1, 1);
  FillRect(c.DC, &inverted, red.H);  // nothing for inverted rectangles
  EXPECT_EQ(c.At(2, 2), 0u);
}

TEST(Gdi, OriginsShiftDrawingButNotClipping) {
  TCanvasFixture c(20, 20);
  TBrush blue(RGB(0, 0, 255));
  HRGN clip = CreateRectRgn(0, 0, 10, 10);
  EXPECT_EQ(SelectClipRgn(c.DC, clip), SIMPLEREGION);
  DeleteObject(clip);  // the DC keeps a copy
  TPoint previous;
  SetWindowOrgEx(c.DC, -5, -5, &previous);
  EXPECT_EQ(previous, TPoint(0, 0));
  TRect r(0, 0, 10, 10);  // device (5, 5)-(15, 15), clipped at device 10
  FillRect(c.DC, &r, blue.H);
  EXPECT_EQ(c.At(4, 4), 0u);
  EXPECT_EQ(c.At(5, 5), 0xFF0000FFu);
  EXPECT_EQ(c.At(9, 9), 0xFF0000FFu);
  EXPECT_EQ(c.At(10, 10), 0u);
  TRect box;
  EXPECT_EQ(GetClipBox(c.DC, &box), SIMPLEREGION);
  EXPECT_EQ(box, TRect(-5, -5, 5, 5));  // logical coordinates
  SetViewportOrgEx(c.DC, 2, 0, nullptr);
  TPoint origin;
  GetViewportOrgEx(c.DC, &origin);
  EXPECT_EQ(origin, TPoint(2, 0));
  EXPECT_EQ(SetPixel(c.DC, -7, -5, RGB(0, 255, 0)), RGB(0, 255, 0));  // device (0, 0)
  EXPECT_EQ(c.At(0, 0), 0xFF00FF00u);
  EXPECT_EQ(GetPixel(c.DC, -7, -5), RGB(0, 255, 0));
  EXPECT_EQ(SetPixel(c.DC, 10, 10, 0), CLR_INVALID);  // outside the clip
}

TEST(Gdi, ClipReturnValuesAndSaveRestore) {
  TCanvasFixture c(100, 100);
  HRGN probe = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetClipRgn(c.DC, probe), 0);  // no clip yet
  TRect box;
  EXPECT_EQ(GetClipBox(c.DC, &box), SIMPLEREGION);
  EXPECT_EQ(box, TRect(0, 0, 100, 100));

  EXPECT_EQ(IntersectClipRect(c.DC, 10, 10, 50, 50), SIMPLEREGION);
  EXPECT_EQ(GetClipRgn(c.DC, probe), 1);
  GetRgnBox(probe, &box);
  EXPECT_EQ(box, TRect(10, 10, 50, 50));
  const int saved = SaveDC(c.DC);
  EXPECT_EQ(ExcludeClipRect(c.DC, 20, 20, 30, 30), COMPLEXREGION);
  TRect hole(22, 22, 28, 28), edge(45, 45, 60, 60), outside(60, 60, 70, 70);
  EXPECT_FALSE(RectVisible(c.DC, &hole));
  EXPECT_TRUE(RectVisible(c.DC, &edge));
  EXPECT_FALSE(RectVisible(c.DC, &outside));
  EXPECT_EQ(IntersectClipRect(c.DC, 60, 60, 70, 70), NULLREGION);
  EXPECT_EQ(GetClipBox(c.DC, &box), NULLREGION);
  EXPECT_EQ(box, TRect(0, 0, 0, 0));
  EXPECT_TRUE(RestoreDC(c.DC, saved));
  EXPECT_EQ(GetClipBox(c.DC, &box), SIMPLEREGION);
  EXPECT_EQ(box, TRect(10, 10, 50, 50));
  EXPECT_FALSE(RestoreDC(c.DC, saved));  // that level is gone

  // ExtSelectClipRgn combines with the clip, or with the whole device when there is none.
  HRGN r = CreateRectRgn(40, 40, 80, 80);
  EXPECT_EQ(ExtSelectClipRgn(c.DC, r, RGN_OR), COMPLEXREGION);
  EXPECT_EQ(ExtSelectClipRgn(c.DC, nullptr, RGN_AND), ERROR);
  EXPECT_EQ(ExtSelectClipRgn(c.DC, nullptr, RGN_COPY), SIMPLEREGION);
  EXPECT_EQ(GetClipRgn(c.DC, probe), 0);
  EXPECT_EQ(ExtSelectClipRgn(c.DC, r, RGN_DIFF), COMPLEXREGION);
  EXPECT_FALSE(PtVisible(c.DC, 50, 50));
  EXPECT_TRUE(PtVisible(c.DC, 5, 5));
  // Clip regions are device coordinates: a window origin does not move them.
  SelectClipRgn(c.DC, r);
  SetWindowOrgEx(c.DC, 40, 40, nullptr);
  EXPECT_TRUE(PtVisible(c.DC, 119, 119));  // device (79, 79)
  EXPECT_FALSE(PtVisible(c.DC, 40, 40));   // device (0, 0)
  DeleteObject(r);
  DeleteObject(probe);
}

TEST(Gdi, SystemClipAndDeviceOriginOfWindowDCs) {
  TCanvasFixture c(50, 50);
  SetDCDeviceOrigin(c.DC, 10, 10);
  HRGN visible = CreateRectRgn(0, 0, 20, 20);
  SetDCSystemClip(c.DC, visible);
  DeleteObject(visible);
  TBrush white(RGB(255, 255, 255));
  TRect r(-5, -5, 100, 100);
  FillRect(c.DC, &r, white.H);
  EXPECT_EQ(c.At(9, 9), 0u);
  EXPECT_EQ(c.At(10, 10), 0xFFFFFFFFu);
  EXPECT_EQ(c.At(29, 29), 0xFFFFFFFFu);
  EXPECT_EQ(c.At(30, 30), 0u);
  TRect box;
  EXPECT_EQ(GetClipBox(c.DC, &box), SIMPLEREGION);
  EXPECT_EQ(box, TRect(0, 0, 20, 20));
  // Removing the application clip never widens beyond the system clip.
  EXPECT_EQ(SelectClipRgn(c.DC, nullptr), SIMPLEREGION);
  EXPECT_EQ(IntersectClipRect(c.DC, 30, 30, 40, 40), NULLREGION);
}

TEST(Gdi, BitBltCopiesAllBytesAndRops) {
  TCanvasFixture src(4, 4), dst(4, 4);
  src.Fill(0x80402010u);  // premultiplied, half transparent
  EXPECT_TRUE(BitBlt(dst.DC, 1, 1, 10, 10, src.DC, 0, 0, SRCCOPY));
  EXPECT_EQ(dst.At(0, 0), 0u);
  EXPECT_EQ(dst.At(1, 1), 0x80402010u);
  EXPECT_EQ(dst.At(3, 3), 0x80402010u);
  // Raster operations change the colour; alpha follows the destination when it is read.
  EXPECT_TRUE(BitBlt(dst.DC, 0, 0, 4, 4, nullptr, 0, 0, DSTINVERT));
  EXPECT_EQ(dst.At(0, 0), 0x00FFFFFFu);
  EXPECT_EQ(dst.At(1, 1), 0x80BFDFEFu);
  EXPECT_TRUE(BitBlt(dst.DC, 0, 0, 4, 4, src.DC, 0, 0, SRCINVERT));
  EXPECT_EQ(dst.At(1, 1), 0x80FFFFFFu);
  EXPECT_TRUE(BitBlt(dst.DC, 0, 0, 4, 4, src.DC, 0, 0, NOTSRCCOPY));
  EXPECT_EQ(dst.At(2, 2), 0x80BFDFEFu);
  EXPECT_TRUE(BitBlt(dst.DC, 0, 0, 4, 4, nullptr, 0, 0, WHITENESS));
  EXPECT_EQ(dst.At(2, 2), 0xFFFFFFFFu);
  EXPECT_TRUE(BitBlt(dst.DC, 0, 0, 4, 4, nullptr, 0, 0, BLACKNESS));
  EXPECT_EQ(dst.At(2, 2), 0u);
  HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
  HBRUSH old = SelectObject(dst.DC, white);
  TRect all(0, 0, 4, 4);
  FillRect(dst.DC, &all, white);
  EXPECT_TRUE(PatBlt(dst.DC, 0, 0, 2, 2, PATINVERT));  // an opaque surface stays opaque
  EXPECT_EQ(dst.At(0, 0), 0xFF000000u);
  EXPECT_EQ(dst.At(2, 2), 0xFFFFFFFFu);
  SelectObject(dst.DC, old);
  DeleteObject(white);
  EXPECT_FALSE(BitBlt(dst.DC, 0, 0, 4, 4, nullptr, 0, 0, SRCCOPY));  // a source is needed
  // Overlapping copy within one surface reads the old pixels.
  TCanvasFixture row(4, 1);
  for (int x = 0; x < 4; ++x) SetPixel(row.DC, x, 0, RGB(x, 0, 0));
  BitBlt(row.DC, 1, 0, 3, 1, row.DC, 0, 0, SRCCOPY);
  EXPECT_EQ(GetPixel(row.DC, 1, 0), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(row.DC, 3, 0), RGB(2, 0, 0));
}

TEST(Gdi, StretchBltNearestAndHalftone) {
  TCanvasFixture src(2, 1), dst(4, 2);
  SetPixel(src.DC, 0, 0, RGB(255, 0, 0));
  SetPixel(src.DC, 1, 0, RGB(0, 0, 255));
  SetStretchBltMode(dst.DC, COLORONCOLOR);
  StretchBlt(dst.DC, 0, 0, 4, 2, src.DC, 0, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(dst.At(1, 1), 0xFFFF0000u);
  EXPECT_EQ(dst.At(2, 0), 0xFF0000FFu);
  StretchBlt(dst.DC, 4, 0, -4, 2, src.DC, 0, 0, 2, 1, SRCCOPY);  // mirrored
  EXPECT_EQ(dst.At(0, 0), 0xFF0000FFu);
  EXPECT_EQ(dst.At(3, 0), 0xFFFF0000u);
  EXPECT_EQ(SetStretchBltMode(dst.DC, HALFTONE), COLORONCOLOR);
  StretchBlt(dst.DC, 0, 0, 4, 2, src.DC, 0, 0, 2, 1, SRCCOPY);
  uint32_t mid = dst.At(1, 0);
  EXPECT_EQ(mid >> 24, 0xFFu);
  EXPECT_GT((mid >> 16) & 0xFF, 0u);  // filtered: red and blue mix near the middle
  EXPECT_GT(mid & 0xFF, 0u);
}

TEST(Gdi, StretchDIBitsReadsBothRowOrders) {
  const uint32_t bits[4] = {0xFF000001u, 0xFF000002u, 0xFF000003u, 0xFF000004u};  // 2 x 2
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), 2, -2, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  TCanvasFixture c(2, 2);
  EXPECT_EQ(StretchDIBits(c.DC, 0, 0, 2, 2, 0, 0, 2, 2, bits, &info, DIB_RGB_COLORS, SRCCOPY), 2);
  EXPECT_EQ(c.At(0, 0), 0xFF000001u);
  info.bmiHeader.biHeight = 2;  // bottom-up: the first row in memory is the bottom one
  EXPECT_EQ(StretchDIBits(c.DC, 0, 0, 2, 2, 0, 0, 2, 2, bits, &info, DIB_RGB_COLORS, SRCCOPY), 2);
  EXPECT_EQ(c.At(0, 0), 0xFF000003u);
  EXPECT_EQ(c.At(1, 1), 0xFF000002u);
  info.bmiHeader.biBitCount = 24;
  EXPECT_EQ(StretchDIBits(c.DC, 0, 0, 2, 2, 0, 0, 2, 2, bits, &info, DIB_RGB_COLORS, SRCCOPY), 0);
}

TEST(Gdi, AlphaBlendKnownPixels) {
  struct TCase {
    uint32_t Src, Dst;
    Byte Constant, Format;
    uint32_t Expected;
  } cases[] = {
      // Per-pixel alpha, premultiplied source-over.
      {0x80800000u, 0xFF0000FFu, 255, AC_SRC_ALPHA, 0xFF80007Fu},
      {0xFF00FF00u, 0xFF0000FFu, 255, AC_SRC_ALPHA, 0xFF00FF00u},
      {0x00000000u, 0xFF123456u, 255, AC_SRC_ALPHA, 0xFF123456u},
      // Constant alpha on a per-pixel source: the source is scaled first.
      {0xFFFFFFFFu, 0x00000000u, 128, AC_SRC_ALPHA, 0x80808080u},
      {0x80800000u, 0xFF0000FFu, 128, AC_SRC_ALPHA, 0xFF4000BFu},
      // Constant alpha only: the source counts as opaque whatever its alpha byte says.
      {0x00FF0000u, 0xFF0000FFu, 128, 0, 0xFF80007Fu},
      {0x00FFFFFFu, 0x00000000u, 255, 0, 0xFFFFFFFFu},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.Src << " over " << c.Dst);
    TCanvasFixture src(1, 1), dst(1, 1);
    src.Fill(c.Src);
    dst.Fill(c.Dst);
    EXPECT_TRUE(AlphaBlend(dst.DC, 0, 0, 1, 1, src.DC, 0, 0, 1, 1, {AC_SRC_OVER, 0, c.Constant, c.Format}));
    EXPECT_EQ(dst.At(0, 0), c.Expected);
  }
  TCanvasFixture src(2, 2), dst(4, 4);
  src.Fill(0xFFFF0000u);
  // Stretching, and a source rectangle outside the source fails as on the platform.
  EXPECT_TRUE(AlphaBlend(dst.DC, 0, 0, 4, 4, src.DC, 0, 0, 2, 2, {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA}));
  EXPECT_EQ(dst.At(3, 3), 0xFFFF0000u);
  EXPECT_FALSE(AlphaBlend(dst.DC, 0, 0, 4, 4, src.DC, 1, 1, 2, 2, {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA}));
}

TEST(Gdi, GradientFillRectangles) {
  TCanvasFixture c(5, 5);
  TRIVERTEX v[2] = {{0, 0, 0, 0, 0xFF00, 0xFF00}, {4, 4, 0xFF00, 0, 0, 0xFF00}};
  GRADIENT_RECT g{0, 1};
  EXPECT_TRUE(GradientFill(c.DC, v, 2, &g, 1, GRADIENT_FILL_RECT_H));
  EXPECT_EQ(c.At(0, 0), 0xFF0000FFu);
  EXPECT_EQ(c.At(2, 3), 0xFF7F007Fu);
  EXPECT_EQ(c.At(4, 0), 0u);  // right edge excluded
  EXPECT_TRUE(GradientFill(c.DC, v, 2, &g, 1, GRADIENT_FILL_RECT_V));
  EXPECT_EQ(c.At(3, 0), 0xFF0000FFu);
  EXPECT_EQ(c.At(0, 3), 0xFFBF003Fu);
  GRADIENT_RECT bad{0, 5};
  EXPECT_FALSE(GradientFill(c.DC, v, 2, &bad, 1, GRADIENT_FILL_RECT_H));
}

TEST(Gdi, ShapesWithPenAndBrush) {
  TCanvasFixture c(12, 12);
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
  TBrush green(RGB(0, 255, 0));
  HPEN oldPen = SelectObject(c.DC, pen);
  HBRUSH oldBrush = SelectObject(c.DC, green.H);
  Rectangle(c.DC, 1, 1, 6, 6);
  EXPECT_EQ(c.At(1, 1), 0xFFFF0000u);  // outline
  EXPECT_EQ(c.At(5, 5), 0xFFFF0000u);
  EXPECT_EQ(c.At(3, 3), 0xFF00FF00u);  // interior
  EXPECT_EQ(c.At(6, 6), 0u);           // right and bottom excluded
  MoveToEx(c.DC, 0, 10, nullptr);
  LineTo(c.DC, 5, 10);
  EXPECT_EQ(c.At(4, 10), 0xFFFF0000u);
  EXPECT_EQ(c.At(5, 10), 0u);  // the end point is not drawn
  TPoint pos;
  GetCurrentPositionEx(c.DC, &pos);
  EXPECT_EQ(pos, TPoint(5, 10));
  SelectObject(c.DC, static_cast<HPEN>(static_cast<void*>(GetStockObject(NULL_PEN))));
  Ellipse(c.DC, 6, 0, 12, 6);
  EXPECT_EQ(c.At(9, 3), 0xFF00FF00u);
  EXPECT_EQ(c.At(6, 0), 0u);
  TCanvasFixture more(20, 10);
  SelectObject(more.DC, green.H);
  RoundRect(more.DC, 0, 0, 10, 10, 6, 6);  // the stock black pen outlines it
  EXPECT_EQ(more.At(0, 0), 0u);            // rounded corner
  EXPECT_EQ(more.At(5, 0), 0xFF000000u);
  EXPECT_EQ(more.At(5, 5), 0xFF00FF00u);
  const TPoint triangle[] = {{10, 0}, {19, 0}, {10, 9}};
  Polygon(more.DC, triangle, 3);
  EXPECT_EQ(more.At(12, 2), 0xFF00FF00u);
  EXPECT_EQ(more.At(19, 0), 0xFF000000u);  // every vertex is on the outline
  EXPECT_EQ(more.At(18, 8), 0u);
  // Deleting a selected pen is deferred until it is deselected.
  EXPECT_TRUE(DeleteObject(pen));
  SelectObject(c.DC, oldPen);
  SelectObject(c.DC, oldBrush);
  EXPECT_EQ(GetObjectType(ToGdiObject(pen)), 0u);
}

TEST(Gdi, PatternBrushTilesFromBrushOrigin) {
  TCanvasFixture pattern(2, 1), c(4, 1);
  SetPixel(pattern.DC, 0, 0, RGB(255, 255, 255));
  HBITMAP bitmap = CreateBitmapOnSurface(&pattern.Surface);
  HBRUSH brush = CreatePatternBrush(bitmap);
  DeleteObject(bitmap);  // the brush keeps its own copy
  TRect r(0, 0, 4, 1);
  FillRect(c.DC, &r, brush);
  EXPECT_EQ(c.At(0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(c.At(1, 0), 0u);
  SetBrushOrgEx(c.DC, 1, 0, nullptr);
  FillRect(c.DC, &r, brush);
  EXPECT_EQ(c.At(0, 0), 0u);
  EXPECT_EQ(c.At(1, 0), 0xFFFFFFFFu);
  DeleteObject(brush);
}

TEST(Gdi, MemoryDCsAndDIBSections) {
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), 3, -2, 1, 32, BI_RGB, 24, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(dib, nullptr);
  ASSERT_NE(bits, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP old = SelectObject(dc, dib);
  EXPECT_NE(old, nullptr);
  TBrush brush(RGB(10, 20, 30));
  TRect r(0, 0, 3, 2);
  FillRect(dc, &r, brush.H);
  EXPECT_EQ(static_cast<uint32_t*>(bits)[5], 0xFF0A141Eu);
  BITMAP bm{};
  EXPECT_EQ(GetObject(dib, sizeof bm, &bm), int(sizeof bm));
  EXPECT_EQ(bm.bmWidth, 3);
  EXPECT_EQ(bm.bmHeight, 2);
  EXPECT_EQ(bm.bmBitsPixel, 32);
  // Bottom-up copies through GetDIBits / SetDIBits.
  static_cast<uint32_t*>(bits)[0] = 0x11111111u;
  uint32_t rows[6] = {};
  BITMAPINFO up = info;
  up.bmiHeader.biHeight = 2;
  EXPECT_EQ(GetDIBits(dc, dib, 0, 2, rows, &up, DIB_RGB_COLORS), 2);
  EXPECT_EQ(rows[3], 0x11111111u);  // the top row comes last
  // A bitmap selected into a DC is freed only when it is deselected.
  EXPECT_TRUE(DeleteObject(dib));
  FillRect(dc, &r, brush.H);
  SelectObject(dc, old);
  DeleteDC(dc);
  info.bmiHeader.biHeight = 2;  // bottom-up sections are not offered
  EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
  EXPECT_EQ(bits, nullptr);
}

}  // namespace
