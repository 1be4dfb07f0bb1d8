#include "zcl/base/ZCL.Expressions.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "rtl/RTL.Numbers.h"
#include "zcl/base/ZCL.Utils.Common.h"
#include "zcl/base/ZCL.Utils.Strings.h"

namespace {
// Frees the object on every path unless released.
template <class T>
class TFreeGuard {
 public:
  explicit TFreeGuard(T* AObject) : FObject(AObject) {}
  ~TFreeGuard() { Free(FObject); }
  TFreeGuard(const TFreeGuard&) = delete;
  TFreeGuard& operator=(const TFreeGuard&) = delete;
  T* Release() { return std::exchange(FObject, nullptr); }
  T* operator->() const { return FObject; }

 private:
  T* FObject;
};

TZCLExpressionFunctionInfo* TagInfo(const TZCLParserToken& Token) {
  return reinterpret_cast<TZCLExpressionFunctionInfo*>(Token.Tag);
}

TZCLExpressionElement* MakeConstant(const Variant& Value) { return Create<TZCLExpressionElementConstant>(Value); }
}  // namespace

// ---- infos ---------------------------------------------------------------------------------------

TZCLExpressionFunctionInfo::TZCLExpressionFunctionInfo(StringView AName, const TZCLExpressionFunctionProc& AProc,
                                                       Integer AArgumentCount, bool AFoldable, Byte ACategory)
    : Category(ACategory), Foldable(AFoldable), Name(AName), ArgumentCount(AArgumentCount), Proc(AProc) {}

String TZCLExpressionFunctionInfo::ToString() const {
  if (ArgumentCount == 0) return Name;
  String result = Name + u"(";
  if (ArgumentCount < 0) {
    result += u"..";
  } else {
    for (Integer i = 0; i < ArgumentCount; ++i) {
      if (i > 0) result += u',';
      result += static_cast<Char>(u'A' + i % 26);
    }
  }
  return result + u")";
}

TZCLExpressionOperatorInfo::TZCLExpressionOperatorInfo(StringView AName, const TZCLExpressionFunctionProc& AProc,
                                                       Integer AArgumentCount, Integer APriority)
    : TZCLExpressionFunctionInfo(AName, AProc, AArgumentCount, true, 0),
      RightAssociative(AArgumentCount == 1),
      Priority(APriority) {}

String TZCLExpressionOperatorInfo::ToString() const {
  if (ArgumentCount == 1) return Name + u"A";
  return u"A " + Name + u" B";
}

bool TZCLExpressionFunctionInfoList::Find(const Char* Name, Integer NameLength, Integer ArgumentCount,
                                          TZCLExpressionFunctionInfo*& Info) {
  for (TZCLExpressionFunctionInfo* item : *this) {
    if (item->ArgumentCount == ArgumentCount &&
        SameTokenText(item->Name.data(), Name, static_cast<Integer>(item->Name.size()), NameLength)) {
      Info = item;
      return true;
    }
  }
  Info = nullptr;
  return false;
}

bool TZCLExpressionFunctionInfoList::FindByName(const Char* Name, Integer NameLength,
                                                TZCLExpressionFunctionInfo*& Info) {
  for (TZCLExpressionFunctionInfo* item : *this) {
    if (SameTokenText(item->Name.data(), Name, static_cast<Integer>(item->Name.size()), NameLength)) {
      Info = item;
      return true;
    }
  }
  Info = nullptr;
  return false;
}

TZCLExpressionFunctionInfo* TZCLExpressionFunctionInfoList::Find(StringView Name, Integer ArgumentCount) {
  TZCLExpressionFunctionInfo* info;
  Find(Name.data(), static_cast<Integer>(Name.size()), ArgumentCount, info);
  return info;
}

TZCLExpressionFunctionInfo* TZCLExpressionFunctionInfoList::FindByName(StringView Name) {
  TZCLExpressionFunctionInfo* info;
  FindByName(Name.data(), static_cast<Integer>(Name.size()), info);
  return info;
}

// ---- elements ------------------------------------------------------------------------------------

void TZCLExpressionElementConstant::Evaluate(Variant& Result, TZCLExpressionContext) { Result = FValue; }

void TZCLExpressionElementConstant::WriteText(TZCLStringBuilder& Builder, TZCLCustomExpressionFactory*) {
  Builder.Append(StringView(VarToStr(FValue)));
}

TZCLExpressionElements::~TZCLExpressionElements() {
  for (TZCLExpressionElement* element : FList) Free(element);
}

void TZCLExpressionElements::Add(TZCLExpressionElement* Element) { FList.push_back(Element); }

void TZCLExpressionElements::Insert(Integer Index, TZCLExpressionElement* Element) {
  if (Index < 0 || static_cast<size_t>(Index) > FList.size()) RaiseIndexError(Index);
  FList.insert(FList.begin() + Index, Element);
}

void TZCLExpressionElements::Delete(Integer Index) {
  TZCLExpressionElement* element = GetItems(Index);
  FList.erase(FList.begin() + Index);
  Free(element);
}

void TZCLExpressionElements::Replace(Integer Index, TZCLExpressionElement* Element) {
  TZCLExpressionElement* old = GetItems(Index);
  FList[static_cast<size_t>(Index)] = Element;
  Free(old);
}

bool TZCLExpressionElements::IsConstant() const {
  return std::all_of(FList.begin(), FList.end(), [](const TZCLExpressionElement* E) { return E->IsConstant(); });
}

void TZCLExpressionElements::Optimize() {
  for (TZCLExpressionElement*& element : FList) FoldConstant(element);
}

void TZCLExpressionElements::WriteText(TZCLStringBuilder& Builder, TZCLCustomExpressionFactory* Factory,
                                       StringView Separator) {
  for (size_t i = 0; i < FList.size(); ++i) {
    if (i > 0) Builder.Append(Separator);
    FList[i]->WriteText(Builder, Factory);
  }
}

Integer TZCLExpressionElements::GetDepth() const {
  Integer depth = 0;
  for (const TZCLExpressionElement* element : FList) depth = std::max(depth, element->GetDepth());
  return depth;
}

