#include "vcl/VCL.ImgList.h"

#include <algorithm>
#include <cstring>

#include "os/OS.Codecs.h"
#include "os/OS.Gdi.h"
#include "os/OS.Icons.h"
#include "os/OS.Messages.h"
#include "os/OS.Surface.h"
#include "os/OS.Windows.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Streaming.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.TypInfo.h"
#include "vcl/VCL.Graphics.h"
#include "vcl/VCL.Imaging.h"

namespace {

constexpr char GSignature[4] = {'I', 'L', '3', '2'};
constexpr const Char* GDragWindowClass = u"ZephseDragImage";

uint32_t Unpremultiply(uint32_t P) {
  const uint32_t a = P >> 24;
  if (a == 0) return 0;
  if (a == 255) return P;
  auto ch = [&](int Shift) { return std::min<uint32_t>(255, (((P >> Shift) & 0xFF) * 255 + a / 2) / a) << Shift; };
  return (a << 24) | ch(16) | ch(8) | ch(0);
}

uint32_t Premultiply(uint32_t P) {
  const uint32_t a = P >> 24;
  if (a == 255) return P;
  auto ch = [&](int Shift) { return ((((P >> Shift) & 0xFF) * a + 127) / 255) << Shift; };
  return (a << 24) | ch(16) | ch(8) | ch(0);
}

// The grey of a straight pixel, alpha kept.
uint32_t Grey(uint32_t P) {
  const uint32_t r = (P >> 16) & 0xFF, g = (P >> 8) & 0xFF, b = P & 0xFF;
  const uint32_t y = (r * 77 + g * 151 + b * 28 + 128) >> 8;
  return (P & 0xFF000000u) | (y << 16) | (y << 8) | y;
}

// The bitmap's pixel as straight BGRA, whatever its format says about alpha.
uint32_t StraightPixel(TBitmap* Bitmap, uint32_t P) {
  if (Bitmap->GetPixelFormat() != TPixelFormat::pf32bit || Bitmap->GetAlphaFormat() == afIgnored)
    return P | 0xFF000000u;
  if (Bitmap->GetAlphaFormat() == afPremultiplied) return Unpremultiply(P);
  return P;
}

LRESULT DragWindowProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Msg == WM_NCHITTEST) return HTTRANSPARENT;
  if (Msg == WM_MOUSEACTIVATE) return MA_NOACTIVATE;
  return DefWindowProc(Window, Msg, WParam, LParam);
}

}  // namespace

// ---- TChangeLink --------------------------------------------------------------------------------

TChangeLink::~TChangeLink() {
  if (FSender) FSender->UnRegisterChanges(this);
}

void TChangeLink::Change() {
  if (OnChange) OnChange(FSender);
}

// ---- TCustomImageList ---------------------------------------------------------------------------

TCustomImageList::TCustomImageList(TComponent* AOwner) : TComponent(AOwner) {}

TCustomImageList::TCustomImageList(TComponent* AOwner, Integer AWidth, Integer AHeight) : TComponent(AOwner) {
  SetSize(AWidth, AHeight);
}

TCustomImageList::~TCustomImageList() {
  for (TChangeLink* link : FLinks) link->SetSender(nullptr);
}

void TCustomImageList::AfterConstruction() {
  inherited::AfterConstruction();
  Initialize();
}

void TCustomImageList::Initialize() {}

void TCustomImageList::Assign(TPersistent* Source) {
  if (auto* list = dynamic_cast<TCustomImageList*>(Source)) {
    FWidth = list->FWidth;
    FHeight = list->FHeight;
    FColorDepth = list->FColorDepth;
    FImages = list->FImages;
    Change();
    return;
  }
  inherited::Assign(Source);
}

void TCustomImageList::SetSize(Integer AWidth, Integer AHeight) {
  if (AWidth < 1 || AHeight < 1 || AWidth > TSurface::MaxSurfaceDimension || AHeight > TSurface::MaxSurfaceDimension)
    throw EInvalidOperation(u"Invalid image size");
  if (AWidth == FWidth && AHeight == FHeight) return;
  FWidth = AWidth;
  FHeight = AHeight;
  FImages.clear();
  Change();
}

void TCustomImageList::SetColorDepth(TColorDepth Value) {
  if (FColorDepth == Value) return;
  FColorDepth = Value;
  Change();
}

