#pragma once
// Text measuring and output on device contexts: text metrics, extents with fit counts,
// ABC widths, ExtTextOut/TextOut and DrawText. Text is shaped with HarfBuzz (kerning and
// ligatures off, so that widths follow the platform's simple advance model: every glyph
// advances by its whole-pixel width) and rendered through cairo with FreeType; cairo keeps the
// rendered glyphs in its glyph cache.
//
// Per-code-unit extents: a cluster's advance sits on its first UTF-16 code unit; the other code
// units of the cluster (the low surrogate of a pair, combining marks) get 0.
//
// Coverage: text is composed over the destination (source-over) with grey-scale coverage,
// or with none for NONANTIALIASED_QUALITY. White text on transparent black therefore gives
// pixels whose red, green, blue and alpha all equal the coverage.

#include "os/OS.Fonts.h"
#include "os/OS.Types.h"
#include "rtl/RTL.Geometry.h"

constexpr UINT TA_NOUPDATECP = 0;
constexpr UINT TA_UPDATECP = 1;
constexpr UINT TA_LEFT = 0;
constexpr UINT TA_RIGHT = 2;
constexpr UINT TA_CENTER = 6;
constexpr UINT TA_TOP = 0;
constexpr UINT TA_BOTTOM = 8;
constexpr UINT TA_BASELINE = 24;

constexpr UINT ETO_OPAQUE = 0x0002;
constexpr UINT ETO_CLIPPED = 0x0004;

constexpr UINT DT_TOP = 0x00000000;
constexpr UINT DT_LEFT = 0x00000000;
constexpr UINT DT_CENTER = 0x00000001;
constexpr UINT DT_RIGHT = 0x00000002;
constexpr UINT DT_VCENTER = 0x00000004;
constexpr UINT DT_BOTTOM = 0x00000008;
constexpr UINT DT_WORDBREAK = 0x00000010;
constexpr UINT DT_SINGLELINE = 0x00000020;
constexpr UINT DT_EXPANDTABS = 0x00000040;
constexpr UINT DT_TABSTOP = 0x00000080;
constexpr UINT DT_NOCLIP = 0x00000100;
constexpr UINT DT_EXTERNALLEADING = 0x00000200;
constexpr UINT DT_CALCRECT = 0x00000400;
constexpr UINT DT_NOPREFIX = 0x00000800;
constexpr UINT DT_INTERNAL = 0x00001000;
constexpr UINT DT_EDITCONTROL = 0x00002000;
constexpr UINT DT_PATH_ELLIPSIS = 0x00004000;
constexpr UINT DT_END_ELLIPSIS = 0x00008000;
constexpr UINT DT_MODIFYSTRING = 0x00010000;
constexpr UINT DT_RTLREADING = 0x00020000;
constexpr UINT DT_WORD_ELLIPSIS = 0x00040000;
constexpr UINT DT_NOFULLWIDTHCHARBREAK = 0x00080000;
constexpr UINT DT_HIDEPREFIX = 0x00100000;
constexpr UINT DT_PREFIXONLY = 0x00200000;

struct ABC {
  int abcA;
  UINT abcB;
  int abcC;
};

BOOL GetTextMetricsW(HDC DC, TEXTMETRICW* Metrics);
inline BOOL GetTextMetrics(HDC DC, TEXTMETRICW* Metrics) { return GetTextMetricsW(DC, Metrics); }
// The face name of the DC's font as matched (the installed family).
int GetTextFaceW(HDC DC, int Count, Char* Name);

BOOL GetTextExtentPoint32W(HDC DC, const Char* Text, int Count, TSize* Size);
inline BOOL GetTextExtentPoint32(HDC DC, const String& Text, TSize* Size) {
  return GetTextExtentPoint32W(DC, Text.data(), int(Text.size()), Size);
}
// Fit (when not null): how many code units fit into MaxExtent. Dx (when not null): the
// cumulative extent after each code unit, Count entries (or Fit entries when Fit is asked).
BOOL GetTextExtentExPointW(HDC DC, const Char* Text, int Count, int MaxExtent, int* Fit, int* Dx, TSize* Size);
inline BOOL GetTextExtentExPoint(HDC DC, const Char* Text, int Count, int MaxExtent, int* Fit, int* Dx, TSize* Size) {
  return GetTextExtentExPointW(DC, Text, Count, MaxExtent, Fit, Dx, Size);
}
BOOL GetCharABCWidthsW(HDC DC, UINT First, UINT Last, ABC* Widths);
BOOL GetCharWidth32W(HDC DC, UINT First, UINT Last, int* Widths);

// Draws at (X, Y) by the DC's text alignment, colour and background mode; Rect (logical)
// with ETO_OPAQUE is filled with the background colour first and with ETO_CLIPPED clips the
// text. Dx (when not null) gives each code unit's advance. The font's escapement rotates the
// text counter-clockwise about the reference point.
BOOL ExtTextOutW(HDC DC, int X, int Y, UINT Options, const TRect* Rect, const Char* Text, UINT Count, const int* Dx);
inline BOOL ExtTextOut(HDC DC, int X, int Y, UINT Options, const TRect* Rect, const String& Text,
                       const int* Dx = nullptr) {
  return ExtTextOutW(DC, X, Y, Options, Rect, Text.data(), UINT(Text.size()), Dx);
}
BOOL TextOutW(HDC DC, int X, int Y, const Char* Text, int Count);
inline BOOL TextOut(HDC DC, int X, int Y, const String& Text) {
  return TextOutW(DC, X, Y, Text.data(), int(Text.size()));
}

// Formatted text in a rectangle (DT_* flags). Count -1: Text ends at its first 0. Returns the
// height of the text (0 on failure); with DT_CALCRECT only measures and sets Rect's right and
// bottom edges. With DT_WORDBREAK and DT_END_ELLIPSIS, text that runs past the rectangle's
// bottom ends its last visible line with "...".
int DrawTextW(HDC DC, const Char* Text, int Count, TRect* Rect, UINT Format);
inline int DrawText(HDC DC, const String& Text, TRect* Rect, UINT Format) {
  return DrawTextW(DC, Text.data(), int(Text.size()), Rect, Format);
}
