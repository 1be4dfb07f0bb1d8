#pragma once
// Type information and published properties: what the object inspector, the skin schema, the
// bindings, the script host and component streaming read and write objects through.
//
// A class declares its properties once, in a static DeclareProperties, one line a property:
//
//   class TZCLButton : public TZCLCustomControl {
//     ZCL_CLASS(TZCLButton, TZCLCustomControl)
//    public:
//     static void DeclareProperties(TClassDeclaration<TZCLButton>& D);
//     ...
//   };
//
//   void TZCLButton::DeclareProperties(TClassDeclaration<TZCLButton>& D) {
//     D.Property(u"Caption", &TZCLButton::GetCaption, &TZCLButton::SetCaption).Default(u"");
//     D.Property(u"Kind", &TZCLButton::GetKind, &TZCLButton::SetKind).Default(bkNormal);
//     D.Property(u"Color", &TZCLButton::GetColor, &TZCLButton::SetColor).Type(TypeInfoTColor());
//     D.Property(u"Left", 0, &TZCLButton::GetCoord, &TZCLButton::SetCoord);   // indexed
//     D.Property(u"Count", &TZCLButton::GetCount);                            // read-only
//     D.Property(u"Tag", &TZCLButton::FTag).Stored(&TZCLButton::IsTagStored); // a field
//     D.Publish(u"Visible");                                                   // inherited, now published
//     D.Event(u"OnClick", &TZCLButton::OnClick);
//   }
//
// and the unit's initialization calls RegisterProperties<TZCLButton>() (ancestors are declared
// first, automatically). Enumerations get their value names with one line after the type:
//
//   enum TButtonKind : Byte { bkNormal, bkDefault, bkCancel };
//   ZCL_ENUM(TButtonKind, bkNormal, bkDefault, bkCancel);
//
// Property lists are in declaration order, inherited first; a redeclared property keeps the
// inherited one's place. Names are compared ignoring case.

#include <functional>
#include <initializer_list>
#include <memory>
#include <type_traits>
#include <vector>

#include "rtl/RTL.Delegates.h"
#include "rtl/RTL.Objects.h"
#include "rtl/RTL.Set.h"

class Variant;
struct TDateTime;
struct TGUID;
struct IInterface;
template <class I>
class IPtr;

// Kinds, numbered as the platform numbers them (stored data and editor tables use the numbers).
enum TTypeKind : Byte {
  tkUnknown,
  tkInteger,
  tkChar,
  tkEnumeration,
  tkFloat,
  tkString,
  tkSet,
  tkClass,
  tkMethod,
  tkWChar,
  tkLString,
  tkWString,
  tkVariant,
  tkArray,
  tkRecord,
  tkInterface,
  tkInt64,
  tkDynArray,
  tkUString,
  tkClassRef,
  tkPointer,
  tkProcedure
};
constexpr Integer EnumHigh(TTypeKind) { return tkProcedure; }
using TTypeKinds = TSet<TTypeKind>;

inline const TTypeKinds tkOrdinal{tkInteger, tkChar, tkEnumeration, tkSet, tkWChar, tkInt64};
inline const TTypeKinds tkStrings{tkString, tkLString, tkWString, tkUString};
inline const TTypeKinds tkProperties = TTypeKinds::All() - TTypeKinds{tkUnknown, tkArray, tkDynArray, tkProcedure};

enum TFloatType : Byte { ftSingle, ftDouble, ftExtended, ftComp, ftCurr };
enum TMemberVisibility : Byte { mvPrivate, mvProtected, mvPublic, mvPublished };
constexpr Integer EnumHigh(TMemberVisibility) { return mvPublished; }
using TMemberVisibilities = TSet<TMemberVisibility>;

// What a type is, beyond its kind. Fields not of the kind are zero.
struct TTypeData {
  // Ordinal kinds. MinValue and MaxValue are 32-bit as the platform stores them: an unsigned
  // 32-bit type has MinValue 0 and MaxValue -1 (0xFFFFFFFF). The 64-bit forms are exact.
  TOrdType OrdType = otSLong;
  Integer MinValue = 0;
  Integer MaxValue = 0;
  Int64 MinInt64Value = 0;
  Int64 MaxInt64Value = 0;
  // Enumerations: the value names, ordinal 0 first.
  std::vector<String> EnumNames;
  // The type this one is a named alias of (TColor of Integer); null when it is no alias.
  PTypeInfo BaseType = nullptr;
  // Sets: the element type.
  PTypeInfo CompType = nullptr;
  TFloatType FloatType = ftDouble;
  // Class kind: the class of the values.
  TClass ClassType = nullptr;
  // Interface kind: its identifier and the type of its parent interface (null for the root).
  const TGUID* Guid = nullptr;
  PTypeInfo IntfParent = nullptr;
};

class TTypeInfo {
 public:
  TTypeInfo(TTypeKind AKind, StringView AName) : Kind(AKind), Name(AName) {}
  // A distinct named type with the same data as Base (TColor over Integer).
  TTypeInfo(StringView AName, PTypeInfo Base) : Kind(Base->Kind), Name(AName), Data(Base->Data) {
    Data.BaseType = Base;
  }
  TTypeInfo(const TTypeInfo&) = delete;
  TTypeInfo& operator=(const TTypeInfo&) = delete;

  TTypeKind Kind;
  String Name;
  TTypeData Data;
};

