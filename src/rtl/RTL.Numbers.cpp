#include "rtl/RTL.Numbers.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.FormatSettings.h"

using detail::TFloatDigits;

namespace {

template <typename T>
String IntText(T Value) {
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof buf, Value);
  return String(buf, r.ptr);
}

// --- integer parsing

// Parses S into the two's complement bits of a Bits-wide integer (see the header for the
// accepted forms).
bool ParseInteger(StringView S, int Bits, bool Signed, UInt64& Result) {
  size_t i = 0;
  while (i < S.size() && S[i] <= u' ') ++i;
  bool negative = false;
  if (i < S.size() && (S[i] == u'+' || S[i] == u'-')) negative = S[i++] == u'-';
  if (negative && !Signed) return false;
  bool hex = false;
  if (i < S.size() && S[i] == u'$') {
    hex = true;
    ++i;
  } else if (i + 1 < S.size() && S[i] == u'0' && (S[i + 1] == u'x' || S[i + 1] == u'X')) {
    hex = true;
    i += 2;
  }
  if (i >= S.size()) return false;
  const UInt64 widthMax = Bits == 64 ? UINT64_MAX : (UInt64(1) << Bits) - 1;
  UInt64 limit = widthMax;
  if (!hex && Signed) limit = (UInt64(1) << (Bits - 1)) - (negative ? 0 : 1);
  const unsigned base = hex ? 16 : 10;
  UInt64 value = 0;
  for (; i < S.size(); ++i) {
    const Char c = S[i];
    unsigned digit;
    if (c >= u'0' && c <= u'9')
      digit = c - u'0';
    else if (hex && c >= u'a' && c <= u'f')
      digit = c - u'a' + 10;
    else if (hex && c >= u'A' && c <= u'F')
      digit = c - u'A' + 10;
    else
      return false;
    if (value > (limit - digit) / base) return false;
    value = value * base + digit;
  }
  if (negative) value = (0 - value) & widthMax;
  Result = value;
  return true;
}

[[noreturn]] void RaiseInteger(StringView S) { throw EConvertError(u"'%s' is not a valid integer value", {S}); }
[[noreturn]] void RaiseFloat(StringView S) { throw EConvertError(u"'%s' is not a valid floating point value", {S}); }

// --- float parsing

bool ParseFloat(StringView S, double& Value, Char DecimalSeparator) {
  size_t first = 0, last = S.size();
  while (first < last && S[first] <= u' ') ++first;
  while (last > first && S[last - 1] <= u' ') --last;
  if (first == last || last - first > 4096) return false;
  S = S.substr(first, last - first);
  bool negative = false;
  size_t i = 0;
  if (S[i] == u'+' || S[i] == u'-') negative = S[i++] == u'-';
  const StringView rest = S.substr(i);
  auto same = [](StringView A, const char* B) {
    if (A.size() != std::strlen(B)) return false;
    for (size_t k = 0; k < A.size(); ++k)
      if ((A[k] | 0x20) != B[k]) return false;
    return true;
  };
  if (same(rest, "inf")) {
    Value = negative ? -HUGE_VAL : HUGE_VAL;
    return true;
  }
  if (same(rest, "nan")) {
    Value = NAN;
    return true;
  }
  std::string buf;
  buf.reserve(rest.size());
  bool point = false, mantissaDigit = false, exponent = false, exponentDigit = false;
  int magnitude = 0;  // decimal position of the first significant digit, for underflow
  bool significant = false;
  long exponentValue = 0;
  bool exponentNegative = false;
  for (size_t k = 0; k < rest.size(); ++k) {
    const Char c = rest[k];
    if (c >= u'0' && c <= u'9') {
      buf += static_cast<char>(c);
      if (exponent) {
        exponentDigit = true;
        if (exponentValue < 100000) exponentValue = exponentValue * 10 + (c - u'0');
      } else {
        mantissaDigit = true;
        if (c != u'0') significant = true;
        if (!point && significant) ++magnitude;
        if (point && !significant) --magnitude;
      }
    } else if (c == DecimalSeparator && !point && !exponent) {
      point = true;
      buf += '.';
    } else if ((c == u'e' || c == u'E') && mantissaDigit && !exponent) {
      exponent = true;
      buf += 'e';
      if (k + 1 < rest.size() && (rest[k + 1] == u'+' || rest[k + 1] == u'-')) {
        exponentNegative = rest[++k] == u'-';
        buf += static_cast<char>(rest[k]);
      }
    } else {
      return false;
    }
  }
  if (!mantissaDigit || (exponent && !exponentDigit)) return false;
  double v = 0;
  const auto r = std::from_chars(buf.data(), buf.data() + buf.size(), v, std::chars_format::general);
  if (r.ptr != buf.data() + buf.size()) return false;
  if (r.ec == std::errc::result_out_of_range) {
    const long mag = magnitude + (exponentNegative ? -exponentValue : exponentValue);
    if (mag > 0) return false;  // overflow
    v = 0;                      // underflow
  } else if (r.ec != std::errc()) {
    return false;
  }
  Value = negative ? -v : v;
  return true;
}

