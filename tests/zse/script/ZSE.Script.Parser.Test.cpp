#include <gtest/gtest.h>

#include "rtl/RTL.Streams.h"
#include "zse/script/ZSE.Script.Compiler.h"
#include "zse/script/ZSE.Script.TestUtil.h"
#include "zse/script/ZSE.Script.XML.h"

namespace {

// The element names of the tree in document order, nesting shown by brackets.
std::string Shape(TzsXMLItem* x) {
  std::string s = Utf8(x->GetName());
  const String text = x->GetAttribute(u"text");
  if (!text.empty()) s += "=" + Utf8(text);
  if (x->GetCount() == 0) return s;
  s += "(";
  for (Integer i = 0; i < x->GetCount(); ++i) s += (i ? " " : "") + Shape(x->GetItem(i));
  return s + ")";
}

std::string Parse(const String& Source) {
  TzsScript prog(nullptr);
  TzsILParser parser(&prog);
  parser.MakeILScript(Source);
  return Shape(parser.GetILScript()->GetRoot());
}

TEST(ScriptParser, ProgramElements) {
  EXPECT_EQ(Parse(u"var i: Integer; begin i := 1 + 2 end."),
            "program(var(ident=i type=Integer) compoundstmt(assignstmt(dsgn(node=i) expr(number=1 op=+ number=2))) "
            "types)");
  EXPECT_EQ(Parse(u"begin end."), "program(compoundstmt types)");
  EXPECT_EQ(Parse(u"program Demo; uses 'lib.pas'; begin end. trailing text"), "program(compoundstmt types)");
  EXPECT_EQ(Parse(u"begin x := -a * b; end."),
            "program(compoundstmt(assignstmt(dsgn(node=x) expr(op=unminus dsgn(node=a) op=* dsgn(node=b)))) types)");
  EXPECT_EQ(Parse(u"begin a.end; x := <Total> end."),
            "program(compoundstmt(callstmt(dsgn(node=a node=end)) assignstmt(dsgn(node=x) "
            "expr(dsgn(node=Get expr(string='Total'))))) types)");
  EXPECT_EQ(Parse(u"begin case x of 1: a; 2..3: b; end end."),
            "program(compoundstmt(casestmt(expr(dsgn(node=x)) caseselector(set(expr(number=1)) callstmt(dsgn(node=a))) "
            "caseselector(set(expr(number=2) range=. expr(number=3)) callstmt(dsgn(node=b))))) types)");
}

TEST(ScriptParser, PositionsOfElements) {
  TzsScript prog(nullptr);
  TzsILParser parser(&prog);
  parser.MakeILScript(u"begin\n  x := 10\nend.");
  TzsXMLItem* assign = parser.GetILScript()->GetRoot()->GetItem(0)->GetItem(0);
  EXPECT_EQ(Utf8(assign->GetAttribute(u"pos")), "2:3");
  TzsXMLItem* expr = assign->GetItem(1);
  EXPECT_EQ(Utf8(expr->GetAttribute(u"pos")), "2:8");
  EXPECT_EQ(Utf8(expr->GetAttribute(u"pos1")), "2:10");
  EXPECT_EQ(Utf8(expr->GetItem(0)->GetAttribute(u"pos")), "2:10");  // just after the token
}

TEST(ScriptParser, SyntaxErrors) {
  struct Case {
    const char16_t* Source;
    const char* Message;
  } cases[] = {
      {u"", "Error at 1:1 - 'BEGIN' expected"},
      {u"begin end", "Error at 1:10 - '.' expected"},
      {u"begin a := 1 b := 2 end.", "Error at 1:14 - ';' expected"},
      {u"begin a : = 1 end.", "Error at 1:11 - '=' expected"},
      {u"begin x := a * -b; end.", "Error at 1:14 - ';' expected"},
      {u"begin if x y; end.", "Error at 1:12 - 'THEN' expected"},
      {u"var ; begin end.", "Error at 1:5 - Identifier expected"},
      {u"begin while x y end.", "Error at 1:15 - 'DO' expected"},
      {u"begin for i = 1 to 2 do end.", "Error at 1:13 - ':' expected"},
      {u"begin try x := 1 end.", "Error at 1:18 - 'FINALLY' or 'EXCEPT' expected"},
      {u"begin x := (1 + 2; end.", "Error at 1:18 - ')' expected"},
      {u"begin x := <abc end.", "Error at 1:21 - '>' expected"},
      {u"begin x := a.; end.", "Error at 1:13 - ';' expected"},
  };
  for (const Case& c : cases) {
    std::string message;
    try {
      Parse(c.Source);
    } catch (const EZScriptCompileError& e) {
      message = Utf8(e.GetMessage());
    }
    EXPECT_EQ(message, c.Message) << Utf8(c.Source);
  }
  EXPECT_EQ(Parse(u"begin a := 1; end."), "program(compoundstmt(assignstmt(dsgn(node=a) expr(number=1))) types)");
}

TEST(ScriptParser, DeepNestingFailsCleanly) {
  String source = u"begin x := ";
  for (int i = 0; i < 20000; ++i) source += u"(";
  source += u"1 end.";
  EXPECT_THROW(Parse(source), EZScriptCompileError);
  String blocks = u"";
  for (int i = 0; i < 20000; ++i) blocks += u"begin ";
  EXPECT_THROW(Parse(blocks), EZScriptCompileError);
}

TEST(ScriptParser, StringLiteralsSurviveTheXmlProgram) {
  EXPECT_EQ(Parse(u"begin s := 'a&amp;<\">'#13 end."),
            "program(compoundstmt(assignstmt(dsgn(node=s) expr(string='a&amp;<\">\r'))) types)");
}

}  // namespace
