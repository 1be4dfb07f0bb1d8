#pragma once
// Variant: a value of one of the classic variant kinds, identified by its type code, with the
// conversions, arithmetic and comparisons that expressions, bindings, typed attributes and
// streamed values rely on.
//
// Kinds (VarType):
//   Empty (unassigned), Null, the integers Smallint Integer ShortInt Byte Word LongWord Int64
//   UInt64, Boolean, the reals Single Double Currency (fixed point, 4 decimals), Date
//   (TDateTime), strings (UString; OleStr and String are accepted as codes for VarAsType and
//   give UString), and one-dimensional arrays (varArray | element type) with any bounds.
//   Variants copy by value, arrays included.
//
// Conversions (AsBoolean, AsInteger, AsInt64, AsDouble, AsCurrency, AsString, AsDate, VarAsType,
// the explicit operators):
//   - Empty gives False, 0, 0.0 or "". Null raises EVariantTypeCastError, except in VarToStr,
//     which gives "".
//   - Boolean is -1 (True) or 0 as a number, "True" / "False" as text.
//   - A real becomes an integer by rounding halves to even (2.5 -> 2, 3.5 -> 4).
//   - Text becomes a number only when the whole text is one: an integer (decimal, or hex after
//     "$" / "0x") or a real with the process-wide FormatSettings' decimal separator. Text
//     becomes a Boolean when it is "True" / "False" (any case) or a number (not 0 is True), a
//     date when it is a number or a date (and time) in FormatSettings' short date format.
//   - Anything else raises EVariantTypeCastError "Could not convert variant of type (%s) into
//     type (%s)" with the type names of VarTypeAsText. A value beyond the target's range
//     raises EVariantOverflowError "Range check error while converting variant of type (%s)
//     into type (%s)". Arrays convert to nothing but arrays.
//   - Reals and dates as text: FloatToStr; a date gives its date, its time, or both, leaving
//     out a zero date part or a zero time part.
//
// Arithmetic (+ - * / div mod, negation):
//   - Null in any operand gives Null. Empty acts as 0, or as "" next to a string; Empty with
//     Empty gives Empty for + - *.
//   - string + string concatenates. Otherwise a string operand is converted to a number: to
//     Double (to Int64 for div and mod); a string that is no number raises
//     EVariantTypeCastError.
//   - Boolean operands act as the Integer -1 / 0.
//   - Integers: the result is Integer when both operands are Smallint, Integer, ShortInt,
//     Byte, Word or Boolean, else Int64; a result beyond Integer becomes Int64, beyond Int64 a
//     Double. UInt64 values above the Int64 range take part as Double.
//   - A Single or Double operand gives Double. Currency with integers or Currency gives
//     Currency (overflow raises EVariantOverflowError "Variant overflow"); with a real it gives
//     Double.
//   - Date + number and Date - number give Date; Date - Date gives Double (days); any other
//     operation on a Date works on its number and gives Double.
//   - "/" always gives Double; a zero divisor raises EZeroDivide (0/0 EInvalidOp).
//   - div and mod work on integers (reals rounded halves to even) and give Integer or Int64
//     as above; a zero divisor raises EDivByZero. mod takes the sign of the dividend.
//   - Arrays in arithmetic raise EVariantInvalidOpError "Invalid variant operation".
// Logic (and, or, xor, not): two Booleans (or "True"/"False" texts) combine logically and give
// Boolean; otherwise both operands become integers (Boolean -1 / 0) and combine bitwise,
// typed as in arithmetic. Null gives Null.
//
// Comparison (VarCompareValue and the operators):
//   - Null equals only Null and is less than every other value. Empty acts as 0 next to a
//     number, as "" next to a string, and equals Empty.
//   - Two strings compare with AnsiCompareStr (the user's locale, case-sensitive).
//   - Numbers, Booleans and dates compare by value; integers exactly. Two Booleans compare
//     False < True; a Boolean against a number counts as -1 / 0.
//   - A string against a number, Boolean or date is converted to that kind first; when it
//     cannot be, EVariantTypeCastError is raised.
//   - Arrays compare with nothing: EVariantInvalidOpError.

#include <initializer_list>
#include <memory>
#include <utility>

#include "rtl/RTL.DateTime.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Types.h"

