#include "zcl/ui/ZCL.Utils.RTTI.h"

#include <cmath>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Numbers.h"
#include "zcl/base/ZCL.Utils.Common.h"

namespace {

[[noreturn]] void RaiseReadOnly(PPropInfo Prop) { throw EPropReadOnly(u"The %s is read only", {Prop->Name}); }

bool IsOtherVisibility(const TMemberVisibilities& Visibilities) {
  return !(Visibilities - TMemberVisibilities{mvPublished}).Empty();
}

}  // namespace

bool TRTTI::GetPropList(TClass AClass, std::vector<PPropInfo>& List) {
  List.clear();
  if (!AClass) return false;
  List = ::GetPropList(AClass);
  return !List.empty();
}

bool TRTTI::GetPropList(const TObject* Obj, std::vector<PPropInfo>& List) {
  List.clear();
  return Obj && GetPropList(Obj->ClassType(), List);
}

TClass TRTTI::GetRttiType(const TObject* Obj) {
  TClass cls = Obj->ClassType();
  // TObject's own (empty) table comes with any registration, so it does not count.
  bool declared = false;
  for (TClass c = cls; c && c != TObject::StaticClass() && !declared; c = c->ClassParent())
    declared = c->GetProperties() != nullptr;
  if (!declared) throw EInvalidOperation(u"The %s has no RTTI info", {cls->ClassName()});
  return cls;
}

bool TRTTI::FindProperty(TClass RttiType, StringView Name, PPropInfo& Prop) {
  for (PPropInfo p : ::GetPropList(RttiType, TMemberVisibilities::All()))
    if (p->Name == Name) {
      Prop = p;
      return true;
    }
  Prop = nullptr;
  return false;
}

PPropInfo TRTTI::GetPropInfo(const TObject* Obj, StringView Name, const TMemberVisibilities& Visibilities) {
  if (!Obj) return nullptr;
  if (Visibilities.Contains(mvPublished))
    if (PPropInfo p = ::GetPropInfo(Obj->ClassType(), Name)) return p;
  if (IsOtherVisibility(Visibilities)) {
    PPropInfo p = nullptr;
    if (FindProperty(GetRttiType(Obj), Name, p) && Visibilities.Contains(p->Visibility) && p->IsInstanceProp())
      return p;
  }
  return nullptr;
}

PPropInfo TRTTI::GetPropInfoByPath(TObject*& Obj, StringView Path, const TMemberVisibilities& Visibilities) {
  auto lookup = [&](StringView Name) {
    PPropInfo p = GetPropInfo(Obj, Name, Visibilities);
    if (!p)
      throw EPropertyError(u"Unknown property %s.%s", {Obj ? Obj->ClassName() : String(u"nil"), String(Name)});
    return p;
  };
  for (size_t dot = Path.find(u'.'); dot != StringView::npos; dot = Path.find(u'.')) {
    PPropInfo p = lookup(Path.substr(0, dot));
    if (p->PropType->Kind != tkClass)
      throw EPropertyError(u"Invalid property type: %s.%s", {Obj->ClassName(), p->Name});
    TObject* next = ::GetObjectProp(Obj, p);
    // Following a nil object would report the wrong property further down the path.
    if (!next) throw EPropertyError(u"Property %s.%s is not assigned", {Obj->ClassName(), p->Name});
    Obj = next;
    Path = Path.substr(dot + 1);
  }
  return lookup(Path);
}

TCustomAttribute* TRTTI::GetAttribute(const TObject* Obj, PPropInfo Prop, TClass AttributeClass, bool Inherited) {
  if (!Obj || !Prop || Prop->GetAttributes().empty()) return nullptr;
  for (TClass cls = GetRttiType(Obj); cls; cls = cls->ClassParent()) {
    PPropInfo declared = GetDeclaredPropInfo(cls, Prop->Name);
    if (!declared) continue;
    if (TCustomAttribute* a = declared->GetAttribute(AttributeClass)) return a;
    if (!Inherited) break;
  }
  return nullptr;
}

bool TRTTI::IsUnsignedProp(PPropInfo Prop) {
  return Prop && Prop->PropType->Kind == tkInteger && Prop->PropType->Data.MinValue >= Prop->PropType->Data.MaxValue;
}

