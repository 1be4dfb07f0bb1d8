#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "ZCL.Base.TestUtil.h"
#include "rtl/RTL.Numbers.h"
#include "zcl/base/ZCL.Expressions.Math.h"
#include "zcl/base/ZCL.Expressions.h"
#include "zcl/base/ZCL.Utils.Strings.h"

namespace {
// The arithmetic dialect with a few probes: overloads, any-count, a counter that is never folded,
// a function that always raises, and the context.
class TProbeFactory : public TZCLMathExpressionFactory {
 public:
  void AfterConstruction() override {
    TZCLMathExpressionFactory::AfterConstruction();
    RegisterFunction(u"F", {this, &TProbeFactory::One}, 1);
    RegisterFunction(u"F", {this, &TProbeFactory::Two}, 2);
    RegisterFunction(u"Count", {this, &TProbeFactory::CountArgs}, -1);
    RegisterFunctionWithoutArgs(u"Tick", {this, &TProbeFactory::Tick});
    RegisterFunction(u"Fail", {this, &TProbeFactory::Fail}, 1);
    RegisterFunctionWithoutArgs(u"Ctx", {this, &TProbeFactory::Ctx});
  }
  TZCLExpressionCompiler* CreateCompiler() override {
    ++Compilers;
    return TZCLMathExpressionFactory::CreateCompiler();
  }
  void One(Variant& R, TZCLExpressionContext, TZCLExpressionElements*) { R = u"one"; }
  void Two(Variant& R, TZCLExpressionContext, TZCLExpressionElements*) { R = u"two"; }
  void CountArgs(Variant& R, TZCLExpressionContext, TZCLExpressionElements* A) { R = A->GetCount(); }
  void Tick(Variant& R, TZCLExpressionContext, TZCLExpressionElements*) { R = ++Ticks; }
  void Fail(Variant&, TZCLExpressionContext, TZCLExpressionElements*) { throw EZCLExpression(u"failed"); }
  void Ctx(Variant& R, TZCLExpressionContext C, TZCLExpressionElements*) { R = *static_cast<Integer*>(C); }

  Integer Ticks = 0;
  Integer Compilers = 0;  // top-level and argument compilers
};

class Expressions : public ::testing::Test {
 protected:
  void SetUp() override { F = Create<TProbeFactory>(); }
  void TearDown() override { Free(F); }
  std::string Eval(const String& Text) { return StringToUTF8(VarToStr(F->Evaluate(Text))); }
  std::string Text(const String& Source, bool Optimize) {
    TZCLExpression* e = F->Compile(Source, Optimize);
    const String s = e->ToString();
    Free(e);
    return StringToUTF8(s);
  }
  TProbeFactory* F = nullptr;
};
}  // namespace

