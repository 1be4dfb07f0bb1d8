#pragma once
// The arithmetic and logical dialect of the expression engine: numbers, quoted strings,
// arithmetic, comparison and logical operators and fourteen mathematical functions. Places
// where the user may type a calculation instead of a number use the shared instance; other
// dialects derive from the factory and add functions for their variables.
//
// Priorities (a larger one binds tighter): "* / ^ div mod" 10; "-" (prefix and infix), "+" and
// the comparisons "> >= < <= <> != =" 9; "not !" 8; "and" 7; "or xor" 6. Comparisons share
// the priority of "+", so 3 > 1 + 1 is (3 > 1) + 1. "and", "or" and "xor" work bitwise on
// 32-bit integers (6 and 3 is 2); "and" skips its right operand when the left one is 0. Mixed
// kinds follow the run-time library's Variant arithmetic; a real result that overflows or is
// not a number raises, as with the floating-point faults unmasked.

#include "zcl/base/ZCL.Expressions.h"

class TZCLMathExpressionFactory : public TZCLCustomExpressionFactory {
  ZCL_CLASS(TZCLMathExpressionFactory, TZCLCustomExpressionFactory)
 public:
  // Registers the functions and operators.
  void AfterConstruction() override;
  TZCLExpressionCompiler* CreateCompiler() override;

  // The shared factory (no cache), created on first use.
  static TZCLMathExpressionFactory* Instance();
  // Unit finalization: destroys the shared factory.
  static void FinalizeInstance();
};

// Reads numbers, operators (the arity chosen by the position) and function names.
class TZCLMathExpressionCompiler : public TZCLExpressionCompiler {
  ZCL_CLASS(TZCLMathExpressionCompiler, TZCLExpressionCompiler)
 public:
  using TZCLExpressionCompiler::TZCLExpressionCompiler;
  bool ReadToken(const Char*& Scan, Integer& Count, TZCLParserToken& Token) override;

 private:
  // Digits, "." fraction and "E" exponent; a sign is never part of a number.
  bool ReadNumber(const Char*& Scan, Integer& Count, TZCLParserToken& Token);
};
