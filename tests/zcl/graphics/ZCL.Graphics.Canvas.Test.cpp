#include <gtest/gtest.h>

#include <memory>

#include "os/OS.Gdi.h"
#include "os/OS.Regions.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/graphics/ZCL.Graphics.Dib.h"

namespace {

TZCLPixel32 PixelAt(TZCLDib& Dib, Integer X, Integer Y) {
  Dib.BeginAccess();
  return Dib.GetColors()[Dib.CoordToIndex(X, Y)];
}

TEST(ZclCanvas, ClipStack) {
  TZCLDib dib(20, 20);
  HDC dc = dib.GetDC();
  HRGN saved = nullptr;
  EXPECT_FALSE(ClipRegionPush(dc, TRect(30, 30, 40, 40), saved));  // invisible: clip untouched
  EXPECT_EQ(saved, nullptr);
  ASSERT_TRUE(ClipRegionPush(dc, TRect(0, 0, 10, 10), saved));
  EXPECT_EQ(saved, nullptr);  // there was no clip region to save
  HRGN inner = nullptr;
  EXPECT_FALSE(ClipRegionPush(dc, TRect(12, 12, 15, 15), inner));  // outside the current clip
  EXPECT_FALSE(ClipRegionPush(dc, TRect(9, 9, 9, 15), inner));     // empty
  ASSERT_TRUE(ClipRegionPush(dc, TRect(5, 5, 15, 15), inner));
  EXPECT_NE(inner, nullptr);
  TRect box;
  GetClipBox(dc, &box);
  EXPECT_EQ(box, TRect(5, 5, 10, 10));
  ClipRegionPop(dc, inner);
  GetClipBox(dc, &box);
  EXPECT_EQ(box, TRect(0, 0, 10, 10));
  ClipRegionPop(dc, saved);
  GetClipBox(dc, &box);
  EXPECT_EQ(box, TRect(0, 0, 20, 20));
}

TEST(ZclCanvas, RegionPoolKeepsEightAndDeletesTheRest) {
  HRGN regions[9];
  for (auto& r : regions) r = TZCLRegionManager::Get();
  for (auto& r : regions) {
    TZCLRegionManager::Release(r);
    EXPECT_EQ(r, nullptr);
  }
  // Eight come back from the pool; the ninth Get makes a new one.
  HRGN again[9];
  for (auto& r : again) r = TZCLRegionManager::Get();
  for (auto& r : again) {
    TRect box;
    EXPECT_NE(GetRgnBox(r, &box), ERROR);
    TZCLRegionManager::Release(r);
  }
}

TEST(ZclCanvas, AlphaFillsAndFrames) {
  TZCLDib dib(10, 10);
  dib.Reset();
  FillRectAlpha(dib.GetCanvas(), TRect(0, 0, 10, 10), claNone);
  FillRectAlpha(dib.GetCanvas(), TRect(0, 0, 10, 10), claDefault);
  EXPECT_EQ(PixelAt(dib, 5, 5).A, 0);
  DrawFrame(dib.GetCanvas(), TRect(0, 0, 10, 10), clNone);
  EXPECT_EQ(PixelAt(dib, 0, 0).A, 0);
  FillRectAlpha(dib.GetCanvas(), TRect(2, 2, 4, 4), 0x80FF0000);
  EXPECT_EQ(PixelAt(dib, 2, 2).A, 128);
  EXPECT_EQ(PixelAt(dib, 4, 4).A, 0);
  DrawFrameAlpha(dib.GetCanvas(), TRect(0, 0, 10, 10), 0xFF00FF00, 1);
  EXPECT_EQ(PixelAt(dib, 0, 5).G, 255);
  EXPECT_EQ(PixelAt(dib, 9, 9).G, 255);
  EXPECT_EQ(PixelAt(dib, 5, 5).G, 0);
}

TEST(ZclCanvas, ArrowUpAt96Dpi) {
  TZCLDib dib(9, 9);
  dib.Reset();
  EXPECT_EQ(ArrowSize(2, 96), TSize(5, 3));
  DrawArrow(dib.GetCanvas(), TRect(0, 0, 9, 9), clWhite, 2, 96);
  // Box (2, 3)-(7, 6): tip at the top row's middle, base of 5 at the bottom row.
  EXPECT_EQ(PixelAt(dib, 4, 3).R, 255);
  EXPECT_EQ(PixelAt(dib, 3, 3).R, 0);
  for (int x = 2; x < 7; ++x) EXPECT_EQ(PixelAt(dib, x, 5).R, 255) << x;
}

TEST(ZclCanvas, TextShortening) {
  TCanvas* c = MeasureCanvas();
  String text = u"Hello";
  TSize size = CanvasTextSize(c, text);
  EXPECT_EQ(TextShortenEnd(c, text, size, size.cx + 10), 5);
  EXPECT_EQ(text, u"Hello");
  TextShortenEnd(c, text, size, 1);
  EXPECT_EQ(text, u"\u2026");
  // Never between the halves of a surrogate pair, whatever the width.
  const String emoji = u"ab\U0001F600\U0001F600cd";
  const Integer full = CanvasTextSize(c, emoji).cx;
  for (Integer w = 0; w < full; ++w) {
    String t = emoji;
    TSize s = CanvasTextSize(c, t);
    const Integer kept = TextShortenEnd(c, t, s, w);
    if (kept > 0) {
      EXPECT_FALSE(t[size_t(kept) - 1] >= 0xD800 && t[size_t(kept) - 1] <= 0xDBFF) << w;
    }
  }
}

TEST(ZclCanvas, ShortenPathText) {
  TCanvas* c = MeasureCanvas();
  const String path = u"C:\\a\\b\\c\\file";
  // Each step drops one more folder; a width that fits a step stops there.
  const String steps[] = {path, u"C:\\...\\b\\c\\file", u"C:\\...\\c\\file", u"C:\\...\\file"};
  for (int i = 1; i < 4; ++i) {
    const Integer w = CanvasTextSize(c, steps[i]).cx;
    bool wider = true;  // every earlier step must be wider, or the loop stops earlier
    for (int j = 0; j < i; ++j) wider = wider && CanvasTextSize(c, steps[j]).cx > w;
    if (!wider) continue;
    String p = path;
    ShortenPathText(c, w, p);
    EXPECT_EQ(p, steps[i]);
  }
  String p = path;
  ShortenPathText(c, 1, p);
  EXPECT_EQ(p, u"C:\\...\\file");
}

}  // namespace

