#include "zse/engine/ZSE.Schema.h"

#include <algorithm>

#include "rtl/RTL.Classes.h"
#include "rtl/RTL.Geometry.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Strings.h"
#include "zcl/base/ZCL.FileFormats.XML.h"
#include "zcl/base/ZCL.Parsers.h"
#include "zcl/base/ZCL.Utils.Common.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "zcl/ui/ZCL.Utils.RTTI.h"
#include "zse/engine/ZSE.Skins.h"
#include "zse/engine/ZSE.Types.h"

namespace {
constexpr TAlphaColor DefaultAlphaColor = 0x00010203;
const String SAnnotations = u"annotations";
const String SProperties = u"properties";
const String SProperty = u"property";
const String SName = u"name";
const String SValue = u"value";
const String SClass = u"class";

TZCLDictionary<TClass, TZSESchemaClassAdapterClass>* GAdapters = nullptr;

bool SameAsciiText(StringView A, StringView B) {
  return SameTokenText(A.data(), B.data(), static_cast<Integer>(A.size()), static_cast<Integer>(B.size()));
}

Char FoldAscii(Char C) { return C >= u'a' && C <= u'z' ? static_cast<Char>(C - 32) : C; }

bool LessAscii(StringView A, StringView B) {
  return std::lexicographical_compare(A.begin(), A.end(), B.begin(), B.end(),
                                      [](Char x, Char y) { return FoldAscii(x) < FoldAscii(y); });
}

// The "property" children by their names, for lookups ignoring ASCII case. Of two children with
// one name the first wins.
class TChildIndex {
 public:
  explicit TChildIndex(TZCLXMLNode* Node) {
    const Integer count = Node->GetCount();
    FItems.reserve(static_cast<size_t>(count));
    for (Integer i = 0; i < count; ++i) {
      TZCLXMLNode* child = Node->GetNode(i);
      FItems.push_back({child->GetAttributes()->GetValue(SName), child});
    }
    std::stable_sort(FItems.begin(), FItems.end(),
                     [](const TItem& a, const TItem& b) { return LessAscii(a.Name, b.Name); });
  }
  TZCLXMLNode* Find(StringView Name) const {
    auto it = std::lower_bound(FItems.begin(), FItems.end(), Name,
                               [](const TItem& a, StringView n) { return LessAscii(a.Name, n); });
    return it != FItems.end() && SameAsciiText(it->Name, Name) ? it->Node : nullptr;
  }

 private:
  struct TItem {
    String Name;
    TZCLXMLNode* Node;
  };
  std::vector<TItem> FItems;
};

bool IsComponentClass(PPropInfo Prop) {
  const TTypeData* data = GetTypeData(Prop->PropType);
  return data && data->ClassType && data->ClassType->InheritsFrom(TComponent::StaticClass());
}

String ObjectName(TObject* Object) {
  PPropInfo prop = GetPropInfo(Object, u"Name");
  if (!prop || !tkStrings.Contains(prop->PropType->Kind)) return String();
  return GetStrProp(Object, prop);
}
// Rectangles published as records have the text "left,top,right,bottom" (the form of rectangle
// objects and of the version converters); the generic text conversion knows no records.
bool IsRectProp(PPropInfo Prop) {
  return Prop->PropType->Kind == tkRecord && Prop->Accessor().ValueKey() == &detail::TValueKey<TRect>::Key;
}

}  // namespace

// ---- annotations -------------------------------------------------------------------------------

TZSEAnnotations::~TZSEAnnotations() { Clear(); }

void TZSEAnnotations::Clear() { FreeAndNil(FItems); }

bool TZSEAnnotations::IsEmpty() const { return !FItems || FItems->GetCount() == 0; }

void TZSEAnnotations::Load(TZCLXMLNode* Node) {
  Clear();
  if (!Node) return;
  for (Integer i = 0; i < Node->GetCount(); ++i) {
    TZCLXMLNode* child = Node->GetNode(i);
    if (!FItems) FItems = Create<TZCLStringsDictionary>();
    FItems->AddOrSetValue(child->GetAttributes()->GetValue(SName), child->GetNodeValue());
  }
}

void TZSEAnnotations::Save(TZCLXMLNode* Node) {
  if (!FItems) return;
  std::vector<std::pair<String, String>> items;
  FItems->Enum([&](const String& Key, const String& Value) { items.emplace_back(Key, Value); });
  std::sort(items.begin(), items.end());
  for (const auto& [name, value] : items) {
    TZCLXMLNode* item = Node->Add(u"item");
    item->GetAttributes()->SetValue(SName, name);
    item->SetNodeValue(value);
  }
}

