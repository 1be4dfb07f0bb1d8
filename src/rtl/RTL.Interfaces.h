#pragma once
// Interfaces: GUIDs, result codes, IInterface, counted references (IPtr) and queries (Supports).
//
// An interface derives from IInterface *virtually* (so that an object implementing several
// interfaces has one IInterface, one count and an unambiguous conversion) and declares its
// GUID and base in one line. A derived interface derives from its base normally:
//
//   struct IShape : virtual IInterface {
//     RTL_INTERFACE(IShape, IInterface, "{5B0C8E5A-3B0B-4C55-9E57-0A55A1B9E001}")
//     virtual Double Area() = 0;
//   };
//   struct ISquare : IShape {
//     RTL_INTERFACE(ISquare, IShape, "{5B0C8E5A-3B0B-4C55-9E57-0A55A1B9E002}")
//     virtual Double Side() = 0;
//   };
//
// A class lists what it implements with one line; the query answers each listed interface and
// its bases, then asks the parent class:
//
//   class TSquare : public TInterfacedObject, public ISquare {
//     RTL_INTERFACES(TInterfacedObject, ISquare)
//    public:
//     Double Area() override { return FSide * FSide; }
//     Double Side() override { return FSide; }
//     Double FSide = 2;
//   };
//
//   IPtr<IShape> shape = Create<TSquare>();      // count 1; freed when the last IPtr goes
//
// Counted objects must be made with Create<T> (or a class record): it is AfterConstruction that
// drops the count the constructor runs under. An object that delegates an interface to another
// object writes its QueryInterface itself:
//
//   HRESULT QueryInterface(const TGUID& IID, void** Obj) override {
//     if (DelegateQuery<IPrinter>(FPrinter, IID, Obj)) return S_OK;     // FPrinter answers IPrinter
//     return InterfaceTableQuery<ISquare>(this, IID, Obj) ? S_OK : TInterfacedObject::QueryInterface(IID, Obj);
//   }
//   IPtr<ISquare> square;
//   if (Supports(shape, square)) ...              // typed query, square holds a reference
//   if (Supports<ISquare>(someObject)) ...        // test only: takes and drops no reference
//
// QueryInterface(IID, Obj) contract: on S_OK *Obj points to the interface IID names, as that
// interface's type, with one reference counted for the caller; otherwise E_NOINTERFACE and *Obj is
// null. A null Obj asks only whether the interface is there: S_OK or E_NOINTERFACE, no reference
// is counted (that is how Supports tests an object that nobody holds without freeing it).
// Implementations that delegate a query pass Obj on unchanged.

#include <atomic>
#include <compare>
#include <cstddef>
#include <type_traits>
#include <utility>

#include "rtl/RTL.Objects.h"
#include "rtl/RTL.Types.h"

// ---- result codes ----------------------------------------------------------------------------

using HRESULT = int32_t;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
inline constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004u);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
inline constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005u);
inline constexpr HRESULT E_HANDLE = static_cast<HRESULT>(0x80070006u);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);

constexpr bool Succeeded(HRESULT Res) { return Res >= 0; }
constexpr bool Failed(HRESULT Res) { return Res < 0; }
// An operating-system error code (errno) as a failure result 0x8007xxxx; 0 and results that are
// already failures pass through unchanged.
constexpr HRESULT HResultFromOSError(Integer ErrorCode) {
  return ErrorCode <= 0 ? ErrorCode : static_cast<HRESULT>((static_cast<uint32_t>(ErrorCode) & 0xFFFFu) | 0x80070000u);
}

// ---- GUIDs -----------------------------------------------------------------------------------

struct TGUID {
  uint32_t D1 = 0;
  uint16_t D2 = 0;
  uint16_t D3 = 0;
  uint8_t D4[8] = {};

  // A fresh random (version 4) GUID.
  static TGUID NewGuid();
  static constexpr TGUID Empty() { return TGUID(); }
  constexpr bool IsEmpty() const { return *this == TGUID(); }
  // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case hex.
  String ToString() const;
  size_t Hash() const;

  friend constexpr bool operator==(const TGUID&, const TGUID&) = default;
  friend constexpr auto operator<=>(const TGUID&, const TGUID&) = default;
};
static_assert(sizeof(TGUID) == 16);

