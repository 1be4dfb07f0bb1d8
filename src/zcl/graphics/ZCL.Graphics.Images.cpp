#include "zcl/graphics/ZCL.Graphics.Images.h"

#include <cairo.h>

#include <cstring>

#include "os/OS.Clipboard.h"
#include "os/OS.Codecs.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Strings.h"
#include "vcl/VCL.Clipbrd.h"
#include "zcl/graphics/ZCL.Graphics.Dib.h"
#include "zcl/graphics/ZCL.Graphics.Render.Cairo.h"

Integer ZCLImageJpegQuality = 90;

namespace {
std::vector<Byte> ReadRest(TStream& Stream) {
  const Int64 size = Stream.GetSize() - Stream.GetPosition();
  if (size <= 0) return {};
  if (size > (Int64(1) << 30)) throw EInvalidGraphic(u"Image data too large");
  std::vector<Byte> data(static_cast<size_t>(size));
  Stream.ReadBuffer(data.data(), size);
  return data;
}

// Reads exactly Count bytes; false when the stream ends first.
bool ReadExact(TStream& Stream, void* Buffer, Integer Count) { return Stream.Read(Buffer, Count) == Count; }

uint16_t Le16(const Byte* P) { return uint16_t(P[0] | (P[1] << 8)); }
uint32_t Le32(const Byte* P) {
  return uint32_t(P[0]) | (uint32_t(P[1]) << 8) | (uint32_t(P[2]) << 16) | (uint32_t(P[3]) << 24);
}
uint32_t Be32(const Byte* P) { return (uint32_t(P[0]) << 24) | (uint32_t(P[1]) << 16) | (uint32_t(P[2]) << 8) | P[3]; }

TImageFormat CodecOf(TZCLImageFormatClass Format) {
  if (Format == nullptr) return TImageFormat::Unknown;
  const String mime = Format->MimeType();
  return ImageFormatFromMimeType(mime);
}

void EncodeTo(TStream& Stream, TZCLImage& Image, TImageFormat Format, const TZCLImageFormat& Which) {
  if (Format == TImageFormat::Unknown || Format == TImageFormat::Gif)
    throw EZCLImageFormatError(u"No encoder for the \"%s\" mime-type", {Which.MimeType()});
  const TZCLPixel32DynArray pixels = Image.GetPixelsAs(false);
  std::vector<Byte> data =
      EncodeImage(Format, reinterpret_cast<const uint32_t*>(pixels.data()), Image.GetWidth(), Image.GetHeight(), false);
  Stream.WriteBuffer(data.data(), Int64(data.size()));
}
}  // namespace

// ---- formats ----------------------------------------------------------------------------------

void TZCLImageFormat::Load(TStream& Stream, TZCLImage& Image) const {
  const std::vector<Byte> data = ReadRest(Stream);
  TDecodedImage decoded = DecodeImage(std::span<const Byte>(data.data(), data.size()), CodecOf(this));
  TZCLImageFormatClass format = this;
  switch (decoded.Format) {
    case TImageFormat::Gif:
      format = TZCLImageFormatGIF::Class();
      break;
    case TImageFormat::Jpeg:
      format = TZCLImageFormatJPG::Class();
      break;
    case TImageFormat::Png:
      format = TZCLImageFormatPNG::Class();
      break;
    default:
      break;
  }
  TZCLPixel32DynArray pixels(decoded.Pixels.size());
  std::memcpy(pixels.data(), decoded.Pixels.data(), pixels.size() * 4);
  TZCLImagePixelFormat pixelFormat;
  if (format == TZCLImageFormatPNG::Class()) {
    // PNG pictures keep their own form: straight alpha, or opaque.
    pixelFormat = decoded.HasAlpha ? TZCLImagePixelFormat::Argb32 : TZCLImagePixelFormat::Rgb32;
  } else {
    TZCLColors::Premultiply(pixels.data(), pixels.size());
    pixelFormat = TZCLImagePixelFormat::PArgb32;
  }
  Image.SetPixels(std::move(pixels), decoded.Width, decoded.Height, pixelFormat, format);
}

void TZCLImageFormat::Save(TStream& Stream, TZCLImage& Image) const { EncodeTo(Stream, Image, CodecOf(this), *this); }

