#include "rtl/RTL.Strings.h"

#include <gtest/gtest.h>
#include <unicode/locid.h>

namespace {
std::string U8(StringView S) { return StringToUTF8(S); }
}  // namespace

TEST(Strings, OneBasedPositionsClamp) {
  EXPECT_EQ(Pos(u"lo", u"hello"), 4);
  EXPECT_EQ(Pos(u"", u"hello"), 0);
  EXPECT_EQ(Pos(u"x", u"hello"), 0);
  EXPECT_EQ(Pos(u"l", u"hello", 4), 4);
  EXPECT_EQ(Pos(u"l", u"hello", 5), 0);
  EXPECT_EQ(Pos(u"h", u"hello", 0), 0);
  EXPECT_EQ(Pos(u"h", u"hello", 6), 0);
  EXPECT_EQ(Pos(u'e', u"hello"), 2);
  EXPECT_EQ(PosEx(u"l", u"hello", 3), 3);
  EXPECT_EQ(LastDelimiter(u"/\\", u"a/b\\c.txt"), 4);
  EXPECT_EQ(LastDelimiter(u".", u"abc"), 0);

  struct CopyCase {
    Integer index, count;
    const char16_t* expected;
  };
  const CopyCase copies[] = {{1, 2, u"ab"}, {0, 2, u"ab"}, {-5, 1, u"a"}, {2, 99, u"bc"},
                             {4, 1, u""},   {5, 1, u""},   {2, 0, u""},   {2, -1, u""}};
  for (const auto& c : copies) EXPECT_EQ(Copy(u"abc", c.index, c.count), c.expected) << c.index << "," << c.count;
  EXPECT_EQ(Copy(u"abc", 2), u"bc");

  struct DeleteCase {
    Integer index, count;
    const char16_t* expected;
  };
  const DeleteCase deletes[] = {{2, 1, u"acd"}, {0, 2, u"abcd"}, {5, 1, u"abcd"},
                                {3, 99, u"ab"}, {1, 0, u"abcd"}, {2, -3, u"abcd"}};
  for (const auto& c : deletes) {
    String s = u"abcd";
    Delete(s, c.index, c.count);
    EXPECT_EQ(s, c.expected) << c.index << "," << c.count;
  }

  const std::pair<Integer, const char16_t*> inserts[] = {{1, u"XYab"}, {2, u"aXYb"}, {3, u"abXY"},
                                                          {99, u"abXY"}, {0, u"XYab"}, {-4, u"XYab"}};
  for (const auto& [index, expected] : inserts) {
    String s = u"ab";
    Insert(u"XY", s, index);
    EXPECT_EQ(s, expected) << index;
  }
}

TEST(Strings, TrimAndRepeat) {
  const String s = String(u"\0 \t x y\r\n", 9);
  EXPECT_EQ(Trim(s), u"x y");
  EXPECT_EQ(TrimLeft(s), u"x y\r\n");
  EXPECT_EQ(TrimRight(s), String(u"\0 \t x y", 7));
  EXPECT_EQ(Trim(u" \t "), u"");
  EXPECT_EQ(Trim(u"\u00A0x"), u"\u00A0x");  // only characters up to space
  EXPECT_EQ(StringOfChar(u'-', 3), u"---");
  EXPECT_EQ(StringOfChar(u'-', -1), u"");
  EXPECT_EQ(DupeString(u"ab", 3), u"ababab");
  EXPECT_EQ(DupeString(u"ab", 0), u"");
}

TEST(Strings, CaseMapping) {
  EXPECT_EQ(UpperCase(u"abc\u00E9z"), u"ABC\u00E9Z");  // ASCII only
  EXPECT_EQ(LowerCase(u"ABC\u00C9Z"), u"abc\u00C9z");
  EXPECT_EQ(AnsiUpperCase(u"abc\u00E9\u0444"), u"ABC\u00C9\u0424");
  EXPECT_EQ(AnsiLowerCase(u"ABC\u00C9\u0424"), u"abc\u00E9\u0444");
  EXPECT_EQ(AnsiUpperCase(u"stra\u00DFe"), u"STRASSE");  // may grow
  EXPECT_EQ(UpCase(u'q'), u'Q');
  EXPECT_EQ(ToUpper(u'\u00E9'), u'\u00C9');
  EXPECT_EQ(ToLower(u'\u0424'), u'\u0444');
}

