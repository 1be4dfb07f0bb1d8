#pragma once
// Device contexts and GDI objects over 32-bit surfaces (OS.Surface.h).
//
// Coordinates: drawing calls take logical coordinates; device = logical - window origin +
// viewport origin. Clip regions are kept in device coordinates and are not moved by the
// origins. A DC made for a window has a device origin on its surface and a system clip (its
// visible area), both set by the windowing layer.
//
// Alpha written by each operation (pixels are premultiplied BGRA):
// - FillRect, PatBlt PATCOPY, Rectangle, Ellipse, RoundRect, Polygon, lines, SetPixel, FrameRect,
//   FillRgn: the opaque colour (alpha 255). The stock BLACK_BRUSH writes all-zero pixels
//   (transparent black), which is how callers clear a 32-bit surface.
// - Text (OS.Text.h): colour composed over the destination by coverage (source-over), so white
//   text on transparent black gives R = G = B = A = coverage; the opaque background of OPAQUE
//   mode writes the opaque background colour.
// - BitBlt/StretchBlt SRCCOPY copy all four bytes; other raster operations work bitwise on the
//   colour bytes with the brush pattern's pixels (opaque colours); the alpha byte is the
//   destination's when the operation reads the destination, else the source's, else the
//   operation applied to the pattern's alpha (BLACKNESS: all zeros, WHITENESS: opaque white).
// - AlphaBlend: premultiplied source-over (see there). GradientFill writes the vertices' values.
// - Pixels outside the clip are never touched.

#include "os/OS.Regions.h"
#include "os/OS.Types.h"
#include "rtl/RTL.Geometry.h"

class TSurface;
typedef struct _cairo cairo_t;

using ULONG = uint32_t;

// Stock objects.
constexpr int WHITE_BRUSH = 0;
constexpr int LTGRAY_BRUSH = 1;
constexpr int GRAY_BRUSH = 2;
constexpr int DKGRAY_BRUSH = 3;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int HOLLOW_BRUSH = NULL_BRUSH;
constexpr int WHITE_PEN = 6;
constexpr int BLACK_PEN = 7;
constexpr int NULL_PEN = 8;
constexpr int OEM_FIXED_FONT = 10;
constexpr int ANSI_FIXED_FONT = 11;
constexpr int ANSI_VAR_FONT = 12;
constexpr int SYSTEM_FONT = 13;
constexpr int DEFAULT_GUI_FONT = 17;
constexpr int DC_BRUSH = 18;
constexpr int DC_PEN = 19;

// Pen styles.
constexpr int PS_SOLID = 0;
constexpr int PS_DASH = 1;
constexpr int PS_DOT = 2;
constexpr int PS_DASHDOT = 3;
constexpr int PS_DASHDOTDOT = 4;
constexpr int PS_NULL = 5;
constexpr int PS_INSIDEFRAME = 6;

// Brush styles.
constexpr UINT BS_SOLID = 0;
constexpr UINT BS_NULL = 1;
constexpr UINT BS_HOLLOW = BS_NULL;
constexpr UINT BS_HATCHED = 2;
constexpr UINT BS_PATTERN = 3;

constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

// Raster operations (BitBlt, StretchBlt, PatBlt): any ternary operation is accepted.
constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr DWORD SRCPAINT = 0x00EE0086;
constexpr DWORD SRCAND = 0x008800C6;
constexpr DWORD SRCINVERT = 0x00660046;
constexpr DWORD SRCERASE = 0x00440328;
constexpr DWORD NOTSRCCOPY = 0x00330008;
constexpr DWORD NOTSRCERASE = 0x001100A6;
constexpr DWORD MERGECOPY = 0x00C000CA;
constexpr DWORD MERGEPAINT = 0x00BB0226;
constexpr DWORD PATCOPY = 0x00F00021;
constexpr DWORD PATPAINT = 0x00FB0A09;
constexpr DWORD PATINVERT = 0x005A0049;
constexpr DWORD DSTINVERT = 0x00550009;
constexpr DWORD BLACKNESS = 0x00000042;
constexpr DWORD WHITENESS = 0x00FF0062;

