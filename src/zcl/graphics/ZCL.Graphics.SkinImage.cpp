#include "zcl/graphics/ZCL.Graphics.SkinImage.h"

#include <cairo.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "os/OS.Codecs.h"
#include "os/OS.Gdi.h"
#include "os/OS.Surface.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.ZLib.h"
#include "zcl/base/ZCL.Hashes.h"
#include "zcl/base/ZCL.Threading.h"
#include "zcl/base/ZCL.Utils.Stream.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/graphics/ZCL.Graphics.Dib.h"

TZCLSkinImageCompression ZCLSkinImageCompression = sicFastest;

namespace {
constexpr Cardinal ChunkId(const char (&Tag)[5]) {
  return Cardinal(Byte(Tag[0])) | (Cardinal(Byte(Tag[1])) << 8) | (Cardinal(Byte(Tag[2])) << 16) |
         (Cardinal(Byte(Tag[3])) << 24);
}
constexpr Cardinal kBits = ChunkId("bits");
constexpr Cardinal kBitz = ChunkId("bitz");
constexpr Cardinal kDraw = ChunkId("draw");
constexpr Cardinal kLayt = ChunkId("layt");
constexpr Cardinal kIfam = ChunkId("ifam");
constexpr Cardinal kFram = ChunkId("fram");
constexpr Cardinal kVarying = 0x00010203;

Cardinal Crc32(const void* Data, size_t Size) {
  TZCLHashState state;
  TZCLHashCRC32::Initialize(state);
  TZCLHashCRC32::Update(state, Data, Integer(std::min<size_t>(Size, 0x7FFFFFFF)));
  return static_cast<Cardinal>(state);
}

Integer ZLibLevelOf(TZCLSkinImageCompression Level) {
  switch (Level) {
    case sicNone:
      return 0;
    case sicFastest:
      return 1;
    case sicDefault:
      return -1;
    default:
      return 9;
  }
}

template <class T>
T ReadValue(TStream& Stream) {
  T value{};
  Stream.ReadBufferData(value);
  return value;
}

// Stored margins, offsets and areas are kept within a range no picture exceeds, so that the
// rectangle arithmetic on them cannot overflow.
constexpr Integer kMaxStoredExtent = 1 << 20;
Integer Sane(Integer Value) { return std::clamp(Value, -kMaxStoredExtent, kMaxStoredExtent); }

TRect SaneRect(const TRect& R) { return TRect(Sane(R.Left), Sane(R.Top), Sane(R.Right), Sane(R.Bottom)); }

TRect ReadRect(TStream& Stream) {
  TRect r;
  r.Left = ReadValue<Integer>(Stream);
  r.Top = ReadValue<Integer>(Stream);
  r.Right = ReadValue<Integer>(Stream);
  r.Bottom = ReadValue<Integer>(Stream);
  return SaneRect(r);
}

void WriteRect(TStream& Stream, const TRect& R) {
  Stream.WriteBufferData(R.Left);
  Stream.WriteBufferData(R.Top);
  Stream.WriteBufferData(R.Right);
  Stream.WriteBufferData(R.Bottom);
}

// Dimensions a stored image may have before any memory is given to it.
void CheckDimensions(Integer Width, Integer Height) {
  if (Width < 0 || Height < 0 || Width > TSurface::MaxSurfaceDimension || Height > TSurface::MaxSurfaceDimension ||
      Int64(Width) * Height > MaxImagePixels)
    throw EZCLSkinImageException(u"Invalid image size (%dx%d)", {Width, Height});
}

TZCLCriticalSection* GRenderLock = nullptr;

TZCLCriticalSection& RenderLock() {
  if (GRenderLock == nullptr) GRenderLock = new TZCLCriticalSection(nullptr, u"SkinImageRender");
  return *GRenderLock;
}
}  // namespace

bool FrameStateIsOpaque(TZCLSkinImageFrameState State) {
  return State == fsOpaque || (State >= 0x01000000 && (State >> 24) == 255);
}

void SkinImageFinalize() {
  delete GRenderLock;
  GRenderLock = nullptr;
}

// ---- tiled areas ------------------------------------------------------------------------------

void TZCLSkinImageTiledAreas::CalculateParts(TRect (&Parts)[5], const TRect& R, const TZCLSkinImageTiledAreas& Areas,
                                             Integer W, Integer H, bool Vertical) {
  // Worked along x; the vertical case swaps the axes in and out.
  auto swap = [](const TRect& r) { return TRect(r.Top, r.Left, r.Bottom, r.Right); };
  const TRect r = Vertical ? swap(R) : R;
  const Integer length = Vertical ? H : W;
  TRect p0 = r, p1 = r, p2 = r, p3 = r, p4 = r;
  p0.Right = r.Left + Areas.Area1Start;
  p4.Left = r.Right - (length - Areas.Area2Start - Areas.Area2Size);
  const Integer free = Areas.Area2Start - Areas.Area1Start - Areas.Area1Size;
  p2.Left = p0.Right;
  p2.Right = p4.Left;
  if (Areas.Area1Size > 0 || Areas.Area2Size > 0) {
    if (Areas.Area1Size <= 0) {
      p2.Right = p2.Left + free;
    } else if (Areas.Area2Size <= 0) {
      p2.Left = p2.Right - free;
    } else {
      p2.Left += Areas.Area1Size;
      p2.Right -= Areas.Area2Size;
      RectCenterHorz(p2, free);
    }
  }
  p1.Left = p0.Right;
  p1.Right = p2.Left;
  p3.Left = p2.Right;
  p3.Right = p4.Left;
  const TRect parts[5] = {p0, p1, p2, p3, p4};
  for (int i = 0; i < 5; ++i) Parts[i] = Vertical ? swap(parts[i]) : parts[i];
}

// ---- packed storage ---------------------------------------------------------------------------

TZCLSkinImageBitsStorage::TZCLSkinImageBitsStorage(const TZCLPixel32* Pixels, Integer Count, TZCLBoolean AHasAlpha,
                                                   bool APremultiplied)
    : HasAlpha(AHasAlpha), Premultiplied(APremultiplied) {
  const TBytes packed = ZCompress(Pixels, size_t(Count) * 4, ZLibLevelOf(ZCLSkinImageCompression));
  FData.assign(packed.begin(), packed.end());
}

TZCLSkinImageBitsStorage* TZCLSkinImageBitsStorage::CreateFromStream(TStream& Stream, Int64 MaxSize) {
  const Cardinal size = ReadValue<Cardinal>(Stream);
  if (Int64(size) > MaxSize || Int64(size) > StreamGetBytesLeft(&Stream))
    throw EZCLSkinImageException(u"Invalid packed size (%d)", {Int64(size)});
  auto* storage = new TZCLSkinImageBitsStorage();
  storage->FData.resize(size);
  try {
    if (size > 0) Stream.ReadBuffer(storage->FData.data(), size);
  } catch (...) {
    delete storage;
    throw;
  }
  return storage;
}

