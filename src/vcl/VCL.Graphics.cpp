#include "vcl/VCL.Graphics.h"

#include <algorithm>
#include <cstring>

#include "os/OS.Codecs.h"
#include "os/OS.Fonts.h"
#include "os/OS.Gdi.h"
#include "os/OS.Surface.h"
#include "os/OS.Text.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Streams.h"

namespace {

COLORREF ToColorRef(TColor Color) { return static_cast<COLORREF>(ColorToRGB(Color)) & 0x00FFFFFF; }

struct TFormatEntry {
  String Extension;  // lower case, no dot
  String Description;
  TGraphicFactory Factory;
};
std::vector<TFormatEntry>* GFormats = nullptr;

String LowerExt(StringView Ext) {
  String s(Ext);
  if (!s.empty() && s[0] == u'.') s.erase(0, 1);
  for (Char& c : s)
    if (c >= u'A' && c <= u'Z') c = Char(c - u'A' + u'a');
  return s;
}

String FileExtension(const String& FileName) {
  const size_t dot = FileName.find_last_of(u'.');
  const size_t slash = FileName.find_last_of(u"/\\");
  if (dot == String::npos || (slash != String::npos && dot < slash)) return {};
  return LowerExt(StringView(FileName).substr(dot + 1));
}

const TFormatEntry* FindFormat(const String& Extension) {
  if (!GFormats) return nullptr;
  const String ext = LowerExt(Extension);
  for (auto it = GFormats->rbegin(); it != GFormats->rend(); ++it)
    if (it->Extension == ext) return &*it;
  return nullptr;
}

std::vector<Byte> ReadRest(TStream& Stream) {
  const Int64 size = Stream.GetSize() - Stream.GetPosition();
  if (size < 0 || size > (Int64(1) << 30)) throw EInvalidGraphic(u"Image data too large");
  std::vector<Byte> data(static_cast<size_t>(size));
  if (size > 0) Stream.ReadBuffer(data.data(), size);
  return data;
}

}  // namespace

// --- TGraphicsObject ----------------------------------------------------------------------

void TGraphicsObject::Changed() {
  if (OnChange) OnChange(this);
}

// --- TFont --------------------------------------------------------------------------------

TFont::TFont() { FHeight = -MulDiv(DefaultSize, FPixelsPerInch, 72); }

TFont::~TFont() { FreeHandle(); }

void TFont::FreeHandle() {
  if (FHandle) DeleteObject(FHandle);
  FHandle = nullptr;
}

void TFont::Changed() {
  FreeHandle();
  inherited::Changed();
}

void TFont::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TFont*>(Source);
  if (!src) return inherited::Assign(Source);
  FName = src->FName;
  // The pixel size follows the source's point size at this font's resolution.
  FHeight =
      FPixelsPerInch == src->FPixelsPerInch ? src->FHeight : MulDiv(src->FHeight, FPixelsPerInch, src->FPixelsPerInch);
  FStyle = src->FStyle;
  FColor = src->FColor;
  FCharset = src->FCharset;
  FOrientation = src->FOrientation;
  FPitch = src->FPitch;
  FQuality = src->FQuality;
  Changed();
}

HFONT TFont::GetHandle() {
  if (!FHandle) {
    LOGFONTW lf{};
    lf.lfHeight = FHeight;
    lf.lfEscapement = FOrientation;
    lf.lfOrientation = FOrientation;
    lf.lfWeight = FStyle.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = FStyle.Contains(fsItalic);
    lf.lfUnderline = FStyle.Contains(fsUnderline);
    lf.lfStrikeOut = FStyle.Contains(fsStrikeOut);
    lf.lfCharSet = FCharset;
    lf.lfQuality = static_cast<Byte>(FQuality);
    lf.lfPitchAndFamily = FPitch == TFontPitch::fpFixed      ? FIXED_PITCH
                          : FPitch == TFontPitch::fpVariable ? VARIABLE_PITCH
                                                             : DEFAULT_PITCH;
    const size_t n = std::min<size_t>(FName.size(), LF_FACESIZE - 1);
    std::copy_n(FName.data(), n, lf.lfFaceName);
    lf.lfFaceName[n] = 0;
    FHandle = CreateFontIndirectW(&lf);
  }
  return FHandle;
}