TZCLImageFormatClass TZCLImageFormatPNG::Class() {
  static const TZCLImageFormatPNG format;
  return &format;
}

bool TZCLImageFormatPNG::CheckHeader(const Byte* Data, Integer Size) const {
  return Size >= 4 && Data[1] == 'P' && Data[2] == 'N' && Data[3] == 'G';
}

bool TZCLImageFormatPNG::GetSize(TStream& Stream, TSize& Size) const {
  static const Byte kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  Byte head[24];
  if (!ReadExact(Stream, head, 24) || std::memcmp(head, kSignature, 8) != 0 || std::memcmp(head + 12, "IHDR", 4) != 0)
    return false;
  const uint32_t w = Be32(head + 16), h = Be32(head + 20);
  if (w == 0 || h == 0 || w > 0x7FFFFFFF || h > 0x7FFFFFFF) return false;
  Size = TSize(Integer(w), Integer(h));
  return true;
}

TZCLImageFormatClass TZCLImageFormatBMP::Class() {
  static const TZCLImageFormatBMP format;
  return &format;
}

bool TZCLImageFormatBMP::CheckHeader(const Byte* Data, Integer Size) const {
  return Size >= 2 && Data[0] == 'B' && Data[1] == 'M';
}

bool TZCLImageFormatBMP::GetSize(TStream& Stream, TSize& Size) const {
  Byte head[18];
  if (!ReadExact(Stream, head, 18) || head[0] != 'B' || head[1] != 'M') return false;
  const uint32_t headerSize = Le32(head + 14);
  Integer w, h;
  if (headerSize == 12) {
    Byte core[4];
    if (!ReadExact(Stream, core, 4)) return false;
    w = Le16(core);
    h = Le16(core + 2);
  } else {
    Byte info[8];
    if (!ReadExact(Stream, info, 8)) return false;
    w = Integer(Le32(info));
    h = Integer(Le32(info + 4));
    // A negative height marks a top-down file.
    if (h < 0 && h != INT32_MIN) h = -h;
  }
  if (w <= 0 || h <= 0) return false;
  Size = TSize(w, h);
  return true;
}

TZCLImageFormatClass TZCLImageFormatGIF::Class() {
  static const TZCLImageFormatGIF format;
  return &format;
}

bool TZCLImageFormatGIF::CheckHeader(const Byte* Data, Integer Size) const {
  return Size >= 3 && std::memcmp(Data, "GIF", 3) == 0;
}

bool TZCLImageFormatGIF::GetSize(TStream& Stream, TSize& Size) const {
  Byte head[10];
  if (!ReadExact(Stream, head, 10)) return false;
  const Integer w = Le16(head + 6), h = Le16(head + 8);
  if (w <= 0 || h == 0) return false;
  Size = TSize(w, h);
  return true;
}

TZCLImageFormatClass TZCLImageFormatJPEG::Class() {
  static const TZCLImageFormatJPEG format;
  return &format;
}

bool TZCLImageFormatJPEG::CheckHeader(const Byte* Data, Integer Size) const {
  return Size >= 3 && Data[0] == 0xFF && Data[1] == 0xD8 && Data[2] == 0xFF;
}

void TZCLImageFormatJPEG::Save(TStream& Stream, TZCLImage& Image) const {
  const TZCLPixel32DynArray pixels = Image.GetPixelsAs(false);
  std::vector<Byte> data = EncodeJpeg(reinterpret_cast<const uint32_t*>(pixels.data()), Image.GetWidth(),
                                      Image.GetHeight(), false, ZCLImageJpegQuality);
  Stream.WriteBuffer(data.data(), Int64(data.size()));
}

