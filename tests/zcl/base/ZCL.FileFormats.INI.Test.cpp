#include <gtest/gtest.h>

#include <thread>
#include <utility>
#include <vector>

#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.Utils.Strings.h"

namespace {

using TCodePages = std::vector<std::pair<Integer, String>>;

TCodePages Enumerate() {
  TCodePages result;
  TZCLEncodings::EnumCodePages([&](Integer CodePage, const String& Name) { result.emplace_back(CodePage, Name); });
  return result;
}

Integer IndexOf(const TCodePages& Pages, Integer CodePage) {
  for (size_t i = 0; i < Pages.size(); ++i)
    if (Pages[i].first == CodePage) return static_cast<Integer>(i);
  return -1;
}

TEST(CodePageList, DefaultFirstThenInstalledPagesInLogicalOrder) {
  const TCodePages pages = Enumerate();
  ASSERT_GT(pages.size(), 3u);
  EXPECT_EQ(pages[0], (std::pair<Integer, String>{0, u"Default"}));
  for (size_t i = 1; i < pages.size(); ++i) {
    EXPECT_GT(pages[i].first, 0);
    EXPECT_FALSE(pages[i].second.empty());
    EXPECT_LE(pages[i].second.size(), 260u);
    if (i > 1) {
      EXPECT_LE(zcLogicalCompare(pages[i - 1].second, pages[i].second), 0) << i;
    }
  }
  // Names start with their number, so logical order puts 437 before 1252 and 1252 before 65001.
  const Integer dos = IndexOf(pages, 437), western = IndexOf(pages, 1252), utf8 = IndexOf(pages, 65001);
  ASSERT_GT(western, 0);
  EXPECT_EQ(pages[western].second.rfind(u"1252 ", 0), 0u) << StringToUTF8(pages[western].second);
  if (dos > 0) {
    EXPECT_LT(dos, western);
  }
  if (utf8 > 0) {
    EXPECT_LT(western, utf8);
  }
}

TEST(CodePageList, IsBuiltOnceAndRebuiltAfterFreeing) {
  const TCodePages first = Enumerate();
  EXPECT_EQ(Enumerate(), first);
  TZCLEncodings::FreeCodePages();
  // Concurrent first calls each see the whole list.
  std::vector<TCodePages> seen(4);
  std::vector<std::thread> threads;
  for (auto& s : seen) threads.emplace_back([&s] { s = Enumerate(); });
  for (auto& t : threads) t.join();
  for (const auto& s : seen) EXPECT_EQ(s, first);
}

}  // namespace
