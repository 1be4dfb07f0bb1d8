#include "rtl/RTL.Variant.h"

#include <cfloat>
#include <cmath>
#include <vector>

#include "rtl/RTL.FormatSettings.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Strings.h"

struct Variant::TArray {
  Integer Low = 0;
  TVarType ElementType = varVariant;
  std::vector<Variant> Items;
};

void Variant::TArrayDeleter::operator()(TArray* Array) const { delete Array; }

namespace {

bool IsStrType(TVarType T) { return T == varUString || T == varString || T == varOleStr; }

bool IsIntType(TVarType T) {
  switch (T) {
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
    case varUInt64:
      return true;
    default:
      return false;
  }
}

// Kinds whose arithmetic starts as Integer.
bool IsSmallType(TVarType T) {
  switch (T) {
    case varEmpty:
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varBoolean:
      return true;
    default:
      return false;
  }
}

bool IsScalarType(TVarType T) {
  return IsIntType(T) || IsStrType(T) || T == varSingle || T == varDouble || T == varCurrency || T == varDate ||
         T == varBoolean;
}

[[noreturn]] void CastError(TVarType From, TVarType To) {
  throw EVariantTypeCastError(u"Could not convert variant of type (%s) into type (%s)",
                              {VarTypeAsText(From), VarTypeAsText(To)});
}

[[noreturn]] void RangeError(TVarType From, TVarType To) {
  throw EVariantOverflowError(u"Range check error while converting variant of type (%s) into type (%s)",
                              {VarTypeAsText(From), VarTypeAsText(To)});
}

[[noreturn]] void InvalidOp() { throw EVariantInvalidOpError(u"Invalid variant operation"); }
[[noreturn]] void Overflow() { throw EVariantOverflowError(u"Variant overflow"); }
[[noreturn]] void BadIndex() { throw EVariantBadIndexError(u"Variant or safe array index out of bounds"); }
[[noreturn]] void NotAnArray() { throw EVariantNotAnArrayError(u"Variant is not an array"); }

// Text as a number, when the whole text is one.
bool TextToInt64(const String& S, Int64& Value) { return TryStrToInt64(S, Value); }

bool TextToDouble(const String& S, double& Value) {
  Extended e;
  if (TryStrToFloat(S, e, FormatSettings)) {
    Value = e;
    return true;
  }
  Int64 i;
  if (TryStrToInt64(S, i)) {
    Value = static_cast<double>(i);
    return true;
  }
  return false;
}

// "True" / "False" in any case.
bool TextToBooleanWord(const String& S, bool& Value) {
  if (SameText(S, u"True")) return Value = true, true;
  if (SameText(S, u"False")) return Value = false, true;
  return false;
}

// Nearest integer, halves to even; false when not finite or beyond Int64.
bool RoundToInt64(double D, Int64& Value) {
  if (!std::isfinite(D) || D >= 9223372036854775808.0 || D < -9223372036854775808.0) return false;
  // Independent of the floating-point rounding mode.
  double r = std::floor(D + 0.5);
  if (r - D == 0.5 && std::fmod(r, 2.0) != 0) r -= 1;
  if (r >= 9223372036854775808.0) return false;
  Value = static_cast<Int64>(r);
  return true;
}

// Currency (scaled) to the nearest integer, halves to even.
Int64 CurrencyToInt64(Int64 Scaled) {
  Int64 q = Scaled / 10000, r = Scaled % 10000;
  if (r > 5000 || (r == 5000 && (q & 1))) ++q;
  if (r < -5000 || (r == -5000 && (q & 1))) --q;
  return q;
}

bool IsStrOrEmpty(const Variant& V) { return IsStrType(V.VarType()) || V.IsEmpty(); }

// One operand of the arithmetic, brought to a numeric kind.
struct TOperand {
  enum TKind { Int, Real, Curr, Date } Kind = Int;
  bool Small = true;
  Int64 I = 0;   // Int: the value; Curr: scaled
  double D = 0;  // Real, Date