void TCustomImageList::CheckIndex(Integer Index) const {
  if (Index < 0 || Index >= GetCount()) throw EListError(u"List index out of bounds (%d)", {Index});
}

std::vector<TCustomImageList::TPixels> TCustomImageList::CutImages(TBitmap* Image, TBitmap* Mask, bool UseColor,
                                                                   TColor MaskColor, bool FirstOnly) const {
  std::vector<TPixels> result;
  if (!Image || Image->GetEmpty()) throw EInvalidOperation(u"Invalid image");
  const Integer bw = Image->GetWidth(), bh = Image->GetHeight();
  Integer cells = std::max(1, bw / FWidth);
  if (FirstOnly) cells = 1;
  uint32_t key = 0;
  bool keyed = false;
  if (UseColor && MaskColor != clNone) {
    keyed = true;
    if (MaskColor == clDefault) {
      key = static_cast<uint32_t*>(Image->ScanLine(bh - 1))[0] & 0x00FFFFFFu;
    } else {
      const TColorRef c = ColorToRGB(MaskColor);
      key = (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | GetBValue(c);
    }
  }
  const bool useMask = Mask && !Mask->GetEmpty();
  const Integer rows = std::min(bh, FHeight);
  for (Integer cell = 0; cell < cells; ++cell) {
    TPixels pixels(size_t(FWidth) * FHeight, 0);
    const Integer x0 = cell * FWidth;
    const Integer cols = std::min(FWidth, bw - x0);
    for (Integer y = 0; y < rows; ++y) {
      const auto* src = static_cast<const uint32_t*>(Image->ScanLine(y));
      const uint32_t* mask =
          useMask && y < Mask->GetHeight() ? static_cast<const uint32_t*>(Mask->ScanLine(y)) : nullptr;
      for (Integer x = 0; x < cols; ++x) {
        const uint32_t raw = src[x0 + x];
        if (keyed && (raw & 0x00FFFFFFu) == key) continue;
        if (mask && x0 + x < Mask->GetWidth() && (mask[x0 + x] & 0x00FFFFFFu) != 0) continue;
        pixels[size_t(y) * FWidth + x] = StraightPixel(Image, raw);
      }
    }
    result.push_back(std::move(pixels));
  }
  return result;
}

Integer TCustomImageList::Add(TBitmap* Image, TBitmap* Mask) {
  const Integer first = GetCount();
  Insert(first, Image, Mask);
  return first;
}

Integer TCustomImageList::AddMasked(TBitmap* Image, TColor MaskColor) {
  const Integer first = GetCount();
  auto images = CutImages(Image, nullptr, true, MaskColor, false);
  for (auto& image : images) FImages.push_back(std::move(image));
  Change();
  return first;
}

void TCustomImageList::Insert(Integer Index, TBitmap* Image, TBitmap* Mask) {
  if (Index < 0 || Index > GetCount()) throw EListError(u"List index out of bounds (%d)", {Index});
  auto images = CutImages(Image, Mask, false, clNone, false);
  FImages.insert(FImages.begin() + Index, std::make_move_iterator(images.begin()),
                 std::make_move_iterator(images.end()));
  Change();
}

void TCustomImageList::Replace(Integer Index, TBitmap* Image, TBitmap* Mask) {
  CheckIndex(Index);
  FImages[size_t(Index)] = std::move(CutImages(Image, Mask, false, clNone, true).front());
  Change();
}

void TCustomImageList::ReplaceMasked(Integer Index, TBitmap* Image, TColor MaskColor) {
  CheckIndex(Index);
  FImages[size_t(Index)] = std::move(CutImages(Image, nullptr, true, MaskColor, true).front());
  Change();
}

void TCustomImageList::Delete(Integer Index) {
  CheckIndex(Index);
  FImages.erase(FImages.begin() + Index);
  Change();
}

void TCustomImageList::Move(Integer CurIndex, Integer NewIndex) {
  CheckIndex(CurIndex);
  CheckIndex(NewIndex);
  if (CurIndex == NewIndex) return;
  TPixels image = std::move(FImages[size_t(CurIndex)]);
  FImages.erase(FImages.begin() + CurIndex);
  FImages.insert(FImages.begin() + NewIndex, std::move(image));
  Change();
}

void TCustomImageList::Clear() {
  if (FImages.empty()) return;
  FImages.clear();
  Change();
}

TCustomImageList::TPixels TCustomImageList::IconPixels(TIcon* Image) const {
  if (!Image || Image->GetEmpty()) throw EInvalidOperation(u"Invalid image");
  TIcon sized;  // the image nearest the list's size, so that scaling loses least
  sized.AddImage(Image->BestImage(FWidth, FHeight));
  TSurface surface(FWidth, FHeight);
  HDC dc = CreateSurfaceDC(&surface);
  DrawIconEx(dc, 0, 0, sized.GetHandle(), FWidth, FHeight, 0, nullptr, DI_NORMAL);
  DeleteDC(dc);
  TSurfaceAccess access(surface);
  TPixels pixels(surface.GetBits(), surface.GetBits() + size_t(FWidth) * FHeight);
  UnpremultiplyPixels(pixels.data(), pixels.size());
  return pixels;
}

Integer TCustomImageList::AddIcon(TIcon* Image) {
  const Integer index = GetCount();
  InsertIcon(index, Image);
  return index;
}

void TCustomImageList::InsertIcon(Integer Index, TIcon* Image) {
  if (Index < 0 || Index > GetCount()) throw EListError(u"List index out of bounds (%d)", {Index});
  FImages.insert(FImages.begin() + Index, IconPixels(Image));
  Change();
}

Integer TCustomImageList::ReplaceIcon(Integer Index, TIcon* Image) {
  if (Index == -1) return AddIcon(Image);
  CheckIndex(Index);
  FImages[size_t(Index)] = IconPixels(Image);
  Change();
  return Index;
}

HICON TCustomImageList::GetIconHandle(Integer Index) const {
  if (Index < 0 || Index >= GetCount()) return nullptr;
  TPixels pixels = FImages[size_t(Index)];
  PremultiplyPixels(pixels.data(), pixels.size());
  return CreateIconFromPixels(pixels.data(), FWidth, FHeight);
}

bool TCustomImageList::GetIcon(Integer Index, TIcon* Image) const {
  if (!Image) return false;
  HICON handle = GetIconHandle(Index);
  if (!handle) return false;
  Image->SetHandle(handle);
  return true;
}

bool TCustomImageList::GetBitmap(Integer Index, TBitmap* Image) const {
  if (!Image || Index < 0 || Index >= GetCount()) return false;
  Image->SetPixelFormat(TPixelFormat::pf32bit);
  Image->SetAlphaFormat(afIgnored);  // relabel only: the pixels written below are straight
  Image->SetSize(FWidth, FHeight);
  const TPixels& pixels = FImages[size_t(Index)];
  for (Integer y = 0; y < FHeight; ++y)
    std::memcpy(Image->ScanLine(y), pixels.data() + size_t(y) * FWidth, size_t(FWidth) * 4);
  Image->SetAlphaFormat(afDefined);
  Image->Modified();
  return true;
}

const std::vector<uint32_t>& TCustomImageList::GetImagePixels(Integer Index) const {
  CheckIndex(Index);
  return FImages[size_t(Index)];
}

void TCustomImageList::Draw(TCanvas* Canvas, Integer X, Integer Y, Integer Index, bool Enabled) {
  Draw(Canvas, X, Y, Index, ILD_NORMAL, Enabled);
}

void TCustomImageList::Draw(TCanvas* Canvas, Integer X, Integer Y, Integer Index, Cardinal Style, bool Enabled) {
  if (!Canvas || Index < 0 || Index >= GetCount()) return;
  DoDraw(Index, Canvas, X, Y, Style, Enabled);
}

void TCustomImageList::DoDraw(Integer Index, TCanvas* Canvas, Integer X, Integer Y, Cardinal, bool Enabled) {
  // Premultiplied pixels on a surface of their own, blended where they land.
  std::vector<uint32_t> bits(FImages[size_t(Index)]);
  for (uint32_t& p : bits) p = Premultiply(Enabled ? p : Grey(p));
  TSurface surface(bits.data(), FWidth, FHeight);
  HBITMAP bitmap = CreateBitmapOnSurface(&surface);
  HDC source = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(source, ToGdiObject(bitmap));
  HDC dest = Canvas->GetHandle();
  TRect clip{};
  GetClipBox(dest, &clip);
  const TRect d(std::max(X, clip.Left), std::max(Y, clip.Top), std::min(X + FWidth, clip.Right),
                std::min(Y + FHeight, clip.Bottom));
  if (d.Width() > 0 && d.Height() > 0) {
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ::AlphaBlend(dest, d.Left, d.Top, d.Width(), d.Height(), source, d.Left - X, d.Top - Y, d.Width(), d.Height(),
                 blend);
  }
  SelectObject(source, old);
  DeleteDC(source);
  DeleteObject(bitmap);
}

void TCustomImageList::BeginUpdate() { ++FUpdateCount; }

void TCustomImageList::EndUpdate() {
  if (FUpdateCount == 0) return;
  if (--FUpdateCount == 0 && FChanged) {
    FChanged = false;
    Change();
  }
}

bool ChangeImageList(TCustomImageList*& Images, TCustomImageList* Value, TChangeLink* Link, TComponent* Owner) {
  if (Images == Value) return false;
  if (Images) {
    Images->UnRegisterChanges(Link);
    Images->RemoveFreeNotification(Owner);
  }
  Images = Value;
  if (Images) {
    Images->RegisterChanges(Link);
    Images->FreeNotification(Owner);
  }
  return true;
}

void TCustomImageList::RegisterChanges(TChangeLink* Value) {
  if (!Value) return;
  if (Value->GetSender() && Value->GetSender() != this) Value->GetSender()->UnRegisterChanges(Value);
  Value->SetSender(this);
  if (std::find(FLinks.begin(), FLinks.end(), Value) == FLinks.end()) FLinks.push_back(Value);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* Value) {
  auto it = std::find(FLinks.begin(), FLinks.end(), Value);
  if (it == FLinks.end()) return;
  FLinks.erase(it);
  Value->SetSender(nullptr);
}

void TCustomImageList::Change() {
  if (FUpdateCount > 0) {
    FChanged = true;
    return;
  }
  if (GetComponentState().Contains(csLoading) || GetComponentState().Contains(csDestroying)) return;
  // A link may unregister itself from its handler: walk a copy, skipping links gone meanwhile.
  const std::vector<TChangeLink*> links = FLinks;
  for (TChangeLink* link : links)
    if (std::find(FLinks.begin(), FLinks.end(), link) != FLinks.end()) link->Change();
  if (OnChange) OnChange(this);
}

// Binary form: "IL32", width, height and count as little-endian 32-bit numbers, then the straight
// BGRA pixels of every image, top-down.
void TCustomImageList::WriteData(TStream& Stream) {
  Stream.WriteBuffer(GSignature, 4);
  const uint32_t header[3] = {uint32_t(FWidth), uint32_t(FHeight), uint32_t(FImages.size())};
  Stream.WriteBuffer(header, sizeof header);
  for (const TPixels& image : FImages) Stream.WriteBuffer(image.data(), Int64(image.size()) * 4);
}

void TCustomImageList::ReadData(TStream& Stream) {
  char signature[4];
  uint32_t header[3];
  if (Stream.Read(signature, 4) != 4 || std::memcmp(signature, GSignature, 4) != 0 ||
      Stream.Read(header, sizeof header) != Integer(sizeof header))
    throw EReadError(u"Invalid image list data");
  const uint32_t w = header[0], h = header[1], count = header[2];
  if (w < 1 || h < 1 || w > uint32_t(TSurface::MaxSurfaceDimension) || h > uint32_t(TSurface::MaxSurfaceDimension))
    throw EReadError(u"Invalid image list data");
  // The count must fit into what the stream still holds before anything is allocated.
  const UInt64 imageBytes = UInt64(w) * h * 4;
  const Int64 left = Stream.GetSize() - Stream.GetPosition();
  if (left < 0 || UInt64(count) * imageBytes > UInt64(left)) throw EReadError(u"Invalid image list data");
  // Each image is allocated once its pixels are known to be there: no prototype of the size alone.
  std::vector<TPixels> images;
  images.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    TPixels image(size_t(w) * h);
    Stream.ReadBuffer(image.data(), Int64(imageBytes));
    images.push_back(std::move(image));
  }
  FWidth = Integer(w);
  FHeight = Integer(h);
  FImages = std::move(images);
  Change();
}

