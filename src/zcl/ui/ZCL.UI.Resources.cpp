#include "zcl/ui/ZCL.UI.Resources.h"

#include <algorithm>

#include "rtl/RTL.Format.h"
#include "rtl/RTL.Numbers.h"
#include "zcl/ui/ZCL.UI.Resources.Font.h"
#include "zcl/ui/ZCL.UI.Resources.Texture.h"

// ---- TZCLResourceListenerList -----------------------------------------------------------------

void TZCLResourceListenerList::NotifyBeginUpdate() {
  Enum<IZCLUpdateLock>([](const IPtr<IZCLUpdateLock>& L) { L->BeginUpdate(); });
}

void TZCLResourceListenerList::NotifyEndUpdate() {
  Enum<IZCLUpdateLock>([](const IPtr<IZCLUpdateLock>& L) { L->EndUpdate(); });
}

void TZCLResourceListenerList::NotifyRemoving(TObject* Object) {
  Enum<IZCLObjectRemoveNotify>([Object](const IPtr<IZCLObjectRemoveNotify>& L) { L->OnRemove(Object); });
}

void TZCLResourceListenerList::NotifyResourceChanged(TObject* Sender, TZCLResource* Resource) {
  Enum<IZCLResourceChangeListener>(
      [Sender, Resource](const IPtr<IZCLResourceChangeListener>& L) { L->ResourceChanged(Sender, Resource); });
}

// ---- TZCLResource -------------------------------------------------------------------------------

TZCLResource::TZCLResource(TObject* AOwner) : FListeners(new TZCLResourceListenerList), FOwner(AOwner) {
  // Silent until AfterConstruction finishes it.
  BeginUpdate();
}

TZCLResource::~TZCLResource() {
  // Deleted without Free: referring resources must still let go of this one.
  if (!GetIsDestroying()) TZCLResource::BeforeDestruction();
  Free(FListeners);
}

void TZCLResource::AfterConstruction() {
  try {
    FTargetDPI = 96;
    Initialize();
    ResolveReference();
  } catch (...) {
    CancelUpdate();
    throw;
  }
  CancelUpdate();
  inherited::AfterConstruction();
  IPtr<IZCLResourceChangeNotifier> notifier;
  if (FOwner && Supports(FOwner, notifier)) notifier->ListenerAdd(this);
}

void TZCLResource::BeforeDestruction() {
  BeginUpdate();  // never closed: nothing is reported from here on
  inherited::BeforeDestruction();
  IPtr<IZCLResourceChangeNotifier> notifier;
  if (FOwner && Supports(FOwner, notifier)) notifier->ListenerRemove(this);
  FListeners->NotifyRemoving(this);
  SetReference(nullptr);
}

bool TZCLResource::IsEqual(TZCLResource* Resource) {
  return Resource && Resource->GetResourceClass() == GetResourceClass() && IsValueEqual(Resource);
}