void TZCLExpressionElements::RaiseIndexError(Integer Index) {
  throw EListError(u"List index out of bounds (%d)", {Index});
}

TZCLExpressionElementFunction::TZCLExpressionElementFunction(TZCLExpressionFunctionInfo* AInfo) : FInfo(AInfo) {
  if (!AInfo) throw EZCLExpressionCompiler(u"Info cannot be nil");
  FArguments = Create<TZCLExpressionElements>();
}

TZCLExpressionElementFunction::~TZCLExpressionElementFunction() { Free(FArguments); }

void TZCLExpressionElementFunction::Optimize() { FArguments->Optimize(); }

bool TZCLExpressionElementFunction::IsConstant() const { return FInfo->Foldable && FArguments->IsConstant(); }

void TZCLExpressionElementFunction::WriteText(TZCLStringBuilder& Builder, TZCLCustomExpressionFactory* Factory) {
  Builder.Append(StringView(FInfo->Name));
  if (FArguments->GetCount() > 0) {
    Builder.Append(u'(');
    FArguments->WriteText(Builder, Factory, u",");
    Builder.Append(u')');
  }
}

Integer TZCLExpressionElementFunction::GetDepth() const { return 1 + FArguments->GetDepth(); }

void TZCLExpressionElementOperator::WriteText(TZCLStringBuilder& Builder, TZCLCustomExpressionFactory* Factory) {
  auto operand = [&](Integer Index) {
    TZCLExpressionElement* element = FArguments->GetItems(Index);
    const bool bracket = dynamic_cast<TZCLExpressionElementOperator*>(element) != nullptr;
    if (bracket) Builder.Append(u'(');
    element->WriteText(Builder, Factory);
    if (bracket) Builder.Append(u')');
  };
  if (FArguments->GetCount() == 2) {
    operand(0);
    Builder.Append(u' ').Append(StringView(FInfo->Name)).Append(u' ');
    operand(1);
  } else {
    Builder.Append(StringView(FInfo->Name));
    for (Integer i = 0; i < FArguments->GetCount(); ++i) {
      Builder.Append(u' ');
      operand(i);
    }
  }
}

void FoldConstant(TZCLExpressionElement*& Element) {
  Element->Optimize();
  if (!Element->IsConstant() || dynamic_cast<TZCLExpressionElementConstant*>(Element)) return;
  Variant value;
  try {
    Element->Evaluate(value, nullptr);
  } catch (const Exception&) {
    return;  // left for evaluation to report
  }
  TZCLExpressionElement* constant = MakeConstant(value);
  Free(std::exchange(Element, constant));
}

namespace {
template <class T>
TVariantRelationship RelateNumbers(T A, T B) {
  if (A == B) return vrEqual;
  if (A < B) return vrLessThan;
  if (A > B) return vrGreaterThan;
  return vrNotEqual;  // NaN
}
}  // namespace

TVariantRelationship CompareValues(const Variant& A, const Variant& B) {
  // Double and Integer compare by value, as VarCompareValue does, without its general rules.
  const TVarType ta = A.VarType(), tb = B.VarType();
  if ((ta == varDouble || ta == varInteger) && (tb == varDouble || tb == varInteger)) {
    if (ta == varInteger && tb == varInteger) return RelateNumbers(A.AsInteger(), B.AsInteger());
    return RelateNumbers(A.AsDouble(), B.AsDouble());
  }
  if (VarIsStr(A) || VarIsStr(B)) {
    const Integer r = zcLogicalCompare(VarToStr(A), VarToStr(B), false);
    return r < 0 ? vrLessThan : (r > 0 ? vrGreaterThan : vrEqual);
  }
  try {
    return VarCompareValue(A, B);
  } catch (const Exception&) {
    return vrNotEqual;
  }
}

// ---- expression ----------------------------------------------------------------------------------

