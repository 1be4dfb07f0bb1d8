#include <gtest/gtest.h>

#include "rtl/RTL.Threads.h"
#include "zcl/graphics/ZCL.Graphics.Blend.h"

namespace {

void FillDib(TZCLDib& Dib, TZCLPixel32 P) {
  Dib.BeginAccess();
  std::fill(Dib.GetColors(), Dib.GetColors() + Dib.GetColorCount(), P);
  Dib.EndAccess();
}

TZCLPixel32 At(TZCLDib& Dib, Integer I = 0) {
  Dib.BeginAccess();
  return Dib.GetColors()[I];
}

TZCLPixel32 Gray(Byte V, Byte A = 255) { return {V, V, V, A}; }

TEST(ZclBlend, DifferentSizesAreRefused) {
  TZCLDib a(10, 10), b(10, 11);
  for (Integer mode : {bmMultiply, bmGrayscale}) EXPECT_THROW(BlendFunctions[mode](&a, &b, 255), EInvalidOperation);
  try {
    BlendFunctions[bmAddition](&a, &b, 255);
  } catch (const Exception& e) {
    EXPECT_EQ(e.GetMessage(), u"Cannot blend DIBs with different sizes");
  }
}

TEST(ZclBlend, TableModesOnOpaquePixels) {
  struct Case {
    TZCLBlendMode Mode;
    Byte S, D, Expected;
  };
  const Case cases[] = {
      {bmMultiply, 128, 200, 100}, {bmScreen, 0, 77, 78},     {bmOverlay, 255, 100, 199}, {bmOverlay, 100, 200, 189},
      {bmAddition, 200, 100, 255}, {bmSubstract, 100, 50, 0}, {bmSubstract, 50, 100, 50}, {bmDifference, 30, 100, 70},
      {bmDivide, 0, 255, 255},     {bmDivide, 127, 64, 128},  {bmLighten, 30, 100, 100},  {bmDarken, 30, 100, 30},
  };
  for (const Case& c : cases) {
    TZCLDib dest(3, 2), source(3, 2);
    FillDib(dest, Gray(c.D));
    FillDib(source, Gray(c.S));
    BlendFunctions[c.Mode](&dest, &source, 255);
    const TZCLPixel32 p = At(dest, 5);
    EXPECT_EQ(p.R, c.Expected) << int(c.Mode) << " s=" << int(c.S) << " d=" << int(c.D);
    EXPECT_EQ(p.A, 255);
  }
}

TEST(ZclBlend, TransparentSourceLeavesDestinationAndAlphaScales) {
  for (Integer mode = bmMultiply; mode <= bmDarken; ++mode) {
    TZCLDib dest(2, 2), source(2, 2);
    FillDib(dest, {10, 20, 30, 200});
    FillDib(source, {});
    BlendFunctions[mode](&dest, &source, 255);
    const TZCLPixel32 p = At(dest, 3);
    EXPECT_EQ(p.B, 10);
    EXPECT_EQ(p.A, 200);
  }
  // Half the constant alpha: halfway between the destination and the mode's result.
  TZCLDib dest(1, 1), source(1, 1);
  FillDib(dest, Gray(100));
  FillDib(source, Gray(200));
  BlendFunctions[bmAddition](&dest, &source, 128);
  EXPECT_NEAR(At(dest).R, 178, 1);
  // A half-transparent source over a transparent destination keeps its own colour and alpha.
  FillDib(dest, {});
  FillDib(source, Gray(64, 128));
  BlendFunctions[bmMultiply](&dest, &source, 255);
  EXPECT_NEAR(At(dest).R, 64, 1);
  EXPECT_EQ(At(dest).A, 128);
}

TEST(ZclBlend, GrayscaleUsesTheSourceAsMask) {
  TZCLDib dest(2, 1), source(2, 1);
  dest.BeginAccess();
  dest.GetColors()[0] = dest.GetColors()[1] = {0, 0, 255, 255};  // red
  source.BeginAccess();
  source.GetColors()[0] = Gray(255);
  source.GetColors()[1] = {};
  BlendFunctions[bmGrayscale](&dest, &source, 255);
  EXPECT_EQ(At(dest, 0).R, At(dest, 0).G);
  EXPECT_EQ(At(dest, 0).R, 76);
  EXPECT_EQ(At(dest, 1).R, 255);
  EXPECT_EQ(At(dest, 1).G, 0);
}

TEST(ZclBlend, LargePicturesSplitOverThreadsWithTheSameResult) {
  auto run = [](Integer W, Integer H) {
    TZCLDib dest(W, H), source(W, H);
    dest.BeginAccess();
    source.BeginAccess();
    for (Integer i = 0; i < W * H; ++i) {
      dest.GetColors()[i] = Gray(Byte(i * 7), 255);
      source.GetColors()[i] = Gray(Byte(i * 13 % 200), Byte(200 + i % 56));
    }
    BlendFunctions[bmScreen](&dest, &source, 255);
    const Integer chunks = TZCLSoftwareImplBlendMode::LastChunkCount();
    const TZCLPixel32 p = At(dest, W * H - 1);
    return std::make_pair(chunks, p.R);
  };
  const auto small = run(799, 800);
  const auto large = run(800, 800);
  EXPECT_EQ(small.first, 1);
  EXPECT_EQ(large.first, std::max(CPUCount(), 1));
  if (CPUCount() > 1) {
    EXPECT_GT(large.first, 1);
  }
  // Same pixel formula wherever a pixel lands.
  TZCLDib d(1, 1), s(1, 1);
  const Integer i = 800 * 800 - 1;
  FillDib(d, Gray(Byte(i * 7)));
  FillDib(s, Gray(Byte(i * 13 % 200), Byte(200 + i % 56)));
  BlendFunctions[bmScreen](&d, &s, 255);
  EXPECT_EQ(large.second, At(d).R);
}

TEST(ZclBlur, RadiusIsClampedAndZeroDoesNothing) {
  TZCLBlurFilter filter;
  EXPECT_EQ(filter.GetRadius(), 20);
  filter.SetRadius(100);
  EXPECT_EQ(filter.GetRadius(), 32);
  EXPECT_EQ(filter.GetCoreRadius(), 32);
  filter.SetRadius(-5);
  EXPECT_EQ(filter.GetRadius(), 0);
  TZCLDib dib(5, 5);
  dib.Reset();
  dib.BeginAccess();
  dib.GetColors()[12] = Gray(255);
  filter.Apply(&dib);
  EXPECT_EQ(At(dib, 12).A, 255);
  EXPECT_EQ(At(dib, 11).A, 0);
}

// Direct weighted sum with clamped edges, done separably like the filter.
std::vector<Integer> ReferenceBlur(const std::vector<Integer>& In, Integer W, Integer H, Integer R) {
  const Integer divisor = (R + 1) * (R + 1);
  std::vector<Integer> mid(In.size()), out(In.size());
  for (Integer y = 0; y < H; ++y)
    for (Integer x = 0; x < W; ++x) {
      Integer sum = 0;
      for (Integer i = -R; i <= R; ++i) sum += (R + 1 - std::abs(i)) * In[y * W + std::clamp(x + i, 0, W - 1)];
      mid[y * W + x] = sum / divisor;
    }
  for (Integer x = 0; x < W; ++x)
    for (Integer y = 0; y < H; ++y) {
      Integer sum = 0;
      for (Integer i = -R; i <= R; ++i) sum += (R + 1 - std::abs(i)) * mid[std::clamp(y + i, 0, H - 1) * W + x];
      out[y * W + x] = sum / divisor;
    }
  return out;
}

TEST(ZclBlur, StackBlurMatchesTheWeightedSum) {
  for (Integer r : {1, 2, 5}) {
    const Integer w = 9, h = 7;
    TZCLDib dib(w, h);
    std::vector<Integer> alpha(size_t(w * h));
    dib.BeginAccess();
    for (Integer i = 0; i < w * h; ++i) {
      alpha[size_t(i)] = (i * 37) % 256;
      dib.GetColors()[i] = Gray(Byte(alpha[size_t(i)] / 2), Byte(alpha[size_t(i)]));
    }
    TZCLBlurFilter filter;
    filter.SetRadius(r);
    filter.Apply(&dib);
    const auto expected = ReferenceBlur(alpha, w, h, r);
    dib.BeginAccess();
    for (Integer i = 0; i < w * h; ++i) ASSERT_EQ(dib.GetColors()[i].A, expected[size_t(i)]) << "r=" << r << " i=" << i;
  }
}

TEST(ZclDibEx, MaskCutsToTheFrame) {
  TZCLDibEx dib;
  EXPECT_TRUE(dib.UpdateSize(TRect(0, 0, 4, 3)));
  EXPECT_EQ(dib.GetFrameIndex(), -1);
  // Top row transparent, the rest opaque, with one half-transparent pixel at the end.
  auto draw = [&](TCanvas*, const TRect&) {
    dib.BeginAccess();
    for (Integer i = 0; i < 12; ++i) dib.GetColors()[i] = Gray(255, i < 4 ? 0 : 255);
    dib.GetColors()[11] = Gray(128, 128);
  };
  dib.PrepareMask(3, 1, draw);
  EXPECT_FALSE(dib.GetFrameIsUniform());
  EXPECT_EQ(dib.GetOpaqueRun(), TPoint(3, 10));
  FillDib(dib, Gray(200));
  dib.ApplyMask();
  EXPECT_EQ(At(dib, 0).A, 0);
  EXPECT_EQ(At(dib, 5).R, 200);
  EXPECT_EQ(At(dib, 11).A, 128);
  EXPECT_EQ(At(dib, 11).R, 100);
  // The same frame keeps its mask; a rectangle limits the pixels touched.
  bool drawn = false;
  dib.PrepareMask(3, 1, [&](TCanvas*, const TRect&) { drawn = true; });
  EXPECT_FALSE(drawn);
  FillDib(dib, Gray(200));
  const TRect r(0, 2, 4, 3);
  dib.ApplyMask(&r);
  EXPECT_EQ(At(dib, 0).R, 200);  // outside the rectangle
  EXPECT_EQ(At(dib, 11).A, 128);

  // Uniform frames: opaque leaves the pixels, transparent clears them.
  dib.PrepareMask(4, TZCLDibEx::StateOpaque, nullptr);
  EXPECT_TRUE(dib.GetFrameIsUniform());
  FillDib(dib, Gray(9));
  dib.ApplyMask();
  EXPECT_EQ(At(dib, 7).R, 9);
  dib.PrepareMask(5, TZCLDibEx::StateTransparent, nullptr);
  FillDib(dib, Gray(9));
  dib.ApplyMask();
  EXPECT_EQ(At(dib, 7).A, 0);
}

}  // namespace

