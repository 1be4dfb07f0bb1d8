#pragma once
// The root of every object: TObject, class records and class references, virtual constructors,
// the class registry, and the creation and freeing helpers.
//
// A class declares its record with one line at the top of its body:
//
//   class TZCLButton : public TZCLCustomControl {
//     ZCL_CLASS(TZCLButton, TZCLCustomControl)
//   public:
//     ...
//   };
//
// Objects are created with Create<T>(args...) and freed with Free(obj): Create runs
// AfterConstruction once the whole constructor chain has finished, Free runs BeforeDestruction
// before any destructor. A C++ constructor or destructor does not dispatch virtual calls to
// the derived class, so work that must reach an override (a CreateStyle factory, say) belongs
// in AfterConstruction. Enumerations used by properties get their value names with one
// ZCL_ENUM line after the type. See docs/object-model.md.

#include <initializer_list>
#include <type_traits>
#include <utility>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Types.h"

class TObject;
class TClassRecord;
class TClassProperties;
template <class T>
class TClassDeclaration;

// A class reference: a pointer to the class's record. Null is a valid "no class".
using TClass = const TClassRecord*;

RTL_EXCEPTION(EClassNotFound, EFilerError);

namespace detail {
// A distinct address per type, used to key constructor signatures without RTTI.
template <class Sig>
struct TSignatureKey {
  static constexpr char Key = 0;
};

template <class T, class Sig>
struct TFactoryOf;
template <class T, class... P>
struct TFactoryOf<T, void(P...)> {
  static constexpr bool Possible = !std::is_abstract_v<T> && std::is_constructible_v<T, P...>;
  static TObject* Make(P... Args) { return new T(std::forward<P>(Args)...); }
};

template <class Sig>
struct TFactoryCall;
template <class... P>
struct TFactoryCall<void(P...)> {
  template <class... A>
  static TObject* Call(void (*Fn)(), A&&... Args) {
    return reinterpret_cast<TObject* (*)(P...)>(Fn)(std::forward<A>(Args)...);
  }
};

[[noreturn]] void RaiseNoConstructor(TClass Class, TClass Base);
void DestroyAfterFailedConstruction(TObject* Obj) noexcept;
}  // namespace detail

// The record of one class: its name, its parent, its constructors, its published properties.
// Records live as long as the process and are never copied. A hierarchy with class-level
// virtual operations derives its own record type from this one (see TMetaClassFor below).
class TClassRecord {
 public:
  TClassRecord(const TClassRecord&) = delete;
  TClassRecord& operator=(const TClassRecord&) = delete;
  virtual ~TClassRecord();

  const String& ClassName() const { return FClassName; }
  // Case-insensitive, as class names are identifiers.
  bool ClassNameIs(StringView Name) const;
  TClass ClassParent() const { return FParent; }
  // True for this class and every descendant of AClass; false for null.
  bool InheritsFrom(TClass AClass) const;
  // True when no constructor of this class can be called through the record.
  bool IsAbstract() const { return FFactoryCount == 0; }

  // Virtual constructor: creates an instance of the class this record describes through the
  // constructor Base's hierarchy declares (Base::TCreateSignature, e.g. void(TComponent* AOwner)),
  // runs AfterConstruction and returns it as Base. Raises EInvalidCast when the class does not
  // descend from Base and EInvalidOperation when it has no such constructor (abstract classes).
  template <class Base = TObject, class... A>
  Base* Create(A&&... Args) const {
    using Sig = typename Base::TCreateSignature;
    void (*fn)() = FindFactory(&detail::TSignatureKey<Sig>::Key);
    if (!fn || !InheritsFrom(Base::StaticClass())) detail::RaiseNoConstructor(this, Base::StaticClass());
    TObject* obj = detail::TFactoryCall<Sig>::Call(fn, std::forward<A>(Args)...);
    return static_cast<Base*>(Constructed(obj));
  }