bool TZCLImageFormatJPEG::GetSize(TStream& Stream, TSize& Size) const {
  for (;;) {
    Byte marker[2];
    if (!ReadExact(Stream, marker, 2) || marker[0] != 0xFF) return false;
    const Byte m = marker[1];
    if (m == 0xD8) continue;
    if (m == 0xD9 || m == 0xDA) return false;
    Byte length[2];
    if (!ReadExact(Stream, length, 2)) return false;
    const Integer len = (length[0] << 8) | length[1];
    const bool frame =
        (m >= 0xC0 && m <= 0xC3) || (m >= 0xC5 && m <= 0xC7) || (m >= 0xC9 && m <= 0xCB) || (m >= 0xCD && m <= 0xCF);
    if (frame) {
      Byte sof[5];
      if (!ReadExact(Stream, sof, 5)) return false;
      const Integer h = (sof[1] << 8) | sof[2], w = (sof[3] << 8) | sof[4];
      if (w <= 0 || h <= 0) return false;
      Size = TSize(w, h);
      return true;
    }
    if (len < 2) return false;
    const Int64 target = Stream.GetPosition() + len - 2;
    if (target > Stream.GetSize()) return false;
    Stream.SetPosition(target);
  }
}

TZCLImageFormatClass TZCLImageFormatJPEG2::Class() {
  static const TZCLImageFormatJPEG2 format;
  return &format;
}

TZCLImageFormatClass TZCLImageFormatJPG::Class() {
  static const TZCLImageFormatJPG format;
  return &format;
}

TZCLImageFormatClass TZCLImageFormatWebP::Class() {
  static const TZCLImageFormatWebP format;
  return &format;
}

bool TZCLImageFormatWebP::IsAvailable() const { return IsImageFormatAvailable(TImageFormat::WebP); }

bool TZCLImageFormatWebP::CheckHeader(const Byte* Data, Integer Size) const {
  const Integer n = std::min(Size, 16);
  for (Integer i = 0; i + 4 <= n; ++i)
    if (std::memcmp(Data + i, "WEBP", 4) == 0) return true;
  return false;
}

void TZCLImageFormatWebP::Save(TStream& Stream, TZCLImage& Image) const {
  const TZCLPixel32DynArray pixels = Image.GetPixelsAs(false);
  std::vector<Byte> data;
  try {
    data = EncodeWebP(reinterpret_cast<const uint32_t*>(pixels.data()), Image.GetWidth(), Image.GetHeight(), false,
                      100.0f);
  } catch (const EInvalidGraphic&) {
    data.clear();
  }
  if (data.empty()) throw EZCLImageFormatError(u"WebP failed to encode the image");
  Stream.WriteBuffer(data.data(), Int64(data.size()));
}

bool TZCLImageFormatWebP::GetSize(TStream& Stream, TSize& Size) const {
  try {
    const std::vector<Byte> data = ReadRest(Stream);
    const TDecodedImage decoded = DecodeWebP(std::span<const Byte>(data.data(), data.size()));
    Size = TSize(decoded.Width, decoded.Height);
    return decoded.Width > 0 && decoded.Height > 0;
  } catch (const Exception&) {
    return false;
  }
}

// ---- repository -------------------------------------------------------------------------------

namespace {
std::vector<TZCLImageFormatClass> GFormats;
Integer GMaxHeaderSize = 0;
}  // namespace

void TZCLImageFormatRepository::Register(TZCLImageFormatClass Format) {
  if (Format == nullptr || !Format->IsAvailable()) return;
  GFormats.push_back(Format);
  GMaxHeaderSize = std::max(GMaxHeaderSize, Format->GetHeaderSize());
}

void TZCLImageFormatRepository::Unregister(TZCLImageFormatClass Format) {
  std::erase(GFormats, Format);
  GMaxHeaderSize = 0;
  for (TZCLImageFormatClass f : GFormats) GMaxHeaderSize = std::max(GMaxHeaderSize, f->GetHeaderSize());
}

TZCLImageFormatClass TZCLImageFormatRepository::FindByHeader(const Byte* Data, Integer Size) {
  for (TZCLImageFormatClass f : GFormats)
    if (Size >= f->GetHeaderSize() && f->CheckHeader(Data, Size)) return f;
  return nullptr;
}

TZCLImageFormatClass TZCLImageFormatRepository::FindByStream(TStream& Stream) {
  if (GMaxHeaderSize <= 0) return nullptr;
  std::vector<Byte> header(static_cast<size_t>(GMaxHeaderSize));
  const Int64 position = Stream.GetPosition();
  const Integer read = Stream.Read(header.data(), GMaxHeaderSize);
  Stream.SetPosition(position);
  if (read < GMaxHeaderSize) return nullptr;
  return FindByHeader(header.data(), read);
}