String TZSEAnnotations::GetValue(const String& Name) {
  String value;
  if (FItems) FItems->TryGetValue(Name, value);
  return value;
}

TAlphaColor TZSEAnnotations::GetValueAsAlphaColor(const String& Name) {
  const String text = GetValue(Name);
  if (text.empty() || text.size() > 10) return DefaultAlphaColor;
  UInt64 value = 0;
  for (Char c : text) {
    if (c < u'0' || c > u'9') return DefaultAlphaColor;
    value = value * 10 + static_cast<UInt64>(c - u'0');
  }
  return value > 0xFFFFFFFFu ? DefaultAlphaColor : static_cast<TAlphaColor>(value);
}

void TZSEAnnotations::SetValue(const String& Name, const String& Value) {
  if (Value.empty()) {
    if (FItems) FItems->Remove(Name);
    return;
  }
  if (!FItems) FItems = Create<TZCLStringsDictionary>();
  FItems->AddOrSetValue(Name, Value);
}

void TZSEAnnotations::SetValueAsAlphaColor(const String& Name, TAlphaColor Value) {
  SetValue(Name, IntToStr(static_cast<Int64>(Value)));
}

// ---- class adapters ----------------------------------------------------------------------------

void SchemaRegisterClassAdapter(TZSESchemaClassAdapterClass AdapterClass) {
  if (!GAdapters) GAdapters = Create<TZCLDictionary<TClass, TZSESchemaClassAdapterClass>>();
  GAdapters->AddOrSetValue(AdapterClass->GetAdaptedClass(), AdapterClass);
}

void SchemaUnregisterClassAdapter(TZSESchemaClassAdapterClass AdapterClass) {
  TZSESchemaClassAdapterClass registered = nullptr;
  if (GAdapters && GAdapters->TryGetValue(AdapterClass->GetAdaptedClass(), registered) && registered == AdapterClass)
    GAdapters->Remove(AdapterClass->GetAdaptedClass());
}

TZSESchemaClassAdapterClass SchemaFindClassAdapter(const TObject* Object) {
  if (!Object || !GAdapters) return nullptr;
  TZSESchemaClassAdapterClass adapter = nullptr;
  for (TClass c = Object->ClassType(); c; c = c->ClassParent())
    if (GAdapters->TryGetValue(c, adapter)) return adapter;
  return nullptr;
}

void SchemaInitialize() {
  if (!GAdapters) GAdapters = Create<TZCLDictionary<TClass, TZSESchemaClassAdapterClass>>();
}

void SchemaFinalize() { FreeAndNil(GAdapters); }

// ---- schema ------------------------------------------------------------------------------------

TZSESchema::TZSESchema(TZSESkinResources* AResources) : FResources(AResources) {}

String TZSESchema::GetName(TZCLXMLNode* Node) { return Node->GetAttributes()->GetValue(SName); }

void TZSESchema::Load(TObject* Object, TZCLXMLNode* Node) {
  IPtr<IZSEAnnotations> annotations;
  if (Supports(Object, annotations)) annotations->Load(Node->FindNode(SAnnotations));
  IPtr<IZSESchemaCustomStoring> storing;
  if (Supports(Object, storing)) {
    storing->Load(Node, this);
    return;
  }
  if (TZCLXMLNode* properties = Node->FindNode(SProperties)) LoadProperties(Object, properties);
}

void TZSESchema::LoadProperties(TObject* Object, TZCLXMLNode* Node) {
  if (!Object) return;
  IPtr<IZSESchemaLoaderListener> listener;
  Supports(Object, listener);
  if (listener) listener->BeginLoad();
  if (!FStoreAll) {
    IPtr<IZSESchemaDefaults> defaults;
    if (Supports(Object, defaults)) defaults->SetSchemaDefaults();
  }
  std::vector<PPropInfo> props;
  TRTTI::GetPropList(Object, props);
  if (!props.empty() && Node->GetCount() > 0) {
    const TChildIndex children(Node);
    for (PPropInfo prop : props) {
      if (prop->PropType->Kind == tkMethod) continue;
      TZCLXMLNode* child = children.Find(prop->Name);
      if (!child) continue;
      if (IsRectProp(prop)) {
        SetPropAs<TRect>(Object, prop, zcStringToRect(child->GetAttributes()->GetValue(SValue)));
        continue;
      }
      if (prop->PropType->Kind != tkClass) {
        TRTTI::SetPropValueFromString(Object, prop, child->GetAttributes()->GetValue(SValue));
        continue;
      }
      TObject* value = GetObjectProp(Object, prop);
      if (TZSESchemaClassAdapterClass adapter = value ? SchemaFindClassAdapter(value) : nullptr) {
        adapter->Load(value, child, this);
      } else if (prop->HasSetter() && IsComponentClass(prop)) {
        AddReference(Object, prop->Name, child->GetAttributes()->GetValue(SValue));
      } else {
        IPtr<IZSESchemaCustomStoring> storing;
        if (Supports(value, storing))
          storing->Load(child, this);
        else
          LoadProperties(value, child);
      }
    }
  }
  if (listener) listener->EndLoad();
}