  double AsDouble() const {
    switch (Kind) {
      case Int:
        return static_cast<double>(I);
      case Curr:
        return static_cast<double>(I) / 10000.0;
      default:
        return D;
    }
  }
};

TOperand ToOperand(const Variant& V) {
  TOperand o;
  const TVarType t = V.VarType();
  if (t & varArray) InvalidOp();
  if (IsStrType(t)) {
    o.Kind = TOperand::Real;
    o.Small = false;
    o.D = V.AsDouble();
    return o;
  }
  switch (t) {
    case varEmpty:
      return o;
    case varBoolean:
      o.I = V.AsBoolean() ? -1 : 0;
      return o;
    case varSingle:
    case varDouble:
      o.Kind = TOperand::Real;
      o.D = V.AsDouble();
      return o;
    case varDate:
      o.Kind = TOperand::Date;
      o.D = V.AsDouble();
      return o;
    case varCurrency:
      o.Kind = TOperand::Curr;
      o.I = V.AsCurrency().Scaled;
      return o;
    case varUInt64: {
      const UInt64 u = V.AsUInt64();
      o.Small = false;
      if (u > static_cast<UInt64>(INT64_MAX)) {
        o.Kind = TOperand::Real;
        o.D = static_cast<double>(u);
      } else {
        o.I = static_cast<Int64>(u);
      }
      return o;
    }
    default:
      if (IsIntType(t)) {
        o.Small = IsSmallType(t);
        o.I = V.AsInt64();
        return o;
      }
      InvalidOp();
  }
}

// An integer result typed as the arithmetic rules say.
Variant IntResult(Int64 Value, bool Small) {
  if (Small && Value >= INT32_MIN && Value <= INT32_MAX) return Variant(static_cast<Integer>(Value));
  return Variant(Value);
}

Int64 CurrencyOf(const TOperand& O) {
  if (O.Kind == TOperand::Curr) return O.I;
  Int64 r;
  if (__builtin_mul_overflow(O.I, Int64(10000), &r)) Overflow();
  return r;
}

enum class TArith { Add, Sub, Mul };

Variant Arithmetic(const Variant& A, const Variant& B, TArith Op) {
  if (A.IsNull() || B.IsNull()) return Null();
  if (A.IsArray() || B.IsArray()) InvalidOp();
  if (A.IsEmpty() && B.IsEmpty()) return Variant();
  if (Op == TArith::Add && IsStrOrEmpty(A) && IsStrOrEmpty(B)) return Variant(A.AsString() + B.AsString());

  const TOperand a = ToOperand(A), b = ToOperand(B);
  auto realOp = [Op](double x, double y) {
    switch (Op) {
      case TArith::Add:
        return x + y;
      case TArith::Sub:
        return x - y;
      default:
        return x * y;
    }
  };
  if (a.Kind == TOperand::Date || b.Kind == TOperand::Date) {
    const double r = realOp(a.AsDouble(), b.AsDouble());
    const bool bothDates = a.Kind == TOperand::Date && b.Kind == TOperand::Date;
    const bool dateResult = !bothDates && ((Op == TArith::Add) || (Op == TArith::Sub && a.Kind == TOperand::Date));
    return dateResult ? Variant(TDateTime(r)) : Variant(r);
  }
  if (a.Kind == TOperand::Real || b.Kind == TOperand::Real) return Variant(realOp(a.AsDouble(), b.AsDouble()));
  if (a.Kind == TOperand::Curr || b.Kind == TOperand::Curr) {
    Int64 r;
    bool overflow;
    switch (Op) {
      case TArith::Add:
        overflow = __builtin_add_overflow(CurrencyOf(a), CurrencyOf(b), &r);
        break;
      case TArith::Sub:
        overflow = __builtin_sub_overflow(CurrencyOf(a), CurrencyOf(b), &r);
        break;
      default: {
        // Scaled * scaled / 10000, rounded halves to even.
        const __int128 p = static_cast<__int128>(CurrencyOf(a)) * CurrencyOf(b);
        __int128 q = p / 10000, rem = p % 10000;
        if (rem > 5000 || (rem == 5000 && (q & 1))) ++q;
        if (rem < -5000 || (rem == -5000 && (q & 1))) --q;
        overflow = q > INT64_MAX || q < INT64_MIN;
        r = static_cast<Int64>(q);
        break;
      }
    }
    if (overflow) Overflow();
    return Variant(Currency::FromScaled(r));
  }
  Int64 r;
  bool overflow;
  switch (Op) {
    case TArith::Add:
      overflow = __builtin_add_overflow(a.I, b.I, &r);
      break;
    case TArith::Sub:
      overflow = __builtin_sub_overflow(a.I, b.I, &r);
      break;
    default:
      overflow = __builtin_mul_overflow(a.I, b.I, &r);
      break;
  }
  if (overflow) return Variant(realOp(a.AsDouble(), b.AsDouble()));
  return IntResult(r, a.Small && b.Small);
}

enum class TIntOp { Div, Mod, And, Or, Xor };

// True when V takes part in logic as a Boolean.
bool LogicBoolean(const Variant& V, bool& Value) {
  if (V.VarType() == varBoolean) return Value = V.AsBoolean(), true;
  if (IsStrType(V.VarType())) return TextToBooleanWord(V.AsString(), Value);
  return false;
}

Variant IntegerOp(const Variant& A, const Variant& B, TIntOp Op) {
  if (A.IsNull() || B.IsNull()) return Null();
  if (A.IsArray() || B.IsArray()) InvalidOp();
  if (Op == TIntOp::And || Op == TIntOp::Or || Op == TIntOp::Xor) {
    bool x, y;
    if (LogicBoolean(A, x) && LogicBoolean(B, y))
      return Variant(Op == TIntOp::And ? x && y : Op == TIntOp::Or ? x || y : x != y);
  }
  const Int64 x = A.AsInt64(), y = B.AsInt64();
  const bool small = IsSmallType(A.VarType()) && IsSmallType(B.VarType());
  switch (Op) {
    case TIntOp::Div:
    case TIntOp::Mod:
      if (y == 0) throw EDivByZero(u"Division by zero");
      if (x == INT64_MIN && y == -1) return Op == TIntOp::Div ? Variant(-static_cast<double>(x)) : Variant(Int64(0));
      return IntResult(Op == TIntOp::Div ? x / y : x % y, small);
    case TIntOp::And:
      return IntResult(x & y, small);
    case TIntOp::Or:
      return IntResult(x | y, small);
    default:
      return IntResult(x ^ y, small);
  }
}

String DateToText(double D) {
  const TDateTime v(D);
  const double day = std::trunc(D);
  const bool hasTime = D != day;
  if (day == 0 && hasTime) return TimeToStr(v);
  if (!hasTime) return DateToStr(v);
  return DateTimeToStr(v);
}

String HexCode(TVarType T) {
  static const char16_t digits[] = u"0123456789ABCDEF";
  String s = u"$";
  for (int shift = 12; shift >= 0; shift -= 4) s += digits[(T >> shift) & 15];
  return s;
}

}  // namespace

