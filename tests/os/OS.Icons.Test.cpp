#include "os/OS.Icons.h"

#include <atomic>
#include <thread>

#include "os/OS.Gdi.h"
#include "os/OS.Surface.h"
#include "support/HeadlessFixture.h"

namespace {

uint32_t PixelOf(HBITMAP Bitmap, int X, int Y) {
  TSurface* s = GetBitmapSurface(Bitmap);
  s->BeginAccess();
  return s->GetPixel(X, Y);
}

TEST(IconsTest, PixelsAreCopiedInAndOutAndLiveUntilDestroyed) {
  uint32_t pixels[6] = {0xFF102030u, 0x80404040u, 0, 0xFFFFFFFFu, 0x40000040u, 0xFF000000u};
  HICON icon = CreateIconFromPixels(pixels, 3, 2);
  ASSERT_NE(icon, nullptr);
  pixels[0] = 0;  // the icon holds its own copy
  std::vector<uint32_t> out;
  int w = 0, h = 0;
  ASSERT_TRUE(GetIconPixels(icon, out, w, h));
  EXPECT_EQ(w, 3);
  EXPECT_EQ(h, 2);
  EXPECT_EQ(out[0], 0xFF102030u);
  EXPECT_EQ(out[4], 0x40000040u);

  HICON copy = CopyIcon(icon);
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, icon);
  EXPECT_TRUE(DestroyIcon(icon));
  EXPECT_FALSE(DestroyIcon(icon));  // a dead handle is refused, not freed twice
  EXPECT_FALSE(GetIconPixels(icon, out, w, h));
  EXPECT_FALSE(DrawIcon(nullptr, 0, 0, icon));
  ASSERT_TRUE(GetIconSize(copy, w, h));  // the copy outlives its source
  EXPECT_EQ(w * h, 6);
  EXPECT_TRUE(DestroyIcon(copy));
  EXPECT_FALSE(DestroyIcon(nullptr));

  for (auto [width, height] : {std::pair{0, 1}, {1, 0}, {-2, 2}, {MaxIconSize + 1, 1}})
    EXPECT_EQ(CreateIconFromPixels(pixels, width, height), nullptr) << width << " x " << height;
  EXPECT_EQ(CreateIconFromPixels(nullptr, 1, 1), nullptr);
}

TEST(IconsTest, BitmapsBecomeIconsAndIconInfoGivesThemBack) {
  // With alpha: taken as it is.
  const uint32_t withAlpha[4] = {0xFF0000FFu, 0x80800000u, 0, 0xFF00FF00u};
  HBITMAP color = CreateBitmap(2, 2, 1, 32, withAlpha);
  ICONINFO info{1, 0, 0, nullptr, color};
  HICON icon = CreateIconIndirect(&info);
  ASSERT_NE(icon, nullptr);
  ICONINFO back{};
  ASSERT_TRUE(GetIconInfo(icon, &back));
  ASSERT_TRUE(back.hbmColor && back.hbmMask);
  EXPECT_NE(back.hbmColor, color);  // new bitmaps, the caller's to delete
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(PixelOf(back.hbmColor, i % 2, i / 2), withAlpha[i]) << i;
    EXPECT_EQ(PixelOf(back.hbmMask, i % 2, i / 2), withAlpha[i] ? 0xFF000000u : 0xFFFFFFFFu) << i;
  }
  DeleteObject(back.hbmColor);
  DeleteObject(back.hbmMask);
  DestroyIcon(icon);

  // Without alpha: opaque, with the mask's white pixels transparent.
  const uint32_t noAlpha[4] = {0x000000FFu, 0x00800000u, 0x00123456u, 0x0000FF00u};
  const uint32_t maskBits[4] = {0, 0x00FFFFFFu, 0, 0};
  HBITMAP plain = CreateBitmap(2, 2, 1, 32, noAlpha);
  HBITMAP mask = CreateBitmap(2, 2, 1, 32, maskBits);
  ICONINFO masked{1, 0, 0, mask, plain};
  icon = CreateIconIndirect(&masked);
  std::vector<uint32_t> out;
  int w = 0, h = 0;
  ASSERT_TRUE(GetIconPixels(icon, out, w, h));
  EXPECT_EQ(out, (std::vector<uint32_t>{0xFF0000FFu, 0, 0xFF123456u, 0xFF00FF00u}));
  DestroyIcon(icon);

  ICONINFO noColor{1, 0, 0, mask, nullptr};
  EXPECT_EQ(CreateIconIndirect(&noColor), nullptr);
  EXPECT_EQ(CreateIconIndirect(nullptr), nullptr);
  EXPECT_FALSE(GetIconInfo(nullptr, &back));
  for (HBITMAP b : {color, plain, mask}) DeleteObject(b);
}

