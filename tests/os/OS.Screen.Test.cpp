#include "os/OS.Gdi.h"
#include "os/OS.Screen.h"
#include "os/backends/headless/OS.Headless.h"
#include "support/HeadlessFixture.h"

namespace {

class ScreenTest : public THeadlessTest {};

TEST_F(ScreenTest, ReadsTheComposedWindowsOverABlackDesktop) {
  const HWND window = Create(TRect(100, 100, 140, 120));
  HDC dc = GetDC(window);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  const TRect all(0, 0, 40, 20);
  FillRect(dc, &all, red);
  DeleteObject(red);
  ReleaseDC(window, dc);
  Headless::RunUntilIdle();
  // Two pixels of desktop, then the window; the same as the headless composition.
  const std::vector<uint32_t> pixels = ReadScreenPixels(TRect(98, 110, 102, 111));
  ASSERT_EQ(pixels.size(), 4u);
  EXPECT_EQ(pixels[0], 0xFF000000u);
  EXPECT_EQ(pixels[1], 0xFF000000u);
  EXPECT_EQ(pixels[2], 0xFFFF0000u);
  for (int x = 98; x < 102; ++x) EXPECT_EQ(pixels[size_t(x - 98)], Headless::ScreenPixel(TPoint(x, 110)));
  // A translucent layered window blends over what lies below.
  const HWND veil = Create(TRect(100, 100, 110, 110), WS_POPUP | WS_VISIBLE, WS_EX_LAYERED);
  SetLayeredWindowAttributes(veil, 0, 128, LWA_ALPHA);
  Headless::RunUntilIdle();
  EXPECT_EQ(ReadScreenPixels(TRect(105, 105, 106, 106))[0], Headless::ScreenPixel(TPoint(105, 105)));
  EXPECT_TRUE(ReadScreenPixels(TRect(5, 5, 5, 9)).empty());
}

}  // namespace