namespace {
enum : Byte {
  skConstant,  // pushes the constant element's value
  skReal,      // pushes the step's Double
  skInteger,   // pushes the step's Integer
  skRead,      // pushes the function's scalar read, else what its procedure gives
  skCall,      // pushes what the function element's procedure gives on its argument elements
  skElement,   // pushes what the element gives
  skValue,     // replaces the top Count values by the value procedure's result
  skFirst,     // the first value procedure: may decide and skip to the step at Count
  // In line, each falling back to its value procedure (skFirstAnd, skFirstInteger: its first
  // value procedure) where the operation leaves a case to it.
  skFirstAnd,
  skFirstInteger,
  skOp,  // skOp + the TZCLExpressionScalarOp
  // The same with the right operand pushed by the step itself: the step's number
  // (ConstantType), or the function's scalar read.
  skOpConstant = skOp + 16,
  skOpRead = skOpConstant + 16,
  skEnd = skOpRead + 16  // after the last step
};
// The values a flat form may keep at once; deeper trees are walked.
constexpr Integer KFlatStackSize = 16;
// The kind of a level of the flat form's stack whose value is in its variant box.
constexpr TVarType KBoxed = varVariant;

using TScalar = TZCLExpressionScalar;

// Both operands as reals; without AnyIntegers, one of them must be a Double.
[[gnu::always_inline]] inline bool RealOperands(const TScalar* V, bool AnyIntegers, Double& A, Double& B) {
  const TVarType a = V[0].Type, b = V[1].Type;
  if (a == varDouble && b == varDouble) [[likely]] {
    A = V[0].D;
    B = V[1].D;
    return true;
  }
  if (!AnyIntegers && a != varDouble && b != varDouble) return false;
  if (a == varDouble)
    A = V[0].D;
  else if (a == varInteger)
    A = static_cast<Double>(V[0].I);
  else
    return false;
  if (b == varDouble)
    B = V[1].D;
  else if (b == varInteger)
    B = static_cast<Double>(V[1].I);
  else
    return false;
  return true;
}

// A number as the variant rules make it an Integer, where they succeed: a Double rounds to the
// nearest, halves to even, and must fit in 32 bits.
[[gnu::always_inline]] inline bool ScalarInteger(const TScalar& V, Int64& Value) {
  if (V.Type == varInteger) {
    Value = V.I;
    return true;
  }
  if (V.Type != varDouble) return false;
  const Double d = V.D;
  if (!(d > -2147483649.0 && d < 2147483648.0)) return false;
  Double r = std::floor(d + 0.5);
  if (r - d == 0.5 && std::fmod(r, 2.0) != 0) r -= 1;
  if (r < -2147483648.0 || r > 2147483647.0) return false;
  Value = static_cast<Int64>(r);
  return true;
}

template <int Op>
[[gnu::always_inline]] inline bool ScalarOp(TScalar* V) {
  if constexpr (Op == soAdd || Op == soSubtract || Op == soMultiply || Op == soDivide) {
    Double a, b;
    if (!RealOperands(V, Op == soDivide, a, b)) return false;
    const Double r = Op == soAdd ? a + b : Op == soSubtract ? a - b : Op == soMultiply ? a * b : a / b;
    if (!std::isfinite(r)) return false;
    V[0].Type = varDouble;
    V[0].D = r;
    return true;
  } else if constexpr (Op == soNegate) {
    if (V[0].Type == varDouble) {
      if (!std::isfinite(V[0].D)) return false;
      V[0].D = -V[0].D;
      return true;
    }
    if (V[0].Type != varInteger || V[0].I == INT32_MIN) return false;
    V[0].I = -V[0].I;
    return true;
  } else if constexpr (Op >= soGreater && Op <= soNotEqual) {
    bool r;
    if (V[0].Type == varInteger && V[1].Type == varInteger) {
      const Int64 a = V[0].I, b = V[1].I;
      r = Op == soGreater ? a > b : Op == soGreaterOrEqual ? a >= b : Op == soLess ? a < b
        : Op == soLessOrEqual ? a <= b : Op == soEqual ? a == b : a != b;
    } else {
      Double a, b;
      if (!RealOperands(V, true, a, b)) return false;
      // Unordered (NaN) operands are only "not equal".
      r = Op == soGreater ? a > b : Op == soGreaterOrEqual ? a >= b : Op == soLess ? a < b
        : Op == soLessOrEqual ? a <= b : Op == soEqual ? a == b : a != b;
    }
    V[0].Type = varInteger;
    V[0].I = r;
    return true;
  } else if constexpr (Op == soAnd || Op == soOr || Op == soXor) {
    Int64 a, b;
    if (!ScalarInteger(V[0], a) || !ScalarInteger(V[1], b)) return false;
    V[0].Type = varInteger;
    V[0].I = static_cast<Integer>(Op == soAnd ? a & b : Op == soOr ? a | b : a ^ b);
    return true;
  } else {
    static_assert(Op == soNot);
    if (V[0].Type != varInteger) return false;
    V[0].I = V[0].I == 0;
    return true;
  }
}

// -1 not handled, 0 go on, 1 decided (and's 0).
template <bool And>
[[gnu::always_inline]] inline int FirstScalarOp(TScalar& V) {
  Int64 a;
  if (!ScalarInteger(V, a)) return -1;
  V.Type = varInteger;
  V.I = a;
  return And && a == 0;
}

TZCLExpressionScalarProc ScalarOpProc(TZCLExpressionScalarOp Op) {
  static constexpr TZCLExpressionScalarProc procs[] = {
      nullptr,           ScalarOp<soAdd>,   ScalarOp<soSubtract>,    ScalarOp<soMultiply>,
      ScalarOp<soDivide>, ScalarOp<soNegate>, ScalarOp<soGreater>,    ScalarOp<soGreaterOrEqual>,
      ScalarOp<soLess>,  ScalarOp<soLessOrEqual>, ScalarOp<soEqual>, ScalarOp<soNotEqual>,
      ScalarOp<soAnd>,   ScalarOp<soOr>,    ScalarOp<soXor>,         ScalarOp<soNot>};
  return procs[Op];
}
}  // namespace

TZCLExpression::TZCLExpression(TZCLCustomExpressionFactory* AFactory, TZCLExpressionElement* ARoot)
    : FFactory(AFactory), FRoot(ARoot) {
  if (FRoot && !AddSteps(FRoot, 0)) {
    FSteps.clear();
    FStackSize = 0;
  }
  // A single step gains nothing over the element itself.
  if (FSteps.size() == 1 && FSteps[0].Kind == skElement) FSteps.clear();
  if (!FSteps.empty()) {
    TStep end{};
    end.Kind = skEnd;
    FSteps.push_back(end);
  }
}

TZCLExpression::~TZCLExpression() { Free(FRoot); }