TEST(Strings, CaseMappingOfPlainAsciiFollowsTheLocale) {
  EXPECT_EQ(AnsiUpperCase(u"item 9, z!"), u"ITEM 9, Z!");
  EXPECT_EQ(AnsiLowerCase(u"ITEM 9, Z!"), u"item 9, z!");
  // Turkish maps i and I to the dotted capital and the dotless small letter.
  const icu::Locale saved = icu::Locale::getDefault();
  UErrorCode status = U_ZERO_ERROR;
  icu::Locale::setDefault(icu::Locale("tr", "TR"), status);
  EXPECT_EQ(AnsiUpperCase(u"i"), u"\u0130");
  EXPECT_EQ(AnsiLowerCase(u"I"), u"\u0131");
  icu::Locale::setDefault(saved, status);
  EXPECT_EQ(AnsiUpperCase(u"i"), u"I");
}

TEST(Strings, OrdinalComparison) {
  EXPECT_LT(CompareStr(u"a", u"b"), 0);
  EXPECT_GT(CompareStr(u"a", u"B"), 0);  // code units: "B" < "a"
  EXPECT_LT(CompareStr(u"ab", u"abc"), 0);
  EXPECT_EQ(CompareStr(u"", u""), 0);
  EXPECT_EQ(CompareText(u"Hello", u"hELLO"), 0);
  EXPECT_LT(CompareText(u"apple", u"Banana"), 0);
  EXPECT_NE(CompareText(u"\u00E9", u"\u00C9"), 0);  // ASCII folding only
  EXPECT_TRUE(SameText(u"ZePh", u"zEpH"));
  EXPECT_FALSE(SameText(u"abc", u"abcd"));
  EXPECT_TRUE(SameStr(u"a", u"a"));
}

TEST(Strings, LocaleComparison) {
  // Orderings every collation agrees on.
  EXPECT_EQ(AnsiCompareText(u"\u00C9t\u00E9", u"\u00E9T\u00C9"), 0);
  EXPECT_TRUE(AnsiSameText(u"Stra\u00DFe", u"STRA\u00DFE"));
  EXPECT_FALSE(AnsiSameText(u"e", u"\u00E9"));  // accents are not case
  EXPECT_LT(AnsiCompareText(u"apple", u"Banana"), 0);
  EXPECT_LT(AnsiCompareStr(u"a", u"b"), 0);
  EXPECT_GT(AnsiCompareStr(u"b", u"A"), 0);  // letters before case
  EXPECT_NE(AnsiCompareStr(u"a", u"A"), 0);
  EXPECT_LT(AnsiCompareStr(u"e", u"\u00E9"), 0);
  EXPECT_LT(AnsiCompareStr(u"\u00E9", u"f"), 0);
  EXPECT_TRUE(AnsiSameStr(u"x", u"x"));
  EXPECT_EQ(AnsiCompareText(u"", u""), 0);
  EXPECT_LT(AnsiCompareText(u"", u"a"), 0);
}

TEST(Strings, PrefixSuffixContains) {
  EXPECT_TRUE(StartsStr(u"ab", u"abc"));
  EXPECT_FALSE(StartsStr(u"AB", u"abc"));
  EXPECT_TRUE(StartsText(u"AB", u"abc"));
  EXPECT_TRUE(EndsText(u"\u00C9T\u00C9", u"\u00E9t\u00E9"));
  EXPECT_FALSE(EndsText(u"abcd", u"bcd"));
  EXPECT_TRUE(EndsStr(u"", u"x"));
  EXPECT_TRUE(ContainsText(u"Hello World", u"o w"));
  EXPECT_FALSE(ContainsStr(u"Hello World", u"o w"));
}

TEST(Strings, StringReplace) {
  struct Case {
    const char16_t *text, *from, *to;
    TReplaceFlags flags;
    const char16_t* expected;
  };
  const Case cases[] = {
      {u"aaa", u"a", u"b", {rfReplaceAll}, u"bbb"},
      {u"aaa", u"a", u"b", {}, u"baa"},
      {u"Abc abc", u"ABC", u"x", {rfReplaceAll, rfIgnoreCase}, u"x x"},
      {u"Abc abc", u"ABC", u"x", {rfReplaceAll}, u"Abc abc"},
      {u"abc", u"", u"x", {rfReplaceAll}, u"abc"},
      {u"aaaa", u"aa", u"a", {rfReplaceAll}, u"aa"},  // no rescan of replaced text
      {u"x.y.z", u".", u"", {rfReplaceAll}, u"xyz"},
      {u"\u00C9t\u00E9 \u00E9t\u00E9", u"\u00E9T\u00C9", u"summer", {rfReplaceAll, rfIgnoreCase}, u"summer summer"},
      // Folding keeps positions: "ß" stays one code unit and the text around it is intact.
      {u"Gro\u00DF gross", u"GROSS", u"big", {rfReplaceAll, rfIgnoreCase}, u"Gro\u00DF big"},
  };
  for (const auto& c : cases) EXPECT_EQ(StringReplace(c.text, c.from, c.to, c.flags), c.expected) << U8(c.text);
}

