#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "ZCL.Base.TestUtil.h"
#include "rtl/RTL.Numbers.h"
#include "zcl/base/ZCL.Expressions.FormatString.h"

namespace {
struct TTrack {
  String Artist;
  String Number;
};

// Templates over a track: the macros X (artist) and Y (number).
class TTrackFactory : public TZCLFormatStringFactory {
 public:
  void RegisterFunctions() override {
    TZCLFormatStringFactory::RegisterFunctions();
    RegisterMacro(u"X", {this, &TTrackFactory::Artist});
    RegisterMacro(u"Y", {this, &TTrackFactory::Number});
  }
  void Artist(String& Value, TZCLExpressionContext C) { Value = static_cast<TTrack*>(C)->Artist; }
  void Number(String& Value, TZCLExpressionContext C) { Value = static_cast<TTrack*>(C)->Number; }
};

class FormatStrings : public ::testing::Test {
 protected:
  void SetUp() override { F = Create<TTrackFactory>(); }
  void TearDown() override { Free(F); }
  std::string Eval(const String& Text, TTrack* Track = nullptr, bool Optimize = true) {
    TZCLFormatString* t = F->CompileTemplate(Text, Optimize);
    std::string result;
    try {
      result = StringToUTF8(VarToStr(t->Evaluate(Track)));
    } catch (...) {
      Free(t);
      throw;
    }
    Free(t);
    return result;
  }
  std::string Text(const String& Source, bool Optimize) {
    TZCLFormatString* t = F->CompileTemplate(Source, Optimize);
    const String s = t->ToString();
    Free(t);
    return StringToUTF8(s);
  }
  TTrackFactory* F = nullptr;
};
}  // namespace

TEST_F(FormatStrings, Functions) {
  const std::pair<String, const char*> cases[] = {
      {u"", ""},
      {u"a b, (c) 'd' \"e\"", "a b, (c) 'd' \"e\""},
      {u"50%", "50%"},
      {u"%Length(abc)", "3"},
      {u"%Length( ab )", "4"},
      {u"%Length(%Up(ab)cd)", "4"},
      // Literal text is always a string: "0" is set.
      {u"%IF(0,yes,no)", "yes"},
      {u"%IF(,yes,no)", "no"},
      {u"%IF(%Dec(1,1),yes,no)", "no"},
      {u"%Case(,,b)", "b"},
      {u"%Case()", ""},
      {u"%Inc(2,3)", "5"},
      {u"%Inc(x,3)", "3"},
      {u"%Dec(10, 4 )", "6"},
      {u"%Inc(2147483647,1)", "-2147483648"},
      {u"%StrLeft(abc-def,-)", "abc"},
      {u"%StrRight(abc-def,-)", "def"},
      {u"%StrLeft(abcdef,2)", "ab"},
      {u"%StrRight(abcdef,2)", "ef"},
      {u"%StrRight(abc,5)", "abc"},
      {u"%StrLeft(abc,-1)", ""},
      {u"%StrPos(c,abc)", "3"},
      {u"%StrPos(x,abc)", "0"},
      {u"%StrCopy(abcdef,2,3)", "bcd"},
      {u"%StrCopy(abcdef,0,2)", "ab"},
      {u"%StrCopy(abcdef,5,2147483647)", "ef"},
      {u"%StrCopy(abcdef,x,2)", "abcdef"},
      {u"%Char(65)", "A"},
      {u"%Char(x)", "x"},
      {u"%ReplaceEx(aXbY,X,1,Y,2)", "a1b2"},
      {u"%ReplaceEx(aXb,X)", "ab"},
      {u"%ReplaceEx(aXbY,X,1,Y)", "a1bY"},
      {u"%Remove(a-b_c,-,_)", "abc"},
      {u"%Replace(a.b.c,.,-)", "a-b-c"},
      {u"%Caps(hELLO wORLD)", "Hello World"},
      {u"%Caps2(hELLO wORLD)", "HELLO WORLD"},
      {u"%Up(abc) %low(ABC)", "ABC abc"},
      {u"%StrTrim(  x  )", "x"},
      {u"%StrTrimDiacritic(caf\u00E9)", "cafe"},
      {u"%Transliterate(\u0429\u0443\u043A\u0430)", "Schuka"},
      {u"%Detransliterate(Schuka)", "\u0429\u0443\u043A\u0430"},
      {u"%IFEqual(a2,a02,eq,ne)", "eq"},
      {u"%IFGreater(a10,a9,gt,le)", "gt"},
      {u"%IFGreaterOrEqual(1,2,ge,lt)", "lt"},
      {u"%Format(0.00,x)", "x"},
      {u"x%!y", "xy"},
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(StringToUTF8(text));
    EXPECT_EQ(Eval(text, nullptr, false), expected);
    EXPECT_EQ(Eval(text, nullptr, true), expected);
  }
  EXPECT_EQ(Eval(u"%Format(0.00,1234.5)"), StringToUTF8(FormatFloat(u"0.00", 1234.5)));
}

