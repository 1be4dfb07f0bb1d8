#include <gtest/gtest.h>

#include "zse/script/ZSE.Script.Tokenizer.h"

namespace {

std::string Utf8(const String& S) { return StringToUTF8(S); }

TEST(ScriptTokenizer, SkipsBlanksAndComments) {
  TzsParser p;
  p.SetText(u"{a} (* b *) x");
  p.SkipSpaces();
  EXPECT_EQ(p.GetPosition(), 13);
  p.SetText(u"  // to the end");
  p.SkipSpaces();
  EXPECT_EQ(p.GetPosition(), 16);
  p.SetText(u"{ never closed");
  p.SkipSpaces();
  EXPECT_EQ(p.GetPosition(), 15);
}

TEST(ScriptTokenizer, WordsIdentsAndKeywords) {
  TzsParser p;
  p.AddKeyword(u"begin");
  p.SetText(u" Begin foo1 2x");
  EXPECT_EQ(Utf8(p.GetIdent()), "");
  p.SetPosition(1);
  EXPECT_EQ(Utf8(p.GetWord()), "Begin");
  EXPECT_EQ(Utf8(p.GetIdent()), "foo1");
  EXPECT_EQ(Utf8(p.GetWord()), "");  // a digit does not start a word
  p.SetCaseSensitive(true);
  EXPECT_FALSE(p.IsKeyWord(u"BEGIN"));
  EXPECT_TRUE(p.IsKeyWord(u"begin"));
}

TEST(ScriptTokenizer, Numbers) {
  struct Case {
    const char16_t* Text;
    const char* Number;
    Integer After;
  } cases[] = {
      {u"$1F;", "$1F", 4}, {u"1.5e-3", "1.5e-3", 7}, {u"1.e5", "1", 2},
      {u"2e", "2", 2},     {u"1..5", "1", 2},        {u"x", "", 1},
  };
  TzsParser p;
  for (const Case& c : cases) {
    p.SetText(c.Text);
    EXPECT_EQ(Utf8(p.GetNumber()), c.Number) << Utf8(c.Text);
    EXPECT_EQ(p.GetPosition(), c.After) << Utf8(c.Text);
  }
}

TEST(ScriptTokenizer, Strings) {
  TzsParser p;
  p.SetText(u"'it''s'");
  EXPECT_EQ(Utf8(p.GetString()), "'it's'");
  p.SetText(u"'a'#13#10'b'#$41");
  EXPECT_EQ(Utf8(p.GetString()), "'a\r\nbA'");
  p.SetText(u" 'abc");
  EXPECT_EQ(Utf8(p.GetString()), "");
  EXPECT_EQ(p.GetPosition(), 2);
  p.SetSpecStrChar(true);
  p.SetText(u"'a\\n' 'b\\'\\x41'");
  EXPECT_EQ(Utf8(p.GetString()), "'a\n'");
  EXPECT_EQ(Utf8(p.GetString()), "'b'A'");
}

TEST(ScriptTokenizer, PositionsAndBracketedNames) {
  TzsParser p;
  p.SetText(u"ab\ncd");
  EXPECT_EQ(Utf8(p.PositionToXY(5)), "2:2");
  EXPECT_EQ(Utf8(p.PositionToXY(3)), "1:3");
  EXPECT_EQ(Utf8(p.PositionToXY(1)), "1:1");
  EXPECT_EQ(p.GetPlainPosition(TPoint(2, 2)), 5);
  EXPECT_EQ(p.GetPlainPosition(TPoint(1, 3)), -1);
  EXPECT_EQ(TzsParser::SourcePosToPoint(u"12:5").X, 5);
  EXPECT_EQ(TzsParser::SourcePosToPoint(u"12:5").Y, 12);
  p.SetText(u"a<b>'>'c>d");
  p.SetPosition(1);
  EXPECT_EQ(Utf8(p.GetFRString()), "a<b>'>'c");
}

TEST(ScriptTokenizer, LineEndsWhenNotSkipped) {
  TzsParser p;
  p.SetSkipEOL(false);
  p.SetText(u"// own line\r\nx");
  EXPECT_FALSE(p.GetEOL());
  EXPECT_EQ(Utf8(p.GetWord()), "x");
  p.SetText(u"y // after code\r\nz");
  EXPECT_EQ(Utf8(p.GetWord()), "y");
  EXPECT_TRUE(p.GetEOL());
}

}  // namespace
