#include "vcl/VCL.Imaging.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "os/OS.Codecs.h"
#include "os/OS.Icons.h"
#include "rtl/RTL.Streams.h"

namespace {

// Straight BGRA copy of a bitmap's pixels; ignored alpha reads as opaque.
std::vector<uint32_t> StraightPixels(TBitmap& Bitmap) {
  std::vector<uint32_t> pixels(size_t(Bitmap.GetWidth()) * Bitmap.GetHeight());
  for (Integer y = 0; y < Bitmap.GetHeight(); ++y)
    std::memcpy(&pixels[size_t(y) * Bitmap.GetWidth()], Bitmap.ScanLine(y), size_t(Bitmap.GetWidth()) * 4);
  const bool alpha = Bitmap.GetPixelFormat() == TPixelFormat::pf32bit && Bitmap.GetAlphaFormat() != afIgnored;
  if (!alpha)
    for (uint32_t& p : pixels) p |= 0xFF000000u;
  else if (Bitmap.GetAlphaFormat() == afPremultiplied)
    UnpremultiplyPixels(pixels.data(), pixels.size());
  return pixels;
}

// Loads straight pixels into Bitmap as afDefined.
void SetStraightPixels(TBitmap& Bitmap, const std::vector<uint32_t>& Pixels, Integer Width, Integer Height) {
  Bitmap.SetSize(0, 0);
  Bitmap.SetPixelFormat(TPixelFormat::pf32bit);
  Bitmap.SetAlphaFormat(afDefined);
  Bitmap.SetSize(Width, Height);
  for (Integer y = 0; y < Height; ++y) std::memcpy(Bitmap.ScanLine(y), &Pixels[size_t(y) * Width], size_t(Width) * 4);
  Bitmap.Modified();
}

uint16_t Get16(const Byte* P) { return uint16_t(P[0] | (P[1] << 8)); }
uint32_t Get32(const Byte* P) {
  return uint32_t(P[0]) | (uint32_t(P[1]) << 8) | (uint32_t(P[2]) << 16) | (uint32_t(P[3]) << 24);
}
void Put16(std::vector<Byte>& Out, uint32_t V) {
  Out.push_back(Byte(V));
  Out.push_back(Byte(V >> 8));
}
void Put32(std::vector<Byte>& Out, uint32_t V) {
  Put16(Out, V & 0xFFFF);
  Put16(Out, V >> 16);
}

constexpr Byte IconMagic[4] = {'Z', 'I', 'C', 'O'};
constexpr size_t IconHeaderSize = 8;
constexpr size_t IconEntrySize = 12;

}  // namespace

// --- TPngImage ----------------------------------------------------------------------------

TPngImage::TPngImage() : FBitmap(std::make_unique<TBitmap>()) {
  FBitmap->SetPixelFormat(TPixelFormat::pf32bit);
  FBitmap->SetAlphaFormat(afDefined);
}

TPngImage::~TPngImage() = default;

void TPngImage::Assign(TPersistent* Source) {
  if (auto* png = dynamic_cast<TPngImage*>(Source)) {
    if (png != this) FBitmap->Assign(png->FBitmap.get());
    Changed();
    return;
  }
  if (auto* bitmap = dynamic_cast<TBitmap*>(Source)) {
    SetStraightPixels(*FBitmap, StraightPixels(*bitmap), bitmap->GetWidth(), bitmap->GetHeight());
    Changed();
    return;
  }
  inherited::Assign(Source);
}

void TPngImage::AssignTo(TPersistent* Dest) {
  if (auto* bitmap = dynamic_cast<TBitmap*>(Dest)) return bitmap->Assign(FBitmap.get());
  inherited::AssignTo(Dest);
}

void TPngImage::SetSize(Integer AWidth, Integer AHeight) {
  FBitmap->SetSize(AWidth, AHeight);
  Changed();
}

void TPngImage::LoadFromStream(TStream& Stream) {
  TDecodedImage image = DecodeImage(Stream, TImageFormat::Png);
  SetStraightPixels(*FBitmap, image.Pixels, image.Width, image.Height);
  Changed();
}

void TPngImage::SaveToStream(TStream& Stream) {
  const std::vector<uint32_t> pixels = StraightPixels(*FBitmap);
  EncodeImage(Stream, TImageFormat::Png, pixels.data(), GetWidth(), GetHeight(), false);
}

void TPngImage::Modified() {
  FBitmap->Modified();
  Changed();
}