// --- float formatting

String SpecialText(const TFloatDigits& D) {
  if (D.Nan) return u"NAN";
  return D.Negative ? u"-INF" : u"INF";
}

void AppendExponent(String& Out, Integer Exponent, Integer MinDigits, bool AlwaysSign) {
  if (Exponent < 0)
    Out += u'-';
  else if (AlwaysSign)
    Out += u'+';
  const String digits = IntText(Exponent < 0 ? -Exponent : Exponent);
  for (Integer k = static_cast<Integer>(digits.size()); k < MinDigits; ++k) Out += u'0';
  Out += digits;
}

Char DigitAt(const TFloatDigits& D, Integer Index) {
  return Index >= 0 && Index < D.Count ? static_cast<Char>(D.Digits[Index]) : u'0';
}

// The integer part of D, with thousands separators when Separator is not 0.
void AppendIntegerPart(String& Out, const TFloatDigits& D, Char Separator) {
  if (D.Count == 0 || D.Exponent <= 0) {
    Out += u'0';
    return;
  }
  for (Integer k = 0; k < D.Exponent; ++k) {
    Out += DigitAt(D, k);
    const Integer left = D.Exponent - 1 - k;
    if (Separator && left > 0 && left % 3 == 0) Out += Separator;
  }
}

String FormatGeneral(TFloatDigits D, Integer Precision, Integer ExpDigits, Char DecimalSeparator) {
  detail::RoundDigits(D, Precision, detail::NoDecimalLimit);
  if (D.Count == 0) return u"0";
  String out;
  if (D.Negative) out += u'-';
  if (D.Exponent > Precision || D.Exponent < -3) {
    out += DigitAt(D, 0);
    if (D.Count > 1) {
      out += DecimalSeparator;
      for (Integer k = 1; k < D.Count; ++k) out += DigitAt(D, k);
    }
    out += u'E';
    AppendExponent(out, D.Exponent - 1, ExpDigits, false);
    return out;
  }
  AppendIntegerPart(out, D, 0);
  if (D.Count > D.Exponent) {
    out += DecimalSeparator;
    for (Integer k = D.Exponent; k < D.Count; ++k) out += DigitAt(D, k);  // from below 0: leading zeros
  }
  return out;
}

String FormatExponent(TFloatDigits D, Integer Precision, Integer ExpDigits, Char DecimalSeparator) {
  detail::RoundDigits(D, Precision, detail::NoDecimalLimit);
  String out;
  if (D.Negative && D.Count > 0) out += u'-';
  out += DigitAt(D, 0);
  if (Precision > 1) {
    out += DecimalSeparator;
    for (Integer k = 1; k < Precision; ++k) out += DigitAt(D, k);
  }
  out += u'E';
  AppendExponent(out, D.Count == 0 ? 0 : D.Exponent - 1, ExpDigits, true);
  return out;
}

// Unsigned fixed text of D with Digits decimals; D is rounded already.
String FixedBody(const TFloatDigits& D, Integer Digits, Char ThousandSeparator, Char DecimalSeparator) {
  String out;
  AppendIntegerPart(out, D, ThousandSeparator);
  if (Digits > 0) {
    out += DecimalSeparator;
    for (Integer k = 0; k < Digits; ++k) out += DigitAt(D, D.Exponent + k);
  }
  return out;
}

