#include "zcl/base/ZCL.Expressions.Math.h"

#include <cmath>
#include <random>

#include "rtl/RTL.Numbers.h"

namespace {
std::atomic<TZCLMathExpressionFactory*> GInstance{nullptr};

using TArgs = TZCLExpressionElements*;
using TContext = TZCLExpressionContext;

Variant Arg(TArgs Args, Integer Index, TContext Context) { return Args->EvaluateItem(Index, Context); }

Double Real(TArgs Args, Integer Index, TContext Context) { return Arg(Args, Index, Context).AsDouble(); }

// Reals that overflow or lose their meaning raise, as the floating-point unit would with its
// faults unmasked.
void CheckReal(Variant& Value) {
  const TVarType type = Value.VarType();
  if (type == varDouble || type == varSingle) CheckFloat(Value.AsDouble());
}

// ---- functions

void FnAbs(Variant& R, TContext C, TArgs A) { R = std::fabs(Real(A, 0, C)); }
void FnCos(Variant& R, TContext C, TArgs A) { R = CheckFloat(std::cos(Real(A, 0, C))); }
void FnExp(Variant& R, TContext C, TArgs A) { R = Exp(Real(A, 0, C)); }
void FnIf(Variant& R, TContext C, TArgs A) { A->EvaluateItem(Arg(A, 0, C).AsBoolean() ? 1 : 2, R, C); }
void FnLn(Variant& R, TContext C, TArgs A) { R = Ln(Real(A, 0, C)); }
void FnLog10(Variant& R, TContext C, TArgs A) { R = Log10(Real(A, 0, C)); }
void FnLogN(Variant& R, TContext C, TArgs A) {
  const Double base = Real(A, 0, C);
  R = LogN(base, Real(A, 1, C));
}
void FnMax(Variant& R, TContext C, TArgs A) {
  const Double a = Real(A, 0, C), b = Real(A, 1, C);
  R = a > b ? a : b;
}
void FnMin(Variant& R, TContext C, TArgs A) {
  const Double a = Real(A, 0, C), b = Real(A, 1, C);
  R = a < b ? a : b;
}
void FnPower(Variant& R, TContext C, TArgs A) {
  const Double base = Real(A, 0, C);
  R = CheckFloat(Power(base, Real(A, 1, C)));
}
void FnRandom(Variant& R, TContext, TArgs) {
  // Seeded once per thread from the system's entropy source.
  thread_local std::mt19937_64 generator{std::random_device{}()};
  R = std::uniform_real_distribution<Double>(0.0, 1.0)(generator);
}
void FnRound(Variant& R, TContext C, TArgs A) { R = Round(Real(A, 0, C)); }
void FnSin(Variant& R, TContext C, TArgs A) { R = CheckFloat(std::sin(Real(A, 0, C))); }
void FnTrunc(Variant& R, TContext C, TArgs A) { R = Trunc(Real(A, 0, C)); }

// ---- operators (operands left to right)

// The left operand is evaluated into the result, the right one beside it: one value less to
// make per operation.
// A Double or Integer operand read as a double: the kinds bindings compute with most.
bool PlainNumber(const Variant& V, Double& Value) {
  if (V.VarType() == varDouble) {
    Value = V.AsDouble();
    return true;
  }
  if (V.VarType() == varInteger) {
    Value = V.AsInteger();
    return true;
  }
  return false;
}

// Operation's general rules give the same as RealOperation when one operand is a Double and
// the other a Double or Integer (when both are integers too, if AnyIntegers); the short path
// skips them. RealOperation null: no short path.
template <Variant (*Operation)(const Variant&, const Variant&), bool Check,
          Double (*RealOperation)(Double, Double) = nullptr, bool AnyIntegers = false>
void Arithmetic(Variant& R, TContext C, TArgs A) {
  A->EvaluateItem(0, R, C);
  Variant b;
  A->EvaluateItem(1, b, C);
  if constexpr (RealOperation != nullptr) {
    Double x, y;
    if ((AnyIntegers || R.VarType() == varDouble || b.VarType() == varDouble) && PlainNumber(R, x) &&
        PlainNumber(b, y)) {
      const Double r = RealOperation(x, y);
      R = r;
      if constexpr (Check) {
        if (!std::isfinite(r)) CheckFloat(r);
      }
      return;
    }
  }
  R = Operation(R, b);
  if constexpr (Check) CheckReal(R);
}
Variant Multiply(const Variant& A, const Variant& B) { return A * B; }
Variant Divide(const Variant& A, const Variant& B) { return A / B; }
Variant Add(const Variant& A, const Variant& B) { return A + B; }
Variant Subtract(const Variant& A, const Variant& B) { return A - B; }
Double RealMultiply(Double A, Double B) { return A * B; }
Double RealDivide(Double A, Double B) { return FDiv(A, B); }
Double RealAdd(Double A, Double B) { return A + B; }
Double RealSubtract(Double A, Double B) { return A - B; }

void OpSubtract(Variant& R, TContext C, TArgs A) {
  if (A->GetCount() == 2) return Arithmetic<Subtract, true, RealSubtract>(R, C, A);
  A->EvaluateItem(0, R, C);
  R = -R;
  CheckReal(R);
}

TVariantRelationship Relate(TContext C, TArgs A) {
  const Variant a = Arg(A, 0, C);
  return CompareValues(a, Arg(A, 1, C));
}
void OpGreater(Variant& R, TContext C, TArgs A) { R = Integer(Relate(C, A) == vrGreaterThan); }
void OpGreaterOrEqual(Variant& R, TContext C, TArgs A) {
  const TVariantRelationship r = Relate(C, A);
  R = Integer(r == vrGreaterThan || r == vrEqual);
}
void OpLess(Variant& R, TContext C, TArgs A) { R = Integer(Relate(C, A) == vrLessThan); }
void OpLessOrEqual(Variant& R, TContext C, TArgs A) {
  const TVariantRelationship r = Relate(C, A);
  R = Integer(r == vrLessThan || r == vrEqual);
}
void OpNotEqual(Variant& R, TContext C, TArgs A) { R = Integer(Relate(C, A) != vrEqual); }
void OpEqual(Variant& R, TContext C, TArgs A) { R = Integer(Relate(C, A) == vrEqual); }

void OpNot(Variant& R, TContext C, TArgs A) {
  const Variant a = Arg(A, 0, C);
  if (VarIsStr(a))
    R = VarToStr(a).empty();
  else
    R = Integer(a.AsInteger() == 0);
}
void OpAnd(Variant& R, TContext C, TArgs A) {
  const Integer a = Arg(A, 0, C).AsInteger();
  R = a == 0 ? 0 : a & Arg(A, 1, C).AsInteger();
}
void OpOr(Variant& R, TContext C, TArgs A) {
  const Integer a = Arg(A, 0, C).AsInteger();
  R = a | Arg(A, 1, C).AsInteger();
}
void OpXor(Variant& R, TContext C, TArgs A) {
  const Integer a = Arg(A, 0, C).AsInteger();
  R = a ^ Arg(A, 1, C).AsInteger();
}

// ---- number scanner

enum : Integer { ccOther = 0, ccPlus = 11, ccMinus = 12, ccPoint = 13, ccExponent = 14, ccDelimiter = 15 };

// Next state for (state, character class); -1 ends the number before the character, -2 is an
// error. States: 0 integer digits, 1 fraction, 2 after "E", 3 exponent digits.
constexpr SmallInt KNumberStates[4][16] = {
    {-2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -1, -1, 1, 2, -1},
    {-2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, -1, -1, -2, 2, -1},
    {-2, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, -2, -2, -1},
    {-2, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, -1, -1, -2, -2, -1},
};
}  // namespace

