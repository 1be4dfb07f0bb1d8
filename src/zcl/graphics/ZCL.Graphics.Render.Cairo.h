#pragma once
// The 2D renderer on cairo, and the paint canvas with nested paint stages that serves as the
// shared paint render of the drawing helpers.
//
// Each drawing call makes a cairo context on the device context's surface, so the DC's clip
// and window origin always apply. Pixel offset: mode 1 ("half") is cairo's own model; in the
// default and "none" modes strokes move by half a pixel so that a one-pixel line on an integer
// coordinate covers that pixel column, as the system's drawing code expects.

#include <vector>

#include "zcl/graphics/ZCL.Graphics.Render.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_pattern cairo_pattern_t;
typedef struct _cairo_surface cairo_surface_t;

RTL_EXCEPTION(EInvalidGraphicOperation, Exception);

class TZCLCairoRenderImage : public TZCL2DRenderImage {
  ZCL_CLASS(TZCLCairoRenderImage, TZCL2DRenderImage)
 public:
  using TZCL2DRenderImage::TZCL2DRenderImage;
  ~TZCLCairoRenderImage() override;
  cairo_surface_t* Surface = nullptr;
};

class TZCLCairoRenderPath : public TZCL2DRenderPath {
  ZCL_CLASS(TZCLCairoRenderPath, TZCL2DRenderPath)
 public:
  using TZCL2DRenderPath::TZCL2DRenderPath;
  void AddArc(float CX, float CY, float RX, float RY, float StartAngle, float SweepAngle) override;
  void AddLine(float X1, float Y1, float X2, float Y2) override;
  void FigureClose() override;
  void FigureStart() override;
  // Replays the path on a context.
  void Apply(cairo_t* Cairo) const;

 private:
  enum TOp : Byte { opMove, opLine, opArc, opClose };
  struct TItem {
    TOp Op;
    float A, B, C, D, E, F;
  };
  std::vector<TItem> FItems;
  bool FNewFigure = true;
};

class TZCLCairoRender : public TZCL2DRender, public IZCL2DRenderGdiCompatible {
  ZCL_CLASS(TZCLCairoRender, TZCL2DRender)
  RTL_INTERFACES(IInterface, IInterface, IZCL2DRenderGdiCompatible)
 public:
  TZCLCairoRender() = default;
  ~TZCLCairoRender() override;
  using TZCL2DRender::BeginPaint;
  using TZCL2DRender::DrawEllipse;
  using TZCL2DRender::DrawRectangle;
  using TZCL2DRender::FillEllipse;
  using TZCL2DRender::FillRectangle;
  void BeginPaint(HDC DC, const TRect& R, const TRect& ClipRect) override;
  void EndPaint() override;
  String GetDisplayName() const override { return u"Cairo"; }
  String GetName() const override { return u"Cairo"; }
  HDC GetDC() const { return FDC; }
  float GetPixelSize() const { return FPixelSize; }

  bool IntersectClip(const TRect& R, void*& Saved) override;
  void RestoreClip(void* Saved) override;
  bool IsVisible(const TRect& R) override;

  void DrawCurve(TAlphaColor Color, const TPoint* Points, Integer HighIndex, float Tension, float Width) override;
  void FillCurve(TAlphaColor Color, const TPoint* Points, Integer HighIndex, float Tension) override;
  void DrawEllipse(float X1, float Y1, float X2, float Y2, TAlphaColor Color, float Width,
                   TZCL2DRenderStrokeStyle Style) override;
  void FillEllipse(float X1, float Y1, float X2, float Y2, TAlphaColor Color) override;
  void DrawLine(float X1, float Y1, float X2, float Y2, TAlphaColor Color, float Width,
                TZCL2DRenderStrokeStyle Style) override;
  void DrawLines(const TPoint* Points, Integer Count, TAlphaColor Color, float Width,
                 TZCL2DRenderStrokeStyle Style) override;

  TZCL2DRenderImage* CreateImage(const TZCLPixel32* Bits, Integer Width, Integer Height, TZCL2DRenderAlphaFormat Format,
                                 TZCL2DRenderSourceUsage Usage) override;
  void DrawImage(TZCL2DRenderImage* Image, const TRect& Dest, const TRect& Source, Byte Alpha) override;
  void DrawImageWithAttributes(TZCL2DRenderImage* Image, const TRect& Dest, const TRect& Source,
                               TZCL2DRenderImageAttributes* Attributes) override;

