#include <gtest/gtest.h>

#include "zcl/graphics/ZCL.Graphics.Dib.h"
#include "zcl/graphics/ZCL.Graphics.FontCache.h"
#include "zcl/graphics/ZCL.Graphics.Render.Cairo.h"

namespace {

TZCLPixel32 PixelAt(TZCLDib& Dib, Integer X, Integer Y) {
  Dib.BeginAccess();
  return Dib.GetColors()[Dib.CoordToIndex(X, Y)];
}

TEST(ZclRender, OriginShiftsDrawing) {
  TZCLDib dib(20, 20);
  dib.Reset();
  TZCLCairoRender render;
  render.BeginPaint(dib.GetDC(), dib.ClientRect());
  const TPoint old = render.ModifyOrigin(10, 5);
  render.FillRectangle(TRect(0, 0, 2, 2), 0xFFFF0000);
  render.SetOrigin(old);
  render.FillRectangle(TRect(0, 0, 1, 1), 0xFF0000FF);
  render.EndPaint();
  EXPECT_EQ(PixelAt(dib, 10, 5).R, 255);
  EXPECT_EQ(PixelAt(dib, 11, 6).R, 255);
  EXPECT_EQ(PixelAt(dib, 12, 7).A, 0);
  EXPECT_EQ(PixelAt(dib, 0, 0).B, 255);
}

TEST(ZclRender, PaintStages) {
  TZCLDib a(4, 4), b(4, 4);
  a.Reset();
  b.Reset();
  TZCLCairoRender render;
  render.BeginPaint(a.GetDC(), a.ClientRect());
  EXPECT_THROW(render.BeginPaint(b.GetDC(), b.ClientRect()), EInvalidGraphicOperation);
  render.EndPaint();

  TZCLCairoPaintCanvas canvas;
  canvas.BeginPaint(a.GetDC());
  canvas.BeginPaint(b.GetDC());
  canvas.FillRectangle(TRect(0, 0, 4, 4), 0xFF00FF00);
  canvas.EndPaint();
  canvas.FillRectangle(TRect(0, 0, 4, 4), 0xFF0000FF);
  canvas.EndPaint();
  EXPECT_EQ(PixelAt(b, 1, 1).G, 255);
  EXPECT_EQ(PixelAt(a, 1, 1).B, 255);
  EXPECT_THROW(canvas.BeginPaint(static_cast<HDC>(nullptr)), EInvalidArgument);
}

TEST(ZclRender, RectangleOutlineCoversWholePixels) {
  TZCLDib dib(12, 12);
  dib.Reset();
  TZCLCairoRender render;
  render.BeginPaint(dib.GetDC(), dib.ClientRect());
  render.DrawRectangle(0, 0, 10, 10, 0xFFFFFFFF, 1, ssSolid);  // the outline spans pixels 0..9
  render.EndPaint();
  EXPECT_EQ(PixelAt(dib, 0, 5).A, 255);
  EXPECT_EQ(PixelAt(dib, 9, 5).A, 255);
  EXPECT_EQ(PixelAt(dib, 10, 5).A, 0);
  EXPECT_EQ(PixelAt(dib, 5, 5).A, 0);
}

TEST(ZclRender, ImagesBelongToTheirRender) {
  TZCLDib target(8, 8), source(2, 2);
  target.Reset();
  for (int i = 0; i < 4; ++i) source.GetColors()[i] = {0, 0, 255, 255};
  TZCLCairoRender first, second;
  TZCL2DRenderImage* cached = first.CreateImageFromDib(&source, suReference);
  second.BeginPaint(target.GetDC(), target.ClientRect());
  second.DrawImage(cached, TRect(0, 0, 2, 2), TRect(0, 0, 2, 2), 255);  // not valid here: nothing
  EXPECT_EQ(PixelAt(target, 0, 0).A, 0);
  second.DrawImageCached(&source, TRect(0, 0, 4, 4), &cached);
  second.EndPaint();
  EXPECT_TRUE(TZCL2DRenderResource::IsValidFor(cached, &second));
  EXPECT_EQ(PixelAt(target, 3, 3).R, 255);
  delete cached;
}

TEST(ZclRender, TintPaintsTheTintKeepingAlpha) {
  TZCLDib target(2, 1), source(2, 1);
  target.Reset();
  source.GetColors()[0] = {0, 0, 128, 128};
  source.GetColors()[1] = {};
  TZCLCairoRender render;
  TZCL2DRenderImage* image = render.CreateImageFromDib(&source, suCopy);
  TZCL2DRenderImageAttributes* attributes = render.CreateImageAttributes();
  attributes->SetTintColor(0xFF0000FF);
  render.BeginPaint(target.GetDC(), target.ClientRect());
  render.DrawImageWithAttributes(image, TRect(0, 0, 2, 1), TRect(0, 0, 2, 1), attributes);
  render.EndPaint();
  const TZCLPixel32 p = PixelAt(target, 0, 0);
  EXPECT_NEAR(p.A, 128, 1);
  EXPECT_NEAR(p.B, 128, 1);
  EXPECT_EQ(p.R, 0);
  EXPECT_EQ(PixelAt(target, 1, 0).A, 0);
  delete attributes;
  delete image;
}

TEST(ZclFontCache, SharesFontsByDescription) {
  TFont* a = TZCLFontCache::GetFont(u"DejaVu Sans", {}, -12, 96);
  TFont* b = TZCLFontCache::GetFont(u"dejavu sans", {}, -12, 96);
  EXPECT_EQ(a, b);  // equal ignoring case, so one entry
  EXPECT_EQ(a->GetHeight(), -12);
  EXPECT_EQ(TZCLFontCache::GetFont(u"DejaVu Sans", {}, -12, 144)->GetHeight(), -18);
  TZCLFontData x, y;
  x.Name = u"Tahoma";
  y.Name = u"TAHOMA";
  EXPECT_EQ(x, y);
  EXPECT_EQ(x.Hash(), y.Hash());
  int count = 0;
  TZCLFontCache::EnumFonts([&](const String& Name) {
    EXPECT_NE(Name[0], u'@');
    ++count;
  });
  int again = 0;
  TZCLFontCache::EnumFonts([&](const String&) { ++again; });
  EXPECT_EQ(count, again);
}

}  // namespace