void TFont::SetName(const String& Value) {
  if (Value.empty() || Value == FName) return;
  FName = Value;
  Changed();
}

void TFont::SetHeight(Integer Value) {
  if (Value == FHeight) return;
  FHeight = Value;
  Changed();
}

Integer TFont::GetSize() const { return -MulDiv(FHeight, 72, FPixelsPerInch); }

void TFont::SetSize(Integer Value) { SetHeight(-MulDiv(Value, FPixelsPerInch, 72)); }

void TFont::SetPixelsPerInch(Integer Value) {
  if (Value > 0) FPixelsPerInch = Value;
}

void TFont::SetStyle(TFontStyles Value) {
  if (Value == FStyle) return;
  FStyle = Value;
  Changed();
}

void TFont::SetColor(TColor Value) {
  if (Value == FColor) return;
  FColor = Value;
  // The colour is no part of the handle: notify without dropping it.
  inherited::Changed();
}

void TFont::SetCharset(TFontCharset Value) {
  if (Value == FCharset) return;
  FCharset = Value;
  Changed();
}

void TFont::SetOrientation(Integer Value) {
  if (Value == FOrientation) return;
  FOrientation = Value;
  Changed();
}

void TFont::SetPitch(TFontPitch Value) {
  if (Value == FPitch) return;
  FPitch = Value;
  Changed();
}

void TFont::SetQuality(TFontQuality Value) {
  if (Value == FQuality) return;
  FQuality = Value;
  Changed();
}

// --- TBrush -------------------------------------------------------------------------------

TBrush::~TBrush() { FreeHandle(); }

void TBrush::FreeHandle() {
  if (FHandle) DeleteObject(FHandle);
  FHandle = nullptr;
}

void TBrush::Changed() {
  FreeHandle();
  inherited::Changed();
}

void TBrush::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TBrush*>(Source);
  if (!src) return inherited::Assign(Source);
  FColor = src->FColor;
  FStyle = src->FStyle;
  Changed();
}

HBRUSH TBrush::GetHandle() {
  if (!FHandle) {
    LOGBRUSH lb{};
    lb.lbColor = ToColorRef(FColor);
    switch (FStyle) {
      case TBrushStyle::bsSolid:
        lb.lbStyle = BS_SOLID;
        break;
      case TBrushStyle::bsClear:
        lb.lbStyle = BS_NULL;
        break;
      default:
        lb.lbStyle = BS_HATCHED;
        lb.lbHatch = static_cast<uintptr_t>(FStyle) - static_cast<uintptr_t>(TBrushStyle::bsHorizontal);
        break;
    }
    FHandle = CreateBrushIndirect(&lb);
    if (!FHandle) FHandle = CreateSolidBrush(lb.lbColor);
  }
  return FHandle;
}

void TBrush::SetColor(TColor Value) {
  if (Value == FColor && FStyle != TBrushStyle::bsClear) return;
  FColor = Value;
  if (FStyle == TBrushStyle::bsClear) FStyle = TBrushStyle::bsSolid;
  Changed();
}

void TBrush::SetStyle(TBrushStyle Value) {
  if (Value == FStyle) return;
  FStyle = Value;
  Changed();
}

// --- TPen ---------------------------------------------------------------------------------

TPen::~TPen() { FreeHandle(); }

void TPen::FreeHandle() {
  if (FHandle) DeleteObject(FHandle);
  FHandle = nullptr;
}

void TPen::Changed() {
  FreeHandle();
  inherited::Changed();
}

void TPen::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TPen*>(Source);
  if (!src) return inherited::Assign(Source);
  FColor = src->FColor;
  FWidth = src->FWidth;
  FStyle = src->FStyle;
  Changed();
}

HPEN TPen::GetHandle() {
  // The pen styles' ordinals are the platform's PS_* values.
  if (!FHandle) FHandle = CreatePen(static_cast<int>(FStyle), FWidth, ToColorRef(FColor));
  return FHandle;
}

void TPen::SetColor(TColor Value) {
  if (Value == FColor) return;
  FColor = Value;
  Changed();
}

void TPen::SetWidth(Integer Value) {
  Value = std::max<Integer>(Value, 1);
  if (Value == FWidth) return;
  FWidth = Value;
  Changed();
}

