#pragma once
// 32-bit off-screen pictures: TZCLDib, a top-down premultiplied DIB section with its own memory
// device context (drawn on with GDI calls or cairo, blended onto other DCs, read and written as
// a pixel array), and TZCLBitmap, the platform bitmap with a few conveniences.

#include "os/OS.Types.h"
#include "rtl/RTL.Geometry.h"
#include "vcl/VCL.ExtCtrls.h"
#include "vcl/VCL.Graphics.h"
#include "zcl/base/ZCL.Colors.h"

// A DIB or its device context could not be made.
class ENotEnoughGraphicResources : public EOutOfResources {
 public:
  ENotEnoughGraphicResources(StringView What, Integer Width, Integer Height);
  String ClassName() const override { return u"ENotEnoughGraphicResources"; }
};

class TZCLDib;

// The canvas of a DIB: its handle is the DIB's DC. Owned by the DIB.
class TZCLDibCanvas : public TCanvas {
  ZCL_CLASS(TZCLDibCanvas, TCanvas)
 public:
  explicit TZCLDibCanvas(TZCLDib* ADib) : FDib(ADib) {}
  ~TZCLDibCanvas() override;

 protected:
  void CreateHandle() override;

 private:
  TZCLDib* FDib;
};

class TZCLDib : public TObject {
  ZCL_CLASS(TZCLDib, TObject)
 public:
  TZCLDib() = default;
  TZCLDib(Integer AWidth, Integer AHeight) { CreateHandles(AWidth, AHeight); }
  static TZCLDib* CreateFromRect(const TRect& R) { return new TZCLDib(R.Width(), R.Height()); }
  static TZCLDib* CreateFromSize(const TSize& S) { return new TZCLDib(S.cx, S.cy); }
  ~TZCLDib() override { FreeHandles(); }
  bool Equals(const TObject* Obj) const override;

  // Nothing for a zero or negative size; raises ENotEnoughGraphicResources when the memory
  // cannot be had (the DIB is then left empty).
  virtual void CreateHandles(Integer AWidth, Integer AHeight);
  virtual void FreeHandles();
  // The new content is undefined; true when the size changed.
  bool Resize(Integer AWidth, Integer AHeight);
  bool ResizeRect(const TRect& R) { return Resize(R.Width(), R.Height()); }

  void Assign(const TZCLDib* Source);
  void AssignBits(const TZCLPixel32* Bits, Integer AWidth, Integer AHeight);
  void AssignGraphic(TGraphic* Graphic);

  // x + y * Width, or -1 outside.
  Integer CoordToIndex(Integer X, Integer Y) const;
  // Recolours every visible pixel, keeping its alpha.
  void Fill(TColor Color);
  void Flip(bool Horizontally, bool Vertically);
  void Grayscale(bool IncludeKeyColor);
  void MakeOpaque();
  void MakeTransparent(TZCLPixel32 Key);
  void MakeTransparentColor(TColor Color);
  // All bytes 0.
  void Reset();
  void ResetRect(const TRect& R);

  void DrawBlendEx(HDC DC, const TRect& Dest, const TRect& Source, Byte Alpha);
  // Smooth stretching filters through cairo; otherwise nearest pixels.
  void DrawBlendRect(TCanvas* Canvas, const TRect& Dest, const TRect& Source, Byte Alpha, bool Smooth);
  void DrawBlend(TCanvas* Canvas, const TRect& Dest, Byte Alpha, bool Smooth) {
    DrawBlendRect(Canvas, Dest, ClientRect(), Alpha, Smooth);
  }
  void DrawBlendAt(TCanvas* Canvas, const TPoint& P, Byte Alpha) {
    DrawBlend(Canvas, TRect(P, Integer(FWidth), Integer(FHeight)), Alpha, false);
  }
  void DrawCopy(TCanvas* Canvas, const TPoint& P);
  void DrawCopyStretch(TCanvas* Canvas, const TRect& Dest, bool Smooth);
  // A region of every pixel whose colour is not magenta; null when there is none.
  HRGN CreateRegion() const;

  TZCLDibCanvas* GetCanvas();
  TRect ClientRect() const { return TRect(0, 0, Integer(FWidth), Integer(FHeight)); }
  bool Empty() const { return FColorCount == 0; }
  TSize Size() const { return TSize(Integer(FWidth), Integer(FHeight)); }
  Integer GetWidth() const { return Integer(FWidth); }
  Integer GetHeight() const { return Integer(FHeight); }
  TZCLPixel32* GetColors() const { return FColors; }
  Integer GetColorCount() const { return FColorCount; }
  HDC GetDC() const { return FDC; }
  HBITMAP GetHandle() const { return FHandle; }
  // Flushes pending drawing before the pixels are read directly, and marks them changed after.
  void BeginAccess() const;
  void EndAccess() const;

 private:
  HBITMAP FHandle = nullptr;
  TZCLDibCanvas* FCanvas = nullptr;
  Integer FColorCount = 0;
  TZCLPixel32* FColors = nullptr;
  HDC FDC = nullptr;
  Cardinal FHeight = 0;
  Cardinal FWidth = 0;
};

// The platform bitmap with a size at construction, pixel access and colour schemas.
class TZCLBitmap : public TBitmap, public IZCLColorSchema {
  ZCL_CLASS(TZCLBitmap, TBitmap)
  RTL_INTERFACES(IInterface, IInterface, IZCLColorSchema)
 public:
  TZCLBitmap() = default;
  TZCLBitmap(Integer AWidth, Integer AHeight, TPixelFormat Format = TPixelFormat::pf32bit, bool Clear = true);
  Integer _AddRef() override { return -1; }
  Integer _Release() override { return -1; }

  TRect GetClientRect() const { return TRect(0, 0, GetWidth(), GetHeight()); }
  void SetSizeRect(const TRect& R);
  void ApplyColorSchema(const TZCLColorSchema& Schema) override;
  void MakeOpaque();
  void MakeTransparent(TColor Color);
  void Reset();
  // Width * Height pixels, top-down.
  void WritePixels(const TZCLPixel32DynArray& Pixels);
};

// Width * Height pixels of a bitmap, top-down, as stored.
TZCLPixel32DynArray ReadBitmapPixels(TBitmap* Bitmap);
