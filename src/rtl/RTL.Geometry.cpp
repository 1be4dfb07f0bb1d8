#include "rtl/RTL.Geometry.h"

#include <algorithm>

#include "rtl/RTL.Strings.h"

bool IntersectRect(TRect& Dest, const TRect& A, const TRect& B) {
  TRect r(std::max(A.Left, B.Left), std::max(A.Top, B.Top), std::min(A.Right, B.Right), std::min(A.Bottom, B.Bottom));
  if (r.IsEmpty()) {
    Dest = TRect();
    return false;
  }
  Dest = r;
  return true;
}

bool UnionRect(TRect& Dest, const TRect& A, const TRect& B) {
  if (A.IsEmpty()) {
    Dest = B.IsEmpty() ? TRect() : B;
    return !B.IsEmpty();
  }
  if (B.IsEmpty()) {
    Dest = A;
    return true;
  }
  Dest =
      TRect(std::min(A.Left, B.Left), std::min(A.Top, B.Top), std::max(A.Right, B.Right), std::max(A.Bottom, B.Bottom));
  return true;
}

TRect IntersectRect(const TRect& A, const TRect& B) {
  TRect r;
  IntersectRect(r, A, B);
  return r;
}

TRect UnionRect(const TRect& A, const TRect& B) {
  TRect r;
  UnionRect(r, A, B);
  return r;
}

namespace {
// The light theme's system colours, by index.
constexpr TColorRef DefaultSysColors[SysColorCount] = {
    RGB(200, 200, 200),  // scroll bar
    RGB(0, 0, 0),        // background
    RGB(153, 180, 209),  // active caption
    RGB(191, 205, 219),  // inactive caption
    RGB(240, 240, 240),  // menu
    RGB(255, 255, 255),  // window
    RGB(100, 100, 100),  // window frame
    RGB(0, 0, 0),        // menu text
    RGB(0, 0, 0),        // window text
    RGB(0, 0, 0),        // caption text
    RGB(180, 180, 180),  // active border
    RGB(244, 247, 252),  // inactive border
    RGB(171, 171, 171),  // app workspace
    RGB(0, 120, 215),    // highlight
    RGB(255, 255, 255),  // highlight text
    RGB(240, 240, 240),  // button face
    RGB(160, 160, 160),  // button shadow
    RGB(109, 109, 109),  // gray text
    RGB(0, 0, 0),        // button text
    RGB(0, 0, 0),        // inactive caption text
    RGB(255, 255, 255),  // button highlight
    RGB(105, 105, 105),  // 3D dark shadow
    RGB(227, 227, 227),  // 3D light
    RGB(0, 0, 0),        // info text
    RGB(255, 255, 225),  // info background
    RGB(0, 0, 0),        // (unused)
    RGB(0, 102, 204),    // hot light
    RGB(185, 209, 234),  // gradient active caption
    RGB(215, 228, 242),  // gradient inactive caption
    RGB(0, 120, 215),    // menu highlight
    RGB(240, 240, 240),  // menu bar
};

// Constant-initialised: usable before any unit initialisation runs.
TColorRef GSysColors[SysColorCount] = {
    DefaultSysColors[0],  DefaultSysColors[1],  DefaultSysColors[2],  DefaultSysColors[3],  DefaultSysColors[4],
    DefaultSysColors[5],  DefaultSysColors[6],  DefaultSysColors[7],  DefaultSysColors[8],  DefaultSysColors[9],
    DefaultSysColors[10], DefaultSysColors[11], DefaultSysColors[12], DefaultSysColors[13], DefaultSysColors[14],
    DefaultSysColors[15], DefaultSysColors[16], DefaultSysColors[17], DefaultSysColors[18], DefaultSysColors[19],
    DefaultSysColors[20], DefaultSysColors[21], DefaultSysColors[22], DefaultSysColors[23], DefaultSysColors[24],
    DefaultSysColors[25], DefaultSysColors[26], DefaultSysColors[27], DefaultSysColors[28], DefaultSysColors[29],
    DefaultSysColors[30],
};
}  // namespace

TColorRef GetSysColorValue(Integer Index) {
  if (Index < 0 || Index >= SysColorCount) return 0;
  return GSysColors[Index];
}

void SetSysColorValue(Integer Index, TColorRef Value) {
  if (Index < 0 || Index >= SysColorCount) return;
  GSysColors[Index] = Value & 0x00FFFFFFu;
}

