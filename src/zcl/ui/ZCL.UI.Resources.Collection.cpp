#include "zcl/ui/ZCL.UI.Resources.Collection.h"

#include "rtl/RTL.EmbeddedResources.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Streaming.Text.h"
#include "rtl/RTL.Streaming.h"
#include "rtl/RTL.Streams.h"
#include "vcl/VCL.Forms.h"

// ---- TZCLResourceCollectionItem -------------------------------------------------------------------

TZCLResourceCollectionItem::~TZCLResourceCollectionItem() { Free(FResource); }

void TZCLResourceCollectionItem::BeforeDestruction() {
  SetResourceID(String());
  inherited::BeforeDestruction();
}

void TZCLResourceCollectionItem::DeclareProperties(TClassDeclaration<TZCLResourceCollectionItem>& D) {
  D.Property(u"ID", &TZCLResourceCollectionItem::GetResourceID, &TZCLResourceCollectionItem::SetResourceID);
  D.Property(u"Description", &TZCLResourceCollectionItem::GetDescription, &TZCLResourceCollectionItem::SetDescription);
  D.Property(u"ResourceClassName", &TZCLResourceCollectionItem::GetResourceClassName,
             &TZCLResourceCollectionItem::SetResourceClassName);
  D.Property(u"Resource", &TZCLResourceCollectionItem::GetItemResource, &TZCLResourceCollectionItem::SetItemResource);
}

void TZCLResourceCollectionItem::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TZCLResourceCollectionItem*>(Source);
  if (!source) {
    inherited::Assign(Source);
    return;
  }
  SetResourceClassName(source->GetResourceClassName());
  SetItemResource(source->FResource);
  FDescription = source->FDescription;
  SetResourceID(source->FResourceID);
}

String TZCLResourceCollectionItem::GetDisplayName() const {
  if (!FResource) return u"<empty>";
  return TZCLResource::GetTypeName(FResource->ClassType()) + u" - " +
         (FDescription.empty() ? FResourceID : FDescription);
}

void TZCLResourceCollectionItem::SetResourceID(const String& Value) {
  if (Value == FResourceID) return;
  auto* items = dynamic_cast<TZCLResourceCollectionItems*>(TCollectionItem::GetCollection());
  if (items && !FResourceID.empty()) {
    auto it = items->FIDs.find(FResourceID);
    if (it != items->FIDs.end() && it->second == this) items->FIDs.erase(it);
  }
  FResourceID = Value;
  if (items && !FResourceID.empty()) items->FIDs[FResourceID] = this;
  if (!GetIsDestroying()) Changed(true);
}

String TZCLResourceCollectionItem::GetResourceClassName() const {
  return FResource ? FResource->ClassName() : String();
}

void TZCLResourceCollectionItem::SetResourceClassName(const String& Value) {
  TClass cls = nullptr;
  if (!Value.empty()) {
    cls = GetClass(Value);
    if (!cls) cls = GetClass(u"TZCLResource" + Value);
    if (!cls || !cls->InheritsFrom(TZCLResource::StaticClass()))
      throw EInvalidCast(u"The %s is not valid resource", {Value});
  }
  Free(FResource);
  FResource = nullptr;
  if (cls) FResource = cls->Create<TZCLResource>(static_cast<TObject*>(this));
  Changed(false);
}

void TZCLResourceCollectionItem::SetItemResource(TZCLResource* Value) {
  if (FResource && Value != FResource) FResource->Assign(Value);
}

TZCLCustomResourceCollection* TZCLResourceCollectionItem::GetCollection() {
  auto* items = dynamic_cast<TZCLResourceCollectionItems*>(TCollectionItem::GetCollection());
  return items ? items->GetCollectionOwner() : nullptr;
}

TZCLResource* TZCLResourceCollectionItem::GetResource(const String& ID, TZCLResourceClass ResourceClass,
                                                      TObject* Sender) {
  TZCLCustomResourceCollection* collection = GetCollection();
  return collection ? collection->GetResource(ID, ResourceClass, Sender) : nullptr;
}

void TZCLResourceCollectionItem::ResourceChanged(TObject* /*Sender*/, TZCLResource* /*Resource*/) {
  if (!GetIsDestroying()) Changed(false);
}

// ---- TZCLResourceCollectionItems ------------------------------------------------------------------

TZCLResourceCollectionItems::TZCLResourceCollectionItems(TZCLCustomResourceCollection* AOwner)
    : TZCLCollection(TZCLResourceCollectionItem::StaticClass()), FOwner(AOwner) {}

TPersistent* TZCLResourceCollectionItems::GetOwner() const { return FOwner; }

TZCLResourceCollectionItem* TZCLResourceCollectionItems::FindItem(const String& ID) const {
  auto it = FIDs.find(ID);
  return it == FIDs.end() ? nullptr : it->second;
}

