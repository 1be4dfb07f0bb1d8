#include "zcl/ui/ZCL.UI.Style.h"

#include "rtl/RTL.Numbers.h"
#include "zcl/ui/ZCL.Utils.RTTI.h"

TZCLStyle::TZCLStyle(TObject* AOwner)
    : FColors(new TZCLStyleColorsMap(this)),
      FFonts(nullptr),
      FIntegers(nullptr),
      FMargins(new TZCLStyleMap<TZCLResourceMargins>(this)),
      FOwner(AOwner),
      FTextures(new TZCLStyleMap<TZCLResourceTexture>(this)) {
  FIntegers = new TZCLStyleMap<TZCLResourceInteger>(this);
  FFonts = new TZCLStyleFontsMap(this);
  TZCLRootResourceCollection::ListenerAdd(this);
}

TZCLStyle::~TZCLStyle() {
  if (!GetIsDestroying()) TZCLStyle::BeforeDestruction();
  delete FIntegers;
  delete FTextures;
  delete FMargins;
  delete FColors;
  delete FFonts;
}

void TZCLStyle::AfterConstruction() {
  inherited::AfterConstruction();
  BeginUpdate();
  try {
    InitializeResources();
  } catch (...) {
    CancelUpdate();
    throw;
  }
  CancelUpdate();
}

void TZCLStyle::BeforeDestruction() {
  inherited::BeforeDestruction();
  BeginUpdate();  // never closed
  TZCLRootResourceCollection::ListenerRemove(this);
  SetCollection(nullptr);
}

void TZCLStyle::DeclareProperties(TClassDeclaration<TZCLStyle>& D) {
  D.Property(u"Collection", &TZCLStyle::GetStyleCollection, &TZCLStyle::SetCollection);
}

void TZCLStyle::Reset() {
  BeginUpdate();
  try {
    DoReset();
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TZCLStyle::Refresh(TObject* Control) {
  TRTTI::EnumClassProperties<TZCLStyle>(Control, [](TZCLStyle* Style) { Style->Refresh(); }, false);
}

void TZCLStyle::ApplyColorSchema(const TZCLColorSchema& Schema) {
  BeginUpdate();
  EnumResources([&Schema](TZCLResource* Resource) {
    IPtr<IZCLColorSchema> target;
    if (Supports(Resource, target)) target->ApplyColorSchema(Schema);
  });
  EndUpdate();
}

Integer TZCLStyle::ScaleByTargetDPI(Integer Value) const { return MulDiv(Value, FTargetDPI, 96); }

void TZCLStyle::SetTargetDPI(Integer Value) {
  if (Value == FTargetDPI) return;
  BeginUpdate();
  FTargetDPI = Value;
  DoSetTargetDPI(Value);
  Changed(ZCLResourceChangeTargetDPI);
  EndUpdate();
}

void TZCLStyle::EnumResources(const std::function<void(TZCLResource*)>& Proc) {
  FColors->Enum(Proc);
  FFonts->Enum(Proc);
  FIntegers->Enum(Proc);
  FMargins->Enum(Proc);
  FTextures->Enum(Proc);
}

void TZCLStyle::SetCollection(TZCLCustomResourceCollection* Value) {
  if (Value == FCollection) return;
  if (FCollection) FCollection->ListenerRemove(this);
  FCollection = Value;
  if (FCollection) FCollection->ListenerAdd(this);
  if (!GetIsDestroying()) ResourceChanged(this, nullptr);
}

TZCLResource* TZCLStyle::GetResource(const String& ID, TZCLResourceClass ResourceClass, TObject* Sender) {
  TZCLCustomResourceCollection* collection = FCollection;
  IPtr<IZCLResourceCollection> ownerCollection;
  if (!collection && FOwner && Supports(FOwner, ownerCollection)) collection = ownerCollection->GetCollection();
  if (!collection) collection = TZCLRootResourceCollection::GetInstance();
  return collection ? collection->GetResource(ID, ResourceClass, Sender) : nullptr;
}

void TZCLStyle::ResourceChanged(TObject* /*Sender*/, TZCLResource* Resource) {
  if (Resource && Resource->GetResourceOwner() == this) {
    Changed(ZCLResourceChangeContent);
    return;
  }
  BeginUpdate();
  try {
    DoResourceChanged(Resource);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TZCLStyle::OnRemove(TObject* Object) {
  if (Object && Object == FCollection) SetCollection(nullptr);
}

void TZCLStyle::DoAssignResources(TZCLStyle* Source) {
  FColors->Assign(*Source->FColors);
  FMargins->Assign(*Source->FMargins);
  FTextures->Assign(*Source->FTextures);
  FFonts->Assign(*Source->FFonts);
  FIntegers->Assign(*Source->FIntegers);
}

void TZCLStyle::DoReset() {
  FColors->Clear();
  FFonts->Clear();
  FIntegers->Clear();
  FMargins->Clear();
  FTextures->Clear();
  InitializeResources();
}

void TZCLStyle::DoResourceChanged(TZCLResource* Resource) {
  FColors->ResourceChanged(Resource);
  FMargins->ResourceChanged(Resource);
  FTextures->ResourceChanged(Resource);
  FFonts->ResourceChanged(Resource);
  FIntegers->ResourceChanged(Resource);
}

void TZCLStyle::DoSetTargetDPI(Integer Value) {
  FColors->SetTargetDPI(Value);
  FFonts->SetTargetDPI(Value);
  FIntegers->SetTargetDPI(Value);
  FMargins->SetTargetDPI(Value);
  FTextures->SetTargetDPI(Value);
}

void TZCLStyle::DoAssign(TPersistent* Source) {
  auto* source = dynamic_cast<TZCLStyle*>(Source);
  if (!source) return;
  SetCollection(source->FCollection);
  DoAssignResources(source);
  DoSetTargetDPI(FTargetDPI);
  Changed(ZCLResourceChangeContent);
}

void TZCLStyle::DoChanged(TZCLPersistentChanges /*Changes*/) {
  BeginUpdate();
  IPtr<IZCLResourceChangeListener> listener;
  if (FOwner && Supports(FOwner, listener)) {
    try {
      listener->ResourceChanged(this, nullptr);
    } catch (...) {
      CancelUpdate();
      throw;
    }
  }
  // Changes made while the owner reacts are dropped rather than sent back to it.
  CancelUpdate();
}

void ApplyColorSchemaToProperties(TObject* Obj, const TZCLColorSchema& Schema) {
  std::vector<PPropInfo> list;
  if (!TRTTI::GetPropList(Obj, list)) return;
  for (PPropInfo p : list) {
    if (p->PropType->Kind != tkClass) continue;
    TObject* value = GetObjectProp(Obj, p);
    if (!value || value->InheritsFrom(TComponent::StaticClass())) continue;
    IPtr<IZCLColorSchema> target;
    if (Supports(value, target))
      target->ApplyColorSchema(Schema);
    else
      ApplyColorSchemaToProperties(value, Schema);
  }
}

void RegisterStyleClasses() { RegisterProperties<TZCLStyle>(); }
