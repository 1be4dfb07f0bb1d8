#pragma once
// Integer geometry and colour values: TPoint, TSize, TRect with the classic rectangle
// routines, TColor (0x00BBGGRR with system and special values) and TAlphaColor (0xAARRGGBB).
//
// Rectangles are half-open: Right and Bottom are outside the rectangle, so Width is
// Right - Left, a point on the right edge is not contained, and a rectangle whose width or
// height is <= 0 is empty.

#include <utility>

#include "rtl/RTL.Types.h"

struct TPoint {
  Integer X = 0;
  Integer Y = 0;

  constexpr TPoint() = default;
  constexpr TPoint(Integer AX, Integer AY) : X(AX), Y(AY) {}

  constexpr void Offset(Integer DX, Integer DY) {
    X += DX;
    Y += DY;
  }
  constexpr void Offset(TPoint Delta) { Offset(Delta.X, Delta.Y); }
  constexpr bool IsZero() const { return X == 0 && Y == 0; }

  friend constexpr bool operator==(TPoint A, TPoint B) = default;
  friend constexpr TPoint operator+(TPoint A, TPoint B) { return {A.X + B.X, A.Y + B.Y}; }
  friend constexpr TPoint operator-(TPoint A, TPoint B) { return {A.X - B.X, A.Y - B.Y}; }
  friend constexpr TPoint operator-(TPoint A) { return {-A.X, -A.Y}; }
  constexpr TPoint& operator+=(TPoint B) { return *this = *this + B; }
  constexpr TPoint& operator-=(TPoint B) { return *this = *this - B; }
};

struct TSize {
  Integer cx = 0;
  Integer cy = 0;

  constexpr TSize() = default;
  constexpr TSize(Integer ACx, Integer ACy) : cx(ACx), cy(ACy) {}

  constexpr Integer Width() const { return cx; }
  constexpr Integer Height() const { return cy; }
  constexpr void SetWidth(Integer Value) { cx = Value; }
  constexpr void SetHeight(Integer Value) { cy = Value; }
  constexpr bool IsZero() const { return cx == 0 && cy == 0; }

  friend constexpr bool operator==(TSize A, TSize B) = default;
  friend constexpr TSize operator+(TSize A, TSize B) { return {A.cx + B.cx, A.cy + B.cy}; }
  friend constexpr TSize operator-(TSize A, TSize B) { return {A.cx - B.cx, A.cy - B.cy}; }
};

struct TRect {
  Integer Left = 0;
  Integer Top = 0;
  Integer Right = 0;
  Integer Bottom = 0;

  constexpr TRect() = default;
  constexpr TRect(Integer ALeft, Integer ATop, Integer ARight, Integer ABottom)
      : Left(ALeft), Top(ATop), Right(ARight), Bottom(ABottom) {}
  constexpr TRect(TPoint ATopLeft, TPoint ABottomRight)
      : Left(ATopLeft.X), Top(ATopLeft.Y), Right(ABottomRight.X), Bottom(ABottomRight.Y) {}
  // A rectangle of the given size at the origin point.
  constexpr TRect(TPoint Origin, Integer AWidth, Integer AHeight)
      : Left(Origin.X), Top(Origin.Y), Right(Origin.X + AWidth), Bottom(Origin.Y + AHeight) {}

  static constexpr TRect Empty() { return {}; }

  constexpr Integer Width() const { return Right - Left; }
  constexpr Integer Height() const { return Bottom - Top; }
  // Keep Left/Top, move Right/Bottom.
  constexpr void SetWidth(Integer Value) { Right = Left + Value; }
  constexpr void SetHeight(Integer Value) { Bottom = Top + Value; }
  constexpr TSize Size() const { return {Width(), Height()}; }
  constexpr void SetSize(TSize Value) {
    SetWidth(Value.cx);
    SetHeight(Value.cy);
  }
  // Moves the rectangle so its top-left corner is at Value; the size stays.
  constexpr void SetLocation(TPoint Value) { Offset(Value.X - Left, Value.Y - Top); }