inline const TTypeData* GetTypeData(PTypeInfo TypeInfo) { return TypeInfo ? &TypeInfo->Data : nullptr; }
// True for Type and for every alias of it.
bool IsTypeOrAlias(PTypeInfo Type, PTypeInfo Of);

// ---- attributes --------------------------------------------------------------------------------

// Base of the markers placed on properties (a property owns its attributes).
class TCustomAttribute : public TObject {
  ZCL_CLASS(TCustomAttribute, TObject)
};

// ---- property information ----------------------------------------------------------------------

namespace detail {
class TPropAccessor;
class TDeclarationScope;
}  // namespace detail

enum class TStoredKind : Byte { Constant, Field, Method };

class TPropInfo;
using PPropInfo = const TPropInfo*;

// One property of a class. Handed out as PPropInfo; lives until the type information unit is
// finalized.
class TPropInfo {
 public:
  TPropInfo();
  ~TPropInfo();
  TPropInfo(const TPropInfo&) = delete;
  TPropInfo& operator=(const TPropInfo&) = delete;

  static constexpr Integer NoIndex = INT32_MIN;

  String Name;
  PTypeInfo PropType = nullptr;
  // The class whose declaration this is.
  TClass DeclaringClass = nullptr;
  TMemberVisibility Visibility = mvPublished;
  // An indexed property's index (passed to its getter and setter), NoIndex otherwise.
  Integer Index = NoIndex;
  // Position in its class's list of all properties.
  Integer NameIndex = 0;
  // Ordinal default: valid when HasDefault() (the platform's "nodefault" when not).
  Int64 Default = 0;
  // Defaults of floats and strings: zero and empty unless declared.
  double FloatDefault = 0;
  String StringDefault;
  TStoredKind StoredKind = TStoredKind::Constant;
  // The stored specifier when StoredKind is Constant.
  bool StoredConstant = true;

  bool HasDefault() const { return FDefaultMode == TDefaultMode::Explicit; }
  // Declared without a default (always stored when stored).
  bool IsNoDefault() const;
  bool HasGetter() const;
  bool HasSetter() const;
  bool IsReadOnly() const { return !HasSetter(); }
  // Always true: class-level properties are not declared through this table.
  bool IsInstanceProp() const { return true; }
  const std::vector<std::shared_ptr<TCustomAttribute>>& GetAttributes() const { return FAttributes; }
  // The first attribute of AttributeClass or a descendant; null when there is none.
  TCustomAttribute* GetAttribute(TClass AttributeClass) const;

  const detail::TPropAccessor& Accessor() const { return *FAccessor; }

 private:
  friend class detail::TDeclarationScope;
  template <class T, class V>
  friend class TPropertyDeclaration;
  enum class TDefaultMode : Byte { Implicit, Explicit, None };
  TDefaultMode FDefaultMode = TDefaultMode::Implicit;
  std::shared_ptr<const detail::TPropAccessor> FAccessor;
  std::function<bool(const TObject*)> FStoredTest;
  std::vector<std::shared_ptr<TCustomAttribute>> FAttributes;

 public:
  bool CallStoredTest(const TObject* Instance) const { return FStoredTest(Instance); }
};

// ---- type information of C++ types ---------------------------------------------------------------

namespace detail {
PTypeInfo MakeOrdinalType(TTypeKind Kind, StringView Name, TOrdType OrdType, Int64 Min, Int64 Max);
PTypeInfo MakeSetType(StringView Name, PTypeInfo CompType);
PTypeInfo MakeFloatType(StringView Name, TFloatType FloatType);
PTypeInfo MakeSimpleType(TTypeKind Kind, StringView Name);
PTypeInfo MakeClassType(TClass Class);
PTypeInfo MakeInterfaceType(const TGUID* Guid, PTypeInfo Parent);

template <class T>
struct TIsSet : std::false_type {};
template <class E, Integer H>
struct TIsSet<TSet<E, H>> : std::true_type {};
template <class T>
struct TIsDelegate : std::false_type {};
template <class Sig>
struct TIsDelegate<TDelegate<Sig>> : std::true_type {};
template <class T>
struct TIsIPtr : std::false_type {};
template <class I>
struct TIsIPtr<IPtr<I>> : std::true_type {};

template <class T>
concept ObjectPointer = std::is_pointer_v<T> && std::is_base_of_v<TObject, std::remove_cv_t<std::remove_pointer_t<T>>>;

template <class I>
PTypeInfo InterfaceTypeInfo() {
  if constexpr (std::is_same_v<I, IInterface>) {
    static const PTypeInfo info = MakeInterfaceType(&I::IID, nullptr);
    return info;
  } else {
    static const PTypeInfo info = MakeInterfaceType(&I::IID, InterfaceTypeInfo<typename I::TInterfaceBase>());
    return info;
  }
}

template <class T>
struct TAlwaysFalse : std::false_type {};
}  // namespace detail

