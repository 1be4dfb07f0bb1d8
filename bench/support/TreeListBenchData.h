#pragma once
// The rows both sides of the tree list benchmark show: 100,000 rows of three columns in a
// scrambled order, the middle column holding names with numbers that a natural sort orders
// differently from a plain one, and the text typed into the filter key by key.

#include <string>

namespace treelistbench {

constexpr int RowCount = 100000;
constexpr int ViewWidth = 400;
constexpr int ViewHeight = 600;
constexpr int SortColumn = 1;
constexpr const char16_t* FilterKeys = u"427";

// The scramble is a permutation of 0 .. RowCount - 1 (the multiplier is prime to RowCount).
inline int Scrambled(int Row, int Multiplier) { return int((long long)Row * Multiplier % RowCount); }

inline std::u16string Number(int Value) {
  const std::string text = std::to_string(Value);
  return std::u16string(text.begin(), text.end());
}

inline std::u16string Cell(int Row, int Column) {
  switch (Column) {
    case 0: return u"Item " + Number(Scrambled(Row, 7919));
    case 1: return u"track" + Number(Scrambled(Row, 104729) % 5000) + u" part" + Number(Row % 37);
    default: return Number(Scrambled(Row, 1299709) * 3);
  }
}

}  // namespace treelistbench