void TZCLResource::Reset() {
  BeginUpdate();
  try {
    DoReset();
    FlushCache();
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

String TZCLResource::ToString() const {
  const String text = GetValueText();
  if (!FID.empty() && !text.empty()) return FID + u" - " + text;
  return FID.empty() ? text : FID;
}

void TZCLResource::SetID(const String& Value) {
  if (Value == FID) return;
  FID = Value;
  ResolveReference();
}

void TZCLResource::SetTargetDPI(Integer Value) {
  Value = std::clamp(Value, 96, 480);
  if (Value == FTargetDPI) return;
  FTargetDPI = Value;
  DoTargetDPIChanged();
}

TZCLResource* TZCLResource::Clone() const {
  TZCLResource* result = ClassType()->Create<TZCLResource>(static_cast<TObject*>(nullptr));
  result->Assign(const_cast<TZCLResource*>(this));
  return result;
}

void TZCLResource::InitializeDefault(const String& ID) {
  if (FID == FDefaultID) {
    FDefaultID = ID;
    SetID(ID);
  } else {
    FDefaultID = ID;
  }
}

void TZCLResource::RefreshReference() {
  FlushCache();
  ResolveReference();
}

String TZCLResource::GetTypeName(TClass ResourceClass) {
  String name = ResourceClass->ClassName();
  const String prefix = u"TZCLResource";
  if (name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0) return name.substr(prefix.size());
  return name;
}

void TZCLResource::ListenerAdd(IZCLResourceChangeListener* Listener) { FListeners->Add(IPtr<IInterface>(Listener)); }

void TZCLResource::ListenerRemove(IZCLResourceChangeListener* Listener) {
  FListeners->Remove(IPtr<IInterface>(Listener));
}

void TZCLResource::ResourceChanged(TObject* Sender, TZCLResource* Resource) {
  BeginUpdate();
  try {
    FlushCache();
    DoResourceChanged(Sender, Resource);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TZCLResource::OnRemove(TObject* Object) {
  if (Object && Object == FReference) {
    // The departing resource may still answer the lookup; it must not be taken again.
    TZCLResource* found = FindReference();
    SetReference(found == Object ? nullptr : found);
  }
}

void TZCLResource::DoResourceChanged(TObject* /*Sender*/, TZCLResource* Resource) {
  if (!Resource)
    ResolveReference();
  else if (Resource == FReference)
    Changed(ZCLResourceChangeContent);
}

void TZCLResource::DoAssign(TPersistent* Source) {
  auto* source = dynamic_cast<TZCLResource*>(Source);
  if (!source || source->GetResourceClass() != GetResourceClass()) return;
  SetID(source->FID);
  DoAssignValue(source, FID.empty());
}

void TZCLResource::DoChanged(TZCLPersistentChanges /*Changes*/) {
  FlushCache();
  FListeners->NotifyResourceChanged(this, this);
  IPtr<IZCLResourceChangeListener> listener;
  if (FOwner && Supports(FOwner, listener)) listener->ResourceChanged(this, this);
}

TZCLResource* TZCLResource::FindReference() {
  if (FID.empty()) return nullptr;
  IPtr<IZCLResourceProvider> provider;
  if (!FOwner || !Supports(FOwner, provider)) return nullptr;
  TZCLResource* result = provider->GetResource(FID, GetResourceClass(), this);
  if (result == this) return nullptr;
  // A reference chain leading back here would make every value read recurse without end.
  for (TZCLResource* r = result; r; r = r->FReference)
    if (r == this) return nullptr;
  return result;
}

void TZCLResource::ResolveReference() { SetReference(FindReference()); }

void TZCLResource::SetReference(TZCLResource* Value) {
  if (Value == FReference) return;
  BeginUpdate();
  if (FReference) FReference->ListenerRemove(this);
  FReference = Value;
  if (FReference) FReference->ListenerAdd(this);
  ReferenceChanged();
  EndUpdate();
}

// ---- TZCLResourceColor ----------------------------------------------------------------------------

void TZCLResourceColor::DeclareProperties(TClassDeclaration<TZCLResourceColor>& D) {
  D.Property(u"AllowColoration", &TZCLResourceColor::GetAllowColoration, &TZCLResourceColor::SetAllowColoration)
      .Default(TZCLBoolean::Default);
  D.Property(u"Opacity", &TZCLResourceColor::GetOpacity, &TZCLResourceColor::SetOpacity).Default(Byte(255));
  D.Property(u"Value", &TZCLResourceColor::GetStoredValue, &TZCLResourceColor::SetValue)
      .Type(TypeInfoTAlphaColor())
      .Stored(&TZCLResourceColor::IsValueStored);
  D.Property(u"ID", &TZCLResourceColor::GetID, &TZCLResourceColor::SetID).Stored(&TZCLResourceColor::IsIDStored);
}

TAlphaColor TZCLResourceColor::GetValue() {
  if (FCachedValue != claDefault) return FCachedValue;
  TAlphaColor value = TZCLResourceSimple::GetValue();
  if (FOpacity != 255) {
    const Byte alpha = TZCLColors::PremultiplyTable()[value >> 24][FOpacity];
    value = (value & 0x00FFFFFF) | (TAlphaColor(alpha) << 24);
  }
  if (IsValueStored() && FColorSchema.IsAssigned() && IsColorationAllowed())
    value = TAlphaColorHelper::ApplyColorSchema(value, FColorSchema);
  FCachedValue = value;
  return value;
}

String TZCLResourceColor::GetValueText() const {
  const TAlphaColor value = const_cast<TZCLResourceColor*>(this)->GetValue();
  String text = TAlphaColorHelper::ToString(value);
  if (FOpacity != 255) text = Format(u"%s (%d%%)", {text, MulDiv(100, FOpacity, 255)});
  return text;
}

void TZCLResourceColor::ApplyColorSchema(const TZCLColorSchema& Schema) {
  if (Schema == FColorSchema) return;
  FColorSchema = Schema;
  FlushCache();
  if (IsValueStored()) Changed(ZCLResourceChangeColorSchema);
}

void TZCLResourceColor::InitializeAsRef(const String& ID, bool AAllowAlpha) {
  InitializeDefault(ID, GetNullValue());
  FAllowAlpha = AAllowAlpha;
}

void TZCLResourceColor::InitializeAsColor(const String& ID, TColor Color) {
  InitializeDefault(ID, TAlphaColorHelper::FromColor(Color, 255));
  FAllowAlpha = false;
}

bool TZCLResourceColor::InitializeDefault(const String& ID, const TAlphaColor& DefaultValue) {
  const bool result = TZCLResourceSimple::InitializeDefault(ID, DefaultValue);
  FAllowAlpha = true;
  return result;
}

bool TZCLResourceColor::IsColorationAllowed() const {
  if (FAllowColoration != TZCLBoolean::Default) return FAllowColoration == TZCLBoolean::True;
  if (auto* reference = dynamic_cast<TZCLResourceColor*>(FReference)) return reference->IsColorationAllowed();
  return true;
}

void TZCLResourceColor::SetAllowColoration(TZCLBoolean Value) {
  if (Value == FAllowColoration) return;
  FAllowColoration = Value;
  Changed(ZCLResourceChangeContent);
}

void TZCLResourceColor::SetOpacity(Byte Value) {
  if (Value == FOpacity) return;
  FOpacity = Value;
  Changed(ZCLResourceChangeContent);
}

void TZCLResourceColor::DoAssignValue(TZCLResource* Source, bool AssignValue) {
  auto* source = static_cast<TZCLResourceColor*>(Source);
  SetAllowColoration(source->FAllowColoration);
  SetOpacity(source->FOpacity);
  FColorSchema = source->FColorSchema;
  // The source's own value: opacity and tint are applied again on this side.
  if (AssignValue) SetValue(source->TZCLResourceSimple::GetValue());
}

void TZCLResourceColor::DoReset() {
  SetAllowColoration(TZCLBoolean::Default);
  SetOpacity(255);
  TZCLResourceSimple::DoReset();
}

void TZCLResourceColor::Initialize() {
  FCachedValue = claDefault;
  FAllowAlpha = true;
  FOpacity = 255;
  TZCLResourceSimple::Initialize();
}

bool TZCLResourceColor::IsValueEqual(TZCLResource* Resource) {
  auto* other = static_cast<TZCLResourceColor*>(Resource);
  return GetValue() == other->GetValue() && FOpacity == other->FOpacity &&
         FAllowColoration == other->FAllowColoration;
}

// ---- TZCLResourceMargins ---------------------------------------------------------------------------

namespace {
Integer& Side(TRect& R, Integer Index) {
  switch (Index) {
    case 0: return R.Left;
    case 1: return R.Top;
    case 2: return R.Right;
    default: return R.Bottom;
  }
}
}  // namespace

void TZCLResourceMargins::DeclareProperties(TClassDeclaration<TZCLResourceMargins>& D) {
  D.Property(u"All", &TZCLResourceMargins::GetAll, &TZCLResourceMargins::SetAll).Stored(false);
  D.Property(u"Bottom", 3, &TZCLResourceMargins::GetSide, &TZCLResourceMargins::SetSide)
      .Stored(&TZCLResourceMargins::IsValueStored);
  D.Property(u"Left", 0, &TZCLResourceMargins::GetSide, &TZCLResourceMargins::SetSide)
      .Stored(&TZCLResourceMargins::IsValueStored);
  D.Property(u"Right", 2, &TZCLResourceMargins::GetSide, &TZCLResourceMargins::SetSide)
      .Stored(&TZCLResourceMargins::IsValueStored);
  D.Property(u"Top", 1, &TZCLResourceMargins::GetSide, &TZCLResourceMargins::SetSide)
      .Stored(&TZCLResourceMargins::IsValueStored);
  D.Property(u"ID", &TZCLResourceMargins::GetID, &TZCLResourceMargins::SetID)
      .Stored(&TZCLResourceMargins::IsIDStored);
}

String TZCLResourceMargins::GetValueText() const {
  const TRect r = const_cast<TZCLResourceMargins*>(this)->GetValue();
  return Format(u"%d,%d,%d,%d", {r.Left, r.Top, r.Right, r.Bottom});
}

Integer TZCLResourceMargins::GetAll() {
  const TRect r = GetValue();
  return r.Left == r.Top && r.Left == r.Right && r.Left == r.Bottom ? r.Left : 0;
}

Integer TZCLResourceMargins::GetSide(Integer Index) {
  TRect r = GetValue();
  return Side(r, Index);
}

void TZCLResourceMargins::SetSide(Integer Index, Integer Value) {
  Value = std::max(Value, 0);
  TRect r = GetValue();
  if (Side(r, Index) == Value) return;
  Side(r, Index) = Value;
  SetValue(r);
}

// ---- TZCLResourceInteger -----------------------------------------------------------------------------

void TZCLResourceInteger::DeclareProperties(TClassDeclaration<TZCLResourceInteger>& D) {
  D.Property(u"ID", &TZCLResourceInteger::GetID, &TZCLResourceInteger::SetID).Stored(&TZCLResourceInteger::IsIDStored);
  D.Property(u"Value", &TZCLResourceInteger::GetOwnValue, &TZCLResourceInteger::SetValue)
      .Stored(&TZCLResourceInteger::IsValueStored);
}

String TZCLResourceInteger::GetValueText() const {
  return IntToStr(const_cast<TZCLResourceInteger*>(this)->GetValue());
}

// ---- TZCLResourceClassRepository ------------------------------------------------------------------------

namespace {
std::vector<TZCLResourceClass>* GResourceClasses = nullptr;
}  // namespace

void TZCLResourceClassRepository::Register(TZCLResourceClass Class) {
  if (!GResourceClasses) GResourceClasses = new std::vector<TZCLResourceClass>;
  if (std::find(GResourceClasses->begin(), GResourceClasses->end(), Class) != GResourceClasses->end()) return;
  GResourceClasses->push_back(Class);
  RegisterClass(Class);
}

void TZCLResourceClassRepository::Unregister(TZCLResourceClass Class) {
  if (!GResourceClasses) return;
  auto it = std::find(GResourceClasses->begin(), GResourceClasses->end(), Class);
  if (it == GResourceClasses->end()) return;
  GResourceClasses->erase(it);
  UnRegisterClass(Class);
  if (GResourceClasses->empty()) {
    delete GResourceClasses;
    GResourceClasses = nullptr;
  }
}

void TZCLResourceClassRepository::Enum(const std::function<void(TZCLResourceClass)>& Proc) {
  if (!GResourceClasses) return;
  const std::vector<TZCLResourceClass> classes = *GResourceClasses;
  for (TZCLResourceClass c : classes) Proc(c);
}

void TZCLResourceClassRepository::Initialize() {
  RegisterProperties<TZCLResourceColor>();
  RegisterProperties<TZCLResourceFont>();
  RegisterProperties<TZCLResourceMargins>();
  RegisterProperties<TZCLResourceInteger>();
  RegisterProperties<TZCLGlyph>();
  Register(TZCLResourceColor::StaticClass());
  Register(TZCLResourceFont::StaticClass());
  Register(TZCLResourceMargins::StaticClass());
  Register(TZCLResourceTexture::StaticClass());
  Register(TZCLResourceInteger::StaticClass());
}

void TZCLResourceClassRepository::Finalize() {
  while (GResourceClasses) Unregister(GResourceClasses->back());
}