inline constexpr TGUID GUID_NULL{};

// Raises EConvertError "'%s' is not a valid GUID value" unless Text is exactly the braced form
// (hex digits of either case).
TGUID StringToGUID(StringView Text);
String GUIDToString(const TGUID& Guid);
// Fills Guid with a fresh GUID; S_OK, or a failure result when no random source answered.
HRESULT CreateGUID(TGUID& Guid);
// False (and Guid empty) where StringToGUID would raise.
bool TryStringToGUID(StringView Text, TGUID& Guid);

template <>
struct std::hash<TGUID> {
  size_t operator()(const TGUID& Guid) const noexcept { return Guid.Hash(); }
};

namespace detail {
constexpr int HexDigit(char C) {
  if (C >= '0' && C <= '9') return C - '0';
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  return -1;
}

// Parses the braced form; false on anything else. Usable at compile time.
template <class TChar>
constexpr bool ParseGUID(const TChar* Text, size_t Length, TGUID& Guid) {
  if (Length != 38 || Text[0] != '{' || Text[37] != '}') return false;
  uint8_t bytes[16] = {};
  size_t pos = 1;
  for (int i = 0; i < 16; ++i) {
    if (pos == 9 || pos == 14 || pos == 19 || pos == 24) {
      if (Text[pos] != '-') return false;
      ++pos;
    }
    const auto hi = Text[pos], lo = Text[pos + 1];
    if (hi > 0x7F || lo > 0x7F) return false;
    const int h = HexDigit(static_cast<char>(hi)), l = HexDigit(static_cast<char>(lo));
    if (h < 0 || l < 0) return false;
    bytes[i] = static_cast<uint8_t>(h * 16 + l);
    pos += 2;
  }
  Guid.D1 = (uint32_t(bytes[0]) << 24) | (uint32_t(bytes[1]) << 16) | (uint32_t(bytes[2]) << 8) | bytes[3];
  Guid.D2 = static_cast<uint16_t>((bytes[4] << 8) | bytes[5]);
  Guid.D3 = static_cast<uint16_t>((bytes[6] << 8) | bytes[7]);
  for (int i = 0; i < 8; ++i) Guid.D4[i] = bytes[8 + i];
  return true;
}

struct TMalformedGUIDLiteral {};

// For interface declarations: a malformed literal fails to compile.
template <size_t N>
consteval TGUID GUIDLiteral(const char (&Text)[N]) {
  TGUID guid;
  if (!ParseGUID(Text, N - 1, guid)) throw TMalformedGUIDLiteral();
  return guid;
}
}  // namespace detail

// ---- IInterface ------------------------------------------------------------------------------

// Declares an interface's GUID and base interface; the first line of every interface.
#define RTL_INTERFACE(Name, Base, GuidText)                               \
 public:                                                                  \
  using TInterfaceSelf = Name;                                            \
  using TInterfaceBase = Base;                                            \
  static constexpr TGUID IID = ::detail::GUIDLiteral(GuidText);

struct IInterface {
  using TInterfaceSelf = IInterface;
  using TInterfaceBase = void;
  static constexpr TGUID IID = ::detail::GUIDLiteral("{00000000-0000-0000-C000-000000000046}");

  // See the contract at the top of this header. The base definition answers nothing, so a class
  // that implements IInterface directly may name IInterface as the parent in RTL_INTERFACES.
  virtual HRESULT QueryInterface(const TGUID& IID, void** Obj) = 0;
  // The new count; -1 from objects whose lifetime belongs to an owner, not to references.
  virtual Integer _AddRef() = 0;
  virtual Integer _Release() = 0;

 protected:
  // Objects are freed by their own _Release or by their owner, never through an interface.
  ~IInterface() = default;
};

template <class I>
concept InterfaceType = std::is_base_of_v<IInterface, I> && std::is_same_v<typename I::TInterfaceSelf, I>;

// The GUID an interface declared. Fails to compile for an interface that did not declare its own.
template <class I>
constexpr const TGUID& IIDOf() {
  static_assert(InterfaceType<I>, "the interface lacks its own RTL_INTERFACE line");
  return I::IID;
}

