#include "rtl/RTL.DateTime.h"

#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.FormatSettings.h"

namespace {

constexpr Int64 MSecsPerDay64 = MSecsPerDay;
// Day numbers (days since 1899-12-30) of the first and last valid dates.
constexpr Int64 MinDay = -693593;
constexpr Int64 MaxDay = 2958465;
// 1601-01-01 as a day number, and 100-ns file-time ticks per millisecond.
constexpr Int64 FileTimeEpochDay = -109205;
constexpr Int64 FileTicksPerMSec = 10000;

constexpr Word MonthDays[2][12] = {{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
                                   {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};

// Days since 1970-01-01 of a proleptic Gregorian date, and back (valid for any year here).
constexpr Int64 DaysFromCivil(Int64 y, unsigned m, unsigned d) {
  y -= m <= 2;
  const Int64 era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<Int64>(doe) - 719468;
}

constexpr void CivilFromDays(Int64 z, Int64& y, unsigned& m, unsigned& d) {
  z += 719468;
  const Int64 era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = static_cast<Int64>(yoe) + era * 400 + (m <= 2);
}

static_assert(DaysFromCivil(1899, 12, 30) == -UnixDateDelta);
static_assert(DaysFromCivil(1601, 1, 1) + UnixDateDelta == FileTimeEpochDay);
static_assert(DaysFromCivil(1, 1, 1) + UnixDateDelta == MinDay);
static_assert(DaysFromCivil(9999, 12, 31) + UnixDateDelta == MaxDay);

// A value split into its day number and milliseconds of the day, with the negative-date rule.
struct TStamp {
  Int64 Day = 0;
  Integer MSec = 0;
  bool Valid = false;
};

TStamp ToStamp(double Value) {
  TStamp s;
  if (!std::isfinite(Value) || Value < MinDateTime - 1 || Value > MaxDateTime + 1) return s;
  const Int64 ms = std::llround(Value * MSecsPerDay64);
  s.Day = ms / MSecsPerDay64;  // toward zero
  s.MSec = static_cast<Integer>(std::llabs(ms) % MSecsPerDay64);
  s.Valid = s.Day >= MinDay && s.Day <= MaxDay;
  return s;
}

double FromDayAndMSec(Int64 Day, Int64 MSec) {
  const double time = static_cast<double>(MSec) / MSecsPerDay64;
  return Day < 0 ? static_cast<double>(Day) - time : static_cast<double>(Day) + time;
}

void DecodeDay(Int64 Day, Word& Year, Word& Month, Word& Day_) {
  Int64 y;
  unsigned m, d;
  CivilFromDays(Day - UnixDateDelta, y, m, d);
  Year = static_cast<Word>(y);
  Month = static_cast<Word>(m);
  Day_ = static_cast<Word>(d);
}

bool ValidDate(Integer Year, Integer Month, Integer Day) {
  return Year >= 1 && Year <= 9999 && Month >= 1 && Month <= 12 && Day >= 1 &&
         Day <= MonthDays[IsLeapYear(static_cast<Word>(Year))][Month - 1];
}

[[noreturn]] void DateEncodeError() { throw EConvertError(u"Invalid argument to date encode"); }
[[noreturn]] void TimeEncodeError() { throw EConvertError(u"Invalid argument to time encode"); }

struct TLocal {
  Int64 Day;
  Int64 MSec;
};

// The current wall clock as local time.
TLocal CurrentLocal() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  tm local{};
  time_t secs = ts.tv_sec;
  localtime_r(&secs, &local);
  const Int64 day = DaysFromCivil(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) + UnixDateDelta;
  const Int64 msec = (local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) * 1000LL + ts.tv_nsec / 1000000;
  return {day, msec};
}

Word CurrentYear() {
  Word y, m, d;
  DecodeDay(CurrentLocal().Day, y, m, d);
  return y;
}

// ---- FormatDateTime

class TDateFormatter {
 public:
  TDateFormatter(TDateTime Value, const TFormatSettings& Settings) : FSettings(Settings) {
    const TStamp s = ToStamp(Value);
    if (s.Valid) {
      DecodeDay(s.Day, FYear, FMonth, FDay);
      FDayOfWeek = static_cast<Integer>(((s.Day % 7) + 7 + 6) % 7);  // 0 = Sunday
      FHour = static_cast<Word>(s.MSec / 3600000);
      FMin = static_cast<Word>(s.MSec / 60000 % 60);
      FSec = static_cast<Word>(s.MSec / 1000 % 60);
      FMSec = static_cast<Word>(s.MSec % 1000);
    }
  }

  String Run(StringView Format) {
    Append(Format.empty() ? StringView(u"C") : Format, 0);
    return FResult;
  }

 private:
  static Char Upper(Char C) { return C >= u'a' && C <= u'z' ? static_cast<Char>(C - 32) : C; }

  static bool StartsTextAt(StringView S, size_t Pos, StringView Word) {
    if (S.size() - Pos < Word.size()) return false;
    for (size_t i = 0; i < Word.size(); ++i)
      if (Upper(S[Pos + i]) != Upper(Word[i])) return false;
    return true;
  }

  void Number(Integer Value, Integer Digits) {
    String digits;
    do {
      digits.insert(digits.begin(), static_cast<Char>(u'0' + Value % 10));
      Value /= 10;
    } while (Value > 0);
    while (static_cast<Integer>(digits.size()) < Digits) digits.insert(digits.begin(), u'0');
    FResult += digits;
  }

  // Does an am/pm marker follow in the pattern (outside quotes)? Decides 12-hour display.
  static bool AmPmFollows(StringView F, size_t Pos) {
    Char quote = 0;
    for (size_t i = Pos; i < F.size(); ++i) {
      const Char c = F[i];
      if (quote) {
        if (c == quote) quote = 0;
      } else if (c == u'\'' || c == u'"') {
        quote = c;
      } else if (Upper(c) == u'A' &&
                 (StartsTextAt(F, i, u"am/pm") || StartsTextAt(F, i, u"a/p") || StartsTextAt(F, i, u"ampm"))) {
        return true;
      }
    }
    return false;
  }

  void Append(StringView F, Integer Depth) {
    // Nested formats (ddddd, c, t...) may refer to each other; two levels are enough for any
    // sane setting and stop a setting that refers to itself.
    if (Depth > 2) return;
    Char lastToken = 0;
    size_t i = 0;
    while (i < F.size()) {
      const Char starter = F[i];
      Char token = Upper(starter);
      if (token >= u'A' && token <= u'Z') {
        if (token == u'M' && lastToken == u'H') token = u'N';
        lastToken = token;
      }
      auto count = [&] {
        size_t n = 1;
        while (i + n < F.size() && Upper(F[i + n]) == Upper(starter)) ++n;
        i += n;
        return static_cast<Integer>(n);
      };
      switch (token) {
        case u'Y': {
          const Integer n = count();
          if (n <= 2)
            Number(FYear % 100, 2);
          else
            Number(FYear, 4);
          break;
        }
        case u'M': {
          const Integer n = count();
          if (n <= 2)
            Number(FMonth, n);
          else if (FMonth >= 1)
            FResult += n == 3 ? FSettings.ShortMonthNames[FMonth - 1] : FSettings.LongMonthNames[FMonth - 1];
          break;
        }
        case u'D': {
          const Integer n = count();
          if (n <= 2)
            Number(FDay, n);
          else if (n == 3)
            FResult += FSettings.ShortDayNames[FDayOfWeek];
          else if (n == 4)
            FResult += FSettings.LongDayNames[FDayOfWeek];
          else if (n == 5)
            Append(FSettings.ShortDateFormat, Depth + 1);
          else
            Append(FSettings.LongDateFormat, Depth + 1);
          break;
        }
        case u'H': {
          const Integer n = count();
          Integer h = FHour;
          if (AmPmFollows(F, i)) {
            h %= 12;
            if (h == 0) h = 12;
          }
          Number(h, n >= 2 ? 2 : 1);
          break;
        }
        case u'N': {
          const Integer n = count();
          Number(FMin, n >= 2 ? 2 : 1);
          break;
        }
        case u'S': {
          const Integer n = count();
          Number(FSec, n >= 2 ? 2 : 1);
          break;
        }
        case u'Z': {
          const Integer n = count();
          Number(FMSec, n >= 3 ? 3 : 1);
          break;
        }
        case u'T': {
          const Integer n = count();
          Append(n == 1 ? FSettings.ShortTimeFormat : FSettings.LongTimeFormat, Depth + 1);
          break;
        }
        case u'C': {
          count();
          Append(FSettings.ShortDateFormat, Depth + 1);
          if (FHour || FMin || FSec || FMSec) {
            FResult += u' ';
            Append(FSettings.LongTimeFormat, Depth + 1);
          }
          break;
        }
        case u'A': {
          const bool pm = FHour >= 12;
          if (StartsTextAt(F, i, u"am/pm")) {
            // The letter case of the pattern decides the case of the output.
            const size_t at = pm ? i + 3 : i;
            FResult += F.substr(at, 2);
            i += 5;
          } else if (StartsTextAt(F, i, u"a/p")) {
            FResult += F[pm ? i + 2 : i];
            i += 3;
          } else if (StartsTextAt(F, i, u"ampm")) {
            FResult += pm ? FSettings.TimePMString : FSettings.TimeAMString;
            i += 4;
          } else {
            FResult += starter;
            ++i;
          }
          break;
        }
        case u'/':
          FResult += FSettings.DateSeparator;
          ++i;
          break;
        case u':':
          FResult += FSettings.TimeSeparator;
          ++i;
          break;
        case u'\'':
        case u'"': {
          size_t end = i + 1;
          while (end < F.size() && F[end] != starter) ++end;
          FResult += F.substr(i + 1, end - i - 1);
          i = end < F.size() ? end + 1 : end;
          break;
        }
        default:
          FResult += starter;
          ++i;
          break;
      }
    }
  }

  const TFormatSettings& FSettings;
  String FResult;
  Word FYear = 0, FMonth = 0, FDay = 0, FHour = 0, FMin = 0, FSec = 0, FMSec = 0;
  Integer FDayOfWeek = 0;
};

// ---- Parsing

class TDateScanner {
 public:
  TDateScanner(StringView Text, const TFormatSettings& Settings) : FText(Text), FSettings(Settings) {}

  bool AtEnd() {
    SkipBlanks();
    return FPos >= FText.size();
  }

  bool ScanDate(TDateTime& Result) {
    SkipBlanks();
    Integer n1, n2, n3 = 0;
    Integer len1, len2, len3 = 0;
    if (!ScanNumber(n1, len1) || !ScanSeparator(FSettings.DateSeparator) || !ScanNumber(n2, len2)) return false;
    bool hasThird = false;
    const size_t mark = FPos;
    if (ScanSeparator(FSettings.DateSeparator)) {
      if (!ScanNumber(n3, len3)) return false;
      hasThird = true;
    } else {
      FPos = mark;
    }
    Integer year = 0, month, day;
    Integer yearLen = 0;
    switch (DateOrder()) {
      case 'D':
        day = n1;
        month = n2;
        if (hasThird) year = n3, yearLen = len3;
        break;
      case 'Y':
        if (hasThird) {
          year = n1, yearLen = len1;
          month = n2;
          day = n3;
        } else {
          month = n1;
          day = n2;
        }
        break;
      default:
        month = n1;
        day = n2;
        if (hasThird) year = n3, yearLen = len3;
        break;
    }
    if (!hasThird) {
      year = CurrentYear();
    } else if (yearLen <= 2) {
      // Place a short year within the century window around the current year.
      const Integer threshold = CurrentYear() - FSettings.TwoDigitYearCenturyWindow;
      year += threshold / 100 * 100;
      if (FSettings.TwoDigitYearCenturyWindow > 0 && year < threshold) year += 100;
    }
    if (year > 9999 || month > 12 || day > 31) return false;  // before narrowing to Word
    return TryEncodeDate(static_cast<Word>(year), static_cast<Word>(month), static_cast<Word>(day), Result);
  }

  bool ScanTime(TDateTime& Result) {
    SkipBlanks();
    Integer hour, min = 0, sec = 0, msec = 0, len;
    if (!ScanNumber(hour, len)) return false;
    if (ScanSeparator(FSettings.TimeSeparator)) {
      if (!ScanNumber(min, len)) return false;
      if (ScanSeparator(FSettings.TimeSeparator)) {
        if (!ScanNumber(sec, len)) return false;
        if (ScanSeparator(FSettings.DecimalSeparator)) {
          if (!ScanNumber(msec, len)) return false;
        }
      }
    }
    SkipBlanks();
    Integer ampm = -1;
    if (ScanWord(FSettings.TimeAMString) || ScanWord(u"AM") || ScanWord(u"A"))
      ampm = 0;
    else if (ScanWord(FSettings.TimePMString) || ScanWord(u"PM") || ScanWord(u"P"))
      ampm = 1;
    if (ampm >= 0) {
      if (hour < 1 || hour > 12) return false;
      hour %= 12;
      if (ampm == 1) hour += 12;
    }
    if (hour > 23 || min > 59 || sec > 59 || msec > 999) return false;
    return TryEncodeTime(static_cast<Word>(hour), static_cast<Word>(min), static_cast<Word>(sec),
                         static_cast<Word>(msec), Result);
  }

  size_t Pos() const { return FPos; }
  void SetPos(size_t Value) { FPos = Value; }

 private:
  // 'M', 'D' or 'Y' by the first of those letters in ShortDateFormat (outside quotes).
  char DateOrder() const {
    Char quote = 0;
    for (Char c : FSettings.ShortDateFormat) {
      if (quote) {
        if (c == quote) quote = 0;
        continue;
      }
      if (c == u'\'' || c == u'"') quote = c;
      if (c == u'm' || c == u'M') return 'M';
      if (c == u'd' || c == u'D') return 'D';
      if (c == u'y' || c == u'Y') return 'Y';
    }
    return 'M';
  }

  void SkipBlanks() {
    while (FPos < FText.size() && FText[FPos] <= u' ') ++FPos;
  }

  bool ScanNumber(Integer& Value, Integer& Length) {
    SkipBlanks();
    Value = 0;
    Length = 0;
    while (FPos < FText.size() && FText[FPos] >= u'0' && FText[FPos] <= u'9') {
      if (Length >= 9) return false;  // no field needs more
      Value = Value * 10 + (FText[FPos] - u'0');
      ++Length;
      ++FPos;
    }
    return Length > 0;
  }

  bool ScanSeparator(Char Separator) {
    SkipBlanks();
    if (FPos < FText.size() && FText[FPos] == Separator) {
      ++FPos;
      return true;
    }
    return false;
  }

  bool ScanWord(StringView Word) {
    if (Word.empty() || FText.size() - FPos < Word.size()) return false;
    for (size_t i = 0; i < Word.size(); ++i) {
      Char a = FText[FPos + i], b = Word[i];
      if (a >= u'a' && a <= u'z') a = static_cast<Char>(a - 32);
      if (b >= u'a' && b <= u'z') b = static_cast<Char>(b - 32);
      if (a != b) return false;
    }
    FPos += Word.size();
    return true;
  }

  StringView FText;
  const TFormatSettings& FSettings;
  size_t FPos = 0;
};

[[noreturn]] void ParseError(StringView Fmt, StringView Text) { throw EConvertError(Fmt, {String(Text)}); }

// Broken-down local time <-> Unix seconds through the C library's zone rules.
Int64 LocalSecondsToUnix(Int64 LocalSecs) {
  const Int64 days = LocalSecs >= 0 ? LocalSecs / 86400 : (LocalSecs - 86399) / 86400;
  const Int64 rem = LocalSecs - days * 86400;
  Int64 y;
  unsigned m, d;
  CivilFromDays(days, y, m, d);
  tm t{};
  t.tm_year = static_cast<int>(y - 1900);
  t.tm_mon = static_cast<int>(m - 1);
  t.tm_mday = static_cast<int>(d);
  t.tm_hour = static_cast<int>(rem / 3600);
  t.tm_min = static_cast<int>(rem / 60 % 60);
  t.tm_sec = static_cast<int>(rem % 60);
  t.tm_isdst = -1;
  const time_t r = mktime(&t);
  if (r == static_cast<time_t>(-1)) return LocalSecs;  // outside what the zone rules cover: no shift
  // mktime normalises a time in a spring-forward gap; keep the offset it found.
  return static_cast<Int64>(r);
}

Int64 UnixToLocalSeconds(Int64 UnixSecs) {
  const time_t t = static_cast<time_t>(UnixSecs);
  tm local{};
  if (!localtime_r(&t, &local)) return UnixSecs;
  return UnixSecs + local.tm_gmtoff;
}

}  // namespace

// ---- Calendar

bool IsLeapYear(Word Year) { return (Year % 4 == 0 && Year % 100 != 0) || Year % 400 == 0; }

Word DaysInMonth(Word Year, Word Month) {
  if (Month < 1 || Month > 12) return 0;
  return MonthDays[IsLeapYear(Year)][Month - 1];
}

Word DaysInMonth(TDateTime Value) {
  Word y, m, d;
  DecodeDate(Value, y, m, d);
  return DaysInMonth(y, m);
}

bool TryEncodeDate(Word Year, Word Month, Word Day, TDateTime& Result) {
  if (!ValidDate(Year, Month, Day)) return false;
  Result = static_cast<double>(DaysFromCivil(Year, Month, Day) + UnixDateDelta);
  return true;
}

bool TryEncodeTime(Word Hour, Word Min, Word Sec, Word MSec, TDateTime& Result) {
  if (Hour >= HoursPerDay || Min >= MinsPerHour || Sec >= SecsPerMin || MSec >= MSecsPerSec) return false;
  Result = static_cast<double>(((Hour * 60 + Min) * 60 + Sec) * 1000 + MSec) / MSecsPerDay64;
  return true;
}

TDateTime EncodeDate(Word Year, Word Month, Word Day) {
  TDateTime r;
  if (!TryEncodeDate(Year, Month, Day, r)) DateEncodeError();
  return r;
}

TDateTime EncodeTime(Word Hour, Word Min, Word Sec, Word MSec) {
  TDateTime r;
  if (!TryEncodeTime(Hour, Min, Sec, MSec, r)) TimeEncodeError();
  return r;
}

TDateTime ComposeDateTime(TDateTime Date, TDateTime Time) {
  return Date < 0 ? TDateTime(Date - std::fabs(Time.Value)) : TDateTime(Date + std::fabs(Time.Value));
}

bool TryEncodeDateTime(Word Year, Word Month, Word Day, Word Hour, Word Min, Word Sec, Word MSec, TDateTime& Result) {
  TDateTime d, t;
  if (!TryEncodeDate(Year, Month, Day, d) || !TryEncodeTime(Hour, Min, Sec, MSec, t)) return false;
  Result = ComposeDateTime(d, t);
  return true;
}

TDateTime EncodeDateTime(Word Year, Word Month, Word Day, Word Hour, Word Min, Word Sec, Word MSec) {
  const TDateTime d = EncodeDate(Year, Month, Day);
  return ComposeDateTime(d, EncodeTime(Hour, Min, Sec, MSec));
}

void DecodeDate(TDateTime Value, Word& Year, Word& Month, Word& Day) {
  const TStamp s = ToStamp(Value);
  if (!s.Valid) {
    Year = Month = Day = 0;
    return;
  }
  DecodeDay(s.Day, Year, Month, Day);
}

void DecodeTime(TDateTime Value, Word& Hour, Word& Min, Word& Sec, Word& MSec) {
  const TStamp s = ToStamp(Value);
  if (!s.Valid) {
    Hour = Min = Sec = MSec = 0;
    return;
  }
  Hour = static_cast<Word>(s.MSec / 3600000);
  Min = static_cast<Word>(s.MSec / 60000 % 60);
  Sec = static_cast<Word>(s.MSec / 1000 % 60);
  MSec = static_cast<Word>(s.MSec % 1000);
}

void DecodeDateTime(TDateTime Value, Word& Year, Word& Month, Word& Day, Word& Hour, Word& Min, Word& Sec, Word& MSec) {
  DecodeDate(Value, Year, Month, Day);
  DecodeTime(Value, Hour, Min, Sec, MSec);
}

TDateTime Now() {
  const TLocal l = CurrentLocal();
  return FromDayAndMSec(l.Day, l.MSec);
}

TDateTime Date() { return static_cast<double>(CurrentLocal().Day); }

TDateTime Time() { return static_cast<double>(CurrentLocal().MSec) / MSecsPerDay64; }

TDateTime DateOf(TDateTime Value) {
  const TStamp s = ToStamp(Value);
  return static_cast<double>(s.Valid ? s.Day : 0);
}

TDateTime TimeOf(TDateTime Value) {
  const TStamp s = ToStamp(Value);
  return static_cast<double>(s.Valid ? s.MSec : 0) / MSecsPerDay64;
}

Word DayOfWeek(TDateTime Value) {
  const TStamp s = ToStamp(Value);
  // Day 0 (1899-12-30) is a Saturday.
  return static_cast<Word>(((s.Day % 7) + 7 + 6) % 7 + 1);
}

Word DayOfTheWeek(TDateTime Value) {
  const Word d = DayOfWeek(Value);
  return d == 1 ? 7 : static_cast<Word>(d - 1);
}

TDateTime IncMonth(TDateTime Value, Integer NumberOfMonths) {
  const TStamp s = ToStamp(Value);
  if (!s.Valid) DateEncodeError();
  Word y, m, d;
  DecodeDay(s.Day, y, m, d);
  const Int64 months = static_cast<Int64>(y) * 12 + (m - 1) + NumberOfMonths;
  if (months < 12 || months >= 10000 * 12) DateEncodeError();
  const Word ny = static_cast<Word>(months / 12), nm = static_cast<Word>(months % 12 + 1);
  const Word nd = std::min(d, DaysInMonth(ny, nm));
  return ComposeDateTime(EncodeDate(ny, nm, nd), static_cast<double>(s.MSec) / MSecsPerDay64);
}

TDateTime IncYear(TDateTime Value, Integer NumberOfYears) {
  return IncMonth(Value, static_cast<Integer>(std::clamp<Int64>(Int64(NumberOfYears) * 12, INT32_MIN, INT32_MAX)));
}

TDateTime IncDay(TDateTime Value, Integer NumberOfDays) {
  return MillisecondsToDateTime(DateTimeToMilliseconds(Value) + Int64(NumberOfDays) * MSecsPerDay64);
}

TDateTime StartOfTheWeek(TDateTime Value) {
  const TStamp s = ToStamp(Value);
  return static_cast<double>(s.Day - (DayOfTheWeek(Value) - 1));
}

TDateTime StartOfTheMonth(TDateTime Value) {
  Word y, m, d;
  DecodeDate(Value, y, m, d);
  return EncodeDate(y, m, 1);
}

TDateTime StartOfTheYear(TDateTime Value) {
  Word y, m, d;
  DecodeDate(Value, y, m, d);
  return EncodeDate(y, 1, 1);
}

Int64 DateTimeToMilliseconds(TDateTime Value) {
  const TStamp s = ToStamp(Value);
  return s.Day * MSecsPerDay64 + s.MSec;
}

TDateTime MillisecondsToDateTime(Int64 Value) {
  Int64 day = Value / MSecsPerDay64, msec = Value % MSecsPerDay64;
  if (msec < 0) {
    --day;
    msec += MSecsPerDay64;
  }
  return FromDayAndMSec(day, msec);
}

Int64 MilliSecondsBetween(TDateTime A, TDateTime B) {
  return std::llabs(DateTimeToMilliseconds(A) - DateTimeToMilliseconds(B));
}

Int64 SecondsBetween(TDateTime A, TDateTime B) { return MilliSecondsBetween(A, B) / 1000; }

// ---- Text

String FormatDateTime(StringView Format, TDateTime Value, const TFormatSettings& Settings) {
  return TDateFormatter(Value, Settings).Run(Format);
}
String FormatDateTime(StringView Format, TDateTime Value) { return FormatDateTime(Format, Value, FormatSettings); }

String DateToStr(TDateTime Value, const TFormatSettings& Settings) { return FormatDateTime(u"ddddd", Value, Settings); }
String DateToStr(TDateTime Value) { return DateToStr(Value, FormatSettings); }
String TimeToStr(TDateTime Value, const TFormatSettings& Settings) { return FormatDateTime(u"tt", Value, Settings); }
String TimeToStr(TDateTime Value) { return TimeToStr(Value, FormatSettings); }
String DateTimeToStr(TDateTime Value, const TFormatSettings& Settings) { return FormatDateTime(u"c", Value, Settings); }
String DateTimeToStr(TDateTime Value) { return DateTimeToStr(Value, FormatSettings); }

namespace {

// Text is one date or one time as Scan reads it, and nothing else.
bool TryScanWhole(StringView Text, TDateTime& Value, const TFormatSettings& Settings,
                  bool (TDateScanner::*Scan)(TDateTime&)) {
  TDateScanner scanner(Text, Settings);
  TDateTime r;
  if (!(scanner.*Scan)(r) || !scanner.AtEnd()) return false;
  Value = r;
  return true;
}

// The raising form of a TryStrTo* reader; Message names what Text is not.
TDateTime ConvertOrRaise(StringView Text, const TFormatSettings& Settings,
                         bool (*Try)(StringView, TDateTime&, const TFormatSettings&), StringView Message) {
  TDateTime r;
  if (!Try(Text, r, Settings)) ParseError(Message, Text);
  return r;
}

}  // namespace

bool TryStrToDate(StringView Text, TDateTime& Value, const TFormatSettings& Settings) {
  return TryScanWhole(Text, Value, Settings, &TDateScanner::ScanDate);
}
bool TryStrToDate(StringView Text, TDateTime& Value) { return TryStrToDate(Text, Value, FormatSettings); }
TDateTime StrToDate(StringView Text, const TFormatSettings& Settings) {
  return ConvertOrRaise(Text, Settings, TryStrToDate, u"'%s' is not a valid date");
}
TDateTime StrToDate(StringView Text) { return StrToDate(Text, FormatSettings); }

bool TryStrToTime(StringView Text, TDateTime& Value, const TFormatSettings& Settings) {
  return TryScanWhole(Text, Value, Settings, &TDateScanner::ScanTime);
}
bool TryStrToTime(StringView Text, TDateTime& Value) { return TryStrToTime(Text, Value, FormatSettings); }
TDateTime StrToTime(StringView Text, const TFormatSettings& Settings) {
  return ConvertOrRaise(Text, Settings, TryStrToTime, u"'%s' is not a valid time");
}
TDateTime StrToTime(StringView Text) { return StrToTime(Text, FormatSettings); }

bool TryStrToDateTime(StringView Text, TDateTime& Value, const TFormatSettings& Settings) {
  TDateScanner scanner(Text, Settings);
  TDateTime d, t;
  if (scanner.ScanDate(d)) {
    if (scanner.AtEnd()) {
      Value = d;
      return true;
    }
    if (!scanner.ScanTime(t) || !scanner.AtEnd()) return false;
    Value = ComposeDateTime(d, t);
    return true;
  }
  return TryStrToTime(Text, Value, Settings);
}
bool TryStrToDateTime(StringView Text, TDateTime& Value) { return TryStrToDateTime(Text, Value, FormatSettings); }
TDateTime StrToDateTime(StringView Text, const TFormatSettings& Settings) {
  return ConvertOrRaise(Text, Settings, TryStrToDateTime, u"'%s' is not a valid date and time");
}
TDateTime StrToDateTime(StringView Text) { return StrToDateTime(Text, FormatSettings); }

// ---- Time zones, Unix and file times

TDateTime LocalTimeToUniversal(TDateTime Value) {
  const Int64 ms = DateTimeToMilliseconds(Value) - Int64(UnixDateDelta) * MSecsPerDay64;
  const Int64 secs = ms >= 0 ? ms / 1000 : (ms - 999) / 1000;
  const Int64 shift = (LocalSecondsToUnix(secs) - secs) * 1000;
  return MillisecondsToDateTime(DateTimeToMilliseconds(Value) + shift);
}

TDateTime UniversalTimeToLocal(TDateTime Value) {
  const Int64 ms = DateTimeToMilliseconds(Value) - Int64(UnixDateDelta) * MSecsPerDay64;
  const Int64 secs = ms >= 0 ? ms / 1000 : (ms - 999) / 1000;
  const Int64 shift = (UnixToLocalSeconds(secs) - secs) * 1000;
  return MillisecondsToDateTime(DateTimeToMilliseconds(Value) + shift);
}

Int64 DateTimeToUnix(TDateTime Value, bool InputIsUTC) {
  if (!InputIsUTC) Value = LocalTimeToUniversal(Value);
  const Int64 ms = DateTimeToMilliseconds(Value) - Int64(UnixDateDelta) * MSecsPerDay64;
  return ms >= 0 ? ms / 1000 : (ms - 999) / 1000;
}

TDateTime UnixToDateTime(Int64 Value, bool ReturnUTC) {
  // Beyond the valid range the result is clamped rather than overflowing.
  const Int64 limit = (MaxDay + 1) * Int64(SecsPerDay);
  Value = std::clamp<Int64>(Value, -limit, limit);
  const TDateTime utc = MillisecondsToDateTime(Value * 1000 + Int64(UnixDateDelta) * MSecsPerDay64);
  return ReturnUTC ? utc : UniversalTimeToLocal(utc);
}

UInt64 DateTimeToFileTime(TDateTime Value) {
  const Int64 ms = DateTimeToMilliseconds(Value) - FileTimeEpochDay * MSecsPerDay64;
  return ms <= 0 ? 0 : static_cast<UInt64>(ms) * FileTicksPerMSec;
}

TDateTime FileTimeToDateTime(UInt64 FileTime) {
  const UInt64 ms = FileTime / FileTicksPerMSec;
  const UInt64 maxMs = static_cast<UInt64>((MaxDay + 1 - FileTimeEpochDay) * MSecsPerDay64);
  if (ms >= maxMs)
    throw EConvertError(u"File time " + AsciiToString(std::to_string(FileTime)) + u" is beyond the last valid date");
  return MillisecondsToDateTime(static_cast<Int64>(ms) + FileTimeEpochDay * MSecsPerDay64);
}

Integer DateTimeToFileDate(TDateTime Value) {
  Word y, m, d, h, n, s, ms;
  DecodeDateTime(Value, y, m, d, h, n, s, ms);
  if (y < 1980 || y > 2107) return 0;
  const UInt64 date = (UInt64(y - 1980) << 9) | (UInt64(m) << 5) | d;
  const UInt64 time = (UInt64(h) << 11) | (UInt64(n) << 5) | (s >> 1);
  return static_cast<Integer>(static_cast<Cardinal>((date << 16) | time));
}

bool TryFileDateToDateTime(Integer FileDate, TDateTime& Value) {
  const Cardinal v = static_cast<Cardinal>(FileDate);
  const Word date = static_cast<Word>(v >> 16), time = static_cast<Word>(v);
  TDateTime d, t;
  if (!TryEncodeDate(static_cast<Word>((date >> 9) + 1980), (date >> 5) & 15, date & 31, d) ||
      !TryEncodeTime(time >> 11, (time >> 5) & 63, static_cast<Word>((time & 31) * 2), 0, t))
    return false;
  Value = ComposeDateTime(d, t);
  return true;
}

TDateTime FileDateToDateTime(Integer FileDate) {
  TDateTime r;
  if (!TryFileDateToDateTime(FileDate, r))
    throw EConvertError(u"Invalid DOS date and time value " +
                        AsciiToString(std::to_string(static_cast<Cardinal>(FileDate))));
  return r;
}

bool QueryPerformanceCounter(Int64& Counter) {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  Counter = static_cast<Int64>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
  return true;
}

bool QueryPerformanceFrequency(Int64& Frequency) {
  Frequency = 1000000000;
  return true;
}