TEST(IconsTest, DrawingBlendsScalesAndMasks) {
  const uint32_t pixels[4] = {0xFFFF0000u, 0x80000080u, 0, 0xFF00FF00u};
  HICON icon = CreateIconFromPixels(pixels, 2, 2);
  TSurface surface(6, 6);
  HDC dc = CreateSurfaceDC(&surface);
  const TRect all(0, 0, 6, 6);
  HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
  FillRect(dc, &all, white);

  ASSERT_TRUE(DrawIcon(dc, 1, 1, icon));
  surface.BeginAccess();
  EXPECT_EQ(surface.GetPixel(1, 1), 0xFFFF0000u);
  EXPECT_EQ(surface.GetPixel(2, 1), 0xFF7F7FFFu);  // half blue over white
  EXPECT_EQ(surface.GetPixel(1, 2), 0xFFFFFFFFu);  // transparent leaves the background
  EXPECT_EQ(surface.GetPixel(3, 3), 0xFFFFFFFFu);  // nothing outside the icon

  FillRect(dc, &all, white);
  ASSERT_TRUE(DrawIconEx(dc, 2, 2, icon, 4, 4, 0, nullptr, DI_NORMAL));  // twice the size
  surface.BeginAccess();
  EXPECT_EQ(surface.GetPixel(3, 3), 0xFFFF0000u);
  EXPECT_EQ(surface.GetPixel(5, 5), 0xFF00FF00u);
  EXPECT_EQ(surface.GetPixel(2, 5), 0xFFFFFFFFu);

  FillRect(dc, &all, white);
  ASSERT_TRUE(DrawIconEx(dc, 0, 0, icon, 0, 0, 0, nullptr, DI_MASK));  // the shape alone, in black
  surface.BeginAccess();
  EXPECT_EQ(surface.GetPixel(1, 0), 0xFF000000u);
  EXPECT_EQ(surface.GetPixel(0, 1), 0xFFFFFFFFu);
  // Partly off the surface: the visible part is drawn.
  EXPECT_TRUE(DrawIcon(dc, 5, 5, icon));
  surface.BeginAccess();
  EXPECT_EQ(surface.GetPixel(5, 5), 0xFFFF0000u);
  DeleteObject(white);
  DeleteDC(dc);
  DestroyIcon(icon);
}

TEST(IconsTest, IconsAreMadeAndDestroyedFromManyThreads) {
  std::vector<std::thread> threads;
  std::atomic<int> failures{0};
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&failures, t] {
      for (int i = 0; i < 200; ++i) {
        const uint32_t pixel = 0xFF000000u | uint32_t(t * 1000 + i);
        HICON icon = CreateIconFromPixels(&pixel, 1, 1);
        std::vector<uint32_t> out;
        int w = 0, h = 0;
        if (!GetIconPixels(icon, out, w, h) || out[0] != pixel || !DestroyIcon(icon)) ++failures;
      }
    });
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(failures, 0);
}

class WindowIconTest : public THeadlessTest {};

TEST_F(WindowIconTest, WindowsKeepTheirBigAndSmallIcons) {
  HWND window = Create(Bounds(0, 0, 50, 50));
  const uint32_t pixel = 0xFFFFFFFFu;
  HICON big = CreateIconFromPixels(&pixel, 1, 1), small = CreateIconFromPixels(&pixel, 1, 1);
  EXPECT_EQ(SendMessage(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big)), 0);
  EXPECT_EQ(SendMessage(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small)), 0);
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessage(window, WM_GETICON, ICON_BIG, 0)), big);
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessage(window, WM_GETICON, ICON_SMALL, 0)), small);
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessage(window, WM_SETICON, ICON_BIG, 0)), big);  // the previous one
  EXPECT_EQ(SendMessage(window, WM_GETICON, ICON_BIG, 0), 0);
  DestroyIcon(big);
  DestroyIcon(small);
}

}  // namespace
