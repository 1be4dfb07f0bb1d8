#include "zcl/base/ZCL.Colors.h"

#include <algorithm>
#include <cmath>

void TZCLColors::ColorToHSL(TColor Color, Single& H, Single& S, Single& L) {
  const auto rgb = static_cast<TColorRef>(ColorToRGB(Color));
  const Integer r = GetRValue(rgb), g = GetGValue(rgb), b = GetBValue(rgb);
  const Integer max = std::max({r, g, b}), min = std::min({r, g, b});
  L = static_cast<Single>((max + min) / 510.0);
  if (max == min) {
    H = 0;
    S = 0;
    return;
  }
  const double delta = max - min;
  S = static_cast<Single>(L < 0.5f ? delta / (max + min) : delta / (510 - max - min));
  double h;
  if (max == r)
    h = (g - b) / delta;
  else if (max == g)
    h = 2 + (b - r) / delta;
  else
    h = 4 + (r - g) / delta;
  h /= 6;
  if (h < 0) h += 1;
  H = static_cast<Single>(h);
}

namespace {
double HueToChannel(double P, double Q, double T) {
  if (T < 0) T += 1;
  if (T > 1) T -= 1;
  if (T < 1.0 / 6) return P + (Q - P) * 6 * T;
  if (T < 0.5) return Q;
  if (T < 2.0 / 3) return P + (Q - P) * (2.0 / 3 - T) * 6;
  return P;
}

Integer ToByte(double Value) { return static_cast<Integer>(std::lround(std::clamp(Value, 0.0, 1.0) * 255)); }
}  // namespace

TColor TZCLColors::HSLToColor(Single H, Single S, Single L) {
  const double h = H - std::floor(H), s = std::clamp<double>(S, 0, 1), l = std::clamp<double>(L, 0, 1);
  Integer r, g, b;
  if (s == 0) {
    r = g = b = ToByte(l);
  } else {
    const double q = l < 0.5 ? l * (1 + s) : l + s - l * s;
    const double p = 2 * l - q;
    r = ToByte(HueToChannel(p, q, h + 1.0 / 3));
    g = ToByte(HueToChannel(p, q, h));
    b = ToByte(HueToChannel(p, q, h - 1.0 / 3));
  }
  return r | (g << 8) | (b << 16);
}