// Stretch modes.
constexpr int BLACKONWHITE = 1;
constexpr int WHITEONBLACK = 2;
constexpr int COLORONCOLOR = 3;
constexpr int HALFTONE = 4;

// AlphaBlend.
constexpr Byte AC_SRC_OVER = 0;
constexpr Byte AC_SRC_ALPHA = 1;
struct BLENDFUNCTION {
  Byte BlendOp;
  Byte BlendFlags;
  Byte SourceConstantAlpha;
  Byte AlphaFormat;
};

// GradientFill.
using COLOR16 = uint16_t;
struct TRIVERTEX {
  LONG x;
  LONG y;
  COLOR16 Red;
  COLOR16 Green;
  COLOR16 Blue;
  COLOR16 Alpha;
};
struct GRADIENT_RECT {
  uint32_t UpperLeft;   // vertex index
  uint32_t LowerRight;  // vertex index
};
constexpr DWORD GRADIENT_FILL_RECT_H = 0;
constexpr DWORD GRADIENT_FILL_RECT_V = 1;

struct LOGBRUSH {
  UINT lbStyle;
  COLORREF lbColor;
  uintptr_t lbHatch;
};
struct LOGPEN {
  UINT lopnStyle;
  TPoint lopnWidth;  // X is the width
  COLORREF lopnColor;
};
struct BITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  void* bmBits;
};

// Bitmap headers (32-bit surfaces only; a negative biHeight means top-down).
constexpr DWORD BI_RGB = 0;
constexpr DWORD BI_BITFIELDS = 3;
constexpr UINT DIB_RGB_COLORS = 0;
struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};
struct RGBQUAD {
  Byte rgbBlue, rgbGreen, rgbRed, rgbReserved;
};
struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};

// GetDeviceCaps indexes.
constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int BITSPIXEL = 12;
constexpr int PLANES = 14;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;

// GetCurrentObject kinds.
constexpr UINT OBJ_PEN = 1;
constexpr UINT OBJ_BRUSH = 2;
constexpr UINT OBJ_DC = 3;
constexpr UINT OBJ_REGION = 8;
constexpr UINT OBJ_FONT = 6;
constexpr UINT OBJ_BITMAP = 7;
constexpr UINT OBJ_MEMDC = 10;

constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

// --- Device contexts ---------------------------------------------------------------------

// A DC drawing on the given surface, which the caller keeps alive while the DC exists.
HDC CreateSurfaceDC(TSurface* Surface);
// A memory DC with a 1 x 1 bitmap selected; select a bitmap to draw on it. Reference may be null.
HDC CreateCompatibleDC(HDC Reference);
BOOL DeleteDC(HDC DC);
// Where the DC's device point (0, 0) lies on its surface (window DCs).
void SetDCDeviceOrigin(HDC DC, int X, int Y);
TPoint GetDCDeviceOrigin(HDC DC);
// The area a window DC may draw on, in the DC's device coordinates (copied; null: the whole
// surface). Independent of the application clip that SelectClipRgn sets.
void SetDCSystemClip(HDC DC, HRGN Region);
// The surface the DC draws on now (the selected bitmap's for memory DCs); null for a bad DC.
TSurface* GetDCSurface(HDC DC);
int GetDeviceCaps(HDC DC, int Index);

int SaveDC(HDC DC);
// Negative SavedDC: relative to the latest (-1 = last saved state).
BOOL RestoreDC(HDC DC, int SavedDC);

