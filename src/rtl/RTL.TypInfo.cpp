#include "rtl/RTL.TypInfo.h"

#include <algorithm>
#include <deque>
#include <mutex>
#include <string>
#include <unordered_map>

#include "rtl/RTL.Interfaces.h"
#include "rtl/RTL.Variant.h"

namespace {
Char FoldAscii(Char C) { return (C >= u'a' && C <= u'z') ? static_cast<Char>(C - (u'a' - u'A')) : C; }

bool SameName(StringView A, StringView B) {
  if (A.size() != B.size()) return false;
  for (size_t i = 0; i < A.size(); ++i)
    if (FoldAscii(A[i]) != FoldAscii(B[i])) return false;
  return true;
}

struct TNameHash {
  using is_transparent = void;
  size_t operator()(StringView Name) const {
    size_t h = 14695981039346656037ull;
    for (Char c : Name) h = (h ^ FoldAscii(c)) * 1099511628211ull;
    return h;
  }
};
struct TNameEqual {
  using is_transparent = void;
  bool operator()(StringView A, StringView B) const { return SameName(A, B); }
};

// Type records made at run time (enumerations, sets, classes...). They are immutable once made
// and live as long as the process: the function-local statics of TypeInfo<T> point at them.
std::deque<TTypeInfo>& MadeTypes() {
  static std::deque<TTypeInfo> types;
  return types;
}

TTypeInfo& NewType(TTypeKind Kind, StringView Name) {
  static std::mutex lock;
  std::lock_guard guard(lock);
  return MadeTypes().emplace_back(Kind, Name);
}

StringView Trim(StringView Text) {
  while (!Text.empty() && (Text.front() == u' ' || Text.front() == u'\t')) Text.remove_prefix(1);
  while (!Text.empty() && (Text.back() == u' ' || Text.back() == u'\t')) Text.remove_suffix(1);
  return Text;
}

// "TOuter::TKind" -> "TKind"
String Unqualified(StringView Name) {
  const size_t pos = Name.rfind(u"::");
  return String(pos == StringView::npos ? Name : Name.substr(pos + 2));
}
}  // namespace

// The property table of one class.
class TClassProperties {
 public:
  TClass Class = nullptr;
  // Declared by this class, any visibility, in declaration order.
  std::vector<std::unique_ptr<TPropInfo>> Own;
  // Own and inherited, any visibility, inherited first.
  std::vector<PPropInfo> All;
  std::vector<PPropInfo> Published;
  std::unordered_map<String, PPropInfo, TNameHash, TNameEqual> ByName;
};

namespace {
std::vector<TClassProperties*>& Tables() {
  static std::vector<TClassProperties*> tables;
  return tables;
}

// The table of the class or of its nearest ancestor that has one.
const TClassProperties* FindTable(TClass AClass) {
  for (TClass c = AClass; c; c = c->ClassParent())
    if (c->GetProperties()) return c->GetProperties();
  return nullptr;
}

[[noreturn]] void RaiseInvalidType(PPropInfo PropInfo) {
  throw EPropertyError(u"Invalid property type: %s",
                       {PropInfo->PropType->Name.empty() ? PropInfo->Name : PropInfo->PropType->Name});
}

void RequireKind(PPropInfo PropInfo, const TTypeKinds& Kinds) {
  if (!Kinds.Contains(PropInfo->PropType->Kind)) RaiseInvalidType(PropInfo);
}

PPropInfo Required(const TObject* Instance, StringView PropName) { return FindPropInfo(Instance, PropName); }

// The element type of a set type (or the type itself when given an element type).
PTypeInfo ElementType(PTypeInfo SetType) {
  if (SetType && SetType->Kind == tkSet) return SetType->Data.CompType;
  return SetType;
}

UInt64 SetMask(PTypeInfo Element) {
  const Int64 high = std::min<Int64>(Element->Data.MaxInt64Value, 63);
  return high >= 63 ? ~UInt64(0) : (UInt64(1) << (high + 1)) - 1;
}

[[noreturn]] void RaiseRange(PPropInfo PropInfo, Int64 Value) {
  throw ERangeError(u"Value %d is out of range for property %s", {Value, PropInfo->Name});
}

// Checks an ordinal against the property's type; returns the value to store.
Int64 CheckOrdinal(PPropInfo PropInfo, Int64 Value) {
  const TTypeData& data = PropInfo->PropType->Data;
  switch (PropInfo->PropType->Kind) {
    case tkEnumeration:
    case tkChar:
    case tkWChar:
      if (Value < data.MinInt64Value || Value > data.MaxInt64Value) RaiseRange(PropInfo, Value);
      return Value;
    case tkInteger: {
      // Either reading of the type's width is accepted (a colour written as 0xFF000005 or as
      // its signed value), anything wider is not.
      Int64 low = INT32_MIN, high = UINT32_MAX;
      if (data.OrdType == otSWord || data.OrdType == otUWord) low = INT16_MIN, high = UINT16_MAX;
      if (data.OrdType == otSByte || data.OrdType == otUByte) low = INT8_MIN, high = UINT8_MAX;
      if (Value < low || Value > high) RaiseRange(PropInfo, Value);
      return Value;
    }
    case tkSet: {
      const UInt64 mask = SetMask(data.CompType);
      UInt64 bits = static_cast<UInt64>(Value);
      // A set of up to 32 elements may arrive as a negative 32-bit number.
      if (Value < 0 && Value >= INT32_MIN && mask <= UINT32_MAX) bits &= UINT32_MAX;
      if (bits & ~mask) RaiseRange(PropInfo, Value);
      return static_cast<Int64>(bits);
    }
    default:
      return Value;
  }
}

// An unsigned 32-bit (or narrower) value read back through a signed conversion is made non-negative.
Int64 NormalizeOrdinal(PPropInfo PropInfo, Int64 Value) {
  const TTypeData& data = PropInfo->PropType->Data;
  if (PropInfo->PropType->Kind == tkInteger) {
    if (data.OrdType == otULong) return static_cast<Int64>(static_cast<uint32_t>(Value));
    if (data.OrdType == otUWord) return static_cast<Int64>(static_cast<uint16_t>(Value));
    if (data.OrdType == otUByte) return static_cast<Int64>(static_cast<uint8_t>(Value));
  }
  return Value;
}
}  // namespace