namespace detail {
template <class B, class D>
concept StaticDownCastable = requires(B* b) { static_cast<D*>(b); };

// Matches IID against I and its bases; on a match stores the interface pointer (when asked) as the
// type that matched.
template <class I, class Cur, class Self>
bool MatchInterface(Self* Obj, const TGUID& IID, void** Out) {
  if (IID == Cur::IID) {
    if (Out) {
      I* intf = Obj;
      Cur* matched = intf;
      *Out = matched;
    }
    return true;
  }
  if constexpr (std::is_void_v<typename Cur::TInterfaceBase>)
    return false;
  else
    return MatchInterface<I, typename Cur::TInterfaceBase>(Obj, IID, Out);
}

// The query of a class's interface table: true when one of I... (or a base of one) is IID, with
// the reference counted when Out is given.
template <class... I, class Self>
bool QueryInterfaceTable(Self* Obj, const TGUID& IID, void** Out) {
  static_assert((InterfaceType<I> && ...), "every entry must be an interface with its own RTL_INTERFACE line");
  static_assert(((std::is_same_v<I, IInterface> || !StaticDownCastable<IInterface, I>) && ...),
                "interfaces derive from IInterface virtually: struct IFoo : virtual IInterface");
  if ((MatchInterface<I, I>(Obj, IID, Out) || ...)) {
    if (Out) Obj->_AddRef();
    return true;
  }
  if (Out) *Out = nullptr;
  return false;
}
}  // namespace detail

// The table of interfaces a class implements, one line in the class: defines QueryInterface,
// which answers I... and their bases and otherwise asks Parent. Leaves the class in public access.
#define RTL_INTERFACES(Parent, ...)                                                   \
 public:                                                                              \
  HRESULT QueryInterface(const TGUID& AIID, void** AObj) override {                   \
    if (::detail::QueryInterfaceTable<__VA_ARGS__>(this, AIID, AObj)) return S_OK;    \
    return Parent::QueryInterface(AIID, AObj);                                        \
  }

// ---- IPtr ------------------------------------------------------------------------------------

// A counted reference to an interface: copying adds a reference, destruction releases one.
template <class I>
class IPtr {
 public:
  using element_type = I;

  constexpr IPtr() noexcept = default;
  constexpr IPtr(std::nullptr_t) noexcept {}
  // Takes a new reference to Ptr.
  IPtr(I* Ptr) noexcept : FPtr(Ptr) { AddRef(); }
  IPtr(const IPtr& Other) noexcept : FPtr(Other.FPtr) { AddRef(); }
  IPtr(IPtr&& Other) noexcept : FPtr(std::exchange(Other.FPtr, nullptr)) {}
  template <class J>
    requires std::is_convertible_v<J*, I*>
  IPtr(const IPtr<J>& Other) noexcept : FPtr(Other.get()) {
    AddRef();
  }
  template <class J>
    requires std::is_convertible_v<J*, I*>
  IPtr(IPtr<J>&& Other) noexcept : FPtr(Other.detach()) {}
  ~IPtr() { Release(); }

  IPtr& operator=(const IPtr& Other) noexcept {
    reset(Other.FPtr);
    return *this;
  }
  IPtr& operator=(IPtr&& Other) noexcept {
    if (this != &Other) {
      Release();
      FPtr = std::exchange(Other.FPtr, nullptr);
    }
    return *this;
  }
  IPtr& operator=(std::nullptr_t) noexcept {
    reset();
    return *this;
  }

  // Wraps a reference the caller already holds (from QueryInterface) without adding one.
  static IPtr Adopt(I* Ptr) noexcept {
    IPtr result;
    result.FPtr = Ptr;
    return result;
  }

  // Holds Ptr (adding a reference) and drops the old one, in that order, so resetting to the
  // held pointer is safe.
  void reset(I* Ptr = nullptr) noexcept {
    if (Ptr) Ptr->_AddRef();
    I* old = std::exchange(FPtr, Ptr);
    if (old) old->_Release();
  }
  // Hands the reference to the caller; this becomes null.
  I* detach() noexcept { return std::exchange(FPtr, nullptr); }
  I* get() const noexcept { return FPtr; }
  I* operator->() const noexcept { return FPtr; }
  I& operator*() const noexcept { return *FPtr; }
  explicit operator bool() const noexcept { return FPtr != nullptr; }
  void swap(IPtr& Other) noexcept { std::swap(FPtr, Other.FPtr); }