BOOL SetWindowOrgEx(HDC DC, int X, int Y, TPoint* Previous);
BOOL GetWindowOrgEx(HDC DC, TPoint* Origin);
BOOL SetViewportOrgEx(HDC DC, int X, int Y, TPoint* Previous);
BOOL GetViewportOrgEx(HDC DC, TPoint* Origin);
BOOL OffsetViewportOrgEx(HDC DC, int DX, int DY, TPoint* Previous);
BOOL OffsetWindowOrgEx(HDC DC, int DX, int DY, TPoint* Previous);
// Brush origin in device coordinates: pattern brushes tile from here.
BOOL SetBrushOrgEx(HDC DC, int X, int Y, TPoint* Previous);
BOOL GetBrushOrgEx(HDC DC, TPoint* Origin);
BOOL LPtoDP(HDC DC, TPoint* Points, int Count);
BOOL DPtoLP(HDC DC, TPoint* Points, int Count);

COLORREF SetTextColor(HDC DC, COLORREF Color);
COLORREF GetTextColor(HDC DC);
COLORREF SetBkColor(HDC DC, COLORREF Color);
COLORREF GetBkColor(HDC DC);
int SetBkMode(HDC DC, int Mode);
int GetBkMode(HDC DC);
int SetStretchBltMode(HDC DC, int Mode);
int GetStretchBltMode(HDC DC);
int SetPolyFillMode(HDC DC, int Mode);
int GetPolyFillMode(HDC DC);
// Text alignment (TA_* in OS.Text.h).
UINT SetTextAlign(HDC DC, UINT Align);
UINT GetTextAlign(HDC DC);
COLORREF SetDCBrushColor(HDC DC, COLORREF Color);
COLORREF SetDCPenColor(HDC DC, COLORREF Color);

// --- Objects ---------------------------------------------------------------------------------

HGDIOBJ GetStockObject(int Index);
// Returns the previously selected object of the same kind; for a region, the clip's
// complexity (as an HGDIOBJ value) like SelectClipRgn. Null on error.
HGDIOBJ SelectObject(HDC DC, HGDIOBJ Object);
HGDIOBJ GetCurrentObject(HDC DC, UINT Kind);
// Frees an object; one still selected into a DC is freed when it is deselected. Stock
// objects and null: FALSE.
BOOL DeleteObject(HGDIOBJ Object);
// BITMAP, LOGPEN, LOGBRUSH or LOGFONTW (OS.Fonts.h) into Buffer; returns the bytes written,
// or the size needed when Buffer is null; 0 on error.
int GetObject(HGDIOBJ Object, int Size, void* Buffer);
DWORD GetObjectType(HGDIOBJ Object);
// Typed forms: every object handle converts to HGDIOBJ on the platform.
inline HGDIOBJ ToGdiObject(const void* Handle) { return static_cast<HGDIOBJ>(const_cast<void*>(Handle)); }
inline BOOL DeleteObject(HRGN Object) { return DeleteObject(ToGdiObject(Object)); }
inline BOOL DeleteObject(HFONT Object) { return DeleteObject(ToGdiObject(Object)); }
inline BOOL DeleteObject(HBRUSH Object) { return DeleteObject(ToGdiObject(Object)); }
inline BOOL DeleteObject(HPEN Object) { return DeleteObject(ToGdiObject(Object)); }
inline BOOL DeleteObject(HBITMAP Object) { return DeleteObject(ToGdiObject(Object)); }
inline HFONT SelectObject(HDC DC, HFONT Object) {
  return static_cast<HFONT>(static_cast<void*>(SelectObject(DC, ToGdiObject(Object))));
}
inline HBRUSH SelectObject(HDC DC, HBRUSH Object) {
  return static_cast<HBRUSH>(static_cast<void*>(SelectObject(DC, ToGdiObject(Object))));
}
inline HPEN SelectObject(HDC DC, HPEN Object) {
  return static_cast<HPEN>(static_cast<void*>(SelectObject(DC, ToGdiObject(Object))));
}
inline HBITMAP SelectObject(HDC DC, HBITMAP Object) {
  return static_cast<HBITMAP>(static_cast<void*>(SelectObject(DC, ToGdiObject(Object))));
}
inline int GetObject(HFONT Object, int Size, void* Buffer) { return GetObject(ToGdiObject(Object), Size, Buffer); }
inline int GetObject(HBITMAP Object, int Size, void* Buffer) { return GetObject(ToGdiObject(Object), Size, Buffer); }
inline int GetObject(HBRUSH Object, int Size, void* Buffer) { return GetObject(ToGdiObject(Object), Size, Buffer); }
inline int GetObject(HPEN Object, int Size, void* Buffer) { return GetObject(ToGdiObject(Object), Size, Buffer); }