TZCLSkinImageBitsStorage* TZCLSkinImageBitsStorage::Clone() const {
  auto* copy = new TZCLSkinImageBitsStorage();
  copy->FData = FData;
  copy->HasAlpha = HasAlpha;
  copy->Premultiplied = Premultiplied;
  return copy;
}

void TZCLSkinImageBitsStorage::Unpack(TZCLPixel32* Pixels, Integer Count, TZCLBoolean& AHasAlpha,
                                      bool& APremultiplied) const {
  // Inflated into exactly the pixel buffer: a stream that wants more or gives less is corrupt.
  z_stream z{};
  ZDecompressCheck(inflateInit(&z));
  z.next_in = const_cast<Bytef*>(FData.data());
  z.avail_in = uInt(FData.size());
  z.next_out = reinterpret_cast<Bytef*>(Pixels);
  z.avail_out = uInt(size_t(Count) * 4);
  const int code = inflate(&z, Z_FINISH);
  const uLong produced = z.total_out;
  inflateEnd(&z);
  if (code != Z_STREAM_END && code != Z_BUF_ERROR && code != Z_OK) ZDecompressCheck(code);
  if (code != Z_STREAM_END || produced != uLong(Count) * 4)
    throw EZCLSkinImageException(u"Dormant data has been corrupted");
  AHasAlpha = HasAlpha;
  APremultiplied = Premultiplied;
}

void TZCLSkinImageBitsStorage::SaveToStream(TStream& Stream) const {
  Stream.WriteBufferData(Cardinal(FData.size()));
  if (!FData.empty()) Stream.WriteBuffer(FData.data(), Int64(FData.size()));
}

bool TZCLSkinImageBitsStorage::Equals(const TObject* Obj) const {
  auto* other = dynamic_cast<const TZCLSkinImageBitsStorage*>(Obj);
  return other != nullptr && other->ClassType() == ClassType() && other->FData == FData;
}

Integer TZCLSkinImageBitsStorage::GetHashCode() const { return Integer(Crc32(FData.data(), FData.size())); }

// ---- TZCLSkinImage: life and change -----------------------------------------------------------

TZCLSkinImage::TZCLSkinImage() = default;

TZCLSkinImage::~TZCLSkinImage() { ClearData(); }

void TZCLSkinImage::EndUpdate() {
  --FUpdateCount;
  Changed();
}

void TZCLSkinImage::Changed() {
  FFrameStatesValid = false;
  if (FUpdateCount != 0) return;
  const std::vector<TNotifyEvent> listeners = FListeners;
  for (const TNotifyEvent& listener : listeners) listener(this);
}

void TZCLSkinImage::ListenerAdd(TNotifyEvent Listener) { FListeners.push_back(Listener); }

void TZCLSkinImage::ListenerRemove(TNotifyEvent Listener) {
  for (auto it = FListeners.begin(); it != FListeners.end(); ++it)
    if (*it == Listener) {
      FListeners.erase(it);
      return;
    }
}

