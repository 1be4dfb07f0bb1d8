#include "zeph/core/ZEPH.Core.Adapters.h"

#include <cmath>

#include "rtl/RTL.Classes.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Format.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zeph/core/ZEPH.Core.Objects.h"

// ---- custom adapter ------------------------------------------------------------------------------

TZEPHCustomObjectAdapter::TZEPHCustomObjectAdapter(TObject* AObject, TStreamOwnership AOwnership)
    : FOwnership(AOwnership) {
  if (AObject) SetObject(AObject);
}

void TZEPHCustomObjectAdapter::BeforeDestruction() {
  TZEPHSimpleObjectAdapter::BeforeDestruction();
  if (FOwnership == soOwned && FObject) {
    TObject* object = FObject;
    TZCLObjectLinks::UnregisterWeakReference(FObject);
    Free(object);
  }
  TZCLObjectLinks::UnregisterWeakReference(FObject);
  TZCLObjectLinks::Release(this);
}

TZEPHCustomObjectAdapter::~TZEPHCustomObjectAdapter() = default;

void TZEPHCustomObjectAdapter::SetObject(TObject* AObject) {
  TZCLObjectLinks::UnregisterWeakReference(FObject);
  if (!AObject) return;
  TZCLObjectLinks::RegisterWeakReference(AObject, FObject);
  TZCLObjectLinks::Link(AObject, this);
}

HRESULT TZEPHCustomObjectAdapter::CheckState() {
  if (!FThreadSafe && !IsMainThread()) return E_ACCESSDENIED;
  return FObject ? S_OK : E_HANDLE;
}

bool TZEPHCustomObjectAdapter::CheckAccess(HRESULT& Result) {
  Result = CheckState();
  return Result >= 0;
}

// ---- mapped adapter ------------------------------------------------------------------------------

TZEPHMappedObjectAdapter::TZEPHMappedObjectAdapter(TPersistent* AObject, TStreamOwnership AOwnership)
    : TZEPHCustomObjectAdapter(AObject, AOwnership) {}

void TZEPHMappedObjectAdapter::MapProperty(Integer PropertyID, StringView PropName, TObject* AObject) {
  if (!AObject) return;
  PPropInfo info = GetPropInfo(AObject, PropName);
  if (info) FProperties[PropertyID] = {AObject, info};
}

const TZEPHMappedObjectAdapter::TLocalPropInfo* TZEPHMappedObjectAdapter::Find(Integer PropertyID) const {
  auto it = FProperties.find(PropertyID);
  return it == FProperties.end() ? nullptr : &it->second;
}

namespace {
bool IsBooleanProp(PPropInfo Info) { return Info->PropType == TypeInfo<bool>(); }
}  // namespace

IPtr<IInterface> TZEPHMappedObjectAdapter::DoGetValueAsObject(Integer PropertyID) {
  const TLocalPropInfo* prop = Find(PropertyID);
  if (!prop) return TZEPHCustomObjectAdapter::DoGetValueAsObject(PropertyID);
  if (prop->PropInfo->PropType->Kind == tkClass) {
    IPtr<IInterface> adapter;
    TZEPHCoreAdaptersMap::GetAdapter(adapter, GetObjectProp(prop->Object, prop->PropInfo), soReference);
    return adapter;
  }
  Variant value;
  HRESULT r = S_OK;
  DoGetValueAsVariant(PropertyID, value, r);
  return IPtr<IInterface>(MakePluginString(value.AsString()));
}

void TZEPHMappedObjectAdapter::DoGetValueAsVariant(Integer PropertyID, Variant& Value, HRESULT& Result) {
  const TLocalPropInfo* prop = Find(PropertyID);
  if (!prop) {
    Value.Clear();
    Result = E_INVALIDARG;
    return;
  }
  Value = GetPropValue(prop->Object, prop->PropInfo, false);
  if (IsBooleanProp(prop->PropInfo)) Value = Variant(Value.AsBoolean() ? 1 : 0);
}