// ---- Currency

Currency Currency::FromDouble(double Value) {
  Int64 scaled;
  if (!RoundToInt64(Value * 10000.0, scaled)) throw EVariantOverflowError(u"Variant overflow");
  return FromScaled(scaled);
}

// ---- Variant life cycle

void Variant::CopyArrayFrom(const Variant& Other) { FArray.reset(new TArray(*Other.FArray)); }

Variant& Variant::AssignSlow(const Variant& Other) {
  if (this != &Other) {
    // Copy first: Other may be an element of this variant's own array.
    Variant copy(Other);
    *this = std::move(copy);
  }
  return *this;
}

Variant& Variant::MoveAssignSlow(Variant& Other) noexcept {
  if (this != &Other) {
    // Other may live inside this variant's array: take it out before releasing ours.
    auto array = std::move(Other.FArray);
    String text = std::move(Other.FString);
    const TVarType type = Other.FType;
    const Int64 bits = Other.FInt;
    Other.FType = varEmpty;
    Other.FInt = 0;
    FArray = std::move(array);
    FString = std::move(text);
    FType = type;
    FInt = bits;
  }
  return *this;
}

Variant::Variant(const char* Value) : FType(varUString), FString(UTF8ToString(Value ? Value : "")) {}

void Variant::Clear() {
  FType = varEmpty;
  FInt = 0;
  FString.clear();
  FArray.reset();
}