String TZSESchema::GetObjectPath(TObject* Object) {
  String name = ObjectName(Object);
  // Unnamed objects get a name that is stable from one save to the next and cannot be taken by
  // a component ("~" is no identifier character), never one that depends on memory layout.
  if (name.empty()) name = SchemaGetClassName(Object) + u"~" + IntToStr(++FUnnamedCount);
  return name + u".";
}

void TZSESchema::Save(TObject* Object, TZCLXMLNode* Node) {
  if (!FResources || !FResources->GetOptimized()) {
    IPtr<IZSEAnnotations> annotations;
    if (Supports(Object, annotations)) annotations->Save(Node->Add(SAnnotations));
  }
  IPtr<IZSESchemaCustomStoring> storing;
  if (Supports(Object, storing)) {
    if (FStoreAll || storing->IsStored()) storing->Save(Node, this);
    return;
  }
  TZCLXMLNode* properties = Node->Add(SProperties);
  SaveProperties(Object, properties, GetObjectPath(Object));
  XMLNodeFreeIfEmpty(properties, false);
}

void TZSESchema::SaveProperties(TObject* Object, TZCLXMLNode* Node, const String& Path) {
  if (!Object) return;
  std::vector<PPropInfo> props;
  TRTTI::GetPropList(Object, props);
  for (PPropInfo prop : props) {
    if (prop->PropType->Kind == tkMethod) continue;
    if (TRTTI::GetAttribute(Object, prop, HiddenAttribute::StaticClass(), false)) continue;
    if (!FStoreAll && !IsStoredProp(Object, prop)) continue;
    SaveProperty(Object, Node, prop, Path);
  }
}

void TZSESchema::SaveProperty(TObject* Object, TZCLXMLNode* Node, PPropInfo Prop, const String& Path) {
  if (IsRectProp(Prop)) {
    if (!Prop->HasSetter()) return;
    const TRect value = GetPropAs<TRect>(Object, Prop);
    if (FStoreAll || value != TRect()) XMLNodeAddValue(Node, Prop->Name, zcRectToString(value));
    return;
  }
  if (Prop->PropType->Kind != tkClass) {
    // What could not be read back is not written: loading a read-only property raises.
    if (!Prop->HasSetter()) return;
    String text;
    if (!TRTTI::TryGetPropValueAsString(Object, Prop, text)) return;
    if (FStoreAll || TRTTI::ShouldStore(Object, Prop)) XMLNodeAddValue(Node, Prop->Name, text);
    return;
  }
  TObject* value = GetObjectProp(Object, Prop);
  if (!value) return;
  if (TZSESchemaClassAdapterClass adapter = SchemaFindClassAdapter(value)) {
    if (FStoreAll || adapter->IsStored(value))
      adapter->Save(value, XMLNodeAddProperty(Node, Prop->Name), this, Path + Prop->Name);
    return;
  }
  if (auto* component = dynamic_cast<TComponent*>(value); component && Prop->HasSetter()) {
    const String& name = component->GetName();
    if (name.empty()) return;
    if (FStoreAll) AddReference(Object, Prop->Name, name);
    XMLNodeAddValue(Node, Prop->Name, name);
    return;
  }
  IPtr<IZSESchemaCustomStoring> storing;
  if (Supports(value, storing)) {
    if (FStoreAll || storing->IsStored()) storing->Save(XMLNodeAddProperty(Node, Prop->Name), this);
    return;
  }
  TZCLXMLNode* child = XMLNodeAddProperty(Node, Prop->Name);
  SaveProperties(value, child, Path + Prop->Name + u".");
  XMLNodeFreeIfEmpty(child, false);
}

