#include "rtl/RTL.FormatSettings.h"

#include <unicode/datefmt.h>
#include <unicode/dcfmtsym.h>
#include <unicode/decimfmt.h>
#include <unicode/dtfmtsym.h>
#include <unicode/locid.h>
#include <unicode/numfmt.h>
#include <unicode/smpdtfmt.h>

#include <memory>
#include <string>

TFormatSettings FormatSettings;

namespace {

String ToString(const icu::UnicodeString& Text) {
  return String(reinterpret_cast<const Char*>(Text.getBuffer()), static_cast<size_t>(Text.length()));
}

bool IsPatternLetter(Char C) { return (C >= u'a' && C <= u'z') || (C >= u'A' && C <= u'Z'); }

// Letters that FormatDateTime would interpret; literal text holding them must be quoted.
bool IsPlatformLetter(Char C) {
  switch (C | 0x20) {
    case u'a': case u'c': case u'd': case u'e': case u'g': case u'h': case u'm':
    case u'n': case u's': case u't': case u'y': case u'z':
      return true;
    default:
      return false;
  }
}

// Converts an ICU date/time pattern to FormatDateTime letters. Two-digit years widen to four:
// a short date is then never ambiguous. Fields without an equivalent (era, zone) are dropped
// together with the blank before them.
String ConvertPattern(const icu::UnicodeString& Pattern) {
  const String p = ToString(Pattern);
  String out;
  auto appendLiteral = [&out](StringView Text) {
    bool needsQuote = false;
    for (Char c : Text)
      if (IsPlatformLetter(c) || c == u'"') needsQuote = true;
    if (!needsQuote) {
      out += Text;
      return;
    }
    out += u'\'';
    for (Char c : Text)
      if (c != u'\'') out += c;
    out += u'\'';
  };
  size_t i = 0;
  while (i < p.size()) {
    const Char c = p[i];
    if (c == u'\'') {
      if (i + 1 < p.size() && p[i + 1] == u'\'') {  // '' is a literal quote
        out += u'\'';
        i += 2;
        continue;
      }
      String literal;
      ++i;
      while (i < p.size()) {
        if (p[i] == u'\'') {
          if (i + 1 < p.size() && p[i + 1] == u'\'') {
            literal += u'\'';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        literal += p[i++];
      }
      appendLiteral(literal);
      continue;
    }
    if (!IsPatternLetter(c)) {
      // Typographic no-break spaces become plain ones: text typed in that format (and parsed
      // back by it) has ordinary spaces.
      const Char literal = (c == u'\u00A0' || c == u'\u202F') ? u' ' : c;
      appendLiteral(StringView(&literal, 1));
      ++i;
      continue;
    }
    size_t count = 1;
    while (i + count < p.size() && p[i + count] == c) ++count;
    i += count;
    switch (c) {
      case u'y': case u'Y': case u'u': case u'r': out += u"yyyy"; break;
      case u'M': case u'L': out += count >= 4 ? u"MMMM" : count == 3 ? u"MMM" : count == 2 ? u"MM" : u"M"; break;
      case u'd': out += count >= 2 ? u"dd" : u"d"; break;
      case u'E': case u'c': case u'e': out += count >= 4 ? u"dddd" : u"ddd"; break;
      case u'H': case u'k': case u'h': case u'K': out += count >= 2 ? u"hh" : u"h"; break;
      case u'm': out += count >= 2 ? u"nn" : u"n"; break;
      case u's': out += count >= 2 ? u"ss" : u"s"; break;
      case u'S': out += count >= 3 ? u"zzz" : u"z"; break;
      case u'a': case u'b': case u'B': out += u"AMPM"; break;
      default:
        while (!out.empty() && (out.back() == u' ' || out.back() == u'\u00A0' || out.back() == u'\u202F'))
          out.pop_back();
        break;
    }
  }
  while (!out.empty() && out.back() == u' ') out.pop_back();
  return out;
}

// The first separator between fields of a converted pattern, outside quotes.
Char FindSeparator(const String& Pattern, Char Fallback) {
  bool quoted = false;
  for (Char c : Pattern) {
    if (c == u'\'') quoted = !quoted;
    if (quoted || IsPatternLetter(c) || c == u'\'') continue;
    if (c == u' ' || c == u'\u00A0' || c == u'\u202F' || c == u',') continue;
    return c;
  }
  return Fallback;
}

String DatePattern(icu::DateFormat::EStyle Date, icu::DateFormat::EStyle Time, const icu::Locale& Loc) {
  std::unique_ptr<icu::DateFormat> fmt(icu::DateFormat::createDateTimeInstance(Date, Time, Loc));
  auto* simple = dynamic_cast<icu::SimpleDateFormat*>(fmt.get());
  if (!simple) return String();
  icu::UnicodeString pattern;
  simple->toPattern(pattern);
  return ConvertPattern(pattern);
}

void FillNumbers(TFormatSettings& S, const icu::Locale& Loc) {
  UErrorCode status = U_ZERO_ERROR;
  icu::DecimalFormatSymbols symbols(Loc, status);
  if (U_FAILURE(status)) return;
  auto single = [&symbols](icu::DecimalFormatSymbols::ENumberFormatSymbol Which, Char Fallback) {
    const icu::UnicodeString s = symbols.getSymbol(Which);
    return s.length() == 1 ? static_cast<Char>(s.charAt(0)) : Fallback;
  };
  S.DecimalSeparator = single(icu::DecimalFormatSymbols::kDecimalSeparatorSymbol, S.DecimalSeparator);
  S.ThousandSeparator = single(icu::DecimalFormatSymbols::kGroupingSeparatorSymbol, S.ThousandSeparator);
  if (S.ThousandSeparator == S.DecimalSeparator) S.ThousandSeparator = S.DecimalSeparator == u',' ? u'.' : u',';
  S.ListSeparator = S.DecimalSeparator == u',' ? u';' : u',';
  const String currency = ToString(symbols.getSymbol(icu::DecimalFormatSymbols::kCurrencySymbol));
  if (!currency.empty()) S.CurrencyString = currency;

  status = U_ZERO_ERROR;
  std::unique_ptr<icu::NumberFormat> fmt(icu::NumberFormat::createCurrencyInstance(Loc, status));
  auto* decimal = dynamic_cast<icu::DecimalFormat*>(fmt.get());
  if (U_FAILURE(status) || !decimal) return;
  S.CurrencyDecimals = static_cast<Byte>(decimal->getMaximumFractionDigits());
  icu::UnicodeString pattern;
  decimal->toPattern(pattern);
  const String p = ToString(pattern.tempSubString(0, pattern.indexOf(u';') < 0 ? pattern.length()
                                                                                  : pattern.indexOf(u';')));
  const size_t sign = p.find(u'\u00A4');
  const size_t digit = p.find_first_of(u"#0");
  if (sign == String::npos || digit == String::npos) return;
  auto isBlank = [](Char c) { return c == u' ' || c == u'\u00A0' || c == u'\u202F'; };
  if (sign < digit) {
    const bool spaced = sign + 1 < p.size() && isBlank(p[sign + 1]);
    S.CurrencyFormat = spaced ? 2 : 0;
    S.NegCurrFormat = spaced ? 9 : 1;  // "-$ 1" / "-$1"
  } else {
    const bool spaced = sign > 0 && isBlank(p[sign - 1]);
    S.CurrencyFormat = spaced ? 3 : 1;
    S.NegCurrFormat = spaced ? 8 : 5;  // "-1 $" / "-1$"
  }
}

void FillNames(TFormatSettings& S, const icu::Locale& Loc) {
  UErrorCode status = U_ZERO_ERROR;
  icu::DateFormatSymbols symbols(Loc, status);
  if (U_FAILURE(status)) return;
  int32_t count = 0;
  const icu::UnicodeString* names =
      symbols.getMonths(count, icu::DateFormatSymbols::FORMAT, icu::DateFormatSymbols::WIDE);
  for (int32_t i = 0; i < count && i < 12; ++i) S.LongMonthNames[i] = ToString(names[i]);
  names = symbols.getMonths(count, icu::DateFormatSymbols::FORMAT, icu::DateFormatSymbols::ABBREVIATED);
  for (int32_t i = 0; i < count && i < 12; ++i) S.ShortMonthNames[i] = ToString(names[i]);
  // Weekday arrays are indexed by UCAL_SUNDAY (1) .. UCAL_SATURDAY (7).
  names = symbols.getWeekdays(count, icu::DateFormatSymbols::FORMAT, icu::DateFormatSymbols::WIDE);
  for (int32_t i = 1; i < count && i <= 7; ++i) S.LongDayNames[i - 1] = ToString(names[i]);
  names = symbols.getWeekdays(count, icu::DateFormatSymbols::FORMAT, icu::DateFormatSymbols::ABBREVIATED);
  for (int32_t i = 1; i < count && i <= 7; ++i) S.ShortDayNames[i - 1] = ToString(names[i]);
  names = symbols.getAmPmStrings(count);
  if (count >= 2) {
    S.TimeAMString = ToString(names[0]);
    S.TimePMString = ToString(names[1]);
  }
}

void FillDates(TFormatSettings& S, const icu::Locale& Loc) {
  using DF = icu::DateFormat;
  String shortDate = DatePattern(DF::kShort, DF::kNone, Loc);
  if (!shortDate.empty()) S.ShortDateFormat = shortDate;
  String longDate = DatePattern(DF::kFull, DF::kNone, Loc);
  if (!longDate.empty()) S.LongDateFormat = longDate;
  String shortTime = DatePattern(DF::kNone, DF::kShort, Loc);
  if (!shortTime.empty()) S.ShortTimeFormat = shortTime;
  String longTime = DatePattern(DF::kNone, DF::kMedium, Loc);
  if (!longTime.empty()) S.LongTimeFormat = longTime;
  S.DateSeparator = FindSeparator(S.ShortDateFormat, S.DateSeparator);
  S.TimeSeparator = FindSeparator(S.LongTimeFormat, S.TimeSeparator);
}

TFormatSettings FromLocale(const icu::Locale& Loc) {
  TFormatSettings s;
  if (Loc.isBogus()) return s;
  const std::string base = Loc.getBaseName();
  // The C / POSIX locale has no conventions of its own.
  if (base.empty() || base == "en_US_POSIX" || base == "c" || base == "C") return s;
  FillNumbers(s, Loc);
  FillNames(s, Loc);
  FillDates(s, Loc);
  return s;
}

}  // namespace

TFormatSettings TFormatSettings::Invariant() { return TFormatSettings(); }

TFormatSettings TFormatSettings::Create() { return FromLocale(icu::Locale::getDefault()); }

TFormatSettings TFormatSettings::Create(const String& LocaleName) {
  std::string name = StringToUTF8(LocaleName);
  const size_t cut = name.find_first_of(".@");
  if (cut != std::string::npos) name.resize(cut);
  if (name.empty() || name == "C" || name == "POSIX") return Invariant();
  return FromLocale(icu::Locale::createCanonical(name.c_str()));
}

namespace detail {
void InitFormatSettingsUnit() { FormatSettings = TFormatSettings::Create(); }
void FinFormatSettingsUnit() { FormatSettings = TFormatSettings::Invariant(); }
}  // namespace detail
