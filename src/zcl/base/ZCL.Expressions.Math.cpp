#include "zcl/base/ZCL.Expressions.Math.h"

#include <cmath>
#include <cstdint>
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

// Integers and Doubles held as scalars by the flat form of compiled expressions.
using TScalar = TZCLExpressionScalar;
Double RealOf(const TScalar& S) { return S.Type == varDouble ? S.D : static_cast<Double>(S.I); }
void SetReal(TScalar& S, Double Value) {
  S.Type = varDouble;
  S.D = Value;
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

// The same on values. Functions of two reals read the first as a real before the second is
// evaluated (FirstAsReal).
template <auto F>
void RealValues(Variant* V) {
  V[0] = F(V[0].AsDouble());
}
Double RealAbs(Double X) { return std::fabs(X); }
// CheckFloat raises for what is not finite; the check is made in line first.
Double Checked(Double X) { return std::isfinite(X) ? X : CheckFloat(X); }
Double RealCos(Double X) { return Checked(std::cos(X)); }
Double RealSin(Double X) { return Checked(std::sin(X)); }
Double RealExp(Double X) { return Exp(X); }
Double RealLn(Double X) { return Ln(X); }
Double RealLog10(Double X) { return Log10(X); }
bool FirstAsReal(Variant& V) {
  V = V.AsDouble();
  return false;
}
void LogNValues(Variant* V) { V[0] = LogN(V[0].AsDouble(), V[1].AsDouble()); }
void MaxValues(Variant* V) {
  const Double a = V[0].AsDouble(), b = V[1].AsDouble();
  V[0] = a > b ? a : b;
}
void MinValues(Variant* V) {
  const Double a = V[0].AsDouble(), b = V[1].AsDouble();
  V[0] = a < b ? a : b;
}
void PowerValues(Variant* V) { V[0] = CheckFloat(Power(V[0].AsDouble(), V[1].AsDouble())); }
template <Double (*F)(Double)>
bool RealScalars(TScalar* V) {
  SetReal(V[0], F(RealOf(V[0])));
  return true;
}
int FirstScalarAsReal(TScalar& V) {
  SetReal(V, RealOf(V));
  return 0;
}
bool MaxScalars(TScalar* V) {
  const Double a = RealOf(V[0]), b = RealOf(V[1]);
  SetReal(V[0], a > b ? a : b);
  return true;
}
bool MinScalars(TScalar* V) {
  const Double a = RealOf(V[0]), b = RealOf(V[1]);
  SetReal(V[0], a < b ? a : b);
  return true;
}

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
void ArithmeticOn(Variant& R, const Variant& b) {
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
template <Variant (*Operation)(const Variant&, const Variant&), bool Check,
          Double (*RealOperation)(Double, Double) = nullptr, bool AnyIntegers = false>
void Arithmetic(Variant& R, TContext C, TArgs A) {
  A->EvaluateItem(0, R, C);
  Variant b;
  A->EvaluateItem(1, b, C);
  ArithmeticOn<Operation, Check, RealOperation, AnyIntegers>(R, b);
}
template <Variant (*Operation)(const Variant&, const Variant&), bool Check,
          Double (*RealOperation)(Double, Double) = nullptr, bool AnyIntegers = false>
void ArithmeticValues(Variant* V) {
  ArithmeticOn<Operation, Check, RealOperation, AnyIntegers>(V[0], V[1]);
}

Variant Multiply(const Variant& A, const Variant& B) { return A * B; }
Variant Divide(const Variant& A, const Variant& B) { return A / B; }
Variant Add(const Variant& A, const Variant& B) { return A + B; }
Variant Subtract(const Variant& A, const Variant& B) { return A - B; }
Double RealMultiply(Double A, Double B) { return A * B; }
Double RealDivide(Double A, Double B) { return FDiv(A, B); }
Double RealAdd(Double A, Double B) { return A + B; }
Double RealSubtract(Double A, Double B) { return A - B; }

void Negate(Variant& R) {
  R = -R;
  CheckReal(R);
}
void OpSubtract(Variant& R, TContext C, TArgs A) {
  if (A->GetCount() == 2) return Arithmetic<Subtract, true, RealSubtract>(R, C, A);
  A->EvaluateItem(0, R, C);
  Negate(R);
}
void NegateValues(Variant* V) { Negate(V[0]); }

// The comparison operators, each a test of the relationship.
bool IsGreater(TVariantRelationship R) { return R == vrGreaterThan; }
bool IsGreaterOrEqual(TVariantRelationship R) { return R == vrGreaterThan || R == vrEqual; }
bool IsLess(TVariantRelationship R) { return R == vrLessThan; }
bool IsLessOrEqual(TVariantRelationship R) { return R == vrLessThan || R == vrEqual; }
bool IsNotEqual(TVariantRelationship R) { return R != vrEqual; }
bool IsEqual(TVariantRelationship R) { return R == vrEqual; }
template <bool (*Test)(TVariantRelationship)>
void Comparison(Variant& R, TContext C, TArgs A) {
  const Variant a = Arg(A, 0, C);
  R = Integer(Test(CompareValues(a, Arg(A, 1, C))));
}
template <bool (*Test)(TVariantRelationship)>
void ComparisonValues(Variant* V) {
  V[0] = Integer(Test(CompareValues(V[0], V[1])));
}

void Not(Variant& R, const Variant& A) {
  if (VarIsStr(A))
    R = VarToStr(A).empty();
  else
    R = Integer(A.AsInteger() == 0);
}
void OpNot(Variant& R, TContext C, TArgs A) { Not(R, Arg(A, 0, C)); }
void NotValues(Variant* V) {
  const Variant a = std::move(V[0]);
  Not(V[0], a);
}

// "and", "or" and "xor" read the left operand as an integer before the right one is evaluated.
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
bool FirstAsInteger(Variant& V) {
  V = V.AsInteger();
  return false;
}
bool FirstAnd(Variant& V) {
  V = V.AsInteger();
  return V.AsInteger() == 0;  // 0 and anything is 0, the right operand unread
}
void AndValues(Variant* V) { V[0] = V[0].AsInteger() & V[1].AsInteger(); }
void OrValues(Variant* V) { V[0] = V[0].AsInteger() | V[1].AsInteger(); }
void XorValues(Variant* V) { V[0] = V[0].AsInteger() ^ V[1].AsInteger(); }

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
  RegisterOperator(u">", Comparison<IsGreater>, 2, 9);
  RegisterOperator(u">=", Comparison<IsGreaterOrEqual>, 2, 9);
  RegisterOperator(u"<", Comparison<IsLess>, 2, 9);
  RegisterOperator(u"<=", Comparison<IsLessOrEqual>, 2, 9);
  RegisterOperator(u"<>", Comparison<IsNotEqual>, 2, 9);
  RegisterOperator(u"!=", Comparison<IsNotEqual>, 2, 9);
  RegisterOperator(u"=", Comparison<IsEqual>, 2, 9);
  RegisterOperator(u"not", OpNot, 1, 8);
  RegisterOperator(u"!", OpNot, 1, 8);
  RegisterOperator(u"and", OpAnd, 2, 7);
  RegisterOperator(u"or", OpOr, 2, 6);
  RegisterOperator(u"xor", OpXor, 2, 6);

  // The same on values, for the flat form of compiled expressions.
  SetValueProcs(u"Abs", 1, RealValues<RealAbs>, nullptr, RealScalars<RealAbs>);
  SetValueProcs(u"Cos", 1, RealValues<RealCos>, nullptr, RealScalars<RealCos>);
  SetValueProcs(u"Exp", 1, RealValues<RealExp>, nullptr, RealScalars<RealExp>);
  SetValueProcs(u"Ln", 1, RealValues<RealLn>, nullptr, RealScalars<RealLn>);
  SetValueProcs(u"Log10", 1, RealValues<RealLog10>, nullptr, RealScalars<RealLog10>);
  SetValueProcs(u"LogN", 2, LogNValues, FirstAsReal);
  SetValueProcs(u"Max", 2, MaxValues, FirstAsReal, MaxScalars, FirstScalarAsReal);
  SetValueProcs(u"Min", 2, MinValues, FirstAsReal, MinScalars, FirstScalarAsReal);
  SetValueProcs(u"Power", 2, PowerValues, FirstAsReal);
  SetValueProcs(u"Round", 1, RealValues<static_cast<Int64 (*)(Extended)>(Round)>);
  SetValueProcs(u"Sin", 1, RealValues<RealSin>, nullptr, RealScalars<RealSin>);
  SetValueProcs(u"Trunc", 1, RealValues<static_cast<Int64 (*)(Extended)>(Trunc)>);
  SetValueProcs(u"*", 2, ArithmeticValues<Multiply, true, RealMultiply>, nullptr, soMultiply);
  SetValueProcs(u"/", 2, ArithmeticValues<Divide, true, RealDivide, true>, nullptr, soDivide);
  SetValueProcs(u"^", 2, PowerValues, FirstAsReal);
  SetValueProcs(u"div", 2, ArithmeticValues<VarIntDiv, false>);
  SetValueProcs(u"mod", 2, ArithmeticValues<VarMod, false>);
  SetValueProcs(u"-", 1, NegateValues, nullptr, soNegate);
  SetValueProcs(u"-", 2, ArithmeticValues<Subtract, true, RealSubtract>, nullptr, soSubtract);
  SetValueProcs(u"+", 2, ArithmeticValues<Add, true, RealAdd>, nullptr, soAdd);
  SetValueProcs(u">", 2, ComparisonValues<IsGreater>, nullptr, soGreater);
  SetValueProcs(u">=", 2, ComparisonValues<IsGreaterOrEqual>, nullptr, soGreaterOrEqual);
  SetValueProcs(u"<", 2, ComparisonValues<IsLess>, nullptr, soLess);
  SetValueProcs(u"<=", 2, ComparisonValues<IsLessOrEqual>, nullptr, soLessOrEqual);
  SetValueProcs(u"<>", 2, ComparisonValues<IsNotEqual>, nullptr, soNotEqual);
  SetValueProcs(u"!=", 2, ComparisonValues<IsNotEqual>, nullptr, soNotEqual);
  SetValueProcs(u"=", 2, ComparisonValues<IsEqual>, nullptr, soEqual);
  SetValueProcs(u"not", 1, NotValues, nullptr, soNot);
  SetValueProcs(u"!", 1, NotValues, nullptr, soNot);
  SetValueProcs(u"and", 2, AndValues, FirstAnd, soAnd);
  SetValueProcs(u"or", 2, OrValues, FirstAsInteger, soOr);
  SetValueProcs(u"xor", 2, XorValues, FirstAsInteger, soXor);
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