void TPen::SetStyle(TPenStyle Value) {
  if (Value == FStyle) return;
  FStyle = Value;
  Changed();
}

// --- TCanvas ------------------------------------------------------------------------------

TCanvas::TCanvas() : FFont(new TFont), FBrush(new TBrush), FPen(new TPen) {
  FFont->OnChange = TNotifyEvent(this, &TCanvas::FontChanged);
  FBrush->OnChange = TNotifyEvent(this, &TCanvas::BrushChanged);
  FPen->OnChange = TNotifyEvent(this, &TCanvas::PenChanged);
}

TCanvas::~TCanvas() { SetHandle(nullptr); }

void TCanvas::DeselectHandles() {
  if (FHandle) {
    if (FOldFont) SelectObject(FHandle, FOldFont);
    if (FOldBrush) SelectObject(FHandle, FOldBrush);
    if (FOldPen) SelectObject(FHandle, FOldPen);
  }
  FOldFont = FOldBrush = FOldPen = nullptr;
  FState.Exclude(csFontValid);
  FState.Exclude(csBrushValid);
  FState.Exclude(csPenValid);
}

void TCanvas::SetHandle(HDC Value) {
  if (Value == FHandle) return;
  DeselectHandles();
  FHandle = Value;
  if (FHandle)
    FState.Include(csHandleValid);
  else
    FState.Exclude(csHandleValid);
}

HDC TCanvas::GetHandle() {
  RequireState({csHandleValid});
  return FHandle;
}

void TCanvas::RequireState(TState Required) {
  {
    if (!FHandle) {
      CreateHandle();
      if (!FHandle) throw EInvalidOperation(u"Canvas does not allow drawing");
      FState.Include(csHandleValid);
    }
  }
  if (Required.Contains(csFontValid) && !FState.Contains(csFontValid)) {
    HGDIOBJ old = SelectObject(FHandle, ToGdiObject(FFont->GetHandle()));
    if (!FOldFont) FOldFont = old;
    SetTextColor(FHandle, ToColorRef(FFont->GetColor()));
    FState.Include(csFontValid);
  }
  if (Required.Contains(csPenValid) && !FState.Contains(csPenValid)) {
    HGDIOBJ old = SelectObject(FHandle, ToGdiObject(FPen->GetHandle()));
    if (!FOldPen) FOldPen = old;
    FState.Include(csPenValid);
  }
  if (Required.Contains(csBrushValid) && !FState.Contains(csBrushValid)) {
    HGDIOBJ old = SelectObject(FHandle, ToGdiObject(FBrush->GetHandle()));
    if (!FOldBrush) FOldBrush = old;
    SetBkColor(FHandle, ToColorRef(FBrush->GetColor()));
    SetBkMode(FHandle, FBrush->GetStyle() == TBrushStyle::bsClear ? TRANSPARENT : OPAQUE);
    FState.Include(csBrushValid);
  }
  // A font colour change keeps the font's handle, so set the text colour every time.
  if (Required.Contains(csFontValid)) SetTextColor(FHandle, ToColorRef(FFont->GetColor()));
}

void TCanvas::Changing() {
  if (OnChanging) OnChanging(this);
}

void TCanvas::Changed() {
  if (OnChange) OnChange(this);
}

TRect TCanvas::GetClipRect() {
  TRect r{};
  GetClipBox(GetHandle(), &r);
  return r;
}

TPoint TCanvas::GetPenPos() {
  TPoint p{};
  GetCurrentPositionEx(GetHandle(), &p);
  return p;
}

void TCanvas::FillRect(const TRect& R) {
  Changing();
  RequireState({csHandleValid, csBrushValid});
  if (FBrush->GetStyle() != TBrushStyle::bsClear) ::FillRect(FHandle, &R, FBrush->GetHandle());
  Changed();
}

void TCanvas::FrameRect(const TRect& R) {
  Changing();
  RequireState({csHandleValid, csBrushValid});
  if (FBrush->GetStyle() != TBrushStyle::bsClear) ::FrameRect(FHandle, &R, FBrush->GetHandle());
  Changed();
}

