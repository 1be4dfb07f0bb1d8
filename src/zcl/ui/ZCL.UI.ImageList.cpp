#include "zcl/ui/ZCL.UI.ImageList.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "os/OS.Codecs.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Streaming.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Strings.h"
#include "rtl/RTL.TypInfo.h"
#include "rtl/RTL.ZLib.h"
#include "vcl/VCL.Graphics.h"
#include "zcl/base/ZCL.Utils.Stream.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/graphics/ZCL.Graphics.Dib.h"
#include "zcl/graphics/ZCL.Graphics.Images.h"
#include "zcl/ui/ZCL.UI.Application.h"
#include "zcl/ui/ZCL.Utils.DPIAware.h"

namespace {
constexpr char CompressedSignature[4] = {'L', 'I', 'C', 'Z'};
constexpr char ForeignSignature[4] = {'L', 'I', 'a', 'L'};
constexpr Integer StandardDPIs[] = {96, 120, 144, 168, 192, 216, 240, 288};
constexpr TColor Magenta = static_cast<TColor>(0xFF00FF);

// Copies a cell of Source (straight pixels) into a Width x Height image, nearest pixel when the
// sizes differ.
void CopyCell(const TZCLPixel32DynArray& Source, Integer SourceWidth, const TRect& Cell, TZCLPixel32DynArray& Target,
              Integer Width, Integer Height) {
  Target.assign(size_t(Width) * Height, TZCLPixel32{0, 0, 0, 0});
  const Integer cw = Cell.Width(), ch = Cell.Height();
  if (cw <= 0 || ch <= 0) return;
  for (Integer y = 0; y < Height; ++y) {
    const Integer sy = Cell.Top + (ch == Height ? y : Integer(Int64(y) * ch / Height));
    for (Integer x = 0; x < Width; ++x) {
      const Integer sx = Cell.Left + (cw == Width ? x : Integer(Int64(x) * cw / Width));
      Target[size_t(y) * Width + x] = Source[size_t(sy) * SourceWidth + sx];
    }
  }
}
}  // namespace

// ---- TZCLImageList ----------------------------------------------------------------------------

void TZCLImageList::DeclareProperties(TClassDeclaration<TZCLImageList>& D) {
  D.Property(u"Scalable", &TZCLImageList::GetScalable, &TZCLImageList::SetScalable).Stored(false);
  // The default is the value a new list starts with, so that a list that is not scalable (0)
  // keeps that when it is stored and read back.
  D.Property(u"SourceDPI", &TZCLImageList::GetSourceDPI, &TZCLImageList::SetSourceDPI).Default(96);
}

void TZCLImageList::Initialize() {
  try {
    FSourceDPI = 96;
    inherited::Initialize();
    TComponent* owner = GetOwner();
    const bool reading =
        owner && (owner->GetComponentState().Contains(csReading) || owner->GetComponentState().Contains(csLoading));
    if (!reading) SetColorDepth(cd32Bit);
  } catch (...) {
  }
}

void TZCLImageList::SetSourceDPI(Integer Value) {
  if (Value != 0) Value = std::clamp(Value, 96, 480);
  if (FSourceDPI == Value) return;
  FSourceDPI = Value;
  Change();
}

void TZCLImageList::SetScalable(bool Value) {
  if (GetScalable() == Value) return;
  FSourceDPI = Value ? 96 : 0;
  Change();
}

Integer TZCLImageList::AddBitmap(TBitmap* Bitmap) {
  if (!Bitmap || Bitmap->GetEmpty() || GetWidth() <= 0 || GetHeight() <= 0) return -1;
  if (IsBitmap32(Bitmap)) return AddSliced(Bitmap, Bitmap->GetWidth() / GetWidth(), Bitmap->GetHeight() / GetHeight());
  TZCLBitmap copy;
  copy.Assign(Bitmap);
  copy.MakeTransparent(Magenta);
  return AddSliced(&copy, copy.GetWidth() / GetWidth(), copy.GetHeight() / GetHeight());
}