String CurrencyLayout(const String& Number, bool Negative, const TFormatSettings& S) {
  const String& c = S.CurrencyString;
  if (!Negative) {
    switch (S.CurrencyFormat) {
      case 1: return Number + c;
      case 2: return c + u' ' + Number;
      case 3: return Number + u' ' + c;
      default: return c + Number;
    }
  }
  switch (S.NegCurrFormat) {
    case 1: return u"-" + c + Number;
    case 2: return c + u"-" + Number;
    case 3: return c + Number + u"-";
    case 4: return u"(" + Number + c + u")";
    case 5: return u"-" + Number + c;
    case 6: return Number + u"-" + c;
    case 7: return Number + c + u"-";
    case 8: return u"-" + Number + u" " + c;
    case 9: return u"-" + c + u" " + Number;
    case 10: return Number + u" " + c + u"-";
    case 11: return c + u" " + Number + u"-";
    case 12: return c + u" -" + Number;
    case 13: return Number + u"- " + c;
    case 14: return u"(" + c + u" " + Number + u")";
    case 15: return u"(" + Number + u" " + c + u")";
    default: return u"(" + c + Number + u")";
  }
}

// --- FormatFloat pictures

struct TSection {
  StringView Text;
  Integer IntCount = 0;       // integer placeholders
  Integer MinInt = 0;         // integer digits always shown (from the first "0")
  Integer DecCount = 0;       // decimal placeholders
  Integer MinDec = 0;         // decimal digits always shown (up to the last "0")
  bool Thousands = false;
  bool Scientific = false;
  bool HasPoint = false;
};

// Quoted literal starting at Text[I]; returns the index after it.
size_t SkipQuoted(StringView Text, size_t I) {
  const Char q = Text[I++];
  while (I < Text.size() && Text[I] != q) ++I;
  return I < Text.size() ? I + 1 : I;
}

bool IsExponentAt(StringView Text, size_t I) {
  return (Text[I] == u'E' || Text[I] == u'e') && I + 1 < Text.size() && (Text[I + 1] == u'+' || Text[I + 1] == u'-');
}

TSection AnalyzeSection(StringView Text) {
  TSection s;
  s.Text = Text;
  Integer firstZero = -1;
  for (size_t i = 0; i < Text.size();) {
    const Char c = Text[i];
    if (c == u'\'' || c == u'"') {
      i = SkipQuoted(Text, i);
      continue;
    }
    if (c == u'0' || c == u'#') {
      if (s.HasPoint) {
        ++s.DecCount;
        if (c == u'0') s.MinDec = s.DecCount;
      } else {
        if (c == u'0' && firstZero < 0) firstZero = s.IntCount;
        ++s.IntCount;
      }
    } else if (c == u'.') {
      s.HasPoint = true;
    } else if (c == u',') {
      s.Thousands = true;
    } else if (IsExponentAt(Text, i)) {
      s.Scientific = true;
      i += 2;
      while (i < Text.size() && Text[i] == u'0') ++i;
      continue;
    }
    ++i;
  }
  if (firstZero >= 0) s.MinInt = s.IntCount - firstZero;
  return s;
}

std::vector<StringView> SplitSections(StringView Format) {
  std::vector<StringView> sections;
  size_t start = 0;
  for (size_t i = 0; i < Format.size();) {
    if (Format[i] == u'\'' || Format[i] == u'"') {
      i = SkipQuoted(Format, i);
      continue;
    }
    if (Format[i] == u';' && sections.size() < 2) {
      sections.push_back(Format.substr(start, i - start));
      start = i + 1;
    }
    ++i;
  }
  sections.push_back(Format.substr(start));
  return sections;
}

// Rounds D as the section shows it.
void RoundForSection(TFloatDigits& D, const TSection& S) {
  if (S.Scientific)
    detail::RoundDigits(D, std::max<Integer>(S.IntCount + S.DecCount, 1), detail::NoDecimalLimit);
  else
    detail::RoundDigits(D, 15, S.DecCount);
}

