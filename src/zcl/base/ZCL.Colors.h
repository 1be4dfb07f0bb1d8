#pragma once
// Colour conversions of the component library.

#include "rtl/RTL.Geometry.h"

class TZCLColors {
 public:
  TZCLColors() = delete;
  // H, S and L on 0..1 scales; system colours are resolved to RGB first. Grey gives H = S = 0.
  static void ColorToHSL(TColor Color, Single& H, Single& S, Single& L);
  // Hue, saturation and lightness on 0..1 scales (hue wraps); the RGB colour.
  static TColor HSLToColor(Single H, Single S, Single L);
};