Variant Variant::MakeNull() {
  Variant v;
  v.FType = varNull;
  return v;
}

Variant Null() { return Variant::MakeNull(); }
Variant Unassigned() { return Variant(); }

const Variant::TArray& Variant::Array() const {
  if (!FArray) NotAnArray();
  return *FArray;
}

Variant::TArray& Variant::Array() {
  if (!FArray) NotAnArray();
  return *FArray;
}

// ---- Conversions

bool Variant::AsBoolean() const {
  switch (FType) {
    case varEmpty:
      return false;
    case varBoolean:
      return FInt != 0;
    case varSingle:
    case varDouble:
    case varDate:
      return FDouble != 0;
    case varCurrency:
    case varUInt64:
      return FInt != 0;
    default:
      if (IsIntType(FType)) return FInt != 0;
      if (IsStrType(FType)) {
        bool b;
        if (TextToBooleanWord(FString, b)) return b;
        double d;
        if (TextToDouble(FString, d)) return d != 0;
      }
      CastError(FType, varBoolean);
  }
}

Int64 Variant::ConvertToInt64() const {
  switch (FType) {
    case varEmpty:
      return 0;
    case varBoolean:
      return FInt ? -1 : 0;
    case varSingle:
    case varDouble:
    case varDate: {
      Int64 r;
      if (!RoundToInt64(FDouble, r)) RangeError(FType, varInt64);
      return r;
    }
    case varCurrency:
      return CurrencyToInt64(FInt);
    case varUInt64:
      if (FUInt > static_cast<UInt64>(INT64_MAX)) RangeError(FType, varInt64);
      return static_cast<Int64>(FUInt);
    default:
      if (IsIntType(FType)) return FInt;
      if (IsStrType(FType)) {
        Int64 i;
        if (TextToInt64(FString, i)) return i;
        double d;
        if (TextToDouble(FString, d)) {
          if (!RoundToInt64(d, i)) RangeError(FType, varInt64);
          return i;
        }
      }
      CastError(FType, varInt64);
  }
}

Integer Variant::ConvertToInteger() const {
  if (FType == varNull || (FType & varArray)) CastError(FType, varInteger);
  Int64 v;
  try {
    v = AsInt64();
  } catch (const EVariantTypeCastError&) {
    CastError(FType, varInteger);
  } catch (const EVariantOverflowError&) {
    RangeError(FType, varInteger);
  }
  if (v < INT32_MIN || v > INT32_MAX) RangeError(FType, varInteger);
  return static_cast<Integer>(v);
}

UInt64 Variant::AsUInt64() const {
  if (FType == varUInt64) return FUInt;
  if (FType == varNull || (FType & varArray)) CastError(FType, varUInt64);
  if (IsStrType(FType)) {
    UInt64 u;
    if (TryStrToUInt64(FString, u)) return u;
  }
  Int64 v;
  try {
    v = AsInt64();
  } catch (const EVariantTypeCastError&) {
    CastError(FType, varUInt64);
  } catch (const EVariantOverflowError&) {
    RangeError(FType, varUInt64);
  }
  if (v < 0) RangeError(FType, varUInt64);
  return static_cast<UInt64>(v);
}

