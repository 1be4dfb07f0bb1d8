#pragma once
// Generic comparers and the small records the collections share.
//
//   IPtr<IComparer<String>> byText = TComparer<String>::Default();       // ordinal UTF-16
//   auto byLength = TComparer<String>::Construct(
//       [](const String& L, const String& R) { return CompareValue(L.size(), R.size()); });
//   auto same = TEqualityComparer<TObject*>::Default();                  // identity
//
// The default order and equality of a type:
//   - String (and AnsiString): ordinal, code unit by code unit;
//   - numbers, characters, Booleans and enumerations: numeric. Floating-point values order NaN
//     after every number and treat all NaNs as equal, and +0 equals -0, so sorting and hashing
//     stay consistent for every value;
//   - object, class, interface (IPtr) and other pointers: identity (ordered by address);
//   - other plain records (trivially copyable): their bytes. A record with padding must be made
//     with zeroed padding (value-initialised), as for any bytewise comparison;
//   - anything else: its own <=> and ==, hashed through std::hash.
// Hashing agrees with equality: equal values give equal hashes.

#include <compare>
#include <cstring>
#include <functional>
#include <type_traits>

#include "rtl/RTL.Interfaces.h"
#include "rtl/RTL.Types.h"

// What happens to an item of a collection, as collections tell their notification handlers.
enum TCollectionNotification : Byte { cnAdding, cnAdded, cnExtracting, cnExtracted, cnDeleting, cnRemoved };

template <class K, class V>
struct TPair {
  K Key{};
  V Value{};

  TPair() = default;
  TPair(const K& AKey, const V& AValue) : Key(AKey), Value(AValue) {}
  TPair(K&& AKey, V&& AValue) : Key(std::move(AKey)), Value(std::move(AValue)) {}
  bool operator==(const TPair&) const = default;
};

template <class T>
using TComparison = std::function<Integer(const T& Left, const T& Right)>;
template <class T>
using TEqualityComparison = std::function<bool(const T& Left, const T& Right)>;
template <class T>
using THasher = std::function<Integer(const T& Value)>;

// A three-way order: negative, zero or positive as Left sorts before, with or after Right.
template <class T>
struct IComparer : virtual IInterface {
  RTL_INTERFACE(IComparer, IInterface, "{3F6C5D20-8B1E-4E1A-A4C2-7D90E1B2C301}")
  virtual Integer Compare(const T& Left, const T& Right) = 0;
};

// Equality and a hash that agrees with it.
template <class T>
struct IEqualityComparer : virtual IInterface {
  RTL_INTERFACE(IEqualityComparer, IInterface, "{3F6C5D20-8B1E-4E1A-A4C2-7D90E1B2C302}")
  virtual bool Equals(const T& Left, const T& Right) = 0;
  virtual Integer GetHashCode(const T& Value) = 0;
};

// ---- default order, equality and hash ----------------------------------------------------------

// Ordinal comparison of UTF-16 code units: -1, 0 or 1.
Integer CompareOrdinal(StringView Left, StringView Right);
// Hashes of byte ranges and of text; the text hash is the hash of its code units.
Integer HashBytes(const void* Data, size_t Size);
Integer HashString(StringView Text);
Integer HashAnsiString(std::string_view Text);

// -1, 0 or 1 by the natural order of two numbers.
template <class N>
constexpr Integer CompareValue(const N& Left, const N& Right) {
  return Left < Right ? -1 : (Right < Left ? 1 : 0);
}

namespace detail {
template <class T>
struct IsIPtr : std::false_type {};
template <class I>
struct IsIPtr<IPtr<I>> : std::true_type {};

template <class T>
constexpr bool IsTextType = std::is_same_v<T, String> || std::is_same_v<T, StringView> ||
                            std::is_same_v<T, AnsiString> || std::is_same_v<T, std::string_view>;
template <class T>
constexpr bool IsNumericType = std::is_arithmetic_v<T> || std::is_enum_v<T>;
template <class T>
constexpr bool IsIdentityType = std::is_pointer_v<T> || std::is_member_pointer_v<T> || IsIPtr<T>::value;

template <class T>
const void* IdentityOf(const T& Value) {
  if constexpr (IsIPtr<T>::value)
    return static_cast<const void*>(Value.get());
  else
    return reinterpret_cast<const void*>(Value);
}

Integer HashInt64(UInt64 Value);
Integer HashDouble(double Value);
Integer CompareDouble(double Left, double Right);
}  // namespace detail

template <class T>
Integer DefaultCompare(const T& Left, const T& Right) {
  if constexpr (std::is_same_v<T, String> || std::is_same_v<T, StringView>) {
    return CompareOrdinal(Left, Right);
  } else if constexpr (std::is_same_v<T, AnsiString> || std::is_same_v<T, std::string_view>) {
    const int c = std::string_view(Left).compare(std::string_view(Right));
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  } else if constexpr (std::is_floating_point_v<T>) {
    return detail::CompareDouble(Left, Right);
  } else if constexpr (detail::IsNumericType<T>) {
    return CompareValue(Left, Right);
  } else if constexpr (detail::IsIdentityType<T> && !std::is_member_pointer_v<T>) {
    const void* left = detail::IdentityOf(Left);
    const void* right = detail::IdentityOf(Right);
    const std::less<const void*> less;
    return less(left, right) ? -1 : (less(right, left) ? 1 : 0);
  } else if constexpr (std::is_trivially_copyable_v<T>) {
    const int c = std::memcmp(&Left, &Right, sizeof(T));
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  } else {
    const auto c = Left <=> Right;
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  }
}