// The type information of a C++ type. Enumerations need a ZCL_ENUM line; distinct aliases of
// numbers (TColor...) have their own functions below, passed to a declaration with .Type().
template <class T>
PTypeInfo TypeInfo() {
  using namespace detail;
  if constexpr (std::is_same_v<T, bool>) {
    static const PTypeInfo info = MakeEnumType(u"Boolean", otUByte, "False, True");
    return info;
  } else if constexpr (std::is_same_v<T, Char>) {
    static const PTypeInfo info = MakeOrdinalType(tkWChar, u"Char", otUWord, 0, 0xFFFF);
    return info;
  } else if constexpr (std::is_same_v<T, char>) {
    static const PTypeInfo info = MakeOrdinalType(tkChar, u"AnsiChar", otUByte, 0, 0xFF);
    return info;
  } else if constexpr (std::is_same_v<T, Integer>) {
    static const PTypeInfo info = MakeOrdinalType(tkInteger, u"Integer", otSLong, INT32_MIN, INT32_MAX);
    return info;
  } else if constexpr (std::is_same_v<T, Cardinal>) {
    static const PTypeInfo info = MakeOrdinalType(tkInteger, u"Cardinal", otULong, 0, UINT32_MAX);
    return info;
  } else if constexpr (std::is_same_v<T, SmallInt>) {
    static const PTypeInfo info = MakeOrdinalType(tkInteger, u"SmallInt", otSWord, INT16_MIN, INT16_MAX);
    return info;
  } else if constexpr (std::is_same_v<T, Word>) {
    static const PTypeInfo info = MakeOrdinalType(tkInteger, u"Word", otUWord, 0, UINT16_MAX);
    return info;
  } else if constexpr (std::is_same_v<T, ShortInt>) {
    static const PTypeInfo info = MakeOrdinalType(tkInteger, u"ShortInt", otSByte, INT8_MIN, INT8_MAX);
    return info;
  } else if constexpr (std::is_same_v<T, Byte>) {
    static const PTypeInfo info = MakeOrdinalType(tkInteger, u"Byte", otUByte, 0, UINT8_MAX);
    return info;
  } else if constexpr (std::is_integral_v<T> && sizeof(T) == 8) {
    static const PTypeInfo info = std::is_signed_v<T>
                                      ? MakeOrdinalType(tkInt64, u"Int64", otSLong, INT64_MIN, INT64_MAX)
                                      : MakeOrdinalType(tkInt64, u"UInt64", otULong, 0, INT64_MAX);
    return info;
  } else if constexpr (std::is_enum_v<T>) {
    return ZclEnumTypeInfo(static_cast<const T*>(nullptr));
  } else if constexpr (TIsSet<T>::value) {
    static const PTypeInfo info = MakeSetType(u"", TypeInfo<typename T::TElement>());
    return info;
  } else if constexpr (std::is_same_v<T, float>) {
    static const PTypeInfo info = MakeFloatType(u"Single", ftSingle);
    return info;
  } else if constexpr (std::is_same_v<T, double>) {
    static const PTypeInfo info = MakeFloatType(u"Double", ftDouble);
    return info;
  } else if constexpr (std::is_same_v<T, TDateTime>) {
    static const PTypeInfo info = MakeFloatType(u"TDateTime", ftDouble);
    return info;
  } else if constexpr (std::is_same_v<T, String>) {
    static const PTypeInfo info = MakeSimpleType(tkUString, u"string");
    return info;
  } else if constexpr (std::is_same_v<T, AnsiString>) {
    static const PTypeInfo info = MakeSimpleType(tkLString, u"AnsiString");
    return info;
  } else if constexpr (ObjectPointer<T>) {
    static const PTypeInfo info = MakeClassType(std::remove_cv_t<std::remove_pointer_t<T>>::StaticClass());
    return info;
  } else if constexpr (TIsDelegate<T>::value) {
    static const PTypeInfo info = MakeSimpleType(tkMethod, u"");
    return info;
  } else if constexpr (std::is_same_v<T, Variant>) {
    static const PTypeInfo info = MakeSimpleType(tkVariant, u"Variant");
    return info;
  } else if constexpr (TIsIPtr<T>::value) {
    return InterfaceTypeInfo<typename T::element_type>();
  } else {
    // Records and other values: reachable through GetPropAs<T> only.
    static const PTypeInfo info = MakeSimpleType(tkRecord, u"");
    return info;
  }
}

// Distinct aliases of numbers, for which property editors are registered.
#define ZCL_ALIAS_TYPE(Name, Base)                            \
  inline PTypeInfo TypeInfo##Name() {                         \
    static const TTypeInfo info(u"" #Name, TypeInfo<Base>()); \
    return &info;                                             \
  }
ZCL_ALIAS_TYPE(TColor, Integer)
ZCL_ALIAS_TYPE(TAlphaColor, Cardinal)
ZCL_ALIAS_TYPE(TCursor, SmallInt)
ZCL_ALIAS_TYPE(TShortCut, Word)
ZCL_ALIAS_TYPE(TImageIndex, Integer)

// ---- accessors (the typed bridge between a property and its getter and setter) ----------------

