#include "zse/engine/ZSE.RenderBuffer.h"

#include <memory>

#include "os/OS.Gdi.h"
#include "os/OS.Regions.h"
#include "rtl/RTL.Numbers.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/graphics/ZCL.Graphics.Font.h"
#include "zcl/graphics/ZCL.Graphics.Render.Cairo.h"
#include "zcl/graphics/ZCL.Graphics.SkinImage.h"
#include "zcl/graphics/ZCL.Graphics.TextLayout.h"
#include "zcl/ui/ZCL.UI.Resources.Texture.h"

namespace {
TClass GBufferClass = nullptr;

struct TBufferFree {
  void operator()(TZSERenderBuffer* Buffer) const { Free(Buffer); }
};
using TBufferHolder = std::unique_ptr<TZSERenderBuffer, TBufferFree>;

// Copies (or stretches) Source's SourceRect into Dest's DestRect, replacing the pixels.
void CopyPixels(HDC Dest, const TRect& DestRect, TZCLDib* Source, const TRect& SourceRect, bool Smooth) {
  if (Source == nullptr || Source->Empty() || DestRect.IsEmpty() || SourceRect.IsEmpty()) return;
  if (DestRect.Width() == SourceRect.Width() && DestRect.Height() == SourceRect.Height()) {
    BitBlt(Dest, DestRect.Left, DestRect.Top, DestRect.Width(), DestRect.Height(), Source->GetDC(), SourceRect.Left,
           SourceRect.Top, SRCCOPY);
    return;
  }
  const int oldMode = SetStretchBltMode(Dest, Smooth ? HALFTONE : COLORONCOLOR);
  StretchBlt(Dest, DestRect.Left, DestRect.Top, DestRect.Width(), DestRect.Height(), Source->GetDC(), SourceRect.Left,
             SourceRect.Top, SourceRect.Width(), SourceRect.Height(), SRCCOPY);
  SetStretchBltMode(Dest, oldMode);
}

// Runs Proc with the shared 2D render painting on DC.
template <class F>
void WithRender(HDC DC, F&& Proc) {
  TZCLCairoPaintCanvas* render = SharedPaintRender();
  render->BeginPaint(DC);
  try {
    Proc(render);
  } catch (...) {
    render->EndPaint();
    throw;
  }
  render->EndPaint();
}
}  // namespace

// ---- TZSERenderBuffer ------------------------------------------------------------------------------

TClass TZSERenderBuffer::ClassOfBuffer() { return GBufferClass ? GBufferClass : TZSERenderBufferGdi::StaticClass(); }

void TZSERenderBuffer::SetClassOfBuffer(TClass Value) {
  if (Value != nullptr && !Value->InheritsFrom(TZSERenderBuffer::StaticClass()))
    throw EInvalidCast(u"Invalid class typecast");
  GBufferClass = Value;
}

TZSERenderBuffer* TZSERenderBuffer::New(Integer AWidth, Integer AHeight) {
  TZSERenderBuffer* buffer = ClassOfBuffer()->Create<TZSERenderBuffer>();
  try {
    buffer->Resize(AWidth, AHeight);
  } catch (...) {
    Free(buffer);
    throw;
  }
  return buffer;
}

void TZSERenderBuffer::Finalize() { GBufferClass = nullptr; }

HDC TZSERenderBuffer::GetHandle() { return GetDC(); }

void TZSERenderBuffer::DrawDib(const TRect& DestRect, TZCLDib* Dib, Byte Alpha, TZCLBlendMode BlendMode) {
  if (Empty() || Dib == nullptr || Dib->Empty() || DestRect.IsEmpty()) return;
  if (BlendMode == bmNormal || BlendMode >= BlendModeCount) {
    Dib->DrawBlend(GetCanvas(), DestRect, Alpha, false);
    return;
  }
  if (Dib->GetWidth() == DestRect.Width() && Dib->GetHeight() == DestRect.Height()) {
    // Only the destination rectangle is blended, on a copy.
    TBufferHolder temp(New(DestRect.Width(), DestRect.Height()));
    temp->DrawBuffer(this, DestRect, TPoint(0, 0));
    BlendFunctions[BlendMode](temp.get(), Dib, Alpha);
    DrawBuffer(temp.get(), temp->ClientRect(), DestRect.TopLeft());
    return;
  }
  TBufferHolder scaled(New(DestRect.Width(), DestRect.Height()));
  scaled->Reset();
  scaled->StretchBuffer(Dib, Dib->ClientRect(), scaled->ClientRect(), false);
  DrawDib(DestRect, scaled.get(), Alpha, BlendMode);
}