TZCLResource* TZCLResourceCollectionItems::FindResource(const String& ID, TZCLResourceClass ResourceClass) const {
  TZCLResourceCollectionItem* item = FindItem(ID);
  TZCLResource* resource = item ? item->GetItemResource() : nullptr;
  return resource && resource->InheritsFrom(ResourceClass) ? resource : nullptr;
}

TZCLResourceCollectionItem* TZCLResourceCollectionItems::AddItem(const String& ID, TZCLResourceClass ResourceClass) {
  BeginUpdate();
  try {
    auto* item = TCollection::Add<TZCLResourceCollectionItem>();
    item->SetResourceClassName(ResourceClass->ClassName());
    item->SetResourceID(ID);
    EndUpdate();
    return item;
  } catch (...) {
    EndUpdate();
    throw;
  }
}

TZCLResource* TZCLResourceCollectionItems::Add(const String& ID, TZCLResourceClass ResourceClass) {
  BeginUpdate();
  TZCLResource* result = nullptr;
  try {
    result = FindResource(ID, ResourceClass);
    if (!result) result = AddItem(ID, ResourceClass)->GetItemResource();
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
  if (!result) throw EInvalidOperation(u"The \"%s\" is unknown resource", {ResourceClass->ClassName()});
  return result;
}

TZCLResource* TZCLResourceCollectionItems::Add(TZCLResource* Resource, const String& ID) {
  BeginUpdate();
  TZCLResource* result = nullptr;
  try {
    result = Add(ID.empty() ? Resource->GetDefaultID() : ID, Resource->GetResourceClass());
    result->Assign(Resource);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
  return result;
}

void TZCLResourceCollectionItems::DoUpdate(TCollectionItem* Item) {
  inherited::DoUpdate(Item);
  auto* item = static_cast<TZCLResourceCollectionItem*>(Item);
  if (FOwner) FOwner->DoResourceChanged(item ? item->GetItemResource() : nullptr);
}

// ---- TZCLCustomResourceCollection -----------------------------------------------------------------

TZCLCustomResourceCollection::TZCLCustomResourceCollection(TComponent* AOwner)
    : TZCLComponent(AOwner), FItems(nullptr), FListeners(new TZCLResourceListenerList) {
  FItems = new TZCLResourceCollectionItems(this);
}

TZCLCustomResourceCollection::~TZCLCustomResourceCollection() {
  Free(FListeners);
  FListeners = nullptr;
  Free(FItems);
}

void TZCLCustomResourceCollection::BeforeDestruction() {
  FListeners->NotifyRemoving(this);
  FListeners->Clear();
  inherited::BeforeDestruction();
  // Items leave without telling anyone: nobody listens any more.
  TZCLResourceCollectionItems* items = FItems;
  FItems->FOwner = nullptr;
  items->Clear();
}

void TZCLCustomResourceCollection::DeclareProperties(TClassDeclaration<TZCLCustomResourceCollection>& D) {
  D.Property(u"Items", &TZCLCustomResourceCollection::GetItems, &TZCLCustomResourceCollection::SetItems);
}

void TZCLCustomResourceCollection::BeginUpdate() {
  FListeners->NotifyBeginUpdate();
  FItems->BeginUpdate();
}

void TZCLCustomResourceCollection::EndUpdate() {
  FItems->EndUpdate();
  FListeners->NotifyEndUpdate();
}

TZCLResource* TZCLCustomResourceCollection::GetResource(const String& ID, TZCLResourceClass ResourceClass,
                                                        TObject* Sender) {
  TZCLResource* result = FItems->FindResource(ID, ResourceClass);
  if (result && result != Sender) return result;
  return DoGetResource(ID, ResourceClass, Sender);
}

TZCLResource* TZCLCustomResourceCollection::DoGetResource(const String&, TZCLResourceClass, TObject*) {
  return nullptr;
}

void TZCLCustomResourceCollection::ListenerAdd(IZCLResourceChangeListener* Listener) {
  FListeners->Add(IPtr<IInterface>(Listener));
}

void TZCLCustomResourceCollection::ListenerRemove(IZCLResourceChangeListener* Listener) {
  if (FListeners) FListeners->Remove(IPtr<IInterface>(Listener));
}

void TZCLCustomResourceCollection::ResourceChanged(TObject* /*Sender*/, TZCLResource* Resource) {
  DoResourceChanged(Resource);
}

void TZCLCustomResourceCollection::DoResourceChanged(TZCLResource* Resource) {
  BeginUpdate();
  try {
    for (Integer i = 0; i < FItems->GetCount(); ++i)
      if (TZCLResource* r = FItems->GetItem(i)->GetItemResource()) r->RefreshReference();
    FListeners->NotifyResourceChanged(this, Resource);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TZCLCustomResourceCollection::ApplyColorSchema(const TZCLColorSchema& Schema) {
  BeginUpdate();
  for (Integer i = 0; i < FItems->GetCount(); ++i) {
    IPtr<IZCLColorSchema> target;
    TZCLResource* r = FItems->GetItem(i)->GetItemResource();
    if (r && Supports(r, target)) target->ApplyColorSchema(Schema);
  }
  EndUpdate();
}

void TZCLCustomResourceCollection::LoadFromStream(TStream* Stream) {
  BeginUpdate();
  try {
    FItems->Clear();
    if (TestStreamFormat(Stream) == sofBinary) {
      ReadComponent(Stream, this);
    } else {
      TMemoryStream binary;
      ObjectTextToBinary(Stream, &binary);
      binary.SetPosition(0);
      ReadComponent(&binary, this);
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TZCLCustomResourceCollection::LoadFromResource(const void* Instance, StringView ResName) {
  TResourceStream stream(Instance, ResName, u"RCDATA");
  LoadFromStream(&stream);
}

void TZCLCustomResourceCollection::EnumResources(const std::function<void(TZCLResource*)>& Proc) {
  for (Integer i = 0; i < FItems->GetCount(); ++i)
    if (TZCLResource* r = FItems->GetItem(i)->GetItemResource()) Proc(r);
}

void TZCLCustomResourceCollection::EnumResources(TZCLResourceClass ResourceClass,
                                                 const std::function<bool(TZCLResourceCollectionItem*)>& Proc) {
  for (Integer i = 0; i < FItems->GetCount(); ++i) {
    TZCLResourceCollectionItem* item = FItems->GetItem(i);
    TZCLResource* r = item->GetItemResource();
    if (r && (!ResourceClass || r->InheritsFrom(ResourceClass)) && Proc(item)) return;
  }
}

// ---- TZCLResourceCollection ---------------------------------------------------------------------------

void TZCLResourceCollection::BeforeDestruction() {
  inherited::BeforeDestruction();
  SetMasterCollection(nullptr);
}

void TZCLResourceCollection::DeclareProperties(TClassDeclaration<TZCLResourceCollection>& D) {
  D.Property(u"MasterCollection", &TZCLResourceCollection::GetMasterCollection,
             &TZCLResourceCollection::SetMasterCollection);
}

void TZCLResourceCollection::SetMasterCollection(TZCLCustomResourceCollection* Value) {
  // A master chain leading back here would make lookups recurse without end.
  for (TZCLCustomResourceCollection* c = Value; c;) {
    if (c == this) return;
    auto* rc = dynamic_cast<TZCLResourceCollection*>(c);
    c = rc ? rc->FMasterCollection : nullptr;
  }
  if (LinkResourceCollection(FMasterCollection, this, this, Value) && !GetComponentState().Contains(csDestroying))
    DoResourceChanged(nullptr);
}

TZCLResource* TZCLResourceCollection::DoGetResource(const String& ID, TZCLResourceClass ResourceClass,
                                                    TObject* Sender) {
  if (FMasterCollection) return FMasterCollection->GetResource(ID, ResourceClass, Sender);
  return TZCLRootResourceCollection::GetResource(ID, ResourceClass, Sender);
}

void TZCLResourceCollection::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FMasterCollection) SetMasterCollection(nullptr);
}

bool LinkResourceCollection(TZCLCustomResourceCollection*& Field, TComponent* Component,
                            IZCLResourceChangeListener* Listener, TZCLCustomResourceCollection* Value) {
  if (Value == Field) return false;
  if (Field) {
    Field->RemoveFreeNotification(Component);
    if (Listener) Field->ListenerRemove(Listener);
    Field = nullptr;
  }
  if (Value) {
    Field = Value;
    if (Listener) Value->ListenerAdd(Listener);
    Value->FreeNotification(Component);
  }
  return true;
}

// ---- root collection ------------------------------------------------------------------------------------

namespace {
TZCLRootResourceCollectionImpl* GRoot = nullptr;
bool GFinalized = false;
}  // namespace

String ZCLDefaultSkinResourceName(bool Dark) { return Dark ? u"ZCLDEFAULTSKIN_DARK" : u"ZCLDEFAULTSKIN"; }

TZCLRootResourceCollectionImpl::TZCLRootResourceCollectionImpl(TComponent* AOwner)
    : TZCLCustomResourceCollection(AOwner) {}

void TZCLRootResourceCollectionImpl::AfterConstruction() {
  inherited::AfterConstruction();
  TZCLApplication::ListenerAdd(this);
  Reload();
}

void TZCLRootResourceCollectionImpl::BeforeDestruction() {
  TZCLApplication::ListenerRemove(this);
  inherited::BeforeDestruction();
}

void TZCLRootResourceCollectionImpl::Changed(Byte Changes) {
  if (Changes & ZCLAppChangeDarkMode)
    Reload();
  else if (Changes & ZCLAppChangeColorSchema)
    ApplyColorSchema(TZCLApplication::GetColorSchema());
}

void TZCLRootResourceCollectionImpl::Reload() {
  BeginUpdate();
  try {
    const String name = ZCLDefaultSkinResourceName(TZCLApplication::IsDarkMode());
    if (FindEmbeddedResource(name, u"RCDATA"))
      LoadFromResource(nullptr, name);
    else
      GetItems()->Clear();
    if (IsWindowsVersionOrLater(10, 0, 22000))
      for (const char16_t* id : {u"Buttons.Textures.Button", u"Popup.Margins.Borders", u"Popup.Margins.CornerRadius",
                                 u"Slider.Textures.Thumb"})
        ApplyVariant(id, u".W11");
    if (TZCLApplication::GetColorSchema().IsAssigned()) ApplyColorSchema(TZCLApplication::GetColorSchema());
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TZCLRootResourceCollectionImpl::ApplyVariant(const String& ID, const String& Suffix) {
  TZCLResourceCollectionItem* item = GetItems()->FindItem(ID);
  if (!item || !item->GetItemResource()) return;
  if (GetItems()->FindItem(ID + Suffix)) item->GetItemResource()->SetID(ID + Suffix);
}

namespace {
// The cursors the program's controls use by number; each is installed only when it loads.
void InstallCursors() {
  if (!Screen) return;
  static constexpr std::pair<TCursor, uintptr_t> kSystem[] = {
      {crNo, IDC_NO},          {crAppStart, IDC_APPSTARTING}, {crHandPoint, IDC_HAND},
      {crHourGlass, IDC_WAIT}, {crSizeAll, IDC_SIZEALL},      {crSizeNESW, IDC_SIZENESW},
      {crSizeNS, IDC_SIZENS},  {crSizeNWSE, IDC_SIZENWSE},    {crSizeWE, IDC_SIZEWE},
      {crNoDrop, IDC_NO},      {crHSplit, IDC_SIZEWE},        {crVSplit, IDC_SIZENS},
  };
  for (const auto& [index, id] : kSystem)
    if (HCURSOR cursor = LoadCursor(nullptr, id)) Screen->SetCursors(index, cursor);
  static constexpr std::pair<TCursor, const char16_t*> kOwn[] = {
      {crDrag, u"CR_DRAG"}, {crDragLink, u"CR_DRAGLINK"}, {crDragRemove, u"CR_DRAGREMOVE"}};
  for (const auto& [index, name] : kOwn)
    if (HCURSOR cursor = LoadCursorFromResource(name)) Screen->SetCursors(index, cursor);
}
}  // namespace

TZCLCustomResourceCollection* TZCLRootResourceCollection::GetInstance() {
  if (!GRoot && !GFinalized) {
    GRoot = Create<TZCLRootResourceCollectionImpl>(static_cast<TComponent*>(nullptr));
    InstallCursors();
  }
  return GRoot;
}

TZCLResource* TZCLRootResourceCollection::GetResource(const String& ID, TZCLResourceClass ResourceClass,
                                                      TObject* Sender) {
  if (GFinalized) return nullptr;
  return GetInstance()->GetResource(ID, ResourceClass, Sender);
}

bool TZCLRootResourceCollection::TryGetResource(const String& ID, TZCLResourceClass ResourceClass, TObject* Sender,
                                                TZCLResource*& Resource) {
  Resource = GetResource(ID, ResourceClass, Sender);
  return Resource != nullptr;
}

void TZCLRootResourceCollection::ListenerAdd(IZCLResourceChangeListener* Listener) {
  if (TZCLCustomResourceCollection* root = GetInstance()) root->ListenerAdd(Listener);
}

void TZCLRootResourceCollection::ListenerRemove(IZCLResourceChangeListener* Listener) {
  if (GRoot) GRoot->ListenerRemove(Listener);
}

bool TZCLRootResourceCollection::IsFinalized() { return GFinalized; }

void TZCLRootResourceCollection::Initialize() {
  GFinalized = false;
  RegisterProperties<TZCLResourceCollectionItem>();
  RegisterProperties<TZCLResourceCollection>();
  RegisterProperties<TZCLRootResourceCollectionImpl>();
  RegisterClasses({TZCLResourceCollection::StaticClass(), TZCLRootResourceCollectionImpl::StaticClass()});
}

void TZCLRootResourceCollection::Finalize() {
  GFinalized = true;
  TZCLRootResourceCollectionImpl* root = GRoot;
  GRoot = nullptr;
  Free(root);
  UnRegisterClasses({TZCLResourceCollection::StaticClass(), TZCLRootResourceCollectionImpl::StaticClass()});
}
