#include "zcl/ui/ZCL.UI.SkinImageSet.h"

#include <algorithm>
#include <cstring>

#include "rtl/RTL.Format.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Streams.h"
#include "zcl/base/ZCL.Utils.Stream.h"

bool ZCLSkinImageSetPackReleasedItems = true;

namespace {
constexpr Cardinal kXDPI = Cardinal('X') | (Cardinal('D') << 8) | (Cardinal('P') << 16) | (Cardinal('I') << 24);
}

// ---- TZCLSkinImageSetItem ---------------------------------------------------------------------

TZCLSkinImageSetItem* TZCLSkinImageSetItem::Clone() const {
  auto* copy = new TZCLSkinImageSetItem(FDPI);
  copy->Assign(const_cast<TZCLSkinImageSetItem*>(this));
  return copy;
}

void TZCLSkinImageSetItem::Release() {
  --FRefCount;
  if (FRefCount == 1 && !FDetached && ZCLSkinImageSetPackReleasedItems) Dormant();
  if (FRefCount <= 0) delete this;
}

bool TZCLSkinImageSetItem::Equals(const TObject* Obj) const {
  auto* other = dynamic_cast<const TZCLSkinImageSetItem*>(Obj);
  return other != nullptr && TZCLSkinImage::Equals(Obj) && other->FDPI == FDPI;
}

String TZCLSkinImageSetItem::ToString() const {
  return Format(u"%d%% / %d dpi - %dx%d", {MulDiv(100, FDPI, 96), FDPI, GetWidth(), GetHeight()});
}

void TZCLSkinImageSetItem::BeforeDestruction() {
  TZCLSkinImage::BeforeDestruction();
  FDetached = true;
}

void TZCLSkinImageSetItem::DoAssign(TPersistent* Source) {
  TZCLSkinImage::DoAssign(Source);
  if (auto* item = dynamic_cast<TZCLSkinImageSetItem*>(Source)) FDPI = item->FDPI;
}

void TZCLSkinImageSetItem::ReadChunk(TStream& Stream, Cardinal Id, Integer Size) {
  if (Id != kXDPI) {
    TZCLSkinImage::ReadChunk(Stream, Id, Size);
    return;
  }
  Word dpi = 0;
  Stream.ReadBufferData(dpi);
  // A stored density outside the valid range is brought into it.
  FDPI = std::clamp<Integer>(dpi, ZCLSkinImageSetMinDPI, ZCLSkinImageSetMaxDPI);
}

void TZCLSkinImageSetItem::WriteChunks(TStream& Stream, Integer& Count) {
  TZCLSkinImage::WriteChunks(Stream, Count);
  Int64 start;
  StreamBeginWriteChunk(&Stream, kXDPI, start);
  Stream.WriteBufferData(Word(FDPI));
  StreamEndWriteChunk(&Stream, start);
  ++Count;
}

// ---- tinted items -----------------------------------------------------------------------------

TZCLSkinImageSetTintedItem::TZCLSkinImageSetTintedItem(TZCLSkinImageSetTintedItemList* AOwner,
                                                       TZCLSkinImageSetItem* Source, TAlphaColor AColor,
                                                       TZCLSkinImageColorationMode AMode)
    : TZCLSkinImageSetItem(Source->GetDPI()), FOwnerList(AOwner), FColor(AColor), FMode(AMode) {
  AOwner->FItems.push_back(this);
  Assign(Source);
  CheckUnpacked();
  SetAlphaFormat(false);
  TZCLPixel32* pixels = GetPixels();
  const size_t count = size_t(GetWidth()) * GetHeight();
  if (pixels == nullptr) return;
  Byte h, s, l;
  TZCLColors::RGBToHSLBytes(Byte(AColor >> 16), Byte(AColor >> 8), Byte(AColor), h, s, l);
  switch (AMode) {
    case cmTint:
      TZCLColors::Tint(pixels, count, AColor);
      break;
    case cmHue: {
      const Integer intensity = MulDiv(100, s, 255);
      for (size_t i = 0; i < count; ++i) {
        TZCLPixel32& p = pixels[i];
        if (TZCLColors::IsKeyColor(p)) continue;
        Byte ph, ps, pl;
        TZCLColors::RGBToHSLBytes(p.R, p.G, p.B, ph, ps, pl);
        TZCLColors::HSLToRGBBytes(h, Byte(MulDiv(ps, intensity, 100)), pl, p.R, p.G, p.B);
      }
      break;
    }
    case cmColor:
      TZCLColors::Colorize(pixels, count, AColor);
      break;
  }
  Changed();
}

TZCLSkinImageSetTintedItem::~TZCLSkinImageSetTintedItem() {
  if (FOwnerList != nullptr) std::erase(FOwnerList->FItems, this);
}

void TZCLSkinImageSetTintedItem::Detach() {
  TZCLSkinImageSetItem::Detach();
  FOwnerList = nullptr;
}

TZCLSkinImageSetTintedItem* TZCLSkinImageSetTintedItemList::Find(Integer DPI, TAlphaColor Color,
                                                                 TZCLSkinImageColorationMode Mode) const {
  for (TZCLSkinImageSetTintedItem* item : FItems)
    if (item->GetDPI() == DPI && item->FColor == Color && item->FMode == Mode) return item;
  return nullptr;
}