template <class T>
bool DefaultEquals(const T& Left, const T& Right) {
  if constexpr (detail::IsTextType<T> || (detail::IsNumericType<T> && !std::is_floating_point_v<T>))
    return Left == Right;
  else if constexpr (std::is_floating_point_v<T>)
    return detail::CompareDouble(Left, Right) == 0;
  else if constexpr (detail::IsIdentityType<T> && !std::is_member_pointer_v<T>)
    return detail::IdentityOf(Left) == detail::IdentityOf(Right);
  else if constexpr (std::is_trivially_copyable_v<T>)
    return std::memcmp(&Left, &Right, sizeof(T)) == 0;
  else
    return Left == Right;
}

template <class T>
Integer DefaultHash(const T& Value) {
  if constexpr (std::is_same_v<T, String> || std::is_same_v<T, StringView>)
    return HashString(Value);
  else if constexpr (std::is_same_v<T, AnsiString> || std::is_same_v<T, std::string_view>)
    return HashAnsiString(Value);
  else if constexpr (std::is_floating_point_v<T>)
    return detail::HashDouble(Value);
  else if constexpr (std::is_enum_v<T>)
    return detail::HashInt64(static_cast<UInt64>(static_cast<std::underlying_type_t<T>>(Value)));
  else if constexpr (std::is_arithmetic_v<T>)
    return detail::HashInt64(static_cast<UInt64>(Value));
  else if constexpr (detail::IsIdentityType<T> && !std::is_member_pointer_v<T>)
    return detail::HashInt64(reinterpret_cast<uintptr_t>(detail::IdentityOf(Value)));
  else if constexpr (std::is_trivially_copyable_v<T>)
    return HashBytes(&Value, sizeof(T));
  else
    return detail::HashInt64(static_cast<UInt64>(std::hash<T>()(Value)));
}

// ---- comparer classes ------------------------------------------------------------------------

// The base of comparer objects: derive and implement Compare, or use Default/Construct.
template <class T>
class TComparer : public TInterfacedObject, public IComparer<T> {
  RTL_INTERFACES(TInterfacedObject, IComparer<T>)
 public:
  // The default order of T (see the top of this header). Shared, never freed.
  static IPtr<IComparer<T>> Default();
  // A comparer calling Comparison.
  static IPtr<IComparer<T>> Construct(TComparison<T> Comparison);
};

template <class T>
class TEqualityComparer : public TInterfacedObject, public IEqualityComparer<T> {
  RTL_INTERFACES(TInterfacedObject, IEqualityComparer<T>)
 public:
  // Derived comparers implement Equals(Left, Right) and GetHashCode(Value); the object's own
  // Equals and GetHashCode are TObject's (bring them in with using-declarations to keep them).
  // The default equality and hash of T. Shared, never freed.
  static IPtr<IEqualityComparer<T>> Default();
  // A comparer calling Equality and Hasher; the hash must agree with the equality.
  static IPtr<IEqualityComparer<T>> Construct(TEqualityComparison<T> Equality, THasher<T> Hasher);
};

namespace detail {
template <class T>
class TDefaultComparer final : public TNoRefCountObject, public IComparer<T>, public IEqualityComparer<T> {
  RTL_INTERFACES(TNoRefCountObject, IComparer<T>, IEqualityComparer<T>)
 public:
  Integer Compare(const T& Left, const T& Right) override { return DefaultCompare(Left, Right); }
  bool Equals(const T& Left, const T& Right) override { return DefaultEquals(Left, Right); }
  Integer GetHashCode(const T& Value) override { return DefaultHash(Value); }
  using TObject::Equals;  // the object's own identity stays reachable
  using TObject::GetHashCode;

  // Never destroyed, so references held by other statics stay valid through program exit.
  static TDefaultComparer& Instance() {
    static TDefaultComparer* instance = new TDefaultComparer;
    return *instance;
  }
};

template <class T>
class TDelegatedComparer final : public TComparer<T> {
 public:
  explicit TDelegatedComparer(TComparison<T> Comparison) : FComparison(std::move(Comparison)) {}
  Integer Compare(const T& Left, const T& Right) override { return FComparison(Left, Right); }

 private:
  TComparison<T> FComparison;
};

template <class T>
class TDelegatedEqualityComparer final : public TEqualityComparer<T> {
 public:
  TDelegatedEqualityComparer(TEqualityComparison<T> Equality, THasher<T> Hasher)
      : FEquality(std::move(Equality)), FHasher(std::move(Hasher)) {}
  bool Equals(const T& Left, const T& Right) override { return FEquality(Left, Right); }
  Integer GetHashCode(const T& Value) override { return FHasher(Value); }
  using TObject::Equals;
  using TObject::GetHashCode;

 private:
  TEqualityComparison<T> FEquality;
  THasher<T> FHasher;
};

[[noreturn]] void RaiseNilComparison();
}  // namespace detail

template <class T>
IPtr<IComparer<T>> TComparer<T>::Default() {
  return static_cast<IComparer<T>*>(&detail::TDefaultComparer<T>::Instance());
}

template <class T>
IPtr<IComparer<T>> TComparer<T>::Construct(TComparison<T> Comparison) {
  if (!Comparison) detail::RaiseNilComparison();
  return Create<detail::TDelegatedComparer<T>>(std::move(Comparison));
}

template <class T>
IPtr<IEqualityComparer<T>> TEqualityComparer<T>::Default() {
  return static_cast<IEqualityComparer<T>*>(&detail::TDefaultComparer<T>::Instance());
}

template <class T>
IPtr<IEqualityComparer<T>> TEqualityComparer<T>::Construct(TEqualityComparison<T> Equality, THasher<T> Hasher) {
  if (!Equality || !Hasher) detail::RaiseNilComparison();
  return Create<detail::TDelegatedEqualityComparer<T>>(std::move(Equality), std::move(Hasher));
}