void TZSERenderBuffer::PrepareForPaint(const TRect& R) {
  Resize(R.Width(), R.Height());
  Reset();
}

void TZSERenderBuffer::PaintInto(const TRect& R, const TZSERenderBufferPainter& Painter) {
  PrepareForPaint(R);
  // R's top-left lands on the buffer's first pixel.
  MoveOrigin(-R.Left, -R.Top);
  try {
    Painter(this);
  } catch (...) {
    RestoreOrigin(TPoint(0, 0));
    throw;
  }
  RestoreOrigin(TPoint(0, 0));
}

void TZSERenderBuffer::PaintIntoBounds(const TRect& R, const TZSERenderBufferBoundsPainter& Painter) {
  PrepareForPaint(R);
  Painter(this, ClientRect());
}

void TZSERenderBuffer::PaintIntoAt(const TRect& R, const TZSERenderBufferOriginPainter& Painter) {
  PrepareForPaint(R);
  Painter(this, TPoint(0, 0));
}

void TZSERenderBuffer::DrawTextureClipped(const TRect& R, TZCLResourceTexture* Texture, Integer FrameIndex,
                                          const TRect& ClipRect) {
  TZSERenderBufferClipState state;
  if (!ClipPush(ClipRect, state)) return;
  try {
    DrawTexture(R, Texture, FrameIndex, 255);
  } catch (...) {
    ClipPop(state);
    throw;
  }
  ClipPop(state);
}

void TZSERenderBuffer::FillRectClipped(const TRect& R, TAlphaColor Color, const TRect& ClipRect) {
  TZSERenderBufferClipState state;
  if (!ClipPush(ClipRect, state)) return;
  try {
    FillRect(R, Color);
  } catch (...) {
    ClipPop(state);
    throw;
  }
  ClipPop(state);
}

void TZSERenderBuffer::PaintLayer(const TRect& ClipRect, bool CopyBack, bool WithBackground,
                                  const TZSERenderBufferCanvasPainter& Painter) {
  TZSERenderBufferClipState state;
  TRect box;
  if (!ClipPush(ClipRect, state, &box)) return;
  try {
    TBufferHolder layer(New(box.Width(), box.Height()));
    layer->Reset();
    if (WithBackground) layer->DrawBuffer(this, box, TPoint(0, 0));
    layer->MoveOrigin(-box.Left, -box.Top);
    try {
      Painter(layer->GetCanvas());
    } catch (...) {
      layer->RestoreOrigin(TPoint(0, 0));
      throw;
    }
    layer->RestoreOrigin(TPoint(0, 0));
    if (CopyBack) {
      layer->MakeOpaque();
      DrawBuffer(layer.get(), layer->ClientRect(), box.TopLeft());
    } else {
      DrawDib(box, layer.get(), 255, bmNormal);
    }
  } catch (...) {
    ClipPop(state);
    throw;
  }
  ClipPop(state);
}