namespace detail {
enum class TValueCategory : Byte {
  Ordinal,
  Int64,
  Float,
  String,
  AnsiString,
  Object,
  Method,
  Variant,
  Interface,
  Other
};

template <class V>
constexpr TValueCategory CategoryOf() {
  if constexpr (std::is_same_v<V, bool> || std::is_enum_v<V> || TIsSet<V>::value)
    return TValueCategory::Ordinal;
  else if constexpr (std::is_integral_v<V>)
    return sizeof(V) == 8 ? TValueCategory::Int64 : TValueCategory::Ordinal;
  else if constexpr (std::is_floating_point_v<V> || std::is_same_v<V, TDateTime>)
    return TValueCategory::Float;
  else if constexpr (std::is_same_v<V, String>)
    return TValueCategory::String;
  else if constexpr (std::is_same_v<V, AnsiString>)
    return TValueCategory::AnsiString;
  else if constexpr (ObjectPointer<V>)
    return TValueCategory::Object;
  else if constexpr (TIsDelegate<V>::value)
    return TValueCategory::Method;
  else if constexpr (std::is_same_v<V, Variant>)
    return TValueCategory::Variant;
  else if constexpr (TIsIPtr<V>::value)
    return TValueCategory::Interface;
  else
    return TValueCategory::Other;
}

template <class V>
struct TValueKey {
  static constexpr char Key = 0;
};

String AnsiToString(const AnsiString& Value);
AnsiString StringToAnsi(const String& Value);
[[noreturn]] void RaiseObjectClassMismatch(const TObject* Value, TClass Wanted);
IInterface* QueryForInterface(IInterface* Value, const TGUID& IID);

// The untyped face of a property's getter and setter. Each Get/Set is implemented for the
// property's own category; the base raises. Range and class checks are made by the callers.
class TPropAccessor {
 public:
  virtual ~TPropAccessor();
  virtual bool CanRead() const = 0;
  virtual bool CanWrite() const = 0;
  virtual const void* ValueKey() const = 0;
  virtual Int64 GetOrd(const TObject* Instance) const;
  virtual void SetOrd(TObject* Instance, Int64 Value) const;
  virtual double GetFloat(const TObject* Instance) const;
  virtual void SetFloat(TObject* Instance, double Value) const;
  virtual String GetStr(const TObject* Instance) const;
  virtual void SetStr(TObject* Instance, const String& Value) const;
  virtual TObject* GetObj(const TObject* Instance) const;
  virtual void SetObj(TObject* Instance, TObject* Value) const;
  virtual TMethod GetMethod(const TObject* Instance) const;
  virtual void SetMethod(TObject* Instance, const TMethod& Value) const;
  virtual void GetVariant(const TObject* Instance, Variant& Out) const;
  virtual void SetVariant(TObject* Instance, const Variant& Value) const;
  // Interface kind: the value's IInterface, with a reference counted for the caller (or null).
  virtual IInterface* GetIntf(const TObject* Instance) const;
  // Interface kind: Value is queried for the property's interface; null clears.
  virtual void SetIntf(TObject* Instance, IInterface* Value) const;
  // Typed access: Out / In point to a value of the property's own C++ type.
  virtual void GetValue(const TObject* Instance, void* Out) const = 0;
  virtual void SetValue(TObject* Instance, const void* In) const = 0;
};

template <class G>
struct TGetterTraits;
template <class C, class R>
// clang-format off
  requires(!std::is_function_v<R>)
struct TGetterTraits<R C::*> {
  // clang-format on
  using TValue = R;
};
template <class C, class R, class... A>
struct TGetterTraits<R (C::*)(A...)> {
  using TValue = std::remove_cvref_t<R>;
};
template <class C, class R, class... A>
struct TGetterTraits<R (C::*)(A...) const> {
  using TValue = std::remove_cvref_t<R>;
};
template <class C, class R, class... A>
struct TGetterTraits<R (C::*)(A...) noexcept> {
  using TValue = std::remove_cvref_t<R>;
};
template <class C, class R, class... A>
struct TGetterTraits<R (C::*)(A...) const noexcept> {
  using TValue = std::remove_cvref_t<R>;
};

template <class T, class V, class G, class S, bool Indexed>
class TPropAccessorOf final : public TPropAccessor {
  static constexpr TValueCategory Cat = CategoryOf<V>();

 public:
  TPropAccessorOf(G Getter, S Setter, Integer Index) : FGetter(Getter), FSetter(Setter), FIndex(Index) {}

  bool CanRead() const override { return true; }
  bool CanWrite() const override { return !std::is_null_pointer_v<S>; }
  const void* ValueKey() const override { return &TValueKey<V>::Key; }

