#include <cstdio>
#include <fstream>

#include "os/OS.Gdi.h"
#include "os/OS.Regions.h"
#include "os/OS.Surface.h"
#include "os/OS.Windows.h"
#include "support/HeadlessFixture.h"
#include "support/TestSupport.h"

namespace {

constexpr uint32_t Red = 0xFFFF0000;
constexpr uint32_t Blue = 0xFF0000FF;
constexpr uint32_t Green = 0xFF00FF00;

// A handler that paints the window's update area with one colour.
THeadlessTest::THandler Painter(COLORREF Color, int* Paints = nullptr) {
  return [=](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m != WM_PAINT) return std::nullopt;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, ps);
    HBRUSH brush = CreateSolidBrush(Color);
    TRect client;
    GetClientRect(h, client);
    FillRect(dc, &client, brush);  // the DC clips to what needs painting
    DeleteObject(brush);
    EndPaint(h, ps);
    if (Paints) ++*Paints;
    return 0;
  };
}

class PaintTest : public THeadlessTest {};

TEST_F(PaintTest, ChildrenComposeIntoTheTopLevelPixels) {
  for (DWORD clip : {DWORD(0), WS_CLIPCHILDREN}) {
    SCOPED_TRACE(clip ? "clip children" : "no clip");
    HWND parent = Create(Bounds(0, 0, 100, 100), WS_POPUP | WS_VISIBLE | clip, 0, nullptr, Painter(RGB(255, 0, 0)));
    HWND child = Create(Bounds(10, 10, 30, 30), WS_CHILD | WS_VISIBLE, 0, parent, Painter(RGB(0, 0, 255)));
    Headless::RunUntilIdle();
    EXPECT_EQ(Headless::WindowPixel(parent, TPoint(5, 5)), Red);
    EXPECT_EQ(Headless::WindowPixel(parent, TPoint(15, 15)), Blue);
    EXPECT_EQ(Headless::WindowPixel(child, TPoint(0, 0)), Blue);  // client coordinates of the child
    EXPECT_EQ(Headless::ScreenPixel(TPoint(39, 39)), Blue);
    EXPECT_GT(Headless::PresentCount(parent), 0);

    // Repainting the parent keeps the child on top; hiding the child uncovers the parent.
    InvalidateRect(parent, nullptr, 1);
    Headless::RunUntilIdle();
    EXPECT_EQ(Headless::WindowPixel(parent, TPoint(15, 15)), Blue);
    ShowWindow(child, SW_HIDE);
    Headless::RunUntilIdle();
    EXPECT_EQ(Headless::WindowPixel(parent, TPoint(15, 15)), Red);
    // Moving it paints it at the new place and the parent where it was.
    ShowWindow(child, SW_SHOWNA);
    MoveWindow(child, 50, 50, 30, 30, 1);
    Headless::RunUntilIdle();
    EXPECT_EQ(Headless::WindowPixel(parent, TPoint(15, 15)), Red);
    EXPECT_EQ(Headless::WindowPixel(parent, TPoint(60, 60)), Blue);
    DestroyWindow(parent);
  }
}