  void DrawRectangle(float X1, float Y1, float X2, float Y2, TAlphaColor Color, float Width,
                     TZCL2DRenderStrokeStyle Style) override;
  void FillRectangleByCheckerboard(const TRect& R, TAlphaColor Color1, TAlphaColor Color2, Integer CellSize) override;
  void FillRectangle(float X1, float Y1, float X2, float Y2, TAlphaColor Color) override;
  void FillRectangleByGradient(const TRect& R, TAlphaColor Color1, TAlphaColor Color2, bool Vertical) override;
  void MeasureText(const String& Text, TFont* Font, TRect& R, bool WordWrap) override;
  void DrawText(const String& Text, const TRect& R, TAlphaColor Color, TFont* Font, TAlignment Horizontal,
                TVerticalAlignment Vertical, bool WordWrap) override;

  TZCL2DRenderPath* CreatePath() override { return new TZCLCairoRenderPath(this); }
  void DrawPath(TZCL2DRenderPath* Path, TAlphaColor Color, float Width, TZCL2DRenderStrokeStyle Style) override;
  void FillPath(TZCL2DRenderPath* Path, TAlphaColor Color) override;
  void DrawPolygon(const TPoint* Points, Integer HighIndex, TAlphaColor Color, float Width,
                   TZCL2DRenderStrokeStyle Style) override;
  void FillPolygon(const TPoint* Points, Integer HighIndex, TAlphaColor Color) override;

  void SaveWorldTransform(TZCL2DRenderTransformState& State) override;
  void RestoreWorldTransform(const TZCL2DRenderTransformState& State) override;
  void ModifyWorldTransform(const TXForm& Transform) override;
  void SetWorldTransform(const TXForm& Transform) override;
  void TransformPoints(TPoint* Points, Integer Count) override;
  void SetGeometrySmoothing(Integer Mode) override { FSmoothing = Mode; }
  void SetImageSmoothing(Integer Mode) override { FImageSmoothing = Mode; }
  void SetPixelOffset(Integer Mode) override { FPixelOffset = Mode; }
  Integer GetPixelOffset() const { return FPixelOffset; }

  void ExecuteGdi(const std::function<void(HDC)>& Proc) override;

  static void FinalizeCaches();

 protected:
  bool IsPainting() const { return FDC != nullptr; }
  HDC FDC = nullptr;

 private:
  enum TContextKind : Byte { ckFill, ckStroke, ckImage };
  // A context for one drawing call with the world transform, origin and quality applied; null
  // when nothing can be drawn.
  cairo_t* Begin(TContextKind Kind);
  void End(cairo_t* Cairo);
  void Stroke(cairo_t* Cairo, TAlphaColor Color, float Width, TZCL2DRenderStrokeStyle Style);
  void Fill(cairo_t* Cairo, TAlphaColor Color);
  void PolygonPath(cairo_t* Cairo, const TPoint* Points, Integer Count, bool Close);
  void PaintImage(TZCL2DRenderImage* Image, const TRect& Dest, const TRect& Source, Byte Alpha, TAlphaColor Tint);
  void UpdatePixelSize();

  double FMatrix[6] = {1, 0, 0, 1, 0, 0};
  float FPixelSize = 1;
  Integer FSmoothing = 0;
  Integer FImageSmoothing = 0;
  Integer FPixelOffset = 0;
};

// Nested paint stages: each BeginPaint suspends the current target and holds the render's lock
// until the matching EndPaint.
class TZCLCairoPaintCanvas : public TZCLCairoRender {
  ZCL_CLASS(TZCLCairoPaintCanvas, TZCLCairoRender)
 public:
  using TZCLCairoRender::BeginPaint;
  void BeginPaint(HDC DC) override;
  void BeginPaint(HDC DC, const TRect& R, const TRect& ClipRect) override;
  void EndPaint() override;

 private:
  struct TStage {
    HDC DC;
    TPoint Origin;
  };
  std::vector<TStage> FStack;
};

// The shared paint render of the drawing helpers (created on first use, freed at finalization).
TZCLCairoPaintCanvas* SharedPaintRender();
void FinalizeSharedPaintRender();
