#pragma once
// A style: the themable values one control paints with, kept in numbered slots of five kinds.
// Every slot has a default identifier and resolves it through the style's collection, else the
// owner's collection, else the root collection; the owner hears of every change once.

#include <unordered_map>

#include "zcl/ui/ZCL.UI.Resources.Collection.h"
#include "zcl/ui/ZCL.UI.Resources.Font.h"
#include "zcl/ui/ZCL.UI.Resources.Texture.h"

class TZCLStyle;

struct IZCLResourceCollectionSetter : virtual IInterface {
  RTL_INTERFACE(IZCLResourceCollectionSetter, IInterface, "{0D4B7A61-2E93-4C58-B1F7-6A2C9E3D5B14}")
  virtual void SetCollection(TZCLCustomResourceCollection* Value) = 0;
};

// Slot index -> resource, owning the resources; slots come into being on first use.
template <class T>
class TZCLStyleMap {
 public:
  explicit TZCLStyleMap(TObject* AOwner) : FOwner(AOwner) {}
  ~TZCLStyleMap() { Clear(); }
  TZCLStyleMap(const TZCLStyleMap&) = delete;
  TZCLStyleMap& operator=(const TZCLStyleMap&) = delete;

  T* Get(Integer Index) {
    auto it = FItems.find(Index);
    if (it != FItems.end()) return it->second;
    T* resource = Create<T>(FOwner);
    FItems.emplace(Index, resource);
    return resource;
  }
  void Assign(TZCLStyleMap<T>& Source) {
    Clear();
    for (auto& [index, resource] : Source.FItems) Get(index)->Assign(resource);
  }
  void Clear() {
    auto items = std::move(FItems);
    FItems.clear();
    for (auto& [index, resource] : items) Free(resource);
  }
  template <class F>
  void Enum(F&& Proc) {
    for (auto& [index, resource] : FItems) Proc(static_cast<TZCLResource*>(resource));
  }
  void ResourceChanged(TZCLResource* Resource) {
    for (auto& [index, resource] : FItems) resource->ResourceChanged(Resource, nullptr);
  }
  void SetTargetDPI(Integer Value) {
    for (auto& [index, resource] : FItems) resource->SetTargetDPI(Value);
  }
  Integer Count() const { return static_cast<Integer>(FItems.size()); }

 private:
  TObject* FOwner;
  std::unordered_map<Integer, T*> FItems;
};

class TZCLStyleColorsMap : public TZCLStyleMap<TZCLResourceColor> {
 public:
  using TZCLStyleMap::TZCLStyleMap;
};
class TZCLStyleFontsMap : public TZCLStyleMap<TZCLResourceFont> {
 public:
  using TZCLStyleMap::TZCLStyleMap;
};

class TZCLStyle : public TZCLLockablePersistent,
                  public IZCLResourceProvider,
                  public IZCLResourceCollectionSetter,
                  public IZCLResourceCollection,
                  public IZCLResourceChangeListener,
                  public IZCLColorSchema,
                  public IZCLObjectRemoveNotify {
  ZCL_CLASS(TZCLStyle, TZCLLockablePersistent)
  RTL_INTERFACES(TZCLLockablePersistent, IZCLResourceProvider, IZCLResourceCollectionSetter, IZCLResourceCollection,
                 IZCLResourceChangeListener, IZCLColorSchema, IZCLObjectRemoveNotify)
 public:
  using TCreateSignature = void(TObject* AOwner);
  explicit TZCLStyle(TObject* AOwner);
  ~TZCLStyle() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;
  static void DeclareProperties(TClassDeclaration<TZCLStyle>& D);
  TPersistent* GetOwner() const override { return dynamic_cast<TPersistent*>(FOwner); }
  TObject* GetStyleOwner() const { return FOwner; }

  void Reset();
  // Every slot resolves its identifier again.
  void Refresh() { ResourceChanged(nullptr, nullptr); }
  // Refresh of every style published by the control (its own properties only).
  static void Refresh(TObject* Control);
  void ApplyColorSchema(const TZCLColorSchema& Schema) override;
  Integer ScaleByTargetDPI(Integer Value) const;
  Integer GetTargetDPI() const { return FTargetDPI; }
  virtual void SetTargetDPI(Integer Value);
  virtual void EnumResources(const std::function<void(TZCLResource*)>& Proc);

  TZCLCustomResourceCollection* GetCollection() override { return FCollection; }
  TZCLCustomResourceCollection* GetStyleCollection() const { return FCollection; }
  void SetCollection(TZCLCustomResourceCollection* Value) override;
  TZCLResource* GetResource(const String& ID, TZCLResourceClass ResourceClass, TObject* Sender) override;
  void ResourceChanged(TObject* Sender, TZCLResource* Resource) override;
  void OnRemove(TObject* Object) override;

  // Slot accessors for the published properties of style classes.
  TZCLResourceColor* GetColor(Integer Index) { return FColors->Get(Index); }
  void SetColor(Integer Index, TZCLResourceColor* Value) { FColors->Get(Index)->Assign(Value); }
  bool IsColorStored(Integer Index) const { return !FColors->Get(Index)->IsDefault(); }
  TZCLResourceFont* GetFont(Integer Index) { return FFonts->Get(Index); }
  void SetFont(Integer Index, TZCLResourceFont* Value) { FFonts->Get(Index)->Assign(Value); }
  bool IsFontStored(Integer Index) const { return !FFonts->Get(Index)->IsDefault(); }
  TZCLResourceInteger* GetInteger(Integer Index) { return FIntegers->Get(Index); }
  void SetInteger(Integer Index, TZCLResourceInteger* Value) { FIntegers->Get(Index)->Assign(Value); }
  bool IsIntegerStored(Integer Index) const { return !FIntegers->Get(Index)->IsDefault(); }
  TZCLResourceMargins* GetMargins(Integer Index) { return FMargins->Get(Index); }
  void SetMargins(Integer Index, TZCLResourceMargins* Value) { FMargins->Get(Index)->Assign(Value); }
  bool IsMarginsStored(Integer Index) const { return !FMargins->Get(Index)->IsDefault(); }
  TZCLResourceTexture* GetTexture(Integer Index) { return FTextures->Get(Index); }
  void SetTexture(Integer Index, TZCLResourceTexture* Value) { FTextures->Get(Index)->Assign(Value); }
  bool IsTextureStored(Integer Index) const { return !FTextures->Get(Index)->IsDefault(); }

 protected:
  virtual void DoAssignResources(TZCLStyle* Source);
  virtual void DoReset();
  virtual void DoResourceChanged(TZCLResource* Resource);
  virtual void DoSetTargetDPI(Integer Value);
  // Style classes give their slots default identifiers and values here.
  virtual void InitializeResources() {}
  void DoAssign(TPersistent* Source) override;
  void DoChanged(TZCLPersistentChanges Changes) override;

  TZCLCustomResourceCollection* FCollection = nullptr;
  TZCLStyleColorsMap* FColors;
  TZCLStyleFontsMap* FFonts;
  TZCLStyleMap<TZCLResourceInteger>* FIntegers;
  TZCLStyleMap<TZCLResourceMargins>* FMargins;
  TObject* FOwner;
  Integer FTargetDPI = 96;
  TZCLStyleMap<TZCLResourceTexture>* FTextures;
};

// Tints the published sub-objects of Obj (recursively through those that cannot be tinted).
void ApplyColorSchemaToProperties(TObject* Obj, const TZCLColorSchema& Schema);
void RegisterStyleClasses();
