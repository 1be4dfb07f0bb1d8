#pragma once
// Colours of the component library: the alpha colour's helpers and text forms, the TColor text
// forms, colour-space conversions (HSL in bytes and floats, HSV), the colour schema with which
// skins and controls are recoloured, and the pixel operations on premultiplied BGRA arrays.

#include <vector>

#include "rtl/RTL.Geometry.h"
#include "rtl/RTL.Interfaces.h"

class TFont;

// One pixel: blue, green, red, alpha in memory; as a little-endian number 0xAARRGGBB.
struct TZCLPixel32 {
  Byte B, G, R, A;  // trivial, so that pixel arrays copy and clear as plain memory
};
static_assert(sizeof(TZCLPixel32) == 4, "TZCLPixel32 layout");
using TZCLPixel32DynArray = std::vector<TZCLPixel32>;

// The two special alpha colours: none draws nothing, default lets the user choose its own.
constexpr TAlphaColor claNone = 0;
constexpr TAlphaColor claDefault = 0x00010203;

// The theme colour: hue on a 255-unit circle, intensity in percent of saturation. Hue 0 means
// "not assigned": recolouring with it changes nothing.
struct TZCLColorSchema {
  Byte Hue = 0;
  Byte Intensity = 100;
  static TZCLColorSchema Create(Byte AHue, Byte AIntensity) { return {AHue, AIntensity}; }
  static TZCLColorSchema Default() { return {0, 100}; }
  static TZCLColorSchema FromColor(TAlphaColor Color);
  bool IsAssigned() const { return Hue != 0; }
  friend bool operator==(const TZCLColorSchema&, const TZCLColorSchema&) = default;
};

// Something that can be recoloured to a colour schema.
struct IZCLColorSchema : virtual IInterface {
  RTL_INTERFACE(IZCLColorSchema, IInterface, "{B3F0E6A1-4C2D-4E7B-8A19-3D5C7F0B2E41}")
  virtual void ApplyColorSchema(const TZCLColorSchema& Schema) = 0;
};

// Operations of the alpha colour (0xAARRGGBB, straight alpha).
struct TAlphaColorHelper {
  static constexpr TAlphaColor FromARGB(Byte A, Byte R, Byte G, Byte B) {
    return (TAlphaColor(A) << 24) | (TAlphaColor(R) << 16) | (TAlphaColor(G) << 8) | B;
  }
  // clDefault gives the default colour, clNone none; else the RGB of the colour with Alpha.
  static TAlphaColor FromColor(TColor Color, Byte Alpha = 255);
  // The RGB value (no system colour resolution) with Alpha in the top byte.
  static TAlphaColor FromColorRaw(TColor Color, Byte Alpha = 255);
  static TColor ToColor(TAlphaColor Color);
  static TZCLPixel32 ToPixel(TAlphaColor Color);
  static TAlphaColor FromPixel(TZCLPixel32 Pixel);
  // The default colour becomes 0xFF010203; others are unchanged.
  static TAlphaColor ToARGB(TAlphaColor Color) {
    return (Color & 0x00FFFFFF) | (TAlphaColor(GetComponent(Color, 3)) << 24);
  }
  // Index 0 blue .. 3 alpha; every component of the default colour reads 255.
  static Byte GetComponent(TAlphaColor Color, Integer Index) {
    return Color == claDefault ? 255 : static_cast<Byte>(Color >> (8 * Index));
  }
  static constexpr bool IsDefault(TAlphaColor Color) { return Color == claDefault; }
  static constexpr bool IsValid(TAlphaColor Color) { return Color != claNone && Color != claDefault; }
  static constexpr TAlphaColor OrDefault(TAlphaColor Color, TAlphaColor Fallback) {
    return Color == claDefault ? Fallback : Color;
  }
  // "None", "Default" or eight hexadecimal digits AARRGGBB.
  static String ToString(TAlphaColor Color);
  // Hexadecimal digits: fewer than 6 padded at the end, 6 get "FF" in front, 7 get "0"; empty
  // text is the default colour.
  static TAlphaColor FromString(StringView Text);
  static TAlphaColor ApplyColorSchema(TAlphaColor Color, const TZCLColorSchema& Schema);
};

TColor PixelToColor(TZCLPixel32 Pixel);
// "None", "Default" or RRGGBB.
String ColorToString(TColor Color);
// A colour name ("clRed", "Red", "None"), else hexadecimal digits RRGGBB (others ignored).
TColor StringToColor(StringView Text);