RTL_EXCEPTION(EVariantTypeCastError, EVariantError);
RTL_EXCEPTION(EVariantInvalidOpError, EVariantError);
RTL_EXCEPTION(EVariantOverflowError, EVariantError);
RTL_EXCEPTION(EVariantBadIndexError, EVariantError);
RTL_EXCEPTION(EVariantBadVarTypeError, EVariantError);
RTL_EXCEPTION(EVariantArrayCreateError, EVariantError);
RTL_EXCEPTION(EVariantNotAnArrayError, EVariantError);

using TVarType = Word;

constexpr TVarType varEmpty = 0x0000;
constexpr TVarType varNull = 0x0001;
constexpr TVarType varSmallint = 0x0002;
constexpr TVarType varInteger = 0x0003;
constexpr TVarType varSingle = 0x0004;
constexpr TVarType varDouble = 0x0005;
constexpr TVarType varCurrency = 0x0006;
constexpr TVarType varDate = 0x0007;
constexpr TVarType varOleStr = 0x0008;
constexpr TVarType varDispatch = 0x0009;
constexpr TVarType varError = 0x000A;
constexpr TVarType varBoolean = 0x000B;
constexpr TVarType varVariant = 0x000C;
constexpr TVarType varUnknown = 0x000D;
constexpr TVarType varShortInt = 0x0010;
constexpr TVarType varByte = 0x0011;
constexpr TVarType varWord = 0x0012;
constexpr TVarType varLongWord = 0x0013;
constexpr TVarType varInt64 = 0x0014;
constexpr TVarType varUInt64 = 0x0015;
constexpr TVarType varStrArg = 0x0048;
constexpr TVarType varString = 0x0100;
constexpr TVarType varAny = 0x0101;
constexpr TVarType varUString = 0x0102;
constexpr TVarType varTypeMask = 0x0FFF;
constexpr TVarType varArray = 0x2000;
constexpr TVarType varByRef = 0x4000;

// Fixed point with four decimals, stored as an Int64 scaled by 10,000.
struct Currency {
  Int64 Scaled = 0;

  constexpr Currency() = default;
  // Rounds to four decimals, halves to even; EVariantOverflowError beyond the range.
  static Currency FromDouble(double Value);
  static constexpr Currency FromScaled(Int64 Value) {
    Currency c;
    c.Scaled = Value;
    return c;
  }
  constexpr double ToDouble() const { return static_cast<double>(Scaled) / 10000.0; }
  friend constexpr bool operator==(Currency A, Currency B) = default;
};

enum TVariantRelationship { vrEqual, vrLessThan, vrGreaterThan, vrNotEqual };

class Variant {
 public:
  Variant() noexcept {}
  // Life cycle inline: scalars (no text, no array) copy and move as plain bits, which is what
  // expression evaluation does most.
  Variant(const Variant& Other) : FType(Other.FType), FString(Other.FString) {
    FInt = Other.FInt;
    if (Other.FArray) CopyArrayFrom(Other);
  }
  Variant(Variant&& Other) noexcept
      : FType(Other.FType), FString(std::move(Other.FString)), FArray(std::move(Other.FArray)) {
    FInt = Other.FInt;
    Other.FType = varEmpty;
    Other.FInt = 0;
  }
  Variant& operator=(const Variant& Other) {
    // Without arrays Other cannot live inside this variant.
    if (FArray || Other.FArray) return AssignSlow(Other);
    FString = Other.FString;
    FType = Other.FType;
    FInt = Other.FInt;
    return *this;
  }
  Variant& operator=(Variant&& Other) noexcept {
    if (FArray || Other.FArray || !Other.FString.empty()) return MoveAssignSlow(Other);
    // Read Other before clearing it: a self-move keeps the value.
    const TVarType type = Other.FType;
    const Int64 bits = Other.FInt;
    Other.FType = varEmpty;
    Other.FInt = 0;
    FString.clear();
    FType = type;
    FInt = bits;
    return *this;
  }
  ~Variant() = default;