// ---- type records -----------------------------------------------------------------------------------

bool IsTypeOrAlias(PTypeInfo Type, PTypeInfo Of) {
  for (PTypeInfo t = Type; t; t = t->Data.BaseType)
    if (t == Of) return true;
  return false;
}

namespace detail {
PTypeInfo MakeOrdinalType(TTypeKind Kind, StringView Name, TOrdType OrdType, Int64 Min, Int64 Max) {
  TTypeInfo& t = NewType(Kind, Name);
  t.Data.OrdType = OrdType;
  t.Data.MinInt64Value = Min;
  t.Data.MaxInt64Value = Max;
  t.Data.MinValue = static_cast<Integer>(Min);
  t.Data.MaxValue = static_cast<Integer>(Max);
  return &t;
}

PTypeInfo MakeEnumType(StringView Name, TOrdType OrdType, const char* CommaSeparatedNames) {
  std::vector<String> names;
  const String all = AsciiToString(CommaSeparatedNames);
  StringView rest = all;
  while (!rest.empty()) {
    const size_t comma = rest.find(u',');
    names.push_back(Unqualified(Trim(rest.substr(0, comma))));
    if (comma == StringView::npos) break;
    rest.remove_prefix(comma + 1);
  }
  PTypeInfo type = MakeOrdinalType(tkEnumeration, Unqualified(Name), OrdType, 0, static_cast<Int64>(names.size()) - 1);
  const_cast<TTypeInfo*>(type)->Data.EnumNames = std::move(names);
  return type;
}

PTypeInfo MakeSetType(StringView Name, PTypeInfo CompType) {
  TTypeInfo& t = NewType(tkSet, Name.empty() ? u"set of " + CompType->Name : String(Name));
  t.Data.CompType = CompType;
  const Int64 high = CompType->Data.MaxInt64Value;
  t.Data.OrdType = high < 8 ? otUByte : high < 16 ? otUWord : otULong;
  return &t;
}

PTypeInfo MakeFloatType(StringView Name, TFloatType FloatType) {
  TTypeInfo& t = NewType(tkFloat, Name);
  t.Data.FloatType = FloatType;
  return &t;
}

PTypeInfo MakeSimpleType(TTypeKind Kind, StringView Name) { return &NewType(Kind, Name); }

PTypeInfo MakeClassType(TClass Class) {
  TTypeInfo& t = NewType(tkClass, Class->ClassName());
  t.Data.ClassType = Class;
  return &t;
}

PTypeInfo MakeInterfaceType(const TGUID* Guid, PTypeInfo Parent) {
  TTypeInfo& t = NewType(tkInterface, Guid->ToString());
  t.Data.Guid = Guid;
  t.Data.IntfParent = Parent;
  return &t;
}

String AnsiToString(const AnsiString& Value) { return UTF8ToString(Value); }
AnsiString StringToAnsi(const String& Value) { return StringToUTF8(Value); }

void RaiseObjectClassMismatch(const TObject* Value, TClass Wanted) {
  throw EInvalidCast(u"Invalid class typecast: %s is not a %s", {Value->ClassName(), Wanted->ClassName()});
}

IInterface* QueryForInterface(IInterface* Value, const TGUID& IID) {
  if (!Value) return nullptr;
  void* result = nullptr;
  if (Value->QueryInterface(IID, &result) != S_OK || !result) throw EInvalidCast(u"Interface not supported");
  return static_cast<IInterface*>(result);
}

// ---- accessors ---

TPropAccessor::~TPropAccessor() = default;

namespace {
[[noreturn]] void RaiseWrongCategory() { throw EPropertyError(u"Invalid property type"); }
}  // namespace

Int64 TPropAccessor::GetOrd(const TObject*) const { RaiseWrongCategory(); }
void TPropAccessor::SetOrd(TObject*, Int64) const { RaiseWrongCategory(); }
double TPropAccessor::GetFloat(const TObject*) const { RaiseWrongCategory(); }
void TPropAccessor::SetFloat(TObject*, double) const { RaiseWrongCategory(); }
String TPropAccessor::GetStr(const TObject*) const { RaiseWrongCategory(); }
void TPropAccessor::SetStr(TObject*, const String&) const { RaiseWrongCategory(); }
TObject* TPropAccessor::GetObj(const TObject*) const { RaiseWrongCategory(); }
void TPropAccessor::SetObj(TObject*, TObject*) const { RaiseWrongCategory(); }
TMethod TPropAccessor::GetMethod(const TObject*) const { RaiseWrongCategory(); }
void TPropAccessor::SetMethod(TObject*, const TMethod&) const { RaiseWrongCategory(); }
void TPropAccessor::GetVariant(const TObject*, Variant&) const { RaiseWrongCategory(); }
void TPropAccessor::SetVariant(TObject*, const Variant&) const { RaiseWrongCategory(); }
IInterface* TPropAccessor::GetIntf(const TObject*) const { RaiseWrongCategory(); }
void TPropAccessor::SetIntf(TObject*, IInterface*) const { RaiseWrongCategory(); }

// ---- declarations ---

TDeclarationScope::TDeclarationScope(TClass Class) : FClass(Class), FTable(new TClassProperties) {
  FTable->Class = Class;
}

TDeclarationScope::~TDeclarationScope() {
  if (!FCommitted) delete FTable;
}

TPropInfo* TDeclarationScope::Add(StringView Name, PTypeInfo Type, std::shared_ptr<const TPropAccessor> Accessor,
                                  Integer Index) {
  for (const auto& own : FTable->Own)
    if (SameName(own->Name, Name))
      throw EPropertyError(u"Property %s is declared twice in %s", {Name, FClass->ClassName()});
  auto info = std::make_unique<TPropInfo>();
  info->Name = String(Name);
  info->PropType = Type;
  info->DeclaringClass = FClass;
  info->Index = Index;
  info->FAccessor = std::move(Accessor);
  FTable->Own.push_back(std::move(info));
  return FTable->Own.back().get();
}

TPropInfo* TDeclarationScope::Redeclare(StringView Name) {
  const TClassProperties* parent = FClass->ClassParent() ? FindTable(FClass->ClassParent()) : nullptr;
  auto it = parent ? parent->ByName.find(Name) : decltype(parent->ByName.end())();
  if (!parent || it == parent->ByName.end())
    throw EPropertyError(u"Property %s is not declared by an ancestor of %s", {Name, FClass->ClassName()});
  const TPropInfo* inherited = it->second;
  TPropInfo* info = Add(inherited->Name, inherited->PropType, inherited->FAccessor, inherited->Index);
  info->Default = inherited->Default;
  info->FloatDefault = inherited->FloatDefault;
  info->StringDefault = inherited->StringDefault;
  info->FDefaultMode = inherited->FDefaultMode;
  info->StoredKind = inherited->StoredKind;
  info->StoredConstant = inherited->StoredConstant;
  info->FStoredTest = inherited->FStoredTest;
  info->Visibility = mvPublished;
  return info;
}

void TDeclarationScope::Commit() {
  TClassProperties& table = *FTable;
  if (const TClassProperties* parent = FClass->ClassParent() ? FindTable(FClass->ClassParent()) : nullptr) {
    table.All = parent->All;
    table.ByName = parent->ByName;
  }
  for (const auto& own : table.Own) {
    auto it = table.ByName.find(StringView(own->Name));
    if (it != table.ByName.end()) {
      // A redeclaration keeps the inherited property's place.
      own->NameIndex = it->second->NameIndex;
      table.All[own->NameIndex] = own.get();
      table.ByName.erase(it);
    } else {
      own->NameIndex = static_cast<Integer>(table.All.size());
      table.All.push_back(own.get());
    }
    table.ByName.emplace(own->Name, own.get());
  }
  for (PPropInfo p : table.All)
    if (p->Visibility == mvPublished) table.Published.push_back(p);
  FClass->SetProperties(FTable);
  Tables().push_back(FTable);
  FCommitted = true;
}

bool PropertiesDeclared(TClass Class) { return Class->GetProperties() != nullptr; }

void CheckAccess(const TObject* Instance, PPropInfo PropInfo, bool Write) {
  if (!PropInfo) throw EPropertyError(u"Property information is nil");
  if (!Instance) throw EArgumentNilException(u"Cannot access property %s of a nil object", {PropInfo->Name});
  if (!Instance->InheritsFrom(PropInfo->DeclaringClass))
    throw EPropertyError(u"Property %s does not belong to class %s", {PropInfo->Name, Instance->ClassName()});
  if (Write ? !PropInfo->HasSetter() : !PropInfo->HasGetter())
    throw EPropReadOnly(Write ? u"Property %s is read-only" : u"Property %s is write-only", {PropInfo->Name});
}

void RaiseValueTypeMismatch(PPropInfo PropInfo) {
  throw EPropertyError(u"Property %s is not of the requested type", {PropInfo->Name});
}

void TypInfoInitialization() {}

void TypInfoFinalization() {
  for (TClassProperties* table : Tables()) {
    table->Class->SetProperties(nullptr);
    delete table;
  }
  Tables().clear();
}
}  // namespace detail