#include "zcl/graphics/ZCL.Graphics.SkinImage.h"

namespace {

TEST(ZclDibEx, MaskFromASkinImageFrame) {
  // Left half opaque, right half transparent.
  TZCLDib picture(4, 2);
  picture.BeginAccess();
  for (Integer i = 0; i < 8; ++i) picture.GetColors()[i] = i % 4 < 2 ? TZCLPixel32{10, 20, 30, 255} : TZCLPixel32{};
  picture.EndAccess();
  TZCLSkinImage* image = Create<TZCLSkinImage>();
  image->LoadFromDib(&picture);
  TZCLDibEx dib;
  dib.UpdateSize(TRect(0, 0, 4, 2));
  dib.PrepareMask(image, 0);
  ASSERT_NE(dib.GetMask(), nullptr);
  EXPECT_EQ(dib.GetMask()[0], 255);
  EXPECT_EQ(dib.GetMask()[3], 0);
  FillDib(dib, Gray(90));
  dib.ApplyMask();
  EXPECT_EQ(At(dib, 1).R, 90);
  EXPECT_EQ(At(dib, 2).A, 0);
  Free(image);
}

}  // namespace

TEST(ZclDibEx, ResetMaskMakesTheNextPrepareDrawTheFrameAgain) {
  TZCLDibEx dib;
  dib.Resize(2, 2);
  Integer draws = 0;
  auto frame = [&](TCanvas*, const TRect&) { ++draws; };
  dib.PrepareMask(0, 1, frame);
  dib.PrepareMask(0, 1, frame);
  EXPECT_EQ(draws, 1);
  // After a resize the kept mask is too small for the pixels: it must be built again.
  dib.Resize(8, 8);
  dib.ResetMask();
  EXPECT_EQ(dib.GetFrameIndex(), -1);
  dib.PrepareMask(0, 1, frame);
  EXPECT_EQ(draws, 2);
  dib.ApplyMask();
}
