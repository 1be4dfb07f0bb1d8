#include <gtest/gtest.h>

#include "TextTestFonts.h"
#include "zcl/graphics/ZCL.Graphics.Blend.h"
#include "zcl/graphics/ZCL.Graphics.Dib.h"
#include "zcl/graphics/ZCL.Graphics.Font.h"

namespace {

struct ChangeCounter {
  Integer Count = 0;
  void Changed(TObject*) { ++Count; }
};

TEST(ZclFontShadow, SettersClampAndNotify) {
  ChangeCounter counter;
  Integer& changes = counter.Count;
  TZCLFont font;
  font.OnChange = TNotifyEvent(&counter, &ChangeCounter::Changed);
  TZCLFontShadow* s = font.GetShadow();
  s->SetBlur(55);
  EXPECT_EQ(s->GetBlur(), 50);
  EXPECT_EQ(s->GetBlurRadius(), 5);
  s->SetBlur(11);
  EXPECT_EQ(s->GetBlurRadius(), 2);
  s->SetBlur(10);
  EXPECT_EQ(s->GetBlurRadius(), 1);
  s->SetSize(0);
  EXPECT_EQ(s->GetSize(), 1);
  s->SetSize(7);
  EXPECT_EQ(s->GetSize(), 3);
  EXPECT_EQ(changes, 4);  // SetSize(0) changed nothing
  s->SetSize(3);
  font.SetColorAlpha(255);
  EXPECT_EQ(changes, 4);
  font.SetColorAlpha(10);
  EXPECT_EQ(changes, 5);

  TZCLFont copy;
  copy.Assign(&font);
  EXPECT_EQ(copy.GetColorAlpha(), 10);
  EXPECT_TRUE(copy.GetShadow()->Equals(s));
  font.SetAlphaColor(0x80FF0000);
  EXPECT_EQ(font.GetColorAlpha(), 0x80);
  EXPECT_EQ(font.GetColor(), TColor(0x0000FF));
}

TEST(ZclFontShadow, VisibilityAndMargins) {
  TZCLFontShadow s;
  EXPECT_FALSE(s.IsVisible());
  EXPECT_EQ(s.GetShadowMargins(), TRect());
  s.SetColor(claDefault);
  EXPECT_FALSE(s.IsVisible());
  s.SetColor(0xFF000000);
  EXPECT_TRUE(s.IsVisible());
  struct Case {
    TZCLMarginPart Direction;
    Integer Size, Blur;
    TRect Margins;
  };
  const Case cases[] = {
      {mzRightBottom, 2, 15, TRect(2, 2, 6, 6)},
      {mzLeftTop, 1, 0, TRect(1, 1, 0, 0)},
      {mzTop, 3, 5, TRect(1, 7, 1, 1)},
      {mzClient, 1, 0, TRect(1, 1, 1, 1)},
  };
  for (const Case& c : cases) {
    s.SetDirection(c.Direction);
    s.SetSize(c.Size);
    s.SetBlur(c.Blur);
    EXPECT_EQ(s.GetShadowMargins(), c.Margins) << int(c.Direction);
  }
  EXPECT_EQ(s.ExpandByShadow(TSize(10, 5)), TSize(12, 7));
  EXPECT_EQ(s.ExpandByShadow(TSize(0, 5)), TSize(0, 5));
}

TEST(ZclText32, ColouringUsesGammaAndPremultiplies) {
  TZCLDib dib(3, 1);
  dib.BeginAccess();
  dib.GetColors()[0] = {255, 255, 255, 255};
  dib.GetColors()[1] = {1, 1, 1, 1};
  dib.GetColors()[2] = {0, 0, 0, 255};
  ColorizeTextImage(&dib, {0, 0, 255, 255});
  dib.BeginAccess();
  const TZCLPixel32* p = dib.GetColors();
  EXPECT_EQ(p[0].A, 254);
  EXPECT_EQ(p[0].R, 254);
  EXPECT_EQ(p[0].G, 0);
  EXPECT_EQ(p[1].A, 0);
  EXPECT_EQ(p[2].A, 0);
}

struct Coverage {
  Integer Sum = 0, MaxAlpha = 0, Pixels = 0;
  bool OnlyColor = true;
};

Coverage Measure(TZCLDib& Dib, TZCLPixel32 Straight) {
  Coverage c;
  Dib.BeginAccess();
  for (Integer i = 0; i < Dib.GetColorCount(); ++i) {
    TZCLPixel32 p = Dib.GetColors()[i];
    if (p.A == 0) continue;
    ++c.Pixels;
    c.Sum += p.A;
    c.MaxAlpha = std::max<Integer>(c.MaxAlpha, p.A);
    TZCLColors::Unpremultiply(p);
    if (std::abs(p.R - Straight.R) > 8 || std::abs(p.G - Straight.G) > 8 || std::abs(p.B - Straight.B) > 8)
      c.OnlyColor = false;
  }
  return c;
}

class ZclText32Draw : public testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_DEJAVU();
    Font.SetName(u"DejaVu Sans");
    Font.SetHeight(-16);
    Font.SetColor(clBlack);
  }
  Coverage Draw(const TZCLPixel32& Straight) {
    Dib.Resize(80, 30);
    Dib.Reset();
    DrawText32(Dib.GetCanvas(), Dib.ClientRect(), u"Hello", &Font, taLeftJustify, taAlignTop, false);
    return Measure(Dib, Straight);
  }
  TZCLFont Font;
  TZCLDib Dib;
};