// ---- TPropInfo ----

TPropInfo::TPropInfo() = default;
TPropInfo::~TPropInfo() = default;

bool TPropInfo::IsNoDefault() const {
  if (FDefaultMode == TDefaultMode::None) return true;
  // Ordinals without a declared default are never at their default.
  return FDefaultMode == TDefaultMode::Implicit && PropType &&
         (PropType->Kind == tkInteger || PropType->Kind == tkChar || PropType->Kind == tkEnumeration ||
          PropType->Kind == tkSet || PropType->Kind == tkWChar);
}
bool TPropInfo::HasGetter() const { return FAccessor && FAccessor->CanRead(); }
bool TPropInfo::HasSetter() const { return FAccessor && FAccessor->CanWrite(); }

TCustomAttribute* TPropInfo::GetAttribute(TClass AttributeClass) const {
  for (const auto& a : FAttributes)
    if (a->InheritsFrom(AttributeClass)) return a.get();
  return nullptr;
}

// ---- lookups ----

std::vector<PPropInfo> GetPropList(TClass AClass) {
  const TClassProperties* table = AClass ? FindTable(AClass) : nullptr;
  return table ? table->Published : std::vector<PPropInfo>();
}

std::vector<PPropInfo> GetPropList(const TObject* Instance) {
  return Instance ? GetPropList(Instance->ClassType()) : std::vector<PPropInfo>();
}

