#include "zcl/base/ZCL.Colors.h"

#include <algorithm>
#include <cmath>

#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Strings.h"
#include "vcl/VCL.Graphics.h"

void TZCLColors::ColorToHSL(TColor Color, Single& H, Single& S, Single& L) {
  const auto rgb = static_cast<TColorRef>(ColorToRGB(Color));
  RGBToHSL(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb), H, S, L);
}

void TZCLColors::RGBToHSL(Byte R, Byte G, Byte B, Single& H, Single& S, Single& L) {
  const Integer r = R, g = G, b = B;
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
  Byte r, g, b;
  HSLToRGB(H, S, L, r, g, b);
  return r | (g << 8) | (b << 16);
}

void TZCLColors::HSLToRGB(Single H, Single S, Single L, Byte& R, Byte& G, Byte& B) {
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
  R = static_cast<Byte>(r);
  G = static_cast<Byte>(g);
  B = static_cast<Byte>(b);
}

// ---- lookup tables ----------------------------------------------------------------------------

namespace {
struct TColorTables {
  TZCLByteTable Premultiply{};
  TZCLByteTable Unpremultiply{};
  TColorTables() {
    for (Integer i = 1; i < 256; ++i)
      for (Integer j = i; j < 256; ++j) {
        Premultiply[i][j] = Premultiply[j][i] = static_cast<Byte>(MulDiv(i, j, 255));
        Unpremultiply[i][j] = Unpremultiply[j][i] = static_cast<Byte>(MulDiv(i, 255, j));
      }
  }
};

const TColorTables& Tables() {
  static const TColorTables tables;
  return tables;
}
}  // namespace

const TZCLByteTable& TZCLColors::PremultiplyTable() { return Tables().Premultiply; }
const TZCLByteTable& TZCLColors::UnpremultiplyTable() { return Tables().Unpremultiply; }

// ---- alpha colours and text forms -------------------------------------------------------------

TAlphaColor TAlphaColorHelper::FromColor(TColor Color, Byte Alpha) {
  if (Color == clDefault) return claDefault;
  if (Color == clNone) return claNone;
  return FromColorRaw(ColorToRGB(Color), Alpha);
}