  // Identity of the interface pointers (as the platform compares interface references).
  template <class J>
  bool operator==(const IPtr<J>& Other) const noexcept {
    return static_cast<const void*>(FPtr) == static_cast<const void*>(Other.get());
  }
  bool operator==(const I* Other) const noexcept { return FPtr == Other; }
  bool operator==(std::nullptr_t) const noexcept { return FPtr == nullptr; }
  template <class J>
  std::strong_ordering operator<=>(const IPtr<J>& Other) const noexcept {
    return std::compare_three_way()(static_cast<const void*>(FPtr), static_cast<const void*>(Other.get()));
  }

 private:
  void AddRef() noexcept {
    if (FPtr) FPtr->_AddRef();
  }
  void Release() noexcept {
    if (I* old = std::exchange(FPtr, nullptr)) old->_Release();
  }
  I* FPtr = nullptr;
};

template <class I>
struct std::hash<IPtr<I>> {
  size_t operator()(const IPtr<I>& Ptr) const noexcept { return std::hash<const void*>()(Ptr.get()); }
};

// ---- queries ---------------------------------------------------------------------------------

namespace detail {
// The IInterface of an object pointer, an interface pointer or an IPtr; null when it has none.
template <class X>
IInterface* InterfaceOf(X* Instance) {
  auto* instance = const_cast<std::remove_const_t<X>*>(Instance);
  if constexpr (std::is_convertible_v<X*, const IInterface*>)
    return instance;
  else if constexpr (std::is_polymorphic_v<X>)
    return dynamic_cast<IInterface*>(instance);
  else
    static_assert(std::is_polymorphic_v<X>, "Supports needs an object or interface pointer");
}
template <class X>
IInterface* InterfaceOf(const IPtr<X>& Instance) {
  return InterfaceOf(Instance.get());
}
inline IInterface* InterfaceOf(std::nullptr_t) { return nullptr; }
}  // namespace detail

// Whether Instance (an object or interface pointer, or an IPtr; null answers false) implements
// IID. Takes and drops no reference, so an object that nobody holds yet stays alive.
template <class X>
bool Supports(const X& Instance, const TGUID& IID) {
  IInterface* intf = detail::InterfaceOf(Instance);
  return intf && intf->QueryInterface(IID, nullptr) == S_OK;
}
// The typed test: Supports<IShape>(object).
template <InterfaceType I, class X>
bool Supports(const X& Instance) {
  return Supports(Instance, IIDOf<I>());
}
// The typed query: on success Out holds a counted reference; otherwise Out is null.
template <class X, InterfaceType I>
bool Supports(const X& Instance, IPtr<I>& Out) {
  // Out is replaced only after the query: it may be the very reference Instance names.
  IInterface* intf = detail::InterfaceOf(Instance);
  void* obj = nullptr;
  const bool found = intf && intf->QueryInterface(IIDOf<I>(), &obj) == S_OK && obj;
  Out = found ? IPtr<I>::Adopt(static_cast<I*>(obj)) : IPtr<I>();
  return found;
}
// The query by IID with an untyped out pointer, as QueryInterface hands it out (the caller knows
// the type IID names and releases the reference).
template <class X>
bool Supports(const X& Instance, const TGUID& IID, void** Out) {
  if (Out) *Out = nullptr;
  IInterface* intf = detail::InterfaceOf(Instance);
  return intf && Out && intf->QueryInterface(IID, Out) == S_OK && *Out;
}
// Whether Instance implements IID, handing out its I (usually IID is I's own GUID).
template <class X, InterfaceType I>
bool Supports(const X& Instance, const TGUID& IID, IPtr<I>& Out) {
  if (IID != IIDOf<I>() && !Supports(Instance, IID)) {
    Out = nullptr;
    return false;
  }
  return Supports(Instance, Out);
}
// The typed query as a value: null when Instance does not implement I. Holding the result keeps
// the object alive; an object that nobody held is freed when the result goes.
template <InterfaceType I, class X>
IPtr<I> QueryIntf(const X& Instance) {
  IPtr<I> result;
  Supports(Instance, result);
  return result;
}