String RenderSection(const TSection& S, TFloatDigits D, bool Minus, const TFormatSettings& Settings) {
  // The digits to place: integer digits (right-aligned on the integer placeholders) and
  // decimal digits (left-aligned on the decimal placeholders).
  String intDigits, decDigits;
  Integer exponent = 0;
  if (S.Scientific) {
    if (D.Count > 0) exponent = D.Exponent - S.IntCount;
    for (Integer k = 0; k < S.IntCount; ++k) intDigits += D.Count > 0 ? DigitAt(D, k) : u'0';
    for (Integer k = 0; k < S.DecCount; ++k) decDigits += DigitAt(D, S.IntCount + k);
    // Without a "0" before the point a zero integer part stays blank.
    if (S.MinInt == 0) {
      size_t lead = 0;
      while (lead < intDigits.size() && intDigits[lead] == u'0') ++lead;
      intDigits.erase(0, lead);
    }
  } else {
    if (D.Count > 0)
      for (Integer k = 0; k < D.Exponent; ++k) intDigits += DigitAt(D, k);
    if (static_cast<Integer>(intDigits.size()) < S.MinInt)
      intDigits.insert(0, static_cast<size_t>(S.MinInt) - intDigits.size(), u'0');
    for (Integer k = 0; k < S.DecCount; ++k) decDigits += D.Count > 0 ? DigitAt(D, D.Exponent + k) : u'0';
  }
  while (static_cast<Integer>(decDigits.size()) > S.MinDec && decDigits.back() == u'0') decDigits.pop_back();

  String out;
  if (Minus) out += u'-';
  const Integer intLen = static_cast<Integer>(intDigits.size());
  const Char thousand = S.Thousands && !S.Scientific ? Settings.ThousandSeparator : 0;
  auto putInt = [&](Integer From, Integer To) {
    for (Integer j = From; j < To; ++j) {
      out += intDigits[static_cast<size_t>(j)];
      const Integer left = intLen - 1 - j;
      if (thousand && left > 0 && left % 3 == 0) out += thousand;
    }
  };
  bool intPending = S.IntCount == 0 && intLen > 0;  // digits with nowhere to go: before the point
  Integer intIndex = 0, decIndex = 0;
  bool pointSeen = false;
  StringView text = S.Text;
  for (size_t i = 0; i < text.size();) {
    const Char c = text[i];
    if (c == u'\'' || c == u'"') {
      const size_t end = SkipQuoted(text, i);
      const size_t close = end > i + 1 && text[end - 1] == c ? end - 1 : end;
      out.append(text.substr(i + 1, close - i - 1));
      i = end;
      continue;
    }
    if ((c == u'0' || c == u'#') && !pointSeen) {
      if (intIndex == 0) putInt(0, std::max<Integer>(intLen - S.IntCount, 0));
      const Integer j = intIndex - (S.IntCount - intLen);
      if (j >= 0) putInt(j, j + 1);
      ++intIndex;
    } else if (c == u'0' || c == u'#') {
      if (intPending) {
        putInt(0, intLen);
        intPending = false;
      }
      if (decIndex < static_cast<Integer>(decDigits.size())) out += decDigits[static_cast<size_t>(decIndex)];
      ++decIndex;
    } else if (c == u'.' && !pointSeen) {
      pointSeen = true;
      if (intPending) {
        putInt(0, intLen);
        intPending = false;
      }
      if (!decDigits.empty()) out += Settings.DecimalSeparator;
    } else if (c == u',') {
    } else if (IsExponentAt(text, i)) {
      if (intPending) {
        putInt(0, intLen);
        intPending = false;
      }
      out += c;
      const bool alwaysSign = text[i + 1] == u'+';
      i += 2;
      Integer minDigits = 0;
      while (i < text.size() && text[i] == u'0') {
        ++minDigits;
        ++i;
      }
      AppendExponent(out, exponent, minDigits, alwaysSign);
      continue;
    } else {
      out += c;
    }
    ++i;
  }
  if (intPending) putInt(0, intLen);
  return out;
}

}  // namespace