void ResetSysColorValues() { std::copy(std::begin(DefaultSysColors), std::end(DefaultSysColors), GSysColors); }

TColor ColorToRGB(TColor Color) {
  if (IsSystemColor(Color)) return static_cast<TColor>(GetSysColorValue(Color & 0xFF));
  return Color;
}

// ---- colour names ------------------------------------------------------------------------------

namespace {
template <class T>
struct TNamedColor {
  const Char* Name;
  T Color;
};

const TNamedColor<TColor> kColorNames[] = {
    {u"clBlack", clBlack},
    {u"clMaroon", clMaroon},
    {u"clGreen", clGreen},
    {u"clOlive", clOlive},
    {u"clNavy", clNavy},
    {u"clPurple", clPurple},
    {u"clTeal", clTeal},
    {u"clGray", clGray},
    {u"clSilver", clSilver},
    {u"clRed", clRed},
    {u"clLime", clLime},
    {u"clYellow", clYellow},
    {u"clBlue", clBlue},
    {u"clFuchsia", clFuchsia},
    {u"clAqua", clAqua},
    {u"clWhite", clWhite},
    {u"clMoneyGreen", clMoneyGreen},
    {u"clSkyBlue", clSkyBlue},
    {u"clCream", clCream},
    {u"clMedGray", clMedGray},
    {u"clNone", clNone},
    {u"clDefault", clDefault},
    {u"clScrollBar", clScrollBar},
    {u"clBackground", clBackground},
    {u"clActiveCaption", clActiveCaption},
    {u"clInactiveCaption", clInactiveCaption},
    {u"clMenu", clMenu},
    {u"clWindow", clWindow},
    {u"clWindowFrame", clWindowFrame},
    {u"clMenuText", clMenuText},
    {u"clWindowText", clWindowText},
    {u"clCaptionText", clCaptionText},
    {u"clActiveBorder", clActiveBorder},
    {u"clInactiveBorder", clInactiveBorder},
    {u"clAppWorkSpace", clAppWorkSpace},
    {u"clHighlight", clHighlight},
    {u"clHighlightText", clHighlightText},
    {u"clBtnFace", clBtnFace},
    {u"clBtnShadow", clBtnShadow},
    {u"clGrayText", clGrayText},
    {u"clBtnText", clBtnText},
    {u"clInactiveCaptionText", clInactiveCaptionText},
    {u"clBtnHighlight", clBtnHighlight},
    {u"cl3DDkShadow", cl3DDkShadow},
    {u"cl3DLight", cl3DLight},
    {u"clInfoText", clInfoText},
    {u"clInfoBk", clInfoBk},
    {u"clHotLight", clHotLight},
    {u"clGradientActiveCaption", clGradientActiveCaption},
    {u"clGradientInactiveCaption", clGradientInactiveCaption},
    {u"clMenuHighlight", clMenuHighlight},
    {u"clMenuBar", clMenuBar},
};

// Where two names share a value, the first one is written.
const TNamedColor<TAlphaColor> kAlphaColorNames[] = {
    {u"claNull", 0x00000000},
    {u"claAliceblue", 0xFFF0F8FF},
    {u"claAntiquewhite", 0xFFFAEBD7},
    {u"claAqua", 0xFF00FFFF},
    {u"claAquamarine", 0xFF7FFFD4},
    {u"claAzure", 0xFFF0FFFF},
    {u"claBeige", 0xFFF5F5DC},
    {u"claBisque", 0xFFFFE4C4},
    {u"claBlack", 0xFF000000},
    {u"claBlanchedalmond", 0xFFFFEBCD},
    {u"claBlue", 0xFF0000FF},
    {u"claBlueviolet", 0xFF8A2BE2},
    {u"claBrown", 0xFFA52A2A},
    {u"claBurlywood", 0xFFDEB887},
    {u"claCadetblue", 0xFF5F9EA0},
    {u"claChartreuse", 0xFF7FFF00},
    {u"claChocolate", 0xFFD2691E},
    {u"claCoral", 0xFFFF7F50},
    {u"claCornflowerblue", 0xFF6495ED},
    {u"claCornsilk", 0xFFFFF8DC},
    {u"claCrimson", 0xFFDC143C},
    {u"claCyan", 0xFF00FFFF},
    {u"claDarkblue", 0xFF00008B},
    {u"claDarkcyan", 0xFF008B8B},
    {u"claDarkgoldenrod", 0xFFB8860B},
    {u"claDarkgray", 0xFFA9A9A9},
    {u"claDarkgreen", 0xFF006400},
    {u"claDarkgrey", 0xFFA9A9A9},
    {u"claDarkkhaki", 0xFFBDB76B},
    {u"claDarkmagenta", 0xFF8B008B},
    {u"claDarkolivegreen", 0xFF556B2F},
    {u"claDarkorange", 0xFFFF8C00},
    {u"claDarkorchid", 0xFF9932CC},
    {u"claDarkred", 0xFF8B0000},
    {u"claDarksalmon", 0xFFE9967A},
    {u"claDarkseagreen", 0xFF8FBC8F},
    {u"claDarkslateblue", 0xFF483D8B},
    {u"claDarkslategray", 0xFF2F4F4F},
    {u"claDarkslategrey", 0xFF2F4F4F},
    {u"claDarkturquoise", 0xFF00CED1},
    {u"claDarkviolet", 0xFF9400D3},
    {u"claDeeppink", 0xFFFF1493},
    {u"claDeepskyblue", 0xFF00BFFF},
    {u"claDimgray", 0xFF696969},
    {u"claDimgrey", 0xFF696969},
    {u"claDodgerblue", 0xFF1E90FF},
    {u"claFirebrick", 0xFFB22222},
    {u"claFloralwhite", 0xFFFFFAF0},
    {u"claForestgreen", 0xFF228B22},
    {u"claFuchsia", 0xFFFF00FF},
    {u"claGainsboro", 0xFFDCDCDC},
    {u"claGhostwhite", 0xFFF8F8FF},
    {u"claGold", 0xFFFFD700},
    {u"claGoldenrod", 0xFFDAA520},
    {u"claGray", 0xFF808080},
    {u"claGreen", 0xFF008000},
    {u"claGreenyellow", 0xFFADFF2F},
    {u"claGrey", 0xFF808080},
    {u"claHoneydew", 0xFFF0FFF0},
    {u"claHotpink", 0xFFFF69B4},
    {u"claIndianred", 0xFFCD5C5C},
    {u"claIndigo", 0xFF4B0082},
    {u"claIvory", 0xFFFFFFF0},
    {u"claKhaki", 0xFFF0E68C},
    {u"claLavender", 0xFFE6E6FA},
    {u"claLavenderblush", 0xFFFFF0F5},
    {u"claLawngreen", 0xFF7CFC00},
    {u"claLemonchiffon", 0xFFFFFACD},
    {u"claLightblue", 0xFFADD8E6},
    {u"claLightcoral", 0xFFF08080},
    {u"claLightcyan", 0xFFE0FFFF},
    {u"claLightgoldenrodyellow", 0xFFFAFAD2},
    {u"claLightgray", 0xFFD3D3D3},
    {u"claLightgreen", 0xFF90EE90},
    {u"claLightgrey", 0xFFD3D3D3},
    {u"claLightpink", 0xFFFFB6C1},
    {u"claLightsalmon", 0xFFFFA07A},
    {u"claLightseagreen", 0xFF20B2AA},
    {u"claLightskyblue", 0xFF87CEFA},
    {u"claLightslategray", 0xFF778899},
    {u"claLightslategrey", 0xFF778899},
    {u"claLightsteelblue", 0xFFB0C4DE},
    {u"claLightyellow", 0xFFFFFFE0},
    {u"claLime", 0xFF00FF00},
    {u"claLimegreen", 0xFF32CD32},
    {u"claLinen", 0xFFFAF0E6},
    {u"claMagenta", 0xFFFF00FF},
    {u"claMaroon", 0xFF800000},
    {u"claMediumaquamarine", 0xFF66CDAA},
    {u"claMediumblue", 0xFF0000CD},
    {u"claMediumorchid", 0xFFBA55D3},
    {u"claMediumpurple", 0xFF9370DB},
    {u"claMediumseagreen", 0xFF3CB371},
    {u"claMediumslateblue", 0xFF7B68EE},
    {u"claMediumspringgreen", 0xFF00FA9A},
    {u"claMediumturquoise", 0xFF48D1CC},
    {u"claMediumvioletred", 0xFFC71585},
    {u"claMidnightblue", 0xFF191970},
    {u"claMintcream", 0xFFF5FFFA},
    {u"claMistyrose", 0xFFFFE4E1},
    {u"claMoccasin", 0xFFFFE4B5},
    {u"claNavajowhite", 0xFFFFDEAD},
    {u"claNavy", 0xFF000080},
    {u"claOldlace", 0xFFFDF5E6},
    {u"claOlive", 0xFF808000},
    {u"claOlivedrab", 0xFF6B8E23},
    {u"claOrange", 0xFFFFA500},
    {u"claOrangered", 0xFFFF4500},
    {u"claOrchid", 0xFFDA70D6},
    {u"claPalegoldenrod", 0xFFEEE8AA},
    {u"claPalegreen", 0xFF98FB98},
    {u"claPaleturquoise", 0xFFAFEEEE},
    {u"claPalevioletred", 0xFFDB7093},
    {u"claPapayawhip", 0xFFFFEFD5},
    {u"claPeachpuff", 0xFFFFDAB9},
    {u"claPeru", 0xFFCD853F},
    {u"claPink", 0xFFFFC0CB},
    {u"claPlum", 0xFFDDA0DD},
    {u"claPowderblue", 0xFFB0E0E6},
    {u"claPurple", 0xFF800080},
    {u"claRed", 0xFFFF0000},
    {u"claRosybrown", 0xFFBC8F8F},
    {u"claRoyalblue", 0xFF4169E1},
    {u"claSaddlebrown", 0xFF8B4513},
    {u"claSalmon", 0xFFFA8072},
    {u"claSandybrown", 0xFFF4A460},
    {u"claSeagreen", 0xFF2E8B57},
    {u"claSeashell", 0xFFFFF5EE},
    {u"claSienna", 0xFFA0522D},
    {u"claSilver", 0xFFC0C0C0},
    {u"claSkyblue", 0xFF87CEEB},
    {u"claSlateblue", 0xFF6A5ACD},
    {u"claSlategray", 0xFF708090},
    {u"claSlategrey", 0xFF708090},
    {u"claSnow", 0xFFFFFAFA},
    {u"claSpringgreen", 0xFF00FF7F},
    {u"claSteelblue", 0xFF4682B4},
    {u"claTan", 0xFFD2B48C},
    {u"claTeal", 0xFF008080},
    {u"claThistle", 0xFFD8BFD8},
    {u"claTomato", 0xFFFF6347},
    {u"claTurquoise", 0xFF40E0D0},
    {u"claViolet", 0xFFEE82EE},
    {u"claWheat", 0xFFF5DEB3},
    {u"claWhite", 0xFFFFFFFF},
    {u"claWhitesmoke", 0xFFF5F5F5},
    {u"claYellow", 0xFFFFFF00},
    {u"claYellowgreen", 0xFF9ACD32},
};

template <class T, size_t N>
bool NameOf(const TNamedColor<T> (&Table)[N], T Color, String& Ident) {
  for (const auto& entry : Table)
    if (entry.Color == Color) {
      Ident = entry.Name;
      return true;
    }
  return false;
}

template <class T, size_t N>
bool ValueOf(const TNamedColor<T> (&Table)[N], StringView Ident, T& Color) {
  for (const auto& entry : Table)
    if (SameText(Ident, entry.Name)) {
      Color = entry.Color;
      return true;
    }
  return false;
}

int HexDigit(Char C) {
  if (C >= u'0' && C <= u'9') return C - u'0';
  if (C >= u'a' && C <= u'f') return C - u'a' + 10;
  if (C >= u'A' && C <= u'F') return C - u'A' + 10;
  return -1;
}
}  // namespace

bool ColorToIdent(TColor Color, String& Ident) { return NameOf(kColorNames, Color, Ident); }

bool IdentToColor(StringView Ident, TColor& Color) { return ValueOf(kColorNames, Ident, Color); }

bool AlphaColorToIdent(TAlphaColor Color, String& Ident) {
  if (NameOf(kAlphaColorNames, Color, Ident)) return true;
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  Ident = u"x";
  for (int shift = 28; shift >= 0; shift -= 4) Ident += kDigits[(Color >> shift) & 0xF];
  return false;
}

bool IdentToAlphaColor(StringView Ident, TAlphaColor& Color) {
  if (Ident.size() == 9 && (Ident[0] == u'x' || Ident[0] == u'X')) {
    TAlphaColor value = 0;
    for (size_t i = 1; i < 9; ++i) {
      const int digit = HexDigit(Ident[i]);
      if (digit < 0) return false;
      value = (value << 4) | static_cast<TAlphaColor>(digit);
    }
    Color = value;
    return true;
  }
  return ValueOf(kAlphaColorNames, Ident, Color);
}