double Variant::ConvertToDouble() const {
  switch (FType) {
    case varEmpty:
      return 0;
    case varBoolean:
      return FInt ? -1 : 0;
    case varSingle:
    case varDouble:
    case varDate:
      return FDouble;
    case varCurrency:
      return Currency::FromScaled(FInt).ToDouble();
    case varUInt64:
      return static_cast<double>(FUInt);
    default:
      if (IsIntType(FType)) return static_cast<double>(FInt);
      if (IsStrType(FType)) {
        double d;
        if (TextToDouble(FString, d)) return d;
      }
      CastError(FType, varDouble);
  }
}

Currency Variant::AsCurrency() const {
  constexpr Int64 limit = INT64_MAX / 10000;
  switch (FType) {
    case varCurrency:
      return Currency::FromScaled(FInt);
    case varEmpty:
      return {};
    case varNull:
      CastError(FType, varCurrency);
    default:
      if (FType & varArray) CastError(FType, varCurrency);
      if (IsIntType(FType) || FType == varBoolean) {
        if (FType == varUInt64 ? FUInt > static_cast<UInt64>(limit) : (FInt > limit || FInt < -limit))
          RangeError(FType, varCurrency);
        return Currency::FromScaled((FType == varBoolean ? (FInt ? -1 : 0) : FInt) * 10000);
      }
      double d;
      try {
        d = AsDouble();
      } catch (const EVariantTypeCastError&) {
        CastError(FType, varCurrency);
      }
      try {
        return Currency::FromDouble(d);
      } catch (const EVariantOverflowError&) {
        RangeError(FType, varCurrency);
      }
  }
}

TDateTime Variant::AsDate() const {
  if (IsStrType(FType)) {
    double d;
    if (TextToDouble(FString, d)) return d;
    TDateTime t;
    if (TryStrToDateTime(FString, t)) return t;
    CastError(FType, varDate);
  }
  if (FType == varNull || (FType & varArray)) CastError(FType, varDate);
  return AsDouble();
}

String Variant::AsString() const {
  switch (FType) {
    case varEmpty:
      return String();
    case varBoolean:
      return FInt ? u"True" : u"False";
    case varSingle:
      return FloatToStrF(FDouble, ffGeneral, 7, 0);
    case varDouble:
      return FloatToStr(FDouble);
    case varCurrency:
      return FloatToStrF(Currency::FromScaled(FInt).ToDouble(), ffGeneral, 19, 0);
    case varDate:
      return DateToText(FDouble);
    case varUInt64:
      return UIntToStr(FUInt);
    default:
      if (IsIntType(FType)) return IntToStr(static_cast<long long>(FInt));
      if (IsStrType(FType)) return FString;
      CastError(FType, varUString);
  }
}

Variant VarAsType(const Variant& V, TVarType Type) {
  if (Type == V.VarType() || Type == varVariant) return V;
  const TVarType from = V.VarType();
  auto ranged = [&](Int64 Low, Int64 High) {
    Int64 v;
    try {
      v = V.AsInt64();
    } catch (const EVariantTypeCastError&) {
      CastError(from, Type);
    } catch (const EVariantOverflowError&) {
      RangeError(from, Type);
    }
    if (v < Low || v > High) RangeError(from, Type);
    return v;
  };
  if (from & varArray) CastError(from, Type);
  switch (Type) {
    case varEmpty:
      return Variant();
    case varNull:
      return Null();
    case varSmallint:
      return Variant(static_cast<SmallInt>(ranged(INT16_MIN, INT16_MAX)));
    case varInteger:
      return Variant(V.AsInteger());
    case varShortInt:
      return Variant(static_cast<ShortInt>(ranged(INT8_MIN, INT8_MAX)));
    case varByte:
      return Variant(static_cast<Byte>(ranged(0, UINT8_MAX)));
    case varWord:
      return Variant(static_cast<Word>(ranged(0, UINT16_MAX)));
    case varLongWord:
      return Variant(static_cast<LongWord>(ranged(0, UINT32_MAX)));
    case varInt64:
      return Variant(V.AsInt64());
    case varUInt64:
      return Variant(V.AsUInt64());
    case varSingle: {
      const double d = V.AsDouble();
      if (std::isfinite(d) && std::fabs(d) > FLT_MAX) RangeError(from, Type);
      return Variant(static_cast<float>(d));
    }
    case varDouble:
      return Variant(V.AsDouble());
    case varCurrency:
      return Variant(V.AsCurrency());
    case varDate:
      return Variant(V.AsDate());
    case varBoolean:
      return Variant(V.AsBoolean());
    case varOleStr:
    case varString:
    case varUString:
      if (V.IsNull()) CastError(from, Type);
      return Variant(V.AsString());
    default:
      throw EVariantBadVarTypeError(u"Invalid variant type");
  }
}