TZCLImageFormatClass TZCLImageFormatRepository::FindByData(IZCLDataContainer* Data) {
  if (Data == nullptr) return nullptr;
  TMemoryStream* stream = Data->LockData();
  TZCLImageFormatClass result = FindByHeader(static_cast<const Byte*>(stream->GetMemory()), Integer(stream->GetSize()));
  Data->UnlockData();
  return result;
}

TZCLImageFormatClass TZCLImageFormatRepository::FindByExtension(StringView Extension) {
  for (TZCLImageFormatClass f : GFormats)
    if (SameText(f->Extension(), Extension)) return f;
  return nullptr;
}

TZCLImageFormatClass TZCLImageFormatRepository::FindByMimeType(StringView MimeType) {
  for (TZCLImageFormatClass f : GFormats)
    if (SameText(f->MimeType(), MimeType)) return f;
  return nullptr;
}

String TZCLImageFormatRepository::GetMimeType(TZCLImageFormatClass Format) {
  return Format != nullptr ? Format->MimeType() : String();
}

bool TZCLImageFormatRepository::GetFilterByMimeType(StringView MimeType, String& Filter, String& Extension) {
  Filter.clear();
  Extension.clear();
  TZCLImageFormatClass format = FindByMimeType(MimeType);
  if (format == nullptr) return false;
  Extension = format->Extension();
  const String mask = u"*" + Extension + u";";
  Filter = format->Description() + u" (" + mask + u")|" + mask;
  return true;
}

bool TZCLImageFormatRepository::GetFilterOf(IZCLDataContainer* Data, String& Filter, String& Extension) {
  return GetFilterByMimeType(GetMimeTypeOf(Data), Filter, Extension);
}

String TZCLImageFormatRepository::GetExtList() {
  String result;
  for (TZCLImageFormatClass f : GFormats) result += u"*" + f->Extension() + u";";
  return result;
}

bool TZCLImageFormatRepository::GetSize(IZCLDataContainer* Data, TZCLImageFormatClass& Format, TSize& Size) {
  Format = nullptr;
  if (Data == nullptr) return false;
  TMemoryStream* stream = Data->LockData();
  bool result = false;
  try {
    stream->SetPosition(0);
    Format = FindByStream(*stream);
    result = Format != nullptr && Format->GetSize(*stream, Size);
  } catch (...) {
    result = false;
  }
  Data->UnlockData();
  return result;
}

Integer TZCLImageFormatRepository::GetMaxHeaderSize() { return GMaxHeaderSize; }
const std::vector<TZCLImageFormatClass>& TZCLImageFormatRepository::GetFormats() { return GFormats; }

void TZCLImageFormatRepository::Initialize() {
  if (!GFormats.empty()) return;
  Register(TZCLImageFormatPNG::Class());
  Register(TZCLImageFormatBMP::Class());
  Register(TZCLImageFormatGIF::Class());
  Register(TZCLImageFormatJPEG::Class());
  Register(TZCLImageFormatJPEG2::Class());
  Register(TZCLImageFormatJPG::Class());
  Register(TZCLImageFormatWebP::Class());
}

void TZCLImageFormatRepository::Finalize() {
  GFormats.clear();
  GMaxHeaderSize = 0;
}

// ---- TZCLImage --------------------------------------------------------------------------------

TZCLImage::TZCLImage(TBitmap* Bitmap, TAlphaFormat AlphaFormat) { LoadFromBitmap(Bitmap, AlphaFormat); }

TZCLImage* TZCLImage::CreateFromStream(TStream& Stream) {
  auto* image = new TZCLImage();
  try {
    Stream.SetPosition(0);
    image->LoadFromStream(Stream);
  } catch (...) {
    delete image;
    throw;
  }
  return image;
}

TZCLImage* TZCLImage::CreateFromResource(const void* Instance, StringView Name, StringView Type) {
  TResourceStream stream(Instance, Name, Type);
  return CreateFromStream(stream);
}

TZCLImage* TZCLImage::CreateFromFile(const String& FileName) {
  auto* image = new TZCLImage();
  try {
    image->LoadFromFile(FileName);
  } catch (...) {
    delete image;
    throw;
  }
  return image;
}

