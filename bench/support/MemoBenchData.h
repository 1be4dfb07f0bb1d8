#pragma once
// The text both halves of the memo benchmark set: 16,384 numbered lines of 63 characters and a
// CR LF each (about one megabyte of characters), and the view's size.
#include <cstdio>
#include <string>

namespace memobench {

inline constexpr int ViewWidth = 600;
inline constexpr int ViewHeight = 400;
inline constexpr int LineCount = 16384;

inline const std::u16string& Text() {
  static const std::u16string text = [] {
    std::u16string result;
    char line[80];
    for (int i = 0; i < LineCount; ++i) {
      std::snprintf(line, sizeof line, "%05d the quick brown fox jumps over the lazy dog %011d", i, i * 7919);
      for (const char* c = line; *c; ++c) result += char16_t(*c);
      result += u"\r\n";
    }
    return result;
  }();
  return text;
}

}  // namespace memobench