  Variant(bool Value) : FType(varBoolean) { FInt = Value; }
  Variant(signed char Value) : FType(varShortInt) { FInt = Value; }
  Variant(unsigned char Value) : FType(varByte) { FInt = Value; }
  Variant(short Value) : FType(varSmallint) { FInt = Value; }
  Variant(unsigned short Value) : FType(varWord) { FInt = Value; }
  Variant(int Value) : FType(varInteger) { FInt = Value; }
  Variant(unsigned Value) : FType(varLongWord) { FInt = Value; }
  Variant(long Value) : FType(varInt64) { FInt = Value; }
  Variant(long long Value) : FType(varInt64) { FInt = Value; }
  Variant(unsigned long Value) : FType(varUInt64) { FUInt = Value; }
  Variant(unsigned long long Value) : FType(varUInt64) { FUInt = Value; }
  Variant(float Value) : FType(varSingle) { FDouble = Value; }
  Variant(double Value) : FType(varDouble) { FDouble = Value; }
  Variant(TDateTime Value) : FType(varDate) { FDouble = Value.Value; }
  Variant(Currency Value) : FType(varCurrency) { FInt = Value.Scaled; }
  Variant(const String& Value) : FType(varUString), FString(Value) {}
  Variant(String&& Value) : FType(varUString), FString(std::move(Value)) {}
  Variant(StringView Value) : FType(varUString), FString(Value) {}
  Variant(const char16_t* Value) : FType(varUString), FString(Value ? Value : u"") {}
  Variant(Char Value) : FType(varUString), FString(1, Value) {}
  // Narrow text is UTF-8.
  Variant(const char* Value);
  // A pointer would silently become a Boolean.
  Variant(const void*) = delete;

  // Store a Double or an Integer in place: cheaper than assigning a new variant.
  void SetDouble(double Value) {
    if (FArray) [[unlikely]]
      FArray.reset();
    FString.clear();
    FType = varDouble;
    FDouble = Value;
  }
  void SetInteger(Integer Value) {
    if (FArray) [[unlikely]]
      FArray.reset();
    FString.clear();
    FType = varInteger;
    FInt = Value;
  }

  TVarType VarType() const { return FType; }
  bool IsEmpty() const { return FType == varEmpty; }
  bool IsNull() const { return FType == varNull; }
  bool IsArray() const { return (FType & varArray) != 0; }
  // Back to Empty.
  void Clear();

  bool AsBoolean() const;
  // Integer and Double read inline; the other kinds convert out of line.
  Integer AsInteger() const { return FType == varInteger ? static_cast<Integer>(FInt) : ConvertToInteger(); }
  Int64 AsInt64() const { return FType == varInteger || FType == varInt64 ? FInt : ConvertToInt64(); }
  UInt64 AsUInt64() const;
  double AsDouble() const {
    if (FType == varDouble) return FDouble;
    return FType == varInteger ? static_cast<double>(FInt) : ConvertToDouble();
  }
  Currency AsCurrency() const;
  TDateTime AsDate() const;
  String AsString() const;

  explicit operator bool() const { return AsBoolean(); }
  explicit operator Integer() const { return AsInteger(); }
  explicit operator Int64() const { return AsInt64(); }
  explicit operator double() const { return AsDouble(); }
  explicit operator TDateTime() const { return AsDate(); }
  explicit operator String() const { return AsString(); }

  // Array access; Index within the bounds, else EVariantBadIndexError "Variant or safe array
  // index out of bounds"; on a non-array EVariantNotAnArrayError "Variant is not an array".
  // SetElement converts Value to the element type of a typed array.
  const Variant& GetElement(Integer Index) const;
  void SetElement(Integer Index, const Variant& Value);
  const Variant& operator[](Integer Index) const { return GetElement(Index); }

  Variant& operator+=(const Variant& B);
  Variant& operator-=(const Variant& B);
  Variant& operator*=(const Variant& B);
  Variant& operator/=(const Variant& B);

 private:
  friend Variant VarArrayCreate(std::initializer_list<Integer> Bounds, TVarType ElementType);
  friend Integer VarArrayLowBound(const Variant& A, Integer Dim);
  friend Integer VarArrayHighBound(const Variant& A, Integer Dim);
  friend void VarArrayRedim(Variant& A, Integer HighBound);
  friend Variant VarAsType(const Variant& V, TVarType Type);
  friend Variant Null();
  struct TArray;
  struct TArrayDeleter {
    void operator()(TArray* Array) const;
  };
  static Variant MakeNull();
  void CopyArrayFrom(const Variant& Other);
  Integer ConvertToInteger() const;
  Int64 ConvertToInt64() const;
  double ConvertToDouble() const;
  Variant& AssignSlow(const Variant& Other);
  Variant& MoveAssignSlow(Variant& Other) noexcept;
  const TArray& Array() const;
  TArray& Array();

