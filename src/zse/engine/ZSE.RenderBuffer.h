#pragma once
// The surface every skin element paints on: a 32-bit premultiplied DIB with a set of drawing
// operations (copies, blends with blend modes, textures, texts, shapes, clipping and origin shifts)
// and the painting routines built on them: layers, masked content and scaled copies.

#include <functional>
#include <vector>

#include "zcl/graphics/ZCL.Graphics.Blend.h"
#include "zcl/graphics/ZCL.Graphics.Render.h"

class TZCLResourceTexture;
class TZCLTextLayout;
class TZCLRegionData;
class TFont;
class TZSERenderBuffer;

// The clip saved by ClipPush; opaque to callers.
using TZSERenderBufferClipState = HRGN;

using TZSERenderBufferPainter = std::function<void(TZSERenderBuffer* Buffer)>;
using TZSERenderBufferBoundsPainter = std::function<void(TZSERenderBuffer* Buffer, const TRect& Bounds)>;
using TZSERenderBufferOriginPainter = std::function<void(TZSERenderBuffer* Buffer, const TPoint& Origin)>;
using TZSERenderBufferCanvasPainter = std::function<void(TCanvas* Canvas)>;

class TZSERenderBuffer : public TZCLDibEx {
  ZCL_CLASS(TZSERenderBuffer, TZCLDibEx)
 public:
  TZSERenderBuffer() = default;

  // A buffer of the class in ClassOfBuffer(); the caller frees it.
  static TZSERenderBuffer* New(Integer AWidth, Integer AHeight);
  // The concrete class made for temporary buffers; the skin forms may install their own.
  static TClass ClassOfBuffer();
  static void SetClassOfBuffer(TClass Value);

  virtual HDC GetHandle();
  // Copies Source's SourceRect to DestPoint, replacing the pixels.
  virtual void DrawBuffer(TZCLDib* Source, const TRect& SourceRect, const TPoint& DestPoint) = 0;
  // Replacing copy; stretched (filtered when Smooth) when the sizes differ.
  virtual void StretchBuffer(TZCLDib* Source, const TRect& SourceRect, const TRect& DestRect, bool Smooth) = 0;
  // Blends Dib into DestRect at constant Alpha; blend modes other than normal work on a copy of
  // the destination rectangle only.
  virtual void DrawDib(const TRect& DestRect, TZCLDib* Dib, Byte Alpha, TZCLBlendMode BlendMode);
  virtual void DrawTexture(const TRect& R, TZCLResourceTexture* Texture, Integer FrameIndex, Byte Alpha) = 0;
  virtual void DrawTextLayout(const TPoint& Origin, TZCLTextLayout* Layout, const TRect& ClipRect) = 0;
  virtual void DrawText(const TRect& R, const String& Text, TFont* Font, TAlignment HorzAlignment,
                        TVerticalAlignment VertAlignment, bool EndEllipsis) = 0;
  virtual void DrawTextDuplicated(const TRect& R, const String& Text, const TPoint& Offset, Integer RepeatOffset,
                                  TFont* Font) = 0;
  // The shared canvas that measures text; kept until shutdown.
  virtual TCanvas* GetMeasurer() = 0;
  virtual void FillPolygon(const std::vector<TPoint>& Points, TAlphaColor Color) = 0;
  virtual void FillRect(const TRect& R, TAlphaColor Color) = 0;
  virtual void DrawFrame(const TRect& R, TAlphaColor Color, Integer Width) = 0;
  // Takes Region (freed here); fills R clipped to it with the texture, or with Color when the
  // texture is none or has no image.
  virtual void FillRegion(const TRect& R, HRGN Region, TAlphaColor Color, TZCLResourceTexture* Texture,
                          Integer FrameIndex) = 0;
  virtual void FillRegionData(const TRect& R, const TZCLRegionData* RegionData, TAlphaColor Color,
                              TZCLResourceTexture* Texture, Integer FrameIndex) = 0;
  // False (nothing changed) when R is invisible; else the clip is cut to R and ClipBox (when
  // given) receives the result's bounds. Every true answer needs one ClipPop.
  virtual bool ClipPush(const TRect& R, TZSERenderBufferClipState& State, TRect* ClipBox = nullptr) = 0;
  virtual void ClipPop(TZSERenderBufferClipState State) = 0;
  virtual bool IsVisible(const TRect& R) = 0;
  // Later drawing lands (DX, DY) device pixels further; returns the previous origin.
  virtual TPoint MoveOrigin(Integer DX, Integer DY) = 0;
  virtual void RestoreOrigin(const TPoint& P) = 0;
  // The whole buffer onto the whole of Target, scaled when the sizes differ (copy, nearest pixels).
  virtual void DrawTo(TZSERenderBuffer* Target) = 0;