TEST_F(PaintTest, SiblingsAboveClipThoseBelowWithClipSiblings) {
  HWND parent = Create(Bounds(0, 0, 100, 100), WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, nullptr, Painter(RGB(255, 0, 0)));
  HWND lower = Create(Bounds(0, 0, 50, 50), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, parent, Painter(RGB(0, 0, 255)));
  HWND upper = Create(Bounds(25, 25, 50, 50), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, parent, Painter(RGB(0, 255, 0)));
  SetWindowPos(upper, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  Headless::RunUntilIdle();
  InvalidateRect(lower, nullptr, 1);  // the lower one paints again, but not over the upper one
  Headless::RunUntilIdle();
  EXPECT_EQ(Headless::WindowPixel(parent, TPoint(30, 30)), Green);
  EXPECT_EQ(Headless::WindowPixel(parent, TPoint(10, 10)), Blue);
  EXPECT_EQ(GetWindow(parent, GW_CHILD), upper);
}

TEST_F(PaintTest, InvalidationErasesFirstAndValidatedWindowsAreNotPainted) {
  int paints = 0;
  HWND h = Create(Bounds(0, 0, 50, 50), WS_POPUP | WS_VISIBLE, 0, nullptr, Painter(RGB(0, 0, 255), &paints));
  Headless::RunUntilIdle();
  EXPECT_EQ(paints, 1);
  Log.clear();
  const TRect part(0, 0, 10, 10);
  InvalidateRect(h, &part, 1);
  TRect update;
  EXPECT_TRUE(GetUpdateRect(h, &update, 0));
  EXPECT_EQ(update, part);
  UpdateWindow(h);
  EXPECT_EQ(paints, 2);
  EXPECT_EQ(Messages(h, {WM_ERASEBKGND, WM_PAINT}), (std::vector<UINT>{WM_PAINT, WM_ERASEBKGND}));
  InvalidateRect(h, nullptr, 0);
  ValidateRect(h, nullptr);
  Headless::RunUntilIdle();
  EXPECT_EQ(paints, 2);
  // A window that ignores WM_PAINT is validated by the default processing, not asked forever.
  HWND lazy = Create(Bounds(0, 0, 50, 50));
  EXPECT_LT(Headless::RunUntilIdle(), 10);
  EXPECT_FALSE(GetUpdateRect(lazy, nullptr, 0));
}

TEST_F(PaintTest, LayeredWindowsBlendWithPerPixelAndConstantAlpha) {
  Create(Bounds(0, 0, 100, 100), WS_POPUP | WS_VISIBLE, 0, nullptr, Painter(RGB(255, 0, 0)));
  HWND layered = Create(Bounds(0, 0, 10, 10), WS_POPUP | WS_VISIBLE, WS_EX_LAYERED | WS_EX_TOPMOST);
  Headless::RunUntilIdle();
  TSurface pixels(10, 10);
  {
    TSurfaceAccess access(pixels);
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 10; ++x) pixels.GetScanLine(y)[x] = x < 5 ? 0x80008000u : 0u;  // half green | clear
  }
  struct TCase {
    Byte ConstantAlpha;
    uint32_t HalfGreen;  // over opaque red
  };
  for (const TCase& c : {TCase{255, 0xFF7F8000u}, TCase{128, 0xFFBF4000u}, TCase{0, Red}}) {
    SCOPED_TRACE(int(c.ConstantAlpha));
    BLENDFUNCTION blend{AC_SRC_OVER, 0, c.ConstantAlpha, AC_SRC_ALPHA};
    const TPoint at(20, 20);
    const TSize size(10, 10);
    const TPoint origin(0, 0);
    ASSERT_TRUE(UpdateLayeredWindow(layered, &at, &size, &pixels, &origin, 0, &blend, ULW_ALPHA));
    EXPECT_EQ(Headless::ScreenPixel(TPoint(22, 22)), c.HalfGreen);
    EXPECT_EQ(Headless::ScreenPixel(TPoint(27, 22)), Red);  // fully transparent pixels show what is below
  }
  // Clicks pass through the fully transparent pixels.
  EXPECT_EQ(WindowFromPoint(TPoint(22, 22)), layered);
  EXPECT_NE(WindowFromPoint(TPoint(27, 22)), layered);
  // A source smaller than the window is refused.
  const TSize tooBig(20, 20);
  EXPECT_FALSE(UpdateLayeredWindow(layered, nullptr, &tooBig, &pixels, nullptr, 0, nullptr, ULW_ALPHA));
}

TEST_F(PaintTest, LayeredWindowWithConstantAlphaShowsWhatItPaints) {
  Create(Bounds(0, 0, 100, 100), WS_POPUP | WS_VISIBLE, 0, nullptr, Painter(RGB(255, 0, 0)));
  HWND layered = Create(Bounds(10, 10, 20, 20), WS_POPUP, WS_EX_LAYERED | WS_EX_TOPMOST, nullptr, Painter(RGB(0, 255, 0)));
  ASSERT_TRUE(SetLayeredWindowAttributes(layered, 0, 128, LWA_ALPHA));
  ShowWindow(layered, SW_SHOWNA);
  Headless::RunUntilIdle();
  EXPECT_EQ(Headless::WindowPixel(layered, TPoint(1, 1)), Green);
  EXPECT_EQ(Headless::ScreenPixel(TPoint(15, 15)), 0xFF7F8000u);
  Byte alpha = 0;
  EXPECT_TRUE(GetLayeredWindowAttributes(layered, nullptr, &alpha, nullptr));
  EXPECT_EQ(alpha, 128);
}

TEST_F(PaintTest, ScrollWindowMovesPixelsAndInvalidatesTheUncoveredStrip) {
  HWND h = Create(Bounds(0, 0, 40, 40), WS_POPUP | WS_VISIBLE, 0, nullptr, Painter(RGB(255, 0, 0)));
  Headless::RunUntilIdle();
  HDC dc = GetDC(h);
  HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
  const TRect band(0, 10, 40, 20);
  FillRect(dc, &band, blue);
  DeleteObject(blue);
  ReleaseDC(h, dc);
  TRect uncovered;
  ScrollWindowEx(h, 0, 10, nullptr, nullptr, nullptr, &uncovered, SW_INVALIDATE);
  EXPECT_EQ(uncovered, TRect(0, 0, 40, 10));
  EXPECT_EQ(Headless::WindowPixel(h, TPoint(5, 25)), Blue);
  TRect update;
  GetUpdateRect(h, &update, 0);
  EXPECT_EQ(update, uncovered);
}