namespace {
// Records the tiles TileImage asks for.
class TTileRecorder : public TZCLCairoRender {
 public:
  std::vector<TRect> Tiles;
  void DrawImageWithAttributes(TZCL2DRenderImage* Image, const TRect& Dest, const TRect& Source,
                               TZCL2DRenderImageAttributes* Attributes) override {
    Tiles.push_back(Dest);
    TZCLCairoRender::DrawImageWithAttributes(Image, Dest, Source, Attributes);
  }
};

TEST(ZclRender, TilesStartAtTheCornerAndAreClipped) {
  TZCLDib target(30, 10), source(10, 10);
  target.Reset();
  for (int i = 0; i < 100; ++i) source.GetColors()[i] = {0, 0, 255, 255};
  TTileRecorder render;
  TZCL2DRenderImage* image = render.CreateImageFromDib(&source, suCopy);
  render.BeginPaint(target.GetDC(), target.ClientRect());
  render.TileImage(image, TRect(0, 0, 25, 10), TRect(0, 0, 10, 10), nullptr);
  render.EndPaint();
  ASSERT_EQ(render.Tiles.size(), 3u);
  EXPECT_EQ(render.Tiles[2], TRect(20, 0, 30, 10));
  EXPECT_EQ(PixelAt(target, 24, 5).R, 255);
  EXPECT_EQ(PixelAt(target, 25, 5).A, 0);  // the last tile is clipped at the destination
  delete image;
}

// Records the figure AddRoundRect builds.
class TPathRecorder : public TZCL2DRenderPath {
 public:
  TPathRecorder() : TZCL2DRenderPath(nullptr) {}
  std::vector<float> Radii;
  int Lines = 0;
  void AddArc(float, float, float RX, float RY, float, float) override { Radii.push_back(RX), Radii.push_back(RY); }
  void AddLine(float, float, float, float) override { ++Lines; }
  void FigureClose() override {}
  void FigureStart() override {}
};

TEST(ZclRender, RoundRectRadiiAreCut) {
  TPathRecorder path;
  path.AddRoundRect(TRect(0, 0, 30, 30), 20, 20);
  ASSERT_EQ(path.Radii.size(), 8u);
  EXPECT_FLOAT_EQ(path.Radii[0], 10);
  TPathRecorder plain;
  plain.AddRoundRect(TRect(0, 0, 30, 30), 0, 0);
  EXPECT_TRUE(plain.Radii.empty());
  EXPECT_EQ(plain.Lines, 3);
}
}  // namespace