  // Sizes the buffer to R, clears it and runs Painter with drawing at R's coordinates landing in
  // the buffer.
  void PaintInto(const TRect& R, const TZSERenderBufferPainter& Painter);
  // Sizes and clears the buffer; Painter gets the buffer's own bounds.
  void PaintIntoBounds(const TRect& R, const TZSERenderBufferBoundsPainter& Painter);
  void PaintIntoAt(const TRect& R, const TZSERenderBufferOriginPainter& Painter);
  void DrawTextureClipped(const TRect& R, TZCLResourceTexture* Texture, Integer FrameIndex, const TRect& ClipRect);
  void FillRectClipped(const TRect& R, TAlphaColor Color, const TRect& ClipRect);
  // Painter draws on a temporary layer covering ClipRect's visible part, in this buffer's
  // coordinates; the layer is then put back opaque (CopyBack) or blended.
  void PaintLayer(const TRect& ClipRect, bool CopyBack, bool WithBackground,
                  const TZSERenderBufferCanvasPainter& Painter);
  // Painter draws into Cache (kept by the caller between paints and freed with the element),
  // which is then cut to the texture frame's shape and blended into ClipRect.
  void PaintMasked(const TRect& ClipRect, TZCLResourceTexture* Texture, Integer FrameIndex, TZSERenderBuffer*& Cache,
                   bool WithBackground, const TZSERenderBufferPainter& Painter);
  // Shows R of this buffer on Target, whose size stands for this buffer's size.
  void DrawScaled(TZSERenderBuffer* Target, const TRect& R);

  static void Finalize();

 private:
  void PrepareForPaint(const TRect& R);
};

// The render buffer on the os layer's device contexts and the cairo 2D render.
class TZSERenderBufferGdi : public TZSERenderBuffer {
  ZCL_CLASS(TZSERenderBufferGdi, TZSERenderBuffer)
 public:
  TZSERenderBufferGdi() = default;

  void DrawBuffer(TZCLDib* Source, const TRect& SourceRect, const TPoint& DestPoint) override;
  void StretchBuffer(TZCLDib* Source, const TRect& SourceRect, const TRect& DestRect, bool Smooth) override;
  void DrawTexture(const TRect& R, TZCLResourceTexture* Texture, Integer FrameIndex, Byte Alpha) override;
  void DrawTextLayout(const TPoint& Origin, TZCLTextLayout* Layout, const TRect& ClipRect) override;
  void DrawText(const TRect& R, const String& Text, TFont* Font, TAlignment HorzAlignment,
                TVerticalAlignment VertAlignment, bool EndEllipsis) override;
  void DrawTextDuplicated(const TRect& R, const String& Text, const TPoint& Offset, Integer RepeatOffset,
                          TFont* Font) override;
  TCanvas* GetMeasurer() override;
  void FillPolygon(const std::vector<TPoint>& Points, TAlphaColor Color) override;
  void FillRect(const TRect& R, TAlphaColor Color) override;
  void DrawFrame(const TRect& R, TAlphaColor Color, Integer Width) override;
  void FillRegion(const TRect& R, HRGN Region, TAlphaColor Color, TZCLResourceTexture* Texture,
                  Integer FrameIndex) override;
  void FillRegionData(const TRect& R, const TZCLRegionData* RegionData, TAlphaColor Color, TZCLResourceTexture* Texture,
                      Integer FrameIndex) override;
  bool ClipPush(const TRect& R, TZSERenderBufferClipState& State, TRect* ClipBox = nullptr) override;
  void ClipPop(TZSERenderBufferClipState State) override;
  bool IsVisible(const TRect& R) override;
  TPoint MoveOrigin(Integer DX, Integer DY) override;
  void RestoreOrigin(const TPoint& P) override;
  void DrawTo(TZSERenderBuffer* Target) override;
};
