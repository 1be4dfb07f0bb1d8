#include <gtest/gtest.h>

#include "zcl/base/ZCL.Colors.h"

namespace {

TEST(ZclColors, ConvertsBetweenRgbAndHsl) {
  struct {
    TColor Color;
    Single H, S, L;
  } cases[] = {
      {0x0000FF, 0, 1, 0.5f},         // red
      {0x00FF00, 1.0f / 3, 1, 0.5f},  // green
      {0xFF0000, 2.0f / 3, 1, 0.5f},  // blue
      {0xFF00FF, 5.0f / 6, 1, 0.5f},  // magenta: a negative sector wraps
      {0x000000, 0, 0, 0},
      {0xFFFFFF, 0, 0, 1},
      {0x808080, 0, 0, 128 / 255.0f},
      {0x4080C0, 1.0f / 12, 128 / 254.0f, 256 / 510.0f},  // red C0, green 80, blue 40
      {0xE0E0FF, 0, 1, 479 / 510.0f},                     // light: the other saturation branch
      {0x202040, 0, 32 / 96.0f, 96 / 510.0f},
  };
  for (const auto& c : cases) {
    Single h = -1, s = -1, l = -1;
    TZCLColors::ColorToHSL(c.Color, h, s, l);
    EXPECT_NEAR(h, c.H, 0.002) << std::hex << c.Color;
    EXPECT_NEAR(s, c.S, 0.002) << std::hex << c.Color;
    EXPECT_NEAR(l, c.L, 0.002) << std::hex << c.Color;
  }
}

TEST(ZclColors, RoundTripsEveryChannelValue) {
  for (Integer v = 0; v < 256; v += 5)
    for (TColor color : {v, v << 8, v << 16, v | (255 - v) << 8 | (v / 2) << 16}) {
      Single h, s, l;
      TZCLColors::ColorToHSL(color, h, s, l);
      EXPECT_EQ(TZCLColors::HSLToColor(h, s, l), color) << std::hex << color;
    }
}

TEST(ZclColors, ResolvesSystemColours) {
  Single h1, s1, l1, h2, s2, l2;
  TZCLColors::ColorToHSL(clWindowText, h1, s1, l1);
  TZCLColors::ColorToHSL(ColorToRGB(clWindowText), h2, s2, l2);
  EXPECT_EQ(h1, h2);
  EXPECT_EQ(s1, s2);
  EXPECT_EQ(l1, l2);
}

}  // namespace