namespace detail {

TFloatDigits FloatToDigits(Extended Value) {
  TFloatDigits d;
  if (std::isnan(Value)) {
    d.Nan = true;
    return d;
  }
  d.Negative = std::signbit(Value);
  if (std::isinf(Value)) {
    d.Infinite = true;
    return d;
  }
  if (Value == 0) return d;
  char buf[40];
  const auto r = std::to_chars(buf, buf + sizeof buf, std::fabs(Value), std::chars_format::scientific);
  const char* p = buf;
  for (; p < r.ptr && *p != 'e'; ++p)
    if (*p != '.') d.Digits[d.Count++] = *p;
  // to_chars does not terminate the text: read the exponent within it.
  int exponent = 0;
  if (p < r.ptr && p[1] == '+') ++p;
  std::from_chars(p + 1, r.ptr, exponent);
  d.Exponent = exponent + 1;
  while (d.Count > 0 && d.Digits[d.Count - 1] == '0') --d.Count;
  return d;
}

void RoundDigits(TFloatDigits& D, Integer Significant, Integer Decimals, bool TiesToEven) {
  if (D.Count == 0) return;
  Integer keep = D.Count;
  if (Significant >= 0) keep = std::min(keep, Significant);
  if (Decimals != NoDecimalLimit) keep = static_cast<Integer>(std::min<Int64>(keep, Int64(D.Exponent) + Decimals));
  if (keep >= D.Count) return;
  // An exact half (a lone "5" after the kept digits) goes to the even neighbour when asked.
  const bool downToEven = TiesToEven && keep >= 0 && D.Digits[keep] == '5' && keep + 1 == D.Count &&
                          (keep == 0 || (D.Digits[keep - 1] - '0') % 2 == 0);
  if (keep < 0 || D.Digits[keep] < '5' || downToEven) {
    D.Count = std::max(keep, 0);
  } else {
    Integer k = keep - 1;
    while (k >= 0 && D.Digits[k] == '9') --k;
    if (k < 0) {
      D.Digits[0] = '1';
      D.Count = 1;
      ++D.Exponent;
    } else {
      ++D.Digits[k];
      D.Count = k + 1;
    }
  }
  while (D.Count > 0 && D.Digits[D.Count - 1] == '0') --D.Count;
  if (D.Count == 0) D.Exponent = 0;
}

}  // namespace detail

// --- integers

String IntToStr(int Value) { return IntText(Value); }
String IntToStr(long Value) { return IntText(Value); }
String IntToStr(long long Value) { return IntText(Value); }
String IntToStr(unsigned Value) { return IntText(Value); }
String IntToStr(unsigned long Value) { return IntText(Value); }
String IntToStr(unsigned long long Value) { return IntText(Value); }
String UIntToStr(Cardinal Value) { return IntText(Value); }
String UIntToStr(UInt64 Value) { return IntText(Value); }

bool TryStrToInt(StringView S, Integer& Value) {
  UInt64 bits;
  if (!ParseInteger(S, 32, true, bits)) return false;
  Value = static_cast<Integer>(static_cast<Cardinal>(bits));
  return true;
}

Integer StrToInt(StringView S) {
  Integer v;
  if (!TryStrToInt(S, v)) RaiseInteger(S);
  return v;
}

Integer StrToIntDef(StringView S, Integer Default) {
  Integer v;
  return TryStrToInt(S, v) ? v : Default;
}

bool TryStrToInt64(StringView S, Int64& Value) {
  UInt64 bits;
  if (!ParseInteger(S, 64, true, bits)) return false;
  Value = static_cast<Int64>(bits);
  return true;
}

Int64 StrToInt64(StringView S) {
  Int64 v;
  if (!TryStrToInt64(S, v)) RaiseInteger(S);
  return v;
}

Int64 StrToInt64Def(StringView S, Int64 Default) {
  Int64 v;
  return TryStrToInt64(S, v) ? v : Default;
}

bool TryStrToUInt64(StringView S, UInt64& Value) { return ParseInteger(S, 64, false, Value); }

UInt64 StrToUInt64(StringView S) {
  UInt64 v;
  if (!TryStrToUInt64(S, v)) RaiseInteger(S);
  return v;
}