void TPngImage::Draw(TCanvas* ACanvas, const TRect& Rect) { ACanvas->StretchDraw(Rect, FBitmap.get()); }

// --- TIcon --------------------------------------------------------------------------------

TIcon::TIcon() = default;
TIcon::~TIcon() { FreeHandle(); }

void TIcon::FreeHandle() {
  if (FHandle) DestroyIcon(FHandle);
  FHandle = nullptr;
}

void TIcon::Changed() {
  if (!FSettingHandle) FreeHandle();  // the pixels moved on: a new handle is made on demand
  inherited::Changed();
}

HICON TIcon::GetHandle() {
  if (FHandle) return FHandle;
  TBitmap* image = BestImage(MaxIconDimension + 1, MaxIconDimension + 1);
  if (!image) return nullptr;
  std::vector<uint32_t> pixels = StraightPixels(*image);
  PremultiplyPixels(pixels.data(), pixels.size());
  FHandle = CreateIconFromPixels(pixels.data(), image->GetWidth(), image->GetHeight());
  return FHandle;
}

void TIcon::SetHandle(HICON Value) {
  if (Value == FHandle) return;
  std::vector<uint32_t> pixels;
  int width = 0, height = 0;
  FImages.clear();
  if (GetIconPixels(Value, pixels, width, height)) {
    UnpremultiplyPixels(pixels.data(), pixels.size());
    auto image = std::make_unique<TBitmap>();
    SetStraightPixels(*image, pixels, width, height);
    FImages.push_back(std::move(image));
  }
  FreeHandle();
  FHandle = FImages.empty() ? nullptr : Value;
  FSettingHandle = true;
  try {
    Changed();
  } catch (...) {
    FSettingHandle = false;
    throw;
  }
  FSettingHandle = false;
}

HICON TIcon::ReleaseHandle() {
  HICON handle = GetHandle();
  FHandle = nullptr;
  return handle;
}

Integer TIcon::GetWidth() const {
  const TBitmap* b = BestImage(MaxIconDimension + 1, MaxIconDimension + 1);
  return b ? b->GetWidth() : 0;
}

Integer TIcon::GetHeight() const {
  const TBitmap* b = BestImage(MaxIconDimension + 1, MaxIconDimension + 1);
  return b ? b->GetHeight() : 0;
}

void TIcon::SetWidth(Integer) { throw EInvalidGraphic(u"Cannot change the size of an icon"); }
void TIcon::SetHeight(Integer) { throw EInvalidGraphic(u"Cannot change the size of an icon"); }

TBitmap* TIcon::GetImage(Integer Index) const {
  if (Index < 0 || Index >= GetImageCount()) throw EListError(u"List index out of bounds (%d)", {Index});
  return FImages[size_t(Index)].get();
}

TBitmap* TIcon::BestImage(Integer Width, Integer Height) const {
  TBitmap* best = nullptr;  // smallest that covers the size
  TBitmap* largest = nullptr;
  for (const auto& image : FImages) {
    const Int64 area = Int64(image->GetWidth()) * image->GetHeight();
    if (!largest || area > Int64(largest->GetWidth()) * largest->GetHeight()) largest = image.get();
    if (image->GetWidth() >= Width && image->GetHeight() >= Height &&
        (!best || area < Int64(best->GetWidth()) * best->GetHeight()))
      best = image.get();
  }
  return best ? best : largest;
}

void TIcon::AddImage(TGraphic* Graphic) {
  if (!Graphic || Graphic->GetEmpty()) return;
  if (GetImageCount() >= MaxIconImages) throw EInvalidGraphic(u"Icon holds too many images");
  if (Graphic->GetWidth() > MaxIconDimension || Graphic->GetHeight() > MaxIconDimension)
    throw EInvalidGraphic(u"Icon image too large (%d x %d)", {Graphic->GetWidth(), Graphic->GetHeight()});
  TPngImage straight;
  if (auto* bitmap = dynamic_cast<TBitmap*>(Graphic))
    straight.Assign(bitmap);
  else
    straight.Assign(Graphic);
  auto image = std::make_unique<TBitmap>();
  image->Assign(&straight);
  FImages.push_back(std::move(image));
  Changed();
}

