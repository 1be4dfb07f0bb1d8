#pragma once
// The device-independent 2D renderer: paint stages on a device context, clipping, images with
// alpha and tint, lines, shapes, paths, text, world transforms and quality settings, in
// floating-point coordinates and alpha colours. Images, image attributes and paths are resources
// bound to the render that made them; a resource of another render is never used.

#include <functional>
#include <vector>

#include "os/OS.Types.h"
#include "rtl/RTL.Geometry.h"
#include "vcl/VCL.Graphics.h"
#include "zcl/base/ZCL.Classes.h"
#include "zcl/base/ZCL.Colors.h"
#include "zcl/graphics/ZCL.Graphics.Geometry.h"

class TZCLCriticalSection;
class TZCLDib;
class TZCL2DRender;

// Text alignments as the platform numbers them.
enum TAlignment : Byte { taLeftJustify, taRightJustify, taCenter };
ZCL_ENUM(TAlignment, taLeftJustify, taRightJustify, taCenter);
enum TVerticalAlignment : Byte { taAlignTop, taAlignBottom, taVerticalCenter };
ZCL_ENUM(TVerticalAlignment, taAlignTop, taAlignBottom, taVerticalCenter);

enum TZCL2DRenderStrokeStyle : Byte { ssSolid, ssDash, ssDot, ssDashDot, ssDashDotDot };
enum TZCL2DRenderAlphaFormat : Byte { afIgnored2D, afDefined2D, afPremultiplied2D };
enum TZCL2DRenderSourceUsage : Byte { suCopy, suReference, suOwn };

class TZCL2DRenderResource : public TObject {
  ZCL_CLASS(TZCL2DRenderResource, TObject)
 public:
  explicit TZCL2DRenderResource(TZCL2DRender* AOwner);
  virtual void Release();
  // Not null, made by Render, and Render has not been replaced since.
  static bool IsValidFor(const TZCL2DRenderResource* Resource, const TZCL2DRender* Render);
  TZCL2DRender* Owner = nullptr;
  Integer OwnerId = 0;
};

class TZCL2DRenderImage : public TZCL2DRenderResource {
  ZCL_CLASS(TZCL2DRenderImage, TZCL2DRenderResource)
 public:
  using TZCL2DRenderResource::TZCL2DRenderResource;
  ~TZCL2DRenderImage() override;
  TObject* OwnedObject = nullptr;  // freed with the image
  void* OwnedBits = nullptr;       // freed with the image (operator new[] of TZCLPixel32)
  Integer Height = 0;
  Integer Width = 0;
};

class TZCL2DRenderImageAttributes : public TZCL2DRenderResource {
  ZCL_CLASS(TZCL2DRenderImageAttributes, TZCL2DRenderResource)
 public:
  using TZCL2DRenderResource::TZCL2DRenderResource;
  virtual void SetAlpha(Byte Value) { FAlpha = Value; }
  virtual void SetTintColor(TAlphaColor Value) { FTintColor = Value; }
  Byte GetAlpha() const { return FAlpha; }
  TAlphaColor GetTintColor() const { return FTintColor; }

 protected:
  Byte FAlpha = 255;
  TAlphaColor FTintColor = 0;
};

class TZCL2DRenderPath : public TZCL2DRenderResource {
  ZCL_CLASS(TZCL2DRenderPath, TZCL2DRenderResource)
 public:
  using TZCL2DRenderResource::TZCL2DRenderResource;
  // Angles in degrees, clockwise from the x axis.
  virtual void AddArc(float CX, float CY, float RX, float RY, float StartAngle, float SweepAngle) = 0;
  virtual void AddLine(float X1, float Y1, float X2, float Y2) = 0;
  virtual void AddRectangle(const TRect& R);
  virtual void FigureClose() = 0;
  virtual void FigureStart() = 0;
  // Radii above a third of the side are cut to it; zero radii give a plain rectangle.
  void AddRoundRect(const TRect& R, float RX, float RY);
};