void TZSESchema::AddReference(TObject* Object, const String& PropertyName, const String& ObjectName) {
  if (ObjectName.empty()) return;
  FReferences.push_back({Object, PropertyName, ObjectName});
}

void TZSESchema::ResolveReferences(const TZSESchemaResolver& Resolver) {
  for (auto it = FReferences.rbegin(); it != FReferences.rend(); ++it) {
    PPropInfo prop = GetPropInfo(it->Object, it->PropertyName);
    if (!prop || prop->PropType->Kind != tkClass) continue;
    TObject* target = Resolver ? Resolver(it->ObjectName) : nullptr;
    // A component of another class than the property takes cannot be the one meant.
    const TTypeData* data = GetTypeData(prop->PropType);
    if (target && data->ClassType && !target->InheritsFrom(data->ClassType)) target = nullptr;
    SetObjectProp(it->Object, prop, target);
    if (!target)
      if (IZSEErrorHandler* handler = ZSEGetErrorHandler())
        handler->ReferenceNotFound(it->Object, it->PropertyName, it->ObjectName);
  }
}

// ---- XML helpers -------------------------------------------------------------------------------

TZCLXMLNode* XMLNodeAddProperty(TZCLXMLNode* Node, const String& Name) {
  TZCLXMLNode* child = Node->Add(SProperty);
  child->GetAttributes()->AddString(SName, Name);
  return child;
}

TZCLXMLNode* XMLNodeAddValue(TZCLXMLNode* Node, const String& Name, const String& Value) {
  TZCLXMLNode* child = XMLNodeAddProperty(Node, Name);
  child->GetAttributes()->AddString(SValue, Value);
  return child;
}

TZCLXMLNode* XMLNodeAddValue(TZCLXMLNode* Node, const String& Name, bool Value) {
  return XMLNodeAddValue(Node, Name, String(Value ? u"True" : u"False"));
}

TZCLXMLNode* XMLNodeAddValue(TZCLXMLNode* Node, const String& Name, Integer Value) {
  return XMLNodeAddValue(Node, Name, IntToStr(Value));
}

bool XMLNodeFindByName(TZCLXMLNode* Node, StringView Name, TZCLXMLNode*& Child) {
  for (Integer i = 0; Node && i < Node->GetCount(); ++i) {
    TZCLXMLNode* child = Node->GetNode(i);
    if (SameAsciiText(child->GetAttributes()->GetValue(SName), Name)) {
      Child = child;
      return true;
    }
  }
  Child = nullptr;
  return false;
}

TZCLXMLNode* XMLNodeFindOrAddProperty(TZCLXMLNode* Node, const String& Name) {
  TZCLXMLNode* child;
  return XMLNodeFindByName(Node, Name, child) ? child : XMLNodeAddProperty(Node, Name);
}

bool XMLNodeRenameChild(TZCLXMLNode* Node, StringView OldName, const String& NewName) {
  TZCLXMLNode* child;
  if (!XMLNodeFindByName(Node, OldName, child)) return false;
  child->GetAttributes()->SetValue(SName, NewName);
  return true;
}

void XMLNodeFreeIfEmpty(TZCLXMLNode*& Node, bool CheckAttributes) {
  if (!Node || Node->GetCount() > 0) return;
  if (CheckAttributes && Node->GetAttributes()->GetCount() > 0) return;
  FreeAndNil(Node);
}

String SchemaNewId() {
  String id = u"D" + CreateGUIDString();
  for (Char& c : id)
    if (c == u'{' || c == u'-' || c == u'}') c = u'Q';
  return id;
}

String SchemaGetClassName(TClass Class) {
  if (!Class) return String();
  const String& name = Class->ClassName();
  for (StringView prefix : {StringView(u"TZSE"), StringView(u"TZSELayout")})
    if (name.size() >= prefix.size() && SameAsciiText(StringView(name).substr(0, prefix.size()), prefix))
      return name.substr(prefix.size());
  return name;
}

String SchemaGetClassName(const TObject* Object) { return Object ? SchemaGetClassName(Object->ClassType()) : String(); }

bool SchemaResolveClass(TZCLXMLNode* Node, TClass BaseClass, TClass& Class) {
  Class = nullptr;
  const String value = Node->GetAttributes()->GetValue(SClass);
  if (value.empty()) return false;
  for (StringView prefix : {StringView(u"TZSE"), StringView(u"TZSELayout")}) {
    TClass found = GetClass(String(prefix) + value);
    if (found && (!BaseClass || found->InheritsFrom(BaseClass))) {
      Class = found;
      return true;
    }
  }
  return false;
}
