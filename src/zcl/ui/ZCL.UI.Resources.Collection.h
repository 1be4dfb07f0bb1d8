#pragma once
// Resource collections: components holding named style resources. Lookups go to the own items,
// then the master collection chain, then the root collection that holds the default UI skin;
// a change anywhere makes every resource and every listening style resolve again, once.

#include <functional>
#include <unordered_map>

#include "zcl/ui/ZCL.UI.Application.h"
#include "zcl/ui/ZCL.UI.Resources.h"

class TZCLCustomResourceCollection;
class TStream;

struct IZCLResourceCollection : virtual IInterface {
  RTL_INTERFACE(IZCLResourceCollection, IInterface, "{0D4B7A61-2E93-4C58-B1F7-6A2C9E3D5B13}")
  virtual TZCLCustomResourceCollection* GetCollection() = 0;
};

class TZCLResourceCollectionItem : public TZCLCollectionItem,
                                   public IZCLResourceChangeListener,
                                   public IZCLResourceCollection,
                                   public IZCLResourceProvider {
  ZCL_CLASS(TZCLResourceCollectionItem, TZCLCollectionItem)
  RTL_INTERFACES(TZCLCollectionItem, IZCLResourceChangeListener, IZCLResourceCollection, IZCLResourceProvider)
 public:
  using TZCLCollectionItem::TZCLCollectionItem;
  ~TZCLResourceCollectionItem() override;
  void BeforeDestruction() override;
  static void DeclareProperties(TClassDeclaration<TZCLResourceCollectionItem>& D);

  void Assign(TPersistent* Source) override;
  String GetDisplayName() const override;

  // The identifier the collection finds the item under (exact case).
  const String& GetResourceID() const { return FResourceID; }
  void SetResourceID(const String& Value);
  const String& GetDescription() const { return FDescription; }
  void SetDescription(const String& Value) { FDescription = Value; }
  String GetResourceClassName() const;
  // Replaces the resource by a new one of the named class ("Color" means TZCLResourceColor);
  // EInvalidCast for a name that is no resource class.
  void SetResourceClassName(const String& Value);
  TZCLResource* GetItemResource() const { return FResource; }
  // Assigns into the item's own resource.
  void SetItemResource(TZCLResource* Value);

  TZCLCustomResourceCollection* GetCollection() override;
  TZCLResource* GetResource(const String& ID, TZCLResourceClass ResourceClass, TObject* Sender) override;
  void ResourceChanged(TObject* Sender, TZCLResource* Resource) override;

 private:
  String FResourceID;
  String FDescription;
  TZCLResource* FResource = nullptr;
};

class TZCLResourceCollectionItems : public TZCLCollection {
  ZCL_CLASS(TZCLResourceCollectionItems, TZCLCollection)
 public:
  explicit TZCLResourceCollectionItems(TZCLCustomResourceCollection* AOwner);
  TPersistent* GetOwner() const override;
  TZCLCustomResourceCollection* GetCollectionOwner() const { return FOwner; }

  TZCLResourceCollectionItem* GetItem(Integer Index) const { return TCollection::GetItem<TZCLResourceCollectionItem>(Index); }
  TZCLResourceCollectionItem* FindItem(const String& ID) const;
  TZCLResource* FindResource(const String& ID, TZCLResourceClass ResourceClass) const;
  TZCLResourceCollectionItem* AddItem(const String& ID, TZCLResourceClass ResourceClass);
  // Finds or adds.
  TZCLResource* Add(const String& ID, TZCLResourceClass ResourceClass);
  // Under ID (the resource's default identifier when empty), assigned from Resource.
  TZCLResource* Add(TZCLResource* Resource, const String& ID);

 protected:
  void DoUpdate(TCollectionItem* Item) override;

 private:
  friend class TZCLResourceCollectionItem;
  friend class TZCLCustomResourceCollection;
  TZCLCustomResourceCollection* FOwner;
  std::unordered_map<String, TZCLResourceCollectionItem*> FIDs;
};