void TZCLMathExpressionFactory::AfterConstruction() {
  inherited::AfterConstruction();
  RegisterFunction(u"Abs", FnAbs, 1, true, 0);
  RegisterFunction(u"Cos", FnCos, 1, true, 0);
  RegisterFunction(u"Exp", FnExp, 1, true, 0);
  RegisterFunction(u"If", FnIf, 3, true, 0);
  RegisterFunction(u"Ln", FnLn, 1, true, 0);
  RegisterFunction(u"Log10", FnLog10, 1, true, 0);
  RegisterFunction(u"LogN", FnLogN, 2, true, 0);
  RegisterFunction(u"Max", FnMax, 2, true, 0);
  RegisterFunction(u"Min", FnMin, 2, true, 0);
  RegisterFunction(u"Power", FnPower, 2, true, 0);
  RegisterFunction(u"Random", FnRandom, 0, false, 0);
  RegisterFunction(u"Round", FnRound, 1, true, 0);
  RegisterFunction(u"Sin", FnSin, 1, true, 0);
  RegisterFunction(u"Trunc", FnTrunc, 1, true, 0);

  RegisterOperator(u"*", Arithmetic<Multiply, true, RealMultiply>, 2, 10);
  RegisterOperator(u"/", Arithmetic<Divide, true, RealDivide, true>, 2, 10);
  RegisterOperator(u"^", FnPower, 2, 10);
  RegisterOperator(u"div", Arithmetic<VarIntDiv, false>, 2, 10);
  RegisterOperator(u"mod", Arithmetic<VarMod, false>, 2, 10);
  RegisterOperator(u"-", OpSubtract, 1, 9);
  RegisterOperator(u"-", OpSubtract, 2, 9);
  RegisterOperator(u"+", Arithmetic<Add, true, RealAdd>, 2, 9);
  RegisterOperator(u">", OpGreater, 2, 9);
  RegisterOperator(u">=", OpGreaterOrEqual, 2, 9);
  RegisterOperator(u"<", OpLess, 2, 9);
  RegisterOperator(u"<=", OpLessOrEqual, 2, 9);
  RegisterOperator(u"<>", OpNotEqual, 2, 9);
  RegisterOperator(u"!=", OpNotEqual, 2, 9);
  RegisterOperator(u"=", OpEqual, 2, 9);
  RegisterOperator(u"not", OpNot, 1, 8);
  RegisterOperator(u"!", OpNot, 1, 8);
  RegisterOperator(u"and", OpAnd, 2, 7);
  RegisterOperator(u"or", OpOr, 2, 6);
  RegisterOperator(u"xor", OpXor, 2, 6);
}