std::vector<PPropInfo> GetPropList(TClass AClass, const TTypeKinds& Kinds) {
  std::vector<PPropInfo> result;
  for (PPropInfo p : GetPropList(AClass))
    if (Kinds.Contains(p->PropType->Kind)) result.push_back(p);
  return result;
}

std::vector<PPropInfo> GetPropList(TClass AClass, const TMemberVisibilities& Visibilities) {
  std::vector<PPropInfo> result;
  if (const TClassProperties* table = AClass ? FindTable(AClass) : nullptr)
    for (PPropInfo p : table->All)
      if (Visibilities.Contains(p->Visibility)) result.push_back(p);
  return result;
}

Integer GetPropCount(TClass AClass) {
  const TClassProperties* table = AClass ? FindTable(AClass) : nullptr;
  return table ? static_cast<Integer>(table->Published.size()) : 0;
}

PPropInfo GetPropInfo(TClass AClass, StringView PropName, const TMemberVisibilities& Visibilities) {
  const TClassProperties* table = AClass ? FindTable(AClass) : nullptr;
  if (!table) return nullptr;
  auto it = table->ByName.find(PropName);
  if (it == table->ByName.end() || !Visibilities.Contains(it->second->Visibility)) return nullptr;
  return it->second;
}

PPropInfo GetPropInfo(TClass AClass, StringView PropName) {
  return GetPropInfo(AClass, PropName, TMemberVisibilities{mvPublished});
}

PPropInfo GetPropInfo(const TObject* Instance, StringView PropName) {
  return Instance ? GetPropInfo(Instance->ClassType(), PropName) : nullptr;
}

PPropInfo GetPropInfo(TClass AClass, StringView PropName, const TTypeKinds& Kinds) {
  PPropInfo p = GetPropInfo(AClass, PropName);
  return p && Kinds.Contains(p->PropType->Kind) ? p : nullptr;
}

PPropInfo GetDeclaredPropInfo(TClass AClass, StringView PropName) {
  const TClassProperties* table = AClass ? AClass->GetProperties() : nullptr;
  if (!table) return nullptr;
  for (const auto& p : table->Own)
    if (SameName(p->Name, PropName)) return p.get();
  return nullptr;
}

bool HasPropertyTable(TClass AClass) { return AClass && FindTable(AClass); }

PPropInfo FindPropInfo(const TObject* Instance, StringView PropName) {
  PPropInfo p = GetPropInfo(Instance, PropName);
  if (!p) throw EPropertyError(u"Property %s does not exist", {PropName});
  return p;
}

bool IsPublishedProp(const TObject* Instance, StringView PropName) { return GetPropInfo(Instance, PropName); }
bool IsPublishedProp(TClass AClass, StringView PropName) { return GetPropInfo(AClass, PropName); }