// ---- Classification

bool VarIsOrdinal(const Variant& V) { return IsIntType(V.VarType()) || V.VarType() == varBoolean; }

bool VarIsFloat(const Variant& V) {
  const TVarType t = V.VarType();
  return t == varSingle || t == varDouble || t == varCurrency;
}

bool VarIsNumeric(const Variant& V) { return VarIsOrdinal(V) || VarIsFloat(V); }
bool VarIsStr(const Variant& V) { return IsStrType(V.VarType()); }
bool VarIsType(const Variant& V, TVarType Type) { return V.VarType() == Type; }

String VarTypeAsText(TVarType Type) {
  if (Type & varArray) return u"Array " + VarTypeAsText(Type & varTypeMask);
  switch (Type) {
    case varEmpty:
      return u"Empty";
    case varNull:
      return u"Null";
    case varSmallint:
      return u"Smallint";
    case varInteger:
      return u"Integer";
    case varSingle:
      return u"Single";
    case varDouble:
      return u"Double";
    case varCurrency:
      return u"Currency";
    case varDate:
      return u"Date";
    case varOleStr:
      return u"OleStr";
    case varDispatch:
      return u"Dispatch";
    case varError:
      return u"Error";
    case varBoolean:
      return u"Boolean";
    case varVariant:
      return u"Variant";
    case varUnknown:
      return u"Unknown";
    case varShortInt:
      return u"ShortInt";
    case varByte:
      return u"Byte";
    case varWord:
      return u"Word";
    case varLongWord:
      return u"LongWord";
    case varInt64:
      return u"Int64";
    case varUInt64:
      return u"UInt64";
    case varString:
      return u"String";
    case varAny:
      return u"Any";
    case varUString:
      return u"UnicodeString";
    default:
      return HexCode(Type);
  }
}

String VarToStr(const Variant& V) { return V.IsNull() ? String() : V.AsString(); }
String VarToStrDef(const Variant& V, const String& Default) { return V.IsNull() ? Default : V.AsString(); }

// ---- Arrays

namespace {
// A count read from damaged data must not exhaust memory.
constexpr Int64 MaxArrayLength = Int64(1) << 24;

// The initial value of an element of a new array.
Variant ZeroOf(TVarType ElementType) {
  if (ElementType == varVariant) return Variant();
  if (IsStrType(ElementType)) return Variant(String());
  return VarAsType(Variant(0), ElementType);
}
}  // namespace

Variant VarArrayCreate(std::initializer_list<Integer> Bounds, TVarType ElementType) {
  if (Bounds.size() != 2) throw EVariantArrayCreateError(u"Error creating variant or safe array");
  const Integer low = Bounds.begin()[0], high = Bounds.begin()[1];
  const Int64 count = Int64(high) - low + 1;
  if (count < 0 || count > MaxArrayLength) throw EVariantArrayCreateError(u"Error creating variant or safe array");
  if (ElementType != varVariant && !IsScalarType(ElementType)) throw EVariantBadVarTypeError(u"Invalid variant type");
  Variant r;
  r.FType = varArray | ElementType;
  r.FArray.reset(new Variant::TArray());
  r.FArray->Low = low;
  r.FArray->ElementType = ElementType;
  r.FArray->Items.assign(static_cast<size_t>(count), ZeroOf(ElementType));
  return r;
}