// Runs GDI drawing on the render's current target.
struct IZCL2DRenderGdiCompatible : virtual IInterface {
  RTL_INTERFACE(IZCL2DRenderGdiCompatible, IInterface, "{0D7E5C36-9A2B-4F1E-8C47-2B6A1E9D3F50}")
  virtual void ExecuteGdi(const std::function<void(HDC)>& Proc) = 0;
};

// Opaque world-transform state.
struct TZCL2DRenderTransformState {
  double M[6] = {1, 0, 0, 1, 0, 0};
};

class TZCL2DRender : public TZCLUnknownObject {
  ZCL_CLASS(TZCL2DRender, TZCLUnknownObject)
 public:
  TZCL2DRender();
  ~TZCL2DRender() override;

  Integer GetId() const { return FId; }
  TZCLCriticalSection* GetLock() const { return FLock; }
  TPoint GetOrigin() const { return FOrigin; }

  virtual void BeginPaint(HDC DC);
  virtual void BeginPaint(HDC DC, const TRect& R, const TRect& ClipRect) = 0;
  void BeginPaint(HDC DC, const TRect& R) { BeginPaint(DC, R, R); }
  virtual void BeginPaint(TCanvas* Canvas) { BeginPaint(Canvas->GetHandle()); }
  virtual void EndPaint() = 0;
  virtual String GetDisplayName() const = 0;
  virtual String GetName() const = 0;

  // Saved is an opaque clip state for RestoreClip; false (and nothing saved) when R is invisible.
  virtual bool IntersectClip(const TRect& R, void*& Saved) = 0;
  virtual void RestoreClip(void* Saved) = 0;
  virtual bool IsVisible(const TRect& R) = 0;

  virtual void DrawCurve(TAlphaColor Color, const TPoint* Points, Integer HighIndex, float Tension, float Width);
  virtual void FillCurve(TAlphaColor Color, const TPoint* Points, Integer HighIndex, float Tension);
  virtual void DrawEllipse(float X1, float Y1, float X2, float Y2, TAlphaColor Color, float Width,
                           TZCL2DRenderStrokeStyle Style) = 0;
  virtual void FillEllipse(float X1, float Y1, float X2, float Y2, TAlphaColor Color) = 0;
  virtual void DrawLine(float X1, float Y1, float X2, float Y2, TAlphaColor Color, float Width,
                        TZCL2DRenderStrokeStyle Style) = 0;
  virtual void DrawLines(const TPoint* Points, Integer Count, TAlphaColor Color, float Width,
                         TZCL2DRenderStrokeStyle Style) = 0;

  virtual TZCL2DRenderImage* CreateImage(const TZCLPixel32* Bits, Integer Width, Integer Height,
                                         TZCL2DRenderAlphaFormat Format, TZCL2DRenderSourceUsage Usage) = 0;
  // Null for an empty DIB; with suOwn the image frees the DIB.
  virtual TZCL2DRenderImage* CreateImageFromDib(TZCLDib* Dib, TZCL2DRenderSourceUsage Usage);
  virtual TZCL2DRenderImageAttributes* CreateImageAttributes();
  // Re-creates Cached from the DIB when it is not valid for this render, then draws it.
  virtual void DrawImageCached(TZCLDib* Dib, const TRect& Dest, TZCL2DRenderImage** Cached);
  virtual void DrawImage(TZCL2DRenderImage* Image, const TRect& Dest, const TRect& Source, Byte Alpha) = 0;
  virtual void DrawImageWithAttributes(TZCL2DRenderImage* Image, const TRect& Dest, const TRect& Source,
                                       TZCL2DRenderImageAttributes* Attributes) = 0;
  virtual void TileImage(TZCL2DRenderImage* Image, const TRect& Dest, const TRect& Source,
                         TZCL2DRenderImageAttributes* Attributes);

