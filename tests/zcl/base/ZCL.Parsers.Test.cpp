#include "zcl/base/ZCL.Parsers.h"

#include <gtest/gtest.h>

namespace {
using TTokens = std::vector<std::pair<std::string, Integer>>;

TTokens Tokens(TZCLParser& Parser, const String& Text) {
  Parser.Initialize(Text);
  TTokens out;
  TZCLParserToken token;
  while (Parser.GetToken(token)) out.emplace_back(StringToUTF8(token.ToString()), token.TokenType);
  return out;
}
}  // namespace

TEST(Parser, SetsAndSkipping) {
  TZCLParser p(u"+- ", u"'\"", u" ");
  EXPECT_EQ(Tokens(p, u"a + b"), (TTokens{{"a", ttText}, {"b", ttText}}));
  p.SkipDelimiters = false;
  // The space is a space first, never a delimiter.
  EXPECT_EQ(Tokens(p, u"a + b"), (TTokens{{"a", ttText}, {"+", ttDelimiter}, {"b", ttText}}));
  EXPECT_EQ(Tokens(p, u""), TTokens{});
  TZCLParser noSpaceDelimiter(u"+-", u"", u" ");
  EXPECT_EQ(Tokens(noSpaceDelimiter, u"a + b"), (TTokens{{"a ", ttText}, {"b", ttText}}));
  TZCLParser comma(u",", u"", u" ");
  comma.SkipDelimiters = false;
  EXPECT_EQ(Tokens(comma, u"a b,c"), (TTokens{{"a b", ttText}, {",", ttDelimiter}, {"c", ttText}}));
}

TEST(Parser, QuotedText) {
  TZCLParser p(u" ", u"'", u" ");
  p.QuotedTextAsSingleToken = true;
  EXPECT_EQ(Tokens(p, u"'x y' z"), (TTokens{{"x y", ttQuotedText}, {"z", ttText}}));
  EXPECT_EQ(Tokens(p, u"''"), (TTokens{{"", ttQuotedText}}));
  EXPECT_EQ(Tokens(p, u"'abc"), (TTokens{{"'", ttQuoteChar}, {"abc", ttText}}));
  p.QuotedTextAsSingleTokenUnquote = false;
  EXPECT_EQ(Tokens(p, u"'x y'"), (TTokens{{"'x y'", ttQuotedText}}));
  p.QuotedTextAsSingleToken = false;
  p.SkipQuotes = true;
  // A quote ends a text token only when it is also a delimiter.
  EXPECT_EQ(Tokens(p, u"'ab'"), (TTokens{{"ab'", ttText}}));
}

TEST(Parser, ScanningRoutines) {
  const String text = u"a\r\nb\rc\n\nd";
  const Char* scan = text.data();
  Integer count = static_cast<Integer>(text.size());
  TZCLParserToken t;
  std::vector<std::string> lines;
  while (count > 0) {
    const bool has = zcParseLine(scan, count, t);
    lines.push_back(has ? StringToUTF8(t.ToString()) : "<empty>");
  }
  EXPECT_EQ(lines, (std::vector<std::string>{"a", "b", "c", "<empty>", "d"}));
  const String kv = u"key=value";
  scan = kv.data();
  count = static_cast<Integer>(kv.size());
  EXPECT_TRUE(zcParseUntil(scan, count, t, u'='));
  EXPECT_TRUE(t.Compare(u"KEY", true));
  EXPECT_FALSE(t.Compare(u"KEY"));
  EXPECT_TRUE(t.StartsWith(u"ke"));
  EXPECT_EQ(String(scan, count), u"value");

  EXPECT_EQ(zcExtractTextBetween(u"<B>bold</b> rest", u"<b>", u"</B>"), u"bold");
  EXPECT_EQ(zcExtractTextBetween(u"x<b>tail", u"<b>", u"</b>"), u"tail");
  EXPECT_EQ(zcExtractTextBetween(u"none", u"<b>", u"</b>"), u"");
  String q = u"\"a\"";
  EXPECT_TRUE(RemoveQuotes(q));
  EXPECT_EQ(q, u"a");
  for (String s : {String(u"'a\""), String(u"\"")}) {
    const String before = s;
    EXPECT_FALSE(RemoveQuotes(s));
    EXPECT_EQ(s, before);
  }
}

TEST(Parser, TokenComparerFoldsAsciiOnly) {
  TZCLTokenComparer c;
  EXPECT_TRUE(c.Equals(u"abc", u"ABC"));
  EXPECT_FALSE(c.Equals(u"\u00E9", u"\u00C9"));
  EXPECT_FALSE(c.Equals(u"ab", u"abc"));
  EXPECT_EQ(c.GetHashCode(u"abc"), c.GetHashCode(u"ABC"));
  EXPECT_EQ(c.GetHashCode(u"ABC"), 0x4563u);
}