TZCLSkinImageSetTintedItem* TZCLSkinImageSetTintedItemList::Get(Integer DPI, TAlphaColor Color,
                                                                TZCLSkinImageColorationMode Mode) {
  if (TZCLSkinImageSetTintedItem* item = Find(DPI, Color, Mode)) return item;
  TZCLSkinImageSetItem* source = FSet->GetBestFit(DPI);
  if (source->GetDPI() != DPI)
    if (TZCLSkinImageSetTintedItem* item = Find(source->GetDPI(), Color, Mode)) return item;
  return new TZCLSkinImageSetTintedItem(this, source, Color, Mode);
}

TZCLSkinImageSetTintedItem* TZCLSkinImageSetTintedItemList::GetBySchema(Integer DPI, const TZCLColorSchema& Schema) {
  const TColor color = TZCLColors::HSLToColorBytes(Schema.Hue, Byte(MulDiv(255, Schema.Intensity, 100)), 128);
  return Get(DPI, TAlphaColorHelper::FromColorRaw(color), cmHue);
}

void TZCLSkinImageSetTintedItemList::Clear() {
  std::vector<TZCLSkinImageSetTintedItem*> items;
  items.swap(FItems);
  for (TZCLSkinImageSetTintedItem* item : items) {
    item->Detach();
    if (item->GetRefCount() <= 0) delete item;
  }
}

// ---- TZCLSkinImageSet -------------------------------------------------------------------------

TZCLSkinImageSet::TZCLSkinImageSet() : FTinted(new TZCLSkinImageSetTintedItemList(this)) {
  BeginUpdate();
  Clear();
  CancelUpdate();
}

TZCLSkinImageSet::~TZCLSkinImageSet() {
  OnChange = nullptr;
  BeginUpdate();
  while (!FItems.empty()) RemoveAt(GetCount() - 1);
  FTinted->Clear();
  delete FTinted;
}

void TZCLSkinImageSet::DoChanged(TZCLPersistentChanges Changes) {
  if (OnChange) OnChange(this, Changes);
}

void TZCLSkinImageSet::ItemAdded(TZCLSkinImageSetItem* Item) {
  Item->AddRef();
  ++Item->FSetCount;
  Item->ListenerAdd({this, &TZCLSkinImageSet::ItemChanged});
  Changed(1);
}

void TZCLSkinImageSet::ItemRemoved(TZCLSkinImageSetItem* Item) {
  // An item another set still shares stays attached, so it can still go dormant there.
  if (--Item->FSetCount <= 0) Item->Detach();
  Item->ListenerRemove({this, &TZCLSkinImageSet::ItemChanged});
  Item->Release();
  Changed(1);
}

void TZCLSkinImageSet::ItemChanged(TObject*) {
  FTinted->Clear();
  Changed(1);
}

void TZCLSkinImageSet::InsertAt(Integer Index, TZCLSkinImageSetItem* Item) {
  FItems.insert(FItems.begin() + Index, Item);
  ItemAdded(Item);
}

void TZCLSkinImageSet::RemoveAt(Integer Index) {
  TZCLSkinImageSetItem* item = FItems[size_t(Index)];
  FItems.erase(FItems.begin() + Index);
  ItemRemoved(item);
}

void TZCLSkinImageSet::InsertSorted(TZCLSkinImageSetItem* Item) {
  Integer index = 0;
  for (Integer i = 0; i < GetCount(); ++i)
    if (FItems[size_t(i)]->GetDPI() < Item->GetDPI()) index = i + 1;
  InsertAt(index, Item);
}

TZCLSkinImageSetItem* TZCLSkinImageSet::GetItem(Integer Index) const {
  if (Index < 0 || Index >= GetCount()) throw EArgumentOutOfRangeException(u"Argument out of range (%d)", {Index});
  return FItems[size_t(Index)];
}

void TZCLSkinImageSet::CheckDPI(Integer DPI) const {
  if (DPI < ZCLSkinImageSetMinDPI || DPI > ZCLSkinImageSetMaxDPI) throw Exception(u"The %d dpi is not valid.", {DPI});
}

TZCLSkinImageSetItem* TZCLSkinImageSet::Add(Integer DPI) {
  CheckDPI(DPI);
  if (FindByDPI(DPI) != nullptr) throw Exception(u"Image for %d dpi is already exists.", {DPI});
  auto* item = new TZCLSkinImageSetItem(DPI);
  InsertSorted(item);
  return item;
}