TTypeKind PropType(TClass AClass, StringView PropName) {
  PPropInfo p = GetPropInfo(AClass, PropName);
  if (!p) throw EPropertyError(u"Property %s does not exist", {PropName});
  return p->PropType->Kind;
}
TTypeKind PropType(const TObject* Instance, StringView PropName) { return PropType(Instance->ClassType(), PropName); }
bool PropIsType(TClass AClass, StringView PropName, TTypeKind TypeKind) {
  return PropType(AClass, PropName) == TypeKind;
}
bool PropIsType(const TObject* Instance, StringView PropName, TTypeKind TypeKind) {
  return PropType(Instance, PropName) == TypeKind;
}

TClass GetObjectPropClass(PPropInfo PropInfo) {
  if (!PropInfo || PropInfo->PropType->Kind != tkClass) return nullptr;
  return PropInfo->PropType->Data.ClassType;
}

// ---- values ----

Int64 GetOrdProp(const TObject* Instance, PPropInfo PropInfo) {
  detail::CheckAccess(Instance, PropInfo, false);
  RequireKind(PropInfo, tkOrdinal);
  return NormalizeOrdinal(PropInfo, PropInfo->Accessor().GetOrd(Instance));
}
Int64 GetOrdProp(const TObject* Instance, StringView PropName) {
  return GetOrdProp(Instance, Required(Instance, PropName));
}

void SetOrdProp(TObject* Instance, PPropInfo PropInfo, Int64 Value) {
  detail::CheckAccess(Instance, PropInfo, true);
  RequireKind(PropInfo, tkOrdinal);
  PropInfo->Accessor().SetOrd(Instance, CheckOrdinal(PropInfo, Value));
}
void SetOrdProp(TObject* Instance, StringView PropName, Int64 Value) {
  SetOrdProp(Instance, Required(Instance, PropName), Value);
}

Int64 GetInt64Prop(const TObject* Instance, PPropInfo PropInfo) { return GetOrdProp(Instance, PropInfo); }
Int64 GetInt64Prop(const TObject* Instance, StringView PropName) { return GetOrdProp(Instance, PropName); }
void SetInt64Prop(TObject* Instance, PPropInfo PropInfo, Int64 Value) { SetOrdProp(Instance, PropInfo, Value); }
void SetInt64Prop(TObject* Instance, StringView PropName, Int64 Value) { SetOrdProp(Instance, PropName, Value); }

double GetFloatProp(const TObject* Instance, PPropInfo PropInfo) {
  detail::CheckAccess(Instance, PropInfo, false);
  RequireKind(PropInfo, TTypeKinds{tkFloat});
  return PropInfo->Accessor().GetFloat(Instance);
}
double GetFloatProp(const TObject* Instance, StringView PropName) {
  return GetFloatProp(Instance, Required(Instance, PropName));
}
void SetFloatProp(TObject* Instance, PPropInfo PropInfo, double Value) {
  detail::CheckAccess(Instance, PropInfo, true);
  RequireKind(PropInfo, TTypeKinds{tkFloat});
  PropInfo->Accessor().SetFloat(Instance, Value);
}
void SetFloatProp(TObject* Instance, StringView PropName, double Value) {
  SetFloatProp(Instance, Required(Instance, PropName), Value);
}

String GetStrProp(const TObject* Instance, PPropInfo PropInfo) {
  detail::CheckAccess(Instance, PropInfo, false);
  RequireKind(PropInfo, tkStrings);
  return PropInfo->Accessor().GetStr(Instance);
}
String GetStrProp(const TObject* Instance, StringView PropName) {
  return GetStrProp(Instance, Required(Instance, PropName));
}
void SetStrProp(TObject* Instance, PPropInfo PropInfo, const String& Value) {
  detail::CheckAccess(Instance, PropInfo, true);
  RequireKind(PropInfo, tkStrings);
  PropInfo->Accessor().SetStr(Instance, Value);
}
void SetStrProp(TObject* Instance, StringView PropName, const String& Value) {
  SetStrProp(Instance, Required(Instance, PropName), Value);
}

String GetEnumProp(const TObject* Instance, PPropInfo PropInfo) {
  const Int64 value = GetOrdProp(Instance, PropInfo);
  return GetEnumName(PropInfo->PropType, static_cast<Integer>(value));
}
String GetEnumProp(const TObject* Instance, StringView PropName) {
  return GetEnumProp(Instance, Required(Instance, PropName));
}
void SetEnumProp(TObject* Instance, PPropInfo PropInfo, StringView Value) {
  detail::CheckAccess(Instance, PropInfo, true);
  RequireKind(PropInfo, TTypeKinds{tkEnumeration});
  const Integer ordinal = GetEnumValue(PropInfo->PropType, Trim(Value));
  if (ordinal < 0) throw EPropertyConvertError(u"Invalid property element: %s", {Value});
  SetOrdProp(Instance, PropInfo, ordinal);
}
void SetEnumProp(TObject* Instance, StringView PropName, StringView Value) {
  SetEnumProp(Instance, Required(Instance, PropName), Value);
}