  // The published-property table, built by the type-information unit; null until then.
  TClassProperties* GetProperties() const { return FProperties; }
  void SetProperties(TClassProperties* Value) const { FProperties = Value; }

 protected:
  TClassRecord(StringView Name, TClass Parent);
  template <class T, class Sig>
  void AddFactory() {
    if constexpr (detail::TFactoryOf<T, Sig>::Possible) {
      for (int i = 0; i < FFactoryCount; ++i)
        if (FFactories[i].Signature == &detail::TSignatureKey<Sig>::Key) return;
      FFactories[FFactoryCount++] = {&detail::TSignatureKey<Sig>::Key,
                                     reinterpret_cast<void (*)()>(&detail::TFactoryOf<T, Sig>::Make)};
    }
  }

 private:
  struct TFactory {
    const void* Signature;
    void (*Fn)();
  };
  void (*FindFactory(const void* Signature) const)();
  static TObject* Constructed(TObject* Obj);

  String FClassName;
  TClass FParent;
  TFactory FFactories[2] = {};
  int FFactoryCount = 0;
  mutable TClassProperties* FProperties = nullptr;
};

// The record of class T, derived from RecordBase (TClassRecord or a hierarchy's own record type
// with class-level virtual operations). It knows T's default constructor and the constructor
// of T's hierarchy signature.
template <class T, class RecordBase = TClassRecord>
class TClassRecordOf : public RecordBase {
 public:
  TClassRecordOf(StringView Name, TClass Parent) : RecordBase(Name, Parent) {
    this->template AddFactory<T, typename T::TCreateSignature>();
    this->template AddFactory<T, void()>();
  }
};