UInt64 StrToUInt64Def(StringView S, UInt64 Default) {
  UInt64 v;
  return TryStrToUInt64(S, v) ? v : Default;
}

// --- floats to text

String FloatToStr(Extended Value) { return FloatToStr(Value, FormatSettings); }

String FloatToStr(Extended Value, const TFormatSettings& Settings) {
  return FloatToStrF(Value, ffGeneral, 15, 0, Settings);
}

String FloatToStrF(Extended Value, TFloatFormat Format, Integer Precision, Integer Digits) {
  return FloatToStrF(Value, Format, Precision, Digits, FormatSettings);
}

String FloatToStrF(Extended Value, TFloatFormat Format, Integer Precision, Integer Digits,
                   const TFormatSettings& Settings) {
  TFloatDigits d = detail::FloatToDigits(Value);
  if (d.Nan || d.Infinite) return SpecialText(d);
  Precision = std::clamp<Integer>(Precision, 1, 18);
  switch (Format) {
    case ffExponent: return FormatExponent(d, Precision, std::clamp<Integer>(Digits, 0, 4), Settings.DecimalSeparator);
    case ffFixed:
    case ffNumber:
    case ffCurrency: {
      Digits = std::clamp<Integer>(Digits, 0, 18);
      TFloatDigits r = d;
      detail::RoundDigits(r, Precision, Digits);
      if (r.Count > 0 && r.Exponent > Precision) return FormatGeneral(d, Precision, 0, Settings.DecimalSeparator);
      const bool negative = r.Negative && r.Count > 0;
      const String body =
          FixedBody(r, Digits, Format == ffFixed ? Char(0) : Settings.ThousandSeparator, Settings.DecimalSeparator);
      if (Format == ffCurrency) return CurrencyLayout(body, negative, Settings);
      return negative ? u"-" + body : body;
    }
    default: return FormatGeneral(d, Precision, std::clamp<Integer>(Digits, 0, 4), Settings.DecimalSeparator);
  }
}

String FormatFloat(StringView Format, Extended Value) { return FormatFloat(Format, Value, FormatSettings); }

String FormatFloat(StringView Format, Extended Value, const TFormatSettings& Settings) {
  TFloatDigits d = detail::FloatToDigits(Value);
  if (d.Nan || d.Infinite) return SpecialText(d);
  const std::vector<StringView> sections = SplitSections(Format);
  auto pick = [&sections](size_t Index) { return Index < sections.size() && !sections[Index].empty(); };
  const bool negative = d.Negative && d.Count > 0;
  size_t index = d.Count == 0 ? (pick(2) ? 2 : 0) : negative ? (pick(1) ? 1 : 0) : 0;
  TSection s = AnalyzeSection(sections[index]);
  TFloatDigits r = d;
  RoundForSection(r, s);
  if (r.Count == 0 && d.Count > 0 && index != 2) {
    // Rounds to zero: shown as zero, without "-".
    index = pick(2) ? 2 : 0;
    s = AnalyzeSection(sections[index]);
    r = d;
    RoundForSection(r, s);
  }
  if (s.Text.empty()) return FloatToStrF(Value, ffGeneral, 15, 0, Settings);
  const bool minus = index == 0 && r.Negative && r.Count > 0;
  return RenderSection(s, r, minus, Settings);
}

// --- text to floats

bool TryStrToFloat(StringView S, Extended& Value) { return TryStrToFloat(S, Value, FormatSettings); }

bool TryStrToFloat(StringView S, Extended& Value, const TFormatSettings& Settings) {
  return ParseFloat(S, Value, Settings.DecimalSeparator);
}

bool TryStrToFloat(StringView S, Single& Value) { return TryStrToFloat(S, Value, FormatSettings); }

bool TryStrToFloat(StringView S, Single& Value, const TFormatSettings& Settings) {
  double v;
  if (!ParseFloat(S, v, Settings.DecimalSeparator)) return false;
  if (std::isfinite(v) && std::fabs(v) > FLT_MAX) return false;
  Value = static_cast<Single>(v);
  return true;
}

Extended StrToFloat(StringView S) { return StrToFloat(S, FormatSettings); }