  constexpr TPoint TopLeft() const { return {Left, Top}; }
  constexpr TPoint BottomRight() const { return {Right, Bottom}; }
  constexpr void SetTopLeft(TPoint Value) {
    Left = Value.X;
    Top = Value.Y;
  }
  constexpr void SetBottomRight(TPoint Value) {
    Right = Value.X;
    Bottom = Value.Y;
  }
  // Rounds toward the top-left like the integer division of the classic routine.
  constexpr TPoint CenterPoint() const { return {(Left + Right) / 2, (Top + Bottom) / 2}; }

  // Empty when it has no area: width or height <= 0 (so also when Right < Left).
  constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }

  constexpr void Offset(Integer DX, Integer DY) {
    Left += DX;
    Right += DX;
    Top += DY;
    Bottom += DY;
  }
  constexpr void Offset(TPoint Delta) { Offset(Delta.X, Delta.Y); }
  // Grows each side outward by DX / DY (negative shrinks).
  constexpr void Inflate(Integer DX, Integer DY) {
    Left -= DX;
    Right += DX;
    Top -= DY;
    Bottom += DY;
  }
  constexpr void Inflate(Integer DLeft, Integer DTop, Integer DRight, Integer DBottom) {
    Left -= DLeft;
    Top -= DTop;
    Right += DRight;
    Bottom += DBottom;
  }
  // Swaps the edges so that Left <= Right and Top <= Bottom.
  constexpr void NormalizeRect() {
    if (Left > Right) std::swap(Left, Right);
    if (Top > Bottom) std::swap(Top, Bottom);
  }

  // Right and bottom edges are outside.
  constexpr bool Contains(TPoint P) const { return P.X >= Left && P.X < Right && P.Y >= Top && P.Y < Bottom; }
  // True when R lies completely inside (edges may coincide); an empty R is inside any
  // rectangle that contains its corners.
  constexpr bool Contains(const TRect& R) const {
    return R.Left >= Left && R.Right <= Right && R.Top >= Top && R.Bottom <= Bottom;
  }
  // True when the two share some area.
  constexpr bool IntersectsWith(const TRect& R) const {
    return Left < R.Right && R.Left < Right && Top < R.Bottom && R.Top < Bottom;
  }

  friend constexpr bool operator==(const TRect& A, const TRect& B) = default;
};

constexpr TPoint Point(Integer X, Integer Y) { return {X, Y}; }
constexpr TSize Size(Integer Cx, Integer Cy) { return {Cx, Cy}; }
constexpr TRect Rect(Integer Left, Integer Top, Integer Right, Integer Bottom) { return {Left, Top, Right, Bottom}; }
constexpr TRect Rect(TPoint TopLeft, TPoint BottomRight) { return {TopLeft, BottomRight}; }
constexpr TRect Bounds(Integer Left, Integer Top, Integer Width, Integer Height) {
  return {Left, Top, Left + Width, Top + Height};
}

// The common area of A and B in Dest; when they share no area Dest becomes (0,0,0,0) and
// the result is false. Dest may alias A or B.
bool IntersectRect(TRect& Dest, const TRect& A, const TRect& B);
// The smallest rectangle holding A and B; an empty operand is ignored. False (and Dest
// (0,0,0,0)) when both are empty. Dest may alias A or B.
bool UnionRect(TRect& Dest, const TRect& A, const TRect& B);
constexpr bool PtInRect(const TRect& R, TPoint P) { return R.Contains(P); }
constexpr bool IsRectEmpty(const TRect& R) { return R.IsEmpty(); }
constexpr bool EqualRect(const TRect& A, const TRect& B) { return A == B; }
inline bool OffsetRect(TRect& R, Integer DX, Integer DY) {
  R.Offset(DX, DY);
  return true;
}
inline bool InflateRect(TRect& R, Integer DX, Integer DY) {
  R.Inflate(DX, DY);
  return true;
}
// Value-returning forms.
TRect IntersectRect(const TRect& A, const TRect& B);
TRect UnionRect(const TRect& A, const TRect& B);

// ---------------------------------------------------------------------------------------
// Colours

// 0x00BBGGRR (red in the low byte). Values with the high byte 0xFF are system colours
// (clSystemColor | index), resolved by ColorToRGB; clNone and clDefault are markers that
// painting code treats specially.
using TColor = Integer;
// A plain 0x00BBGGRR value as the drawing layer takes it.
using TColorRef = Cardinal;

constexpr TColor clSystemColor = static_cast<TColor>(0xFF000000u);