  virtual void DrawRectangle(float X1, float Y1, float X2, float Y2, TAlphaColor Color, float Width,
                             TZCL2DRenderStrokeStyle Style) = 0;
  virtual void FillRectangleByCheckerboard(const TRect& R, TAlphaColor Color1, TAlphaColor Color2,
                                           Integer CellSize) = 0;
  virtual void FillRectangle(float X1, float Y1, float X2, float Y2, TAlphaColor Color) = 0;
  virtual void FillRectangleByGradient(const TRect& R, TAlphaColor Color1, TAlphaColor Color2, bool Vertical) = 0;
  virtual void MeasureText(const String& Text, TFont* Font, TRect& R, bool WordWrap) = 0;
  virtual void DrawText(const String& Text, const TRect& R, TAlphaColor Color, TFont* Font, TAlignment Horizontal,
                        TVerticalAlignment Vertical, bool WordWrap) = 0;

  virtual TZCL2DRenderPath* CreatePath() = 0;
  virtual void DrawPath(TZCL2DRenderPath* Path, TAlphaColor Color, float Width, TZCL2DRenderStrokeStyle Style) = 0;
  virtual void FillPath(TZCL2DRenderPath* Path, TAlphaColor Color) = 0;
  virtual void FillAndDrawPolygon(const TPoint* Points, Integer HighIndex, TAlphaColor FillColor,
                                  TAlphaColor FrameColor, float Width, TZCL2DRenderStrokeStyle Style);
  virtual void DrawPolygon(const TPoint* Points, Integer HighIndex, TAlphaColor Color, float Width,
                           TZCL2DRenderStrokeStyle Style) = 0;
  virtual void FillPolygon(const TPoint* Points, Integer HighIndex, TAlphaColor Color) = 0;

  virtual void SaveWorldTransform(TZCL2DRenderTransformState& State) = 0;
  virtual void RestoreWorldTransform(const TZCL2DRenderTransformState& State) = 0;
  // Applied before the current transform.
  virtual void ModifyWorldTransform(const TXForm& Transform) = 0;
  virtual void ScaleWorldTransform(float SX, float SY) { ModifyWorldTransform(TXForm::CreateScale(SX, SY)); }
  virtual void SetWorldTransform(const TXForm& Transform) = 0;
  virtual void TransformPoints(TPoint* Points, Integer Count) = 0;
  virtual void TranslateWorldTransform(float DX, float DY) { ModifyWorldTransform(TXForm::CreateTranslate(DX, DY)); }
  // Later drawing moves by (DX, DY); returns the old origin.
  virtual TPoint ModifyOrigin(Integer DX, Integer DY);
  virtual TPoint SetOrigin(const TPoint& P);
  // 0 default, 1 off, 2 on.
  virtual void SetGeometrySmoothing(Integer Mode) {}
  // 0 default, 1 low, 2 high.
  virtual void SetImageSmoothing(Integer Mode) {}
  // 0 default, 1 half pixel, 2 none.
  virtual void SetPixelOffset(Integer Mode) {}

  void DrawRectangle(const TRect& R, TAlphaColor Color, float Width, TZCL2DRenderStrokeStyle Style) {
    DrawRectangle(float(R.Left), float(R.Top), float(R.Right), float(R.Bottom), Color, Width, Style);
  }
  void FillRectangle(const TRect& R, TAlphaColor Color) {
    FillRectangle(float(R.Left), float(R.Top), float(R.Right), float(R.Bottom), Color);
  }
  void DrawEllipse(const TRect& R, TAlphaColor Color, float Width, TZCL2DRenderStrokeStyle Style) {
    DrawEllipse(float(R.Left), float(R.Top), float(R.Right), float(R.Bottom), Color, Width, Style);
  }
  void FillEllipse(const TRect& R, TAlphaColor Color) {
    FillEllipse(float(R.Left), float(R.Top), float(R.Right), float(R.Bottom), Color);
  }
  void FillAndFrameRectangle(const TRect& R, TAlphaColor FillColor, TAlphaColor FrameColor, float Width,
                             TZCL2DRenderStrokeStyle Style) {
    FillRectangle(R, FillColor);
    DrawRectangle(R, FrameColor, Width, Style);
  }

 protected:
  TPoint FOrigin;

 private:
  Integer FId;
  TZCLCriticalSection* FLock;
};