bool TZCLExpression::AddSteps(TZCLExpressionElement* Element, Integer Depth) {
  if (Depth >= KFlatStackSize) return false;
  FStackSize = std::max(FStackSize, Depth + 1);
  TStep step{};
  step.Element = Element;
  // Only the engine's own element classes: a descendant may evaluate otherwise.
  const TClass cls = Element->ClassType();
  if (cls == TZCLExpressionElementConstant::StaticClass()) {
    // Numbers are pushed from the step, without the general copy of a variant.
    const Variant& value = static_cast<TZCLExpressionElementConstant*>(Element)->GetValue();
    const TVarType type = value.VarType();
    if (type == varDouble) {
      step.Kind = skReal;
      step.D = value.AsDouble();
    } else if (type == varInteger) {
      step.Kind = skInteger;
      step.I = value.AsInteger();
    } else {
      step.Kind = skConstant;
    }
    FSteps.push_back(step);
    return true;
  }
  if (cls != TZCLExpressionElementFunction::StaticClass() && cls != TZCLExpressionElementOperator::StaticClass()) {
    step.Kind = skElement;
    FSteps.push_back(step);
    return true;
  }
  auto* function = static_cast<TZCLExpressionElementFunction*>(Element);
  TZCLExpressionFunctionInfo* info = function->GetInfo();
  TZCLExpressionElements* arguments = function->GetArguments();
  const Integer count = arguments->GetCount();
  step.Info = info;
  if (count == 0 && info->ScalarReadProc) {
    step.Kind = skRead;
    FSteps.push_back(step);
    return true;
  }
  if (!info->ValueProc || count != info->ArgumentCount || count == 0) {
    step.Kind = skCall;
    FSteps.push_back(step);
    return true;
  }
  // A right operand that is a number or a scalar read joins the operation's step.
  Byte fused = 0;
  if (info->ScalarOp != soNone && count == 2) {
    TZCLExpressionElement* right = arguments->GetItems(1);
    const TClass rightClass = right->ClassType();
    if (rightClass == TZCLExpressionElementConstant::StaticClass()) {
      const Variant& value = static_cast<TZCLExpressionElementConstant*>(right)->GetValue();
      if (value.VarType() == varDouble) {
        fused = skOpConstant;
        step.ConstantType = varDouble;
        step.D = value.AsDouble();
      } else if (value.VarType() == varInteger) {
        fused = skOpConstant;
        step.ConstantType = varInteger;
        step.I = value.AsInteger();
      }
    } else if (rightClass == TZCLExpressionElementFunction::StaticClass() &&
               static_cast<TZCLExpressionElementFunction*>(right)->GetArguments()->GetCount() == 0 &&
               static_cast<TZCLExpressionElementFunction*>(right)->GetInfo()->ScalarReadProc) {
      fused = skOpRead;
      step.Element = right;
    }
  }
  if (Depth + 1 >= KFlatStackSize) fused = 0;
  if (fused) FStackSize = std::max(FStackSize, Depth + 2);
  size_t first = 0;
  for (Integer i = 0; i < count; ++i) {
    if (i == 1 && fused) break;
    if (!AddSteps(arguments->GetItems(i), Depth + i)) return false;
    if (i == 0 && count > 1 && info->FirstValueProc) {
      first = FSteps.size();
      step.Kind = skFirst;
      if (info->ScalarOp == soAnd) step.Kind = skFirstAnd;
      if (info->ScalarOp == soOr || info->ScalarOp == soXor) step.Kind = skFirstInteger;
      FSteps.push_back(step);
    }
  }
  step.Kind = skValue;
  if (info->ScalarOp != soNone) step.Kind = static_cast<Byte>((fused ? fused : Byte(skOp)) + Byte(info->ScalarOp));
  step.Count = count;
  FSteps.push_back(step);
  if (first) FSteps[first].Count = static_cast<Integer>(FSteps.size());
  return true;
}

namespace {
// The stack of a running flat form. Each level holds an Integer or Double as a scalar, anything
// else in its variant box (the level's kind is then KBoxed). The boxes are made as they are
// first needed: numbers alone need none. Out-of-line members are the rare paths.
struct TFlatStack {
  TScalar Scalars[KFlatStackSize];
  Integer Made = 0;
  alignas(Variant) unsigned char Raw[KFlatStackSize * sizeof(Variant)];

  TFlatStack() = default;
  TFlatStack(const TFlatStack&) = delete;
  TFlatStack& operator=(const TFlatStack&) = delete;
  ~TFlatStack() {
    for (Integer i = 0; i < Made; ++i) Box(i).~Variant();
  }
  Variant& Box(Integer I) { return reinterpret_cast<Variant*>(Raw)[I]; }
  Variant& Boxed(Integer I) {
    if (Made <= I) [[unlikely]]
      Make(I);
    return Box(I);
  }
  [[gnu::noinline]] void Make(Integer I) {
    while (Made <= I) new (&Box(Made++)) Variant();
  }
  // Level I's value into its box.
  void ToBox(Integer I) {
    if (Scalars[I].Type == KBoxed) return;
    if (Scalars[I].Type == varDouble)
      Boxed(I) = Scalars[I].D;
    else
      Boxed(I) = static_cast<Integer>(Scalars[I].I);
    Scalars[I].Type = KBoxed;
  }
  // Takes the value in level I's box: a number becomes a scalar.
  void Take(Integer I) {
    const Variant& value = Box(I);
    const TVarType type = value.VarType();
    if (type == varDouble) {
      Scalars[I].Type = varDouble;
      Scalars[I].D = value.AsDouble();
    } else if (type == varInteger) {
      Scalars[I].Type = varInteger;
      Scalars[I].I = value.AsInteger();
    } else {
      Scalars[I].Type = KBoxed;
    }
  }
  // What a procedure gives on its argument elements, as level I.
  [[gnu::noinline]] void Call(Integer I, TZCLExpressionElementFunction* Function, TZCLExpressionContext Context) {
    Function->GetInfo()->Proc(Boxed(I), Context, Function->GetArguments());
    Take(I);
  }
  [[gnu::noinline]] void Evaluate(Integer I, TZCLExpressionElement* Element, TZCLExpressionContext Context) {
    Element->Evaluate(Boxed(I), Context);
    Take(I);
  }
  // A function's scalar read, else its procedure, as level I.
  [[gnu::always_inline]] void Read(Integer I, TZCLExpressionElementFunction* Function, TZCLExpressionContext Context) {
    if (!Function->GetInfo()->ScalarReadProc(Scalars[I], Context)) [[unlikely]]
      Call(I, Function, Context);
  }
  // The value procedure on levels Base .. Base + Count - 1, boxed.
  [[gnu::noinline]] void General(TZCLExpressionFunctionInfo* Info, Integer Base, Integer Count) {
    for (Integer i = Base; i < Base + Count; ++i) ToBox(i);
    Info->ValueProc(&Boxed(Base));
    Take(Base);
  }
  // The first value procedure on level I, boxed: True when it decides.
  [[gnu::noinline]] bool First(TZCLExpressionFunctionInfo* Info, Integer I) {
    ToBox(I);
    const bool decided = Info->FirstValueProc(Boxed(I));
    Take(I);
    return decided;
  }
  [[gnu::noinline]] void Constant(Integer I, TZCLExpressionElement* Element) {
    Boxed(I) = static_cast<TZCLExpressionElementConstant*>(Element)->GetValue();
    Scalars[I].Type = KBoxed;
  }
};
}  // namespace