Variant VarArrayOf(std::initializer_list<Variant> Values) {
  Variant r = VarArrayCreate({0, static_cast<Integer>(Values.size()) - 1}, varVariant);
  Integer i = 0;
  for (const Variant& v : Values) r.SetElement(i++, v);
  return r;
}

Integer VarArrayDimCount(const Variant& A) { return A.IsArray() ? 1 : 0; }

Integer VarArrayLowBound(const Variant& A, Integer Dim) {
  const auto& array = A.Array();
  if (Dim != 1) BadIndex();
  return array.Low;
}

Integer VarArrayHighBound(const Variant& A, Integer Dim) {
  const auto& array = A.Array();
  if (Dim != 1) BadIndex();
  return static_cast<Integer>(array.Low + static_cast<Int64>(array.Items.size()) - 1);
}

void VarArrayRedim(Variant& A, Integer HighBound) {
  auto& array = A.Array();
  const Int64 count = Int64(HighBound) - array.Low + 1;
  if (count < 0 || count > MaxArrayLength) throw EVariantArrayCreateError(u"Error creating variant or safe array");
  array.Items.resize(static_cast<size_t>(count), ZeroOf(array.ElementType));
}

const Variant& Variant::GetElement(Integer Index) const {
  const auto& array = Array();
  const Int64 i = Int64(Index) - array.Low;
  if (i < 0 || i >= static_cast<Int64>(array.Items.size())) BadIndex();
  return array.Items[static_cast<size_t>(i)];
}

void Variant::SetElement(Integer Index, const Variant& Value) {
  auto& array = Array();
  const Int64 i = Int64(Index) - array.Low;
  if (i < 0 || i >= static_cast<Int64>(array.Items.size())) BadIndex();
  // Convert before storing: Value may be this very element, and a failed conversion must
  // leave the element as it was.
  Variant stored = array.ElementType == varVariant ? Value : VarAsType(Value, array.ElementType);
  array.Items[static_cast<size_t>(i)] = std::move(stored);
}

// ---- Operators

Variant operator+(const Variant& A, const Variant& B) { return Arithmetic(A, B, TArith::Add); }
Variant operator-(const Variant& A, const Variant& B) { return Arithmetic(A, B, TArith::Sub); }
Variant operator*(const Variant& A, const Variant& B) { return Arithmetic(A, B, TArith::Mul); }

Variant operator/(const Variant& A, const Variant& B) {
  if (A.IsNull() || B.IsNull()) return Null();
  if (A.IsArray() || B.IsArray()) InvalidOp();
  return Variant(FDiv(ToOperand(A).AsDouble(), ToOperand(B).AsDouble()));
}

Variant operator-(const Variant& A) {
  if (A.IsNull()) return Null();
  const TVarType t = A.VarType();
  if (t == varSingle) return Variant(static_cast<float>(-A.AsDouble()));
  const TOperand o = ToOperand(A);
  switch (o.Kind) {
    case TOperand::Int:
      if (o.I == INT64_MIN) return Variant(-static_cast<double>(o.I));
      return IntResult(-o.I, o.Small);
    case TOperand::Curr:
      if (o.I == INT64_MIN) Overflow();
      return Variant(Currency::FromScaled(-o.I));
    default:
      return Variant(-o.AsDouble());
  }
}

Variant VarIntDiv(const Variant& A, const Variant& B) { return IntegerOp(A, B, TIntOp::Div); }
Variant VarMod(const Variant& A, const Variant& B) { return IntegerOp(A, B, TIntOp::Mod); }
Variant VarAnd(const Variant& A, const Variant& B) { return IntegerOp(A, B, TIntOp::And); }
Variant VarOr(const Variant& A, const Variant& B) { return IntegerOp(A, B, TIntOp::Or); }
Variant VarXor(const Variant& A, const Variant& B) { return IntegerOp(A, B, TIntOp::Xor); }

Variant VarNot(const Variant& A) {
  if (A.IsNull()) return Null();
  if (A.IsArray()) InvalidOp();
  bool b;
  if (LogicBoolean(A, b)) return Variant(!b);
  return IntResult(~A.AsInt64(), IsSmallType(A.VarType()));
}