void TZEPHMappedObjectAdapter::DoSetValueAsObject(Integer PropertyID, IInterface* Value, HRESULT& Result) {
  const TLocalPropInfo* prop = Find(PropertyID);
  if (!prop) {
    TZEPHCustomObjectAdapter::DoSetValueAsObject(PropertyID, Value, Result);
    return;
  }
  if (prop->PropInfo->PropType->Kind == tkClass) {
    SetObjectProp(prop->Object, prop->PropInfo, AdapterGetObjectChecked(Value, TObject::StaticClass()));
    return;
  }
  String text;
  if (!TryPluginStringToStr(Value, text)) {
    Result = E_INVALIDARG;
    return;
  }
  DoSetValueAsVariant(PropertyID, Variant(text), Result);
}

void TZEPHMappedObjectAdapter::DoSetValueAsVariant(Integer PropertyID, const Variant& Value, HRESULT& Result) {
  const TLocalPropInfo* prop = Find(PropertyID);
  if (!prop) {
    Result = E_INVALIDARG;
    return;
  }
  if (prop->PropInfo->IsReadOnly()) throw Exception(Format(u"The %s is read only", {prop->PropInfo->Name}));
  const TVarType type = Value.VarType();
  if (IsBooleanProp(prop->PropInfo) && type != varUString && type != varBoolean && !Value.IsEmpty()) {
    // A number sets True when its integer part is not 0.
    SetOrdProp(prop->Object, prop->PropInfo, std::trunc(Value.AsDouble()) != 0 ? 1 : 0);
    return;
  }
  SetPropValue(prop->Object, prop->PropInfo, Value);
}

// ---- adapters map --------------------------------------------------------------------------------

namespace {
std::unordered_map<TClass, TZEPHCoreAdapterCreateProc>* GAdapterProcs = nullptr;
}

void TZEPHCoreAdaptersMap::Register(TClass AClass, TZEPHCoreAdapterCreateProc AProc) {
  if (!GAdapterProcs) GAdapterProcs = new std::unordered_map<TClass, TZEPHCoreAdapterCreateProc>();
  if (GAdapterProcs->count(AClass)) throw EListError(u"Duplicates not allowed");
  (*GAdapterProcs)[AClass] = std::move(AProc);
}

void TZEPHCoreAdaptersMap::RegisterMapped(TClass AObjectClass, TZEPHMappedObjectAdapterClass AAdapterClass) {
  Register(AObjectClass, [AAdapterClass](TObject* AObject, TStreamOwnership AOwnership) {
    auto* adapter = AAdapterClass->Create<TZEPHMappedObjectAdapter>(dynamic_cast<TPersistent*>(AObject), AOwnership);
    return IPtr<IInterface>(static_cast<IZEPHPropertyList2*>(adapter));
  });
}

void TZEPHCoreAdaptersMap::Unregister(TClass AClass) {
  if (GAdapterProcs) GAdapterProcs->erase(AClass);
}

void TZEPHCoreAdaptersMap::GetAdapter(IPtr<IInterface>& Intf, TObject* AObject, TStreamOwnership AOwnership) {
  Intf = nullptr;
  if (!AObject) return;
  if (IPtr<IZEPHCoreClassAdapter> linked = TZCLObjectLinks::GetExtension<IZEPHCoreClassAdapter>(AObject)) {
    Intf = IPtr<IInterface>(linked);
    return;
  }
  for (TClass cls = AObject->ClassType(); cls; cls = cls->ClassParent()) {
    if (!GAdapterProcs) break;
    auto it = GAdapterProcs->find(cls);
    if (it != GAdapterProcs->end()) {
      Intf = it->second(AObject, AOwnership);
      return;
    }
  }
  throw Exception(Format(u"Adapter for %s was not found", {AObject->ClassName()}));
}

HRESULT TZEPHCoreAdaptersMap::QueryAdapter(TObject* AObject, const TGUID& IID, void** Obj) {
  if (Obj) *Obj = nullptr;
  IPtr<IInterface> adapter;
  GetAdapter(adapter, AObject, soReference);
  return adapter ? adapter->QueryInterface(IID, Obj) : E_NOINTERFACE;
}