void TZCLExpression::RunSteps(Variant& Result, TZCLExpressionContext Context) const {
  // Each step jumps straight to the next one's code: one indirect jump per kind of step
  // predicts far better than a single shared one.
  static const void* const labels[] = {
      &&constant,
      &&real,
      &&integer,
      &&read,
      &&call,
      &&element,
      &&value,
      &&first,
      &&firstAnd,
      &&firstInteger,
      &&end,
      &&op_soAdd,
      &&op_soSubtract,
      &&op_soMultiply,
      &&op_soDivide,
      &&op_soNegate,
      &&op_soGreater,
      &&op_soGreaterOrEqual,
      &&op_soLess,
      &&op_soLessOrEqual,
      &&op_soEqual,
      &&op_soNotEqual,
      &&op_soAnd,
      &&op_soOr,
      &&op_soXor,
      &&op_soNot,
      &&end,
      &&opConstant_soAdd,
      &&opConstant_soSubtract,
      &&opConstant_soMultiply,
      &&opConstant_soDivide,
      &&opConstant_soNegate,
      &&opConstant_soGreater,
      &&opConstant_soGreaterOrEqual,
      &&opConstant_soLess,
      &&opConstant_soLessOrEqual,
      &&opConstant_soEqual,
      &&opConstant_soNotEqual,
      &&opConstant_soAnd,
      &&opConstant_soOr,
      &&opConstant_soXor,
      &&opConstant_soNot,
      &&end,
      &&opRead_soAdd,
      &&opRead_soSubtract,
      &&opRead_soMultiply,
      &&opRead_soDivide,
      &&opRead_soNegate,
      &&opRead_soGreater,
      &&opRead_soGreaterOrEqual,
      &&opRead_soLess,
      &&opRead_soLessOrEqual,
      &&opRead_soEqual,
      &&opRead_soNotEqual,
      &&opRead_soAnd,
      &&opRead_soOr,
      &&opRead_soXor,
      &&opRead_soNot,
      &&end};
  static_assert(sizeof(labels) / sizeof(labels[0]) == skEnd + 1);
  // The stack lives in this call: an expression may be evaluated by several threads at once.
  TFlatStack stack;
  TScalar* const scalars = stack.Scalars;
  Integer top = 0;
  const TStep* const steps = FSteps.data();
  const TStep* step = steps;
#define ZCL_FLAT_NEXT goto* labels[(++step)->Kind]
#define ZCL_FLAT_OP(Op)                                                                       \
  op_##Op : {                                                                                 \
    const Integer base = top - step->Count;                                                   \
    top = base + 1;                                                                           \
    if (!ScalarOp<Op>(scalars + base)) [[unlikely]]                                           \
      stack.General(step->Info, base, step->Count);                                           \
    ZCL_FLAT_NEXT;                                                                            \
  }                                                                                           \
  opConstant_##Op:                                                                            \
    scalars[top].Type = step->ConstantType;                                                   \
    scalars[top].I = step->I;                                                                 \
    if (!ScalarOp<Op>(scalars + top - 1)) [[unlikely]]                                        \
      stack.General(step->Info, top - 1, 2);                                                  \
    ZCL_FLAT_NEXT;                                                                            \
  opRead_##Op:                                                                                \
    stack.Read(top, static_cast<TZCLExpressionElementFunction*>(step->Element), Context);     \
    if (!ScalarOp<Op>(scalars + top - 1)) [[unlikely]]                                        \
      stack.General(step->Info, top - 1, 2);                                                  \
    ZCL_FLAT_NEXT;
  goto* labels[step->Kind];
real:
  scalars[top].Type = varDouble;
  scalars[top++].D = step->D;
  ZCL_FLAT_NEXT;
integer:
  scalars[top].Type = varInteger;
  scalars[top++].I = step->I;
  ZCL_FLAT_NEXT;
constant:
  stack.Constant(top++, step->Element);
  ZCL_FLAT_NEXT;
read:
  stack.Read(top++, static_cast<TZCLExpressionElementFunction*>(step->Element), Context);
  ZCL_FLAT_NEXT;
call:
  stack.Call(top++, static_cast<TZCLExpressionElementFunction*>(step->Element), Context);
  ZCL_FLAT_NEXT;
element:
  stack.Evaluate(top++, step->Element, Context);
  ZCL_FLAT_NEXT;
value : {
  const Integer base = top - step->Count;
  top = base + 1;
  if (step->Info->ScalarProc) {
    bool plain = true;
    for (Integer i = base; i < base + step->Count; ++i) plain = plain && scalars[i].Type != KBoxed;
    if (plain && step->Info->ScalarProc(scalars + base)) ZCL_FLAT_NEXT;
  }
  stack.General(step->Info, base, step->Count);
  ZCL_FLAT_NEXT;
}
first : {
  const Integer i = top - 1;
  int decided = -1;
  if (scalars[i].Type != KBoxed && step->Info->FirstScalarProc) decided = step->Info->FirstScalarProc(scalars[i]);
  if (decided == 1 || (decided == -1 && stack.First(step->Info, i))) step = steps + step->Count - 1;
  ZCL_FLAT_NEXT;
}
firstAnd : {
  const int decided = FirstScalarOp<true>(scalars[top - 1]);
  if (decided == 1 || (decided == -1 && stack.First(step->Info, top - 1))) step = steps + step->Count - 1;
  ZCL_FLAT_NEXT;
}
firstInteger:
  if (FirstScalarOp<false>(scalars[top - 1]) == -1 && stack.First(step->Info, top - 1))
    step = steps + step->Count - 1;
  ZCL_FLAT_NEXT;
  ZCL_FLAT_OP(soAdd)
  ZCL_FLAT_OP(soSubtract)
  ZCL_FLAT_OP(soMultiply)
  ZCL_FLAT_OP(soDivide)
  ZCL_FLAT_OP(soNegate)
  ZCL_FLAT_OP(soGreater)
  ZCL_FLAT_OP(soGreaterOrEqual)
  ZCL_FLAT_OP(soLess)
  ZCL_FLAT_OP(soLessOrEqual)
  ZCL_FLAT_OP(soEqual)
  ZCL_FLAT_OP(soNotEqual)
  ZCL_FLAT_OP(soAnd)
  ZCL_FLAT_OP(soOr)
  ZCL_FLAT_OP(soXor)
  ZCL_FLAT_OP(soNot)
