#pragma once
// Painting helpers on device contexts: clip-region save and restore with a pool of region
// handles, the shared screen and measure canvases, text measuring and drawing with alignment,
// ellipsis and highlight, frames and fills in plain or alpha colours, gradients, checkerboards,
// colour swatches, arrows and tiling. Alpha fills and dotted or rounded shapes go through the
// shared paint render; everything else is plain GDI.

#include "os/OS.Types.h"
#include "rtl/RTL.Geometry.h"
#include "vcl/VCL.Graphics.h"
#include "zcl/graphics/ZCL.Graphics.Geometry.h"
#include "zcl/graphics/ZCL.Graphics.Render.h"

class TZCLBitmap;

// A canvas on a screen device context.
class TZCLScreenCanvas : public TCanvas {
  ZCL_CLASS(TZCLScreenCanvas, TCanvas)
 public:
  ~TZCLScreenCanvas() override;
  void FreeHandle();

 protected:
  void CreateHandle() override;
};

// A canvas on a private 1 x 1 bitmap, for measuring text.
class TZCLMeasureCanvas : public TCanvas {
  ZCL_CLASS(TZCLMeasureCanvas, TCanvas)
 public:
  ~TZCLMeasureCanvas() override;
  void FreeHandle();

 protected:
  void CreateHandle() override;

 private:
  TZCLBitmap* FBitmap = nullptr;
};

TCanvas* ScreenCanvas();
TCanvas* MeasureCanvas();

enum TZCLRegionOperation : Byte { roUnion, roIntersection, roXor, roDifference, roCopy };

class TZCLRegion : public TObject {
  ZCL_CLASS(TZCLRegion, TObject)
 public:
  TZCLRegion();
  explicit TZCLRegion(const TRect& R);
  ~TZCLRegion() override;
  HRGN GetHandle() const { return FHandle; }
  TRect GetBounds() const;
  bool IsEmpty() const;
  void CombineRect(const TRect& R, TZCLRegionOperation Operation);
  void Reset();

 private:
  HRGN FHandle;
};

// A rectangle list to build a region from: write Count rectangles through GetRects().
class TZCLRegionData : public TObject {
  ZCL_CLASS(TZCLRegionData, TObject)
 public:
  explicit TZCLRegionData(Integer ACount = 0);
  ~TZCLRegionData() override;
  Integer GetCount() const { return FCount; }
  void SetCount(Integer Value);
  TRect* GetRects() const;
  Integer GetDataSize() const { return 36 + 16 * FCount; }
  HRGN CreateRegion(const TRect& Bounds) const;

 private:
  Integer FCount = 0;
  Byte* FData = nullptr;
};

// A lock-free pool of eight region handles shared by the whole process.
class TZCLRegionManager {
 public:
  static HRGN Get();
  static void Release(HRGN& Region);
  static void Finalize();
};

// Clipping.
HRGN ClipRegionSave(HDC DC);
void ClipRegionPop(HDC DC, HRGN Region);
// False (nothing to pop) when the rectangle is invisible or the clip becomes empty.
bool ClipRegionPush(HDC DC, const TRect& R, HRGN& Saved);
void ClipRegionExclude(HDC DC, const TRect& R);
bool ClipRegionIntersect(HDC DC, const TRect& R);
bool IsRectVisible(TCanvas* Canvas, const TRect& R);
bool IsRectVisible(HDC DC, const TRect& R);
HRGN CopyRegion(HRGN Region);
void CombineRegion(HRGN Target, HRGN Source, int Mode);
void CombineRegionWithRect(HRGN Target, const TRect& R, int Mode);
void SetWindowRegion(HWND Window, HRGN Region, bool Redraw);
// (0, 0) lands at P; returns the previous origin for RestoreWindowOrg.
TPoint MoveWindowOrg(HDC DC, const TPoint& P);
void RestoreWindowOrg(HDC DC, const TPoint& P);
void OffsetRegionByWindowOrg(HDC DC, HRGN Region);

// Text.
TSize CanvasTextSize(TCanvas* Canvas, const String& Text);
TSize CanvasTextSizeLen(TCanvas* Canvas, const String& Text, Integer Length);
Integer CanvasTextHeight(TCanvas* Canvas);
TSize MeasureTextSize(TFont* Font, const String& Text);
Integer MeasureFontHeight(TFont* Font);
TSize MeasureWrappedText(TCanvas* Canvas, const String& Text, Integer Width);
void CanvasDrawText(TCanvas* Canvas, TRect& R, const String& Text, UINT Format);
void CanvasTextOut(TCanvas* Canvas, Integer X, Integer Y, const String& Text, const TRect* Clip);
void TextDraw(TCanvas* Canvas, const String& Text, const TRect& R, TAlignment Horizontal = taLeftJustify,
              TVerticalAlignment Vertical = taAlignTop, bool EndEllipsis = false, bool KeepTopLeftInside = false,
              bool WordWrap = false);
