#pragma once
// Locale conventions for formatting and parsing numbers, currency, dates and times.
// Date and time patterns use the letters of FormatDateTime: d, M, yyyy, h, n (minutes),
// s, z, AMPM / am/pm, and quoted literal text.

#include "rtl/RTL.Types.h"

struct TFormatSettings {
  String CurrencyString = u"\u00A4";
  // Position of the currency string for positive amounts: 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $".
  Byte CurrencyFormat = 0;
  Byte CurrencyDecimals = 2;
  // One of the sixteen layouts of a negative amount: 0 "($1)", 1 "-$1", 2 "$-1", 3 "$1-",
  // 4 "(1$)", 5 "-1$", 6 "1-$", 7 "1$-", 8 "-1 $", 9 "-$ 1", 10 "1 $-", 11 "$ 1-", 12 "$ -1",
  // 13 "1- $", 14 "($ 1)", 15 "(1 $)".
  Byte NegCurrFormat = 0;
  Char ThousandSeparator = u',';
  Char DecimalSeparator = u'.';
  Char DateSeparator = u'/';
  Char TimeSeparator = u':';
  Char ListSeparator = u',';
  String ShortDateFormat = u"MM/dd/yyyy";
  String LongDateFormat = u"dddd, dd MMMM yyyy";
  String ShortTimeFormat = u"hh:nn";
  String LongTimeFormat = u"hh:nn:ss";
  String TimeAMString = u"AM";
  String TimePMString = u"PM";
  String ShortMonthNames[12] = {u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun",
                                u"Jul", u"Aug", u"Sep", u"Oct", u"Nov", u"Dec"};
  String LongMonthNames[12] = {u"January", u"February", u"March",     u"April",   u"May",      u"June",
                               u"July",    u"August",   u"September", u"October", u"November", u"December"};
  // Sunday first.
  String ShortDayNames[7] = {u"Sun", u"Mon", u"Tue", u"Wed", u"Thu", u"Fri", u"Sat"};
  String LongDayNames[7] = {u"Sunday", u"Monday", u"Tuesday", u"Wednesday", u"Thursday", u"Friday", u"Saturday"};
  // A two-digit year is taken within this many years before the current year and the rest after.
  Word TwoDigitYearCenturyWindow = 50;

  // Fixed, locale-independent conventions ("." decimal separator, English names, "MM/dd/yyyy",
  // "hh:nn:ss"). A default-constructed object holds the same values.
  static TFormatSettings Invariant();
  // The conventions of the user's locale (LC_ALL / LC_MESSAGES / LANG, read through ICU).
  // Anything the locale does not provide keeps the invariant value.
  static TFormatSettings Create();
  // The conventions of a named locale ("de_DE", "fr-FR", "en_US.UTF-8").
  static TFormatSettings Create(const String& LocaleName);
};

// The process-wide settings that the routines without a settings argument use. The unit's
// initialization fills it from the user's locale; the program may change it afterwards.
extern TFormatSettings FormatSettings;

namespace detail {
void InitFormatSettingsUnit();
void FinFormatSettingsUnit();
}  // namespace detail