#undef ZCL_FLAT_OP
#undef ZCL_FLAT_NEXT
end:
  if (scalars[0].Type == varDouble)
    Result.SetDouble(scalars[0].D);
  else if (scalars[0].Type == varInteger)
    Result.SetInteger(static_cast<Integer>(scalars[0].I));
  else
    Result = std::move(stack.Box(0));
}

void TZCLExpression::Evaluate(Variant& Result, TZCLExpressionContext Context) {
  if (!FRoot) throw EZCLExpression(u"Expression was not compiled");
  if (FSteps.empty())
    FRoot->Evaluate(Result, Context);
  else
    RunSteps(Result, Context);
}

Variant TZCLExpression::Evaluate(TZCLExpressionContext Context) {
  Variant result;
  Evaluate(result, Context);
  return result;
}

String TZCLExpression::ToString() const {
  if (!FRoot) return String();
  TZCLPooledBuilder builder(256);
  FRoot->WriteText(*builder, FFactory);
  return builder->ToString();
}

// ---- factory -------------------------------------------------------------------------------------

const String& TZCLCustomExpressionFactory::DefaultDelimiters() {
  static const String delimiters =
      String(u"%=:+-\\/*;,|(){}<>[].@#$^&?!\"' \r\n\t") + Char(0) + u"\u00AB\u00BB\u201C\u201D_";
  return delimiters;
}

const String& TZCLCustomExpressionFactory::DefaultQuotes() {
  static const String quotes = u"\"'";
  return quotes;
}

const String& TZCLCustomExpressionFactory::DefaultSpaces() {
  static const String spaces = String(u" \r\n\t") + Char(0);
  return spaces;
}

TZCLCustomExpressionFactory::~TZCLCustomExpressionFactory() {
  FreeAndNil(FCache);
  FreeAndNil(FOperators);
  FreeAndNil(FFunctions);
}

void TZCLCustomExpressionFactory::AfterConstruction() {
  inherited::AfterConstruction();
  FFunctions = CreateFunctionList();
  FOperators = CreateFunctionList();
}

TZCLExpressionCompiler* TZCLCustomExpressionFactory::CreateCompiler() {
  return Create<TZCLExpressionCompiler>(this, DefaultDelimiters(), DefaultQuotes(), DefaultSpaces());
}

TZCLExpression* TZCLCustomExpressionFactory::CreateExpression(const String&, TZCLExpressionElement* Root) {
  return Create<TZCLExpression>(this, Root);
}

TZCLExpressionFunctionInfoList* TZCLCustomExpressionFactory::CreateFunctionList() {
  return Create<TZCLExpressionFunctionInfoList>();
}

void TZCLCustomExpressionFactory::RegisterFunction(StringView Name, const TZCLExpressionFunctionProc& Proc,
                                                   Integer ArgumentCount, bool Foldable, Byte Category) {
  if (FFunctions->Find(Name, ArgumentCount))
    throw EZCLExpression(u"The \"%s\" function with %d arguments already registered", {Name, ArgumentCount});
  FFunctions->Add(Create<TZCLExpressionFunctionInfo>(Name, Proc, ArgumentCount, Foldable, Category));
}

void TZCLCustomExpressionFactory::RegisterFunctionWithoutArgs(StringView Name, const TZCLExpressionFunctionProc& Proc,
                                                              Byte Category) {
  RegisterFunction(Name, Proc, 0, false, Category);
}

void TZCLCustomExpressionFactory::RegisterFunctionWithoutArgs(StringView Name, const TZCLExpressionFunctionProc& Proc,
                                                              TZCLExpressionScalarReadProc ScalarReadProc,
                                                              Byte Category) {
  RegisterFunction(Name, Proc, 0, false, Category);
  FFunctions->GetItem(FFunctions->GetCount() - 1)->ScalarReadProc = ScalarReadProc;
}

void TZCLCustomExpressionFactory::RegisterAlias(StringView AliasName, StringView FunctionName) {
  TZCLExpressionFunctionInfo* info = FFunctions->FindByName(FunctionName);
  if (!info) throw EZCLExpression(u"The \"%s\" function was not found", {FunctionName});
  RegisterFunction(AliasName, info->Proc, info->ArgumentCount, info->Foldable, ExpressionCategoryAlias);
  TZCLExpressionFunctionInfo* alias = FFunctions->GetItem(FFunctions->GetCount() - 1);
  alias->ValueProc = info->ValueProc;
  alias->FirstValueProc = info->FirstValueProc;
  alias->ScalarProc = info->ScalarProc;
  alias->FirstScalarProc = info->FirstScalarProc;
  alias->ScalarOp = info->ScalarOp;
  alias->ScalarReadProc = info->ScalarReadProc;
}

void TZCLCustomExpressionFactory::Unregister(StringView Name) {
  TZCLExpressionFunctionInfo* info = FFunctions->FindByName(Name);
  if (!info) return;
  // Cached expressions may call the info that goes: they are dropped with it.
  if (FCache) {
    const Integer size = FCache->GetCapacity();
    FreeAndNil(FCache);
    FCache = Create<TZCLExpressionCache>(this, size);
  }
  FFunctions->Remove(info);
}

void TZCLCustomExpressionFactory::RegisterOperator(StringView Name, const TZCLExpressionFunctionProc& Proc,
                                                   Integer ArgumentCount, Integer Priority) {
  if (ArgumentCount != 1 && ArgumentCount != 2) throw EZCLExpression(u"Operator must have 1 or 2 arguments");
  if (FOperators->Find(Name, ArgumentCount))
    throw EZCLExpression(u"The \"%s\" function with %d arguments already registered", {Name, ArgumentCount});
  FOperators->Add(Create<TZCLExpressionOperatorInfo>(Name, Proc, ArgumentCount, Priority));
}