String GetSetProp(const TObject* Instance, PPropInfo PropInfo, bool Brackets) {
  detail::CheckAccess(Instance, PropInfo, false);
  RequireKind(PropInfo, TTypeKinds{tkSet});
  return SetToString(PropInfo->PropType, GetOrdProp(Instance, PropInfo), Brackets);
}
String GetSetProp(const TObject* Instance, StringView PropName, bool Brackets) {
  return GetSetProp(Instance, Required(Instance, PropName), Brackets);
}
void SetSetProp(TObject* Instance, PPropInfo PropInfo, StringView Value) {
  detail::CheckAccess(Instance, PropInfo, true);
  RequireKind(PropInfo, TTypeKinds{tkSet});
  SetOrdProp(Instance, PropInfo, StringToSet(PropInfo->PropType, Value));
}
void SetSetProp(TObject* Instance, StringView PropName, StringView Value) {
  SetSetProp(Instance, Required(Instance, PropName), Value);
}

TObject* GetObjectProp(const TObject* Instance, PPropInfo PropInfo) {
  detail::CheckAccess(Instance, PropInfo, false);
  RequireKind(PropInfo, TTypeKinds{tkClass});
  return PropInfo->Accessor().GetObj(Instance);
}
TObject* GetObjectProp(const TObject* Instance, StringView PropName, TClass MinClass) {
  TObject* result = GetObjectProp(Instance, Required(Instance, PropName));
  return result && MinClass && !result->InheritsFrom(MinClass) ? nullptr : result;
}
void SetObjectProp(TObject* Instance, PPropInfo PropInfo, TObject* Value) {
  detail::CheckAccess(Instance, PropInfo, true);
  RequireKind(PropInfo, TTypeKinds{tkClass});
  PropInfo->Accessor().SetObj(Instance, Value);
}
void SetObjectProp(TObject* Instance, StringView PropName, TObject* Value) {
  SetObjectProp(Instance, Required(Instance, PropName), Value);
}

TMethod GetMethodProp(const TObject* Instance, PPropInfo PropInfo) {
  detail::CheckAccess(Instance, PropInfo, false);
  RequireKind(PropInfo, TTypeKinds{tkMethod});
  return PropInfo->Accessor().GetMethod(Instance);
}
TMethod GetMethodProp(const TObject* Instance, StringView PropName) {
  return GetMethodProp(Instance, Required(Instance, PropName));
}
void SetMethodProp(TObject* Instance, PPropInfo PropInfo, const TMethod& Value) {
  detail::CheckAccess(Instance, PropInfo, true);
  RequireKind(PropInfo, TTypeKinds{tkMethod});
  PropInfo->Accessor().SetMethod(Instance, Value);
}
void SetMethodProp(TObject* Instance, StringView PropName, const TMethod& Value) {
  SetMethodProp(Instance, Required(Instance, PropName), Value);
}

IPtr<IInterface> GetInterfaceProp(const TObject* Instance, PPropInfo PropInfo) {
  detail::CheckAccess(Instance, PropInfo, false);
  RequireKind(PropInfo, TTypeKinds{tkInterface});
  return IPtr<IInterface>::Adopt(PropInfo->Accessor().GetIntf(Instance));
}
void SetInterfaceProp(TObject* Instance, PPropInfo PropInfo, IInterface* Value) {
  detail::CheckAccess(Instance, PropInfo, true);
  RequireKind(PropInfo, TTypeKinds{tkInterface});
  PropInfo->Accessor().SetIntf(Instance, Value);
}

Variant GetVariantProp(const TObject* Instance, PPropInfo PropInfo) {
  detail::CheckAccess(Instance, PropInfo, false);
  RequireKind(PropInfo, TTypeKinds{tkVariant});
  Variant result;
  PropInfo->Accessor().GetVariant(Instance, result);
  return result;
}
Variant GetVariantProp(const TObject* Instance, StringView PropName) {
  return GetVariantProp(Instance, Required(Instance, PropName));
}
void SetVariantProp(TObject* Instance, PPropInfo PropInfo, const Variant& Value) {
  detail::CheckAccess(Instance, PropInfo, true);
  RequireKind(PropInfo, TTypeKinds{tkVariant});
  PropInfo->Accessor().SetVariant(Instance, Value);
}
void SetVariantProp(TObject* Instance, StringView PropName, const Variant& Value) {
  SetVariantProp(Instance, Required(Instance, PropName), Value);
}

namespace {
[[noreturn]] void RaiseNoVariant(PPropInfo PropInfo) {
  throw EPropertyConvertError(u"Invalid property type: %s",
                              {PropInfo->PropType->Name.empty() ? PropInfo->Name : PropInfo->PropType->Name});
}

bool IsBooleanType(PTypeInfo Type) { return IsTypeOrAlias(Type, TypeInfo<bool>()); }

bool IsText(const Variant& Value) {
  const TVarType t = Value.VarType();
  return t == varUString || t == varString || t == varOleStr;
}
}  // namespace