void TZCLSkinImage::Assign(TPersistent* Source) {
  if (Source == this) return;
  BeginUpdate();
  try {
    DoAssign(Source);
    Changed();
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TZCLSkinImage::AssignParams(TZCLSkinImage* Source) {
  if (Source == this || Source == nullptr) return;
  BeginUpdate();
  try {
    DoAssignParams(Source);
    Changed();
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TZCLSkinImage::DoAssign(TPersistent* Source) {
  if (auto* bitmap = dynamic_cast<TBitmap*>(Source)) {
    LoadFromBitmap(bitmap);
    return;
  }
  auto* source = dynamic_cast<TZCLSkinImage*>(Source);
  if (source == nullptr) return;
  ClearData();
  if (source->FDormantStorage != nullptr) {
    FWidth = source->FWidth;
    FHeight = source->FHeight;
    FPixelCount = source->FPixelCount;
    FDormantStorage = source->FDormantStorage->Clone();
    FHasAlpha = source->FHasAlpha;
    FPremultiplied = source->FPremultiplied;
  } else {
    SetSize(source->FWidth, source->FHeight);
    if (FDib != nullptr && source->FDib != nullptr) {
      source->FDib->BeginAccess();
      std::memcpy(GetPixels(), source->GetPixels(), size_t(FPixelCount) * 4);
      FDib->EndAccess();
    }
    FPremultiplied = source->FPremultiplied;
    FHasAlpha = source->FHasAlpha;
  }
  DoAssignParams(source);
}

void TZCLSkinImage::DoAssignParams(TZCLSkinImage* Source) {
  FAllowColoration = Source->FAllowColoration;
  FSizingMode = Source->FSizingMode;
  SetHitTestMask(Source->FHitTestMask);
  SetLayout(Source->FLayout);
  SetMargins(Source->FMargins);
  SetStretchMode(Source->FStretchMode);
  SetTiledAreas(Source->FTiledAreas);
  SetTiledAreasMode(Source->FTiledAreasMode);
  SetContentOffsets(Source->FContentOffsets);
  SetFrameCount(Source->FFrameCount);
  SetHitTestMaskFrameIndex(Source->FHitTestMaskFrameIndex);
}

void TZCLSkinImage::Clear() {
  if (Empty()) return;
  ClearData();
  Changed();
}

void TZCLSkinImage::ClearData() {
  delete FDormantStorage;
  FDormantStorage = nullptr;
  ReleaseHandle();
  FWidth = 0;
  FHeight = 0;
  FPixelCount = 0;
  FHasAlpha = zbDefault;
  FPremultiplied = false;
  FFrameStatesValid = false;
}

void TZCLSkinImage::ReleaseHandle() {
  delete FDib;
  FDib = nullptr;
}

void TZCLSkinImage::SetSize(Integer AWidth, Integer AHeight) {
  ClearData();
  AWidth = std::max(AWidth, 0);
  AHeight = std::max(AHeight, 0);
  if (AWidth == 0 || AHeight == 0) return;
  if (AWidth > TSurface::MaxSurfaceDimension || AHeight > TSurface::MaxSurfaceDimension ||
      Int64(AWidth) * AHeight > MaxImagePixels)
    throw ENotEnoughGraphicResources(u"SkinImage", AWidth, AHeight);
  try {
    FDib = new TZCLDib(AWidth, AHeight);
  } catch (const Exception&) {
    FDib = nullptr;
    throw ENotEnoughGraphicResources(u"SkinImage", AWidth, AHeight);
  }
  FWidth = AWidth;
  FHeight = AHeight;
  FPixelCount = AWidth * AHeight;
}

TZCLPixel32* TZCLSkinImage::GetPixels() const { return FDib != nullptr ? FDib->GetColors() : nullptr; }

// ---- setters ----------------------------------------------------------------------------------

void TZCLSkinImage::SetAllowColoration(bool Value) {
  if (Value == FAllowColoration) return;
  FAllowColoration = Value;
  Changed();
}

void TZCLSkinImage::SetContentOffsets(const TRect& Value) {
  if (Value == FContentOffsets) return;
  FContentOffsets = Value;
  Changed();
}

void TZCLSkinImage::SetFrameCount(Integer Value) {
  Integer count = std::min(Value, FLayout == ilVertical ? FHeight : FWidth);
  count = std::max(count, 1);
  if (count == FFrameCount) return;
  FFrameCount = count;
  Changed();
}

void TZCLSkinImage::SetHitTestMask(TZCLSkinImageHitTestMode Value) {
  if (Value == FHitTestMask) return;
  FHitTestMask = Value;
  Changed();
}

void TZCLSkinImage::SetHitTestMaskFrameIndex(Integer Value) {
  if (Value == FHitTestMaskFrameIndex) return;
  FHitTestMaskFrameIndex = Value;
  Changed();
}

void TZCLSkinImage::SetLayout(TZCLSkinImageLayout Value) {
  if (Value == FLayout) return;
  FLayout = Value;
  Changed();
}

void TZCLSkinImage::SetMargins(const TRect& Value) {
  if (Value == FMargins) return;
  FMargins = Value;
  Changed();
}

void TZCLSkinImage::SetSizingMode(TZCLSkinImageSizingMode Value) {
  if (Value == FSizingMode) return;
  FSizingMode = Value;
  Changed();
}

void TZCLSkinImage::SetStretchMode(TZCLStretchMode Value) {
  if (Value == FStretchMode) return;
  FStretchMode = Value;
  Changed();
}

void TZCLSkinImage::SetTiledAreas(const TZCLSkinImageTiledAreas& Value) {
  if (Value == FTiledAreas) return;
  FTiledAreas = Value;
  Changed();
}

void TZCLSkinImage::SetTiledAreasMode(TZCLSkinImageTiledAreasMode Value) {
  if (Value == FTiledAreasMode) return;
  FTiledAreasMode = Value;
  Changed();
}

// ---- geometry ---------------------------------------------------------------------------------

Integer TZCLSkinImage::FrameWidth() const { return FLayout == ilVertical ? FWidth : FWidth / FFrameCount; }
Integer TZCLSkinImage::FrameHeight() const { return FLayout == ilVertical ? FHeight / FFrameCount : FHeight; }

TRect TZCLSkinImage::GetFrameRect(Integer Index) const {
  if (Index < 0 || Index >= FFrameCount) Index = 0;
  if (FLayout == ilHorizontal) {
    const Integer fw = FrameWidth();
    return TRect(Index * fw, 0, Index * fw + fw, FHeight);
  }
  const Integer fh = FrameHeight();
  return TRect(0, Index * fh, FWidth, Index * fh + fh);
}

TZCLSkinImageSizingMode TZCLSkinImage::GetActualSizingMode() const {
  if (FSizingMode != ismMargins && !FTiledAreas.IsEmpty()) return ismTiledAreas;
  if (FSizingMode != ismTiledAreas && FMargins != TRect()) return ismMargins;
  return ismDefault;
}

// ---- pixels in and out ------------------------------------------------------------------------

void TZCLSkinImage::LoadFromBits(const TZCLPixel32* Pixels, Integer AWidth, Integer AHeight) {
  SetSize(AWidth, AHeight);
  if (FDib != nullptr && Pixels != nullptr) {
    std::memcpy(GetPixels(), Pixels, size_t(FPixelCount) * 4);
    FDib->EndAccess();
  }
  Changed();
}

void TZCLSkinImage::LoadFromDib(TZCLDib* Dib) {
  if (Dib == nullptr || Dib->Empty()) {
    LoadFromBits(nullptr, 0, 0);
    return;
  }
  Dib->BeginAccess();
  LoadFromBits(Dib->GetColors(), Dib->GetWidth(), Dib->GetHeight());
}

void TZCLSkinImage::LoadFromBitmap(TBitmap* Bitmap) {
  if (Bitmap == nullptr) return;
  const TZCLPixel32DynArray pixels = ReadBitmapPixels(Bitmap);
  SetSize(Bitmap->GetWidth(), Bitmap->GetHeight());
  if (FDib != nullptr) {
    std::memcpy(GetPixels(), pixels.data(), size_t(FPixelCount) * 4);
    const TPixelFormat format = Bitmap->GetPixelFormat();
    if (format != TPixelFormat::pfDevice && format != TPixelFormat::pf32bit)
      TZCLColors::MakeTransparent(GetPixels(), size_t(FPixelCount), {255, 0, 255, 0});
    FDib->EndAccess();
  }
  if (Bitmap->GetAlphaFormat() == afPremultiplied) FPremultiplied = true;
  Changed();
}

void TZCLSkinImage::SaveToBitmap(TBitmap* Bitmap) {
  Bitmap->SetPixelFormat(TPixelFormat::pf32bit);
  Bitmap->SetAlphaFormat(afIgnored);
  Bitmap->SetSize(FWidth, FHeight);
  if (Empty()) return;
  CheckUnpacked();
  SetAlphaFormat(false);
  FDib->BeginAccess();
  for (Integer y = 0; y < FHeight; ++y)
    std::memcpy(Bitmap->ScanLine(y), GetPixels() + size_t(y) * FWidth, size_t(FWidth) * 4);
  Bitmap->Modified();
  if (!HasAlpha()) Bitmap->SetPixelFormat(TPixelFormat::pf24bit);
}

void TZCLSkinImage::SaveToStreamAs(TStream& Stream, TZCLImageFormatClass Format) {
  if (Empty()) return;
  if (Format == TZCLImageFormatBMP::Class()) {
    TBitmap bitmap;
    SaveToBitmap(&bitmap);
    bitmap.SaveToStream(Stream);
    return;
  }
  CheckUnpacked();
  FDib->BeginAccess();
  TZCLImage image;
  image.LoadFromBits(GetPixels(), FWidth, FHeight,
                     !HasAlpha() ? afIgnored : (FPremultiplied ? afPremultiplied : afDefined));
  if (Format == nullptr) Format = TZCLImageFormatPNG::Class();
  Format->Save(Stream, image);
}

void TZCLSkinImage::SaveToFile(const String& FileName, TZCLImageFormatClass Format) {
  TFileStream stream(FileName, fmCreate);
  SaveToStreamAs(stream, Format);
}

bool TZCLSkinImage::GetPixel(Integer X, Integer Y, TZCLPixel32& Pixel) {
  CheckUnpacked();
  SetAlphaFormat(true);
  const Int64 index = Int64(X) + Int64(Y) * FWidth;
  if (FDib == nullptr || index < 0 || index >= FPixelCount) return false;
  FDib->BeginAccess();
  Pixel = GetPixels()[index];
  return true;
}

void TZCLSkinImage::ApplyColorSchema(const TZCLColorSchema& Schema) {
  if (Empty() || !FAllowColoration || !Schema.IsAssigned()) return;
  CheckUnpacked();
  SetAlphaFormat(false);
  FDib->BeginAccess();
  TZCLColors::ApplyColorSchemaToPixels(GetPixels(), size_t(FPixelCount), Schema);
  FDib->EndAccess();
  Changed();
}

// ---- analysis and packing ---------------------------------------------------------------------

TZCLSkinImageFrameState TZCLSkinImage::ScanRect(const TRect& R) const {
  TRect r;
  if (FDib == nullptr || !IntersectRect(r, R, TRect(0, 0, FWidth, FHeight))) return fsTransparent;
  const TZCLPixel32* pixels = GetPixels();
  auto at = [&](Integer x, Integer y) {
    Cardinal v;
    std::memcpy(&v, pixels + size_t(y) * FWidth + x, 4);
    return v;
  };
  Cardinal a = at(r.Left, r.Top) >> 24, c = at(r.Left, r.Top);
  for (Integer y = r.Top; y < r.Bottom && a != kVarying; ++y)
    for (Integer x = r.Left; x < r.Right; ++x) {
      const Cardinal p = at(x, y);
      if (a != (p >> 24)) {
        a = kVarying;
        break;
      }
      if (c != kVarying && c != p) c = kVarying;
    }
  if (a == kVarying) return fsMixed;
  if (a == 0) return fsTransparent;
  if (c == kVarying) return a == 255 ? fsOpaque : fsMixed;
  TZCLPixel32 colour = TAlphaColorHelper::ToPixel(c);
  if (FPremultiplied) TZCLColors::Unpremultiply(colour);
  return TAlphaColorHelper::FromPixel(colour);
}

bool TZCLSkinImage::HasAlpha() {
  if (FHasAlpha != zbDefault) return FHasAlpha == zbTrue;
  CheckUnpacked();
  if (FDib == nullptr) return false;
  FDib->BeginAccess();
  const TZCLSkinImageFrameState state = ScanRect(TRect(0, 0, FWidth, FHeight));
  // All pixels at alpha 0 is a transparent picture: the pixels came with an alpha channel.
  FHasAlpha = state == fsOpaque || (state >= 0x01000000 && (state >> 24) == 255) ? zbFalse : zbTrue;
  return FHasAlpha == zbTrue;
}

void TZCLSkinImage::ApplyNoAlphaChannel() {
  if (FDib == nullptr) return;
  FDib->BeginAccess();
  TZCLPixel32* pixels = GetPixels();
  bool allZero = true;
  for (Integer i = 0; i < FPixelCount && allZero; ++i) allZero = pixels[i].A == 0;
  if (!allZero) return;
  bool keyFound = false;
  for (Integer i = 0; i < FPixelCount; ++i) {
    if (TZCLColors::IsKeyColor(pixels[i])) {
      pixels[i] = {};
      keyFound = true;
    } else {
      pixels[i].A = 255;
    }
  }
  FDib->EndAccess();
  FHasAlpha = keyFound ? zbTrue : zbFalse;
}

void TZCLSkinImage::SetAlphaFormat(bool APremultiplied) {
  if (APremultiplied == FPremultiplied) return;
  CheckUnpacked();
  if (FDib != nullptr && HasAlpha()) {
    FDib->BeginAccess();
    if (APremultiplied)
      TZCLColors::Premultiply(GetPixels(), size_t(FPixelCount));
    else
      TZCLColors::Unpremultiply(GetPixels(), size_t(FPixelCount));
    FDib->EndAccess();
  }
  FPremultiplied = APremultiplied;
}

void TZCLSkinImage::CheckFramesInfo() {
  if (FFrameStatesValid) return;
  CheckUnpacked();
  SetAlphaFormat(true);
  if (FDib != nullptr) FDib->BeginAccess();
  FFrameStates.assign(size_t(FFrameCount), fsTransparent);
  FInnerFrameStates.assign(size_t(FFrameCount), fsTransparent);
  const bool margins = GetActualSizingMode() == ismMargins;
  for (Integer i = 0; i < FFrameCount; ++i) {
    const TRect frame = GetFrameRect(i);
    FFrameStates[size_t(i)] = ScanRect(frame);
    const TZCLSkinImageFrameState state = FFrameStates[size_t(i)];
    if (margins && state != fsTransparent && state < 0x01000000)
      FInnerFrameStates[size_t(i)] = ScanRect(RectContentRect(frame, FMargins));
    else
      FInnerFrameStates[size_t(i)] = state;
  }
  FFrameStatesValid = true;
}

TZCLSkinImageFrameState TZCLSkinImage::GetFrameInfo(Integer Index) {
  CheckFramesInfo();
  if (Index < 0 || Index >= FFrameCount) throw EZCLSkinImageException(u"Invalid FrameInfo Index");
  return FFrameStates[size_t(Index)];
}

TZCLSkinImageFrameState TZCLSkinImage::GetInnerFrameInfo(Integer Index) {
  CheckFramesInfo();
  if (Index < 0 || Index >= FFrameCount) throw EZCLSkinImageException(u"Invalid FrameInfo Index");
  return FInnerFrameStates[size_t(Index)];
}

void TZCLSkinImage::CreateDormantStorage() {
  FDib->BeginAccess();
  FDormantStorage = new TZCLSkinImageBitsStorage(GetPixels(), FPixelCount, FHasAlpha, FPremultiplied);
}

void TZCLSkinImage::Dormant() {
  if (Empty() || FDib == nullptr || FPixelCount < ZCLSkinImagePackThreshold) return;
  delete FDormantStorage;
  FDormantStorage = nullptr;
  CreateDormantStorage();
  ReleaseHandle();
}

void TZCLSkinImage::CheckUnpacked() {
  if (FDib != nullptr || FDormantStorage == nullptr) return;
  TZCLSkinImageBitsStorage* storage = FDormantStorage;
  FDormantStorage = nullptr;
  const Integer w = FWidth, h = FHeight;
  try {
    SetSize(w, h);
  } catch (...) {
    delete storage;
    throw;
  }
  try {
    storage->Unpack(GetPixels(), FPixelCount, FHasAlpha, FPremultiplied);
    FDib->EndAccess();
  } catch (...) {
    // Corrupt packed data leaves a cleared picture, never undefined pixels a save would keep.
    std::memset(GetPixels(), 0, size_t(FPixelCount) * 4);
    FDib->EndAccess();
    FHasAlpha = zbTrue;
    FPremultiplied = true;
    delete storage;
    throw;
  }
  delete storage;
}

// ---- comparison -------------------------------------------------------------------------------

bool TZCLSkinImage::Equals(const TObject* Obj) const {
  auto* other = dynamic_cast<const TZCLSkinImage*>(Obj);
  if (other == nullptr || other->ClassType() != ClassType()) return false;
  if (other->FHeight != FHeight || other->FWidth != FWidth || other->FMargins != FMargins ||
      other->FAllowColoration != FAllowColoration || other->FHitTestMask != FHitTestMask ||
      other->FHitTestMaskFrameIndex != FHitTestMaskFrameIndex || other->FLayout != FLayout ||
      other->FStretchMode != FStretchMode || !(other->FTiledAreas == FTiledAreas) ||
      other->FTiledAreasMode != FTiledAreasMode || other->FContentOffsets != FContentOffsets ||
      other->FSizingMode != FSizingMode || other->FFrameCount != FFrameCount ||
      (other->FDib != nullptr) != (FDib != nullptr) || other->FPixelCount != FPixelCount)
    return false;
  if (FDormantStorage != nullptr) return FDormantStorage->Equals(other->FDormantStorage);
  if (FDib != nullptr) {
    FDib->BeginAccess();
    other->FDib->BeginAccess();
    return std::memcmp(GetPixels(), other->GetPixels(), size_t(FPixelCount) * 4) == 0;
  }
  return false;
}

Integer TZCLSkinImage::GetHashCode() const {
  if (FDormantStorage != nullptr) return FDormantStorage->GetHashCode();
  if (FDib != nullptr) return Integer(Crc32(GetPixels(), size_t(FPixelCount)));
  return 0;
}

// ---- drawing ----------------------------------------------------------------------------------

// Draws the parts of one frame. Parts are composited with cairo on the destination DC's
// surface: premultiplied source over destination with the constant alpha, stretched with the
// nearest source pixel, tiles repeated from each part's top-left corner. An opaque frame drawn
// at full alpha gives the same pixels as a plain copy.
class TZCLSkinImageRenderer {
 public:
  TZCLSkinImageRenderer(TZCLSkinImage* Image, TCanvas* Canvas, Integer Frame, Byte Alpha)
      : FImage(Image), FCanvas(Canvas), FFrame(Frame), FAlpha(Alpha) {
    RenderLock().Enter();
    FImage->FDib->EndAccess();
    FDestDC = Canvas->GetHandle();
    FSource = GetBitmapSurface(FImage->FDib->GetHandle());
    FCairo = FSource != nullptr ? detail::BeginCairo(FDestDC) : nullptr;
  }
  ~TZCLSkinImageRenderer() {
    if (FCairo != nullptr) detail::EndCairo(FDestDC, FCairo);
    RenderLock().Leave();
  }
  bool IsReady() const { return FCairo != nullptr; }
  void Draw(const TRect& R);

 private:
  void DrawPart(const TRect& Dest, const TRect& Source, bool Tile);
  // A one-colour part (straight colour), like FillRectAlpha.
  void FillSolid(const TRect& Dest, TAlphaColor Color) {
    if (Dest.IsEmpty()) return;
    cairo_set_source_rgba(FCairo, ((Color >> 16) & 0xFF) / 255.0, ((Color >> 8) & 0xFF) / 255.0, (Color & 0xFF) / 255.0,
                          (Color >> 24) / 255.0);
    cairo_rectangle(FCairo, Dest.Left, Dest.Top, Dest.Width(), Dest.Height());
    cairo_fill(FCairo);
  }

  TZCLSkinImage* FImage;
  TCanvas* FCanvas;
  Integer FFrame;
  Byte FAlpha;
  HDC FDestDC;
  TSurface* FSource;
  cairo_t* FCairo;
};

void TZCLSkinImageRenderer::DrawPart(const TRect& Dest, const TRect& Source, bool Tile) {
  if (Dest.IsEmpty() || Source.IsEmpty()) return;
  cairo_t* cr = FCairo;
  cairo_surface_t* part = cairo_surface_create_for_rectangle(FSource->GetCairoSurface(), Source.Left, Source.Top,
                                                             Source.Width(), Source.Height());
  cairo_pattern_t* pattern = cairo_pattern_create_for_surface(part);
  cairo_matrix_t m;
  cairo_matrix_init_translate(&m, -Dest.Left, -Dest.Top);
  if (!Tile) {
    cairo_matrix_t scale;
    cairo_matrix_init_scale(&scale, double(Source.Width()) / Dest.Width(), double(Source.Height()) / Dest.Height());
    cairo_matrix_multiply(&m, &m, &scale);
  }
  cairo_pattern_set_matrix(pattern, &m);
  cairo_pattern_set_filter(pattern, CAIRO_FILTER_NEAREST);
  cairo_pattern_set_extend(pattern, Tile ? CAIRO_EXTEND_REPEAT : CAIRO_EXTEND_PAD);
  cairo_save(cr);
  cairo_rectangle(cr, Dest.Left, Dest.Top, Dest.Width(), Dest.Height());
  cairo_clip(cr);
  cairo_set_source(cr, pattern);
  if (FAlpha == 255)
    cairo_paint(cr);
  else
    cairo_paint_with_alpha(cr, FAlpha / 255.0);
  cairo_restore(cr);
  cairo_pattern_destroy(pattern);
  cairo_surface_destroy(part);
}

void TZCLSkinImageRenderer::Draw(const TRect& R) {
  const bool tile = FImage->FStretchMode == isTile;
  const TRect source = FImage->GetFrameRect(FFrame);
  switch (FImage->GetActualSizingMode()) {
    case ismMargins: {
      TZCLMarginParts dest, src;
      CalculateMarginParts(dest, FImage->FMargins, R, source, FImage->FStretchMode);
      CalculateMarginParts(src, FImage->FMargins, source, source, FImage->FStretchMode);
      for (Integer i = 0; i < mzClient; ++i) DrawPart(dest[i], src[i], tile);
      const TZCLSkinImageFrameState inner = FImage->GetInnerFrameInfo(FFrame);
      if (inner == fsTransparent) break;
      if (inner >= 0x01000000)
        FillSolid(dest[mzClient], inner);
      else
        DrawPart(dest[mzClient], src[mzClient], tile);
      break;
    }
    case ismTiledAreas: {
      TRect dest[5], src[5];
      const bool vertical = FImage->FTiledAreasMode == tpmVertical;
      const Integer fw = FImage->FrameWidth(), fh = FImage->FrameHeight();
      TZCLSkinImageTiledAreas::CalculateParts(dest, R, FImage->FTiledAreas, fw, fh, vertical);
      TZCLSkinImageTiledAreas::CalculateParts(src, source, FImage->FTiledAreas, fw, fh, vertical);
      for (Integer i = 0; i < 5; ++i) DrawPart(dest[i], src[i], tile);
      break;
    }
    default: {
      TRect dest = R;
      if (FImage->FStretchMode == isCenter) RectCenter(dest, source.Size());
      DrawPart(dest, source, tile);
      break;
    }
  }
}

void TZCLSkinImage::DoDraw(TCanvas* Canvas, const TRect& R, Integer Frame, Byte Alpha) {
  if (Empty() || !IsRectVisible(Canvas, R)) return;
  CheckUnpacked();
  SetAlphaFormat(true);
  if (Frame < 0 || Frame >= FFrameCount) Frame = 0;
  const TZCLSkinImageFrameState state = GetFrameInfo(Frame);
  if (state == fsTransparent) return;
  if (state >= 0x01000000) {
    TRect r = R;
    if (FStretchMode == isCenter && GetActualSizingMode() == ismDefault) RectCenter(r, GetFrameRect(Frame).Size());
    FillRectAlpha(Canvas, r, state);
    return;
  }
  TZCLSkinImageRenderer renderer(this, Canvas, Frame, Alpha);
  if (renderer.IsReady()) renderer.Draw(R);
}

void TZCLSkinImage::Draw(TCanvas* Canvas, const TRect& R, Integer Frame, bool Enabled, Byte Alpha) {
  if (Enabled) {
    DoDraw(Canvas, R, Frame, Alpha);
    return;
  }
  if (R.IsEmpty()) return;
  TZCLDib dib(R.Width(), R.Height());
  dib.Reset();
  DoDraw(dib.GetCanvas(), dib.ClientRect(), Frame, 255);
  dib.Grayscale(false);
  dib.DrawBlend(Canvas, R, Alpha, false);
}

bool TZCLSkinImage::HitTest(const TRect& R, Integer X, Integer Y) {
  switch (FHitTestMask) {
    case ihtmMask:
      return HitTestFrame(R, FHitTestMaskFrameIndex, X, Y);
    case ihtmOpaque:
      return true;
    default:
      return false;
  }
}

bool TZCLSkinImage::HitTestFrame(const TRect& R, Integer Frame, Integer X, Integer Y) {
  if (Empty()) return true;
  TPoint p(X, Y);
  const TRect source = GetFrameRect(Frame);
  if (R.IsEmpty()) return false;
  auto map = [&p](const TRect& D, const TRect& S) {
    p.X = MulDiv(p.X - D.Left, S.Width(), D.Width()) + S.Left;
    p.Y = MulDiv(p.Y - D.Top, S.Height(), D.Height()) + S.Top;
  };
  switch (GetActualSizingMode()) {
    case ismMargins: {
      TZCLMarginParts dest, src;
      CalculateMarginParts(dest, FMargins, R, source, FStretchMode);
      CalculateMarginParts(src, FMargins, source, source, FStretchMode);
      for (Integer i = 0; i <= mzClient; ++i)
        if (dest[i].Contains(p)) {
          map(dest[i], src[i]);
          break;
        }
      break;
    }
    case ismTiledAreas: {
      TRect dest[5], src[5];
      const bool vertical = FTiledAreasMode == tpmVertical;
      TZCLSkinImageTiledAreas::CalculateParts(dest, R, FTiledAreas, FrameWidth(), FrameHeight(), vertical);
      TZCLSkinImageTiledAreas::CalculateParts(src, source, FTiledAreas, FrameWidth(), FrameHeight(), vertical);
      for (Integer i = 0; i < 5; ++i)
        if (dest[i].Contains(p)) {
          map(dest[i], src[i]);
          break;
        }
      break;
    }
    default:
      map(R, source);
      break;
  }
  TZCLPixel32 pixel{};
  return source.Contains(p) && GetPixel(p.X, p.Y, pixel) && pixel.A >= 128;
}

void TZCLSkinImage::SetFrameSize(const TSize& Size) {
  if (Empty() || Size.cx <= 0 || Size.cy <= 0 || Size == TSize(FrameWidth(), FrameHeight())) return;
  BeginUpdate();
  try {
    const Integer n = FFrameCount;
    TZCLDib target(Size.cx, n * Size.cy);
    target.Reset();
    TZCLDib frame(FrameWidth(), FrameHeight());
    for (Integer i = 0; i < n; ++i) {
      frame.Reset();
      DoDraw(frame.GetCanvas(), frame.ClientRect(), i, 255);
      frame.DrawBlend(target.GetCanvas(), TRect(0, i * Size.cy, Size.cx, (i + 1) * Size.cy), 255, true);
    }
    const bool premultiplied = FPremultiplied;
    LoadFromDib(&target);
    SetLayout(ilVertical);
    SetFrameCount(n);
    FPremultiplied = premultiplied;
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

// ---- stored forms -----------------------------------------------------------------------------

void TZCLSkinImage::LoadFromFile(const String& FileName) {
  TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream);
}

void TZCLSkinImage::LoadFromResource(const void* Instance, StringView Name, StringView Type) {
  TResourceStream stream(Instance, Name, Type);
  if (Type == u"RT_BITMAP") {
    TBitmap bitmap;
    bitmap.LoadFromStream(stream);
    LoadFromBitmap(&bitmap);
  } else {
    LoadFromStream(stream);
  }
}

void TZCLSkinImage::LoadFromStream(TStream& Stream) {
  BeginUpdate();
  try {
    Clear();
    Byte header[12];
    const Integer read = Stream.Read(header, 12);
    if (read == 12) {
      Cardinal version;
      std::memcpy(&version, header + 8, 4);
      if (version == 1 && std::memcmp(header, "ZCLIMG32", 8) == 0) {
        ReadChunks(Stream);
      } else if (version == 1 && std::memcmp(header, "ZSEIMG32", 8) == 0) {
        ReadLegacy(Stream, false);
      } else if (version == 1 && std::memcmp(header, "VaRuzEdu", 8) == 0) {
        ReadLegacy(Stream, true);
      } else {
        Stream.Seek(-12, soCurrent);
        LoadPlainPicture(Stream);
      }
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TZCLSkinImage::LoadPlainPicture(TStream& Stream) {
  Byte head[2] = {};
  const Int64 start = Stream.GetPosition();
  Stream.Read(head, 2);
  Stream.SetPosition(start);
  if (head[0] == 'B' && head[1] == 'M') {
    TBitmap bitmap;
    bitmap.LoadFromStream(Stream);
    LoadFromBitmap(&bitmap);
    return;
  }
  TZCLImage image;
  image.LoadFromStream(Stream);
  const TZCLPixel32DynArray pixels = image.GetPixelsAs(false);
  LoadFromBits(pixels.data(), image.GetWidth(), image.GetHeight());
  FPremultiplied = false;
}

void TZCLSkinImage::ReadChunks(TStream& Stream) {
  FPixelChunkRead = false;
  const Integer count = ReadValue<Integer>(Stream);
  for (Integer i = 0; i < count; ++i) {
    const Cardinal id = ReadValue<Cardinal>(Stream);
    const Integer size = ReadValue<Integer>(Stream);
    if (size < 0) break;
    const Int64 start = Stream.GetPosition();
    try {
      ReadChunk(Stream, id, size);
    } catch (...) {
      Stream.SetPosition(start + size);
      throw;
    }
    Stream.SetPosition(start + size);
  }
}

void TZCLSkinImage::ReadChunk(TStream& Stream, Cardinal Id, Integer Size) {
  if (Id == kBits) {
    const Cardinal flags = ReadValue<Cardinal>(Stream);
    const Integer w = ReadValue<Integer>(Stream), h = ReadValue<Integer>(Stream);
    CheckDimensions(w, h);
    if (12 + Int64(w) * h * 4 > Size) throw EZCLSkinImageException(u"Invalid chunk size");
    SetSize(w, h);
    if (FDib != nullptr) {
      Stream.ReadBuffer(GetPixels(), Int64(FPixelCount) * 4);
      FDib->EndAccess();
    }
    FHasAlpha = (flags & 1) ? zbTrue : zbFalse;
    FPremultiplied = (flags & 2) != 0;
    FPixelChunkRead = true;
  } else if (Id == kBitz) {
    if (FDib != nullptr) throw EZCLSkinImageException(u"InvalidState");
    const Cardinal flags = ReadValue<Cardinal>(Stream);
    const Integer w = ReadValue<Integer>(Stream), h = ReadValue<Integer>(Stream);
    CheckDimensions(w, h);
    TZCLSkinImageBitsStorage* storage = TZCLSkinImageBitsStorage::CreateFromStream(Stream, Int64(Size) - 16);
    // deflate packs at most about 1032:1: more pixels than that cannot be in the data.
    if (Int64(w) * h * 4 > Int64(storage->GetPackedSize()) * 1040 + 1024) {
      delete storage;
      throw EZCLSkinImageException(u"Dormant data has been corrupted");
    }
    ClearData();
    FWidth = w;
    FHeight = h;
    FPixelCount = w * h;
    storage->HasAlpha = (flags & 1) ? zbTrue : zbFalse;
    storage->Premultiplied = (flags & 2) != 0;
    FHasAlpha = storage->HasAlpha;
    FPremultiplied = storage->Premultiplied;
    if (FPixelCount > 0)
      FDormantStorage = storage;
    else
      delete storage;
    FPixelChunkRead = true;
  } else if (Id == kDraw) {
    const Cardinal flags = ReadValue<Cardinal>(Stream);
    const Byte stretch = ReadValue<Byte>(Stream);
    SetAllowColoration((flags & 1) != 0);
    SetStretchMode(stretch <= isCenter ? TZCLStretchMode(stretch) : isStretch);
    SetSizingMode((flags & 2) ? ismMargins : (flags & 4) ? ismTiledAreas : ismDefault);
  } else if (Id == kLayt) {
    const Byte layout = ReadValue<Byte>(Stream);
    const Integer frames = ReadValue<Integer>(Stream);
    const TRect margins = ReadRect(Stream);
    const TRect offsets = ReadRect(Stream);
    const Byte tiledMode = ReadValue<Byte>(Stream);
    TZCLSkinImageTiledAreas areas;
    areas.Area1Start = Sane(ReadValue<Integer>(Stream));
    areas.Area1Size = Sane(ReadValue<Integer>(Stream));
    areas.Area2Start = Sane(ReadValue<Integer>(Stream));
    areas.Area2Size = Sane(ReadValue<Integer>(Stream));
    if (frames > ZCLSkinImageMaxFrameCount) throw EZCLSkinImageException(u"Invalid frame count (%d)", {frames});
    SetLayout(layout == 1 ? ilVertical : ilHorizontal);
    if (FPixelChunkRead) {
      SetFrameCount(frames);
    } else if (std::max(frames, 1) != FFrameCount) {
      // No pixels: the stored count is kept, not clamped against a size of 0.
      FFrameCount = std::max(frames, 1);
      Changed();
    }
    SetMargins(margins);
    SetContentOffsets(offsets);
    SetTiledAreasMode(tiledMode == 1 ? tpmVertical : tpmHorizontal);
    SetTiledAreas(areas);
  } else if (Id == kIfam) {
    const Byte mode = ReadValue<Byte>(Stream);
    const Integer index = ReadValue<Integer>(Stream);
    SetHitTestMask(mode <= ihtmTransparent ? TZCLSkinImageHitTestMode(mode) : ihtmOpaque);
    SetHitTestMaskFrameIndex(index);
    const Int64 n = FFrameCount;
    if (5 + 4 * n > Size) throw EZCLSkinImageException(u"Invalid chunk size");
    FFrameStates.assign(size_t(n), 0);
    Stream.ReadBuffer(FFrameStates.data(), 4 * n);
    if (Size >= 5 + 8 * n) {
      FInnerFrameStates.assign(size_t(n), 0);
      Stream.ReadBuffer(FInnerFrameStates.data(), 4 * n);
    } else {
      FInnerFrameStates = FFrameStates;
    }
    FFrameStatesValid = true;
  } else if (Id == kFram) {
    const Byte mode = ReadValue<Byte>(Stream);
    SetHitTestMask(mode <= ihtmTransparent ? TZCLSkinImageHitTestMode(mode) : ihtmOpaque);
    SetHitTestMaskFrameIndex(ReadValue<Integer>(Stream));
  }
}

void TZCLSkinImage::ReadLegacy(TStream& Stream, bool VaRuzEdu) {
  Byte record[58];
  Stream.ReadBuffer(record, 58);
  auto i32 = [&record](Integer At) {
    Integer v;
    std::memcpy(&v, record + At, 4);
    return v;
  };
  auto rect = [&](Integer At) { return TRect(i32(At), i32(At + 4), i32(At + 8), i32(At + 12)); };
  const Integer bytes = i32(0);
  const Integer w = i32(50), h = i32(54);
  CheckDimensions(w, h);
  Integer stretch = record[32];
  if (VaRuzEdu) stretch = std::max(stretch - 1, 0);
  SetSize(w, h);
  if (bytes > 0) {
    // Never more than the buffer holds; the rest of the declared pixel bytes is skipped.
    const Int64 fit = std::min<Int64>(bytes, Int64(FPixelCount) * 4);
    if (fit > 0) Stream.ReadBuffer(GetPixels(), fit);
    if (bytes > fit) Stream.Seek(bytes - fit, soCurrent);
    if (FDib != nullptr) FDib->EndAccess();
  }
  SetLayout(record[15] == 1 ? ilVertical : ilHorizontal);
  const Integer frames = i32(6);
  if (frames > ZCLSkinImageMaxFrameCount) throw EZCLSkinImageException(u"Invalid frame count (%d)", {frames});
  SetFrameCount(frames);
  TZCLSkinImageTiledAreas areas;
  areas.Area1Start = Sane(i32(33));
  areas.Area1Size = Sane(i32(37));
  areas.Area2Start = Sane(i32(41));
  areas.Area2Size = Sane(i32(45));
  SetTiledAreas(areas);
  SetTiledAreasMode(record[49] == 1 ? tpmVertical : tpmHorizontal);
  SetMargins(SaneRect(rect(16)));
  SetHitTestMaskFrameIndex(i32(11));
  SetHitTestMask(record[10] <= ihtmTransparent ? TZCLSkinImageHitTestMode(record[10]) : ihtmOpaque);
  SetStretchMode(stretch <= isCenter ? TZCLStretchMode(stretch) : isStretch);
  FPremultiplied = record[4] != 0;
  if (record[5] != 0) {
    FHasAlpha = zbTrue;
  } else {
    // The record says the pixels carry no alpha channel: the key colour marks transparency.
    FHasAlpha = zbFalse;
    ApplyNoAlphaChannel();
  }
  if (!VaRuzEdu && FFrameCount > 0) Stream.Seek(FFrameCount, soCurrent);
  Byte offsets[16];
  if (Stream.Read(offsets, 16) == 16) {
    std::memcpy(&FContentOffsets.Left, offsets, 4);
    std::memcpy(&FContentOffsets.Top, offsets + 4, 4);
    std::memcpy(&FContentOffsets.Right, offsets + 8, 4);
    std::memcpy(&FContentOffsets.Bottom, offsets + 12, 4);
    FContentOffsets = SaneRect(FContentOffsets);
  } else {
    FContentOffsets = TRect();
  }
}

void TZCLSkinImage::SaveToStream(TStream& Stream) {
  HasAlpha();
  CheckFramesInfo();
  Stream.WriteBuffer("ZCLIMG32", 8);
  Stream.WriteBufferData(Cardinal(1));
  const Int64 countPosition = Stream.GetPosition();
  Integer count = 0;
  Stream.WriteBufferData(count);
  WriteChunks(Stream, count);
  const Int64 end = Stream.GetPosition();
  Stream.SetPosition(countPosition);
  Stream.WriteBufferData(count);
  Stream.SetPosition(end);
}

void TZCLSkinImage::WriteChunks(TStream& Stream, Integer& Count) {
  Int64 start;
  if (FPixelCount > 0) {
    const Cardinal flags = (HasAlpha() ? 1u : 0u) | (FPremultiplied ? 2u : 0u);
    if (ZCLSkinImageCompression != sicNone && FPixelCount >= ZCLSkinImagePackThreshold) {
      StreamBeginWriteChunk(&Stream, kBitz, start);
      Stream.WriteBufferData(flags);
      Stream.WriteBufferData(FWidth);
      Stream.WriteBufferData(FHeight);
      if (FDormantStorage != nullptr) {
        FDormantStorage->SaveToStream(Stream);
      } else {
        FDib->BeginAccess();
        TZCLSkinImageBitsStorage(GetPixels(), FPixelCount, FHasAlpha, FPremultiplied).SaveToStream(Stream);
      }
    } else {
      CheckUnpacked();
      StreamBeginWriteChunk(&Stream, kBits, start);
      Stream.WriteBufferData(flags);
      Stream.WriteBufferData(FWidth);
      Stream.WriteBufferData(FHeight);
      FDib->BeginAccess();
      Stream.WriteBuffer(GetPixels(), Int64(FPixelCount) * 4);
    }
    StreamEndWriteChunk(&Stream, start);
    ++Count;
  }
  StreamBeginWriteChunk(&Stream, kDraw, start);
  Stream.WriteBufferData(Cardinal((FAllowColoration ? 1u : 0u) | (FSizingMode == ismMargins ? 2u : 0u) |
                                  (FSizingMode == ismTiledAreas ? 4u : 0u)));
  Stream.WriteBufferData(Byte(FStretchMode));
  StreamEndWriteChunk(&Stream, start);
  ++Count;

  StreamBeginWriteChunk(&Stream, kLayt, start);
  Stream.WriteBufferData(Byte(FLayout == ilVertical ? 1 : 0));
  Stream.WriteBufferData(FFrameCount);
  WriteRect(Stream, FMargins);
  WriteRect(Stream, FContentOffsets);
  Stream.WriteBufferData(Byte(FTiledAreasMode == tpmVertical ? 1 : 0));
  Stream.WriteBufferData(FTiledAreas.Area1Start);
  Stream.WriteBufferData(FTiledAreas.Area1Size);
  Stream.WriteBufferData(FTiledAreas.Area2Start);
  Stream.WriteBufferData(FTiledAreas.Area2Size);
  StreamEndWriteChunk(&Stream, start);
  ++Count;

  CheckFramesInfo();
  StreamBeginWriteChunk(&Stream, kIfam, start);
  Stream.WriteBufferData(Byte(FHitTestMask));
  Stream.WriteBufferData(FHitTestMaskFrameIndex);
  Stream.WriteBuffer(FFrameStates.data(), Int64(FFrameStates.size()) * 4);
  Stream.WriteBuffer(FInnerFrameStates.data(), Int64(FInnerFrameStates.size()) * 4);
  StreamEndWriteChunk(&Stream, start);
  ++Count;
}