void TZCLCustomExpressionFactory::SetValueProcs(StringView Name, Integer ArgumentCount,
                                                TZCLExpressionValueProc ValueProc,
                                                TZCLExpressionFirstValueProc FirstValueProc,
                                                TZCLExpressionScalarProc ScalarProc,
                                                TZCLExpressionFirstScalarProc FirstScalarProc) {
  TZCLExpressionFunctionInfo* info = FOperators->Find(Name, ArgumentCount);
  if (!info) info = FFunctions->Find(Name, ArgumentCount);
  if (!info || ArgumentCount < 0)
    throw EZCLExpression(u"The \"%s\" function with %d arguments was not found", {Name, ArgumentCount});
  info->ValueProc = ValueProc;
  info->FirstValueProc = FirstValueProc;
  info->ScalarProc = ScalarProc;
  info->FirstScalarProc = FirstScalarProc;
  info->ScalarOp = soNone;
}

void TZCLCustomExpressionFactory::SetValueProcs(StringView Name, Integer ArgumentCount,
                                                TZCLExpressionValueProc ValueProc,
                                                TZCLExpressionFirstValueProc FirstValueProc,
                                                TZCLExpressionScalarOp ScalarOp) {
  const bool unary = ScalarOp == soNegate || ScalarOp == soNot;
  if (ScalarOp != soNone && ArgumentCount != (unary ? 1 : 2))
    throw EZCLExpression(u"The operation does not take %d arguments", {ArgumentCount});
  TZCLExpressionFirstScalarProc first = nullptr;
  if (FirstValueProc && ScalarOp == soAnd) first = FirstScalarOp<true>;
  if (FirstValueProc && (ScalarOp == soOr || ScalarOp == soXor)) first = FirstScalarOp<false>;
  SetValueProcs(Name, ArgumentCount, ValueProc, FirstValueProc, ScalarOpProc(ScalarOp), first);
  TZCLExpressionFunctionInfo* info = FOperators->Find(Name, ArgumentCount);
  if (!info) info = FFunctions->Find(Name, ArgumentCount);
  info->ScalarOp = ScalarOp;
}

TZCLExpression* TZCLCustomExpressionFactory::Compile(const String& Text, bool Optimize) {
  TFreeGuard<TZCLExpressionCompiler> compiler(CreateCompiler());
  compiler->Initialize(Text);
  TZCLExpressionElement* root = compiler->Compile();
  if (Optimize && root) {
    try {
      FoldConstant(root);
    } catch (...) {
      Free(root);
      throw;
    }
  }
  return CreateExpression(Text, root);
}

void TZCLCustomExpressionFactory::Evaluate(const String& Text, TZCLExpressionContext Context, Variant& Result) {
  if (FCache) {
    TZCLExpression* expression = nullptr;
    if (!FCache->TryGetValue(Text, expression)) {
      expression = Compile(Text, true);
      FCache->Add(Text, expression);
    }
    expression->Evaluate(Result, Context);
    return;
  }
  TFreeGuard<TZCLExpression> expression(Compile(Text, false));
  expression->Evaluate(Result, Context);
}

Variant TZCLCustomExpressionFactory::Evaluate(const String& Text, TZCLExpressionContext Context) {
  Variant result;
  Evaluate(Text, Context, result);
  return result;
}

Integer TZCLCustomExpressionFactory::GetCacheSize() const { return FCache ? FCache->GetCapacity() : 0; }

void TZCLCustomExpressionFactory::SetCacheSize(Integer Value) {
  if (Value == GetCacheSize()) return;
  FreeAndNil(FCache);
  if (Value > 0) FCache = Create<TZCLExpressionCache>(this, Value);
}

String TZCLCustomExpressionFactory::ToString() const { throw Exception(u"Unsupported!"); }

// ---- compiler ------------------------------------------------------------------------------------

TZCLExpressionCompiler::TZCLExpressionCompiler(TZCLCustomExpressionFactory* AFactory, StringView ADelimiters,
                                               StringView AQuotes, StringView ASpaces)
    : TZCLParser(ADelimiters, AQuotes, ASpaces),
      FFactory(AFactory),
      FFunctions(AFactory->GetFunctions()),
      FOperators(AFactory->GetOperators()),
      FFunctionElementClass(TZCLExpressionElementFunction::StaticClass()),
      FOperatorElementClass(TZCLExpressionElementOperator::StaticClass()) {
  QuotedTextAsSingleToken = true;
  QuotedTextAsSingleTokenUnquote = true;
  SkipDelimiters = false;
  SkipSpaces = true;
}

TZCLExpressionCompiler::~TZCLExpressionCompiler() {
  FreeAndNil(FElementStack);
  FreeAndNil(FOperatorStack);
}

TZCLExpressionElement* TZCLExpressionCompiler::Compile() {
  FElementStack = Create<TZCLExpressionFastStack<TZCLExpressionElement>>(true);
  FOperatorStack = Create<TZCLExpressionFastStack<TZCLExpressionOperatorInfo>>(false);
  TZCLExpressionElement* root;
  try {
    root = DoCompile();
  } catch (...) {
    FreeAndNil(FElementStack);
    FreeAndNil(FOperatorStack);
    throw;
  }
  FreeAndNil(FElementStack);
  FreeAndNil(FOperatorStack);
  return root;
}

TZCLExpressionElement* TZCLExpressionCompiler::DoCompile() {
  FState = 0;
  while (GetToken(FToken))
    if (!ProcessToken()) Error(u"Syntax Error: unexpected token");
  ApplyPendingOperators();
  return PopRoot();
}

TZCLExpressionElement* TZCLExpressionCompiler::PopRoot() {
  if (FElementStack->GetCount() != 1) Error(u"Syntax Error: expression is invalid");
  return FElementStack->Pop();
}

void TZCLExpressionCompiler::ApplyPendingOperators() {
  while (FOperatorStack->GetCount() > 0) ApplyOperator(FOperatorStack->Pop());
}