TEST_F(ZclText32Draw, TextCarriesAlpha) {
  const Coverage full = Draw({0, 0, 0, 255});
  EXPECT_GT(full.Pixels, 40);
  EXPECT_TRUE(full.OnlyColor);
  EXPECT_GE(full.MaxAlpha, 250);
  Font.SetColorAlpha(128);
  const Coverage half = Draw({0, 0, 0, 255});
  EXPECT_LE(half.MaxAlpha, 128);
  EXPECT_NEAR(half.Sum, full.Sum / 2, full.Sum / 20);
  Font.SetColorAlpha(0);
  EXPECT_EQ(Draw({}).Pixels, 0);
}

TEST_F(ZclText32Draw, OnlyTheShadowWithTransparentTextAndBlurKeepsCoverage) {
  Font.SetColor(clWhite);
  const Coverage text = Draw({255, 255, 255, 255});
  Font.SetColorAlpha(0);
  Font.GetShadow()->SetColor(0xFFFF0000);
  Font.GetShadow()->SetDirection(mzRightBottom);
  const Coverage sharp = Draw({0, 0, 255, 255});
  EXPECT_TRUE(sharp.OnlyColor);  // red shadow only, no white text
  EXPECT_NEAR(sharp.Sum, text.Sum, text.Sum / 20);
  Font.GetShadow()->SetBlur(20);
  const Coverage blurred = Draw({0, 0, 255, 255});
  EXPECT_GT(blurred.Pixels, sharp.Pixels);
  EXPECT_LT(blurred.MaxAlpha, sharp.MaxAlpha);

  // Known text: white at the shadow's offset (margins 2 + one step), blurred with radius 2 and
  // coloured, matches what the drawing produced.
  TZCLDib shadow(80, 30);
  shadow.Reset();
  DrawText32Duplicated(shadow.GetCanvas(), shadow.ClientRect(), u"Hello", TPoint(0, 0), 0, &Font);
  TZCLDib expected(80, 30);
  expected.Reset();
  TCanvas* canvas = expected.GetCanvas();
  canvas->GetFont()->Assign(&Font);
  canvas->GetFont()->SetColor(clWhite);
  canvas->GetBrush()->SetStyle(TBrushStyle::bsClear);
  canvas->TextOut(3, 3, u"Hello");
  TZCLBlurFilter filter;
  filter.SetRadius(2);
  filter.Apply(&expected);
  ColorizeTextImage(&expected, {0, 0, 255, 255});
  expected.BeginAccess();
  shadow.BeginAccess();
  Integer off = 0;
  for (Integer i = 0; i < expected.GetColorCount(); ++i)
    if (std::abs(expected.GetColors()[i].A - shadow.GetColors()[i].A) > 2) ++off;
  EXPECT_EQ(off, 0);
  EXPECT_NEAR(Measure(shadow, {0, 0, 255, 255}).Sum, blurred.Sum, blurred.Sum / 50);
}

}  // namespace
