#pragma once
// Numbers to text and back, rounding, and floating-point checks.
//
// Integer parsing (StrToInt and relatives) accepts, in this order: any leading characters up
// to and including space, an optional "+" or "-", then decimal digits, or hexadecimal digits
// after "$", "0x" or "0X". Nothing may follow (trailing blanks are rejected). Decimal values
// outside the type's range are rejected; hexadecimal values may use the full unsigned width and
// are taken in two's complement ("$FFFFFFFF" is -1 as an Integer), then negated by a "-".
// Failures raise EConvertError "'%s' is not a valid integer value".
//
// Float parsing (StrToFloat and relatives) accepts leading and trailing blanks (characters up
// to space), an optional sign, digits with at most one decimal separator of the settings
// (no thousands separators), an optional exponent "E" / "e" with optional sign, and "INF",
// "NAN" in any case. A value beyond the type's range is rejected (one too small for it reads
// as 0), and so is a text longer than 4096 characters. Failures raise EConvertError
// "'%s' is not a valid floating point value".
//
// Float formatting works on the shortest decimal text that reads back as the same double,
// rounded half away from zero to the digits asked for: 2.675 with two decimals is "2.68".
// FloatToStr shows 15 significant digits. NaN and infinities print as "NAN", "INF", "-INF".
//
// Linux does not trap floating-point faults. Code that relies on a fault raising calls the
// checked helpers below: EZeroDivide "Floating point division by zero", EInvalidOp "Invalid
// floating point operation", EOverflow "Floating point overflow".

#include <type_traits>

#include "rtl/RTL.Types.h"

struct TFormatSettings;

// --- integers to text
String IntToStr(int Value);
String IntToStr(long Value);
String IntToStr(long long Value);
String IntToStr(unsigned Value);
String IntToStr(unsigned long Value);
String IntToStr(unsigned long long Value);
String UIntToStr(Cardinal Value);
String UIntToStr(UInt64 Value);

// --- text to integers
Integer StrToInt(StringView S);
Integer StrToIntDef(StringView S, Integer Default);
bool TryStrToInt(StringView S, Integer& Value);
Int64 StrToInt64(StringView S);
Int64 StrToInt64Def(StringView S, Int64 Default);
bool TryStrToInt64(StringView S, Int64& Value);
// No "-" is accepted.
UInt64 StrToUInt64(StringView S);
UInt64 StrToUInt64Def(StringView S, UInt64 Default);
bool TryStrToUInt64(StringView S, UInt64& Value);

// --- floats to text
enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// The shortest general form with 15 significant digits: "0.1", "1E15", "1E-5", "123.456".
String FloatToStr(Extended Value);
String FloatToStr(Extended Value, const TFormatSettings& Settings);
// Precision: significant digits (1 .. 15 used). Digits: for ffGeneral and ffExponent the
// minimum exponent digits (0 .. 4), for the others the decimal places (0 .. 18).
// ffGeneral: fixed unless the value has more than Precision integer digits or its magnitude is
//   below 0.0001 (1E-4); trailing zeros dropped; exponent "E15", "E-5".
// ffExponent: "-d.ddddE+ddd" with Precision digits.
// ffFixed / ffNumber: Digits decimals, ffNumber with thousands separators; a value with more
//   than Precision integer digits falls back to ffGeneral.
// ffCurrency: as ffNumber, laid out by CurrencyString, CurrencyFormat and NegCurrFormat.
String FloatToStrF(Extended Value, TFloatFormat Format, Integer Precision, Integer Digits);
String FloatToStrF(Extended Value, TFloatFormat Format, Integer Precision, Integer Digits,
                   const TFormatSettings& Settings);
// Picture formats: "0" digit or zero, "#" digit or nothing, "." decimal separator, ","
// thousands separators, "E+0" / "E-0" / "e+0" / "e-0" exponent (the zeros give its minimum
// digits), '...' and "..." literal text, other characters literal. Up to three sections split
// by ";": positive, negative (written without "-"), zero. A value that rounds to zero counts as
// zero. An empty picture gives FloatToStr.
String FormatFloat(StringView Format, Extended Value);
String FormatFloat(StringView Format, Extended Value, const TFormatSettings& Settings);

// --- text to floats
Extended StrToFloat(StringView S);
Extended StrToFloat(StringView S, const TFormatSettings& Settings);
Extended StrToFloatDef(StringView S, Extended Default);
Extended StrToFloatDef(StringView S, Extended Default, const TFormatSettings& Settings);
bool TryStrToFloat(StringView S, Extended& Value);
bool TryStrToFloat(StringView S, Extended& Value, const TFormatSettings& Settings);
bool TryStrToFloat(StringView S, Single& Value);
bool TryStrToFloat(StringView S, Single& Value, const TFormatSettings& Settings);