TZCLExpressionCompiler* TZCLMathExpressionFactory::CreateCompiler() {
  return Create<TZCLMathExpressionCompiler>(this, DefaultDelimiters(), DefaultQuotes(), DefaultSpaces());
}

TZCLMathExpressionFactory* TZCLMathExpressionFactory::Instance() {
  if (TZCLMathExpressionFactory* instance = GInstance.load(std::memory_order_acquire)) return instance;
  CreateSingleton(GInstance);
  return GInstance.load(std::memory_order_acquire);
}

void TZCLMathExpressionFactory::FinalizeInstance() { Free(GInstance.exchange(nullptr)); }

bool TZCLMathExpressionCompiler::ReadToken(const Char*& Scan, Integer& Count, TZCLParserToken& Token) {
  if (Count <= 0) return false;
  const Char c = *Scan;
  if (c >= u'0' && c <= u'9') return ReadNumber(Scan, Count, Token);
  if (FDelimiters.find(c) != String::npos) {
    // The longest operator name of the arity the position asks for.
    const Integer wanted = FState == 1 ? 2 : 1;
    TZCLExpressionFunctionInfo* best = nullptr;
    Integer bestLength = 0;
    for (TZCLExpressionFunctionInfo* info : *FOperators) {
      const Integer length = static_cast<Integer>(info->Name.size());
      if (info->ArgumentCount == wanted && length > bestLength && length <= Count &&
          SameTokenText(info->Name.data(), Scan, length, length)) {
        best = info;
        bestLength = length;
      }
    }
    if (best) {
      Token.Tag = reinterpret_cast<NativeUInt>(best);
      Token.Data = Scan;
      Token.DataLength = bestLength;
      Token.TokenType = ttOperator;
      Scan += bestLength;
      Count -= bestLength;
      return true;
    }
  }
  if (!inherited::ReadToken(Scan, Count, Token)) return false;
  if (Token.TokenType == ttText) {
    TZCLExpressionFunctionInfo* info;
    if (FFunctions->FindByName(Token.Data, Token.DataLength, info)) {
      Token.Tag = reinterpret_cast<NativeUInt>(info);
      Token.TokenType = ttFunction;
    } else if (FOperators->FindByName(Token.Data, Token.DataLength, info)) {
      Token.Tag = reinterpret_cast<NativeUInt>(info);
      Token.TokenType = ttOperator;
    }
  }
  return true;
}

bool TZCLMathExpressionCompiler::ReadNumber(const Char*& Scan, Integer& Count, TZCLParserToken& Token) {
  Token.Data = Scan;
  Integer state = 0;
  while (Count > 0) {
    const Char c = *Scan;
    Integer cls;
    if (c >= u'0' && c <= u'9')
      cls = 1 + (c - u'0');
    else if (c == u'+')
      cls = ccPlus;
    else if (c == u'-')
      cls = ccMinus;
    else if (c == u'.')
      cls = ccPoint;
    else if (c == u'E')
      cls = ccExponent;
    else if (FDelimiters.find(c) != String::npos || FSpaces.find(c) != String::npos)
      cls = ccDelimiter;
    else
      cls = ccOther;
    const Integer next = KNumberStates[state][cls];
    if (next == -1) break;
    if (next == -2) {
      Token.DataLength = static_cast<Integer>(Scan - Token.Data);
      Error(u"Syntax Error: unexpected token");
    }
    MoveToNext(Scan, Count);
    state = next;
  }
  Token.DataLength = static_cast<Integer>(Scan - Token.Data);
  Token.TokenType = state == 0 ? ttIntegerNumber : ttRealNumber;
  return true;
}
