#pragma once
// Format and its argument list. Call sites read
//   Format(u"Cannot open file \"%s\". %s", {FileName, Reason})
// Each argument becomes a TVarRec that refers to the caller's value, so the list lives
// only for the call (the full expression).

#include <initializer_list>
#include <string_view>

#include "rtl/RTL.Types.h"

class Variant;
struct TFormatSettings;

class TVarRec {
 public:
  enum class TKind : Byte { Integer, Int64, UInt64, Extended, Boolean, Char, String, AnsiString, Pointer, Variant };

  TVarRec(int Value) : FKind(TKind::Integer) { FInt64 = Value; }
  TVarRec(unsigned Value) : FKind(TKind::Int64) { FInt64 = Value; }
  TVarRec(long Value) : FKind(TKind::Int64) { FInt64 = Value; }
  TVarRec(long long Value) : FKind(TKind::Int64) { FInt64 = Value; }
  TVarRec(unsigned long Value) : FKind(TKind::UInt64) { FUInt64 = Value; }
  TVarRec(unsigned long long Value) : FKind(TKind::UInt64) { FUInt64 = Value; }
  TVarRec(short Value) : FKind(TKind::Integer) { FInt64 = Value; }
  TVarRec(unsigned short Value) : FKind(TKind::Integer) { FInt64 = Value; }
  TVarRec(signed char Value) : FKind(TKind::Integer) { FInt64 = Value; }
  TVarRec(unsigned char Value) : FKind(TKind::Integer) { FInt64 = Value; }
  TVarRec(double Value) : FKind(TKind::Extended) { FDouble = Value; }
  TVarRec(float Value) : FKind(TKind::Extended) { FDouble = Value; }
  TVarRec(bool Value) : FKind(TKind::Boolean) { FInt64 = Value; }
  TVarRec(char16_t Value) : FKind(TKind::Char) { FInt64 = Value; }
  TVarRec(const String& Value) : FKind(TKind::String) { FText = Value; }
  TVarRec(StringView Value) : FKind(TKind::String) { FText = Value; }
  TVarRec(const char16_t* Value) : FKind(TKind::String) { FText = Value ? StringView(Value) : StringView(); }
  // Narrow text is taken as UTF-8.
  TVarRec(const std::string& Value) : FKind(TKind::AnsiString) { FBytes = Value; }
  TVarRec(const char* Value) : FKind(TKind::AnsiString) { FBytes = Value ? std::string_view(Value) : std::string_view(); }
  TVarRec(const void* Value) : FKind(TKind::Pointer) { FPointer = Value; }
  TVarRec(std::nullptr_t) : FKind(TKind::Pointer) { FPointer = nullptr; }
  TVarRec(const Variant& Value) : FKind(TKind::Variant) { FPointer = &Value; }

  TKind Kind() const { return FKind; }
  Int64 AsInt64() const { return FInt64; }
  UInt64 AsUInt64() const { return FUInt64; }
  double AsDouble() const { return FDouble; }
  bool AsBoolean() const { return FInt64 != 0; }
  Char AsChar() const { return static_cast<Char>(FInt64); }
  StringView AsString() const { return FText; }
  std::string_view AsAnsiString() const { return FBytes; }
  const void* AsPointer() const { return FPointer; }
  const Variant& AsVariant() const { return *static_cast<const Variant*>(FPointer); }

 private:
  TKind FKind;
  union {
    Int64 FInt64;
    UInt64 FUInt64;
    double FDouble;
    const void* FPointer;
  };
  StringView FText;
  std::string_view FBytes;
};

using TVarRecList = std::initializer_list<TVarRec>;

// Formats Fmt with the argument list. A directive is
//   "%" [index ":"] ["-"] [width] ["." precision] type
// where index, width and precision are digits or "*" (taken from the next Integer argument),
// "-" left-justifies within width, "%%" is a "%". An index sets the argument the directive
// uses; later directives without index continue after it. Types (upper case works too):
//   d  Integer argument as decimal; precision = minimum digits, zero-padded after the "-"
//   u  as d, a negative value taken as unsigned of its width
//   x  as u in upper-case hexadecimal
//   e  float "-d.ddd...E+ddd", precision = significant digits (default 15)
//   f  float fixed, precision = decimals (default 2)
//   g  float, shortest of fixed and exponent form, precision = significant digits (default 15)
//   n  as f with thousands separators
//   m  currency with the settings' layout, precision default CurrencyDecimals
//   p  pointer as 16 upper-case hexadecimal digits
//   s  text (String, narrow UTF-8 text or Char); precision = maximum characters
// A Variant argument is converted to what the directive needs (%d: integer, %f: real, %s: its
// text, Null giving ""); one that does not convert is a mismatch.
// A directive that does not fit its argument, a missing argument or a malformed directive
// raises EConvertError "Format '%s' invalid or incompatible with argument" (with the whole
// format text). The overload without settings uses the process-wide FormatSettings.
String Format(StringView Fmt, TVarRecList Args);
String Format(StringView Fmt, TVarRecList Args, const TFormatSettings& Settings);
