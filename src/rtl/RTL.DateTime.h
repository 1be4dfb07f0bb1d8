#pragma once
// Dates and times. A TDateTime is a number of days since 1899-12-30 00:00: the integer part
// is the day, the fraction the time of day. For values before the epoch the day is the part
// toward zero and the time is the absolute fraction: -1.25 is 1899-12-29 06:00 (and -0.25 is
// 1899-12-30 06:00, like 0.25). All routines round to whole milliseconds first, so a value a
// hair below midnight is midnight of the next day, never 23:59:59.1000.
//
// Valid dates are 0001-01-01 .. 9999-12-31 (MinDateTime .. MaxDateTime). Decoding a value
// outside that range, or not finite, gives zeros for every field.
//
// Pattern letters of FormatDateTime (case does not matter except in am/pm and a/p):
//   c      ShortDateFormat, then " " and LongTimeFormat unless the time is midnight
//   d dd   day (1 / 01)            ddd dddd  short / long day name
//   ddddd  ShortDateFormat         dddddd    LongDateFormat
//   m mm   month (1 / 01)          mmm mmmm  short / long month name
//          right after an hour (h/hh, with only non-letters between) m/mm mean minutes
//   yy     two-digit year          yyyy      four-digit year (y and yyy likewise)
//   h hh   hour (12-hour when an am/pm, a/p or ampm follows in the pattern)
//   n nn   minute                  s ss      second
//   z      millisecond             zzz       millisecond, three digits
//   t tt   ShortTimeFormat / LongTimeFormat
//   am/pm  "am"/"pm" in the letter case written   a/p  "a"/"p"   ampm  TimeAMString/TimePMString
//   /      DateSeparator           :         TimeSeparator
//   "..." '...'  literal text; any other character is copied.
// An empty pattern formats like "c".

#include "rtl/RTL.Types.h"

struct TFormatSettings;

// Days since 1899-12-30 as a distinct type, so that a Variant built from it is a date. It
// converts to and from double freely: arithmetic on it is arithmetic on days.
struct TDateTime {
  double Value = 0;
  constexpr TDateTime() = default;
  constexpr TDateTime(double AValue) : Value(AValue) {}
  constexpr operator double() const { return Value; }
  constexpr TDateTime& operator+=(double Days) {
    Value += Days;
    return *this;
  }
  constexpr TDateTime& operator-=(double Days) {
    Value -= Days;
    return *this;
  }
};
using TDate = TDateTime;
using TTime = TDateTime;

constexpr Integer HoursPerDay = 24;
constexpr Integer MinsPerHour = 60;
constexpr Integer SecsPerMin = 60;
constexpr Integer MSecsPerSec = 1000;
constexpr Integer MinsPerDay = HoursPerDay * MinsPerHour;
constexpr Integer SecsPerDay = MinsPerDay * SecsPerMin;
constexpr Integer MSecsPerDay = SecsPerDay * MSecsPerSec;
// 1970-01-01 as a TDateTime.
constexpr Integer UnixDateDelta = 25569;
constexpr double MinDateTime = -693593.0;         // 0001-01-01 00:00:00.000
constexpr double MaxDateTime = 2958465.99999999;  // 9999-12-31 23:59:59.999

bool IsLeapYear(Word Year);
// 28..31; 0 for a month outside 1..12.
Word DaysInMonth(Word Year, Word Month);
Word DaysInMonth(TDateTime Value);

// Raise EConvertError "Invalid argument to date encode" / "Invalid argument to time encode"
// for a year outside 1..9999, a month outside 1..12, a day outside the month, an hour above
// 23, minutes or seconds above 59, milliseconds above 999.
TDateTime EncodeDate(Word Year, Word Month, Word Day);
TDateTime EncodeTime(Word Hour, Word Min, Word Sec, Word MSec);
bool TryEncodeDate(Word Year, Word Month, Word Day, TDateTime& Result);
bool TryEncodeTime(Word Hour, Word Min, Word Sec, Word MSec, TDateTime& Result);
TDateTime EncodeDateTime(Word Year, Word Month, Word Day, Word Hour, Word Min, Word Sec, Word MSec);
bool TryEncodeDateTime(Word Year, Word Month, Word Day, Word Hour, Word Min, Word Sec, Word MSec, TDateTime& Result);
// Date plus time of day with the rule for dates before the epoch (Date - Time there).
TDateTime ComposeDateTime(TDateTime Date, TDateTime Time);

void DecodeDate(TDateTime Value, Word& Year, Word& Month, Word& Day);
void DecodeTime(TDateTime Value, Word& Hour, Word& Min, Word& Sec, Word& MSec);
void DecodeDateTime(TDateTime Value, Word& Year, Word& Month, Word& Day, Word& Hour, Word& Min, Word& Sec, Word& MSec);

// The current local date and time; Date has no time part, Time no date part.
TDateTime Now();
TDateTime Date();
TDateTime Time();

TDateTime DateOf(TDateTime Value);
TDateTime TimeOf(TDateTime Value);
// 1 = Sunday .. 7 = Saturday.
Word DayOfWeek(TDateTime Value);
// 1 = Monday .. 7 = Sunday.
Word DayOfTheWeek(TDateTime Value);