Variant& Variant::operator+=(const Variant& B) { return *this = *this + B; }
Variant& Variant::operator-=(const Variant& B) { return *this = *this - B; }
Variant& Variant::operator*=(const Variant& B) { return *this = *this * B; }
Variant& Variant::operator/=(const Variant& B) { return *this = *this / B; }

// ---- Comparison

namespace {
template <typename T>
TVariantRelationship Relate(T A, T B) {
  if (A == B) return vrEqual;
  if (A < B) return vrLessThan;
  if (A > B) return vrGreaterThan;
  return vrNotEqual;  // NaN
}

bool IsIntegral(const Variant& V) { return IsIntType(V.VarType()) || V.VarType() == varBoolean || V.IsEmpty(); }
}  // namespace

TVariantRelationship VarCompareValue(const Variant& A, const Variant& B) {
  if (A.IsArray() || B.IsArray()) InvalidOp();
  if (A.IsNull() || B.IsNull()) {
    if (A.IsNull() && B.IsNull()) return vrEqual;
    return A.IsNull() ? vrLessThan : vrGreaterThan;
  }
  if (A.IsEmpty() && B.IsEmpty()) return vrEqual;
  if (IsStrOrEmpty(A) && IsStrOrEmpty(B)) return Relate(AnsiCompareStr(A.AsString(), B.AsString()), 0);

  // A string next to another kind takes that kind.
  const TVarType ta = A.VarType(), tb = B.VarType();
  if (IsStrType(ta) || IsStrType(tb)) {
    const Variant& other = IsStrType(ta) ? B : A;
    const TVarType target = other.VarType() == varBoolean ? varBoolean
                            : other.VarType() == varDate  ? varDate
                                                          : varDouble;
    const Variant a = IsStrType(ta) ? VarAsType(A, target) : A;
    const Variant b = IsStrType(tb) ? VarAsType(B, target) : B;
    return VarCompareValue(a, b);
  }

  // Two Booleans keep their ordinal order (False < True), though True is -1 as a number.
  if (ta == varBoolean && tb == varBoolean) return Relate(A.AsBoolean(), B.AsBoolean());
  if (IsIntegral(A) && IsIntegral(B)) {
    if (ta == varUInt64 || tb == varUInt64) {
      // Compare in the unsigned range; a negative signed value is below every unsigned one.
      const bool aNeg = ta != varUInt64 && A.AsInt64() < 0, bNeg = tb != varUInt64 && B.AsInt64() < 0;
      if (aNeg || bNeg) return aNeg && bNeg ? Relate(A.AsInt64(), B.AsInt64()) : aNeg ? vrLessThan : vrGreaterThan;
      return Relate(A.AsUInt64(), B.AsUInt64());
    }
    return Relate(A.AsInt64(), B.AsInt64());
  }
  if (ta == varCurrency && tb == varCurrency) return Relate(A.AsCurrency().Scaled, B.AsCurrency().Scaled);
  return Relate(A.AsDouble(), B.AsDouble());
}

bool VarSameValue(const Variant& A, const Variant& B) {
  try {
    return VarCompareValue(A, B) == vrEqual;
  } catch (const EVariantError&) {
    return false;
  }
}

bool operator==(const Variant& A, const Variant& B) { return VarCompareValue(A, B) == vrEqual; }
bool operator<(const Variant& A, const Variant& B) { return VarCompareValue(A, B) == vrLessThan; }
bool operator<=(const Variant& A, const Variant& B) {
  const TVariantRelationship r = VarCompareValue(A, B);
  return r == vrLessThan || r == vrEqual;
}
bool operator>(const Variant& A, const Variant& B) { return VarCompareValue(A, B) == vrGreaterThan; }
bool operator>=(const Variant& A, const Variant& B) {
  const TVariantRelationship r = VarCompareValue(A, B);
  return r == vrGreaterThan || r == vrEqual;
}