void TZEPHCoreAdaptersMap::Finalize() {
  delete GAdapterProcs;
  GAdapterProcs = nullptr;
}

// ---- routines ------------------------------------------------------------------------------------

HRESULT AdapterGetObject(IInterface* Intf, TClass AClass, TObject*& Obj, bool AllowNil) {
  Obj = nullptr;
  if (!Intf) return AllowNil ? S_OK : E_INVALIDARG;
  IPtr<IObject> object;
  if (!Supports(Intf, object)) return E_INVALIDARG;
  Obj = object->GetObject();
  if (!Obj) return E_HANDLE;
  return Obj->InheritsFrom(AClass) ? S_OK : E_INVALIDARG;
}

TObject* AdapterGetObjectChecked(IInterface* Intf, TClass AClass) {
  TObject* obj = nullptr;
  if (AdapterGetObject(Intf, AClass, obj, true) < 0) throw EInvalidCast(AClass->ClassName());
  return obj;
}

bool TryQueryInterface(IInterface* Intf, const TGUID& IID, void** Obj, HRESULT& R) {
  if (Obj) *Obj = nullptr;
  if (!Intf) {
    R = S_OK;
    return true;
  }
  R = Intf->QueryInterface(IID, Obj);
  return R == S_OK;
}

Integer GetObjectDPI(IInterface* Intf) {
  IPtr<IZEPHDPIAware> aware;
  return Supports(Intf, aware) ? aware->GetDPI() : 96;
}

bool TryPluginStringToStr(IInterface* Intf, String& Text) {
  Text.clear();
  if (!Intf) return true;
  IPtr<IZEPHStringInternal> internal;
  if (Supports(Intf, internal)) {
    Text = internal->GetString();
    return true;
  }
  IPtr<IZEPHString> s;
  if (!Supports(Intf, s)) return false;
  const Integer length = s->GetLength();
  if (length > 0) Text.assign(s->GetData(), static_cast<size_t>(length));
  return true;
}

bool TryPluginStringToStrEx(IInterface* Intf, String& Text, HRESULT& R) {
  const bool ok = TryPluginStringToStr(Intf, Text);
  R = ok ? S_OK : E_INVALIDARG;
  return ok;
}

String PluginStringToStr(IInterface* Intf) {
  String text;
  TryPluginStringToStr(Intf, text);
  return text;
}

String PluginStringToStrDef(IInterface* Intf, const String& Default, HRESULT& R) {
  String text;
  return TryPluginStringToStrEx(Intf, text, R) ? text : Default;
}

TZCLStringList* PluginObjectListToStringList(IZEPHObjectList* List) {
  auto* result = new TZCLStringList();
  if (!List) return result;
  if (auto* own = dynamic_cast<TZEPHStringListAdapter*>(List)) {
    result->Assign(own->GetList());
    return result;
  }
  const Integer count = List->GetCount();
  result->SetCapacity(std::max(count, 0));
  for (Integer i = 0; i < count; ++i) {
    void* obj = nullptr;
    if (List->GetObject(i, IIDOf<IZEPHString>(), &obj) >= 0 && obj) {
      IPtr<IZEPHString> s = IPtr<IZEPHString>::Adopt(static_cast<IZEPHString*>(obj));
      result->Add(PluginStringToStr(s.get()));
    }
  }
  return result;
}

void AdaptersInitialize() {
  PluginStringExtractHook = [](String& Text, IInterface* Intf) { Text = PluginStringToStr(Intf); };
  TZEPHCoreAdaptersMap::Register(TZCLStringList::StaticClass(), [](TObject* AObject, TStreamOwnership) {
    if (!AObject || !AObject->InheritsFrom(TZCLStringList::StaticClass())) throw EInvalidCast(u"Invalid class typecast");
    return IPtr<IInterface>(
        static_cast<IZEPHObjectList*>(Create<TZEPHStringListAdapter>(static_cast<TZCLStringList*>(AObject))));
  });
}

void AdaptersFinalize() {
  PluginStringExtractHook = nullptr;
  TZEPHCoreAdaptersMap::Finalize();
}