class TZCLCustomResourceCollection : public TZCLComponent,
                                     public IZCLUpdateLock,
                                     public IZCLResourceProvider,
                                     public IZCLResourceChangeNotifier,
                                     public IZCLResourceChangeListener,
                                     public IZCLColorSchema {
  ZCL_CLASS(TZCLCustomResourceCollection, TZCLComponent)
  RTL_INTERFACES(TZCLComponent, IZCLUpdateLock, IZCLResourceProvider, IZCLResourceChangeNotifier,
                 IZCLResourceChangeListener, IZCLColorSchema)
 public:
  explicit TZCLCustomResourceCollection(TComponent* AOwner);
  ~TZCLCustomResourceCollection() override;
  void BeforeDestruction() override;
  static void DeclareProperties(TClassDeclaration<TZCLCustomResourceCollection>& D);

  void BeginUpdate() override;
  void EndUpdate() override;
  TZCLResource* GetResource(const String& ID, TZCLResourceClass ResourceClass, TObject* Sender) override;
  void ListenerAdd(IZCLResourceChangeListener* Listener) override;
  void ListenerRemove(IZCLResourceChangeListener* Listener) override;
  void ResourceChanged(TObject* Sender, TZCLResource* Resource) override;
  void ApplyColorSchema(const TZCLColorSchema& Schema) override;

  // A component stream, binary ("TPF0") or in text form.
  void LoadFromStream(TStream* Stream);
  void LoadFromResource(const void* Instance, StringView ResName);
  void EnumResources(const std::function<void(TZCLResource*)>& Proc);
  // Items whose resource is of ResourceClass (any with a resource for null) until Proc says stop.
  void EnumResources(TZCLResourceClass ResourceClass, const std::function<bool(TZCLResourceCollectionItem*)>& Proc);

  TZCLResourceCollectionItems* GetItems() const { return FItems; }
  void SetItems(TZCLResourceCollectionItems* Value) { FItems->Assign(Value); }
  TZCLResourceListenerList* GetListeners() const { return FListeners; }

  virtual void DoResourceChanged(TZCLResource* Resource);

 protected:
  virtual TZCLResource* DoGetResource(const String& ID, TZCLResourceClass ResourceClass, TObject* Sender);

 private:
  TZCLResourceCollectionItems* FItems;
  TZCLResourceListenerList* FListeners;
};

class TZCLResourceCollection : public TZCLCustomResourceCollection {
  ZCL_CLASS(TZCLResourceCollection, TZCLCustomResourceCollection)
 public:
  using TZCLCustomResourceCollection::TZCLCustomResourceCollection;
  void BeforeDestruction() override;
  static void DeclareProperties(TClassDeclaration<TZCLResourceCollection>& D);
  TZCLCustomResourceCollection* GetMasterCollection() const { return FMasterCollection; }
  void SetMasterCollection(TZCLCustomResourceCollection* Value);

 protected:
  TZCLResource* DoGetResource(const String& ID, TZCLResourceClass ResourceClass, TObject* Sender) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  TZCLCustomResourceCollection* FMasterCollection = nullptr;
};

// Links Field to Value: free notification of Component and, when given, Listener registered with
// the collection. False when nothing changed.
bool LinkResourceCollection(TZCLCustomResourceCollection*& Field, TComponent* Component,
                            IZCLResourceChangeListener* Listener, TZCLCustomResourceCollection* Value);

// The program's own cursor numbers, installed in the screen's list with the root collection.
inline constexpr SmallInt crDragLink = -32;
inline constexpr SmallInt crDragRemove = -31;

// The root collection: the default UI skin, light or dark, following the application.
class TZCLRootResourceCollectionImpl : public TZCLCustomResourceCollection, public IZCLApplicationListener {
  ZCL_CLASS(TZCLRootResourceCollectionImpl, TZCLCustomResourceCollection)
  RTL_INTERFACES(TZCLCustomResourceCollection, IZCLApplicationListener)
 public:
  explicit TZCLRootResourceCollectionImpl(TComponent* AOwner = nullptr);
  void AfterConstruction() override;
  void BeforeDestruction() override;
  void Changed(Byte Changes) override;
  // Loads the default skin of the current appearance, its newer-system variants and the colour
  // schema, all inside one update bracket.
  void Reload();
  // When an item "<ID><Suffix>" exists, the item ID refers to it.
  void ApplyVariant(const String& ID, const String& Suffix);
};

class TZCLRootResourceCollection {
 public:
  TZCLRootResourceCollection() = delete;
  // Created on first use; null once shutdown began.
  static TZCLCustomResourceCollection* GetInstance();
  static TZCLResource* GetResource(const String& ID, TZCLResourceClass ResourceClass, TObject* Sender);
  static bool TryGetResource(const String& ID, TZCLResourceClass ResourceClass, TObject* Sender,
                             TZCLResource*& Resource);
  static void ListenerAdd(IZCLResourceChangeListener* Listener);
  static void ListenerRemove(IZCLResourceChangeListener* Listener);
  static bool IsFinalized();
  // Unit hooks.
  static void Initialize();
  static void Finalize();
};

// The name of the default UI skin resource of an appearance.
String ZCLDefaultSkinResourceName(bool Dark);