// Declares the class record of Class. Put it first in the class body; it leaves the access
// at private, as a class body begins. It gives:
//   Class::StaticClass()   the record (typed as the hierarchy's record type)
//   ClassType()            the record of the object's own class
//   inherited              the parent class, for calls to the inherited implementation
#define ZCL_CLASS(Class, Parent)                                                 \
 public:                                                                         \
  using inherited [[maybe_unused]] = Parent;                                     \
  static auto StaticClass() {                                                    \
    static const TMetaClassFor<Class> record(u"" #Class, Parent::StaticClass()); \
    return &record;                                                              \
  }                                                                              \
  TClass ClassType() const override { return StaticClass(); }                    \
                                                                                 \
 private:

// The root of every object of the system. Objects are not copyable: they have identity.
class TObject {
 public:
  // The record type used for classes of this hierarchy. A hierarchy with class-level virtual
  // operations declares its own: template <class T> using TMetaClassFor = TMyRecordOf<T>;
  template <class T>
  using TMetaClassFor = TClassRecordOf<T>;
  // The constructor signature virtual constructors of this hierarchy call. A hierarchy root
  // whose constructor takes arguments redeclares it: using TCreateSignature = void(TComponent*);
  using TCreateSignature = void();

  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject();

  static TClass StaticClass();
  virtual TClass ClassType() const { return StaticClass(); }
  const String& ClassName() const { return ClassType()->ClassName(); }
  bool ClassNameIs(StringView Name) const { return ClassType()->ClassNameIs(Name); }
  TClass ClassParent() const { return ClassType()->ClassParent(); }
  bool InheritsFrom(TClass AClass) const { return ClassType()->InheritsFrom(AClass); }

  // Identity by default.
  virtual bool Equals(const TObject* Obj) const { return Obj == this; }
  virtual Integer GetHashCode() const;
  // The class name by default.
  virtual String ToString() const { return ClassName(); }

  // Runs after the last constructor has finished (through Create<T> or a class record).
  virtual void AfterConstruction() {}
  // Runs before the first destructor (through Free).
  virtual void BeforeDestruction() {}
};

// Creates a T, then runs AfterConstruction. If AfterConstruction raises, the object is
// destroyed and the exception propagates.
template <class T, class... A>
T* Create(A&&... Args) {
  static_assert(std::is_base_of_v<TObject, T>, "Create<T> makes objects derived from TObject");
  T* obj = new T(std::forward<A>(Args)...);
  try {
    obj->AfterConstruction();
  } catch (...) {
    detail::DestroyAfterFailedConstruction(obj);
    throw;
  }
  return obj;
}

// Runs BeforeDestruction, then destroys the object. Null is allowed and does nothing.
void Free(TObject* Obj);

// Frees the object and sets the reference to null first, so that code called from its
// destructor never sees a dangling reference.
template <class T>
void FreeAndNil(T*& Obj) {
  T* temp = Obj;
  Obj = nullptr;
  Free(temp);
}

template <class T>
TClass ClassOf() {
  return T::StaticClass();
}

// The class registry: classes created by name (streams, skin files) are registered once, from
// their unit's initialization. Names are compared ignoring case.
// Registering a second class under a taken name raises EFilerError "A class named %s already exists";
// registering the same class again does nothing.
void RegisterClass(TClass AClass);
void RegisterClasses(std::initializer_list<TClass> Classes);
void UnRegisterClass(TClass AClass);
void UnRegisterClasses(std::initializer_list<TClass> Classes);
// Null when no class of that name is registered.
TClass GetClass(StringView ClassName);
// Raises EClassNotFound "Class %s not found" when no class of that name is registered.
TClass FindClass(StringView ClassName);

// ---- enumerations ---------------------------------------------------------------------------------

class TTypeInfo;
using PTypeInfo = const TTypeInfo*;
enum TOrdType : Byte { otSByte, otUByte, otSWord, otUWord, otSLong, otULong };

namespace detail {
PTypeInfo MakeEnumType(StringView Name, TOrdType OrdType, const char* CommaSeparatedNames);

template <class E>
constexpr TOrdType OrdTypeOf() {
  using U = std::conditional_t<std::is_enum_v<E>, std::underlying_type_t<E>, E>;
  if constexpr (sizeof(U) == 1) return std::is_signed_v<U> ? otSByte : otUByte;
  if constexpr (sizeof(U) == 2) return std::is_signed_v<U> ? otSWord : otUWord;
  return std::is_signed_v<U> ? otSLong : otULong;
}

template <class E>
constexpr bool EnumValuesContiguous(std::initializer_list<E> Values) {
  Integer i = 0;
  for (E e : Values)
    if (static_cast<Integer>(e) != i++) return false;
  return true;
}

}  // namespace detail

// Declares the value names of an enumeration whose values run 0, 1, 2... in the order given
// (checked at compile time), and its EnumHigh for TSet. One line after the enumeration:
//   ZCL_ENUM(TAlign, alNone, alTop, alBottom, alLeft, alRight, alClient);
// Scoped enumerators are written qualified (TKind::A); their names are taken without the scope.
#define ZCL_ENUM(Enum, ...)                                                                                     \
  static_assert(::detail::EnumValuesContiguous<Enum>({__VA_ARGS__}),                                            \
                "ZCL_ENUM lists the enumerators of " #Enum " in order, starting at 0");                         \
  constexpr Integer EnumHigh(Enum) {                                                                            \
    return static_cast<Integer>(std::initializer_list<Enum>{__VA_ARGS__}.size()) - 1;                           \
  }                                                                                                             \
  inline PTypeInfo ZclEnumTypeInfo(const Enum*) {                                                               \
    static const PTypeInfo info = ::detail::MakeEnumType(u"" #Enum, ::detail::OrdTypeOf<Enum>(), #__VA_ARGS__); \
    return info;                                                                                                \
  }                                                                                                             \
  static_assert(true)

// Unit hooks (RTL.Units.cpp).
namespace detail {
void ObjectsInitialization();
void ObjectsFinalization();
}  // namespace detail