void TIcon::Assign(TPersistent* Source) {
  if (auto* icon = dynamic_cast<TIcon*>(Source)) {
    if (icon == this) return;
    std::vector<std::unique_ptr<TBitmap>> images;
    for (const auto& image : icon->FImages) {
      images.push_back(std::make_unique<TBitmap>());
      images.back()->Assign(image.get());
    }
    FImages = std::move(images);
    Changed();
    return;
  }
  if (!Source) {
    FImages.clear();
    Changed();
    return;
  }
  inherited::Assign(Source);
}

void TIcon::LoadFromStream(TStream& Stream) {
  const Int64 available = Stream.GetSize() - Stream.GetPosition();
  if (available < Int64(IconHeaderSize) || available > (Int64(1) << 30))
    throw EInvalidGraphic(u"Icon: truncated header");
  std::vector<Byte> data(static_cast<size_t>(available));
  Stream.ReadBuffer(data.data(), available);
  if (std::memcmp(data.data(), IconMagic, 4) != 0) throw EInvalidGraphic(u"Icon: not an icon container");
  if (Get16(&data[4]) != 1) throw EInvalidGraphic(u"Icon: unsupported version %d", {Integer(Get16(&data[4]))});
  const Integer count = Get16(&data[6]);
  if (count < 1 || count > MaxIconImages) throw EInvalidGraphic(u"Icon: bad image count %d", {count});
  if (data.size() < IconHeaderSize + size_t(count) * IconEntrySize) throw EInvalidGraphic(u"Icon: truncated directory");
  std::vector<std::unique_ptr<TBitmap>> images;
  for (Integer i = 0; i < count; ++i) {
    const Byte* entry = &data[IconHeaderSize + size_t(i) * IconEntrySize];
    const Integer width = Get16(entry), height = Get16(entry + 2);
    const uint64_t offset = Get32(entry + 4), size = Get32(entry + 8);
    if (width < 1 || height < 1 || width > MaxIconDimension || height > MaxIconDimension)
      throw EInvalidGraphic(u"Icon: bad image size %d x %d", {width, height});
    if (offset + size > data.size()) throw EInvalidGraphic(u"Icon: image %d lies outside the file", {i});
    TDecodedImage decoded = DecodeImage(std::span<const Byte>(data.data() + offset, size_t(size)));
    if (decoded.Format != TImageFormat::Png && decoded.Format != TImageFormat::Bmp)
      throw EInvalidGraphic(u"Icon: image %d is neither PNG nor BMP", {i});
    if (decoded.Width != width || decoded.Height != height)
      throw EInvalidGraphic(u"Icon: image %d does not match its directory size", {i});
    auto image = std::make_unique<TBitmap>();
    SetStraightPixels(*image, decoded.Pixels, decoded.Width, decoded.Height);
    images.push_back(std::move(image));
  }
  FImages = std::move(images);
  Changed();
}

void TIcon::SaveToStream(TStream& Stream) {
  // A container without images could not be read back.
  if (FImages.empty()) throw EInvalidGraphic(u"Icon: an empty icon cannot be saved");
  std::vector<std::vector<Byte>> files;
  for (const auto& image : FImages) {
    const std::vector<uint32_t> pixels = StraightPixels(*image);
    files.push_back(EncodePng(pixels.data(), image->GetWidth(), image->GetHeight(), false));
  }
  std::vector<Byte> out(IconMagic, IconMagic + 4);
  Put16(out, 1);
  Put16(out, uint32_t(FImages.size()));
  uint32_t offset = uint32_t(IconHeaderSize + FImages.size() * IconEntrySize);
  for (size_t i = 0; i < FImages.size(); ++i) {
    Put16(out, uint32_t(FImages[i]->GetWidth()));
    Put16(out, uint32_t(FImages[i]->GetHeight()));
    Put32(out, offset);
    Put32(out, uint32_t(files[i].size()));
    offset += uint32_t(files[i].size());
  }
  for (const auto& file : files) out.insert(out.end(), file.begin(), file.end());
  Stream.WriteBuffer(out.data(), Int64(out.size()));
}

void TIcon::Draw(TCanvas* ACanvas, const TRect& Rect) {
  if (TBitmap* image = BestImage(Rect.Width(), Rect.Height())) ACanvas->StretchDraw(Rect, image);
}

namespace detail {
void ImagingInit() {
  TPicture::RegisterFileFormat(u"png", u"PNG images", [] { return static_cast<TGraphic*>(new TPngImage); });
  TPicture::RegisterFileFormat(u"ico", u"Icons", [] { return static_cast<TGraphic*>(new TIcon); });
}
}  // namespace detail