void TZCLImage::SetPixels(TZCLPixel32DynArray Pixels, Integer AWidth, Integer AHeight, TZCLImagePixelFormat Format,
                          TZCLImageFormatClass FromFormat) {
  FPixels = std::move(Pixels);
  FWidth = AWidth;
  FHeight = AHeight;
  FPixelFormat = Format;
  if (FromFormat != nullptr) FFormat = FromFormat;
  Changed();
}

void TZCLImage::Clear() { SetPixels({}, 0, 0, TZCLImagePixelFormat::PArgb32); }

TZCLPixel32DynArray TZCLImage::GetPixelsAs(bool Premultiplied) const {
  TZCLPixel32DynArray result = FPixels;
  if (FPixelFormat == TZCLImagePixelFormat::Rgb32)
    TZCLColors::MakeOpaque(result.data(), result.size());
  else if (Premultiplied && FPixelFormat == TZCLImagePixelFormat::Argb32)
    TZCLColors::Premultiply(result.data(), result.size());
  else if (!Premultiplied && FPixelFormat == TZCLImagePixelFormat::PArgb32)
    TZCLColors::Unpremultiply(result.data(), result.size());
  return result;
}

void TZCLImage::LoadFromStream(TStream& Stream) {
  TZCLImageFormatClass format = TZCLImageFormatRepository::FindByStream(Stream);
  if (format == nullptr) format = TZCLImageFormatBMP::Class();
  format->Load(Stream, *this);
}

void TZCLImage::LoadFromFile(const String& FileName) {
  TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream);
}

void TZCLImage::LoadFromBits(const TZCLPixel32* Pixels, Integer AWidth, Integer AHeight, TAlphaFormat AlphaFormat) {
  AWidth = std::max(AWidth, 0);
  AHeight = std::max(AHeight, 0);
  TZCLPixel32DynArray pixels(size_t(AWidth) * AHeight);
  if (!pixels.empty() && Pixels != nullptr) std::memcpy(pixels.data(), Pixels, pixels.size() * 4);
  TZCLImagePixelFormat format = TZCLImagePixelFormat::PArgb32;
  if (AlphaFormat == afIgnored) {
    TZCLColors::MakeOpaque(pixels.data(), pixels.size());
    format = TZCLImagePixelFormat::Argb32;
  } else if (AlphaFormat == afDefined) {
    format = TZCLImagePixelFormat::Argb32;
  }
  SetPixels(std::move(pixels), AWidth, AHeight, format, TZCLImageFormatBMP::Class());
}

void TZCLImage::LoadFromDib(TZCLDib* Dib, TAlphaFormat AlphaFormat) {
  if (Dib == nullptr || Dib->Empty()) {
    Clear();
    return;
  }
  Dib->BeginAccess();
  LoadFromBits(Dib->GetColors(), Dib->GetWidth(), Dib->GetHeight(), AlphaFormat);
}

void TZCLImage::LoadFromBitmap(TBitmap* Bitmap, TAlphaFormat AlphaFormat) {
  const TZCLPixel32DynArray pixels = ReadBitmapPixels(Bitmap);
  if (Bitmap != nullptr && Bitmap->GetPixelFormat() != TPixelFormat::pf32bit) AlphaFormat = afIgnored;
  LoadFromBits(pixels.data(), Bitmap ? Bitmap->GetWidth() : 0, Bitmap ? Bitmap->GetHeight() : 0, AlphaFormat);
}

void TZCLImage::LoadFromGraphic(TGraphic* Graphic) {
  TZCLDib dib;
  dib.AssignGraphic(Graphic);
  LoadFromDib(&dib, afPremultiplied);
}

void TZCLImage::Assign(TPersistent* Source) {
  if (Source == nullptr) {
    Clear();
  } else if (auto* other = dynamic_cast<TZCLImage*>(Source)) {
    if (other == this) return;
    PixelOffsetMode = other->PixelOffsetMode;
    InterpolationMode = other->InterpolationMode;
    SetPixels(other->FPixels, other->FWidth, other->FHeight, other->FPixelFormat, other->FFormat);
  } else if (auto* bitmap = dynamic_cast<TBitmap*>(Source)) {
    LoadFromBitmap(bitmap, afPremultiplied);
  } else if (auto* graphic = dynamic_cast<TGraphic*>(Source)) {
    LoadFromGraphic(graphic);
  } else if (auto* picture = dynamic_cast<TPicture*>(Source)) {
    Assign(picture->GetGraphic());
  } else {
    TPersistent::Assign(Source);
  }
}