void TCanvas::Rectangle(Integer X1, Integer Y1, Integer X2, Integer Y2) {
  Changing();
  RequireState({csHandleValid, csPenValid, csBrushValid});
  ::Rectangle(FHandle, X1, Y1, X2, Y2);
  Changed();
}

void TCanvas::RoundRect(Integer X1, Integer Y1, Integer X2, Integer Y2, Integer X3, Integer Y3) {
  Changing();
  RequireState({csHandleValid, csPenValid, csBrushValid});
  ::RoundRect(FHandle, X1, Y1, X2, Y2, X3, Y3);
  Changed();
}

void TCanvas::Ellipse(Integer X1, Integer Y1, Integer X2, Integer Y2) {
  Changing();
  RequireState({csHandleValid, csPenValid, csBrushValid});
  ::Ellipse(FHandle, X1, Y1, X2, Y2);
  Changed();
}

void TCanvas::Polygon(const std::vector<TPoint>& Points) {
  if (Points.empty()) return;
  Changing();
  RequireState({csHandleValid, csPenValid, csBrushValid});
  ::Polygon(FHandle, Points.data(), static_cast<int>(Points.size()));
  Changed();
}

void TCanvas::Polyline(const std::vector<TPoint>& Points) {
  if (Points.empty()) return;
  Changing();
  RequireState({csHandleValid, csPenValid});
  ::Polyline(FHandle, Points.data(), static_cast<int>(Points.size()));
  Changed();
}

void TCanvas::MoveTo(Integer X, Integer Y) {
  RequireState({csHandleValid});
  MoveToEx(FHandle, X, Y, nullptr);
}

void TCanvas::LineTo(Integer X, Integer Y) {
  Changing();
  RequireState({csHandleValid, csPenValid});
  ::LineTo(FHandle, X, Y);
  Changed();
}

TColor TCanvas::GetPixel(Integer X, Integer Y) {
  RequireState({csHandleValid});
  const COLORREF c = ::GetPixel(FHandle, X, Y);
  return c == CLR_INVALID ? clNone : static_cast<TColor>(c);
}

void TCanvas::SetPixel(Integer X, Integer Y, TColor Value) {
  Changing();
  RequireState({csHandleValid});
  ::SetPixel(FHandle, X, Y, ToColorRef(Value));
  Changed();
}

void TCanvas::TextOut(Integer X, Integer Y, const String& Text) {
  Changing();
  RequireState({csHandleValid, csFontValid, csBrushValid});
  ::TextOut(FHandle, X, Y, Text);
  TSize size{};
  GetTextExtentPoint32(FHandle, Text, &size);
  MoveToEx(FHandle, X + size.cx, Y, nullptr);
  Changed();
}

void TCanvas::TextRect(const TRect& R, Integer X, Integer Y, const String& Text) {
  Changing();
  RequireState({csHandleValid, csFontValid, csBrushValid});
  UINT options = ETO_CLIPPED;
  if (FBrush->GetStyle() != TBrushStyle::bsClear) options |= ETO_OPAQUE;
  ::ExtTextOut(FHandle, X, Y, options, &R, Text);
  Changed();
}

TSize TCanvas::TextExtent(const String& Text) {
  RequireState({csHandleValid, csFontValid});
  TSize size{};
  GetTextExtentPoint32(FHandle, Text, &size);
  return size;
}

void TCanvas::Draw(Integer X, Integer Y, TGraphic* Graphic) {
  if (!Graphic || Graphic->GetEmpty()) return;
  StretchDraw(TRect(X, Y, X + Graphic->GetWidth(), Y + Graphic->GetHeight()), Graphic);
}

void TCanvas::StretchDraw(const TRect& R, TGraphic* Graphic) {
  if (!Graphic || Graphic->GetEmpty()) return;
  Changing();
  RequireState({csHandleValid});
  Graphic->Draw(this, R);
  Changed();
}

void TCanvas::CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source) {
  if (!Canvas) return;
  Changing();
  RequireState({csHandleValid});
  ::StretchBlt(FHandle, Dest.Left, Dest.Top, Dest.Width(), Dest.Height(), Canvas->GetHandle(), Source.Left, Source.Top,
               Source.Width(), Source.Height(), SRCCOPY);
  Changed();
}

void TCanvas::Lock() {
  FLock.lock();
  ++FLockCount;
}