// Moves by whole months; the day is kept but clamped to the length of the target month, the
// time of day is kept. The result stays within years 1..9999 (EConvertError otherwise).
TDateTime IncMonth(TDateTime Value, Integer NumberOfMonths = 1);
TDateTime IncYear(TDateTime Value, Integer NumberOfYears = 1);
TDateTime IncDay(TDateTime Value, Integer NumberOfDays = 1);
// Midnight of the Monday of the week holding Value.
TDateTime StartOfTheWeek(TDateTime Value);
TDateTime StartOfTheMonth(TDateTime Value);
TDateTime StartOfTheYear(TDateTime Value);

// Whole milliseconds and seconds between two values (absolute, truncated).
Int64 MilliSecondsBetween(TDateTime A, TDateTime B);
Int64 SecondsBetween(TDateTime A, TDateTime B);

// Milliseconds since 1899-12-30 00:00 on a straight time line (the negative-date rule
// applied), and back.
Int64 DateTimeToMilliseconds(TDateTime Value);
TDateTime MillisecondsToDateTime(Int64 Value);

// See the pattern letters above. Without a settings argument the process-wide FormatSettings
// are used.
String FormatDateTime(StringView Format, TDateTime Value);
String FormatDateTime(StringView Format, TDateTime Value, const TFormatSettings& Settings);
// "ddddd", "tt" and "c".
String DateToStr(TDateTime Value);
String DateToStr(TDateTime Value, const TFormatSettings& Settings);
String TimeToStr(TDateTime Value);
String TimeToStr(TDateTime Value, const TFormatSettings& Settings);
String DateTimeToStr(TDateTime Value);
String DateTimeToStr(TDateTime Value, const TFormatSettings& Settings);

// Parsing. A date is two or three numbers separated by the DateSeparator in the order of
// ShortDateFormat (M-D-Y, D-M-Y or Y-M-D by its first letter); two numbers take the current
// year; a year of one or two digits is placed within TwoDigitYearCenturyWindow of the current
// year. A time is hour[:minute[:second[.millisecond]]] with the TimeSeparator, optionally
// followed by AM/PM (TimeAMString/TimePMString or "AM"/"PM"). Leading and trailing blanks are
// allowed; anything else raises EConvertError "'%s' is not a valid date" / "... valid time" /
// "... valid date and time".
TDateTime StrToDate(StringView Text);
TDateTime StrToDate(StringView Text, const TFormatSettings& Settings);
bool TryStrToDate(StringView Text, TDateTime& Value);
bool TryStrToDate(StringView Text, TDateTime& Value, const TFormatSettings& Settings);
TDateTime StrToTime(StringView Text);
TDateTime StrToTime(StringView Text, const TFormatSettings& Settings);
bool TryStrToTime(StringView Text, TDateTime& Value);
bool TryStrToTime(StringView Text, TDateTime& Value, const TFormatSettings& Settings);
// A date, optionally followed by blanks and a time (or a time alone).
TDateTime StrToDateTime(StringView Text);
TDateTime StrToDateTime(StringView Text, const TFormatSettings& Settings);
bool TryStrToDateTime(StringView Text, TDateTime& Value);
bool TryStrToDateTime(StringView Text, TDateTime& Value, const TFormatSettings& Settings);

// Local time <-> UTC by the system's time-zone rules (TZ) for that moment.
TDateTime LocalTimeToUniversal(TDateTime Value);
TDateTime UniversalTimeToLocal(TDateTime Value);

// Unix time in whole seconds (rounded down). The TDateTime is taken or given as UTC unless
// the flag says local time.
Int64 DateTimeToUnix(TDateTime Value, bool InputIsUTC = true);
TDateTime UnixToDateTime(Int64 Value, bool ReturnUTC = true);

// File times: 100-nanosecond intervals since 1601-01-01 00:00. No time-zone shift is applied:
// a UTC file time gives a UTC TDateTime. Times before 1601 give 0; EConvertError for a file
// time beyond 9999-12-31.
UInt64 DateTimeToFileTime(TDateTime Value);
TDateTime FileTimeToDateTime(UInt64 FileTime);

// DOS packed date and time (local), high word the date (bits 9..15 year - 1980, 5..8 month,
// 0..4 day), low word the time (11..15 hour, 5..10 minute, 0..4 seconds / 2). Outside years
// 1980..2107 DateTimeToFileDate gives 0. FileDateToDateTime raises EConvertError for fields
// that form no valid date or time; TryFileDateToDateTime answers false instead.
Integer DateTimeToFileDate(TDateTime Value);
TDateTime FileDateToDateTime(Integer FileDate);
bool TryFileDateToDateTime(Integer FileDate, TDateTime& Value);

// A monotonic high-resolution counter in nanoseconds (frequency 1,000,000,000), unaffected by
// changes of the wall clock. Always succeeds on Linux.
bool QueryPerformanceCounter(Int64& Counter);
bool QueryPerformanceFrequency(Int64& Frequency);