// Characters From + 1 .. To are drawn in TextColor on FillColor.
void TextDrawHighlighted(TCanvas* Canvas, const String& Text, const TRect& R, TAlignment Horizontal,
                         TVerticalAlignment Vertical, bool EndEllipsis, Integer From, Integer To, TColor FillColor,
                         TColor TextColor);
// Text running upwards: Vertical places it across the rectangle (top = left), Horizontal along it
// (left = bottom).
void TextDrawVertical(TCanvas* Canvas, const String& Text, const TRect& R, TAlignment Horizontal,
                      TVerticalAlignment Vertical, bool EndEllipsis);
// Cuts the text to MaxWidth with a trailing ellipsis (never inside a surrogate pair); returns the
// number of characters kept.
Integer TextShortenEnd(TCanvas* Canvas, String& Text, TSize& Size, Integer MaxWidth);
// Folders after the first backslash give way to "..." until the path fits.
void ShortenPathText(TCanvas* Canvas, Integer MaxWidth, String& Path);
TPoint RectAlignedOrigin(const TRect& R, const TSize& Size, TAlignment Horizontal, TVerticalAlignment Vertical,
                         bool KeepInside);

// Fonts.
void AssignCanvasFont(TCanvas* Canvas, TFont* Font);
TColor ColorOrDefault(TColor Color, TColor Fallback);
// A new font of the same class and pixel density, assigned from Font.
TFont* FontClone(TFont* Font);
// A height of 0 becomes the height the font's handle was made with.
void FontResolveHeight(TFont* Font);

// Fills, frames and shapes.
void FillRectColor(TCanvas* Canvas, const TRect& R, TColor Color);
void FillRectBlack(HDC DC, const TRect& R);
void FillRectAlpha(TCanvas* Canvas, const TRect& R, TAlphaColor Color, Integer Radius = 0);
void FillGradient(TCanvas* Canvas, const TRect& R, TColor Color1, TColor Color2, bool Vertical);
void FillGradientAlpha(TCanvas* Canvas, const TRect& R, TAlphaColor Color1, TAlphaColor Color2, bool Vertical);
void DrawFrameBorders(TCanvas* Canvas, const TRect& R, TColor Color, TZCLBorders Borders, Integer Thickness = 1);
void DrawFrameBordersAlpha(TCanvas* Canvas, const TRect& R, TAlphaColor Color, TZCLBorders Borders,
                           Integer Thickness = 1);
void DrawFrame(TCanvas* Canvas, const TRect& R, TColor Color, Integer Thickness = 1);
void DrawFrameAlpha(TCanvas* Canvas, const TRect& R, TAlphaColor Color, Integer Thickness = 1);
// On the given sides only: a one-pixel line in Outer and, one pixel further in, one in Inner.
void DrawDoubleFrame(TCanvas* Canvas, const TRect& R, TColor Outer, TColor Inner, TZCLBorders Borders);
void DrawDoubleFrameAlpha(TCanvas* Canvas, const TRect& R, TAlphaColor Outer, TAlphaColor Inner, TZCLBorders Borders);
// A filled triangle pointing down, Size wide and high, centred in R.
void DrawDownTriangle(HDC DC, const TRect& R, TColor Color, const TSize& Size);
// Shows the DC's pixels in R's size as the window's per-pixel-alpha picture at R's top-left.
void UpdateLayeredWindowAlpha(HWND Window, HDC SourceDC, const TRect& R, Byte Alpha);
void DrawSelectionRect(TCanvas* Canvas, const TRect& R, TAlphaColor Color);
void DrawDottedFrame(TCanvas* Canvas, const TRect& R, TColor Color);
void DrawCheckerboard(HDC DC, const TRect& R, TColor Color1, TColor Color2, Integer CellSize);
void DrawCheckerboardDefault(HDC DC, const TRect& R);
TZCLBitmap* CreateCheckerboardBitmap(Integer CellSize, TColor Color1, TColor Color2);
void DrawColorPreview(TCanvas* Canvas, const TRect& R, TAlphaColor Color);
void DrawColorPreviewEx(TCanvas* Canvas, const TRect& R, TAlphaColor Color, TColor Frame1, TColor Frame2,
                        TColor Checker2);
// Directions 0 left, 1 right, 2 up, 3 down.
TSize ArrowSize(Integer Direction, Integer Dpi);
void DrawArrow(TCanvas* Canvas, const TRect& R, TColor Color, Integer Direction, Integer Dpi);
void StretchBltRect(HDC DestDC, HDC SourceDC, const TRect& Dest, const TRect& Source);
void TileBitBlt(HDC DestDC, HDC SourceDC, const TRect& Dest, const TRect& Source);