bool TCanvas::TryLock() {
  if (!FLock.try_lock()) return false;
  ++FLockCount;
  return true;
}

void TCanvas::Unlock() {
  if (FLockCount <= 0) return;
  --FLockCount;
  FLock.unlock();
}

// --- TGraphic -----------------------------------------------------------------------------

void TGraphic::SetSize(Integer AWidth, Integer AHeight) {
  SetWidth(AWidth);
  SetHeight(AHeight);
}

void TGraphic::LoadFromFile(const String& FileName) {
  TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream);
}

void TGraphic::SaveToFile(const String& FileName) {
  TFileStream stream(FileName, fmCreate);
  SaveToStream(stream);
}

void TGraphic::SetTransparent(bool Value) {
  if (Value == FTransparent) return;
  FTransparent = Value;
  Changed();
}

void TGraphic::Changed() {
  FModified = true;
  if (OnChange) OnChange(this);
}

// --- TBitmap ------------------------------------------------------------------------------

// The bitmap's canvas: a memory DC with the bitmap selected, made on first use and released
// whenever the bitmap's memory is replaced.
class TBitmapCanvas : public TCanvas {
  ZCL_CLASS(TBitmapCanvas, TCanvas)
 public:
  explicit TBitmapCanvas(TBitmap* Bitmap) : FBitmap(Bitmap) {}
  ~TBitmapCanvas() override { FreeContext(); }
  void FreeContext() {
    HDC dc = HandleAllocated() ? GetHandle() : nullptr;
    if (!dc) return;
    DeselectHandles();
    if (FOldBitmap) SelectObject(dc, FOldBitmap);
    FOldBitmap = nullptr;
    SetHandle(nullptr);
    DeleteDC(dc);
  }

 protected:
  void CreateHandle() override {
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return;
    if (FBitmap->FHandle) FOldBitmap = SelectObject(dc, FBitmap->FHandle);
    SetHandle(dc);
  }
  void Changed() override {
    inherited::Changed();
    FBitmap->Changed();
  }

 private:
  TBitmap* FBitmap;
  HBITMAP FOldBitmap = nullptr;
};

TBitmap::TBitmap() = default;

TBitmap::TBitmap(Integer AWidth, Integer AHeight) { SetSize(AWidth, AHeight); }

TBitmap::~TBitmap() {
  FCanvas.reset();
  if (FHandle) DeleteObject(FHandle);
}

void TBitmap::Recreate(Integer AWidth, Integer AHeight, const uint32_t* Pixels) {
  AWidth = std::max<Integer>(AWidth, 0);
  AHeight = std::max<Integer>(AHeight, 0);
  if (AWidth > TSurface::MaxSurfaceDimension || AHeight > TSurface::MaxSurfaceDimension ||
      Int64(AWidth) * AHeight > MaxImagePixels)
    throw EInvalidGraphic(u"Bitmap too large (%d x %d)", {AWidth, AHeight});
  HBITMAP handle = nullptr;
  uint32_t* bits = nullptr;
  if (AWidth > 0 && AHeight > 0) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = AWidth;
    info.bmiHeader.biHeight = -AHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* mem = nullptr;
    handle = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &mem, nullptr, 0);
    if (!handle) throw EOutOfMemory(u"Out of memory");
    bits = static_cast<uint32_t*>(mem);
    if (Pixels) std::memcpy(bits, Pixels, size_t(AWidth) * AHeight * 4);
  }
  if (FCanvas) static_cast<TBitmapCanvas*>(FCanvas.get())->FreeContext();
  if (FHandle) DeleteObject(FHandle);
  FHandle = handle;
  FBits = bits;
  FWidth = handle ? AWidth : 0;
  FHeight = handle ? AHeight : 0;
  if (FHandle) {
    TSurface* surface = GetBitmapSurface(FHandle);
    if (surface) surface->EndAccess();
  }
}

