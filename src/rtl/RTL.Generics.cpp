#include "rtl/RTL.Generics.h"

#include <bit>
#include <cmath>
#include <limits>
#include <string_view>

#include "rtl/RTL.Exceptions.h"

namespace {
// Folds a 64-bit value to 32 bits so that every input bit reaches the result.
Integer Fold(UInt64 Value) {
  Value ^= Value >> 33;
  Value *= 0xFF51AFD7ED558CCDull;
  Value ^= Value >> 33;
  Value *= 0xC4CEB9FE1A85EC53ull;
  Value ^= Value >> 33;
  return static_cast<Integer>(static_cast<uint32_t>(Value ^ (Value >> 32)));
}
}  // namespace

Integer CompareOrdinal(StringView Left, StringView Right) {
  const int c = Left.compare(Right);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

Integer HashBytes(const void* Data, size_t Size) {
  return Fold(std::hash<std::string_view>()(std::string_view(static_cast<const char*>(Data), Size)));
}

Integer HashString(StringView Text) { return HashBytes(Text.data(), Text.size() * sizeof(Char)); }

Integer HashAnsiString(std::string_view Text) { return HashBytes(Text.data(), Text.size()); }

namespace detail {
Integer HashInt64(UInt64 Value) { return Fold(Value); }

Integer HashDouble(double Value) {
  // Values that compare equal hash alike: +0 and -0, and every NaN.
  if (Value == 0) Value = 0;
  if (std::isnan(Value)) Value = std::numeric_limits<double>::quiet_NaN();
  return Fold(std::bit_cast<UInt64>(Value));
}

Integer CompareDouble(double Left, double Right) {
  if (Left < Right) return -1;
  if (Left > Right) return 1;
  if (Left == Right) return 0;
  // At least one NaN: NaNs sort after every number and equal each other, so the order is total.
  const bool leftNaN = std::isnan(Left), rightNaN = std::isnan(Right);
  return leftNaN == rightNaN ? 0 : (leftNaN ? 1 : -1);
}

void RaiseNilComparison() { throw EArgumentNilException(u"Value cannot be null"); }
}  // namespace detail