void TZSERenderBuffer::PaintMasked(const TRect& ClipRect, TZCLResourceTexture* Texture, Integer FrameIndex,
                                   TZSERenderBuffer*& Cache, bool WithBackground,
                                   const TZSERenderBufferPainter& Painter) {
  TZSERenderBufferClipState state;
  TRect visible;
  if (!ClipPush(ClipRect, state, &visible)) return;
  // The cache leaves the caller's hands while it is in use, so a failure cannot leave it half made.
  TBufferHolder buffer(Cache);
  Cache = nullptr;
  try {
    const TRect local(0, 0, ClipRect.Width(), ClipRect.Height());
    if (!buffer) {
      buffer.reset(New(local.Width(), local.Height()));
    } else if (buffer->UpdateSize(local)) {
      buffer->ResetMask();
    }
    if (TZCLSkinImage* image = Texture ? Texture->GetCurrentImage() : nullptr) buffer->PrepareMask(image, FrameIndex);
    if (WithBackground)
      buffer->DrawBuffer(this, ClipRect, TPoint(0, 0));
    else
      buffer->Reset();
    TRect part = visible;
    part.Offset(-ClipRect.Left, -ClipRect.Top);
    TZSERenderBufferClipState inner;
    if (buffer->ClipPush(part, inner)) {
      buffer->MoveOrigin(-ClipRect.Left, -ClipRect.Top);
      try {
        Painter(buffer.get());
      } catch (...) {
        buffer->RestoreOrigin(TPoint(0, 0));
        buffer->ClipPop(inner);
        throw;
      }
      buffer->RestoreOrigin(TPoint(0, 0));
      buffer->ClipPop(inner);
    }
    buffer->ApplyMask(&part);
    buffer->SetDirty(false);
    DrawDib(ClipRect, buffer.get(), 255, bmNormal);
    Cache = buffer.release();
  } catch (...) {
    ClipPop(state);
    throw;
  }
  ClipPop(state);
}

void TZSERenderBuffer::DrawScaled(TZSERenderBuffer* Target, const TRect& R) {
  if (Target == nullptr || Empty() || Target->Empty()) return;
  const Integer w = GetWidth(), h = GetHeight(), tw = Target->GetWidth(), th = Target->GetHeight();
  const TRect mapped(MulDiv(R.Left, tw, w) - 1, MulDiv(R.Top, th, h) - 1, MulDiv(R.Right, tw, w) + 1,
                     MulDiv(R.Bottom, th, h) + 1);
  TZSERenderBufferClipState state;
  if (!Target->ClipPush(mapped, state)) return;
  try {
    DrawTo(Target);
  } catch (...) {
    Target->ClipPop(state);
    throw;
  }
  Target->ClipPop(state);
}

// ---- TZSERenderBufferGdi ---------------------------------------------------------------------------

void TZSERenderBufferGdi::DrawBuffer(TZCLDib* Source, const TRect& SourceRect, const TPoint& DestPoint) {
  if (Empty()) return;
  CopyPixels(GetDC(), TRect(DestPoint, SourceRect.Width(), SourceRect.Height()), Source, SourceRect, false);
}

void TZSERenderBufferGdi::StretchBuffer(TZCLDib* Source, const TRect& SourceRect, const TRect& DestRect, bool Smooth) {
  if (Empty()) return;
  CopyPixels(GetDC(), DestRect, Source, SourceRect, Smooth);
}

void TZSERenderBufferGdi::DrawTexture(const TRect& R, TZCLResourceTexture* Texture, Integer FrameIndex, Byte Alpha) {
  if (Texture != nullptr && !Empty()) Texture->Draw(GetCanvas(), R, FrameIndex, true, Alpha);
}

void TZSERenderBufferGdi::DrawTextLayout(const TPoint& Origin, TZCLTextLayout* Layout, const TRect& ClipRect) {
  if (Layout != nullptr && !Empty()) Layout->DrawWithOrigin(GetCanvas(), ClipRect, Origin);
}

void TZSERenderBufferGdi::DrawText(const TRect& R, const String& Text, TFont* Font, TAlignment HorzAlignment,
                                   TVerticalAlignment VertAlignment, bool EndEllipsis) {
  if (Font != nullptr && !Empty()) DrawText32(GetCanvas(), R, Text, Font, HorzAlignment, VertAlignment, EndEllipsis);
}