void TZCLSkinImageSet::AddOrReplace(TZCLSkinImageSetItem* Item) {
  BeginUpdate();
  try {
    TZCLSkinImageSetItem* best = GetBestFit(Item->GetDPI());
    if (best != nullptr && best->GetDPI() == Item->GetDPI())
      RemoveAt(Integer(std::find(FItems.begin(), FItems.end(), best) - FItems.begin()));
    InsertSorted(Item);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TZCLSkinImageSet::AddFromBitmap(TBitmap* Bitmap, Integer DPI) {
  CheckDPI(DPI);
  auto* item = new TZCLSkinImageSetItem(DPI);
  try {
    item->LoadFromBitmap(Bitmap);
  } catch (...) {
    delete item;
    throw;
  }
  AddOrReplace(item);
}

void TZCLSkinImageSet::AssignBitmap(TBitmap* Bitmap, Integer DPI) {
  BeginUpdate();
  try {
    ClearItems();
    AddFromBitmap(Bitmap, DPI);
  } catch (...) {
    if (FItems.empty()) Add(96);
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TZCLSkinImageSet::Delete(Integer Index) {
  if (GetCount() <= 1) throw EInvalidOperation(u"You cannot delete the last image");
  GetItem(Index);
  RemoveAt(Index);
}

void TZCLSkinImageSet::Clear() {
  BeginUpdate();
  FTinted->Clear();
  for (Integer i = GetCount() - 1; i >= 0; --i)
    if (FItems[size_t(i)]->GetDPI() != 96) RemoveAt(i);
  if (FItems.empty())
    Add(96);
  else
    FItems[0]->Clear();
  EndUpdate();
}

void TZCLSkinImageSet::ClearItems() {
  while (!FItems.empty()) RemoveAt(GetCount() - 1);
  FTinted->Clear();
}

TZCLSkinImageSetItem* TZCLSkinImageSet::FindByDPI(Integer DPI) const {
  for (TZCLSkinImageSetItem* item : FItems)
    if (item->GetDPI() == DPI) return item;
  return nullptr;
}

TZCLSkinImageSetItem* TZCLSkinImageSet::GetBestFit(Integer DPI) const {
  TZCLSkinImageSetItem* best = nullptr;
  for (TZCLSkinImageSetItem* item : FItems) {
    if (best == nullptr) {
      best = item;
      continue;
    }
    if (item->GetDPI() <= DPI && std::abs(item->GetDPI() - DPI) < std::abs(best->GetDPI() - DPI)) best = item;
  }
  return best;
}

TZCLSkinImageSetItem* TZCLSkinImageSet::Get(Integer DPI, TAlphaColor Color, TZCLSkinImageColorationMode Mode) {
  if (TAlphaColorHelper::IsValid(Color)) return FTinted->Get(DPI, Color, Mode);
  return GetBestFit(DPI);
}

TZCLSkinImageSetItem* TZCLSkinImageSet::GetForSchema(Integer DPI, const TZCLColorSchema& Schema) {
  if (Schema.IsAssigned()) return FTinted->GetBySchema(DPI, Schema);
  return GetBestFit(DPI);
}

void TZCLSkinImageSet::MakeUnique() {
  BeginUpdate();
  for (Integer i = 0; i < GetCount(); ++i) {
    TZCLSkinImageSetItem* item = FItems[size_t(i)];
    if (item->GetRefCount() <= 1) continue;
    TZCLSkinImageSetItem* copy = item->Clone();
    RemoveAt(i);
    InsertAt(i, copy);
  }
  EndUpdate();
}

bool TZCLSkinImageSet::IsEmpty() const { return GetCount() == 1 && FItems[0]->GetDPI() == 96 && FItems[0]->Empty(); }

bool TZCLSkinImageSet::Equals(const TObject* Obj) const {
  auto* other = dynamic_cast<const TZCLSkinImageSet*>(Obj);
  if (other == nullptr || other->ClassType() != ClassType() || other->GetCount() != GetCount()) return false;
  for (Integer i = 0; i < GetCount(); ++i)
    if (!FItems[size_t(i)]->Equals(other->FItems[size_t(i)])) return false;
  return true;
}

void TZCLSkinImageSet::DoAssign(TPersistent* Source) {
  if (auto* other = dynamic_cast<TZCLSkinImageSet*>(Source)) {
    if (other == this) return;
    ClearItems();
    for (TZCLSkinImageSetItem* item : other->FItems) InsertAt(GetCount(), item);
    return;
  }
  Clear();
  MakeUnique();
  FItems[0]->Assign(Source);
}

void TZCLSkinImageSet::SaveToStream(TStream& Stream) {
  BeginUpdate();
  try {
    for (Integer i = 0; i < GetCount(); ++i) {
      if (i > 0) Stream.WriteBuffer("NEXT", 4);
      FItems[size_t(i)]->SaveToStream(Stream);
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TZCLSkinImageSet::LoadFromResource(const void* Instance, StringView Name, StringView Type) {
  TResourceStream stream(Instance, Name, Type);
  LoadFromStream(stream);
}

void TZCLSkinImageSet::LoadFromStream(TStream& Stream) {
  BeginUpdate();
  try {
    Clear();
    for (;;) {
      FItems.back()->LoadFromStream(Stream);
      Byte next[4];
      const Integer read = Stream.Read(next, 4);
      if (read == 4 && std::memcmp(next, "NEXT", 4) == 0) {
        InsertAt(GetCount(), new TZCLSkinImageSetItem(96));
        continue;
      }
      if (read > 0) Stream.Seek(-read, soCurrent);
      break;
    }
    Changed(1);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}