using TZCLByteTable = Byte[256][256];

class TZCLColors {
 public:
  TZCLColors() = delete;
  // [i][j] = MulDiv(i, j, 255); row and column 0 are 0.
  static const TZCLByteTable& PremultiplyTable();
  // [i][j] = MulDiv(min, 255, max): [v][a] is v * 255 / a for v <= a.
  static const TZCLByteTable& UnpremultiplyTable();

  // H, S and L on 0..1 scales; system colours are resolved to RGB first. Grey gives H = S = 0.
  static void ColorToHSL(TColor Color, Single& H, Single& S, Single& L);
  static void RGBToHSL(Byte R, Byte G, Byte B, Single& H, Single& S, Single& L);
  // Hue, saturation and lightness on 0..1 scales (hue wraps); the RGB colour.
  static TColor HSLToColor(Single H, Single S, Single L);
  static void HSLToRGB(Single H, Single S, Single L, Byte& R, Byte& G, Byte& B);
  // HSL in bytes: hue on a 255-unit circle.
  static void RGBToHSLBytes(Byte R, Byte G, Byte B, Byte& H, Byte& S, Byte& L);
  static void HSLToRGBBytes(Byte H, Byte S, Byte L, Byte& R, Byte& G, Byte& B);
  static void ColorToHSLBytes(TColor Color, Byte& H, Byte& S, Byte& L);
  static TColor HSLToColorBytes(Byte H, Byte S, Byte L);
  // Hue in degrees, S and V on 0..1.
  static void RGBToHSV(Byte R, Byte G, Byte B, Single& H, Single& S, Single& V);
  static void HSVToRGB(Single H, Single S, Single V, Byte& R, Byte& G, Byte& B);
  static TColor HSVToColor(Single H, Single S, Single V);
  static bool IsDark(TColor Color);

  // Recolouring keeps alpha, lightness and the magenta key colour.
  static void ApplyColorSchemaToPixel(TZCLPixel32& Pixel, const TZCLColorSchema& Schema);
  static void ApplyColorSchemaToPixels(TZCLPixel32* Pixels, size_t Count, const TZCLColorSchema& Schema);
  static void ApplyColorSchemaToColor(TColor& Color, const TZCLColorSchema& Schema);
  static void ApplyColorSchemaToAlphaColor(TAlphaColor& Color, const TZCLColorSchema& Schema);
  static void ApplyColorSchemaToFont(TFont* Font, const TZCLColorSchema& Schema);
  // Every non-magenta pixel takes the colour's hue and saturation at its own lightness.
  static void Colorize(TZCLPixel32* Pixels, size_t Count, TAlphaColor Color);

  // Pixel arrays (premultiplied unless said otherwise).
  static void Premultiply(TZCLPixel32* Pixels, size_t Count);
  static void Premultiply(TZCLPixel32& Pixel) { Premultiply(&Pixel, 1); }
  static void Unpremultiply(TZCLPixel32* Pixels, size_t Count);
  static void Unpremultiply(TZCLPixel32& Pixel) { Unpremultiply(&Pixel, 1); }
  static void MakeOpaque(TZCLPixel32* Pixels, size_t Count);
  // Pixels of the key's colour become 0, all others opaque.
  static void MakeTransparent(TZCLPixel32* Pixels, size_t Count, TZCLPixel32 Key);
  static void Flip(TZCLPixel32* Pixels, Integer Width, Integer Height, bool Horizontally, bool Vertically);
  static bool CompareRGB(TZCLPixel32 A, TZCLPixel32 B) { return A.B == B.B && A.G == B.G && A.R == B.R; }
  static bool IsKeyColor(TZCLPixel32 P) { return P.B == 255 && P.G == 0 && P.R == 255; }
  // A straight pixel made grey by luma.
  static void GrayscalePixel(TZCLPixel32& Pixel);
  // Grey at about half alpha (disabled look).
  static void Grayscale(TZCLPixel32* Pixels, size_t Count, bool IncludeKeyColor);
  static void AlphaBlendPixel(TZCLPixel32& Dest, TZCLPixel32 Source, Byte Alpha);
  // Blends the colour bytes towards the colour by its alpha; pixel alpha kept.
  static void Tint(TZCLPixel32* Pixels, size_t Count, TAlphaColor Color);
};