TEST_F(PaintTest, WindowRegionShapesHitTestingAndPainting) {
  HWND below = Create(Bounds(0, 0, 100, 100), WS_POPUP | WS_VISIBLE, 0, nullptr, Painter(RGB(255, 0, 0)));
  HWND shaped = Create(Bounds(0, 0, 100, 100), WS_POPUP | WS_VISIBLE, 0, nullptr, Painter(RGB(0, 0, 255)));
  SetWindowRgn(shaped, CreateRectRgn(50, 0, 100, 100), 1);  // the window owns the region now
  Headless::RunUntilIdle();
  EXPECT_EQ(WindowFromPoint(TPoint(10, 10)), below);
  EXPECT_EQ(WindowFromPoint(TPoint(60, 10)), shaped);
  EXPECT_EQ(Headless::WindowPixel(shaped, TPoint(60, 10)), Blue);
  EXPECT_EQ(Headless::WindowPixel(shaped, TPoint(10, 10)), 0u);  // never painted outside the shape
  // The shape reads back as a copy; a window without one answers ERROR.
  HRGN copy = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(shaped, copy), SIMPLEREGION);
  TRect box;
  GetRgnBox(copy, &box);
  EXPECT_EQ(box, TRect(50, 0, 100, 100));
  EXPECT_EQ(GetWindowRgn(below, copy), ERROR);
  DeleteObject(copy);
}

TEST_F(PaintTest, FramedChildrenPaintTheirFrameOutsideTheClientArea) {
  HWND parent = Create(Bounds(0, 0, 100, 100), WS_POPUP | WS_VISIBLE, 0, nullptr, Painter(RGB(255, 0, 0)));
  HWND framed = Create(Bounds(10, 10, 40, 40), WS_CHILD | WS_VISIBLE | WS_BORDER, 0, parent, Painter(RGB(0, 0, 255)));
  Headless::RunUntilIdle();
  EXPECT_EQ(Find(framed, WM_NCPAINT).size(), 1u);
  EXPECT_EQ(Headless::WindowPixel(parent, TPoint(10, 10)), 0xFF646464u);
  EXPECT_EQ(Headless::WindowPixel(parent, TPoint(11, 11)), Blue);
  EXPECT_EQ(Headless::WindowPixel(framed, TPoint(0, 0)), Blue);
  // Invalidating the client leaves the frame alone.
  Log.clear();
  InvalidateRect(framed, nullptr, 1);
  Headless::RunUntilIdle();
  EXPECT_TRUE(Find(framed, WM_NCPAINT).empty());
  RedrawWindow(framed, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
  EXPECT_EQ(Find(framed, WM_NCPAINT).size(), 1u);
}

TEST_F(PaintTest, LockedWindowsDrawOnlyThroughTheLockDC) {
  HWND h = Create(Bounds(0, 0, 20, 20), WS_POPUP | WS_VISIBLE, 0, nullptr, Painter(RGB(255, 0, 0)));
  Headless::RunUntilIdle();
  ASSERT_TRUE(LockWindowUpdate(h));
  EXPECT_FALSE(LockWindowUpdate(h));  // one at a time
  HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
  const TRect all(0, 0, 20, 20);
  HDC dc = GetDC(h);
  FillRect(dc, &all, blue);
  ReleaseDC(h, dc);
  EXPECT_EQ(Headless::WindowPixel(h, TPoint(1, 1)), Red);
  dc = GetDCEx(h, nullptr, DCX_LOCKWINDOWUPDATE);
  const TRect corner(0, 0, 5, 5);
  FillRect(dc, &corner, blue);
  ReleaseDC(h, dc);
  DeleteObject(blue);
  EXPECT_EQ(Headless::WindowPixel(h, TPoint(1, 1)), Blue);
  LockWindowUpdate(nullptr);
  Headless::RunUntilIdle();
  EXPECT_EQ(Headless::WindowPixel(h, TPoint(1, 1)), Red);
}

TEST_F(PaintTest, SavePngWritesTheWindowPixels) {
  HWND h = Create(Bounds(0, 0, 8, 4), WS_POPUP | WS_VISIBLE, 0, nullptr, Painter(RGB(0, 255, 0)));
  Headless::RunUntilIdle();
  const std::string file = TempDir() + "/window.png";
  ASSERT_TRUE(Headless::SavePng(h, file));
  std::ifstream in(file, std::ios::binary);
  char signature[8] = {};
  in.read(signature, 8);
  EXPECT_EQ(std::string(signature + 1, 3), "PNG");
  EXPECT_FALSE(Headless::SavePng(nullptr, file));
}

}  // namespace