// System colour indexes (the low byte of a system colour).
constexpr Integer COLOR_SCROLLBAR = 0;
constexpr Integer COLOR_BACKGROUND = 1;
constexpr Integer COLOR_ACTIVECAPTION = 2;
constexpr Integer COLOR_INACTIVECAPTION = 3;
constexpr Integer COLOR_MENU = 4;
constexpr Integer COLOR_WINDOW = 5;
constexpr Integer COLOR_WINDOWFRAME = 6;
constexpr Integer COLOR_MENUTEXT = 7;
constexpr Integer COLOR_WINDOWTEXT = 8;
constexpr Integer COLOR_CAPTIONTEXT = 9;
constexpr Integer COLOR_ACTIVEBORDER = 10;
constexpr Integer COLOR_INACTIVEBORDER = 11;
constexpr Integer COLOR_APPWORKSPACE = 12;
constexpr Integer COLOR_HIGHLIGHT = 13;
constexpr Integer COLOR_HIGHLIGHTTEXT = 14;
constexpr Integer COLOR_BTNFACE = 15;
constexpr Integer COLOR_BTNSHADOW = 16;
constexpr Integer COLOR_GRAYTEXT = 17;
constexpr Integer COLOR_BTNTEXT = 18;
constexpr Integer COLOR_INACTIVECAPTIONTEXT = 19;
constexpr Integer COLOR_BTNHIGHLIGHT = 20;
constexpr Integer COLOR_3DDKSHADOW = 21;
constexpr Integer COLOR_3DLIGHT = 22;
constexpr Integer COLOR_INFOTEXT = 23;
constexpr Integer COLOR_INFOBK = 24;
constexpr Integer COLOR_HOTLIGHT = 26;
constexpr Integer COLOR_GRADIENTACTIVECAPTION = 27;
constexpr Integer COLOR_GRADIENTINACTIVECAPTION = 28;
constexpr Integer COLOR_MENUHILIGHT = 29;
constexpr Integer COLOR_MENUBAR = 30;
constexpr Integer COLOR_DESKTOP = COLOR_BACKGROUND;
constexpr Integer COLOR_3DFACE = COLOR_BTNFACE;
constexpr Integer COLOR_3DSHADOW = COLOR_BTNSHADOW;
constexpr Integer COLOR_3DHIGHLIGHT = COLOR_BTNHIGHLIGHT;
constexpr Integer COLOR_3DHILIGHT = COLOR_BTNHIGHLIGHT;
constexpr Integer COLOR_BTNHILIGHT = COLOR_BTNHIGHLIGHT;
// Number of entries in the system colour table (indexes 0 .. SysColorCount - 1).
constexpr Integer SysColorCount = 31;

constexpr TColor clScrollBar = clSystemColor | COLOR_SCROLLBAR;
constexpr TColor clBackground = clSystemColor | COLOR_BACKGROUND;
constexpr TColor clActiveCaption = clSystemColor | COLOR_ACTIVECAPTION;
constexpr TColor clInactiveCaption = clSystemColor | COLOR_INACTIVECAPTION;
constexpr TColor clMenu = clSystemColor | COLOR_MENU;
constexpr TColor clWindow = clSystemColor | COLOR_WINDOW;
constexpr TColor clWindowFrame = clSystemColor | COLOR_WINDOWFRAME;
constexpr TColor clMenuText = clSystemColor | COLOR_MENUTEXT;
constexpr TColor clWindowText = clSystemColor | COLOR_WINDOWTEXT;
constexpr TColor clCaptionText = clSystemColor | COLOR_CAPTIONTEXT;
constexpr TColor clActiveBorder = clSystemColor | COLOR_ACTIVEBORDER;
constexpr TColor clInactiveBorder = clSystemColor | COLOR_INACTIVEBORDER;
constexpr TColor clAppWorkSpace = clSystemColor | COLOR_APPWORKSPACE;
constexpr TColor clHighlight = clSystemColor | COLOR_HIGHLIGHT;
constexpr TColor clHighlightText = clSystemColor | COLOR_HIGHLIGHTTEXT;
constexpr TColor clBtnFace = clSystemColor | COLOR_BTNFACE;
constexpr TColor clBtnShadow = clSystemColor | COLOR_BTNSHADOW;
constexpr TColor clGrayText = clSystemColor | COLOR_GRAYTEXT;
constexpr TColor clBtnText = clSystemColor | COLOR_BTNTEXT;
constexpr TColor clInactiveCaptionText = clSystemColor | COLOR_INACTIVECAPTIONTEXT;
constexpr TColor clBtnHighlight = clSystemColor | COLOR_BTNHIGHLIGHT;
constexpr TColor cl3DDkShadow = clSystemColor | COLOR_3DDKSHADOW;
constexpr TColor cl3DLight = clSystemColor | COLOR_3DLIGHT;
constexpr TColor clInfoText = clSystemColor | COLOR_INFOTEXT;
constexpr TColor clInfoBk = clSystemColor | COLOR_INFOBK;
constexpr TColor clHotLight = clSystemColor | COLOR_HOTLIGHT;
constexpr TColor clGradientActiveCaption = clSystemColor | COLOR_GRADIENTACTIVECAPTION;
constexpr TColor clGradientInactiveCaption = clSystemColor | COLOR_GRADIENTINACTIVECAPTION;
constexpr TColor clMenuHighlight = clSystemColor | COLOR_MENUHILIGHT;
constexpr TColor clMenuBar = clSystemColor | COLOR_MENUBAR;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clLtGray = clSilver;
constexpr TColor clDkGray = clGray;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;