Integer TZCLImageList::AddSliced(TBitmap* Bitmap, Integer Columns, Integer Rows) {
  if (!Bitmap || Columns <= 0 || Rows <= 0) return -1;
  if (Rows == 1) {
    Add(Bitmap);
    return GetCount() - 1;
  }
  const TZCLPixel32DynArray pixels = ReadBitmapPixels(Bitmap);
  const Integer cellWidth = Bitmap->GetWidth() / Columns, cellHeight = Bitmap->GetHeight() / Rows;
  TZCLBitmap cell(GetWidth(), GetHeight());
  TZCLPixel32DynArray cellPixels;
  Integer last = -1;
  BeginUpdate();
  try {
    for (Integer row = 0; row < Rows; ++row) {
      for (Integer column = 0; column < Columns; ++column) {
        const TRect r(column * cellWidth, row * cellHeight, (column + 1) * cellWidth, (row + 1) * cellHeight);
        CopyCell(pixels, Bitmap->GetWidth(), r, cellPixels, GetWidth(), GetHeight());
        cell.WritePixels(cellPixels);
        Add(&cell);
        last = GetCount() - 1;
      }
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
  return last;
}

void TZCLImageList::LoadFromBitmap(TBitmap* Bitmap) {
  BeginUpdate();
  try {
    Clear();
    if (Bitmap && !Bitmap->GetEmpty()) AddBitmap(Bitmap);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TZCLImageList::LoadFromImageStream(TStream& Stream) {
  std::unique_ptr<TZCLImage, void (*)(TZCLImage*)> image(TZCLImage::CreateFromStream(Stream),
                                                         [](TZCLImage* I) { Free(I); });
  std::unique_ptr<TBitmap, void (*)(TBitmap*)> bitmap(image->ToBitmap(afIgnored), [](TBitmap* B) { Free(B); });
  LoadFromBitmap(bitmap.get());
}

void TZCLImageList::DoDraw(Integer Index, TCanvas* Canvas, Integer X, Integer Y, Cardinal Style, bool Enabled) {
  if (GetWidth() <= 0 || GetHeight() <= 0) return;
  TZCLDib dib(GetWidth(), GetHeight());
  const bool alpha = GetColorDepth() == cdDeviceDependent || GetColorDepth() == cd32Bit;
  if (alpha) {
    dib.Reset();
    inherited::DoDraw(Index, dib.GetCanvas(), 0, 0, Style, true);
  } else {
    dib.GetCanvas()->GetBrush()->SetColor(Magenta);
    dib.GetCanvas()->FillRect(dib.ClientRect());
    inherited::DoDraw(Index, dib.GetCanvas(), 0, 0, Style, true);
    dib.MakeTransparentColor(Magenta);
  }
  if (!Enabled) dib.Grayscale(false);
  dib.DrawBlendAt(Canvas, TPoint(X, Y), 255);
}

void TZCLImageList::DefineProperties(TFiler* Filer) {
  // The platform list's binary property, written compressed as part of the owner.
  TComponent::DefineProperties(Filer);
  Filer->DefineBinaryProperty(
      u"Bitmap", [this](TStream* Stream) { ReadData(*Stream); },
      [this](TStream* Stream) {
        FWritingOwner = true;
        try {
          WriteData(*Stream);
        } catch (...) {
          FWritingOwner = false;
          throw;
        }
        FWritingOwner = false;
      },
      GetCount() > 0);
}

void TZCLImageList::WriteData(TStream& Stream) {
  if (!FWritingOwner) {
    inherited::WriteData(Stream);
    return;
  }
  TMemoryStream plain;
  inherited::WriteData(plain);
  Stream.WriteBuffer(CompressedSignature, 4);
  const uint32_t unpacked = static_cast<uint32_t>(plain.GetSize());
  uint32_t packed = 0;
  Stream.WriteBuffer(&unpacked, 4);
  const Int64 placeholder = Stream.GetPosition();
  Stream.WriteBuffer(&packed, 4);
  const Int64 start = Stream.GetPosition();
  {
    TZCompressionStream compressor(&Stream, 9);
    compressor.WriteBuffer(plain.GetMemory(), static_cast<Integer>(plain.GetSize()));
    compressor.Finish();
  }
  const Int64 end = Stream.GetPosition();
  packed = static_cast<uint32_t>(end - start);
  Stream.SetPosition(placeholder);
  Stream.WriteBuffer(&packed, 4);
  Stream.SetPosition(end);
}

void TZCLImageList::ReadData(TStream& Stream) {
  char signature[4];
  const Int64 begin = Stream.GetPosition();
  if (Stream.Read(signature, 4) != 4) {
    Stream.SetPosition(begin);
    return;  // nothing there: the list keeps what it has
  }
  if (std::memcmp(signature, ForeignSignature, 4) == 0) throw EInvalidGraphic(u"LCL-ImageLists are not supported.");
  if (std::memcmp(signature, CompressedSignature, 4) != 0) {
    Stream.SetPosition(begin);
    try {
      inherited::ReadData(Stream);
    } catch (...) {
    }
    return;
  }
  uint32_t unpacked = 0, packed = 0;
  if (Stream.Read(&unpacked, 4) != 4 || Stream.Read(&packed, 4) != 4) return;
  const Int64 start = Stream.GetPosition();
  // The packed bytes must be there; the unpacked size is only believed as far as the data goes,
  // so a damaged header cannot make the list allocate what the stream does not hold.
  const Int64 available = std::max<Int64>(Stream.GetSize() - start, 0);
  const Int64 window = std::min<Int64>(packed, available);
  try {
    TZCLSubStream sub(&Stream, start, window, soReference);
    TZDecompressionStream inflater(&sub);
    TMemoryStream plain;
    Byte buffer[0x4000];
    Int64 left = unpacked;
    while (left > 0) {
      const Integer n = inflater.Read(buffer, static_cast<Integer>(std::min<Int64>(left, sizeof buffer)));
      if (n <= 0) break;
      plain.WriteBuffer(buffer, n);
      left -= n;
    }
    plain.SetPosition(0);
    inherited::ReadData(plain);
  } catch (...) {
  }
  Stream.SetPosition(start + window);
}

// ---- free functions ---------------------------------------------------------------------------

TSize GetImageListSize(TCustomImageList* ImageList, Integer TargetDPI) {
  if (!ImageList) return TSize(0, 0);
  TSize size(ImageList->GetWidth(), ImageList->GetHeight());
  if (auto* list = dynamic_cast<TZCLImageList*>(ImageList); list && list->GetScalable()) {
    size.cx = MulDiv(size.cx, TargetDPI, list->GetSourceDPI());
    size.cy = MulDiv(size.cy, TargetDPI, list->GetSourceDPI());
  }
  return size;
}

void DrawImageListItem(TCanvas* Canvas, const TRect& Rect, TCustomImageList* ImageList, Integer Index, bool Enabled,
                       bool Smooth) {
  if (!ImageList || Index < 0 || !IsRectVisible(Canvas, Rect)) return;
  if (Rect.Width() != ImageList->GetWidth() && Rect.Height() != ImageList->GetHeight()) {
    std::unique_ptr<TZCLDib, void (*)(TZCLDib*)> dib(CreateImageListItemDib(ImageList, Index, Enabled),
                                                     [](TZCLDib* D) { Free(D); });
    dib->DrawBlend(Canvas, Rect, 255, Smooth);
  } else {
    ImageList->Draw(Canvas, Rect.Left, Rect.Top, Index, Enabled);
  }
}

TZCLDib* CreateImageListItemDib(TCustomImageList* ImageList, Integer Index, bool Enabled) {
  auto* dib = new TZCLDib(ImageList->GetWidth(), ImageList->GetHeight());
  dib->Reset();
  ImageList->Draw(dib->GetCanvas(), 0, 0, Index, true);
  if (!Enabled) dib->Grayscale(false);
  return dib;
}

bool IsBitmap32(TBitmap* Bitmap) {
  if (!Bitmap) return false;
  // Device-dependent bitmaps are 32-bit: every surface of the window layer is.
  return Bitmap->GetPixelFormat() == TPixelFormat::pf32bit || Bitmap->GetPixelFormat() == TPixelFormat::pfDevice;
}

void SetImageListReference(TCustomImageList* NewList, TCustomImageList*& Reference, TChangeLink* Link,
                           TComponent* Owner) {
  if (Reference == NewList) return;
  if (Reference) {
    if (Owner) Reference->RemoveFreeNotification(Owner);
    if (Link) Reference->UnRegisterChanges(Link);
  }
  Reference = NewList;
  if (Reference) {
    if (Link) Reference->RegisterChanges(Link);
    if (Owner) Reference->FreeNotification(Owner);
  }
  if (Link) Link->Change();
}

// ---- replacer ---------------------------------------------------------------------------------

String TZCLImageListReplacer::GetBaseName(const String& Name) {
  size_t end = Name.size();
  while (end > 0 && Name[end - 1] >= u'0' && Name[end - 1] <= u'9') --end;
  String base = Name.substr(0, end);
  if (base.size() >= 4 && SameText(StringView(base).substr(base.size() - 4), u"Dark")) base.resize(base.size() - 4);
  return base;
}

namespace {
TCustomImageList* FindList(TComponent* Owner, const String& Name) {
  return dynamic_cast<TCustomImageList*>(Owner->FindComponent(Name));
}

TCustomImageList* TryVariant(TComponent* Owner, const String& Base, Integer DPI, bool Dark) {
  const String percent = IntToStr(MulDiv(100, DPI, 96));
  if (Dark)
    if (TCustomImageList* list = FindList(Owner, Base + u"Dark" + percent)) return list;
  if (TCustomImageList* list = FindList(Owner, Base + percent)) return list;
  if (DPI == 96) return FindList(Owner, Base);
  return nullptr;
}
}  // namespace

TCustomImageList* TZCLImageListReplacer::FindReplacement(TCustomImageList* List, Integer DPI, bool Dark) {
  if (!List) return nullptr;
  const String base = GetBaseName(List->GetName());
  TComponent* owner = List->GetOwner();
  if (base.empty() || !owner) return List;
  if (TCustomImageList* found = TryVariant(owner, base, DPI, Dark)) return found;
  for (auto it = std::rbegin(StandardDPIs); it != std::rend(StandardDPIs); ++it) {
    if (*it >= DPI) continue;
    if (TCustomImageList* found = TryVariant(owner, base, *it, Dark)) return found;
  }
  return List;
}

TCustomImageList* TZCLImageListReplacer::GetReplacement(TCustomImageList* List, TComponent* Control) {
  Integer dpi = GetComponentDPI(Control);
  if (dpi == 0) dpi = GetSystemDPI();
  return FindReplacement(List, dpi, TZCLApplication::IsDarkMode());
}

void TZCLImageListReplacer::UpdateImageLists(TComponent* Form, Integer DPI) {
  TZCLImageListReplacer replacer(DPI, TZCLApplication::IsDarkMode());
  replacer.Replace(Form);
}

void TZCLImageListReplacer::Replace(TComponent* Form) {
  if (!Form) return;
  for (Integer i = 0; i < Form->GetComponentCount(); ++i) Walk(Form->GetComponent(i));
}

void TZCLImageListReplacer::Walk(TObject* Obj) {
  for (PPropInfo prop : GetPropList(Obj)) {
    if (!prop->PropType || prop->PropType->Kind != tkClass || !prop->HasGetter()) continue;
    TClass propClass = GetObjectPropClass(prop);
    if (!propClass) continue;
    TObject* value = GetObjectProp(Obj, prop);
    if (propClass->InheritsFrom(TComponent::StaticClass())) {
      auto* list = dynamic_cast<TCustomImageList*>(value);
      if (!list || !propClass->InheritsFrom(TCustomImageList::StaticClass())) continue;
      auto cached = FCache.find(list);
      TCustomImageList* replacement =
          cached != FCache.end() ? cached->second
                                 : FCache.emplace(list, FindReplacement(list, FTargetDPI, FDark)).first->second;
      if (replacement != list && prop->HasSetter()) SetObjectProp(Obj, prop, replacement);
    } else if (propClass->InheritsFrom(TPersistent::StaticClass()) && value) {
      Walk(value);
    }
  }
}

void RegisterImageListClasses() {
  RegisterProperties<TZCLImageList>();
  RegisterClass(TZCLImageList::StaticClass());
}