bool TZCLExpressionCompiler::ProcessToken() {
  switch (FToken.TokenType) {
    case ttDelimiter:
      return ProcessBracket();
    case ttQuotedText:
      PushElement(MakeConstant(FToken.ToString()));
      return true;
    case ttFunction:
      return ProcessFunction();
    case ttOperator:
      return ProcessOperator();
    case ttRealNumber: {
      Extended value;
      if (!TryStrToFloat(FToken.View(), value, InvariantFormatSettings())) return false;
      PushElement(MakeConstant(static_cast<Double>(value)));
      return true;
    }
    case ttIntegerNumber: {
      Integer value;
      if (!TryStrToInt(FToken.View(), value)) return false;
      PushElement(MakeConstant(value));
      return true;
    }
    default:
      return false;
  }
}

bool TZCLExpressionCompiler::ProcessBracket() {
  if (FToken.DataLength != 1) return false;
  if (FToken.Data[0] == u'(') {
    FOperatorStack->Push(nullptr);
    return true;
  }
  if (FToken.Data[0] != u')') return false;
  for (;;) {
    // A closing bracket without an opening one is a syntax error like any other, not a fault
    // of the stack.
    if (FOperatorStack->GetCount() == 0) Error(u"Syntax Error: unequal brackets");
    TZCLExpressionOperatorInfo* q = FOperatorStack->Pop();
    if (!q) return true;
    ApplyOperator(q);
  }
}

bool TZCLExpressionCompiler::ProcessOperator() {
  auto* p = dynamic_cast<TZCLExpressionOperatorInfo*>(TagInfo(FToken));
  if (!p) return false;
  // A prefix operator stands where an operand is expected, so every pending operator still
  // waits for its right operand: none may be applied before it ("2 * -3" is 2 * (-3)).
  if (p->ArgumentCount != 1) {
    while (FOperatorStack->GetCount() > 0) {
      TZCLExpressionOperatorInfo* q = FOperatorStack->Peek();
      if (!q) break;
      const bool apply = p->RightAssociative ? p->Priority < q->Priority : p->Priority <= q->Priority;
      if (!apply) break;
      FOperatorStack->Pop();
      ApplyOperator(q);
    }
  }
  FOperatorStack->Push(p);
  FState = 2;
  return true;
}

void TZCLExpressionCompiler::ApplyOperator(TZCLExpressionOperatorInfo* Q) {
  if (!Q) Error(u"Syntax Error: unequal brackets");
  TFreeGuard<TZCLExpressionElementFunction> element(FOperatorElementClass->Create<TZCLExpressionElementFunction>(Q));
  if (!element->GetArguments()->PopFrom(*FElementStack, Q->ArgumentCount))
    ErrorFmt(u"Syntax Error: function \"%s\" has too small arguments", {Q->Name});
  if (element->GetDepth() > ExpressionMaxDepth) Error(u"Syntax Error: expression is too complex");
  FElementStack->Push(element.Release());
}

void TZCLExpressionCompiler::PushElement(TZCLExpressionElement* Element) {
  if (Element->GetDepth() > ExpressionMaxDepth) {
    Free(Element);
    Error(u"Syntax Error: expression is too complex");
  }
  FElementStack->Push(Element);
  FState = 1;
}

bool TZCLExpressionCompiler::ProcessFunction() {
  TZCLExpressionFunctionInfo* f = TagInfo(FToken);
  if (!f) return false;
  TFreeGuard<TZCLExpressionElementFunction> element(FFunctionElementClass->Create<TZCLExpressionElementFunction>(f));
  if (FScanCount > 0 && *FScan == u'(') ParseArguments(element.operator->());
  const Integer n = element->GetArguments()->GetCount();
  TZCLExpressionFunctionInfo* overload;
  if (f->ArgumentCount != -1 && f->ArgumentCount != n &&
      FFunctions->Find(f->Name.data(), static_cast<Integer>(f->Name.size()), n, overload))
    element->SetInfo(overload);
  const Integer wanted = element->GetInfo()->ArgumentCount;
  if (wanted != -1 && n < wanted)
    ErrorFmt(u"Syntax Error: function \"%s\" has too small arguments", {element->GetInfo()->Name});
  if (wanted != -1 && n > wanted)
    ErrorFmt(u"Syntax Error: function \"%s\" has too many arguments", {element->GetInfo()->Name});
  PushElement(element.Release());
  return true;
}

void TZCLExpressionCompiler::ParseArguments(TZCLExpressionElementFunction* Element) {
  if (FNestingLevel >= ExpressionMaxDepth) Error(u"Syntax Error: expression is too complex");
  MoveToNext(FScan, FScanCount);
  Integer depth = 0;
  const Char* start = FScan;
  bool taken = false;
  TZCLParserToken token;
  while (GetToken(token)) {
    if (token.TokenType != ttDelimiter || token.DataLength != 1) continue;
    const Char c = token.Data[0];
    if (c == u'(') {
      ++depth;
    } else if (c == u',' && depth == 0) {
      Element->GetArguments()->Add(CompileArgument(start, static_cast<Integer>(token.Data - start)));
      start = token.Data + 1;
      taken = true;
    } else if (c == u')') {
      if (depth > 0) {
        --depth;
        continue;
      }
      if (token.Data > start || taken)
        Element->GetArguments()->Add(CompileArgument(start, static_cast<Integer>(token.Data - start)));
      return;
    }
  }
  Error(u"Syntax Error: unequal brackets");
}

TZCLExpressionElement* TZCLExpressionCompiler::CompileArgument(const Char* Data, Integer Count) {
  if (Count <= 0) return MakeConstant(String());
  TFreeGuard<TZCLExpressionCompiler> compiler(FFactory->CreateCompiler());
  compiler->FNestingLevel = FNestingLevel + 1;
  compiler->Initialize(Data, Count);
  TZCLExpressionElement* root = compiler->Compile();
  return root ? root : MakeConstant(String());
}

void TZCLExpressionCompiler::Error(const String& Message) const {
  if (FScanCount > 0) {
    const String scan(FScan, static_cast<size_t>(std::min<Integer>(16, FScanCount)));
    throw EZCLExpressionCompiler(Message + Format(u"(Token: \"%s\", Scan Cursor: \"%s\")", {FToken.ToString(), scan}));
  }
  throw EZCLExpressionCompiler(Message);
}

void TZCLExpressionCompiler::ErrorFmt(StringView Message, TVarRecList Args) const { Error(Format(Message, Args)); }