TEST(Strings, Quoting) {
  EXPECT_EQ(QuotedStr(u"it's"), u"'it''s'");
  EXPECT_EQ(QuotedStr(u""), u"''");
  EXPECT_EQ(AnsiQuotedStr(u"say \"hi\"", u'"'), u"\"say \"\"hi\"\"\"");
  EXPECT_EQ(AnsiDequotedStr(u"'it''s'", u'\''), u"it's");
  EXPECT_EQ(AnsiDequotedStr(u"plain", u'\''), u"plain");
  EXPECT_EQ(AnsiDequotedStr(u"'open", u'\''), u"'open");
  EXPECT_EQ(AnsiDequotedStr(u"'a' tail", u'\''), u"'a' tail");
  EXPECT_EQ(AnsiDequotedStr(u"''", u'\''), u"");
  EXPECT_EQ(AnsiDequotedStr(u"'", u'\''), u"'");

  StringView src = u"'a''b' rest";
  EXPECT_EQ(AnsiExtractQuotedStr(src, u'\''), u"a'b");
  EXPECT_EQ(src, u" rest");
  StringView open = u"'unterminated";
  EXPECT_EQ(AnsiExtractQuotedStr(open, u'\''), u"unterminated");
  EXPECT_TRUE(open.empty());
  StringView none = u"x'y'";
  EXPECT_EQ(AnsiExtractQuotedStr(none, u'\''), u"");
  EXPECT_EQ(none, u"x'y'");
}

TEST(Strings, IntToHex) {
  EXPECT_EQ(IntToHex(255, 4), u"00FF");
  EXPECT_EQ(IntToHex(255, 0), u"FF");
  EXPECT_EQ(IntToHex(0, 1), u"0");
  EXPECT_EQ(IntToHex(-1, 2), u"FFFFFFFF");
  EXPECT_EQ(IntToHex(Int64(-1), 2), u"FFFFFFFFFFFFFFFF");
  EXPECT_EQ(IntToHex(UInt64(0xABCDEF0123456789ull), 20), u"0000ABCDEF0123456789");
  EXPECT_EQ(IntToHex(0xFF000000u, 6), u"FF000000");  // Cardinal stays 32 bits wide
}

TEST(Strings, IdentifiersAndCharacterClasses) {
  const std::pair<const char16_t*, bool> plain[] = {
      {u"Name", true}, {u"_x1", true}, {u"\u00E9t\u00E9", true}, {u"1x", false}, {u"", false},
      {u"a b", false}, {u"a.b", false}, {u"a-b", false}};
  for (const auto& [text, ok] : plain) EXPECT_EQ(IsValidIdent(text), ok) << U8(text);
  const std::pair<const char16_t*, bool> dotted[] = {
      {u"a.b", true}, {u"a.b.c1", true}, {u".a", false}, {u"a.", false}, {u"a..b", false}, {u"a.1", false}};
  for (const auto& [text, ok] : dotted) EXPECT_EQ(IsValidIdent(text, true), ok) << U8(text);

  EXPECT_TRUE(CharInSet(u',', u",;"));
  EXPECT_FALSE(CharInSet(u'.', u",;"));
  EXPECT_TRUE(IsDigit(u'7'));
  EXPECT_TRUE(IsDigit(u'\u0663'));  // Arabic-Indic three
  EXPECT_FALSE(IsDigit(u'x'));
  EXPECT_TRUE(IsLetter(u'\u00E9'));
  EXPECT_FALSE(IsLetter(u'_'));
  EXPECT_FALSE(IsLetter(u'\xD800'));
  EXPECT_TRUE(IsWhiteSpace(u'\u00A0'));
  EXPECT_TRUE(IsUpper(u'\u00C9'));
  EXPECT_TRUE(IsLower(u'a'));
  EXPECT_TRUE(IsLetterOrDigit(u'5'));
}

TEST(Strings, AdjustLineBreaks) {
  EXPECT_EQ(AdjustLineBreaks(u"a\r\nb\rc\nd"), u"a\nb\nc\nd");
  EXPECT_EQ(AdjustLineBreaks(u"a\r\nb\rc\nd", TTextLineBreakStyle::tlbsCRLF), u"a\r\nb\r\nc\r\nd");
  EXPECT_EQ(AdjustLineBreaks(u"\n\r", TTextLineBreakStyle::tlbsCRLF), u"\r\n\r\n");  // LF CR is two breaks
}