TZCLImage* TZCLImage::Clone() const {
  auto* image = new TZCLImage();
  image->Assign(const_cast<TZCLImage*>(this));
  return image;
}

bool TZCLImage::Equals(const TObject* Obj) const {
  if (Obj == this) return true;
  auto* other = dynamic_cast<const TZCLImage*>(Obj);
  return other != nullptr && other->FWidth == FWidth && other->FHeight == FHeight &&
         std::memcmp(other->FPixels.data(), FPixels.data(), FPixels.size() * 4) == 0 &&
         other->FPixels.size() == FPixels.size();
}

void TZCLImage::SaveToStreamAs(TStream& Stream, TZCLImageFormatClass Format) {
  if (Empty()) throw EInvalidOperation(u"Image is empty");
  if (Format == nullptr) Format = TZCLImageFormatPNG::Class();
  Format->Save(Stream, *this);
}

void TZCLImage::SaveToFile(const String& FileName, TZCLImageFormatClass Format) {
  TFileStream stream(FileName, fmCreate);
  SaveToStreamAs(stream, Format);
}

void TZCLImage::SaveToStream(TStream& Stream) {
  SaveToStreamAs(Stream, FFormat != nullptr ? FFormat : TZCLImageFormatPNG::Class());
}

TBitmap* TZCLImage::ToBitmap(TAlphaFormat AlphaFormat) const {
  auto* bitmap = new TBitmap();
  bitmap->SetPixelFormat(TPixelFormat::pf32bit);
  bitmap->SetAlphaFormat(FPixelFormat == TZCLImagePixelFormat::Rgb32 ? afIgnored : AlphaFormat);
  bitmap->SetSize(FWidth, FHeight);
  const TZCLPixel32DynArray pixels = GetPixelsAs(AlphaFormat == afPremultiplied);
  for (Integer y = 0; y < FHeight; ++y)
    std::memcpy(bitmap->ScanLine(y), pixels.data() + size_t(y) * FWidth, size_t(FWidth) * 4);
  bitmap->Modified();
  return bitmap;
}

void TZCLImage::Draw(TCanvas* Canvas, const TRect& R, Byte Alpha, bool Tile) {
  if (Empty() || R.IsEmpty()) return;
  TZCLCairoPaintCanvas* render = SharedPaintRender();
  render->BeginPaint(Canvas);
  TZCL2DRenderImage* image = nullptr;
  TZCL2DRenderImageAttributes* attributes = nullptr;
  try {
    const TZCLPixel32DynArray premultiplied = GetPixelsAs(true);
    image = render->CreateImage(premultiplied.data(), FWidth, FHeight, afPremultiplied2D, suCopy);
    if (InterpolationMode != 0) render->SetImageSmoothing(InterpolationMode);
    if (PixelOffsetMode != 0) render->SetPixelOffset(PixelOffsetMode == 1 ? 1 : 2);
    if (Tile && !RectEqualSizes(R, ClientRect())) {
      attributes = render->CreateImageAttributes();
      attributes->SetAlpha(Alpha);
      render->TileImage(image, R, ClientRect(), attributes);
    } else {
      render->DrawImage(image, R, ClientRect(), Alpha);
    }
  } catch (...) {
    render->SetImageSmoothing(0);
    render->SetPixelOffset(0);
    delete attributes;
    delete image;
    render->EndPaint();
    throw;
  }
  render->SetImageSmoothing(0);
  render->SetPixelOffset(0);
  delete attributes;
  delete image;
  render->EndPaint();
}