Extended StrToFloat(StringView S, const TFormatSettings& Settings) {
  double v;
  if (!ParseFloat(S, v, Settings.DecimalSeparator)) RaiseFloat(S);
  return v;
}

Extended StrToFloatDef(StringView S, Extended Default) { return StrToFloatDef(S, Default, FormatSettings); }

Extended StrToFloatDef(StringView S, Extended Default, const TFormatSettings& Settings) {
  double v;
  return ParseFloat(S, v, Settings.DecimalSeparator) ? v : Default;
}

// --- rounding

namespace {
[[noreturn]] void RaiseInvalidOp() { throw EInvalidOp(u"Invalid floating point operation"); }
[[noreturn]] void RaiseOverflow() { throw EOverflow(u"Floating point overflow"); }
[[noreturn]] void RaiseZeroDivide() { throw EZeroDivide(u"Floating point division by zero"); }

// Whole-valued X as Int64; out of range raises.
Int64 ToInt64(Extended X) {
  if (!(X >= -9223372036854775808.0 && X < 9223372036854775808.0)) RaiseInvalidOp();
  return static_cast<Int64>(X);
}

Integer ToInteger(Extended X) {
  if (!(X >= -2147483648.0 && X <= 2147483647.0)) RaiseInvalidOp();
  return static_cast<Integer>(X);
}
}  // namespace

Int64 Round(Extended Value) { return ToInt64(std::nearbyint(Value)); }
Int64 Trunc(Extended Value) { return ToInt64(std::trunc(Value)); }
Extended Int(Extended Value) { return std::trunc(Value); }
Extended Frac(Extended Value) { return Value - std::trunc(Value); }
Integer Ceil(Extended Value) { return ToInteger(std::ceil(Value)); }
Integer Floor(Extended Value) { return ToInteger(std::floor(Value)); }

Extended RoundTo(Extended Value, Integer Digit) {
  // Rounds the decimal digits, not the binary value: 1.245 is a half in the text the user
  // sees and goes to 1.24, though the double stored for it lies just below.
  TFloatDigits d = detail::FloatToDigits(Value);
  if (d.Nan || d.Infinite || d.Count == 0) return Value;
  detail::RoundDigits(d, -1, -std::clamp<Integer>(Digit, -400, 400), true);
  if (d.Count == 0) return d.Negative ? -0.0 : 0.0;
  char buf[48];
  int n = 0;
  if (d.Negative) buf[n++] = '-';
  buf[n++] = '.';
  for (Integer k = 0; k < d.Count; ++k) buf[n++] = d.Digits[k];
  buf[n++] = 'e';
  n = static_cast<int>(std::to_chars(buf + n, buf + sizeof buf, d.Exponent).ptr - buf);
  double result = Value;
  std::from_chars(buf, buf + n, result);
  return result;
}

Integer MulDiv(Integer Number, Integer Numerator, Integer Denominator) {
  if (Denominator == 0) return -1;
  const Int64 product = Int64(Number) * Numerator;
  Int64 q = product / Denominator;
  const Int64 r = product % Denominator;
  if (2 * (r < 0 ? -r : r) >= (Denominator < 0 ? -Int64(Denominator) : Denominator))
    q += ((product < 0) != (Denominator < 0)) ? -1 : 1;
  if (q < INT32_MIN || q > INT32_MAX) return -1;
  return static_cast<Integer>(q);
}

bool IsNan(Extended Value) { return std::isnan(Value); }
bool IsInfinite(Extended Value) { return std::isinf(Value); }

bool SameValue(Extended A, Extended B, Extended Epsilon) {
  if (Epsilon == 0) Epsilon = std::max(std::min(std::fabs(A), std::fabs(B)) * 1E-12, 1E-12);
  if (A > B) return A - B <= Epsilon;
  return B - A <= Epsilon;
}

bool SameValue(Single A, Single B, Single Epsilon) {
  if (Epsilon == 0) Epsilon = std::max(std::min(std::fabs(A), std::fabs(B)) * 1E-4f, 1E-4f);
  if (A > B) return A - B <= Epsilon;
  return B - A <= Epsilon;
}