HBRUSH CreateSolidBrush(COLORREF Color);
// The pattern is copied: the bitmap may be deleted afterwards.
HBRUSH CreatePatternBrush(HBITMAP Bitmap);
HBRUSH CreateBrushIndirect(const LOGBRUSH* Brush);
HPEN CreatePen(int Style, int Width, COLORREF Color);
HPEN CreatePenIndirect(const LOGPEN* Pen);

// 32-bit bitmaps. The bitmap owns a surface cleared to transparent black.
HBITMAP CreateCompatibleBitmap(HDC DC, int Width, int Height);
// 32 bits per pixel only; Bits (when given) is copied (top-down rows, stride Width * 4).
HBITMAP CreateBitmap(int Width, int Height, UINT Planes, UINT BitCount, const void* Bits);
// 32-bit BI_RGB top-down (negative biHeight) sections only; others: null. *Bits receives the
// pixel memory, which lives as long as the bitmap.
HBITMAP CreateDIBSection(HDC DC, const BITMAPINFO* Info, UINT Usage, void** Bits, HANDLE Section, DWORD Offset);
// A bitmap over an existing surface that the caller keeps alive.
HBITMAP CreateBitmapOnSurface(TSurface* Surface);
TSurface* GetBitmapSurface(HBITMAP Bitmap);
// 32-bit copies between a bitmap and memory: rows StartScan.. of a 32-bit header; a positive
// biHeight means bottom-up memory. GetDIBits with Bits null fills in the header only.
int GetDIBits(HDC DC, HBITMAP Bitmap, UINT StartScan, UINT Lines, void* Bits, BITMAPINFO* Info, UINT Usage);
int SetDIBits(HDC DC, HBITMAP Bitmap, UINT StartScan, UINT Lines, const void* Bits, const BITMAPINFO* Info, UINT Usage);
// Draws 32-bit memory rows (BI_RGB or BI_BITFIELDS, either row order) like StretchBlt; for
// bottom-up memory YSrc counts from the bottom row. Returns SrcHeight, or 0 on failure.
int StretchDIBits(HDC DC, int XDest, int YDest, int DestWidth, int DestHeight, int XSrc, int YSrc, int SrcWidth,
                  int SrcHeight, const void* Bits, const BITMAPINFO* Info, UINT Usage, DWORD Rop);
BOOL GdiFlush();

// --- Clipping (device coordinates unless stated) ----------------------------------------------

// Copies Region (null: removes the clip). Returns the new clip's complexity.
int SelectClipRgn(HDC DC, HRGN Region);
// Combines the clip with Region; with no clip the whole device counts as the clip. Region
// null is allowed with RGN_COPY only.
int ExtSelectClipRgn(HDC DC, HRGN Region, int Mode);
// 1 with the clip copied into Region (which must exist), 0 when the DC has no clip, -1 on error.
int GetClipRgn(HDC DC, HRGN Region);
// Logical coordinates.
int IntersectClipRect(HDC DC, int Left, int Top, int Right, int Bottom);
int ExcludeClipRect(HDC DC, int Left, int Top, int Right, int Bottom);
int OffsetClipRgn(HDC DC, int DX, int DY);
// Tightest rectangle around what can be drawn, in logical coordinates.
int GetClipBox(HDC DC, TRect* R);
BOOL RectVisible(HDC DC, const TRect* R);
BOOL PtVisible(HDC DC, int X, int Y);

// --- Drawing (logical coordinates) --------------------------------------------------------------