// Draw nothing / use the default.
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

constexpr TColorRef RGB(Byte R, Byte G, Byte B) {
  return static_cast<TColorRef>(R) | (static_cast<TColorRef>(G) << 8) | (static_cast<TColorRef>(B) << 16);
}
constexpr Byte GetRValue(TColorRef C) { return static_cast<Byte>(C); }
constexpr Byte GetGValue(TColorRef C) { return static_cast<Byte>(C >> 8); }
constexpr Byte GetBValue(TColorRef C) { return static_cast<Byte>(C >> 16); }

// Every negative value counts as a system colour; its low byte is the index.
constexpr bool IsSystemColor(TColor Color) { return Color < 0; }

// The 0x00BBGGRR value of Color: a system colour through the system colour table, anything
// else as is (so clNone and clDefault pass through unchanged; callers test for them first).
// A system colour whose index is outside the table gives black.
TColor ColorToRGB(TColor Color);

// The system colour table, consulted by ColorToRGB. The default holds the light theme;
// a theme (dark mode) replaces entries. Index out of range: GetSysColorValue gives 0,
// SetSysColorValue does nothing. Not synchronised: change it on the UI thread.
TColorRef GetSysColorValue(Integer Index);
void SetSysColorValue(Integer Index, TColorRef Value);
void ResetSysColorValues();

// 0xAARRGGBB, straight (not premultiplied) alpha; in memory on little-endian the bytes are
// blue, green, red, alpha.
using TAlphaColor = Cardinal;

constexpr TAlphaColor claNull = 0x00000000;
constexpr TAlphaColor claBlack = 0xFF000000;
constexpr TAlphaColor claWhite = 0xFFFFFFFF;
constexpr TAlphaColor claGray = 0xFF808080;
constexpr TAlphaColor claSilver = 0xFFC0C0C0;
constexpr TAlphaColor claMaroon = 0xFF800000;
constexpr TAlphaColor claNavy = 0xFF000080;
constexpr TAlphaColor claYellow = 0xFFFFFF00;
constexpr TAlphaColor claWhitesmoke = 0xFFF5F5F5;
constexpr TAlphaColor claRed = 0xFFFF0000;
constexpr TAlphaColor claLime = 0xFF00FF00;
constexpr TAlphaColor claBlue = 0xFF0000FF;

// Colour names of the stream forms (identifiers compare case-insensitively). TColor: the
// standard, system and special "cl" names. TAlphaColor: the CSS/X11 names with "cla" in front
// plus "claNull"; a value without a name is written "x" and eight hex digits AARRGGBB, which
// IdentToAlphaColor reads back.
bool ColorToIdent(TColor Color, String& Ident);
bool IdentToColor(StringView Ident, TColor& Color);
bool AlphaColorToIdent(TAlphaColor Color, String& Ident);  // false: no name (the "x" form given)
bool IdentToAlphaColor(StringView Ident, TAlphaColor& Color);