namespace {
TEST(ZclCanvas, DoubleFrameAndTriangle) {
  TZCLDib dib(10, 10);
  dib.Reset();
  DrawDoubleFrame(dib.GetCanvas(), TRect(0, 0, 10, 10), clRed, clBlue, TZCLBorders{mLeft, mTop});
  dib.BeginAccess();
  EXPECT_EQ(dib.GetColors()[dib.CoordToIndex(0, 5)].R, 255);
  EXPECT_EQ(dib.GetColors()[dib.CoordToIndex(1, 5)].B, 255);  // inner frame on the left
  EXPECT_EQ(dib.GetColors()[dib.CoordToIndex(8, 5)].A, 0);    // none inside on the right
  EXPECT_EQ(dib.GetColors()[dib.CoordToIndex(9, 5)].A, 0);    // nor outside: only the given sides
  EXPECT_EQ(dib.GetColors()[dib.CoordToIndex(5, 9)].A, 0);
  dib.Reset();
  DrawDownTriangle(dib.GetDC(), TRect(0, 0, 10, 10), clWhite, TSize(6, 3));
  dib.BeginAccess();
  EXPECT_EQ(dib.GetColors()[dib.CoordToIndex(4, 4)].R, 255);  // the top edge row
  EXPECT_EQ(dib.GetColors()[dib.CoordToIndex(0, 4)].A, 0);
}

TEST(ZclCanvas, FontCloneKeepsDensity) {
  TFont font;
  font.SetPixelsPerInch(144);
  font.SetName(u"DejaVu Sans");
  font.SetHeight(-20);
  std::unique_ptr<TFont> clone(FontClone(&font));
  EXPECT_EQ(clone->GetPixelsPerInch(), 144);
  EXPECT_EQ(clone->GetHeight(), -20);
  EXPECT_EQ(clone->GetName(), u"DejaVu Sans");
}
}  // namespace

namespace {
TEST(ZclCanvas, VerticalTextRunsUpFromTheBottom) {
  TZCLDib dib(20, 60);
  dib.Reset();
  TCanvas* c = dib.GetCanvas();
  c->GetFont()->SetName(u"DejaVu Sans");
  c->GetFont()->SetHeight(-12);
  c->GetFont()->SetColor(clWhite);
  TextDrawVertical(c, u"Wide", TRect(0, 0, 20, 60), taLeftJustify, taAlignTop, false);
  EXPECT_EQ(c->GetFont()->GetOrientation(), 0);
  dib.BeginAccess();
  // Ink in the bottom part of the left column area, none at the top.
  int bottom = 0, top = 0;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 20; ++x)
      if (dib.GetColors()[dib.CoordToIndex(x, y)].A != 0) (y >= 30 ? bottom : top)++;
  EXPECT_GT(bottom, 0);
  EXPECT_EQ(top, 0);
}
}  // namespace