Variant GetPropValue(const TObject* Instance, PPropInfo PropInfo, bool PreferStrings) {
  detail::CheckAccess(Instance, PropInfo, false);
  const TTypeData& data = PropInfo->PropType->Data;
  switch (PropInfo->PropType->Kind) {
    case tkInteger:
    case tkChar:
    case tkWChar: {
      const Int64 value = GetOrdProp(Instance, PropInfo);
      if (data.OrdType == otULong) return Variant(static_cast<Cardinal>(value));
      return Variant(static_cast<Integer>(value));
    }
    case tkEnumeration:
      if (PreferStrings) return Variant(GetEnumProp(Instance, PropInfo));
      if (IsBooleanType(PropInfo->PropType)) return Variant(GetOrdProp(Instance, PropInfo) != 0);
      return Variant(static_cast<Integer>(GetOrdProp(Instance, PropInfo)));
    case tkSet:
      if (PreferStrings) return Variant(GetSetProp(Instance, PropInfo));
      return Variant(GetOrdProp(Instance, PropInfo));
    case tkFloat:
      if (IsTypeOrAlias(PropInfo->PropType, TypeInfo<TDateTime>()))
        return Variant(TDateTime(GetFloatProp(Instance, PropInfo)));
      return Variant(GetFloatProp(Instance, PropInfo));
    case tkString:
    case tkLString:
    case tkWString:
    case tkUString:
      return Variant(GetStrProp(Instance, PropInfo));
    case tkInt64:
      if (data.OrdType == otULong) return Variant(static_cast<UInt64>(GetInt64Prop(Instance, PropInfo)));
      return Variant(GetInt64Prop(Instance, PropInfo));
    case tkVariant:
      return GetVariantProp(Instance, PropInfo);
    case tkClass:
      return Variant(static_cast<UInt64>(reinterpret_cast<uintptr_t>(GetObjectProp(Instance, PropInfo))));
    default:
      RaiseNoVariant(PropInfo);
  }
}
Variant GetPropValue(const TObject* Instance, StringView PropName, bool PreferStrings) {
  return GetPropValue(Instance, Required(Instance, PropName), PreferStrings);
}

void SetPropValue(TObject* Instance, PPropInfo PropInfo, const Variant& Value) {
  detail::CheckAccess(Instance, PropInfo, true);
  switch (PropInfo->PropType->Kind) {
    case tkInteger:
      SetOrdProp(Instance, PropInfo, Value.AsInt64());
      return;
    case tkChar:
    case tkWChar:
      if (IsText(Value)) {
        const String text = Value.AsString();
        if (text.size() != 1) throw EPropertyConvertError(u"Invalid property value");
        SetOrdProp(Instance, PropInfo, text[0]);
      } else {
        SetOrdProp(Instance, PropInfo, Value.AsInt64());
      }
      return;
    case tkEnumeration:
      if (IsText(Value)) {
        SetEnumProp(Instance, PropInfo, Value.AsString());
      } else if (IsBooleanType(PropInfo->PropType)) {
        SetOrdProp(Instance, PropInfo, Value.AsBoolean() ? 1 : 0);
      } else {
        SetOrdProp(Instance, PropInfo, Value.AsInt64());
      }
      return;
    case tkSet:
      if (IsText(Value))
        SetSetProp(Instance, PropInfo, Value.AsString());
      else
        SetOrdProp(Instance, PropInfo, Value.AsInt64());
      return;
    case tkFloat:
      SetFloatProp(Instance, PropInfo, Value.AsDouble());
      return;
    case tkString:
    case tkLString:
    case tkWString:
    case tkUString:
      SetStrProp(Instance, PropInfo, VarToStr(Value));
      return;
    case tkInt64:
      SetInt64Prop(
          Instance, PropInfo,
          PropInfo->PropType->Data.OrdType == otULong ? static_cast<Int64>(Value.AsUInt64()) : Value.AsInt64());
      return;
    case tkVariant:
      SetVariantProp(Instance, PropInfo, Value);
      return;
    default:
      RaiseNoVariant(PropInfo);
  }
}
void SetPropValue(TObject* Instance, StringView PropName, const Variant& Value) {
  SetPropValue(Instance, Required(Instance, PropName), Value);
}

// ---- enumeration and set names ----

String GetEnumName(PTypeInfo TypeInfo, Integer Value) {
  if (!TypeInfo) return String();
  if (TypeInfo->Kind == tkEnumeration) {
    const auto& names = TypeInfo->Data.EnumNames;
    return Value >= 0 && static_cast<size_t>(Value) < names.size() ? names[Value] : String();
  }
  return AsciiToString(std::to_string(Value));
}

Integer GetEnumValue(PTypeInfo TypeInfo, StringView Name) {
  if (!TypeInfo || TypeInfo->Kind != tkEnumeration) return -1;
  const auto& names = TypeInfo->Data.EnumNames;
  for (size_t i = 0; i < names.size(); ++i)
    if (SameName(names[i], Name)) return static_cast<Integer>(i);
  return -1;
}