TEST_F(Expressions, CompileErrorsWithPositions) {
  struct TCase {
    String Text;
    const char* Message;
  };
  const TCase cases[] = {
      {u"", "Syntax Error: expression is invalid"},
      {u" \t ", "Syntax Error: expression is invalid"},
      {u"( )", "Syntax Error: expression is invalid"},
      {u"1 2", "Syntax Error: expression is invalid"},
      {u"(1", "Syntax Error: unequal brackets"},
      // Without an open bracket: a syntax error, not a fault of the operator stack.
      {u")", "Syntax Error: unequal brackets"},
      {u"1 + 2) * 3", "Syntax Error: unequal brackets(Token: \")\", Scan Cursor: \" * 3\")"},
      {u"F(1, 2", "Syntax Error: unequal brackets"},
      {u"F((1, 2)", "Syntax Error: unequal brackets"},
      {u"1 x + 1", "Syntax Error: unexpected token(Token: \"x\", Scan Cursor: \" + 1\")"},
      {u"+1", "Syntax Error: unexpected token(Token: \"+\", Scan Cursor: \"1\")"},
      {u"1 , 2", "Syntax Error: unexpected token(Token: \",\", Scan Cursor: \" 2\")"},
      {u"1 +", "Syntax Error: function \"+\" has too small arguments"},
      {u"Abs (1)", "Syntax Error: function \"Abs\" has too small arguments(Token: \"Abs\", Scan Cursor: \" (1)\")"},
      {u"Abs(1, 2) + 1",
       "Syntax Error: function \"Abs\" has too many arguments(Token: \"Abs\", Scan Cursor: \" + 1\")"},
      {u"F(1, 2, 3)", "Syntax Error: function \"F\" has too many arguments"},
      // The details quote at most 16 characters.
      {u"1 y 2345678901234567890", "Syntax Error: unexpected token(Token: \"y\", Scan Cursor: \" 234567890123456\")"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(StringToUTF8(c.Text));
    EXPECT_EQ(RaisedMessage<EZCLExpressionCompiler>([&] { Free(F->Compile(c.Text, true)); }), c.Message);
  }
}

TEST_F(Expressions, ArgumentLists) {
  EXPECT_EQ(Eval(u"F(1)"), "one");
  EXPECT_EQ(Eval(u"F(1, 2)"), "two");  // the overload with two arguments
  EXPECT_EQ(Eval(u"Count()"), "0");
  EXPECT_EQ(Eval(u"Count(1, 'a,b', Max(2, 3))"), "3");  // quoted and bracketed commas do not count
  EXPECT_EQ(Eval(u"Count(1,)"), "2");                   // the empty second argument is a string
  EXPECT_EQ(Eval(u"Count(F(1), Count(1, 2))"), "2");
  EXPECT_EQ(Eval(u"Max(2 * 3, (4))"), "6");
  // A blank before the bracket: no arguments, the bracket is compiled on its own.
  EXPECT_EQ(RaisedMessage<EZCLExpressionCompiler>([&] { Free(F->Compile(u"Count (1)", true)); }),
            "Syntax Error: expression is invalid");
}

TEST_F(Expressions, Registration) {
  EXPECT_EQ(RaisedMessage<EZCLExpression>([&] {
              F->RegisterFunction(u"f", {F, &TProbeFactory::One}, 2);
            }),
            "The \"f\" function with 2 arguments already registered");
  EXPECT_EQ(RaisedMessage<EZCLExpression>([&] {
              F->RegisterOperator(u"?", {F, &TProbeFactory::One}, 3, 1);
            }),
            "Operator must have 1 or 2 arguments");
  EXPECT_EQ(RaisedMessage<EZCLExpression>([&] {
              F->RegisterOperator(u"+", {F, &TProbeFactory::One}, 2, 1);
            }),
            "The \"+\" function with 2 arguments already registered");
  EXPECT_EQ(RaisedMessage<EZCLExpression>([&] { F->RegisterAlias(u"G", u"Nothing"); }),
            "The \"Nothing\" function was not found");
  F->RegisterFunction(u"F", {F, &TProbeFactory::One}, 3);  // another count: an overload
  F->RegisterAlias(u"Biggest", u"max");
  F->SetCacheSize(8);
  EXPECT_EQ(Eval(u"Biggest(2, 5)"), "5");  // cached, calling the alias
  EXPECT_EQ(F->GetFunctions()->FindByName(u"biggest")->Category, ExpressionCategoryAlias);
  F->Unregister(u"Biggest");
  F->Unregister(u"Biggest");  // nothing left: no error
  EXPECT_THROW(F->Evaluate(u"Biggest(2, 5)"), EZCLExpressionCompiler);

  EXPECT_EQ(StringToUTF8(F->GetFunctions()->Find(u"Max", 2)->ToString()), "Max(A,B)");
  EXPECT_EQ(StringToUTF8(F->GetFunctions()->Find(u"Count", -1)->ToString()), "Count(..)");
  EXPECT_EQ(StringToUTF8(F->GetFunctions()->Find(u"Random", 0)->ToString()), "Random");
  EXPECT_EQ(StringToUTF8(F->GetOperators()->Find(u"-", 1)->ToString()), "-A");
  EXPECT_EQ(StringToUTF8(F->GetOperators()->Find(u"+", 2)->ToString()), "A + B");
  EXPECT_EQ(RaisedMessage<Exception>([&] { (void)F->ToString(); }), "Unsupported!");
}

TEST_F(Expressions, FoldingAndTextForm) {
  EXPECT_EQ(Text(u"(1+2)*3", false), "(1 + 2) * 3");
  EXPECT_EQ(Text(u"(1+2)*3", true), "9");
  EXPECT_EQ(Text(u"'a b' + Max(1,2)", false), "a b + Max(1,2)");
  EXPECT_EQ(Text(u"-Abs(-2)", false), "- Abs(- 2)");
  // Calls without arguments are evaluated every time, so they stay.
  EXPECT_EQ(Text(u"Abs(-2) + Tick", true), "2 + Tick");
  EXPECT_EQ(Text(u"Random * 2", true), "Random * 2");
  // Errors during folding leave the sub-tree; evaluation reports them.
  EXPECT_EQ(Text(u"Fail(1) + 1", true), "Fail(1) + 1");
  EXPECT_EQ(RaisedMessage<EZCLExpression>([&] { F->Evaluate(u"Fail(1) + 1"); }), "failed");
  EXPECT_EQ(Text(u"If(1, 2, 1 / 0)", true), "2");

  TZCLExpression* tick = F->Compile(u"Tick", true);
  EXPECT_EQ(tick->Evaluate().AsInteger(), 1);
  EXPECT_EQ(tick->Evaluate().AsInteger(), 2);
  Free(tick);

  Integer value = 42;
  EXPECT_EQ(F->Evaluate(u"Ctx + 1", &value).AsInteger(), 43);

  TZCLExpression* empty = Create<TZCLExpression>(F, nullptr);
  EXPECT_EQ(RaisedMessage<EZCLExpression>([&] { empty->Evaluate(); }), "Expression was not compiled");
  EXPECT_EQ(empty->ToString(), u"");
  Free(empty);
}

TEST_F(Expressions, CacheCompilesEachTextOnce) {
  EXPECT_EQ(F->GetCacheSize(), 0);
  F->Evaluate(u"1");
  F->Evaluate(u"1");
  EXPECT_EQ(F->Compilers, 2);  // without a cache every call compiles

  F->SetCacheSize(5);
  EXPECT_EQ(F->GetCacheSize(), 5);
  F->Compilers = 0;
  for (int round = 0; round < 2; ++round)
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(F->Evaluate(IntToStr(i) + u" + 0").AsInteger(), i);
  EXPECT_EQ(F->Compilers, 5);
  F->Evaluate(u"6 + 0");  // evicts "1 + 0"
  F->Evaluate(u"2 + 0");
  EXPECT_EQ(F->Compilers, 6);
  F->Evaluate(u"1 + 0");
  EXPECT_EQ(F->Compilers, 7);

  F->SetCacheSize(2);
  EXPECT_EQ(F->GetCacheSize(), 4);  // the smallest cache
  F->SetCacheSize(0);
  EXPECT_EQ(F->GetCacheSize(), 0);
}

TEST_F(Expressions, DepthIsBounded) {
  // Evaluation and destruction recurse through the tree: texts from outside may not nest without end.
  const String calls = zcDupeString(u"Abs(", 300) + u"1" + zcDupeString(u")", 300);
  const String prefixes = zcDupeString(u"- ", 2000) + u"1";
  const String sum = u"1" + zcDupeString(u" + 1", 2000);
  for (const String& text : {calls, prefixes, sum}) {
    EXPECT_EQ(RaisedMessage<EZCLExpressionCompiler>([&] {
                Free(F->Compile(text, true));
              }).rfind("Syntax Error: expression is too complex", 0),
              0u);
  }
  EXPECT_EQ(Eval(zcDupeString(u"Abs(", 100) + u"-1" + zcDupeString(u")", 100)), "1");
  EXPECT_EQ(Eval(u"1" + zcDupeString(u" + 1", 200)), "201");
}

TEST(ExpressionSupport, StackAndComparison) {
  TZCLExpressionFastStack<TObject> stack(false);
  EXPECT_EQ(RaisedMessage<Exception>([&] { stack.Pop(); }), "Stack is empty");
  TObject items[40];
  for (int i = 0; i < 40; ++i) EXPECT_EQ(stack.Push(&items[i]), i);  // grows past its first 16
  EXPECT_EQ(stack.Peek(), &items[39]);
  EXPECT_EQ(stack.GetCount(), 40);

  EXPECT_EQ(CompareValues(u"a2", u"a10"), vrLessThan);
  EXPECT_EQ(CompareValues(u"abc", u"ABC") == vrEqual, false);
  EXPECT_EQ(CompareValues(10, u"9"), vrGreaterThan);  // a string on either side: texts
  EXPECT_EQ(CompareValues(2, 2.0), vrEqual);
  EXPECT_EQ(CompareValues(VarArrayOf({1}), 1), vrNotEqual);  // cannot be compared
}

TEST(ExpressionSupport, SingletonRace) {
  std::atomic<TZCLMathExpressionFactory*> shared{nullptr};
  std::vector<std::thread> threads;
  for (int i = 0; i < 8; ++i) threads.emplace_back([&] { TZCLCustomExpressionFactory::CreateSingleton(shared); });
  for (std::thread& t : threads) t.join();
  ASSERT_NE(shared.load(), nullptr);
  EXPECT_EQ(shared.load()->Evaluate(u"2 + 2").AsInteger(), 4);
  Free(shared.load());
}
