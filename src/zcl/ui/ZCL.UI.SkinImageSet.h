#pragma once
// A set of skin images drawn for different screen densities (96, 120, 144 dpi ...), one item per
// density in ascending order; the best item for a density, and tinted copies made once and
// cached. Items are reference-counted: the set holds one reference, every user another; an item
// only the set still holds gives its pixel memory back (goes dormant). The stored form is a chain
// of skin images separated by "NEXT".

#include <vector>

#include "zcl/base/ZCL.Classes.h"
#include "zcl/graphics/ZCL.Graphics.SkinImage.h"

class TZCLSkinImageSet;
class TZCLSkinImageSetTintedItemList;

enum TZCLSkinImageColorationMode : Byte { cmTint, cmHue, cmColor };
ZCL_ENUM(TZCLSkinImageColorationMode, cmTint, cmHue, cmColor);

// Item DPIs lie in this range.
constexpr Integer ZCLSkinImageSetMinDPI = 96;
constexpr Integer ZCLSkinImageSetMaxDPI = 480;
// Packing released items into dormant storage (on at start; the skin loader turns it off while
// it loads and restores it).
extern bool ZCLSkinImageSetPackReleasedItems;

class TZCLSkinImageSetItem : public TZCLSkinImage {
  ZCL_CLASS(TZCLSkinImageSetItem, TZCLSkinImage)
 public:
  explicit TZCLSkinImageSetItem(Integer ADPI = 96) : FDPI(ADPI) {}
  TZCLSkinImageSetItem* Clone() const;
  void AddRef() { ++FRefCount; }
  // The last holder frees the item; an item only its set holds goes dormant.
  void Release();
  virtual void Detach() { FDetached = true; }
  bool Equals(const TObject* Obj) const override;
  // "150% / 144 dpi - 48x48".
  String ToString() const override;
  void BeforeDestruction() override;

  Integer GetDPI() const { return FDPI; }
  void SetDPI(Integer Value) { FDPI = Value; }
  Integer GetRefCount() const { return FRefCount; }
  bool GetDetached() const { return FDetached; }
  // Sets whose lists hold the item (assigned sets share items).
  Integer GetSetCount() const { return FSetCount; }

 protected:
  void DoAssign(TPersistent* Source) override;
  // "XDPI" sets the density (kept within the valid range).
  void ReadChunk(TStream& Stream, Cardinal Id, Integer Size) override;
  void WriteChunks(TStream& Stream, Integer& Count) override;

 private:
  Integer FDPI;
  friend class TZCLSkinImageSet;
  Integer FRefCount = 0;
  Integer FSetCount = 0;
  bool FDetached = false;
};

// A recoloured copy of an item, cached by the set until any item changes.
class TZCLSkinImageSetTintedItem : public TZCLSkinImageSetItem {
  ZCL_CLASS(TZCLSkinImageSetTintedItem, TZCLSkinImageSetItem)
 public:
  TZCLSkinImageSetTintedItem(TZCLSkinImageSetTintedItemList* AOwner, TZCLSkinImageSetItem* Source, TAlphaColor AColor,
                             TZCLSkinImageColorationMode AMode);
  ~TZCLSkinImageSetTintedItem() override;
  void Dormant() override {}
  void Detach() override;
  TAlphaColor GetColor() const { return FColor; }
  TZCLSkinImageColorationMode GetMode() const { return FMode; }

 private:
  friend class TZCLSkinImageSetTintedItemList;
  TZCLSkinImageSetTintedItemList* FOwnerList;
  TAlphaColor FColor;
  TZCLSkinImageColorationMode FMode;
};

class TZCLSkinImageSetTintedItemList : public TObject {
  ZCL_CLASS(TZCLSkinImageSetTintedItemList, TObject)
 public:
  explicit TZCLSkinImageSetTintedItemList(TZCLSkinImageSet* ASet) : FSet(ASet) {}
  ~TZCLSkinImageSetTintedItemList() override { Clear(); }
  TZCLSkinImageSetTintedItem* Get(Integer DPI, TAlphaColor Color, TZCLSkinImageColorationMode Mode);
  TZCLSkinImageSetTintedItem* GetBySchema(Integer DPI, const TZCLColorSchema& Schema);
  // Detaches every item; items nobody holds are freed, the others by their last release.
  void Clear();
  Integer GetCount() const { return Integer(FItems.size()); }

 private:
  friend class TZCLSkinImageSetTintedItem;
  TZCLSkinImageSetTintedItem* Find(Integer DPI, TAlphaColor Color, TZCLSkinImageColorationMode Mode) const;
  TZCLSkinImageSet* FSet;
  std::vector<TZCLSkinImageSetTintedItem*> FItems;
};

using TZCLSkinImageSetChangeEvent = TDelegate<void(TObject* Sender, TZCLPersistentChanges Changes)>;

class TZCLSkinImageSet : public TZCLLockablePersistent {
  ZCL_CLASS(TZCLSkinImageSet, TZCLLockablePersistent)
 public:
  TZCLSkinImageSet();
  ~TZCLSkinImageSet() override;
  bool Equals(const TObject* Obj) const override;
  Integer GetHashCode() const override { return GetCount(); }

  Integer GetCount() const { return Integer(FItems.size()); }
  // EArgumentOutOfRangeException outside 0 .. Count - 1.
  TZCLSkinImageSetItem* GetItem(Integer Index) const;
  // A new empty item; raises for a DPI outside 96..480 or one already in the set.
  TZCLSkinImageSetItem* Add(Integer DPI);
  // Replaces the item of exactly the same DPI, else inserts in order.
  void AddOrReplace(TZCLSkinImageSetItem* Item);
  void AddFromBitmap(TBitmap* Bitmap, Integer DPI);
  // The bitmap becomes the only item.
  void AssignBitmap(TBitmap* Bitmap, Integer DPI);
  void Delete(Integer Index);
  // One item of 96 dpi, its picture cleared (its drawing parameters stay).
  void Clear();
  void ClearItems();
  TZCLSkinImageSetItem* FindByDPI(Integer DPI) const;
  // The item with the largest DPI not above the target, else the first.
  TZCLSkinImageSetItem* GetBestFit(Integer DPI) const;
  TZCLSkinImageSetItem* Get(Integer DPI, TAlphaColor Color = claNone, TZCLSkinImageColorationMode Mode = cmTint);
  TZCLSkinImageSetItem* GetForSchema(Integer DPI, const TZCLColorSchema& Schema);
  // Items shared with another set are replaced by private copies.
  void MakeUnique();
  bool IsEmpty() const;
  TZCLSkinImageSetTintedItemList* GetTintedItems() const { return FTinted; }

  void LoadFromStream(TStream& Stream);
  void SaveToStream(TStream& Stream);
  void LoadFromResource(const void* Instance, StringView Name, StringView Type);

  TZCLSkinImageSetChangeEvent OnChange;

 protected:
  void DoAssign(TPersistent* Source) override;
  void DoChanged(TZCLPersistentChanges Changes) override;

 private:
  void CheckDPI(Integer DPI) const;
  void InsertSorted(TZCLSkinImageSetItem* Item);
  void InsertAt(Integer Index, TZCLSkinImageSetItem* Item);
  void RemoveAt(Integer Index);
  void ItemAdded(TZCLSkinImageSetItem* Item);
  void ItemRemoved(TZCLSkinImageSetItem* Item);
  void ItemChanged(TObject* Sender);

  std::vector<TZCLSkinImageSetItem*> FItems;
  TZCLSkinImageSetTintedItemList* FTinted;
};
