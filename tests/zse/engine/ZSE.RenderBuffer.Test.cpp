#include <gtest/gtest.h>

#include <memory>

#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zse/engine/ZSE.RenderBuffer.h"

namespace {

struct TFreeBuffer {
  void operator()(TZSERenderBuffer* B) const { Free(B); }
};
using TBufferPtr = std::unique_ptr<TZSERenderBuffer, TFreeBuffer>;

TBufferPtr MakeBuffer(Integer W, Integer H, TZCLPixel32 Fill = {}) {
  TBufferPtr b(TZSERenderBuffer::New(W, H));
  b->BeginAccess();
  std::fill(b->GetColors(), b->GetColors() + b->GetColorCount(), Fill);
  b->EndAccess();
  return b;
}

TZCLPixel32 At(TZCLDib* Dib, Integer X, Integer Y) {
  Dib->BeginAccess();
  return Dib->GetColors()[Dib->CoordToIndex(X, Y)];
}

bool Same(TZCLPixel32 A, TZCLPixel32 B) { return A.R == B.R && A.G == B.G && A.B == B.B && A.A == B.A; }

constexpr TZCLPixel32 Black{0, 0, 0, 255};
constexpr TZCLPixel32 White{255, 255, 255, 255};
constexpr TZCLPixel32 Grey{128, 128, 128, 255};
constexpr TZCLPixel32 None{0, 0, 0, 0};
constexpr TAlphaColor Red = 0xFFFF0000;

TEST(ZseRenderBuffer, NewMakesTheInstalledClassAndRefusesOthers) {
  TBufferPtr b(TZSERenderBuffer::New(4, 3));
  EXPECT_TRUE(b->InheritsFrom(TZSERenderBufferGdi::StaticClass()));
  EXPECT_EQ(b->GetWidth(), 4);
  EXPECT_EQ(b->GetHandle(), b->GetDC());
  EXPECT_THROW(TZSERenderBuffer::SetClassOfBuffer(TZCLDib::StaticClass()), EInvalidCast);
}

TEST(ZseRenderBuffer, DrawDibWithEmptyRectOrPictureChangesNothing) {
  TBufferPtr target = MakeBuffer(4, 4, Grey);
  TBufferPtr source = MakeBuffer(4, 4, White);
  TZCLDib empty;
  for (TZCLBlendMode mode : {bmNormal, bmMultiply}) {
    target->DrawDib(TRect(2, 2, 2, 4), source.get(), 255, mode);
    target->DrawDib(TRect(0, 0, 4, 4), &empty, 255, mode);
    target->DrawDib(TRect(0, 0, 4, 4), nullptr, 255, mode);
  }
  for (Integer y = 0; y < 4; ++y)
    for (Integer x = 0; x < 4; ++x) EXPECT_TRUE(Same(At(target.get(), x, y), Grey)) << x << "," << y;
}

TEST(ZseRenderBuffer, DrawDibBlendsOnlyTheDestinationRectangle) {
  // Multiply by black gives black inside the rectangle; the rest keeps its grey.
  TBufferPtr target = MakeBuffer(6, 6, Grey);
  TBufferPtr source = MakeBuffer(2, 2, Black);
  target->DrawDib(TRect(2, 2, 4, 4), source.get(), 255, bmMultiply);
  EXPECT_TRUE(Same(At(target.get(), 2, 2), Black));
  EXPECT_TRUE(Same(At(target.get(), 3, 3), Black));
  EXPECT_TRUE(Same(At(target.get(), 1, 2), Grey));
  EXPECT_TRUE(Same(At(target.get(), 4, 3), Grey));

  // Normal blending of an opaque picture replaces.
  TBufferPtr white = MakeBuffer(2, 2, White);
  target->DrawDib(TRect(0, 0, 2, 2), white.get(), 255, bmNormal);
  EXPECT_TRUE(Same(At(target.get(), 1, 1), White));
  EXPECT_TRUE(Same(At(target.get(), 2, 2), Black));
}

TEST(ZseRenderBuffer, DrawDibWithBlendModeStretchesAPictureOfAnotherSize) {
  TBufferPtr target = MakeBuffer(8, 8, Grey);
  TBufferPtr source = MakeBuffer(2, 2, Black);
  target->DrawDib(TRect(1, 1, 7, 7), source.get(), 255, bmMultiply);
  EXPECT_TRUE(Same(At(target.get(), 1, 1), Black));
  EXPECT_TRUE(Same(At(target.get(), 6, 6), Black));
  EXPECT_TRUE(Same(At(target.get(), 0, 0), Grey));
  EXPECT_TRUE(Same(At(target.get(), 7, 7), Grey));
}

TEST(ZseRenderBuffer, ClipPushLimitsDrawingAndPopRestores) {
  TBufferPtr b = MakeBuffer(10, 10);
  TZSERenderBufferClipState state;
  EXPECT_FALSE(b->ClipPush(TRect(20, 20, 30, 30), state));
  TRect box;
  ASSERT_TRUE(b->ClipPush(TRect(2, 2, 5, 5), state, &box));
  EXPECT_EQ(box, TRect(2, 2, 5, 5));
  EXPECT_TRUE(b->IsVisible(TRect(4, 4, 8, 8)));
  EXPECT_FALSE(b->IsVisible(TRect(6, 6, 8, 8)));
  b->FillRect(TRect(0, 0, 10, 10), Red);
  b->ClipPop(state);
  EXPECT_EQ(At(b.get(), 3, 3).R, 255);
  EXPECT_EQ(At(b.get(), 6, 6).A, 0);
  EXPECT_TRUE(b->IsVisible(TRect(6, 6, 8, 8)));
  b->FillRectClipped(TRect(0, 0, 10, 10), Red, TRect(8, 8, 9, 9));
  EXPECT_EQ(At(b.get(), 8, 8).R, 255);
  EXPECT_EQ(At(b.get(), 7, 7).A, 0);
}

TEST(ZseRenderBuffer, MoveOriginShiftsLaterDrawing) {
  TBufferPtr b = MakeBuffer(10, 10);
  const TPoint old = b->MoveOrigin(4, 3);
  b->FillRect(TRect(0, 0, 2, 2), Red);
  b->RestoreOrigin(old);
  EXPECT_EQ(At(b.get(), 4, 3).R, 255);
  EXPECT_EQ(At(b.get(), 5, 4).R, 255);
  EXPECT_EQ(At(b.get(), 0, 0).A, 0);
  b->FillRect(TRect(0, 0, 1, 1), Red);
  EXPECT_EQ(At(b.get(), 0, 0).R, 255);
}

TEST(ZseRenderBuffer, PaintIntoPutsTheRectangleOnTheWholeBuffer) {
  TBufferPtr b = MakeBuffer(2, 2, White);
  Integer calls = 0;
  b->PaintInto(TRect(10, 20, 14, 23), [&](TZSERenderBuffer* Buffer) {
    ++calls;
    Buffer->FillRect(TRect(10, 20, 14, 23), Red);
  });
  EXPECT_EQ(calls, 1);
  ASSERT_EQ(b->Size(), TSize(4, 3));
  EXPECT_EQ(At(b.get(), 0, 0).R, 255);
  EXPECT_EQ(At(b.get(), 3, 2).R, 255);
  // The origin is back: drawing at (0, 0) lands on the first pixel.
  b->Reset();
  b->FillRect(TRect(0, 0, 1, 1), Red);
  EXPECT_EQ(At(b.get(), 0, 0).R, 255);

  TRect bounds;
  TPoint origin(-1, -1);
  b->PaintIntoBounds(TRect(5, 5, 8, 7), [&](TZSERenderBuffer*, const TRect& R) { bounds = R; });
  b->PaintIntoAt(TRect(5, 5, 8, 7), [&](TZSERenderBuffer*, const TPoint& P) { origin = P; });
  EXPECT_EQ(bounds, TRect(0, 0, 3, 2));
  EXPECT_EQ(origin, TPoint(0, 0));
  EXPECT_EQ(At(b.get(), 0, 0).A, 0);
}

TEST(ZseRenderBuffer, PaintLayerOutsideTheClipDoesNotPaint) {
  TBufferPtr b = MakeBuffer(10, 10);
  bool called = false;
  b->PaintLayer(TRect(20, 20, 30, 30), true, true, [&](TCanvas*) { called = true; });
  EXPECT_FALSE(called);
}

TEST(ZseRenderBuffer, PaintLayerCopiesBackOpaqueOrBlends) {
  // The painter draws in this buffer's coordinates on a layer of the visible part.
  TBufferPtr b = MakeBuffer(10, 10, Grey);
  b->PaintLayer(TRect(2, 2, 6, 6), false, false,
                [](TCanvas* Canvas) { FillRectAlpha(Canvas, TRect(4, 4, 6, 6), Red); });
  EXPECT_EQ(At(b.get(), 4, 4).R, 255);
  EXPECT_EQ(At(b.get(), 4, 4).G, 0);
  EXPECT_TRUE(Same(At(b.get(), 3, 3), Grey));  // transparent layer pixels blend to nothing
  EXPECT_TRUE(Same(At(b.get(), 6, 6), Grey));

  TBufferPtr c = MakeBuffer(10, 10, {0, 0, 0, 0});
  c->PaintLayer(TRect(2, 2, 6, 6), true, false, [](TCanvas*) {});
  EXPECT_EQ(At(c.get(), 2, 2).A, 255);  // copied back opaque
  EXPECT_EQ(At(c.get(), 6, 6).A, 0);
}

TEST(ZseRenderBuffer, PaintMaskedKeepsItsCacheBetweenPaints) {
  TBufferPtr b = MakeBuffer(10, 10);
  TZSERenderBuffer* cache = nullptr;
  Integer calls = 0;
  auto painter = [&](TZSERenderBuffer* Buffer) {
    ++calls;
    Buffer->FillRect(TRect(3, 3, 5, 5), Red);
  };
  b->PaintMasked(TRect(2, 2, 6, 6), nullptr, 0, cache, false, painter);
  ASSERT_NE(cache, nullptr);
  TZSERenderBuffer* first = cache;
  EXPECT_EQ(cache->Size(), TSize(4, 4));
  EXPECT_EQ(At(b.get(), 3, 3).R, 255);
  EXPECT_EQ(At(b.get(), 2, 2).A, 0);
  b->PaintMasked(TRect(1, 1, 7, 7), nullptr, 0, cache, false, painter);
  EXPECT_EQ(cache, first);
  EXPECT_EQ(cache->Size(), TSize(6, 6));
  b->PaintMasked(TRect(20, 20, 30, 30), nullptr, 0, cache, false, painter);
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(cache, first);
  Free(cache);
}

TEST(ZseRenderBuffer, DrawScaledClipsOnePixelBeyondEachSide) {
  TBufferPtr source = MakeBuffer(10, 10, White);
  TBufferPtr target = MakeBuffer(10, 10, None);
  source->DrawScaled(target.get(), TRect(3, 3, 5, 5));
  EXPECT_TRUE(Same(At(target.get(), 2, 2), White));
  EXPECT_TRUE(Same(At(target.get(), 5, 5), White));
  EXPECT_TRUE(Same(At(target.get(), 1, 1), None));
  EXPECT_TRUE(Same(At(target.get(), 6, 6), None));

  // A buffer of twice the size stands for the same picture.
  TBufferPtr big = MakeBuffer(20, 20, None);
  source->DrawScaled(big.get(), TRect(0, 0, 10, 10));
  EXPECT_TRUE(Same(At(big.get(), 19, 19), White));
}

TEST(ZseRenderBuffer, FillRegionDataFillsOnlyTheRegion) {
  TBufferPtr b = MakeBuffer(10, 10);
  TZCLRegionData data(2);
  data.GetRects()[0] = TRect(0, 0, 2, 2);
  data.GetRects()[1] = TRect(6, 6, 8, 8);
  b->FillRegionData(TRect(0, 0, 10, 10), &data, Red, nullptr, 0);
  EXPECT_EQ(At(b.get(), 1, 1).R, 255);
  EXPECT_EQ(At(b.get(), 7, 7).R, 255);
  EXPECT_EQ(At(b.get(), 4, 4).A, 0);
  // The clip is back afterwards.
  EXPECT_TRUE(b->IsVisible(TRect(4, 4, 5, 5)));
}

TEST(ZseRenderBuffer, ShapesGoThroughTheRender) {
  TBufferPtr b = MakeBuffer(10, 10);
  b->FillPolygon({TPoint(0, 0), TPoint(10, 0), TPoint(10, 10), TPoint(0, 10)}, Red);
  EXPECT_EQ(At(b.get(), 5, 5).R, 255);
  TBufferPtr f = MakeBuffer(10, 10);
  f->DrawFrame(TRect(0, 0, 10, 10), Red, 1);
  EXPECT_EQ(At(f.get(), 0, 5).R, 255);
  EXPECT_EQ(At(f.get(), 5, 5).A, 0);
}

}  // namespace
