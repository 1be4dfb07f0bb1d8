#include <gtest/gtest.h>

#include <functional>

#include "ZCL.Base.TestUtil.h"
#include "zcl/base/ZCL.Expressions.Math.h"

namespace {
// "<type> <text>" of the value, so that 2 and 2.0 differ.
std::string Describe(const Variant& V) { return StringToUTF8(VarTypeAsText(V.VarType()) + u" " + VarToStr(V)); }

std::string Eval(const String& Text, bool Optimize) {
  TZCLMathExpressionFactory* factory = TZCLMathExpressionFactory::Instance();
  TZCLExpression* e = factory->Compile(Text, Optimize);
  std::string result;
  try {
    result = Describe(e->Evaluate());
  } catch (...) {
    Free(e);
    throw;
  }
  Free(e);
  return result;
}
}  // namespace

TEST(MathExpressions, Values) {
  struct TCase {
    String Text;
    const char* Expected;
  };
  const TCase cases[] = {
      {u"1 + 2 * 3", "Integer 7"},
      {u"(1 + 2) * 3", "Integer 9"},
      {u"2 ^ 3 ^ 2", "Double 64"},
      {u"-2 ^ 2", "Double -4"},  // the prefix minus waits for "^"
      {u"1 - 2 - 3", "Integer -4"},
      {u"1 - -2", "Integer 3"},
      {u"1 + -2", "Integer -1"},
      // A prefix operator never applies the pending infix operator before it.
      {u"2 * -3", "Integer -6"},
      {u"2 * (-3)", "Integer -6"},
      {u"2 * -3 ^ 2", "Double -18"},
      {u"10 div -3", "Integer -3"},
      {u"5 / 2", "Double 2.5"},
      {u"5 div 2", "Integer 2"},
      {u"5 mod 2", "Integer 1"},
      {u"not 0", "Integer 1"},
      {u"not 5", "Integer 0"},
      {u"not ''", "Boolean True"},
      {u"! 0", "Integer 1"},
      {u"NOT 1", "Integer 0"},
      {u"6 and 3", "Integer 2"},  // bitwise: skins rely on it
      {u"0 and (1 / 0)", "Integer 0"},
      {u"5 or 2", "Integer 7"},
      {u"5 xor 1", "Integer 4"},
      {u"not 1 and 0", "Integer 0"},
      {u"'a' + 'b'", "UnicodeString ab"},
      {u"\"4\" + 1", "Double 5"},
      {u"'abc' = 'ABC'", "Integer 0"},
      {u"'a2' < 'a10'", "Integer 1"},
      {u"1 != 2", "Integer 1"},
      {u"1 <> 2", "Integer 1"},
      {u"2 != 2", "Integer 0"},
      {u"2 >= 2", "Integer 1"},
      {u"2 <= 1", "Integer 0"},
      {u"1 + 2 > 2", "Integer 1"},
      {u"3 > 1 + 1", "Integer 2"},  // comparisons share the priority of "+"
      {u"Round(2.5)", "Int64 2"},
      {u"Round(3.5)", "Int64 4"},
      {u"Round(-2.5)", "Int64 -2"},
      {u"Trunc(-1.7)", "Int64 -1"},
      {u"LogN(2, 8)", "Double 3"},
      {u"Max(1, 2)", "Double 2"},
      {u"Min(1, 2)", "Double 1"},
      {u"ABS(-1)", "Double 1"},
      {u"Power(2, 10)", "Double 1024"},
      {u"Exp(0) + Ln(1) + Log10(100) + Sin(0) + Cos(0)", "Double 4"},
      {u"If(0, 1 / 0, 7)", "Integer 7"},
      {u"1E5", "Double 100000"},
      {u"1.25E-2", "Double 0.0125"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(StringToUTF8(c.Text));
    EXPECT_EQ(Eval(c.Text, false), c.Expected);
    EXPECT_EQ(Eval(c.Text, true), c.Expected);  // folded at compile time alike
  }
}

TEST(MathExpressions, NumberScanner) {
  const std::pair<String, const char*> cases[] = {
      {u"1e5", "Syntax Error: unexpected token(Token: \"1\", Scan Cursor: \"e5\")"},
      {u"2x", "Syntax Error: unexpected token(Token: \"2\", Scan Cursor: \"x\")"},
      {u"1.5.2", "Syntax Error: unexpected token(Token: \"1.5\", Scan Cursor: \".2\")"},
      {u"1E5.0", "Syntax Error: unexpected token(Token: \"1E5\", Scan Cursor: \".0\")"},
      {u"1E", "Syntax Error: unexpected token"},
      {u"99999999999", "Syntax Error: unexpected token"},
      {u".5", "Syntax Error: unexpected token(Token: \".\", Scan Cursor: \"5\")"},
      {u"Max(1, 2x)", "Syntax Error: unexpected token(Token: \"Max\", Scan Cursor: \"x)\")"},
  };
  for (const auto& [text, message] : cases) {
    SCOPED_TRACE(StringToUTF8(text));
    EXPECT_EQ(RaisedMessage<EZCLExpressionCompiler>([&] { Eval(text, true); }), message);
  }
}

TEST(MathExpressions, EvaluationErrorsSurviveFolding) {
  // Folding swallows the error; every evaluation raises it.
  EXPECT_EQ(RaisedMessage<EZeroDivide>([] { Eval(u"1 / 0", true); }), "Floating point division by zero");
  RaisedMessage<EInvalidOp>([] { Eval(u"Ln(0)", true); });
  RaisedMessage<EInvalidOp>([] { Eval(u"Ln(-1)", false); });
  RaisedMessage<EDivByZero>([] { Eval(u"5 div 0", true); });
  RaisedMessage<EDivByZero>([] { Eval(u"5 mod 0", true); });
  RaisedMessage<EOverflow>([] { Eval(u"1E300 * 1E300", true); });
  RaisedMessage<EVariantTypeCastError>([] { Eval(u"'a' * 2", true); });

  TZCLMathExpressionFactory* factory = TZCLMathExpressionFactory::Instance();
  TZCLExpression* e = factory->Compile(u"Ln(0) + 1", true);
  EXPECT_EQ(e->ToString(), u"Ln(0) + 1");
  EXPECT_THROW(e->Evaluate(), EInvalidOp);
  EXPECT_THROW(e->Evaluate(), EInvalidOp);
  Free(e);
}

TEST(MathExpressions, RandomIsNeverFolded) {
  TZCLMathExpressionFactory* factory = TZCLMathExpressionFactory::Instance();
  EXPECT_EQ(factory, TZCLMathExpressionFactory::Instance());
  TZCLExpression* e = factory->Compile(u"Random", true);
  const Double a = e->Evaluate().AsDouble(), b = e->Evaluate().AsDouble();
  EXPECT_NE(a, b);
  EXPECT_GE(a, 0.0);
  EXPECT_LT(a, 1.0);
  Free(e);
}

namespace {
// Variables read from the context, as binding dialects add them; "hit" counts its reads.
struct TVariables {
  Variant A, B, S;
  Integer Hits = 0;
};

// A variable's typed read: its number, or False for any other kind.
template <Variant TVariables::*Field>
bool ReadScalar(TZCLExpressionScalar& Value, TZCLExpressionContext C) {
  const Variant& v = static_cast<TVariables*>(C)->*Field;
  if (v.VarType() == varDouble) {
    Value.Type = varDouble;
    Value.D = v.AsDouble();
    return true;
  }
  if (v.VarType() == varInteger) {
    Value.Type = varInteger;
    Value.I = v.AsInteger();
    return true;
  }
  return false;
}

// With Typed, "a" and "b" also have typed reads.
template <bool Typed = false>
class TVariableFactory : public TZCLMathExpressionFactory {
 public:
  void AfterConstruction() override {
    TZCLMathExpressionFactory::AfterConstruction();
    auto a = [](Variant& R, TZCLExpressionContext C, TZCLExpressionElements*) { R = static_cast<TVariables*>(C)->A; };
    auto b = [](Variant& R, TZCLExpressionContext C, TZCLExpressionElements*) { R = static_cast<TVariables*>(C)->B; };
    if constexpr (Typed) {
      RegisterFunctionWithoutArgs(u"a", a, ReadScalar<&TVariables::A>);
      RegisterFunctionWithoutArgs(u"b", b, ReadScalar<&TVariables::B>);
    } else {
      RegisterFunctionWithoutArgs(u"a", a);
      RegisterFunctionWithoutArgs(u"b", b);
    }
    RegisterFunctionWithoutArgs(
        u"s", [](Variant& R, TZCLExpressionContext C, TZCLExpressionElements*) { R = static_cast<TVariables*>(C)->S; });
    RegisterFunctionWithoutArgs(u"hit", [](Variant& R, TZCLExpressionContext C, TZCLExpressionElements*) {
      R = ++static_cast<TVariables*>(C)->Hits;
    });
  }
};

// The value or the error class and message.
std::string Outcome(const std::function<Variant()>& Evaluate) {
  try {
    return Describe(Evaluate());
  } catch (const Exception& e) {
    return StringToUTF8(e.ClassName() + u": " + e.GetMessage());
  }
}
}  // namespace

// A compiled expression runs as a flat list of steps; walking its tree must give the same value,
// type and error, with the same variables read (with and without typed reads of them).
template <bool Typed>
void ExpectFlatFormMatchesTheTree() {
  auto* factory = Create<TVariableFactory<Typed>>();
  const char16_t* texts[] = {
      u"(a * 2 + b) / 3 > 10 and s",
      u"a * 2 + Sin(b) / 3",
      u"a + b",
      u"a - b * a / b",
      u"-a div b mod 3",
      u"a ^ b",
      u"Max(a, b) + Min(a, 1) - Abs(b)",
      u"Power(a, 2) + LogN(10, a)",
      u"Round(a) + Trunc(b) + Cos(a) + Exp(b) + Ln(a) + Log10(b)",
      u"a = b or a <> b xor a >= b",
      u"a < b and b <= a",
      u"not a + (not s)",
      u"If(a > b, s, a + b)",
      u"a and hit",
      u"a or hit",
      u"s + a",
      u"((((a + 1) * (b + 2)) - ((a - 3) / (b + 4))) * (((a + 5) - (b - 6)) + ((a * 7) / (b * 8))))",
      u"a * 2.5 - b / 4 + (a > 1.5) - (b <= 2) + (a = 3) * (b <> 0.5) + (a != 2) - (a >= b) + (a < b)",
      u"(a and 6) + (b or 1) - (a xor b) + (1.5 and b) - (a or 2.5) + -(a - b) * -a + (not b)",
      u"a and b and hit",
      u"b or a xor hit",
  };
  const Variant values[] = {Variant(3),     Variant(0),    Variant(-2.5), Variant(1E300),
                            Variant(u"12"), Variant(u"x"), Variant(true), Variant(5000000000LL),
                            Variant(0.4),   Variant(2.5),  Variant(-2147483648), Variant(2147483647.5)};
  for (const char16_t* text : texts) {
    for (bool optimize : {false, true}) {
      TZCLExpression* e = factory->Compile(text, optimize);
      for (const Variant& a : values)
        for (const Variant& b : values) {
          TVariables flat{a, b, Variant(u"7")}, tree = flat;
          const std::string flatOutcome = Outcome([&] { return e->Evaluate(&flat); });
          const std::string treeOutcome = Outcome([&] {
            Variant r;
            e->GetRoot()->Evaluate(r, &tree);
            return r;
          });
          EXPECT_EQ(flatOutcome, treeOutcome) << StringToUTF8(text) << " a=" << Describe(a) << " b=" << Describe(b);
          EXPECT_EQ(flat.Hits, tree.Hits) << StringToUTF8(text);
        }
      Free(e);
    }
  }
  Free(factory);
}

TEST(MathExpressions, FlatFormMatchesTheTree) {
  ExpectFlatFormMatchesTheTree<false>();
  ExpectFlatFormMatchesTheTree<true>();
}

TEST(MathExpressions, AndSkipsItsRightOperandAfterZero) {
  auto* factory = Create<TVariableFactory<true>>();
  // "and" skips its right operand once the left one is 0.
  TZCLExpression* e = factory->Compile(u"a and hit", true);
  TVariables v{Variant(0), Variant(0), Variant(0)};
  EXPECT_EQ(Describe(e->Evaluate(&v)), "Integer 0");
  EXPECT_EQ(v.Hits, 0);
  v.A = 3;
  EXPECT_EQ(Describe(e->Evaluate(&v)), "Integer 1");
  EXPECT_EQ(v.Hits, 1);
  Free(e);
  Free(factory);
}
