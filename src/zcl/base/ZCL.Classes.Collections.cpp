#include "zcl/base/ZCL.Classes.Collections.h"

#include <algorithm>

#include "rtl/RTL.Variant.h"
#include "zcl/base/ZCL.Colors.h"

namespace detail {
void RaiseArgumentOutOfRange() { throw EArgumentOutOfRangeException(u"Argument out of range"); }

void RaiseRangeOutOfRange(Integer Index, Integer Count, Integer ListCount) {
  throw EArgumentOutOfRangeException(u"Argument out of range [%d-%d] in %d", {Index, Count, ListCount});
}

void RaiseOutOfMemory() { throw EOutOfMemory(u"Out of memory"); }
void RaiseDuplicates() { throw EListError(u"Duplicates not allowed"); }
void RaiseItemNotFound() { throw EListError(u"Item not found"); }
void RaiseInvalidClassTypecast() { throw EInvalidCast(u"Invalid class typecast"); }

template <>
IPtr<IComparer<Variant>> ListDefaultComparer<Variant>() {
  static const IPtr<IComparer<Variant>> comparer =
      TComparer<Variant>::Construct([](const Variant& L, const Variant& R) {
        try {
          switch (VarCompareValue(L, R)) {
            case vrLessThan:
              return -1;
            case vrGreaterThan:
              return 1;
            case vrEqual:
              return 0;
            default:
              break;
          }
        } catch (const Exception&) {
          // Values that do not compare (a text against a number it does not read as) order by kind.
        }
        return CompareValue(VarType(L), VarType(R)) != 0 ? CompareValue(VarType(L), VarType(R)) : 1;
      });
  return comparer;
}

Integer TableCapacityFor(Integer N) {
  if (N <= 0) return 0;
  if (N > 0x40000000) RaiseOutOfMemory();
  Integer capacity = 4;
  while (capacity < N) capacity *= 2;
  return capacity;
}
}  // namespace detail

void TZCLColorList::Populate(TColor BaseColor) {
  static constexpr Single Hues[] = {0.61f, 0.99f, 0.74f, 0.35f, 0.90f, 0.08f, 0.55f};
  static constexpr Single Offsets[] = {0.0f, -0.15f, 0.15f};
  SetCount(0);
  SetCapacity(21);
  for (Single offset : Offsets) {
    Single h, s, l;
    TZCLColors::ColorToHSL(BaseColor, h, s, l);
    l = static_cast<Single>(std::clamp<double>(l, 0.4, 0.8));
    s = s > 0.4f ? s : 0.4f;
    l = static_cast<Single>(std::clamp<double>(static_cast<double>(l) + offset, 0.2, 0.9));
    for (Single hue : Hues) Add(TZCLColors::HSLToColor(hue, s, l));
  }
}