void TBitmap::SetSize(Integer AWidth, Integer AHeight) {
  AWidth = std::max<Integer>(AWidth, 0);
  AHeight = std::max<Integer>(AHeight, 0);
  if (AWidth == FWidth && AHeight == FHeight) return;
  std::vector<uint32_t> pixels(size_t(AWidth) * AHeight);
  if (FBits) {
    if (TSurface* s = GetBitmapSurface(FHandle)) s->BeginAccess();
    const Integer w = std::min(AWidth, FWidth), h = std::min(AHeight, FHeight);
    for (Integer y = 0; y < h; ++y) std::memcpy(&pixels[size_t(y) * AWidth], FBits + size_t(y) * FWidth, size_t(w) * 4);
  }
  Recreate(AWidth, AHeight, pixels.empty() ? nullptr : pixels.data());
  Changed();
}

TCanvas* TBitmap::GetCanvas() {
  if (!FCanvas) FCanvas = std::make_unique<TBitmapCanvas>(this);
  return FCanvas.get();
}

HBITMAP TBitmap::GetHandle() { return FHandle; }

void TBitmap::SetPixelFormat(TPixelFormat Value) {
  if (Value == FPixelFormat) return;
  FPixelFormat = Value;
  Changed();
}

void TBitmap::SetAlphaFormat(TAlphaFormat Value) {
  if (Value == FAlphaFormat) return;
  if (FBits) {
    TSurface* s = GetBitmapSurface(FHandle);
    if (s) s->BeginAccess();
    const size_t count = size_t(FWidth) * FHeight;
    if (FAlphaFormat == afDefined && Value == afPremultiplied)
      PremultiplyPixels(FBits, count);
    else if (FAlphaFormat == afPremultiplied && Value == afDefined)
      UnpremultiplyPixels(FBits, count);
    if (s) s->EndAccess();
  }
  FAlphaFormat = Value;
  Changed();
}

void* TBitmap::ScanLine(Integer Row) {
  if (Row < 0 || Row >= FHeight) throw EInvalidGraphic(u"Scan line index out of range");
  if (TSurface* s = GetBitmapSurface(FHandle)) {
    // Flush cairo and tell it the memory may change: the caller writes right away.
    s->BeginAccess();
    s->EndAccess();
  }
  return FBits + size_t(Row) * FWidth;
}