void TCustomImageList::DefineProperties(TFiler* Filer) {
  inherited::DefineProperties(Filer);
  Filer->DefineBinaryProperty(
      u"Bitmap", [this](TStream* Stream) { ReadData(*Stream); }, [this](TStream* Stream) { WriteData(*Stream); },
      !FImages.empty());
}

void TCustomImageList::DeclareProperties(TClassDeclaration<TCustomImageList>& D) {
  D.Property(u"ColorDepth", &TCustomImageList::GetColorDepth, &TCustomImageList::SetColorDepth)
      .Default(cdDeviceDependent);
  D.Property(u"Height", &TCustomImageList::GetHeight, &TCustomImageList::SetHeight).Default(16);
  D.Property(u"Width", &TCustomImageList::GetWidth, &TCustomImageList::SetWidth).Default(16);
  D.Event(u"OnChange", &TCustomImageList::OnChange);
}

// ---- TDragImageList -----------------------------------------------------------------------------

TDragImageList::~TDragImageList() { EndDrag(); }

bool TDragImageList::SetDragImage(Integer Index, Integer HotSpotX, Integer HotSpotY) {
  if (Index < 0 || Index >= GetCount()) return false;
  FDragIndex = Index;
  FHotSpot = TPoint(HotSpotX, HotSpotY);
  if (FDragWindow) {
    std::vector<uint32_t> bits(GetImagePixels(Index));
    for (uint32_t& p : bits) p = Premultiply(p);
    TSurface surface(bits.data(), GetWidth(), GetHeight());
    const TSize size{GetWidth(), GetHeight()};
    const TPoint origin(0, 0);
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    UpdateLayeredWindow(FDragWindow, nullptr, &size, &surface, &origin, 0, &blend, ULW_ALPHA);
  }
  return true;
}

