#include <gtest/gtest.h>

#include "rtl/RTL.Streams.h"
#include "zse/script/ZSE.Script.Expressions.h"
#include "zse/script/ZSE.Script.TestUtil.h"

namespace {

TEST(ScriptEngine, ExpressionValues) {
  struct Case {
    const char16_t* Expr;
    const char* Value;
  } cases[] = {
      {u"2 + 3 * 4", "14"},
      {u"(2 + 3) * 4", "20"},
      {u"10 - 4 - 3", "3"},
      {u"2 * 3 > 5", "True"},
      {u"7 / 2", "3.5"},
      {u"7 div 2", "3"},
      {u"7 mod 3", "1"},
      {u"1 shl 4", "16"},
      {u"-2 * 3", "-6"},
      {u"not True or True", "True"},
      {u"4 in [1, 3..5]", "True"},
      {u"2 in [1, 3..5]", "False"},
      {u"6 in [1, 3..5]", "False"},
      {u"'ab' + 'c'", "abc"},
      {u"$10 + 1", "17"},
      {u"((1))", "1"},
  };
  for (const Case& c : cases) {
    TScriptRun run(u"var r: Variant; begin r := " + String(c.Expr) + u" end.");
    EXPECT_EQ(run.Str(u"r"), c.Value) << Utf8(c.Expr);
  }
}

// Integer and Double operands take a shorter path than other values: the results must be those
// of the general rules, and an operand read in place must not see what a later operand changes.
TEST(ScriptEngine, NumbersAndOperandOrder) {
  struct Case {
    const char16_t* Expr;
    const char* Value;
  } cases[] = {
      {u"2147483647 + 1", "2147483648"},  {u"65536 * 65536", "4294967296"}, {u"1 + 0.5", "1.5"},
      {u"3 > 2.5", "True"},              {u"2 = 2.0", "True"},             {u"0.5 - 2", "-1.5"},
      {u"x + Bump", "2"},                {u"Bump + x", "12"},
  };
  for (const Case& c : cases) {
    TScriptRun run(u"var r: Variant; x: Integer;\n"
                   u"function Bump: Integer; begin x := x + 10; Result := 1 end;\n"
                   u"begin x := 1; r := " +
                   String(c.Expr) + u" end.");
    EXPECT_EQ(run.Str(u"r"), c.Value) << Utf8(c.Expr);
  }
  TScriptRun run(
      u"var a: array[3] of Integer; v, w: Integer;\n"
      u"function Next: Integer; begin v := 99; w := w + 100; Result := 1 end;\n"
      u"begin v := 5; a[Next] := v; w := 1; w := w + Next end.");
  EXPECT_EQ(run.Prog()->FindLocal(u"a")->GetValue().GetElement(1).AsInteger(), 5);
  EXPECT_EQ(run.Var(u"w").AsInteger(), 2);
}

TEST(ScriptEngine, StaticTypes) {
  TzsScript prog(nullptr);
  prog.SetParent(GlobalScriptProgram());
  auto typeOf = [&prog](std::initializer_list<Variant> operands, const char16_t* op) {
    TzsExpression e(&prog);
    auto it = operands.begin();
    e.AddConst(*it++);
    e.AddOperator(op);
    e.AddConst(*it);
    EXPECT_EQ(e.Finalize(), String());
    return e.FTyp;
  };
  EXPECT_EQ(typeOf({Variant(7), Variant(2)}, u"/"), zvtFloat);
  EXPECT_EQ(typeOf({Variant(7), Variant(2)}, u"div"), zvtInt);
  EXPECT_EQ(typeOf({Variant(7LL), Variant(2)}, u"/"), zvtFloat);
  EXPECT_EQ(typeOf({Variant(1), Variant(2)}, u"<"), zvtBool);

  TzsExpression single(&prog);
  single.AddConst(Variant(5));
  single.Finalize();
  EXPECT_NE(single.SingleItem(), nullptr);
  EXPECT_TRUE(single.FIsReadOnly);
}

// Build errors point at the element being built: a leaf's position is the end of its token.
TEST(ScriptEngine, TypeErrorsAtTheirPosition) {
  EXPECT_EQ(ScriptError(u"var s: string; begin s := 'a' - 'b' end."), "Error at 1:32 - Incompatible types");
  EXPECT_EQ(ScriptError(u"var b: Boolean; begin b := b < True end."), "Error at 1:31 - Incompatible types");
  EXPECT_EQ(ScriptError(u"var i: Integer; begin i := 'x' end."),
            "Error at 1:31 - Incompatible types: 'Integer', 'string'");
  EXPECT_EQ(ScriptError(u"begin x := 1 end."), "Error at 1:8 - Undeclared identifier: 'x'");
  EXPECT_EQ(ScriptError(u"const c = 1; begin c := 2 end."), "Error at 1:26 - Left side cannot be assigned to");
  EXPECT_EQ(ScriptError(u"var a: Integer; a: Integer; begin end."), "Error at 1:18 - Identifier redeclared: 'a'");
  EXPECT_EQ(ScriptError(u"var s: string; begin s := Copy(s) end."), "Error at 1:31 - Not enough actual parameters");
  EXPECT_EQ(ScriptError(u"var s: string; begin s := Trim(s, s) end."), "Error at 1:31 - Too many actual parameters");
  EXPECT_EQ(ScriptError(u"var s: string; begin s := s.Length end."),
            "Error at 1:35 - Strings doesn't have properties or methods");
  EXPECT_EQ(ScriptError(u"procedure P(n: Integer); begin for n := 1 to 2 do end; begin end."),
            "Error at 1:37 - For loop variable must be numeric variable");
}

TEST(ScriptEngine, ShortCircuitOnlyForBooleans) {
  TScriptRun run(
      u"var calls: Integer; a, r: Boolean;\n"
      u"function F(x: Integer): Boolean; begin calls := calls + 1; Result := True end;\n"
      u"begin a := False; r := a and F(1); a := True; r := a or F(2) end.");
  EXPECT_EQ(run.Var(u"calls").AsInteger(), 0);
}

TEST(ScriptEngine, LoopsAndControlFlow) {
  TScriptRun run(
      u"var up, one, down, n, w, k, i, j: Integer; s: string;\n"
      u"begin\n"
      u"  for i := 5 to 1 do up := up + 1;\n"
      u"  for i := 1 to 1 do one := one + 1;\n"
      u"  for i := 3 downto 1 do begin down := down * 10 + i; i := 100 end;\n"
      u"  while w < 3 do begin w := w + 1; for j := 1 to 10 do begin if j = 2 then break; n := n + 1 end end;\n"
      u"  repeat k := k + 1; if k < 5 then continue; s := s + 'x' until k >= 6;\n"
      u"end.");
  EXPECT_EQ(run.Var(u"up").AsInteger(), 0);
  EXPECT_EQ(run.Var(u"one").AsInteger(), 1);
  EXPECT_EQ(run.Var(u"down").AsInteger(), 321);
  EXPECT_EQ(run.Var(u"n").AsInteger(), 3);
  EXPECT_EQ(run.Str(u"s"), "xx");
}

TEST(ScriptEngine, CaseAndEmptySelectors) {
  TScriptRun run(
      u"var a, b, c: Integer;\n"
      u"begin\n"
      u"  case 4 of 1: a := 1; 3..5: a := 2; 4: a := 3; end;\n"
      u"  case 1 of 1: ; else b := 1 end;\n"
      u"  case 'x' of 'a': c := 1 else c := 2 end\n"
      u"end.");
  EXPECT_EQ(run.Var(u"a").AsInteger(), 2);
  EXPECT_EQ(run.Var(u"b").AsInteger(), 1);
  EXPECT_EQ(run.Var(u"c").AsInteger(), 2);
}

TEST(ScriptEngine, TryExceptAndFinally) {
  TScriptRun run(
      u"var a, b, c, i: Integer; log: string;\n"
      u"procedure P; begin try exit; a := 99 finally a := 1; b := 2 end; a := 98 end;\n"
      u"begin\n"
      u"  P;\n"
      u"  try i := 1 div 0; log := 'no' except log := 'caught' end;\n"
      u"  for i := 1 to 3 do try if i = 2 then break; c := c + 1 finally log := log + '.'; log := log + '!' end;\n"
      u"end.");
  EXPECT_EQ(run.Var(u"a").AsInteger(), 1);
  EXPECT_EQ(run.Var(u"b").AsInteger(), 2);
  // A pending break still runs the whole finally part, then ends the loop.
  EXPECT_EQ(run.Str(u"log"), "caught.!.!");
  EXPECT_EQ(run.Var(u"c").AsInteger(), 1);
}

TEST(ScriptEngine, RunTimeErrorsCarryTheInnermostPosition) {
  EXPECT_EQ(ScriptError(u"var i: Integer;\nbegin\n  if True then\n    i := 1 div i\nend."),
            "Error at 4:5 - Division by zero");
  EXPECT_EQ(ScriptError(u"var i: Integer;\nprocedure P; begin i := StrToInt('x') end;\nbegin P end."),
            "Error at 2:20 - 'x' is not a valid integer value");
}

TEST(ScriptEngine, RoutinesRecursionAndVarParameters) {
  TScriptRun run(
      u"var f, x, y: Integer; s: string;\n"
      u"function Fact(n: Integer): Integer; var keep: Integer;\n"
      u"begin keep := n; if n <= 1 then Result := 1 else Result := Fact(n - 1) * keep end;\n"
      u"procedure Swap(var a, b: Integer); var t: Integer; begin t := a; a := b; b := t end;\n"
      u"procedure Later; begin Swap(x, y) end;\n"
      u"function Def(a: Integer; b: Integer = 5): Integer; begin Result := a + b end;\n"
      u"begin f := Fact(5); x := 1; y := 2; Later; s := 'abc'; Delete(s, 2, 1); Inc(f, Def(1)) end.");
  EXPECT_EQ(run.Var(u"f").AsInteger(), 126);
  EXPECT_EQ(run.Var(u"x").AsInteger(), 2);
  EXPECT_EQ(run.Var(u"y").AsInteger(), 1);
  EXPECT_EQ(run.Str(u"s"), "ac");
}

TEST(ScriptEngine, StringsAndArrays) {
  TScriptRun run(
      u"var s, t, u: string; a: array[10] of Integer; b: array[1..3] of string; m: array[2, 3] of Integer;\n"
      u"  lo, hi, n: Integer;\n"
      u"begin s := 'abc'; t := s[2]; u := s[0] + s[4]; s[1] := 'X'; s[9] := 'Y';\n"
      u"  a[9] := 7; b[3] := 'z'; m[1, 2] := 5; n := a[9] + m[1, 2]; lo := Length(a); hi := Length(b) end.");
  EXPECT_EQ(run.Str(u"s"), "Xbc");
  EXPECT_EQ(run.Str(u"t"), "b");
  EXPECT_EQ(run.Str(u"u"), "");
  EXPECT_EQ(run.Var(u"n").AsInteger(), 12);
  EXPECT_EQ(run.Var(u"lo").AsInteger(), 10);
  EXPECT_EQ(run.Var(u"hi").AsInteger(), 3);
}

TEST(ScriptEngine, CompoundAssignmentsKeepTextOrder) {
  TScriptRun run(
      u"var i: Integer; s: string; c: Char;\n"
      u"begin i := 1; i := i + 1; i := 10 + i; i := i * 2; s := 'b'; s := 'a' + s; s := s + 'c';"
      u" c := 'x'; c := 'y' + c end.");
  EXPECT_EQ(run.Var(u"i").AsInteger(), 24);
  EXPECT_EQ(run.Str(u"s"), "abc");
  EXPECT_EQ(run.Str(u"c"), "yx");  // a character is text too: never swapped
  auto* list = run.Prog()->GetStatement();
  EXPECT_NE(dynamic_cast<TzsAssignOpStmt*>(list->GetChild(1)), nullptr);
  EXPECT_NE(dynamic_cast<TzsAssignOpStmt*>(list->GetChild(2)), nullptr);
  EXPECT_EQ(dynamic_cast<TzsAssignOpStmt*>(list->GetChild(5)), nullptr);
  EXPECT_EQ(dynamic_cast<TzsAssignOpStmt*>(list->GetChild(8)), nullptr);
}

TEST(ScriptEngine, InitialValuesAndConstants) {
  TScriptRun run(u"const k = 2 * 3; var a, b: Integer = 5; s: string = 'x' + 'y'; begin a := a + k end.");
  EXPECT_EQ(run.Var(u"a").AsInteger(), 11);
  EXPECT_EQ(run.Var(u"b").AsInteger(), 5);
  EXPECT_EQ(run.Str(u"s"), "xy");
}

TEST(ScriptEngine, DeclarationOrderAndArrayBounds) {
  TScriptRun run(
      u"var r: Integer; v: array[1..10] of Integer; w: array of Integer;\n"
      u"procedure A; begin B end;\n"
      u"procedure B; begin r := 7 end;\n"
      u"begin A; r := r + Length(v) * 10 + Length(w) * 100 end.");
  EXPECT_EQ(run.Var(u"r").AsInteger(), 207);
  EXPECT_EQ(ScriptError(u"procedure P; begin g := 1 end; var g: Integer; begin end."),
            "Error at 1:21 - Undeclared identifier: 'g'");
}

TEST(ScriptEngine, RangesWithNamedBounds) {
  TScriptRun run(
      u"const lo = 2; hi = 4; var r, s: Boolean; begin r := 3 in [lo..hi]; case 5 of lo..hi: s := False else s := True "
      u"end end.");
  EXPECT_TRUE(run.Var(u"r").AsBoolean());
  EXPECT_TRUE(run.Var(u"s").AsBoolean());
}

TEST(ScriptEngine, RunawayScriptsStopCleanly) {
  EXPECT_EQ(ScriptError(u"procedure P; begin P end; begin P end."),
            "Error at 1:20 - Stack overflow: too many nested calls");
  const Int64 previous = TzsRunLimits::SetBudget(50);
  std::string message = ScriptError(u"var i: Integer; begin while True do try i := i + 1 except end end.");
  TzsRunLimits::RestoreBudget(previous);
  EXPECT_EQ(message.substr(message.find(" - ")), " - Script timed out");
}

TEST(ScriptEngine, StoredProgramRunsLikeTheSource) {
  TzsScript source(nullptr);
  source.SetParent(GlobalScriptProgram());
  source.SetSourceCode(u"var r: string; i: Integer; begin for i := 1 to 3 do r := r + IntToStr(i) + '&' end.");
  TMemoryStream stream;
  source.GetILCode(&stream);
  stream.SetPosition(0);
  TzsScript stored(nullptr);
  stored.SetParent(GlobalScriptProgram());
  stored.SetILCode(&stream);
  stored.GetStatement()->Execute();
  EXPECT_EQ(Utf8(stored.FindLocal(u"r")->GetValue().AsString()), "1&2&3&");
}

}  // namespace