String SetToString(PTypeInfo SetType, Int64 Value, bool Brackets) {
  PTypeInfo element = ElementType(SetType);
  String result;
  if (Brackets) result += u'[';
  bool first = true;
  const UInt64 bits = static_cast<UInt64>(Value);
  for (Integer i = 0; i < 64; ++i) {
    if (!(bits >> i & 1)) continue;
    if (!first) result += u',';
    first = false;
    result += element && element->Kind == tkEnumeration ? GetEnumName(element, i) : AsciiToString(std::to_string(i));
  }
  if (Brackets) result += u']';
  return result;
}
String SetToString(PPropInfo PropInfo, Int64 Value, bool Brackets) {
  return SetToString(PropInfo->PropType, Value, Brackets);
}

Int64 StringToSet(PTypeInfo SetType, StringView Value) {
  PTypeInfo element = ElementType(SetType);
  StringView text = Trim(Value);
  if (!text.empty() && text.front() == u'[') {
    if (text.back() != u']') throw EPropertyConvertError(u"Invalid property element: %s", {Value});
    text = Trim(text.substr(1, text.size() - 2));
  }
  UInt64 bits = 0;
  while (!text.empty()) {
    const size_t comma = text.find(u',');
    const StringView name = Trim(text.substr(0, comma));
    const Integer ordinal = GetEnumValue(element, name);
    if (ordinal < 0 || ordinal > 63) throw EPropertyConvertError(u"Invalid property element: %s", {name});
    bits |= UInt64(1) << ordinal;
    if (comma == StringView::npos) break;
    text.remove_prefix(comma + 1);
  }
  return static_cast<Int64>(bits);
}
Int64 StringToSet(PPropInfo PropInfo, StringView Value) { return StringToSet(PropInfo->PropType, Value); }

// ---- storing ----

bool IsStoredProp(const TObject* Instance, PPropInfo PropInfo) {
  detail::CheckAccess(Instance, PropInfo, false);
  if (PropInfo->StoredKind == TStoredKind::Constant) return PropInfo->StoredConstant;
  return PropInfo->CallStoredTest(Instance);
}
bool IsStoredProp(const TObject* Instance, StringView PropName) {
  return IsStoredProp(Instance, Required(Instance, PropName));
}

bool IsDefaultPropertyValue(const TObject* Instance, PPropInfo PropInfo, const TObject* Ancestor) {
  detail::CheckAccess(Instance, PropInfo, false);
  const detail::TPropAccessor& acc = PropInfo->Accessor();
  if (Ancestor && !Ancestor->InheritsFrom(PropInfo->DeclaringClass)) Ancestor = nullptr;
  switch (PropInfo->PropType->Kind) {
    case tkInteger:
    case tkChar:
    case tkEnumeration:
    case tkSet:
    case tkWChar:
      if (Ancestor) return acc.GetOrd(Instance) == acc.GetOrd(Ancestor);
      return PropInfo->HasDefault() &&
             NormalizeOrdinal(PropInfo, acc.GetOrd(Instance)) == NormalizeOrdinal(PropInfo, PropInfo->Default);
    case tkInt64:
      if (Ancestor) return acc.GetOrd(Instance) == acc.GetOrd(Ancestor);
      return !PropInfo->IsNoDefault() && acc.GetOrd(Instance) == PropInfo->Default;
    case tkFloat:
      if (Ancestor) return acc.GetFloat(Instance) == acc.GetFloat(Ancestor);
      return !PropInfo->IsNoDefault() && acc.GetFloat(Instance) == PropInfo->FloatDefault;
    case tkString:
    case tkLString:
    case tkWString:
    case tkUString:
      if (Ancestor) return acc.GetStr(Instance) == acc.GetStr(Ancestor);
      return !PropInfo->IsNoDefault() && acc.GetStr(Instance) == PropInfo->StringDefault;
    case tkClass:
      if (Ancestor) return acc.GetObj(Instance) == acc.GetObj(Ancestor);
      return acc.GetObj(Instance) == nullptr;
    case tkMethod:
      if (Ancestor) return acc.GetMethod(Instance) == acc.GetMethod(Ancestor);
      return !acc.GetMethod(Instance).Assigned();
    case tkVariant: {
      Variant value;
      acc.GetVariant(Instance, value);
      if (!Ancestor) return !PropInfo->IsNoDefault() && value.IsEmpty();
      Variant other;
      acc.GetVariant(Ancestor, other);
      if (value.VarType() != other.VarType() || value.IsArray() || other.IsArray()) return false;
      return value.IsEmpty() || value.IsNull() || VarToStr(value) == VarToStr(other);
    }
    case tkInterface: {
      IPtr<IInterface> value = IPtr<IInterface>::Adopt(acc.GetIntf(Instance));
      if (Ancestor) return value == IPtr<IInterface>::Adopt(acc.GetIntf(Ancestor));
      return value == nullptr;
    }
    default:
      return false;
  }
}