bool IsZero(Extended Value, Extended Epsilon) { return std::fabs(Value) <= (Epsilon == 0 ? 1E-12 : Epsilon); }

// --- checked floating point

namespace {
template <typename T>
T CheckedDiv(T A, T B) {
  if (B == 0 && !std::isnan(A)) {
    if (A == 0) RaiseInvalidOp();
    RaiseZeroDivide();
  }
  const T r = A / B;
  if (std::isnan(r) && !std::isnan(A) && !std::isnan(B)) RaiseInvalidOp();  // inf / inf
  if (std::isinf(r) && std::isfinite(A) && std::isfinite(B)) RaiseOverflow();
  return r;
}

// A fault the operation produced itself: NaN from non-NaN input, infinity from finite input.
Extended CheckResult(Extended R, Extended X) {
  if (std::isnan(R) && !std::isnan(X)) RaiseInvalidOp();
  if (std::isinf(R) && std::isfinite(X)) RaiseOverflow();
  return R;
}
}  // namespace

Extended FDiv(Extended A, Extended B) { return CheckedDiv(A, B); }
Single FDiv(Single A, Single B) { return CheckedDiv(A, B); }

Extended CheckFloat(Extended Value) {
  if (std::isnan(Value)) RaiseInvalidOp();
  if (std::isinf(Value)) RaiseOverflow();
  return Value;
}

Single CheckFloat(Single Value) {
  if (std::isnan(Value)) RaiseInvalidOp();
  if (std::isinf(Value)) RaiseOverflow();
  return Value;
}

Extended Ln(Extended X) {
  if (!(X > 0)) RaiseInvalidOp();
  return std::log(X);
}

Extended Log10(Extended X) {
  if (!(X > 0)) RaiseInvalidOp();
  return std::log10(X);
}

Extended Log2(Extended X) {
  if (!(X > 0)) RaiseInvalidOp();
  return std::log2(X);
}

Extended LogN(Extended Base, Extended X) { return FDiv(Ln(X), Ln(Base)); }

Extended Sqrt(Extended X) {
  if (X < 0) RaiseInvalidOp();
  return std::sqrt(X);
}

Extended Exp(Extended X) { return CheckResult(std::exp(X), X); }

Extended IntPower(Extended Base, Integer Exponent) {
  Extended result = 1;
  Extended b = Base;
  UInt64 n = Exponent < 0 ? UInt64(-Int64(Exponent)) : UInt64(Exponent);
  while (n) {
    if (n & 1) result *= b;
    b *= b;
    n >>= 1;
  }
  if (Exponent < 0) return FDiv(1.0, result);
  if (std::isinf(result) && std::isfinite(Base)) RaiseOverflow();
  return result;
}

Extended Power(Extended Base, Extended Exponent) {
  if (Exponent == 0) return 1;
  if (Base == 0 && Exponent > 0) return 0;
  if (std::trunc(Exponent) == Exponent && std::fabs(Exponent) <= MaxInt)
    return IntPower(Base, static_cast<Integer>(Exponent));
  if (Base < 0) RaiseInvalidOp();
  const Extended r = std::pow(Base, Exponent);
  if (std::isinf(r) && std::isfinite(Base) && std::isfinite(Exponent)) RaiseOverflow();
  return r;
}

namespace {
template <typename T>
void CheckIntDivisor(T A, T B) {
  if (B == 0) throw EDivByZero(u"Division by zero");
  if (B == -1 && A == std::numeric_limits<T>::min()) throw EIntOverflow(u"Integer overflow");
}
}  // namespace

Integer IntDiv(Integer A, Integer B) {
  CheckIntDivisor(A, B);
  return A / B;
}

Integer IntMod(Integer A, Integer B) {
  if (B == -1) return 0;  // the lowest value mod -1 would trap
  CheckIntDivisor(A, B);
  return A % B;
}

Int64 IntDiv(Int64 A, Int64 B) {
  CheckIntDivisor(A, B);
  return A / B;
}

Int64 IntMod(Int64 A, Int64 B) {
  if (B == -1) return 0;
  CheckIntDivisor(A, B);
  return A % B;
}