  TVarType FType = varEmpty;
  union {
    Int64 FInt = 0;  // the integer kinds, Boolean (0/1) and Currency (scaled)
    UInt64 FUInt;    // UInt64
    double FDouble;  // Single, Double, Date
  };
  String FString;
  std::unique_ptr<TArray, TArrayDeleter> FArray;
};

Variant Null();
Variant Unassigned();

inline TVarType VarType(const Variant& V) { return V.VarType(); }
inline bool VarIsEmpty(const Variant& V) { return V.IsEmpty(); }
inline bool VarIsNull(const Variant& V) { return V.IsNull(); }
// Empty or Null.
inline bool VarIsClear(const Variant& V) { return V.IsEmpty() || V.IsNull(); }
// The integer kinds and Boolean.
bool VarIsOrdinal(const Variant& V);
// Single, Double, Currency.
bool VarIsFloat(const Variant& V);
// Ordinal or float.
bool VarIsNumeric(const Variant& V);
bool VarIsStr(const Variant& V);
inline bool VarIsArray(const Variant& V) { return V.IsArray(); }
bool VarIsType(const Variant& V, TVarType Type);
// "Empty", "Null", "Smallint", "Integer", "Single", "Double", "Currency", "Date", "OleStr",
// "Boolean", "Variant", "ShortInt", "Byte", "Word", "LongWord", "Int64", "UInt64", "String",
// "UnicodeString"; arrays "Array " and the element's name; unknown codes "Unknown".
String VarTypeAsText(TVarType Type);

// The value as text; Null gives "" (AsString raises for Null).
String VarToStr(const Variant& V);
String VarToStrDef(const Variant& V, const String& Default);
// The value converted to the kind Type by the rules above (varOleStr and varString give
// varUString; varEmpty and varNull give Empty and Null; varVariant copies). Another code
// raises EVariantBadVarTypeError "Invalid variant type".
Variant VarAsType(const Variant& V, TVarType Type);

// Arrays: one dimension only. Bounds is {Low, High} with High >= Low - 1 (an empty array);
// anything else, or more than 16,777,216 elements, raises EVariantArrayCreateError "Error
// creating variant or safe array".
// Elements start as Empty for varVariant, else as the zero of the element type.
Variant VarArrayCreate(std::initializer_list<Integer> Bounds, TVarType ElementType);
// An array of varVariant with bounds 0 .. Count - 1.
Variant VarArrayOf(std::initializer_list<Variant> Values);
Integer VarArrayDimCount(const Variant& A);  // 0 for a non-array
Integer VarArrayLowBound(const Variant& A, Integer Dim);
Integer VarArrayHighBound(const Variant& A, Integer Dim);
// Changes the high bound, keeping the elements that remain and adding zero elements.
void VarArrayRedim(Variant& A, Integer HighBound);

Variant operator+(const Variant& A, const Variant& B);
Variant operator-(const Variant& A, const Variant& B);
Variant operator*(const Variant& A, const Variant& B);
// Real division: always Double.
Variant operator/(const Variant& A, const Variant& B);
Variant operator-(const Variant& A);
Variant VarIntDiv(const Variant& A, const Variant& B);
Variant VarMod(const Variant& A, const Variant& B);
Variant VarAnd(const Variant& A, const Variant& B);
Variant VarOr(const Variant& A, const Variant& B);
Variant VarXor(const Variant& A, const Variant& B);
Variant VarNot(const Variant& A);
inline Variant operator%(const Variant& A, const Variant& B) { return VarMod(A, B); }

TVariantRelationship VarCompareValue(const Variant& A, const Variant& B);
// Equality that never raises: values that cannot be compared are not equal.
bool VarSameValue(const Variant& A, const Variant& B);
bool operator==(const Variant& A, const Variant& B);
bool operator<(const Variant& A, const Variant& B);
bool operator<=(const Variant& A, const Variant& B);
bool operator>(const Variant& A, const Variant& B);
bool operator>=(const Variant& A, const Variant& B);