TColor TBitmap::GetTransparentColor() {
  if (GetEmpty()) return clDefault;
  const uint32_t p = static_cast<uint32_t*>(ScanLine(FHeight - 1))[0];
  return TColor(((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16));
}

void TBitmap::Modified() {
  if (TSurface* s = GetBitmapSurface(FHandle)) s->EndAccess();
  Changed();
}

void TBitmap::Assign(TPersistent* Source) {
  if (!Source) {
    Recreate(0, 0, nullptr);
    Changed();
    return;
  }
  auto* src = dynamic_cast<TBitmap*>(Source);
  if (!src) {
    auto* graphic = dynamic_cast<TGraphic*>(Source);
    if (!graphic) return inherited::Assign(Source);
    try {
      inherited::Assign(Source);  // a graphic that knows how to copy itself into a bitmap
      return;
    } catch (const EConvertError&) {
    }
    // Any other graphic: drawn onto transparent black, so the pixels come out premultiplied.
    Recreate(graphic->GetWidth(), graphic->GetHeight(), nullptr);
    FPixelFormat = TPixelFormat::pf32bit;
    FAlphaFormat = afPremultiplied;
    if (!GetEmpty()) GetCanvas()->Draw(0, 0, graphic);
    Changed();
    return;
  }
  if (src == this) return;
  if (TSurface* s = GetBitmapSurface(src->FHandle)) s->BeginAccess();
  Recreate(src->FWidth, src->FHeight, src->FBits);
  FPixelFormat = src->FPixelFormat;
  FAlphaFormat = src->FAlphaFormat;
  SetTransparent(src->GetTransparent());
  Changed();
}

void TBitmap::LoadFromStream(TStream& Stream) {
  TDecodedImage image = DecodeImage(Stream);
  Recreate(image.Width, image.Height, image.Pixels.data());
  FPixelFormat = image.HasAlpha ? TPixelFormat::pf32bit : TPixelFormat::pf24bit;
  FAlphaFormat = image.HasAlpha ? afDefined : afIgnored;
  Changed();
}

void TBitmap::SaveToStream(TStream& Stream) {
  std::vector<uint32_t> pixels(size_t(FWidth) * FHeight);
  if (FBits) {
    if (TSurface* s = GetBitmapSurface(FHandle)) s->BeginAccess();
    std::memcpy(pixels.data(), FBits, pixels.size() * 4);
  }
  bool premultiplied = FAlphaFormat == afPremultiplied;
  if (FPixelFormat != TPixelFormat::pf32bit || FAlphaFormat == afIgnored) {
    for (uint32_t& p : pixels) p |= 0xFF000000u;
    premultiplied = false;
  }
  EncodeImage(Stream, TImageFormat::Bmp, pixels.data(), FWidth, FHeight, premultiplied);
}

void TBitmap::Draw(TCanvas* ACanvas, const TRect& Rect) {
  if (GetEmpty()) return;
  HDC dest = ACanvas->GetHandle();
  TSurface* surface = GetBitmapSurface(FHandle);
  if (surface) surface->BeginAccess();
  const bool keyed = !GetSupportsPartialTransparency() && GetTransparent();
  const uint32_t key = keyed ? static_cast<uint32_t*>(ScanLine(FHeight - 1))[0] & 0x00FFFFFFu : 0;
  const bool alpha = GetSupportsPartialTransparency() || keyed;
  // The source goes through a private DC: the bitmap's own canvas DC may be in use. Pixels that
  // need converting (straight alpha, ignored alpha) are converted in a copy, never in place;
  // premultiplied pixels are read where they are.
  std::vector<uint32_t> pixels;
  uint32_t* bits = FBits;
  if (!alpha || keyed || FAlphaFormat == afDefined) {
    pixels.assign(FBits, FBits + size_t(FWidth) * FHeight);
    if (keyed)
      for (uint32_t& p : pixels) p = (p & 0x00FFFFFFu) == key ? 0 : p | 0xFF000000u;
    else if (!alpha)
      for (uint32_t& p : pixels) p |= 0xFF000000u;
    else
      PremultiplyPixels(pixels.data(), pixels.size());
    bits = pixels.data();
  }
  TSurface temp(bits, FWidth, FHeight);
  HBITMAP bitmap = CreateBitmapOnSurface(&temp);
  HDC source = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(source, ToGdiObject(bitmap));
  if (!alpha) {
    ::StretchBlt(dest, Rect.Left, Rect.Top, Rect.Width(), Rect.Height(), source, 0, 0, FWidth, FHeight, SRCCOPY);
  } else {
    // Blending needs rectangles inside the surfaces: clip the destination to what is drawable
    // and take the matching part of the source (rounded outwards for stretched draws).
    TRect clip{};
    GetClipBox(dest, &clip);
    TRect d(std::max(Rect.Left, clip.Left), std::max(Rect.Top, clip.Top), std::min(Rect.Right, clip.Right),
            std::min(Rect.Bottom, clip.Bottom));
    TRect s(0, 0, FWidth, FHeight);
    if (Rect.Width() > 0 && Rect.Height() > 0 && d != Rect) {
      const Int64 w = Rect.Width(), h = Rect.Height();
      s.Left = Integer(Int64(d.Left - Rect.Left) * FWidth / w);
      s.Top = Integer(Int64(d.Top - Rect.Top) * FHeight / h);
      s.Right = Integer((Int64(d.Right - Rect.Left) * FWidth + w - 1) / w);
      s.Bottom = Integer((Int64(d.Bottom - Rect.Top) * FHeight + h - 1) / h);
    }
    if (d.Width() > 0 && d.Height() > 0 && s.Width() > 0 && s.Height() > 0) {
      BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
      ::AlphaBlend(dest, d.Left, d.Top, d.Width(), d.Height(), source, s.Left, s.Top, s.Width(), s.Height(), blend);
    }
  }
  SelectObject(source, old);
  DeleteDC(source);
  DeleteObject(bitmap);
}

// --- TPicture -----------------------------------------------------------------------------

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::RegisterFileFormat(const String& Extension, const String& Description, TGraphicFactory Factory) {
  if (!GFormats) GFormats = new std::vector<TFormatEntry>;
  GFormats->push_back({LowerExt(Extension), Description, std::move(Factory)});
}

void TPicture::UnregisterFileFormat(const String& Extension) {
  if (!GFormats) return;
  const String ext = LowerExt(Extension);
  std::erase_if(*GFormats, [&](const TFormatEntry& e) { return e.Extension == ext; });
}

bool TPicture::IsFileFormatRegistered(const String& Extension) { return FindFormat(Extension) != nullptr; }

void TPicture::GraphicChanged(TObject*) { Changed(); }

void TPicture::Changed() {
  if (OnChange) OnChange(this);
}

void TPicture::TakeGraphic(std::unique_ptr<TGraphic> Graphic) {
  FGraphic = std::move(Graphic);
  if (FGraphic) FGraphic->OnChange = TNotifyEvent(this, &TPicture::GraphicChanged);
  Changed();
}

void TPicture::SetGraphic(TGraphic* Value) {
  if (!Value) return TakeGraphic(nullptr);
  if (Value == FGraphic.get()) return;
  // A fresh instance of the same class through its registered format, else a bitmap copy.
  std::unique_ptr<TGraphic> copy;
  if (GFormats)
    for (const TFormatEntry& e : *GFormats) {
      std::unique_ptr<TGraphic> g(e.Factory());
      if (g && g->ClassType() == Value->ClassType()) {
        copy = std::move(g);
        break;
      }
    }
  if (!copy) copy = std::make_unique<TBitmap>();
  copy->Assign(Value);
  TakeGraphic(std::move(copy));
}

TBitmap* TPicture::GetBitmap() {
  if (auto* bitmap = dynamic_cast<TBitmap*>(FGraphic.get())) return bitmap;
  auto bitmap = std::make_unique<TBitmap>();
  if (FGraphic) bitmap->Assign(FGraphic.get());
  TakeGraphic(std::move(bitmap));
  return static_cast<TBitmap*>(FGraphic.get());
}

void TPicture::Assign(TPersistent* Source) {
  if (!Source) return SetGraphic(nullptr);
  if (auto* picture = dynamic_cast<TPicture*>(Source)) return SetGraphic(picture->GetGraphic());
  if (auto* graphic = dynamic_cast<TGraphic*>(Source)) return SetGraphic(graphic);
  inherited::Assign(Source);
}

void TPicture::LoadFromFile(const String& FileName) {
  const String ext = FileExtension(FileName);
  const TFormatEntry* format = FindFormat(ext);
  if (!format) throw EInvalidGraphic(u"Unknown picture file extension (.%s)", {ext});
  std::unique_ptr<TGraphic> graphic(format->Factory());
  graphic->LoadFromFile(FileName);
  TakeGraphic(std::move(graphic));
}

void TPicture::SaveToFile(const String& FileName) {
  if (FGraphic) FGraphic->SaveToFile(FileName);
}

void TPicture::LoadFromStream(TStream& Stream) {
  std::vector<Byte> data = ReadRest(Stream);
  const TImageFormat kind = DetectImageFormat(data);
  const TFormatEntry* format = kind == TImageFormat::Unknown ? nullptr : FindFormat(ImageFormatExtension(kind));
  // Formats the codecs do not know announce themselves by a signature of the graphic class's
  // own: the first registered class that loads the data wins.
  std::unique_ptr<TGraphic> graphic;
  if (format) {
    graphic.reset(format->Factory());
    TCustomMemoryStream memory(data.data(), NativeInt(data.size()));
    graphic->LoadFromStream(memory);
  } else if (GFormats) {
    for (const TFormatEntry& e : *GFormats) {
      std::unique_ptr<TGraphic> g(e.Factory());
      if (!g || dynamic_cast<TBitmap*>(g.get())) continue;
      try {
        TCustomMemoryStream memory(data.data(), NativeInt(data.size()));
        g->LoadFromStream(memory);
        graphic = std::move(g);
        break;
      } catch (const EInvalidGraphic&) {
      }
    }
  }
  if (!graphic) throw EInvalidGraphic(u"Unknown picture format");
  TakeGraphic(std::move(graphic));
}

void TPicture::SaveToStream(TStream& Stream) {
  if (FGraphic) FGraphic->SaveToStream(Stream);
}

namespace detail {
void GraphicsInit() {
  TPicture::RegisterFileFormat(u"bmp", u"Bitmaps", [] { return static_cast<TGraphic*>(new TBitmap); });
}
void GraphicsFin() {
  delete GFormats;
  GFormats = nullptr;
}
}  // namespace detail