bool TRTTI::ShouldStore(const TObject* Obj, PPropInfo Prop) {
  return IsStoredProp(Obj, Prop) && Prop->PropType->Kind != tkMethod && !IsDefaultPropertyValue(Obj, Prop);
}

Variant TRTTI::GetPropValue(const TObject* Obj, PPropInfo Prop, bool PreferStrings) {
  if (!Obj) return Null();
  return ::GetPropValue(Obj, Prop, PreferStrings);
}

bool TRTTI::TryGetPropValueAsString(const TObject* Obj, PPropInfo Prop, String& Text) {
  Text.clear();
  if (!Prop) return false;
  Variant value;
  try {
    value = GetPropValue(Obj, Prop, true);
  } catch (const EPropertyConvertError&) {
    return false;  // methods, interfaces and records have no text form
  }
  Text = VarIsFloat(value) ? FloatToStr(value.AsDouble(), InvariantFormatSettings()) : VarToStr(value);
  return true;
}

String TRTTI::GetPropValueAsString(const TObject* Obj, PPropInfo Prop) {
  String text;
  TryGetPropValueAsString(Obj, Prop, text);
  return text;
}

String TRTTI::GetPropValueAsString(const TObject* Obj, StringView Name) {
  if (!Obj) return String();
  return GetPropValueAsString(Obj, GetPropInfo(Obj, Name, {mvPublished}));
}

void TRTTI::SetPropValueFromString(TObject* Obj, PPropInfo Prop, const String& Text) {
  if (!Prop) return;
  if (!Prop->HasSetter()) RaiseReadOnly(Prop);
  switch (Prop->PropType->Kind) {
    case tkEnumeration: {
      Integer value = GetEnumValue(Prop->PropType, Text);
      if (value < 0) {
        const TTypeData& data = Prop->PropType->Data;
        if (!TryStrToInt(Text, value) || value < data.MinValue || value > data.MaxValue)
          throw EPropertyConvertError(u"Can't set \"%s\" to \"%s\"", {Text, Prop->Name});
      }
      SetOrdProp(Obj, Prop, value);
      break;
    }
    case tkFloat:
      SetFloatProp(Obj, Prop, StrToFloat(Text, InvariantFormatSettings()));
      break;
    default:
      ::SetPropValue(Obj, Prop, Variant(Text));
  }
}

void TRTTI::SetPropValueFromString(TObject* Obj, StringView Name, const String& Text) {
  if (!Obj) return;
  SetPropValueFromString(Obj, GetPropInfo(Obj, Name, {mvPublished}), Text);
}

void TRTTI::SetPropValue(TObject* Obj, PPropInfo Prop, const Variant& Value) {
  if (!Prop->HasSetter()) RaiseReadOnly(Prop);
  if (IsBooleanProp(Prop) && VarIsNumeric(Value)) {
    SetBooleanProp(Obj, Prop, std::trunc(Value.AsDouble()) != 0);
    return;
  }
  ::SetPropValue(Obj, Prop, Value);
}

void TRTTI::SetBooleanProp(TObject* Obj, PPropInfo Prop, bool Value) { SetOrdProp(Obj, Prop, Value ? 1 : 0); }

TObject* TRTTI::GetObjectProp(const TObject* Obj, StringView Name, TClass MinClass) {
  if (!Obj) return nullptr;
  PPropInfo p = ::GetPropInfo(Obj->ClassType(), Name, TTypeKinds{tkClass});
  if (!p) return nullptr;
  TObject* value = ::GetObjectProp(Obj, p);
  if (value && MinClass && !value->InheritsFrom(MinClass)) return nullptr;
  return value;
}

void TRTTI::EnumObjects(TObject* Obj, TClass Wanted, const std::function<void(TObject*)>& Proc, bool Recursive,
                        const TMemberVisibilities& Visibilities) {
  for (PPropInfo p : ::GetPropList(GetRttiType(Obj), TMemberVisibilities::All())) {
    if (p->PropType->Kind != tkClass || !Visibilities.Contains(p->Visibility)) continue;
    TObject* value = ::GetObjectProp(Obj, p);
    if (!value || value->InheritsFrom(TComponent::StaticClass())) continue;
    if (value->InheritsFrom(Wanted))
      Proc(value);
    else if (Recursive)
      EnumObjects(value, Wanted, Proc, Recursive, Visibilities);
  }
}

