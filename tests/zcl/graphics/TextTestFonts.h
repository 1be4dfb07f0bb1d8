#pragma once
// Text tests measure with DejaVu Sans so that their numbers are stable.

#include <fstream>

inline bool DejaVuInstalled() {
  static const bool ok = static_cast<bool>(std::ifstream("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"));
  return ok;
}

#define REQUIRE_DEJAVU() \
  if (!DejaVuInstalled()) GTEST_SKIP() << "the DejaVu fonts (fonts-dejavu-core) are not installed"
