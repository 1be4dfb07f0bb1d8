#include <gtest/gtest.h>

#include "rtl/RTL.RegularExpressions.h"

TEST(RegEx, MatchesWithGroupsAndPositions) {
  TRegEx re(u"(?<user>\\w+)@(?<host>[a-z.]+)");
  TMatch m = re.Match(u"Mail: bob@example.org now");
  ASSERT_TRUE(m.GetSuccess());
  EXPECT_EQ(m.GetIndex(), 7);
  EXPECT_EQ(m.GetLength(), 15);
  EXPECT_EQ(m.GetValue(), u"bob@example.org");
  EXPECT_EQ(m.GetGroup(u"user").GetValue(), u"bob");
  EXPECT_EQ(m.GetGroup(2).GetValue(), u"example.org");
  EXPECT_EQ(m.GetGroup(2).GetIndex(), 11);
  EXPECT_THROW(m.GetGroup(u"none"), ERegularExpressionError);
  EXPECT_THROW(m.GetGroup(3), ERegularExpressionError);
  ASSERT_EQ(re.GetGroupNames().size(), 2u);
  EXPECT_EQ(re.GetGroupNames()[1].first, u"host");
  EXPECT_FALSE(re.Match(u"no address").GetSuccess());
}

TEST(RegEx, OptionsChangeWhatMatches) {
  struct {
    const char16_t* Pattern;
    TRegExOptions Options;
    const char16_t* Input;
    bool Expected;
  } cases[] = {
      {u"^feat", {}, u"FEAT", false},
      {u"^feat", {roIgnoreCase}, u"FEAT", true},
      {u"при", {roIgnoreCase}, u"ПРИ участии", true},
      {u"^b$", {}, u"a\nb\nc", false},
      {u"^b$", {roMultiLine}, u"a\nb\nc", true},
      {u"a.c", {}, u"a\nc", false},
      {u"a.c", {roSingleLine}, u"a\nc", true},
      {u"a b", {roExtended}, u"ab", true},
      {u"^\\w+$", {}, u"élan", false},
      {u"^\\w+$", {roUnicodeProperties}, u"élan", true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TRegEx::IsMatch(c.Input, c.Pattern, c.Options), c.Expected) << "case " << (&c - cases);
}

TEST(RegEx, ReplaceExpandsGroupsAndEvaluator) {
  TRegEx re(u"(?<first>\\w+) (\\w+)");
  EXPECT_EQ(re.Replace(u"John Smith, Ann Lee", u"$2 ${first} $$"), u"Smith John $, Lee Ann $");
  EXPECT_EQ(re.Replace(u"John Smith, Ann Lee", u"${2}", 1), u"Smith, Ann Lee");
  EXPECT_THROW(re.Replace(u"a b", u"${nope}"), ERegularExpressionError);
  EXPECT_EQ(TRegEx(u"\\d+").Replace(u"a1b22c", [](const TMatch& m) { return u"<" + m.GetValue() + u">"; }),
            u"a<1>b<22>c");
  EXPECT_EQ(TRegEx::Replace(u"a-b-c", u"-", u"+"), u"a+b+c");
  // Empty matches advance and insert between every character.
  EXPECT_EQ(TRegEx(u"x*").Replace(u"abc", u"-"), u"-a-b-c-");
}

TEST(RegEx, MatchesSplitEscapeAndErrors) {
  TRegEx re(u"\\d+");
  auto all = re.Matches(u"1 22 333");
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[2].GetValue(), u"333");
  EXPECT_EQ(all[2].GetIndex(), 6);
  auto parts = TRegEx(u"\\s*,\\s*").Split(u"a , b,c");
  ASSERT_EQ(parts.size(), 3u);
  EXPECT_EQ(parts[1], u"b");
  EXPECT_TRUE(TRegEx::IsMatch(u"a.b*(c)", TRegEx::Escape(u"a.b*(c)")));
  EXPECT_FALSE(TRegEx::IsMatch(u"axb", TRegEx::Escape(u"a.b")));
  EXPECT_THROW(TRegEx(u"(unclosed"), ERegularExpressionError);
  // Unmatched optional group, and a lone surrogate in the input, are handled.
  TMatch m = TRegEx(u"a(b)?c").Match(u"\xD800 ac");
  ASSERT_TRUE(m.GetSuccess());
  EXPECT_FALSE(m.GetGroup(1).GetSuccess());
  EXPECT_EQ(m.GetIndex(), 3);
}