int FillRect(HDC DC, const TRect* R, HBRUSH Brush);
int FrameRect(HDC DC, const TRect* R, HBRUSH Brush);
BOOL InvertRect(HDC DC, const TRect* R);
BOOL DrawFocusRect(HDC DC, const TRect* R);
BOOL FillRgn(HDC DC, HRGN Region, HBRUSH Brush);
BOOL FrameRgn(HDC DC, HRGN Region, HBRUSH Brush, int Width, int Height);
BOOL PaintRgn(HDC DC, HRGN Region);
BOOL PatBlt(HDC DC, int X, int Y, int Width, int Height, DWORD Rop);
BOOL Rectangle(HDC DC, int Left, int Top, int Right, int Bottom);
BOOL RoundRect(HDC DC, int Left, int Top, int Right, int Bottom, int EllipseWidth, int EllipseHeight);
BOOL Ellipse(HDC DC, int Left, int Top, int Right, int Bottom);
BOOL Polygon(HDC DC, const TPoint* Points, int Count);
BOOL Polyline(HDC DC, const TPoint* Points, int Count);
BOOL MoveToEx(HDC DC, int X, int Y, TPoint* Previous);
BOOL GetCurrentPositionEx(HDC DC, TPoint* Position);
// Draws from the current position up to, not including, (X, Y).
BOOL LineTo(HDC DC, int X, int Y);
// Stores the colour opaque; returns it, or CLR_INVALID outside the clip.
COLORREF SetPixel(HDC DC, int X, int Y, COLORREF Color);
// The pixel's colour, unpremultiplied; CLR_INVALID outside the clip or the surface.
COLORREF GetPixel(HDC DC, int X, int Y);

BOOL BitBlt(HDC Dest, int X, int Y, int Width, int Height, HDC Source, int SrcX, int SrcY, DWORD Rop);
// COLORONCOLOR (and the two legacy modes) take the nearest source pixel; HALFTONE filters.
// Negative sizes mirror.
BOOL StretchBlt(HDC Dest, int X, int Y, int Width, int Height, HDC Source, int SrcX, int SrcY, int SrcWidth,
                int SrcHeight, DWORD Rop);
// Premultiplied source-over with the constant alpha CA (0..255), rounded to nearest:
//   AC_SRC_ALPHA: D = S * CA / 255 + D * (1 - Sa * CA / 255^2), all four channels;
//   otherwise the source counts as opaque: D = S' * CA / 255 + D * (1 - CA / 255), where S' is
//   the source colour with alpha 255.
// Sizes that differ stretch with the nearest source pixel. Source and destination rectangles
// must lie inside their surfaces (else FALSE, as the platform does).
BOOL AlphaBlend(HDC Dest, int X, int Y, int Width, int Height, HDC Source, int SrcX, int SrcY, int SrcWidth,
                int SrcHeight, BLENDFUNCTION Blend);
// Rectangles only (GRADIENT_FILL_RECT_H/V); Mesh holds GRADIENT_RECT entries.
BOOL GradientFill(HDC DC, const TRIVERTEX* Vertices, ULONG Count, const void* Mesh, ULONG MeshCount, DWORD Mode);

namespace detail {
// A cairo context on the DC's surface with the DC's effective clip applied and the
// transform set so that user space is the DC's logical coordinates. Null for a bad DC or an
// empty clip. Destroy with cairo_destroy; the surface is marked dirty by EndCairo.
cairo_t* BeginCairo(HDC DC);
void EndCairo(HDC DC, cairo_t* Cairo);
// Offset from logical to surface coordinates.
TPoint LogicalToSurfaceOffset(HDC DC);
// The DC's current font, text state and clip, for the text unit.
HFONT CurrentFont(HDC DC);
// Fills the rectangle (surface coordinates) with an opaque colour, clipped.
void FillSurfaceRect(HDC DC, const TRect& SurfaceRect, COLORREF Color);
// Effective clip box in surface coordinates; empty when nothing can be drawn.
TRect SurfaceClipBox(HDC DC);
}  // namespace detail