TAlphaColor TAlphaColorHelper::FromColorRaw(TColor Color, Byte Alpha) {
  const auto rgb = static_cast<TColorRef>(Color);
  return FromARGB(Alpha, GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

TColor TAlphaColorHelper::ToColor(TAlphaColor Color) {
  if (Color == claDefault) return clDefault;
  if (Color == claNone) return clNone;
  return static_cast<TColor>(
      RGB(static_cast<Byte>(Color >> 16), static_cast<Byte>(Color >> 8), static_cast<Byte>(Color)));
}

TZCLPixel32 TAlphaColorHelper::ToPixel(TAlphaColor Color) {
  return {static_cast<Byte>(Color), static_cast<Byte>(Color >> 8), static_cast<Byte>(Color >> 16),
          static_cast<Byte>(Color >> 24)};
}

TAlphaColor TAlphaColorHelper::FromPixel(TZCLPixel32 Pixel) { return FromARGB(Pixel.A, Pixel.R, Pixel.G, Pixel.B); }

String TAlphaColorHelper::ToString(TAlphaColor Color) {
  if (Color == claNone) return u"None";
  if (Color == claDefault) return u"Default";
  return IntToHex(static_cast<unsigned>(Color), 8);
}

namespace {
Integer HexDigit(Char C) {
  if (C >= u'0' && C <= u'9') return C - u'0';
  if (C >= u'a' && C <= u'f') return C - u'a' + 10;
  if (C >= u'A' && C <= u'F') return C - u'A' + 10;
  return -1;
}

// A pair of hexadecimal digits, 0 when either is not one.
Byte HexPair(const String& Text, size_t At) {
  const Integer hi = HexDigit(Text[At]), lo = HexDigit(Text[At + 1]);
  return hi < 0 || lo < 0 ? 0 : static_cast<Byte>(hi * 16 + lo);
}
}  // namespace

TAlphaColor TAlphaColorHelper::FromString(StringView Text) {
  if (Text.empty()) return claDefault;
  String s(Text.substr(0, 8));
  if (s.size() < 6) s.append(6 - s.size(), u'0');
  if (s.size() == 6) s = u"FF" + s;
  if (s.size() == 7) s = u"0" + s;
  return FromARGB(HexPair(s, 0), HexPair(s, 2), HexPair(s, 4), HexPair(s, 6));
}

TAlphaColor TAlphaColorHelper::ApplyColorSchema(TAlphaColor Color, const TZCLColorSchema& Schema) {
  TZCLColors::ApplyColorSchemaToAlphaColor(Color, Schema);
  return Color;
}

TColor PixelToColor(TZCLPixel32 Pixel) { return static_cast<TColor>(RGB(Pixel.R, Pixel.G, Pixel.B)); }

String ColorToString(TColor Color) {
  if (Color == clNone) return u"None";
  if (Color == clDefault) return u"Default";
  const auto rgb = static_cast<TColorRef>(Color);
  return IntToHex(static_cast<unsigned>((GetRValue(rgb) << 16) | (GetGValue(rgb) << 8) | GetBValue(rgb)), 6);
}


TColor StringToColor(StringView Text) {
  TColor result = clNone;
  if (IdentToColor(Text, result)) return result;
  if (IdentToColor(u"cl" + String(Text), result)) return result;
  String digits;
  for (Char c : Text) {
    if (c >= u'A' && c <= u'Z') c = static_cast<Char>(c + 32);
    if ((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f')) digits += c;
  }
  if (digits.size() % 2 == 1) digits.insert(digits.begin(), u'0');
  if (digits.size() < 6) digits.append(6 - digits.size(), u'0');
  return static_cast<TColor>(RGB(HexPair(digits, 0), HexPair(digits, 2), HexPair(digits, 4)));
}

// ---- colour spaces ----------------------------------------------------------------------------

void TZCLColors::RGBToHSLBytes(Byte R, Byte G, Byte B, Byte& H, Byte& S, Byte& L) {
  const Integer r = R, g = G, b = B;
  const Integer max = std::max({r, g, b}), min = std::min({r, g, b});
  L = static_cast<Byte>(MulDiv(255, max + min, 510));
  if (max == min) {
    H = 0;
    S = 0;
    return;
  }
  const Integer d = max - min;
  S = static_cast<Byte>(L >= 128 ? MulDiv(255, d, 510 - max - min) : MulDiv(255, d, max + min));
  Integer h;
  if (r == max)
    h = MulDiv(255, g - b, d);
  else if (g == max)
    h = MulDiv(255, b - r, d) + 510;
  else
    h = MulDiv(255, r - g, d) + 1020;
  h /= 6;
  if (h < 0) h += 255;
  H = static_cast<Byte>(h);
}

void TZCLColors::HSLToRGBBytes(Byte H, Byte S, Byte L, Byte& R, Byte& G, Byte& B) {
  if (S == 0) {
    R = G = B = L;
    return;
  }
  const Integer l = L, s = S;
  const Integer m2 = l > 128 ? s + l - PremultiplyTable()[l][s] : (s + 255) * l / 255;
  const Integer m1 = 2 * l - m2;
  auto hue = [&](Integer h) -> Byte {
    if (h < 0)
      h += 255;
    else if (h > 255)
      h -= 255;
    Integer v;
    if (h < 42)
      v = m1 + (m2 - m1) * h / 42;
    else if (h < 127)
      v = m2;
    else if (h < 170)
      v = m1 + (m2 - m1) * (1020 - 6 * h) / 255;
    else
      v = m1;
    return static_cast<Byte>(std::clamp(v, 0, 255));
  };
  R = hue(H + 85);
  G = hue(H);
  B = hue(H - 85);
}

void TZCLColors::ColorToHSLBytes(TColor Color, Byte& H, Byte& S, Byte& L) {
  const auto rgb = static_cast<TColorRef>(ColorToRGB(Color));
  RGBToHSLBytes(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb), H, S, L);
}

TColor TZCLColors::HSLToColorBytes(Byte H, Byte S, Byte L) {
  Byte r, g, b;
  HSLToRGBBytes(H, S, L, r, g, b);
  return static_cast<TColor>(RGB(r, g, b));
}

void TZCLColors::RGBToHSV(Byte R, Byte G, Byte B, Single& H, Single& S, Single& V) {
  const Integer r = R, g = G, b = B;
  const Integer max = std::max({r, g, b}), min = std::min({r, g, b});
  V = max / 255.0f;
  S = V != 0 ? 1.0f - static_cast<Single>(min) / max : 0.0f;
  const double d = max - min;
  double h;
  if (max == min)
    h = 0;
  else if (r == max)
    h = 60 * (g - b) / d;
  else if (g == max)
    h = 60 * (b - r) / d + 120;
  else
    h = 60 * (r - g) / d + 240;
  if (h < 0) h += 360;
  H = static_cast<Single>(h);
}

void TZCLColors::HSVToRGB(Single H, Single S, Single V, Byte& R, Byte& G, Byte& B) {
  const Integer i = static_cast<Integer>(std::trunc(H / 60)) % 6;
  const double f = H / 60.0 - std::trunc(H / 60);
  const double v = V * 255.0, p = v * (1 - S), q = v * (1 - f * S), t = v * (1 - (1 - f) * S);
  double r, g, b;
  switch (i < 0 ? i + 6 : i) {
    case 0:
      r = v, g = t, b = p;
      break;
    case 1:
      r = q, g = v, b = p;
      break;
    case 2:
      r = p, g = v, b = t;
      break;
    case 3:
      r = p, g = q, b = v;
      break;
    case 4:
      r = t, g = p, b = v;
      break;
    default:
      r = v, g = p, b = q;
      break;
  }
  auto toByte = [](double x) { return static_cast<Byte>(std::clamp<long>(std::lround(x), 0, 255)); };
  R = toByte(r);
  G = toByte(g);
  B = toByte(b);
}

TColor TZCLColors::HSVToColor(Single H, Single S, Single V) {
  Byte r, g, b;
  HSVToRGB(H, S, V, r, g, b);
  return static_cast<TColor>(RGB(r, g, b));
}

bool TZCLColors::IsDark(TColor Color) {
  Single h, s, l;
  ColorToHSL(Color, h, s, l);
  return l < 0.45f;
}

// ---- colour schema ----------------------------------------------------------------------------

TZCLColorSchema TZCLColorSchema::FromColor(TAlphaColor Color) {
  if (!TAlphaColorHelper::IsValid(Color)) return Default();
  Byte h, s, l;
  TZCLColors::RGBToHSLBytes(static_cast<Byte>(Color >> 16), static_cast<Byte>(Color >> 8), static_cast<Byte>(Color), h,
                            s, l);
  return {h, static_cast<Byte>(MulDiv(100, s, 255))};
}

void TZCLColors::ApplyColorSchemaToPixel(TZCLPixel32& Pixel, const TZCLColorSchema& Schema) {
  ApplyColorSchemaToPixels(&Pixel, 1, Schema);
}

void TZCLColors::ApplyColorSchemaToPixels(TZCLPixel32* Pixels, size_t Count, const TZCLColorSchema& Schema) {
  if (!Schema.IsAssigned()) return;
  for (size_t i = 0; i < Count; ++i) {
    TZCLPixel32& p = Pixels[i];
    if (IsKeyColor(p)) continue;
    Byte h, s, l;
    RGBToHSLBytes(p.R, p.G, p.B, h, s, l);
    s = static_cast<Byte>(MulDiv(s, Schema.Intensity, 100));
    HSLToRGBBytes(Schema.Hue, s, l, p.R, p.G, p.B);
  }
}

void TZCLColors::ApplyColorSchemaToColor(TColor& Color, const TZCLColorSchema& Schema) {
  if (!Schema.IsAssigned()) return;
  const auto rgb = static_cast<TColorRef>(ColorToRGB(Color));
  TZCLPixel32 p{GetBValue(rgb), GetGValue(rgb), GetRValue(rgb), 255};
  ApplyColorSchemaToPixel(p, Schema);
  Color = PixelToColor(p);
}

void TZCLColors::ApplyColorSchemaToAlphaColor(TAlphaColor& Color, const TZCLColorSchema& Schema) {
  if (!TAlphaColorHelper::IsValid(Color) || !Schema.IsAssigned()) return;
  TZCLPixel32 p = TAlphaColorHelper::ToPixel(TAlphaColorHelper::ToARGB(Color));
  ApplyColorSchemaToPixel(p, Schema);
  Color = TAlphaColorHelper::FromPixel(p);
}

void TZCLColors::Colorize(TZCLPixel32* Pixels, size_t Count, TAlphaColor Color) {
  Byte h, s, l;
  RGBToHSLBytes(static_cast<Byte>(Color >> 16), static_cast<Byte>(Color >> 8), static_cast<Byte>(Color), h, s, l);
  for (size_t i = 0; i < Count; ++i) {
    TZCLPixel32& p = Pixels[i];
    if (IsKeyColor(p)) continue;
    const Integer max = std::max({p.R, p.G, p.B}), min = std::min({p.R, p.G, p.B});
    HSLToRGBBytes(h, s, static_cast<Byte>(MulDiv(255, max + min, 510)), p.R, p.G, p.B);
  }
}

// ---- pixel operations -------------------------------------------------------------------------

void TZCLColors::Premultiply(TZCLPixel32* Pixels, size_t Count) {
  const TZCLByteTable& t = PremultiplyTable();
  for (size_t i = 0; i < Count; ++i) {
    TZCLPixel32& p = Pixels[i];
    if (p.A == 255) continue;
    if (p.A == 0) {
      p = {};
      continue;
    }
    p.B = t[p.B][p.A];
    p.G = t[p.G][p.A];
    p.R = t[p.R][p.A];
  }
}

void TZCLColors::Unpremultiply(TZCLPixel32* Pixels, size_t Count) {
  const TZCLByteTable& t = UnpremultiplyTable();
  for (size_t i = 0; i < Count; ++i) {
    TZCLPixel32& p = Pixels[i];
    if (p.A == 0 || p.A == 255) continue;
    p.B = t[p.B][p.A];
    p.G = t[p.G][p.A];
    p.R = t[p.R][p.A];
  }
}

void TZCLColors::MakeOpaque(TZCLPixel32* Pixels, size_t Count) {
  for (size_t i = 0; i < Count; ++i) Pixels[i].A = 255;
}

void TZCLColors::MakeTransparent(TZCLPixel32* Pixels, size_t Count, TZCLPixel32 Key) {
  for (size_t i = 0; i < Count; ++i) {
    if (CompareRGB(Pixels[i], Key))
      Pixels[i] = {};
    else
      Pixels[i].A = 255;
  }
}

void TZCLColors::Flip(TZCLPixel32* Pixels, Integer Width, Integer Height, bool Horizontally, bool Vertically) {
  if (Pixels == nullptr || Width <= 0 || Height <= 0) return;
  if (Vertically)
    for (Integer top = 0, bottom = Height - 1; top < bottom; ++top, --bottom)
      std::swap_ranges(Pixels + size_t(top) * Width, Pixels + size_t(top + 1) * Width, Pixels + size_t(bottom) * Width);
  if (Horizontally)
    for (Integer y = 0; y < Height; ++y) std::reverse(Pixels + size_t(y) * Width, Pixels + size_t(y + 1) * Width);
}

void TZCLColors::GrayscalePixel(TZCLPixel32& Pixel) {
  const TZCLByteTable& t = PremultiplyTable();
  const Byte gray = static_cast<Byte>(t[Pixel.R][76] + t[Pixel.G][150] + t[Pixel.B][29]);
  Pixel.B = Pixel.G = Pixel.R = gray;
}

void TZCLColors::Grayscale(TZCLPixel32* Pixels, size_t Count, bool IncludeKeyColor) {
  const TZCLByteTable& t = PremultiplyTable();
  for (size_t i = 0; i < Count; ++i) {
    TZCLPixel32& p = Pixels[i];
    if (p.A == 0 || (!IncludeKeyColor && IsKeyColor(p))) continue;
    Unpremultiply(p);
    const Byte alpha = t[p.A][128];
    const Byte gray = static_cast<Byte>(t[p.R][77] + t[p.G][150] + t[p.B][28]);
    p.A = alpha;
    p.B = p.G = p.R = t[gray][alpha];
  }
}

void TZCLColors::AlphaBlendPixel(TZCLPixel32& Dest, TZCLPixel32 Source, Byte Alpha) {
  if (Source.A == 255 && Alpha == 255) {
    Dest = Source;
    return;
  }
  const TZCLByteTable& t = PremultiplyTable();
  const Byte sa = t[Source.A][Alpha];
  const Byte inv = static_cast<Byte>(255 - sa);
  Dest.B = static_cast<Byte>(t[Dest.B][inv] + t[Source.B][Alpha]);
  Dest.G = static_cast<Byte>(t[Dest.G][inv] + t[Source.G][Alpha]);
  Dest.R = static_cast<Byte>(t[Dest.R][inv] + t[Source.R][Alpha]);
  Dest.A = static_cast<Byte>(t[Dest.A][inv] + sa);
}

void TZCLColors::Tint(TZCLPixel32* Pixels, size_t Count, TAlphaColor Color) {
  const TZCLPixel32 c = TAlphaColorHelper::ToPixel(Color);
  if (c.A == 0) return;
  const TZCLByteTable& t = PremultiplyTable();
  const Byte inv = static_cast<Byte>(255 - c.A);
  for (size_t i = 0; i < Count; ++i) {
    TZCLPixel32& p = Pixels[i];
    if (c.A == 255) {
      p.B = c.B, p.G = c.G, p.R = c.R;
    } else {
      p.B = static_cast<Byte>(t[p.B][inv] + t[c.B][c.A]);
      p.G = static_cast<Byte>(t[p.G][inv] + t[c.G][c.A]);
      p.R = static_cast<Byte>(t[p.R][inv] + t[c.R][c.A]);
    }
  }
}

void TZCLColors::ApplyColorSchemaToFont(TFont* Font, const TZCLColorSchema& Schema) {
  if (Font == nullptr || !Schema.IsAssigned()) return;
  TColor color = Font->GetColor();
  ApplyColorSchemaToColor(color, Schema);
  Font->SetColor(color);
}
