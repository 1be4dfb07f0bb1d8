#include <gtest/gtest.h>

#include "zcl/base/ZCL.Colors.h"

namespace {

TEST(ZclGraphicsColors, AlphaColorText) {
  EXPECT_EQ(TAlphaColorHelper::ToString(0x80FF0000), u"80FF0000");
  EXPECT_EQ(TAlphaColorHelper::ToString(claNone), u"None");
  EXPECT_EQ(TAlphaColorHelper::ToString(claDefault), u"Default");
  struct {
    const char16_t* Text;
    TAlphaColor Expected;
  } cases[] = {
      {u"FF0000", 0xFFFF0000}, {u"F", 0xFFF00000},          {u"1234567", 0x01234567},
      {u"", claDefault},       {u"80FF0000AB", 0x80FF0000}, {u"zz00ff00", 0x0000FF00},
  };
  for (const auto& c : cases) EXPECT_EQ(TAlphaColorHelper::FromString(c.Text), c.Expected);
  EXPECT_EQ(TAlphaColorHelper::ToARGB(claDefault), 0xFF010203u);
  EXPECT_EQ(TAlphaColorHelper::FromColor(clNone), claNone);
  EXPECT_EQ(TAlphaColorHelper::FromColor(clRed, 0x80), 0x80FF0000u);
  EXPECT_EQ(TAlphaColorHelper::ToColor(0x80FF0000), clRed);
}

TEST(ZclGraphicsColors, ColorText) {
  EXPECT_EQ(ColorToString(clNone), u"None");
  EXPECT_EQ(ColorToString(clRed), u"FF0000");
  EXPECT_EQ(StringToColor(u"#ff8000"), TColor(RGB(0xFF, 0x80, 0)));
  EXPECT_EQ(StringToColor(u"abc"), TColor(RGB(0x0a, 0xbc, 0)));
  EXPECT_EQ(StringToColor(u""), clBlack);
  EXPECT_EQ(StringToColor(u"None"), clNone);
  EXPECT_EQ(StringToColor(u"clRed"), clRed);
}

TEST(ZclGraphicsColors, HslBytes) {
  struct {
    Byte R, G, B, H, S, L;
  } cases[] = {
      {0, 0, 255, 170, 255, 128},
      {255, 0, 0, 0, 255, 128},
      {0, 255, 0, 85, 255, 128},
      {128, 128, 128, 0, 0, 128},
  };
  for (const auto& c : cases) {
    Byte h, s, l;
    TZCLColors::RGBToHSLBytes(c.R, c.G, c.B, h, s, l);
    EXPECT_EQ(h, c.H);
    EXPECT_EQ(s, c.S);
    EXPECT_EQ(l, c.L);
    Byte r, g, b;
    TZCLColors::HSLToRGBBytes(h, s, l, r, g, b);
    EXPECT_NEAR(r, c.R, 3);
    EXPECT_NEAR(g, c.G, 3);
    EXPECT_NEAR(b, c.B, 3);
  }
  Single h, s, v;
  TZCLColors::RGBToHSV(0, 0, 255, h, s, v);
  EXPECT_FLOAT_EQ(h, 240);
  EXPECT_EQ(TZCLColors::HSVToColor(240, 1, 1), clBlue);
}

TEST(ZclGraphicsColors, SchemaRecolouring) {
  EXPECT_FALSE(TZCLColorSchema::FromColor(0xFFFF0000).IsAssigned());  // red has hue 0
  const TZCLColorSchema blue = TZCLColorSchema::FromColor(0xFF0000FF);
  EXPECT_EQ(blue.Hue, 170);
  EXPECT_EQ(blue.Intensity, 100);
  TZCLPixel32 pixels[] = {{255, 0, 255, 10}, {0, 0, 200, 77}};
  TZCLColors::ApplyColorSchemaToPixels(pixels, 2, blue);
  EXPECT_EQ(pixels[0].R, 255);  // magenta key untouched
  EXPECT_EQ(pixels[0].A, 10);
  EXPECT_EQ(pixels[1].A, 77);  // alpha kept
  EXPECT_GT(pixels[1].B, pixels[1].R);
}

TEST(ZclGraphicsColors, PixelArithmetic) {
  TZCLPixel32 p{64, 64, 64, 128};
  TZCLColors::Unpremultiply(p);
  EXPECT_EQ(p.B, 128);
  TZCLPixel32 q{255, 255, 255, 128};
  TZCLColors::Premultiply(q);
  EXPECT_EQ(q.B, 128);
  TZCLPixel32 zero{9, 9, 9, 0};
  TZCLColors::Premultiply(zero);
  EXPECT_EQ(zero.B, 0);
  TZCLPixel32 gray{0, 0, 255, 255};
  TZCLColors::Grayscale(&gray, 1, false);
  EXPECT_EQ(gray.A, 128);
  TZCLPixel32 dest{0, 0, 0, 0};
  TZCLColors::AlphaBlendPixel(dest, {0, 0, 128, 128}, 255);
  EXPECT_EQ(dest.R, 128);
  EXPECT_EQ(dest.A, 128);
  TZCLPixel32 flip[] = {{1, 0, 0, 0}, {2, 0, 0, 0}, {3, 0, 0, 0}, {4, 0, 0, 0}};
  TZCLColors::Flip(flip, 2, 2, true, true);
  EXPECT_EQ(flip[0].B, 4);
  EXPECT_EQ(flip[3].B, 1);
}

}  // namespace