TEST_F(FormatStrings, Errors) {
  const std::pair<String, const char*> cases[] = {
      {u"50% off", "Syntax Error: Unknown function(Token: \"%\", Scan Cursor: \"off\")"},
      {u"%%", "Syntax Error: Unknown function"},
      {u"%Nope", "Syntax Error: Unknown function"},
      {u"%Length(a,b)", "Syntax Error: function \"Length\" has too many arguments"},
      {u"%Length (abc)",
       "Syntax Error: function \"Length\" has too small arguments(Token: \"Length\", Scan Cursor: \" (abc)\")"},
      {u"%Length(abc", "Syntax Error: unequal brackets"},
      {u"%X(feat)", "Syntax Error: function \"X\" has too many arguments"},
  };
  for (const auto& [text, message] : cases) {
    SCOPED_TRACE(StringToUTF8(text));
    EXPECT_EQ(RaisedMessage<EZCLExpressionCompiler>([&] { Eval(text); }), message);
  }
  // Quietly: the template keeps what came before the error, or its source when nothing did.
  F->SetRaiseErrors(false);
  EXPECT_EQ(Eval(u"%%"), "%%");
  EXPECT_EQ(Text(u"%%", true), "%%");
  EXPECT_EQ(Eval(u"ab %%"), "ab ");
}

TEST_F(FormatStrings, MacrosFoldingAndTextForm) {
  TTrack a{u"Abba", u"2"};
  TTrack b{u"Beck", u"10"};
  EXPECT_EQ(Eval(u"%X - %Y", &a), "Abba - 2");
  // Macros are never folded; the literal parts and calls on literals are.
  TZCLFormatString* t = F->CompileTemplate(u"%Length(abc) by %X", true);
  EXPECT_EQ(t->ToString(), u"3 by %X");
  EXPECT_EQ(t->Evaluate(&b).AsString(), u"3 by Beck");
  Free(t);
  t = F->CompileTemplate(u"a b", true);
  EXPECT_NE(dynamic_cast<TZCLExpressionElementConstant*>(t->GetRoot()), nullptr);
  Free(t);
  EXPECT_EQ(Text(u"%Length(abc) %X%!%Y", false), "%Length(abc) %X%!%Y");
  // One part keeps its kind: a number stays a number.
  t = F->CompileTemplate(u"%Length(abc)", false);
  EXPECT_EQ(t->Evaluate().VarType(), varInteger);
  Free(t);
  // The empty template has no tree and gives its source.
  t = F->CompileTemplate(u"", true);
  EXPECT_EQ(t->GetRoot(), nullptr);
  EXPECT_EQ(t->Evaluate().AsString(), u"");
  Free(t);

  F->SetMacroClosingTag(true);
  EXPECT_EQ(Eval(u"%X% and %Length(ab)", &a), "Abba and 2");
  EXPECT_EQ(Text(u"%X%%!%Y%", false), "%X%%!%Y%");
  EXPECT_EQ(RaisedMessage<EZCLExpressionCompiler>([&] { Eval(u"%X and", &a); }),
            "Syntax Error: macro closing tag is missing(Token: \"X\", Scan Cursor: \" and\")");
}

TEST_F(FormatStrings, SortKeys) {
  TTrack a1{u"abba", u"2"}, a2{u"ABBA", u"10"}, b{u"Beck", u"1"};
  TZCLFormatString* t = F->CompileTemplate(u"%X - %!%Y", true);
  EXPECT_EQ(t->Compare(&a1, &b), -1);
  EXPECT_EQ(t->Compare(&b, &a1), 1);
  EXPECT_EQ(t->Compare(&a1, &a2), 1);  // equal artists (ignoring case); numbers by value, descending
  EXPECT_EQ(t->Compare(&a1, &a1), 0);
  EXPECT_TRUE(t->InvertSortOrder());
  EXPECT_EQ(t->ToString(), u"%!%X - %Y");
  EXPECT_EQ(t->Compare(&a1, &b), 1);
  EXPECT_EQ(t->Compare(&a1, &a2), -1);
  Free(t);

  t = F->CompileTemplate(u"%X", true);
  EXPECT_EQ(t->Compare(&a1, &b), -1);
  EXPECT_TRUE(t->InvertSortOrder());
  EXPECT_EQ(t->ToString(), u"%!%X");
  EXPECT_EQ(t->Compare(&a1, &b), 1);
  Free(t);

  for (const String text : {u"a b", u""}) {
    t = F->CompileTemplate(text, false);
    EXPECT_FALSE(t->InvertSortOrder());
    Free(t);
  }
}

TEST_F(FormatStrings, EnumMacros) {
  F->RegisterAlias(u"Len", u"Length");
  std::vector<std::string> listed;
  F->EnumMacros([&](const String& Text, TZCLExpressionFunctionInfo*) { listed.push_back(StringToUTF8(Text)); });
  ASSERT_GE(listed.size(), 8u);
  EXPECT_EQ(
      std::vector<std::string>(listed.begin(), listed.begin() + 8),
      (std::vector<std::string>{"%Dec(A,B)", "%Inc(A,B)", "%X", "%Y", "%Caps(A)", "%Caps2(A)", "%Low(A)", "%Up(A)"}));
  EXPECT_EQ(std::count(listed.begin(), listed.end(), "%Len(A)"), 0);
  EXPECT_EQ(std::count(listed.begin(), listed.end(), "%Case(..)"), 1);
  EXPECT_EQ(listed.size(), 27u);
}