// --- rounding. Values beyond the result type (and NaN) raise EInvalidOp.
// Nearest integer, halves to the even neighbour: 0.5 -> 0, 1.5 -> 2, 2.5 -> 2, -2.5 -> -2.
Int64 Round(Extended Value);
Int64 Trunc(Extended Value);
Extended Int(Extended Value);   // integer part toward zero, as a float
Extended Frac(Extended Value);  // Value - Int(Value), keeps the sign
Integer Ceil(Extended Value);
Integer Floor(Extended Value);
// Value rounded to the power of ten 10^Digit (Digit -2: hundredths, 2: hundreds), halves of
// the value as written to even: 1.235 -> 1.24, 1.245 -> 1.24.
Extended RoundTo(Extended Value, Integer Digit);
// Number * Numerator / Denominator with a 64-bit product, rounded half away from zero; -1 when
// Denominator is 0 or the result does not fit an Integer.
Integer MulDiv(Integer Number, Integer Numerator, Integer Denominator);

// --- comparisons and ranges. Mixing signed and unsigned integers is refused at compile time.
namespace detail {
template <typename A, typename B>
constexpr bool CompatibleArgs = std::is_arithmetic_v<A> && std::is_arithmetic_v<B> &&
                                !(std::is_integral_v<A> && std::is_integral_v<B> &&
                                  std::is_signed_v<A> != std::is_signed_v<B>);
}  // namespace detail

template <typename A, typename B>
  requires detail::CompatibleArgs<A, B>
constexpr std::common_type_t<A, B> Min(A X, B Y) {
  using T = std::common_type_t<A, B>;
  return static_cast<T>(X) < static_cast<T>(Y) ? static_cast<T>(X) : static_cast<T>(Y);
}

template <typename A, typename B>
  requires detail::CompatibleArgs<A, B>
constexpr std::common_type_t<A, B> Max(A X, B Y) {
  using T = std::common_type_t<A, B>;
  return static_cast<T>(X) > static_cast<T>(Y) ? static_cast<T>(X) : static_cast<T>(Y);
}

// Value clamped to Low .. High (Low wins when the range is empty).
template <typename T>
  requires std::is_arithmetic_v<T>
constexpr T EnsureRange(T Value, std::type_identity_t<T> Low, std::type_identity_t<T> High) {
  if (Value > High) Value = High;
  if (Value < Low) Value = Low;
  return Value;
}

template <typename T>
  requires std::is_arithmetic_v<T>
constexpr bool InRange(T Value, std::type_identity_t<T> Low, std::type_identity_t<T> High) {
  return Value >= Low && Value <= High;
}

bool IsNan(Extended Value);
bool IsInfinite(Extended Value);
// Equal within Epsilon; an Epsilon of 0 stands for a relative tolerance of 1E-12 (1E-4 for
// Single) of the smaller magnitude, at least that much absolutely.
bool SameValue(Extended A, Extended B, Extended Epsilon = 0);
bool SameValue(Single A, Single B, Single Epsilon = 0);
bool IsZero(Extended Value, Extended Epsilon = 0);

// --- checked floating point
Extended FDiv(Extended A, Extended B);  // x/0 EZeroDivide, 0/0 EInvalidOp, overflow EOverflow
Single FDiv(Single A, Single B);
// Returns Value; NaN raises EInvalidOp, an infinity EOverflow.
Extended CheckFloat(Extended Value);
Single CheckFloat(Single Value);
Extended Ln(Extended X);     // X <= 0 raises EInvalidOp
Extended Log10(Extended X);  // X <= 0 raises EInvalidOp
Extended Log2(Extended X);   // X <= 0 raises EInvalidOp
Extended LogN(Extended Base, Extended X);
Extended Sqrt(Extended X);   // X < 0 raises EInvalidOp
Extended Exp(Extended X);    // overflow raises EOverflow
// Base ** Exponent. 0 ** negative raises EZeroDivide, a negative base with a fractional
// exponent EInvalidOp, overflow EOverflow.
Extended Power(Extended Base, Extended Exponent);
Extended IntPower(Extended Base, Integer Exponent);

// Integer div and mod: a zero divisor raises EDivByZero "Division by zero"; the one quotient
// that overflows (lowest value div -1) raises EIntOverflow "Integer overflow".
Integer IntDiv(Integer A, Integer B);
Integer IntMod(Integer A, Integer B);
Int64 IntDiv(Int64 A, Int64 B);
Int64 IntMod(Int64 A, Int64 B);

namespace detail {
// A double as decimal digits: Value = 0.D1D2..Dn * 10^Exponent (the digits without leading or
// trailing zeros; none for zero). Shared by Format and the float formatting above.
struct TFloatDigits {
  bool Negative = false;
  bool Nan = false;
  bool Infinite = false;
  Integer Exponent = 0;
  Integer Count = 0;
  char Digits[24] = {};
};
// The shortest round-trip digits of Value.
TFloatDigits FloatToDigits(Extended Value);
// Rounds half away from zero (or, with TiesToEven, an exact half to the even neighbour) to at
// most Significant digits and at most Decimals digits after the decimal point (Significant < 0:
// no limit; Decimals may be negative to round to tens, hundreds...; NoDecimalLimit: none).
constexpr Integer NoDecimalLimit = INT32_MIN;
void RoundDigits(TFloatDigits& D, Integer Significant, Integer Decimals, bool TiesToEven = false);
}  // namespace detail