// ---- delegation and implementing classes -----------------------------------------------------

// The query of an interface table, for classes that write QueryInterface themselves (see above).
template <class... I, class Self>
bool InterfaceTableQuery(Self* Obj, const TGUID& IID, void** Out) {
  return detail::QueryInterfaceTable<I...>(Obj, IID, Out);
}

// Answers a query for I (or a base of I) with Target's interface: the delegation of one interface
// to another object (an aggregated or contained object, or any object the class holds). The
// reference is counted by Target, so an aggregated target counts on its controller. False (Out
// untouched) when IID is not I or a base of it, or Target is null.
template <InterfaceType I>
bool DelegateQuery(I* Target, const TGUID& IID, void** Out) {
  if (!Target || !detail::MatchInterface<I, I>(Target, IID, Out)) return false;
  if (Out) Target->_AddRef();
  return true;
}
template <InterfaceType I>
bool DelegateQuery(const IPtr<I>& Target, const TGUID& IID, void** Out) {
  return DelegateQuery<I>(Target.get(), IID, Out);
}

// A counted object. The count is 1 while the constructor runs and drops in AfterConstruction, so
// references taken and dropped inside the constructor never free the half-built object; the
// object frees itself (through Free) when the last reference goes. Counting is atomic. Once
// destruction has begun the count is parked far below zero, so references taken and dropped
// while it is being destroyed never free it a second time.
class TInterfacedObject : public TObject, public virtual IInterface {
  ZCL_CLASS(TInterfacedObject, TObject)
 public:
  // Answers IInterface.
  HRESULT QueryInterface(const TGUID& IID, void** Obj) override;
  Integer _AddRef() override;
  Integer _Release() override;
  void AfterConstruction() override;
  // Raises EInvalidPointer "Invalid Pointer" while references remain; the object then stays.
  void BeforeDestruction() override;
  // 0 once destruction has begun.
  Integer GetRefCount() const {
    const Integer count = FRefCount.load(std::memory_order_relaxed);
    return count < 0 ? 0 : count;
  }

 protected:
  static constexpr Integer DestroyingMark = INT32_MIN / 2;
  std::atomic<Integer> FRefCount{1};
};

// An object that answers queries but whose lifetime belongs to its owner: _AddRef and _Release
// return -1 and never free it.
class TNoRefCountObject : public TObject, public virtual IInterface {
  ZCL_CLASS(TNoRefCountObject, TObject)
 public:
  // Answers IInterface.
  HRESULT QueryInterface(const TGUID& IID, void** Obj) override;
  Integer _AddRef() override { return -1; }
  Integer _Release() override { return -1; }
};

// An inner object of an aggregate: every query and every count goes to the controller, so the
// inner object is one with its outer object. The controller owns and frees it; the controller
// hands out the inner interfaces with DelegateQuery.
class TAggregatedObject : public TObject, public virtual IInterface {
  ZCL_CLASS(TAggregatedObject, TObject)
 public:
  // Controller is held without a reference (it owns this object) and must outlive it.
  explicit TAggregatedObject(IInterface* Controller) : FController(Controller) {}
  IInterface* GetController() const { return FController; }
  HRESULT QueryInterface(const TGUID& IID, void** Obj) override { return FController->QueryInterface(IID, Obj); }
  Integer _AddRef() override { return FController->_AddRef(); }
  Integer _Release() override { return FController->_Release(); }

 private:
  IInterface* FController;
};

// Like TAggregatedObject, but the inner object answers queries from its own table (it adds the
// interfaces it lists and IInterface); counts still go to the controller.
class TContainedObject : public TAggregatedObject {
  ZCL_CLASS(TContainedObject, TAggregatedObject)
 public:
  using TAggregatedObject::TAggregatedObject;
  // Answers IInterface.
  HRESULT QueryInterface(const TGUID& IID, void** Obj) override;
};