  Int64 GetOrd(const TObject* Instance) const override {
    if constexpr (Cat == TValueCategory::Ordinal || Cat == TValueCategory::Int64) {
      const V v = Read(Instance);
      if constexpr (TIsSet<V>::value)
        return static_cast<Int64>(v.ToInteger());
      else
        return static_cast<Int64>(v);
    } else {
      return TPropAccessor::GetOrd(Instance);
    }
  }
  void SetOrd(TObject* Instance, Int64 Value) const override {
    if constexpr (Cat == TValueCategory::Ordinal || Cat == TValueCategory::Int64) {
      if constexpr (TIsSet<V>::value)
        Write(Instance, V::FromInteger(static_cast<UInt64>(Value)));
      else if constexpr (std::is_same_v<V, bool>)
        Write(Instance, Value != 0);
      else
        Write(Instance, static_cast<V>(Value));
    } else {
      TPropAccessor::SetOrd(Instance, Value);
    }
  }
  double GetFloat(const TObject* Instance) const override {
    if constexpr (Cat == TValueCategory::Float)
      return static_cast<double>(Read(Instance));
    else
      return TPropAccessor::GetFloat(Instance);
  }
  void SetFloat(TObject* Instance, double Value) const override {
    if constexpr (Cat == TValueCategory::Float)
      Write(Instance, static_cast<V>(Value));
    else
      TPropAccessor::SetFloat(Instance, Value);
  }
  String GetStr(const TObject* Instance) const override {
    if constexpr (Cat == TValueCategory::String)
      return Read(Instance);
    else if constexpr (Cat == TValueCategory::AnsiString)
      return AnsiToString(Read(Instance));
    else
      return TPropAccessor::GetStr(Instance);
  }
  void SetStr(TObject* Instance, const String& Value) const override {
    if constexpr (Cat == TValueCategory::String)
      Write(Instance, Value);
    else if constexpr (Cat == TValueCategory::AnsiString)
      Write(Instance, StringToAnsi(Value));
    else
      TPropAccessor::SetStr(Instance, Value);
  }
  TObject* GetObj(const TObject* Instance) const override {
    if constexpr (Cat == TValueCategory::Object)
      return const_cast<std::remove_cv_t<std::remove_pointer_t<V>>*>(Read(Instance));
    else
      return TPropAccessor::GetObj(Instance);
  }
  void SetObj(TObject* Instance, TObject* Value) const override {
    if constexpr (Cat == TValueCategory::Object) {
      using TValueClass = std::remove_cv_t<std::remove_pointer_t<V>>;
      TValueClass* typed = dynamic_cast<TValueClass*>(Value);
      if (Value && !typed) RaiseObjectClassMismatch(Value, TValueClass::StaticClass());
      Write(Instance, typed);
    } else {
      TPropAccessor::SetObj(Instance, Value);
    }
  }
  TMethod GetMethod(const TObject* Instance) const override {
    if constexpr (Cat == TValueCategory::Method)
      return Read(Instance).AsMethod();
    else
      return TPropAccessor::GetMethod(Instance);
  }
  void SetMethod(TObject* Instance, const TMethod& Value) const override {
    if constexpr (Cat == TValueCategory::Method)
      Write(Instance, V::FromMethod(Value));
    else
      TPropAccessor::SetMethod(Instance, Value);
  }
  void GetVariant(const TObject* Instance, Variant& Out) const override {
    if constexpr (Cat == TValueCategory::Variant)
      Out = Read(Instance);
    else
      TPropAccessor::GetVariant(Instance, Out);
  }
  void SetVariant(TObject* Instance, const Variant& Value) const override {
    if constexpr (Cat == TValueCategory::Variant)
      Write(Instance, Value);
    else
      TPropAccessor::SetVariant(Instance, Value);
  }
  IInterface* GetIntf(const TObject* Instance) const override {
    if constexpr (Cat == TValueCategory::Interface) {
      V v = Read(Instance);
      return v.detach();  // the reference read becomes the caller's
    } else {
      return TPropAccessor::GetIntf(Instance);
    }
  }
  void SetIntf(TObject* Instance, IInterface* Value) const override {
    if constexpr (Cat == TValueCategory::Interface) {
      using I = typename V::element_type;
      IInterface* queried = QueryForInterface(Value, I::IID);
      Write(Instance, V::Adopt(static_cast<I*>(static_cast<void*>(queried))));
    } else {
      TPropAccessor::SetIntf(Instance, Value);
    }
  }
  void GetValue(const TObject* Instance, void* Out) const override { *static_cast<V*>(Out) = Read(Instance); }
  void SetValue(TObject* Instance, const void* In) const override {
    if constexpr (!std::is_null_pointer_v<S>) Write(Instance, *static_cast<const V*>(In));
  }

 private:
  V Read(const TObject* Instance) const {
    T* obj = const_cast<T*>(static_cast<const T*>(Instance));
    if constexpr (std::is_member_object_pointer_v<G>)
      return obj->*FGetter;
    else if constexpr (Indexed)
      return (obj->*FGetter)(FIndex);
    else
      return (obj->*FGetter)();
  }
  void Write(TObject* Instance, V Value) const {
    T* obj = static_cast<T*>(Instance);
    if constexpr (std::is_null_pointer_v<S>)
      return;
    else if constexpr (std::is_member_object_pointer_v<S>)
      obj->*FSetter = std::move(Value);
    else if constexpr (Indexed)
      (obj->*FSetter)(FIndex, std::move(Value));
    else
      (obj->*FSetter)(std::move(Value));
  }

  G FGetter;
  S FSetter;
  Integer FIndex;
};

// Builds one class's table during its DeclareProperties.
class TDeclarationScope {
 public:
  explicit TDeclarationScope(TClass Class);
  ~TDeclarationScope();
  TDeclarationScope(const TDeclarationScope&) = delete;
  TDeclarationScope& operator=(const TDeclarationScope&) = delete;

  TPropInfo* Add(StringView Name, PTypeInfo Type, std::shared_ptr<const TPropAccessor> Accessor, Integer Index);
  // Redeclares an inherited property (same accessor), for example to publish it. Raises
  // EPropertyError when no ancestor declares it.
  TPropInfo* Redeclare(StringView Name);
  TClass GetClass() const { return FClass; }
  void Commit();

 private:
  TClass FClass;
  TClassProperties* FTable;
  bool FCommitted = false;
};

bool PropertiesDeclared(TClass Class);

template <class T>
concept DeclaresOwnProperties = requires {
  static_cast<void (*)(TClassDeclaration<T>&)>(&T::DeclareProperties);
};
}  // namespace detail

// Refines the property just declared: default, stored test, visibility, type, attributes.
template <class T, class V>
class TPropertyDeclaration {
 public:
  explicit TPropertyDeclaration(TPropInfo* Info) : FInfo(Info) {}