void TZCLImage::ResizeRect(const TRect& Crop, Integer AWidth, Integer AHeight) {
  if (AWidth == FWidth && AHeight == FHeight && Crop == TRect()) return;
  if (AWidth < 1 || AHeight < 1)
    throw EInvalidArgument(u"The %dx%d is not valid resolution for an image", {AWidth, AHeight});
  if (Empty()) return;
  TZCLPixel32DynArray source = GetPixelsAs(true);
  TZCLPixel32DynArray target(size_t(AWidth) * AHeight);
  cairo_surface_t* src = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(source.data()),
                                                             CAIRO_FORMAT_ARGB32, FWidth, FHeight, FWidth * 4);
  cairo_surface_t* dst = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(target.data()),
                                                             CAIRO_FORMAT_ARGB32, AWidth, AHeight, AWidth * 4);
  const TRect from(Crop.Left, Crop.Top, FWidth - Crop.Right, FHeight - Crop.Bottom);
  if (!from.IsEmpty()) {
    cairo_t* cr = cairo_create(dst);
    cairo_scale(cr, double(AWidth) / from.Width(), double(AHeight) / from.Height());
    cairo_set_source_surface(cr, src, -from.Left, -from.Top);
    cairo_pattern_set_filter(cairo_get_source(cr), InterpolationMode == 1 ? CAIRO_FILTER_BILINEAR : CAIRO_FILTER_BEST);
    cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
    cairo_paint(cr);
    cairo_destroy(cr);
  }
  cairo_surface_destroy(src);
  cairo_surface_flush(dst);
  cairo_surface_destroy(dst);
  SetPixels(std::move(target), AWidth, AHeight, TZCLImagePixelFormat::PArgb32);
}

void TZCLImage::ApplyColorSchema(const TZCLColorSchema& Schema) {
  if (!Schema.IsAssigned() || Empty()) return;
  TZCLPixel32DynArray pixels = GetPixelsAs(false);
  TZCLColors::ApplyColorSchemaToPixels(pixels.data(), pixels.size(), Schema);
  SetPixels(std::move(pixels), FWidth, FHeight,
            FPixelFormat == TZCLImagePixelFormat::Rgb32 ? TZCLImagePixelFormat::Rgb32 : TZCLImagePixelFormat::Argb32);
}

// ---- clipboard --------------------------------------------------------------------------------

Word TZCLImageTools::PngClipboardFormat() {
  static const Word format = Word(RegisterClipboardFormat(u"PNG"));
  return format;
}

bool TZCLImageTools::HasImage() {
  return Clipboard()->HasFormat(CF_BITMAP) || Clipboard()->HasFormat(PngClipboardFormat());
}

void TZCLImageTools::CopyToClipboard(TZCLImage* Image) {
  if (Image == nullptr || Image->Empty()) return;
  TBytesStream png;
  TZCLImageFormatPNG::Class()->Save(png, *Image);
  std::unique_ptr<TBitmap> bitmap(Image->ToBitmap(afPremultiplied));
  TClipboard* clipboard = Clipboard();
  clipboard->Open();
  try {
    clipboard->Clear();
    clipboard->Assign(bitmap.get());
    clipboard->SetBuffer(PngClipboardFormat(), png.GetMemory(), size_t(png.GetSize()));
  } catch (...) {
    clipboard->Close();
    throw;
  }
  clipboard->Close();
}

IPtr<IZCLDataContainer> TZCLImageTools::Paste() {
  TClipboard* clipboard = Clipboard();
  if (clipboard->HasFormat(PngClipboardFormat())) {
    clipboard->Open();
    IPtr<IZCLDataContainer> result;
    try {
      HGLOBAL block = clipboard->GetAsHandle(PngClipboardFormat());
      const size_t size = GlobalSize(block);
      if (const void* data = GlobalLock(block)) {
        TCustomMemoryStream source(data, NativeInt(size));
        result = Create<TZCLDataContainer>(static_cast<TStream*>(&source));
        GlobalUnlock(block);
      }
    } catch (...) {
      clipboard->Close();
      throw;
    }
    clipboard->Close();
    return result;
  }
  if (clipboard->HasFormat(CF_BITMAP)) {
    TBitmap bitmap;
    bitmap.Assign(clipboard);
    TZCLImage image(&bitmap, afPremultiplied);
    TBytesStream png;
    TZCLImageFormatPNG::Class()->Save(png, image);
    png.SetPosition(0);
    return IPtr<IZCLDataContainer>(Create<TZCLDataContainer>(static_cast<TStream*>(&png)));
  }
  return nullptr;
}