TPoint TDragImageList::ToScreen(Integer X, Integer Y) const {
  TPoint p(X, Y);
  if (FDragOrigin && FDragOrigin != GetDesktopWindow()) ClientToScreen(FDragOrigin, p);
  return TPoint(p.X - FHotSpot.X, p.Y - FHotSpot.Y);
}

bool TDragImageList::BeginDrag(HWND Window, Integer X, Integer Y) {
  if (FDragWindow || FDragIndex < 0 || FDragIndex >= GetCount()) return false;
  WNDCLASS cls;
  if (!GetClassInfo(nullptr, GDragWindowClass, cls)) {
    cls.lpfnWndProc = DragWindowProc;
    cls.lpszClassName = GDragWindowClass;
    RegisterClass(cls);
  }
  FDragOrigin = Window;
  const TPoint p = ToScreen(X, Y);
  FDragWindow = CreateWindowEx(WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW,
                               GDragWindowClass, u"", WS_POPUP, p.X, p.Y, GetWidth(), GetHeight(), nullptr);
  if (!FDragWindow) return false;
  SetDragImage(FDragIndex, FHotSpot.X, FHotSpot.Y);
  FShown = false;
  return true;
}

bool TDragImageList::DragMove(Integer X, Integer Y) {
  if (!FDragWindow) return false;
  const TPoint p = ToScreen(X, Y);
  SetWindowPos(FDragWindow, HWND_TOPMOST, p.X, p.Y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
  return true;
}

bool TDragImageList::EndDrag() {
  if (!FDragWindow) return false;
  HWND window = FDragWindow;
  FDragWindow = nullptr;
  FDragOrigin = nullptr;
  FShown = false;
  DestroyWindow(window);
  return true;
}

void TDragImageList::ShowDragImage() {
  if (!FDragWindow || FShown) return;
  FShown = true;
  ShowWindow(FDragWindow, SW_SHOWNOACTIVATE);
}

void TDragImageList::HideDragImage() {
  if (!FDragWindow || !FShown) return;
  FShown = false;
  ShowWindow(FDragWindow, SW_HIDE);
}

void TDragImageList::SetDragCursor(SmallInt Value) {
  if (FDragCursor == Value) return;
  FDragCursor = Value;
  if (FDragWindow && OnDragCursorChange) OnDragCursorChange(this);
}

namespace detail {
void ImgListInit() {
  RegisterProperties<TImageList>();
  RegisterProperties<TDragImageList>();
  RegisterClass(TImageList::StaticClass());
  RegisterClass(TDragImageList::StaticClass());
}
}  // namespace detail