  // The default value: the property is not written while it holds it.
  template <class D>
  TPropertyDeclaration& Default(const D& Value) {
    if constexpr (std::is_void_v<V>) {
      SetDefaultUntyped(Value);
    } else {
      constexpr auto cat = detail::CategoryOf<V>();
      if constexpr (cat == detail::TValueCategory::Ordinal || cat == detail::TValueCategory::Int64) {
        const V v = static_cast<V>(Value);
        if constexpr (detail::TIsSet<V>::value)
          FInfo->Default = static_cast<Int64>(v.ToInteger());
        else
          FInfo->Default = static_cast<Int64>(v);
      } else if constexpr (cat == detail::TValueCategory::Float) {
        FInfo->FloatDefault = static_cast<double>(Value);
      } else if constexpr (cat == detail::TValueCategory::String) {
        FInfo->StringDefault = String(Value);
      } else {
        static_assert(detail::TAlwaysFalse<D>::value, "defaults are for ordinal, float and string properties");
      }
    }
    FInfo->FDefaultMode = TPropInfo::TDefaultMode::Explicit;
    return *this;
  }
  // Always stored (the platform's "nodefault"), also for floats and strings.
  TPropertyDeclaration& NoDefault() {
    FInfo->FDefaultMode = TPropInfo::TDefaultMode::None;
    return *this;
  }
  TPropertyDeclaration& Stored(bool Value) {
    FInfo->StoredKind = TStoredKind::Constant;
    FInfo->StoredConstant = Value;
    FInfo->FStoredTest = nullptr;
    return *this;
  }
  template <class C>
  TPropertyDeclaration& Stored(bool (C::*Method)() const) {
    FInfo->StoredKind = TStoredKind::Method;
    FInfo->FStoredTest = [Method](const TObject* Obj) { return (static_cast<const T*>(Obj)->*Method)(); };
    return *this;
  }
  template <class C>
  TPropertyDeclaration& Stored(bool C::*Field) {
    FInfo->StoredKind = TStoredKind::Field;
    FInfo->FStoredTest = [Field](const TObject* Obj) { return static_cast<const T*>(Obj)->*Field; };
    return *this;
  }
  TPropertyDeclaration& Visibility(TMemberVisibility Value) {
    FInfo->Visibility = Value;
    return *this;
  }
  // A distinct named type of the same kind (TypeInfoTColor() for an Integer property).
  TPropertyDeclaration& Type(PTypeInfo Value) {
    CheckType(Value);
    FInfo->PropType = Value;
    return *this;
  }
  // The property owns the attribute.
  TPropertyDeclaration& Attribute(TCustomAttribute* Value) {
    FInfo->FAttributes.emplace_back(Value, [](TCustomAttribute* A) { Free(A); });
    return *this;
  }
  template <class A>
  TPropertyDeclaration& Attribute() {
    return Attribute(Create<A>());
  }

 private:
  // The inherited property's kind decides where a default goes.
  template <class D>
  void SetDefaultUntyped(const D& Value) {
    if constexpr (std::is_enum_v<D> || std::is_integral_v<D>) {
      FInfo->Default = static_cast<Int64>(Value);
      FInfo->FloatDefault = static_cast<double>(Value);
    } else if constexpr (std::is_floating_point_v<D>) {
      FInfo->FloatDefault = Value;
    } else if constexpr (detail::TIsSet<D>::value) {
      FInfo->Default = static_cast<Int64>(Value.ToInteger());
    } else {
      FInfo->StringDefault = String(Value);
    }
  }
  void CheckType(PTypeInfo Value) {
    if (!Value || Value->Kind != FInfo->PropType->Kind)
      throw EPropertyError(u"Property %s cannot take the type %s", {FInfo->Name, Value ? Value->Name : String()});
  }
  TPropInfo* FInfo;
};

// The builder handed to a class's DeclareProperties.
template <class T>
class TClassDeclaration {
 public:
  explicit TClassDeclaration(detail::TDeclarationScope& Scope) : FScope(Scope) {}

  // Getter: a const method returning the value, or a field. Setter: a method taking the value,
  // a field, or nothing (read-only).
  template <class G, class S = std::nullptr_t>
  auto Property(StringView Name, G Getter, S Setter = nullptr) {
    using V = typename detail::TGetterTraits<G>::TValue;
    auto accessor = std::make_shared<detail::TPropAccessorOf<T, V, G, S, false>>(Getter, Setter, 0);
    return TPropertyDeclaration<T, V>(FScope.Add(Name, TypeInfo<V>(), std::move(accessor), TPropInfo::NoIndex));
  }
  // Indexed: the getter takes the index, the setter the index and the value.
  template <class G, class S = std::nullptr_t>
  auto Property(StringView Name, Integer Index, G Getter, S Setter = nullptr) {
    using V = typename detail::TGetterTraits<G>::TValue;
    auto accessor = std::make_shared<detail::TPropAccessorOf<T, V, G, S, true>>(Getter, Setter, Index);
    return TPropertyDeclaration<T, V>(FScope.Add(Name, TypeInfo<V>(), std::move(accessor), Index));
  }
  // An event: a delegate field, read and written directly.
  template <class C, class Sig>
  auto Event(StringView Name, TDelegate<Sig> C::*Field) {
    return Property(Name, Field, Field);
  }
  // Redeclares an inherited property with the same getter and setter, published unless told
  // otherwise; defaults and stored tests may be refined.
  TPropertyDeclaration<T, void> Publish(StringView Name) {
    return TPropertyDeclaration<T, void>(FScope.Redeclare(Name));
  }

