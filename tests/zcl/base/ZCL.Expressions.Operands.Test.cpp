#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <typeinfo>
#include <vector>

#include "rtl/RTL.Numbers.h"
#include "zcl/base/ZCL.Expressions.Math.h"

// The operators take short paths for Double and Integer operands; every pair of operand kinds
// must give what the general Variant rules give.

namespace {
struct TOperands {
  Variant A, B;
};

class TOperandFactory : public TZCLMathExpressionFactory {
 public:
  void AfterConstruction() override {
    TZCLMathExpressionFactory::AfterConstruction();
    RegisterFunctionWithoutArgs(u"a", ReadA);
    RegisterFunctionWithoutArgs(u"b", ReadB);
  }
  static void ReadA(Variant& R, TZCLExpressionContext C, TZCLExpressionElements*) { R = static_cast<TOperands*>(C)->A; }
  static void ReadB(Variant& R, TZCLExpressionContext C, TZCLExpressionElements*) { R = static_cast<TOperands*>(C)->B; }
};

std::string Describe(const Variant& V) { return StringToUTF8(VarTypeAsText(V.VarType()) + u" " + VarToStr(V)); }

// The value, or the class of what was raised.
template <class F>
std::string Outcome(F Action) {
  try {
    return Describe(Action());
  } catch (const std::exception& e) {
    return std::string("raised ") + typeid(e).name();
  }
}

Variant Checked(const Variant& V) {
  if (V.VarType() == varDouble || V.VarType() == varSingle) CheckFloat(V.AsDouble());
  return V;
}

Variant Related(const Variant& A, const Variant& B, bool (*Test)(TVariantRelationship)) {
  TVariantRelationship r;
  try {
    r = VarCompareValue(A, B);
  } catch (const Exception&) {
    r = vrNotEqual;
  }
  return Integer(Test(r));
}
}  // namespace

TEST(ExpressionOperands, NumericOperatorsFollowTheVariantRules) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<Variant> operands = {Variant(0),
                                         Variant(3),
                                         Variant(-7),
                                         Variant(2147483647),
                                         Variant(0.0),
                                         Variant(2.5),
                                         Variant(-0.5),
                                         Variant(1e308),
                                         Variant(nan),
                                         Variant(Int64(5)),
                                         Variant(1.5f),
                                         Variant(true),
                                         Variant(),
                                         Null(),
                                         Variant(u"4"),
                                         Variant(Currency::FromScaled(25000)),
                                         Variant(TDateTime(2.0))};
  using TReference = Variant (*)(const Variant&, const Variant&);
  struct TOperator {
    const char16_t* Text;
    TReference Reference;
  };
  const TOperator operators[] = {
      {u"a + b", [](const Variant& A, const Variant& B) { return Checked(A + B); }},
      {u"a - b", [](const Variant& A, const Variant& B) { return Checked(A - B); }},
      {u"a * b", [](const Variant& A, const Variant& B) { return Checked(A * B); }},
      {u"a / b", [](const Variant& A, const Variant& B) { return Checked(A / B); }},
      {u"a > b",
       [](const Variant& A, const Variant& B) {
         return Related(A, B, [](TVariantRelationship r) { return r == vrGreaterThan; });
       }},
      {u"a < b",
       [](const Variant& A, const Variant& B) {
         return Related(A, B, [](TVariantRelationship r) { return r == vrLessThan; });
       }},
      {u"a = b", [](const Variant& A,
                    const Variant& B) { return Related(A, B, [](TVariantRelationship r) { return r == vrEqual; }); }},
      {u"a <> b", [](const Variant& A,
                     const Variant& B) { return Related(A, B, [](TVariantRelationship r) { return r != vrEqual; }); }},
  };
  TOperandFactory* factory = Create<TOperandFactory>();
  for (const TOperator& op : operators) {
    TZCLExpression* expression = factory->Compile(op.Text, true);
    for (const Variant& a : operands) {
      for (const Variant& b : operands) {
        // Strings compare with the logical order, not the Variant one.
        if (op.Text[2] != u'+' && op.Text[2] != u'-' && op.Text[2] != u'*' && op.Text[2] != u'/' &&
            (VarIsStr(a) || VarIsStr(b)))
          continue;
        TOperands values{a, b};
        SCOPED_TRACE(StringToUTF8(op.Text) + " with a = " + Describe(a) + ", b = " + Describe(b));
        EXPECT_EQ(Outcome([&] { return expression->Evaluate(&values); }), Outcome([&] { return op.Reference(a, b); }));
      }
    }
    Free(expression);
  }
  Free(factory);
}