void TZSERenderBufferGdi::DrawTextDuplicated(const TRect& R, const String& Text, const TPoint& Offset,
                                             Integer RepeatOffset, TFont* Font) {
  if (Font != nullptr && !Empty()) DrawText32Duplicated(GetCanvas(), R, Text, Offset, RepeatOffset, Font);
}

TCanvas* TZSERenderBufferGdi::GetMeasurer() { return MeasureCanvas(); }

void TZSERenderBufferGdi::FillPolygon(const std::vector<TPoint>& Points, TAlphaColor Color) {
  if (Points.size() < 3 || Empty()) return;
  WithRender(GetDC(), [&](TZCL2DRender* Render) {
    Render->FillPolygon(Points.data(), static_cast<Integer>(Points.size()) - 1, Color);
  });
}

void TZSERenderBufferGdi::FillRect(const TRect& R, TAlphaColor Color) {
  if (R.IsEmpty() || Empty()) return;
  WithRender(GetDC(), [&](TZCL2DRender* Render) { Render->FillRectangle(R, Color); });
}

void TZSERenderBufferGdi::DrawFrame(const TRect& R, TAlphaColor Color, Integer Width) {
  if (R.IsEmpty() || Width <= 0 || Empty()) return;
  WithRender(GetDC(), [&](TZCL2DRender* Render) { Render->DrawRectangle(R, Color, float(Width), ssSolid); });
}

void TZSERenderBufferGdi::FillRegion(const TRect& R, HRGN Region, TAlphaColor Color, TZCLResourceTexture* Texture,
                                     Integer FrameIndex) {
  if (Region == nullptr) return;
  HDC dc = GetDC();
  if (Empty()) {
    DeleteObject(Region);
    return;
  }
  HRGN saved = ClipRegionSave(dc);
  // The region is given in drawing coordinates; the clip lives in device pixels.
  OffsetRegionByWindowOrg(dc, Region);
  ExtSelectClipRgn(dc, Region, RGN_AND);
  try {
    if (Texture == nullptr || Texture->IsEmpty())
      FillRect(R, Color);
    else
      DrawTexture(R, Texture, FrameIndex, 255);
  } catch (...) {
    ClipRegionPop(dc, saved);
    DeleteObject(Region);
    throw;
  }
  ClipRegionPop(dc, saved);
  DeleteObject(Region);
}

void TZSERenderBufferGdi::FillRegionData(const TRect& R, const TZCLRegionData* RegionData, TAlphaColor Color,
                                         TZCLResourceTexture* Texture, Integer FrameIndex) {
  if (RegionData == nullptr) return;
  FillRegion(R, RegionData->CreateRegion(R), Color, Texture, FrameIndex);
}

bool TZSERenderBufferGdi::ClipPush(const TRect& R, TZSERenderBufferClipState& State, TRect* ClipBox) {
  HDC dc = GetDC();
  State = nullptr;
  if (dc == nullptr || !ClipRegionPush(dc, R, State)) return false;
  if (ClipBox != nullptr) GetClipBox(dc, ClipBox);
  return true;
}

void TZSERenderBufferGdi::ClipPop(TZSERenderBufferClipState State) {
  if (HDC dc = GetDC()) ClipRegionPop(dc, State);
}

bool TZSERenderBufferGdi::IsVisible(const TRect& R) {
  HDC dc = GetDC();
  return dc != nullptr && IsRectVisible(dc, R);
}

TPoint TZSERenderBufferGdi::MoveOrigin(Integer DX, Integer DY) {
  HDC dc = GetDC();
  return dc != nullptr ? MoveWindowOrg(dc, TPoint(DX, DY)) : TPoint(0, 0);
}

void TZSERenderBufferGdi::RestoreOrigin(const TPoint& P) {
  if (HDC dc = GetDC()) RestoreWindowOrg(dc, P);
}

void TZSERenderBufferGdi::DrawTo(TZSERenderBuffer* Target) {
  if (Target == nullptr || Target->Empty() || Empty()) return;
  Target->StretchBuffer(this, ClientRect(), Target->ClientRect(), false);
}