 private:
  detail::TDeclarationScope& FScope;
};

// Declares T's properties (and first those of its ancestors) from T::DeclareProperties. Call it
// from the unit's initialization; calling it again does nothing.
template <class T>
void RegisterProperties() {
  if (detail::PropertiesDeclared(T::StaticClass())) return;
  if constexpr (!std::is_same_v<T, TObject>) {
    static_assert(std::is_same_v<decltype(T::StaticClass()), const typename T::template TMetaClassFor<T>*>,
                  "the class needs its ZCL_CLASS line");
    RegisterProperties<typename T::inherited>();
  }
  detail::TDeclarationScope scope(T::StaticClass());
  if constexpr (detail::DeclaresOwnProperties<T>) {
    TClassDeclaration<T> declaration(scope);
    T::DeclareProperties(declaration);
  }
  scope.Commit();
}

// ---- lookups ---------------------------------------------------------------------------------------

// Published properties of the class, own and inherited, in declaration order (inherited first).
std::vector<PPropInfo> GetPropList(TClass AClass);
std::vector<PPropInfo> GetPropList(const TObject* Instance);
// Only those of the given kinds.
std::vector<PPropInfo> GetPropList(TClass AClass, const TTypeKinds& Kinds);
// Properties of the given visibilities (extended information).
std::vector<PPropInfo> GetPropList(TClass AClass, const TMemberVisibilities& Visibilities);
Integer GetPropCount(TClass AClass);
// The published property of that name (ignoring case), or null.
PPropInfo GetPropInfo(TClass AClass, StringView PropName);
PPropInfo GetPropInfo(const TObject* Instance, StringView PropName);
PPropInfo GetPropInfo(TClass AClass, StringView PropName, const TTypeKinds& Kinds);
// Any property of the given visibilities, or null.
PPropInfo GetPropInfo(TClass AClass, StringView PropName, const TMemberVisibilities& Visibilities);
// The property as declared by exactly this class (not inherited), any visibility, or null.
PPropInfo GetDeclaredPropInfo(TClass AClass, StringView PropName);
// True when the class or an ancestor has declared its properties.
bool HasPropertyTable(TClass AClass);
// The published property of that name; EPropertyError "Property %s does not exist" when absent.
PPropInfo FindPropInfo(const TObject* Instance, StringView PropName);

bool IsPublishedProp(const TObject* Instance, StringView PropName);
bool IsPublishedProp(TClass AClass, StringView PropName);
TTypeKind PropType(const TObject* Instance, StringView PropName);
TTypeKind PropType(TClass AClass, StringView PropName);
bool PropIsType(const TObject* Instance, StringView PropName, TTypeKind TypeKind);
bool PropIsType(TClass AClass, StringView PropName, TTypeKind TypeKind);
// The class of a class-kind property's values.
TClass GetObjectPropClass(PPropInfo PropInfo);

// ---- values ---------------------------------------------------------------------------------------
// Each reads or writes through the property's getter or setter. A property of another kind raises
// EPropertyError "Invalid property type: %s"; writing without a setter EPropReadOnly "Property %s
// is read-only"; an instance not of the property's class EPropertyError. Ordinals out of their
// type's range (enumeration values, set elements, numbers beyond the type's width) raise
// ERangeError and leave the property unchanged.

// Ordinal kinds (integer, char, enumeration, set, wide char, Int64). Unsigned 32-bit values read
// as non-negative numbers.
Int64 GetOrdProp(const TObject* Instance, PPropInfo PropInfo);
Int64 GetOrdProp(const TObject* Instance, StringView PropName);
void SetOrdProp(TObject* Instance, PPropInfo PropInfo, Int64 Value);
void SetOrdProp(TObject* Instance, StringView PropName, Int64 Value);
Int64 GetInt64Prop(const TObject* Instance, PPropInfo PropInfo);
Int64 GetInt64Prop(const TObject* Instance, StringView PropName);
void SetInt64Prop(TObject* Instance, PPropInfo PropInfo, Int64 Value);
void SetInt64Prop(TObject* Instance, StringView PropName, Int64 Value);
double GetFloatProp(const TObject* Instance, PPropInfo PropInfo);
double GetFloatProp(const TObject* Instance, StringView PropName);
void SetFloatProp(TObject* Instance, PPropInfo PropInfo, double Value);
void SetFloatProp(TObject* Instance, StringView PropName, double Value);
// String kinds.
String GetStrProp(const TObject* Instance, PPropInfo PropInfo);
String GetStrProp(const TObject* Instance, StringView PropName);
void SetStrProp(TObject* Instance, PPropInfo PropInfo, const String& Value);
void SetStrProp(TObject* Instance, StringView PropName, const String& Value);
// Enumerations by value name, sets as "a,b" (StringToSet accepts brackets too).
String GetEnumProp(const TObject* Instance, PPropInfo PropInfo);
String GetEnumProp(const TObject* Instance, StringView PropName);
void SetEnumProp(TObject* Instance, PPropInfo PropInfo, StringView Value);
void SetEnumProp(TObject* Instance, StringView PropName, StringView Value);
String GetSetProp(const TObject* Instance, PPropInfo PropInfo, bool Brackets = false);
String GetSetProp(const TObject* Instance, StringView PropName, bool Brackets = false);
void SetSetProp(TObject* Instance, PPropInfo PropInfo, StringView Value);
void SetSetProp(TObject* Instance, StringView PropName, StringView Value);
// Class kind. SetObjectProp raises EInvalidCast for an object not of the property's class.
TObject* GetObjectProp(const TObject* Instance, PPropInfo PropInfo);
TObject* GetObjectProp(const TObject* Instance, StringView PropName, TClass MinClass = nullptr);
void SetObjectProp(TObject* Instance, PPropInfo PropInfo, TObject* Value);
void SetObjectProp(TObject* Instance, StringView PropName, TObject* Value);
// Method kind. SetMethodProp raises EInvalidCast for a method of another event type.
TMethod GetMethodProp(const TObject* Instance, PPropInfo PropInfo);
TMethod GetMethodProp(const TObject* Instance, StringView PropName);
void SetMethodProp(TObject* Instance, PPropInfo PropInfo, const TMethod& Value);
void SetMethodProp(TObject* Instance, StringView PropName, const TMethod& Value);
// Interface kind: the value with a reference counted for the caller.
IPtr<IInterface> GetInterfaceProp(const TObject* Instance, PPropInfo PropInfo);
void SetInterfaceProp(TObject* Instance, PPropInfo PropInfo, IInterface* Value);

