#pragma once
// TSet<E>: a set over the ordinal values 0 .. High of an enumeration, one bit an element.
//
//   enum TFontStyle : Byte { fsBold, fsItalic, fsUnderline, fsStrikeOut };
//   constexpr Integer EnumHigh(TFontStyle) { return fsStrikeOut; }   // optional, found by ADL
//   using TFontStyles = TSet<TFontStyle>;
//   TFontStyles s{fsBold, fsItalic};
//   if (s.Contains(fsBold)) s = s - TFontStyles{fsBold};
//
// Without an EnumHigh overload the set holds the ordinals 0 .. 255. High decides the size of
// the stored form (ToBits/FromBits): bit N of the set is bit N % 8 of byte N / 8, and a set
// takes 1, 2, 4 or High / 8 + 1 bytes (SetByteSize), as binary files store it.

#include <array>
#include <bit>
#include <cassert>
#include <initializer_list>
#include <type_traits>

#include "rtl/RTL.Types.h"

namespace detail {
template <typename E>
constexpr Integer SetHighOf() {
  if constexpr (requires { EnumHigh(E{}); })
    return static_cast<Integer>(EnumHigh(E{}));
  else
    return 255;
}
}  // namespace detail

// Bytes a set with ordinals 0 .. High occupies in stored form: 1, 2 or 4, above 31 High / 8 + 1.
constexpr Integer SetByteSize(Integer High) {
  const Integer n = High / 8 + 1;
  return n == 3 ? 4 : n;
}

template <typename E, Integer High = detail::SetHighOf<E>()>
class TSet {
  static_assert(std::is_enum_v<E>, "TSet needs an enumeration");
  static_assert(High >= 0 && High <= 255, "TSet holds at most 256 elements");
  static constexpr Integer WordCount = High / 64 + 1;
  using TWord = UInt64;

 public:
  using TElement = E;
  static constexpr Integer HighOrdinal = High;
  static constexpr Integer ByteSize = SetByteSize(High);

  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> Elements) {
    for (E e : Elements) Include(e);
  }

  // Every element 0 .. High.
  static constexpr TSet All() {
    TSet s;
    for (Integer i = 0; i <= High; ++i) s.FBits[i / 64] |= TWord(1) << (i % 64);
    return s;
  }

  // Elements outside 0 .. High are a programmer error: Include asserts (and ignores them in
  // release builds); Contains answers false for them.
  constexpr TSet& Include(E Element) {
    const Integer i = Ord(Element);
    assert(i >= 0 && i <= High);
    if (i >= 0 && i <= High) FBits[i / 64] |= TWord(1) << (i % 64);
    return *this;
  }
  constexpr TSet& Exclude(E Element) {
    const Integer i = Ord(Element);
    if (i >= 0 && i <= High) FBits[i / 64] &= ~(TWord(1) << (i % 64));
    return *this;
  }
  constexpr bool Contains(E Element) const {
    const Integer i = Ord(Element);
    return i >= 0 && i <= High && (FBits[i / 64] >> (i % 64)) & 1;
  }
  constexpr bool Empty() const {
    for (TWord w : FBits)
      if (w) return false;
    return true;
  }
  constexpr Integer Count() const {
    Integer n = 0;
    for (TWord w : FBits) n += std::popcount(w);
    return n;
  }
  constexpr void Clear() { FBits = {}; }

  friend constexpr TSet operator+(const TSet& A, const TSet& B) {
    TSet r;
    for (Integer i = 0; i < WordCount; ++i) r.FBits[i] = A.FBits[i] | B.FBits[i];
    return r;
  }
  friend constexpr TSet operator*(const TSet& A, const TSet& B) {
    TSet r;
    for (Integer i = 0; i < WordCount; ++i) r.FBits[i] = A.FBits[i] & B.FBits[i];
    return r;
  }
  friend constexpr TSet operator-(const TSet& A, const TSet& B) {
    TSet r;
    for (Integer i = 0; i < WordCount; ++i) r.FBits[i] = A.FBits[i] & ~B.FBits[i];
    return r;
  }
  constexpr TSet& operator+=(const TSet& B) { return *this = *this + B; }
  constexpr TSet& operator*=(const TSet& B) { return *this = *this * B; }
  constexpr TSet& operator-=(const TSet& B) { return *this = *this - B; }

  friend constexpr bool operator==(const TSet& A, const TSet& B) = default;
  // Subset and superset (not an ordering).
  friend constexpr bool operator<=(const TSet& A, const TSet& B) { return (A - B).Empty(); }
  friend constexpr bool operator>=(const TSet& A, const TSet& B) { return (B - A).Empty(); }

  // The first 64 elements as an integer (bit N = ordinal N), the form a set property of up to
  // 32 or 64 elements has as an ordinal value.
  constexpr UInt64 ToInteger() const { return FBits[0]; }
  static constexpr TSet FromInteger(UInt64 Value) {
    TSet s;
    s.FBits[0] = Value;
    s.Mask();
    return s;
  }

  // Writes the stored form into Size bytes at Dest (normally ByteSize): elements beyond
  // Size * 8 are not written, bytes beyond the set are zero.
  void ToBits(void* Dest, Integer Size) const {
    Byte* out = static_cast<Byte*>(Dest);
    for (Integer i = 0; i < Size; ++i) out[i] = i < WordCount * 8 ? static_cast<Byte>(FBits[i / 8] >> (i % 8 * 8)) : 0;
  }
  // Reads Size stored bytes; bits for ordinals above High are ignored.
  static TSet FromBits(const void* Src, Integer Size) {
    const Byte* in = static_cast<const Byte*>(Src);
    TSet s;
    for (Integer i = 0; i < Size && i < WordCount * 8; ++i) s.FBits[i / 8] |= TWord(in[i]) << (i % 8 * 8);
    s.Mask();
    return s;
  }

  // Iterates the elements in ascending order.
  class TIterator {
   public:
    constexpr TIterator(const TSet* Set, Integer Pos) : FSet(Set), FPos(Pos) { Skip(); }
    constexpr E operator*() const { return static_cast<E>(FPos); }
    constexpr TIterator& operator++() {
      ++FPos;
      Skip();
      return *this;
    }
    constexpr bool operator==(const TIterator& Other) const { return FPos == Other.FPos; }

   private:
    constexpr void Skip() {
      while (FPos <= High && !((FSet->FBits[FPos / 64] >> (FPos % 64)) & 1)) ++FPos;
    }
    const TSet* FSet;
    Integer FPos;
  };
  constexpr TIterator begin() const { return TIterator(this, 0); }
  constexpr TIterator end() const { return TIterator(this, High + 1); }

 private:
  static constexpr Integer Ord(E Element) { return static_cast<Integer>(Element); }
  constexpr void Mask() {
    if constexpr ((High + 1) % 64 != 0) FBits[WordCount - 1] &= (TWord(1) << ((High + 1) % 64)) - 1;
  }
  std::array<TWord, WordCount> FBits{};
};
