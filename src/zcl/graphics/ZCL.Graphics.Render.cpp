#include "zcl/graphics/ZCL.Graphics.Render.h"

#include <random>

#include "os/OS.Gdi.h"
#include "os/OS.Regions.h"
#include "zcl/base/ZCL.Threading.h"
#include "zcl/graphics/ZCL.Graphics.Dib.h"

// ---- resources --------------------------------------------------------------------------------

TZCL2DRenderResource::TZCL2DRenderResource(TZCL2DRender* AOwner)
    : Owner(AOwner), OwnerId(AOwner != nullptr ? AOwner->GetId() : 0) {}

void TZCL2DRenderResource::Release() {
  Owner = nullptr;
  OwnerId = 0;
}

bool TZCL2DRenderResource::IsValidFor(const TZCL2DRenderResource* Resource, const TZCL2DRender* Render) {
  return Resource != nullptr && Render != nullptr && Resource->Owner == Render && Resource->OwnerId == Render->GetId();
}

TZCL2DRenderImage::~TZCL2DRenderImage() {
  delete OwnedObject;
  delete[] static_cast<TZCLPixel32*>(OwnedBits);
}

void TZCL2DRenderPath::AddRectangle(const TRect& R) {
  FigureStart();
  AddLine(float(R.Left), float(R.Top), float(R.Right), float(R.Top));
  AddLine(float(R.Right), float(R.Top), float(R.Right), float(R.Bottom));
  AddLine(float(R.Right), float(R.Bottom), float(R.Left), float(R.Bottom));
  FigureClose();
}

void TZCL2DRenderPath::AddRoundRect(const TRect& R, float RX, float RY) {
  RX = std::min(RX, R.Width() / 3.0f);
  RY = std::min(RY, R.Height() / 3.0f);
  if (RX <= 0 || RY <= 0) {
    AddRectangle(R);
    return;
  }
  const float l = float(R.Left), t = float(R.Top), r = float(R.Right), b = float(R.Bottom);
  FigureStart();
  AddLine(l + RX, t, r - RX, t);
  AddArc(r - RX, t + RY, RX, RY, 270, 90);
  AddLine(r, t + RY, r, b - RY);
  AddArc(r - RX, b - RY, RX, RY, 0, 90);
  AddLine(r - RX, b, l + RX, b);
  AddArc(l + RX, b - RY, RX, RY, 90, 90);
  AddLine(l, b - RY, l, t + RY);
  AddArc(l + RX, t + RY, RX, RY, 180, 90);
  FigureClose();
}

// ---- TZCL2DRender -----------------------------------------------------------------------------

namespace {
Integer NewRenderId() {
  static std::mt19937 generator{std::random_device{}()};
  static std::mutex lock;
  std::lock_guard<std::mutex> guard(lock);
  return std::uniform_int_distribution<Integer>(1, 2147483647)(generator);
}
}  // namespace

TZCL2DRender::TZCL2DRender() : FId(NewRenderId()), FLock(new TZCLCriticalSection()) {}

TZCL2DRender::~TZCL2DRender() { delete FLock; }

void TZCL2DRender::BeginPaint(HDC DC) {
  TRect clip;
  GetClipBox(DC, &clip);
  BeginPaint(DC, clip, clip);
}

void TZCL2DRender::DrawCurve(TAlphaColor Color, const TPoint* Points, Integer HighIndex, float, float Width) {
  DrawLines(Points, HighIndex + 1, Color, Width, ssSolid);
}

void TZCL2DRender::FillCurve(TAlphaColor Color, const TPoint* Points, Integer HighIndex, float) {
  FillPolygon(Points, HighIndex, Color);
}

TZCL2DRenderImage* TZCL2DRender::CreateImageFromDib(TZCLDib* Dib, TZCL2DRenderSourceUsage Usage) {
  if (Dib == nullptr || Dib->Empty()) return nullptr;
  Dib->BeginAccess();
  TZCL2DRenderImage* image = CreateImage(Dib->GetColors(), Dib->GetWidth(), Dib->GetHeight(), afPremultiplied2D,
                                         Usage == suOwn ? suReference : Usage);
  if (Usage == suOwn && image != nullptr) image->OwnedObject = Dib;
  return image;
}

TZCL2DRenderImageAttributes* TZCL2DRender::CreateImageAttributes() { return new TZCL2DRenderImageAttributes(this); }

void TZCL2DRender::DrawImageCached(TZCLDib* Dib, const TRect& Dest, TZCL2DRenderImage** Cached) {
  if (Cached == nullptr) {
    TZCL2DRenderImage* image = CreateImageFromDib(Dib, suReference);
    if (image == nullptr) return;
    try {
      DrawImage(image, Dest, TRect(0, 0, image->Width, image->Height), 255);
    } catch (...) {
      delete image;
      throw;
    }
    delete image;
    return;
  }
  if (!TZCL2DRenderResource::IsValidFor(*Cached, this)) {
    delete *Cached;
    *Cached = CreateImageFromDib(Dib, suReference);
  }
  if (*Cached != nullptr) DrawImage(*Cached, Dest, TRect(0, 0, (*Cached)->Width, (*Cached)->Height), 255);
}

void TZCL2DRender::TileImage(TZCL2DRenderImage* Image, const TRect& Dest, const TRect& Source,
                             TZCL2DRenderImageAttributes* Attributes) {
  const Integer tw = Source.Width(), th = Source.Height();
  const Integer cols = DivCeil(Dest.Width(), tw), rows = DivCeil(Dest.Height(), th);
  void* saved = nullptr;
  if (!IntersectClip(Dest, saved)) return;
  try {
    for (Integer row = 0; row < rows; ++row)
      for (Integer col = 0; col < cols; ++col) {
        const TRect tile(Dest.Left + col * tw, Dest.Top + row * th, Dest.Left + (col + 1) * tw,
                         Dest.Top + (row + 1) * th);
        DrawImageWithAttributes(Image, tile, Source, Attributes);
      }
  } catch (...) {
    RestoreClip(saved);
    throw;
  }
  RestoreClip(saved);
}

void TZCL2DRender::FillAndDrawPolygon(const TPoint* Points, Integer HighIndex, TAlphaColor FillColor,
                                      TAlphaColor FrameColor, float Width, TZCL2DRenderStrokeStyle Style) {
  FillPolygon(Points, HighIndex, FillColor);
  DrawPolygon(Points, HighIndex, FrameColor, Width, Style);
}

TPoint TZCL2DRender::ModifyOrigin(Integer DX, Integer DY) {
  const TPoint old = FOrigin;
  FOrigin = TPoint(FOrigin.X - DX, FOrigin.Y - DY);
  return old;
}

TPoint TZCL2DRender::SetOrigin(const TPoint& P) {
  const TPoint old = FOrigin;
  FOrigin = P;
  return old;
}