// Variant kind.
Variant GetVariantProp(const TObject* Instance, PPropInfo PropInfo);
Variant GetVariantProp(const TObject* Instance, StringView PropName);
void SetVariantProp(TObject* Instance, PPropInfo PropInfo, const Variant& Value);
void SetVariantProp(TObject* Instance, StringView PropName, const Variant& Value);

// Any property as a Variant: ordinals as numbers (unsigned 32-bit ones non-negative), with
// PreferStrings enumerations by value name and sets as "a,b"; Booleans without PreferStrings as
// Boolean; floats as Double (TDateTime as a date); strings; Int64; variants as they are; objects
// as their address (UInt64). Methods, interfaces and records raise EPropertyConvertError.
Variant GetPropValue(const TObject* Instance, PPropInfo PropInfo, bool PreferStrings = true);
Variant GetPropValue(const TObject* Instance, StringView PropName, bool PreferStrings = true);
// Writes a Variant, converted to the property's type: text names enumeration values and set
// elements ("[a,b]"), a one-character text a character; numbers and numeric text go to ordinals,
// floats and Int64. Conversion errors of the Variant propagate (EVariantTypeCastError); objects,
// methods, interfaces and records raise EPropertyConvertError "Invalid property type: %s".
void SetPropValue(TObject* Instance, PPropInfo PropInfo, const Variant& Value);
void SetPropValue(TObject* Instance, StringView PropName, const Variant& Value);

namespace detail {
void CheckAccess(const TObject* Instance, PPropInfo PropInfo, bool Write);
[[noreturn]] void RaiseValueTypeMismatch(PPropInfo PropInfo);
}  // namespace detail

// Typed access with the property's own C++ type (records such as TRect, or any kind).
template <class V>
V GetPropAs(const TObject* Instance, PPropInfo PropInfo) {
  detail::CheckAccess(Instance, PropInfo, false);
  if (PropInfo->Accessor().ValueKey() != &detail::TValueKey<V>::Key) detail::RaiseValueTypeMismatch(PropInfo);
  V value{};
  PropInfo->Accessor().GetValue(Instance, &value);
  return value;
}
template <class V>
void SetPropAs(TObject* Instance, PPropInfo PropInfo, const V& Value) {
  detail::CheckAccess(Instance, PropInfo, true);
  if (PropInfo->Accessor().ValueKey() != &detail::TValueKey<V>::Key) detail::RaiseValueTypeMismatch(PropInfo);
  PropInfo->Accessor().SetValue(Instance, &Value);
}

// ---- names of enumerations and sets ------------------------------------------------------------

// The name of an enumeration value; for integer kinds the number as text. Empty for a value
// outside an enumeration.
String GetEnumName(PTypeInfo TypeInfo, Integer Value);
// The value of a name, ignoring case; -1 when the name is not one of the type's.
Integer GetEnumValue(PTypeInfo TypeInfo, StringView Name);
// The elements of a set value as "a,b", or "[a,b]" with Brackets. SetType is the set type or its
// element type.
String SetToString(PTypeInfo SetType, Int64 Value, bool Brackets = false);
String SetToString(PPropInfo PropInfo, Int64 Value, bool Brackets = false);
// Reads "a,b" or "[a, b]" (spaces allowed); EPropertyConvertError "Invalid property element: %s"
// for a name that is not an element.
Int64 StringToSet(PTypeInfo SetType, StringView Value);
Int64 StringToSet(PPropInfo PropInfo, StringView Value);

// ---- storing ----------------------------------------------------------------------------------------

// The stored specifier: constant, field or method.
bool IsStoredProp(const TObject* Instance, PPropInfo PropInfo);
bool IsStoredProp(const TObject* Instance, StringView PropName);
// True when the value need not be written: with an ancestor, when it equals the ancestor's;
// without, when it equals the declared default (ordinals need one; floats, strings and Int64
// default to zero or empty, objects to null, methods to unassigned, interfaces to null, variants to unassigned).
bool IsDefaultPropertyValue(const TObject* Instance, PPropInfo PropInfo, const TObject* Ancestor = nullptr);

// Unit hooks (RTL.Units.cpp).
namespace detail {
void TypInfoInitialization();
void TypInfoFinalization();
}  // namespace detail
