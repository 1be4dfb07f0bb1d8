#include "zcl/graphics/ZCL.Graphics.Dib.h"

#include <cairo.h>

#include <cstring>

#include "os/OS.Gdi.h"
#include "os/OS.Regions.h"
#include "os/OS.Surface.h"
#include "zcl/graphics/ZCL.Graphics.Geometry.h"

ENotEnoughGraphicResources::ENotEnoughGraphicResources(StringView What, Integer Width, Integer Height)
    : EOutOfResources(u"Failed to create %s (%dx%d), %s.\r\nMaybe not enough memory or swap capacity.",
                      {String(What), Width, Height, String(u"0, gdi: 0")}) {}

// ---- TZCLDibCanvas ----------------------------------------------------------------------------

TZCLDibCanvas::~TZCLDibCanvas() {
  if (HandleAllocated()) {
    DeselectHandles();
    SetHandle(nullptr);
  }
}

void TZCLDibCanvas::CreateHandle() { SetHandle(FDib->GetDC()); }

// ---- TZCLDib ----------------------------------------------------------------------------------

void TZCLDib::CreateHandles(Integer AWidth, Integer AHeight) {
  if (AWidth <= 0 || AHeight <= 0) return;
  FDC = CreateCompatibleDC(nullptr);
  if (FDC == nullptr) throw ENotEnoughGraphicResources(u"DibDC", AWidth, AHeight);
  FColorCount = AWidth * AHeight;
  FWidth = Cardinal(AWidth);
  FHeight = Cardinal(AHeight);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = AWidth;
  info.bmiHeader.biHeight = -AHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  info.bmiHeader.biSizeImage = DWORD(AWidth) * DWORD(AHeight) * 4;
  void* bits = nullptr;
  try {
    FHandle = CreateDIBSection(FDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  } catch (const Exception&) {
    FHandle = nullptr;
  }
  if (FHandle == nullptr || bits == nullptr) {
    if (FHandle == nullptr) bits = nullptr;
    FreeHandles();
    throw ENotEnoughGraphicResources(u"DIB", AWidth, AHeight);
  }
  FColors = static_cast<TZCLPixel32*>(bits);
  DeleteObject(ToGdiObject(SelectObject(FDC, FHandle)));
}

void TZCLDib::FreeHandles() {
  delete FCanvas;
  FCanvas = nullptr;
  if (FDC != nullptr) {
    DeleteDC(FDC);
    if (FHandle != nullptr) DeleteObject(FHandle);
  }
  FHandle = nullptr;
  FDC = nullptr;
  FColors = nullptr;
  FColorCount = 0;
  FWidth = 0;
  FHeight = 0;
}

bool TZCLDib::Resize(Integer AWidth, Integer AHeight) {
  AWidth = std::max(AWidth, 0);
  AHeight = std::max(AHeight, 0);
  if (AWidth == 0 || AHeight == 0) {
    if (Empty()) return false;
    FreeHandles();
    return true;
  }
  if (Cardinal(AWidth) == FWidth && Cardinal(AHeight) == FHeight) return false;
  FreeHandles();
  CreateHandles(AWidth, AHeight);
  return true;
}

void TZCLDib::BeginAccess() const {
  if (TSurface* s = GetBitmapSurface(FHandle)) s->BeginAccess();
}

void TZCLDib::EndAccess() const {
  if (TSurface* s = GetBitmapSurface(FHandle)) s->EndAccess();
}

void TZCLDib::Assign(const TZCLDib* Source) {
  if (Source == this) return;
  if (Source == nullptr || Source->Empty()) {
    Resize(0, 0);
    return;
  }
  Source->BeginAccess();
  AssignBits(Source->FColors, Source->GetWidth(), Source->GetHeight());
}

void TZCLDib::AssignBits(const TZCLPixel32* Bits, Integer AWidth, Integer AHeight) {
  Resize(AWidth, AHeight);
  if (Empty() || Bits == nullptr) return;
  BeginAccess();
  std::memcpy(FColors, Bits, size_t(FColorCount) * 4);
  EndAccess();
}

void TZCLDib::AssignGraphic(TGraphic* Graphic) {
  if (Graphic == nullptr || Graphic->GetEmpty()) {
    Resize(0, 0);
    return;
  }
  Resize(Graphic->GetWidth(), Graphic->GetHeight());
  Reset();
  if (Graphic->GetSupportsPartialTransparency()) {
    GetCanvas()->Draw(0, 0, Graphic);
  } else if (Graphic->GetTransparent()) {
    BeginAccess();
    for (Integer i = 0; i < FColorCount; ++i) FColors[i] = {255, 0, 255, 255};
    EndAccess();
    GetCanvas()->Draw(0, 0, Graphic);
    MakeTransparentColor(clFuchsia);
  } else {
    GetCanvas()->Draw(0, 0, Graphic);
    MakeOpaque();
  }
}

Integer TZCLDib::CoordToIndex(Integer X, Integer Y) const {
  if (X < 0 || Y < 0 || X >= GetWidth() || Y >= GetHeight()) return -1;
  return X + Y * GetWidth();
}

bool TZCLDib::Equals(const TObject* Obj) const {
  if (Obj == this) return true;
  auto* other = dynamic_cast<const TZCLDib*>(Obj);
  if (other == nullptr || other->FWidth != FWidth || other->FHeight != FHeight) return false;
  if (Empty()) return true;
  BeginAccess();
  other->BeginAccess();
  return std::memcmp(FColors, other->FColors, size_t(FColorCount) * 4) == 0;
}

void TZCLDib::Fill(TColor Color) {
  const TZCLPixel32 c = TAlphaColorHelper::ToPixel(TAlphaColorHelper::FromColor(Color));
  BeginAccess();
  for (Integer i = 0; i < FColorCount; ++i) {
    TZCLPixel32& p = FColors[i];
    if (p.A == 0) continue;
    p.B = c.B, p.G = c.G, p.R = c.R;
    TZCLColors::Premultiply(p);
  }
  EndAccess();
}

void TZCLDib::Flip(bool Horizontally, bool Vertically) {
  BeginAccess();
  TZCLColors::Flip(FColors, GetWidth(), GetHeight(), Horizontally, Vertically);
  EndAccess();
}

void TZCLDib::Grayscale(bool IncludeKeyColor) {
  BeginAccess();
  TZCLColors::Grayscale(FColors, size_t(FColorCount), IncludeKeyColor);
  EndAccess();
}

void TZCLDib::MakeOpaque() {
  BeginAccess();
  TZCLColors::MakeOpaque(FColors, size_t(FColorCount));
  EndAccess();
}

void TZCLDib::MakeTransparent(TZCLPixel32 Key) {
  BeginAccess();
  TZCLColors::MakeTransparent(FColors, size_t(FColorCount), Key);
  EndAccess();
}

void TZCLDib::MakeTransparentColor(TColor Color) {
  const auto rgb = static_cast<TColorRef>(ColorToRGB(Color));
  MakeTransparent({GetBValue(rgb), GetGValue(rgb), GetRValue(rgb), 0});
}

void TZCLDib::Reset() {
  if (Empty()) return;
  BeginAccess();
  std::memset(FColors, 0, size_t(FColorCount) * 4);
  EndAccess();
}

void TZCLDib::ResetRect(const TRect& R) {
  if (FDC == nullptr) return;
  ::FillRect(FDC, &R, reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

void TZCLDib::DrawBlendEx(HDC DC, const TRect& Dest, const TRect& Source, Byte Alpha) {
  if (FDC == nullptr) return;
  BLENDFUNCTION blend{AC_SRC_OVER, 0, Alpha, AC_SRC_ALPHA};
  AlphaBlend(DC, Dest.Left, Dest.Top, Dest.Width(), Dest.Height(), FDC, Source.Left, Source.Top, Source.Width(),
             Source.Height(), blend);
}

void TZCLDib::DrawBlendRect(TCanvas* Canvas, const TRect& Dest, const TRect& Source, Byte Alpha, bool Smooth) {
  if (Empty() || Dest.IsEmpty() || Source.IsEmpty()) return;
  HDC dc = Canvas->GetHandle();
  if (!Smooth || RectEqualSizes(Dest, Source)) {
    DrawBlendEx(dc, Dest, Source, Alpha);
    return;
  }
  TSurface* surface = GetBitmapSurface(FHandle);
  cairo_t* cr = detail::BeginCairo(dc);
  if (cr == nullptr || surface == nullptr) {
    if (cr) detail::EndCairo(dc, cr);
    return;
  }
  surface->BeginAccess();
  cairo_rectangle(cr, Dest.Left, Dest.Top, Dest.Width(), Dest.Height());
  cairo_clip(cr);
  cairo_translate(cr, Dest.Left, Dest.Top);
  cairo_scale(cr, double(Dest.Width()) / Source.Width(), double(Dest.Height()) / Source.Height());
  cairo_set_source_surface(cr, surface->GetCairoSurface(), -Source.Left, -Source.Top);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_FAST);
  cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
  cairo_paint_with_alpha(cr, Alpha / 255.0);
  detail::EndCairo(dc, cr);
}

void TZCLDib::DrawCopy(TCanvas* Canvas, const TPoint& P) {
  if (FDC == nullptr) return;
  BitBlt(Canvas->GetHandle(), P.X, P.Y, GetWidth(), GetHeight(), FDC, 0, 0, SRCCOPY);
}

void TZCLDib::DrawCopyStretch(TCanvas* Canvas, const TRect& Dest, bool Smooth) {
  if (FDC == nullptr) return;
  HDC dc = Canvas->GetHandle();
  const bool halftone = Smooth && (Dest.Width() != GetWidth() || Dest.Height() != GetHeight());
  const int oldMode = halftone ? SetStretchBltMode(dc, HALFTONE) : 0;
  StretchBlt(dc, Dest.Left, Dest.Top, Dest.Width(), Dest.Height(), FDC, 0, 0, GetWidth(), GetHeight(), SRCCOPY);
  if (halftone) SetStretchBltMode(dc, oldMode);
}

HRGN TZCLDib::CreateRegion() const {
  if (Empty()) return nullptr;
  BeginAccess();
  HRGN result = nullptr;
  for (Integer y = 0; y < GetHeight(); ++y) {
    const TZCLPixel32* row = FColors + size_t(y) * FWidth;
    Integer x = 0;
    while (x < GetWidth()) {
      while (x < GetWidth() && TZCLColors::IsKeyColor(row[x])) ++x;
      const Integer start = x;
      while (x < GetWidth() && !TZCLColors::IsKeyColor(row[x])) ++x;
      if (x > start) {
        HRGN run = CreateRectRgn(start, y, x, y + 1);
        if (result == nullptr) {
          result = run;
        } else {
          CombineRgn(result, result, run, RGN_OR);
          DeleteObject(run);
        }
      }
    }
  }
  return result;
}

TZCLDibCanvas* TZCLDib::GetCanvas() {
  if (FCanvas == nullptr) FCanvas = new TZCLDibCanvas(this);
  if (!FCanvas->HandleAllocated()) FCanvas->GetHandle();
  return FCanvas;
}

// ---- TZCLBitmap -------------------------------------------------------------------------------

TZCLBitmap::TZCLBitmap(Integer AWidth, Integer AHeight, TPixelFormat Format, bool Clear) {
  SetPixelFormat(Format);
  SetSize(AWidth, AHeight);
  if (Clear) Reset();
}

void TZCLBitmap::SetSizeRect(const TRect& R) { SetSize(std::max(R.Width(), 0), std::max(R.Height(), 0)); }

void TZCLBitmap::ApplyColorSchema(const TZCLColorSchema& Schema) {
  if (!Schema.IsAssigned()) return;
  TZCLPixel32DynArray pixels = ReadBitmapPixels(this);
  try {
    TZCLColors::ApplyColorSchemaToPixels(pixels.data(), pixels.size(), Schema);
  } catch (...) {
    WritePixels(pixels);
    throw;
  }
  WritePixels(pixels);
}

void TZCLBitmap::MakeOpaque() {
  TZCLPixel32DynArray pixels = ReadBitmapPixels(this);
  TZCLColors::MakeOpaque(pixels.data(), pixels.size());
  WritePixels(pixels);
}

void TZCLBitmap::MakeTransparent(TColor Color) {
  TZCLPixel32DynArray pixels = ReadBitmapPixels(this);
  if (!GetEmpty()) {
    const auto rgb = static_cast<TColorRef>(ColorToRGB(Color));
    TZCLColors::MakeTransparent(pixels.data(), pixels.size(), {GetBValue(rgb), GetGValue(rgb), GetRValue(rgb), 0});
  }
  SetPixelFormat(TPixelFormat::pf32bit);
  WritePixels(pixels);
}

void TZCLBitmap::Reset() {
  if (GetEmpty()) return;
  const TZCLPixel32DynArray zero(size_t(GetWidth()) * GetHeight());
  WritePixels(zero);
}

void TZCLBitmap::WritePixels(const TZCLPixel32DynArray& Pixels) {
  const Integer w = GetWidth(), h = GetHeight();
  if (w <= 0 || h <= 0 || Pixels.size() < size_t(w) * h) return;
  for (Integer y = 0; y < h; ++y) std::memcpy(ScanLine(y), Pixels.data() + size_t(y) * w, size_t(w) * 4);
  Modified();
}

TZCLPixel32DynArray ReadBitmapPixels(TBitmap* Bitmap) {
  TZCLPixel32DynArray result;
  if (Bitmap == nullptr || Bitmap->GetEmpty()) return result;
  const Integer w = Bitmap->GetWidth(), h = Bitmap->GetHeight();
  result.resize(size_t(w) * h);
  for (Integer y = 0; y < h; ++y) std::memcpy(result.data() + size_t(y) * w, Bitmap->ScanLine(y), size_t(w) * 4);
  return result;
}
