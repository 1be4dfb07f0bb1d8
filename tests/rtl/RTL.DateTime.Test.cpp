#include "rtl/RTL.DateTime.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <cmath>
#include <string>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.FormatSettings.h"

namespace {
TFormatSettings German() {
  TFormatSettings s = TFormatSettings::Invariant();
  s.DateSeparator = u'.';
  s.DecimalSeparator = u',';
  s.ShortDateFormat = u"dd/MM/yyyy";
  s.LongTimeFormat = u"hh:nn:ss";
  return s;
}

std::string Narrow(const String& s) { return StringToUTF8(s); }

// Sets TZ for one test and restores it.
class TZoneScope {
 public:
  explicit TZoneScope(const char* Zone) {
    if (const char* old = getenv("TZ")) FOld = old, FHad = true;
    setenv("TZ", Zone, 1);
    tzset();
  }
  ~TZoneScope() {
    if (FHad)
      setenv("TZ", FOld.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

 private:
  std::string FOld;
  bool FHad = false;
};
}  // namespace

TEST(DateTime, EncodeLimitsAndErrors) {
  struct {
    Word y, m, d;
    bool valid;
    double value;
  } dates[] = {
      {1899, 12, 30, true, 0},      {1900, 1, 1, true, 2},         {2000, 2, 29, true, 36585},
      {1, 1, 1, true, MinDateTime}, {9999, 12, 31, true, 2958465}, {1970, 1, 1, true, UnixDateDelta},
      {1900, 2, 29, false, 0},      {2023, 2, 29, false, 0},       {2024, 2, 30, false, 0},
      {0, 1, 1, false, 0},          {10000, 1, 1, false, 0},       {2024, 0, 1, false, 0},
      {2024, 13, 1, false, 0},      {2024, 4, 31, false, 0},       {2024, 1, 0, false, 0},
  };
  for (const auto& c : dates) {
    TDateTime r;
    EXPECT_EQ(TryEncodeDate(c.y, c.m, c.d, r), c.valid) << c.y << "-" << c.m << "-" << c.d;
    if (c.valid)
      EXPECT_EQ(r.Value, c.value) << c.y << "-" << c.m << "-" << c.d;
    else
      EXPECT_THROW(
          try { EncodeDate(c.y, c.m, c.d); } catch (const EConvertError& e) {
            EXPECT_EQ(e.GetMessage(), u"Invalid argument to date encode");
            throw;
          },
          EConvertError);
  }
  EXPECT_DOUBLE_EQ(EncodeTime(12, 0, 0, 0), 0.5);
  EXPECT_DOUBLE_EQ(EncodeTime(23, 59, 59, 999), (MSecsPerDay - 1.0) / MSecsPerDay);
  for (auto t : {std::array<Word, 4>{24, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 60, 0}, {0, 0, 0, 1000}}) {
    TDateTime r;
    EXPECT_FALSE(TryEncodeTime(t[0], t[1], t[2], t[3], r));
    try {
      EncodeTime(t[0], t[1], t[2], t[3]);
      ADD_FAILURE();
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.GetMessage(), u"Invalid argument to time encode");
    }
  }
  EXPECT_TRUE(IsLeapYear(2000) && IsLeapYear(2024) && !IsLeapYear(1900) && !IsLeapYear(2100));
  EXPECT_EQ(DaysInMonth(2024, 2), 29);
  EXPECT_EQ(DaysInMonth(2100, 2), 28);
  EXPECT_EQ(DaysInMonth(2024, 12), 31);
  EXPECT_EQ(DaysInMonth(2024, 13), 0);
}

TEST(DateTime, DecodeRoundTripsAcrossTheEpoch) {
  struct {
    Word y, m, d, h, n, s, ms;
  } cases[] = {
      {1899, 12, 30, 0, 0, 0, 0},      {1899, 12, 29, 6, 0, 0, 0},     {1899, 12, 31, 23, 59, 59, 999},
      {1, 1, 1, 0, 0, 0, 1},           {1600, 2, 29, 18, 30, 0, 0},    {1899, 12, 30, 6, 0, 0, 0},
      {9999, 12, 31, 23, 59, 59, 999}, {2024, 2, 29, 12, 34, 56, 789}, {1970, 1, 1, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    const TDateTime v = EncodeDateTime(c.y, c.m, c.d, c.h, c.n, c.s, c.ms);
    Word y, m, d, h, n, s, ms;
    DecodeDateTime(v, y, m, d, h, n, s, ms);
    EXPECT_EQ((std::array<Word, 7>{y, m, d, h, n, s, ms}), (std::array<Word, 7>{c.y, c.m, c.d, c.h, c.n, c.s, c.ms}))
        << v.Value;
    EXPECT_EQ(MillisecondsToDateTime(DateTimeToMilliseconds(v)).Value, v.Value);
  }
  // Before the epoch the day is the part toward zero and the time the absolute fraction.
  Word y, m, d, h, n, s, ms;
  DecodeDateTime(-1.25, y, m, d, h, n, s, ms);
  EXPECT_EQ((std::array<Word, 5>{y, m, d, h, n}), (std::array<Word, 5>{1899, 12, 29, 6, 0}));
  EXPECT_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0, 0).Value, -1.25);
  // The straight time line runs forward through the epoch.
  EXPECT_EQ(DateTimeToMilliseconds(-1.75), -MSecsPerDay / 4);
  EXPECT_EQ(DateTimeToMilliseconds(-1.25), -MSecsPerDay * 3 / 4);
  // A hair below midnight is midnight of the next day.
  DecodeDateTime(1.0 - 1e-12, y, m, d, h, n, s, ms);
  EXPECT_EQ((std::array<Word, 4>{d, h, n, s}), (std::array<Word, 4>{31, 0, 0, 0}));
  // Values outside the calendar decode to zeros, never to garbage.
  for (double bad : {double(NAN), double(INFINITY), -1e9, 3e6}) {
    DecodeDate(bad, y, m, d);
    EXPECT_EQ(y + m + d, 0) << bad;
  }
}

TEST(DateTime, WeekdaysAndMonthArithmetic) {
  EXPECT_EQ(DayOfWeek(EncodeDate(2024, 3, 3)), 1);  // a Sunday
  EXPECT_EQ(DayOfWeek(0.0), 7);                     // 1899-12-30 was a Saturday
  EXPECT_EQ(DayOfWeek(EncodeDate(1899, 12, 25)), 2);
  EXPECT_EQ(DayOfTheWeek(EncodeDate(2024, 3, 3)), 7);

  struct {
    TDateTime from;
    Integer months;
    TDateTime to;
  } cases[] = {
      {EncodeDate(2024, 1, 31), 1, EncodeDate(2024, 2, 29)},
      {EncodeDate(2023, 1, 31), 1, EncodeDate(2023, 2, 28)},
      {EncodeDate(2024, 3, 15), -3, EncodeDate(2023, 12, 15)},
      {EncodeDate(2024, 3, 15), 12, EncodeDate(2025, 3, 15)},
      {EncodeDate(2024, 3, 31), -1, EncodeDate(2024, 2, 29)},
      {EncodeDateTime(2024, 5, 31, 7, 30, 0, 0), 1, EncodeDateTime(2024, 6, 30, 7, 30, 0, 0)},
      {EncodeDateTime(1899, 11, 29, 6, 0, 0, 0), 1, EncodeDateTime(1899, 12, 29, 6, 0, 0, 0)},
  };
  for (const auto& c : cases) EXPECT_EQ(IncMonth(c.from, c.months).Value, c.to.Value) << c.from.Value;
  EXPECT_EQ(IncYear(EncodeDate(2024, 2, 29)).Value, EncodeDate(2025, 2, 28).Value);
  EXPECT_THROW(IncMonth(EncodeDate(9999, 12, 1), 1), EConvertError);
  EXPECT_THROW(IncMonth(EncodeDate(1, 1, 1), -1), EConvertError);
  EXPECT_EQ(IncDay(EncodeDateTime(1899, 12, 30, 6, 0, 0, 0), -1).Value, EncodeDateTime(1899, 12, 29, 6, 0, 0, 0).Value);

  EXPECT_EQ(StartOfTheWeek(EncodeDateTime(2024, 3, 3, 15, 0, 0, 0)).Value, EncodeDate(2024, 2, 26).Value);
  EXPECT_EQ(StartOfTheWeek(EncodeDate(2024, 2, 26)).Value, EncodeDate(2024, 2, 26).Value);
  EXPECT_EQ(StartOfTheMonth(EncodeDateTime(2024, 3, 17, 1, 0, 0, 0)).Value, EncodeDate(2024, 3, 1).Value);
  EXPECT_EQ(StartOfTheYear(EncodeDate(2024, 3, 17)).Value, EncodeDate(2024, 1, 1).Value);
  EXPECT_EQ(MilliSecondsBetween(EncodeTime(1, 0, 0, 0), EncodeTime(1, 0, 1, 500)), 1500);
}

TEST(DateTime, FormatPatterns) {
  const TFormatSettings inv = TFormatSettings::Invariant();
  const TDateTime v = EncodeDateTime(2024, 3, 5, 14, 7, 9, 45);
  struct {
    const char16_t* pattern;
    const char16_t* expected;
  } cases[] = {
      {u"yyyy.MM.dd hh:mm:ss.zzz", u"2024.03.05 14:07:09.045"},
      {u"(dd.MM.yyyy)", u"(05.03.2024)"},
      {u"yyyy-mm-dd'T'hh:mm:ss.zzz", u"2024-03-05T14:07:09.045"},
      {u"hh:nn", u"14:07"},
      {u"d/m/yy", u"5/3/24"},
      {u"ddd dddd mmm mmmm", u"Tue Tuesday Mar March"},
      {u"h:n:s z", u"14:7:9 45"},
      {u"h:mm am/pm", u"2:07 pm"},
      {u"hh AM/PM", u"02 PM"},
      {u"h a/p", u"2 p"},
      {u"h ampm", u"2 PM"},
      {u"\"yyyy\" yyyy", u"yyyy 2024"},
      {u"c", u"03/05/2024 14:07:09"},
      {u"", u"03/05/2024 14:07:09"},
      {u"ddddd t", u"03/05/2024 14:07"},
      {u"mm", u"03"},          // a month when no hour precedes
      {u"hh'h'mm", u"14h07"},  // quoted text keeps the hour context
      {u"'unterminated", u"unterminated"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatDateTime(c.pattern, v, inv), c.expected) << Narrow(c.pattern);
  EXPECT_EQ(FormatDateTime(u"h:nn am/pm", EncodeTime(0, 5, 0, 0), inv), u"12:05 am");
  EXPECT_EQ(FormatDateTime(u"h:nn am/pm", EncodeTime(12, 5, 0, 0), inv), u"12:05 pm");
  // Midnight leaves out the time; separators come from the settings.
  EXPECT_EQ(DateTimeToStr(EncodeDate(2024, 3, 5), German()), u"05.03.2024");
  EXPECT_EQ(DateTimeToStr(v, German()), u"05.03.2024 14:07:09");
  EXPECT_EQ(DateToStr(v, inv), u"03/05/2024");
  EXPECT_EQ(TimeToStr(v, inv), u"14:07:09");
  // A settings format that refers to itself does not recurse forever.
  TFormatSettings loop = inv;
  loop.ShortDateFormat = u"ddddd";
  EXPECT_EQ(FormatDateTime(u"ddddd", v, loop), u"");
}

TEST(DateTime, ParseDatesAndTimes) {
  const TFormatSettings inv = TFormatSettings::Invariant();
  const TFormatSettings de = German();
  EXPECT_EQ(StrToDate(u"03/05/2024", inv).Value, EncodeDate(2024, 3, 5).Value);
  EXPECT_EQ(StrToDate(u" 5.3.2024 ", de).Value, EncodeDate(2024, 3, 5).Value);
  TFormatSettings iso = inv;
  iso.ShortDateFormat = u"yyyy/MM/dd";
  iso.DateSeparator = u'-';
  EXPECT_EQ(StrToDate(u"2024-03-05", iso).Value, EncodeDate(2024, 3, 5).Value);
  // The editors' date-time form: what it formats it reads back.
  TFormatSettings edit = inv;
  edit.ShortDateFormat = u"yyyy.MM.dd";
  edit.LongTimeFormat = u"hh:mm:ss";
  edit.DateSeparator = u'.';
  const TDateTime stamp = EncodeDateTime(2024, 3, 5, 14, 7, 9, 0);
  EXPECT_EQ(DateTimeToStr(stamp, edit), u"2024.03.05 14:07:09");
  EXPECT_EQ(StrToDateTime(DateTimeToStr(stamp, edit), edit).Value, stamp.Value);
  EXPECT_EQ(StrToTime(u"14:07", inv).Value, EncodeTime(14, 7, 0, 0).Value);
  EXPECT_EQ(StrToTime(u"2:07:09 pm", inv).Value, EncodeTime(14, 7, 9, 0).Value);
  EXPECT_EQ(StrToTime(u"12:00 AM", inv).Value, 0.0);
  EXPECT_EQ(StrToTime(u"14:07:09.045", inv).Value, EncodeTime(14, 7, 9, 45).Value);
  EXPECT_EQ(StrToDateTime(u"05.03.2024 14:07:09", de).Value, EncodeDateTime(2024, 3, 5, 14, 7, 9, 0).Value);
  EXPECT_EQ(StrToDateTime(u"05.03.2024", de).Value, EncodeDate(2024, 3, 5).Value);

  // A two-digit year falls within the century window around the current year.
  Word thisYear, m, d;
  DecodeDate(Now(), thisYear, m, d);
  TDateTime r;
  ASSERT_TRUE(TryStrToDate(u"1/1/" + AsciiToString(std::to_string(thisYear % 100)), r, inv));
  EXPECT_EQ(StartOfTheYear(r).Value, EncodeDate(thisYear, 1, 1).Value);
  // Day and month alone take the current year.
  ASSERT_TRUE(TryStrToDate(u"2/1", r, inv));
  EXPECT_EQ(r.Value, EncodeDate(thisYear, 2, 1).Value);

  for (const char16_t* bad : {u"", u"13/01/2024", u"02/30/2024", u"1/2/3/4", u"01/01/2024x", u"abc", u"99999999999/1/1",
                              u"01/01/10000", u"65537/1/2024", u"1/65537/2024", u"1/1/67535"})
    EXPECT_FALSE(TryStrToDate(bad, r, inv)) << Narrow(bad);
  for (const char16_t* bad : {u"24:00", u"12:60", u"13:00 pm", u"1:2:3:4", u"12:", u":30"})
    EXPECT_FALSE(TryStrToTime(bad, r, inv)) << Narrow(bad);
  try {
    StrToDate(u"soon", inv);
    ADD_FAILURE();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.GetMessage(), u"'soon' is not a valid date");
  }
  EXPECT_THROW(StrToDateTime(u"05.03.2024 noon", de), EConvertError);
}

TEST(DateTime, FileDosAndUnixTimes) {
  // DOS packed date-time keeps two-second resolution and the years 1980..2107.
  const TDateTime v = EncodeDateTime(2024, 3, 5, 14, 7, 9, 500);
  const Integer packed = DateTimeToFileDate(v);
  EXPECT_EQ(static_cast<Cardinal>(packed), (44u << 25) | (3u << 21) | (5u << 16) | (14u << 11) | (7u << 5) | 4u);
  EXPECT_EQ(FileDateToDateTime(packed).Value, EncodeDateTime(2024, 3, 5, 14, 7, 8, 0).Value);
  EXPECT_EQ(DateTimeToFileDate(EncodeDate(1979, 12, 31)), 0);
  EXPECT_EQ(DateTimeToFileDate(EncodeDate(2108, 1, 1)), 0);
  EXPECT_EQ(FileDateToDateTime(DateTimeToFileDate(EncodeDateTime(2107, 12, 31, 23, 59, 58, 0))).Value,
            EncodeDateTime(2107, 12, 31, 23, 59, 58, 0).Value);
  TDateTime r;
  for (Cardinal bad : {0u, (44u << 25) | (13u << 21) | (1u << 16), (44u << 25) | (1u << 21) | (1u << 16) | (24u << 11),
                       (44u << 25) | (2u << 21) | (30u << 16)})
    EXPECT_FALSE(TryFileDateToDateTime(static_cast<Integer>(bad), r)) << std::hex << bad;
  EXPECT_THROW(FileDateToDateTime(0), EConvertError);

  // File times: 100 ns since 1601-01-01.
  EXPECT_EQ(DateTimeToFileTime(EncodeDate(1601, 1, 1)), 0u);
  EXPECT_EQ(DateTimeToFileTime(EncodeDate(1970, 1, 1)), 116444736000000000u);
  EXPECT_EQ(DateTimeToFileTime(EncodeDate(1500, 1, 1)), 0u);
  for (TDateTime t : {EncodeDate(1601, 1, 1), EncodeDateTime(1899, 12, 29, 6, 0, 0, 1), v,
                      EncodeDateTime(9999, 12, 31, 23, 59, 59, 999)})
    EXPECT_EQ(FileTimeToDateTime(DateTimeToFileTime(t)).Value, t.Value) << t.Value;
  EXPECT_THROW(FileTimeToDateTime(UINT64_MAX), EConvertError);

  EXPECT_EQ(DateTimeToUnix(EncodeDate(1970, 1, 2)), 86400);
  EXPECT_EQ(DateTimeToUnix(EncodeDateTime(1969, 12, 31, 23, 59, 59, 500)), -1);
  EXPECT_EQ(UnixToDateTime(1709647629).Value, EncodeDateTime(2024, 3, 5, 14, 7, 9, 0).Value);
  EXPECT_EQ(UnixToDateTime(-86400).Value, EncodeDate(1969, 12, 31).Value);
}

TEST(DateTime, LocalAndUniversalFollowTheZone) {
  {
    TZoneScope zone("XST-3");  // three hours east of UTC, no daylight saving
    const TDateTime utc = EncodeDateTime(2024, 3, 5, 22, 0, 0, 0);
    EXPECT_EQ(UniversalTimeToLocal(utc).Value, EncodeDateTime(2024, 3, 6, 1, 0, 0, 0).Value);
    EXPECT_EQ(LocalTimeToUniversal(EncodeDateTime(2024, 3, 6, 1, 0, 0, 0)).Value, utc.Value);
    EXPECT_EQ(DateTimeToUnix(EncodeDate(1970, 1, 1), false), -3 * 3600);
    EXPECT_EQ(UnixToDateTime(0, false).Value, EncodeDateTime(1970, 1, 1, 3, 0, 0, 0).Value);
  }
  {
    // Daylight saving from the last Sunday of March to the last Sunday of October.
    TZoneScope zone("CET-1CEST,M3.5.0,M10.5.0/3");
    EXPECT_EQ(UniversalTimeToLocal(EncodeDateTime(2024, 7, 1, 12, 0, 0, 0)).Value,
              EncodeDateTime(2024, 7, 1, 14, 0, 0, 0).Value);
    EXPECT_EQ(UniversalTimeToLocal(EncodeDateTime(2024, 1, 1, 12, 0, 0, 0)).Value,
              EncodeDateTime(2024, 1, 1, 13, 0, 0, 0).Value);
    EXPECT_EQ(LocalTimeToUniversal(EncodeDateTime(2024, 7, 1, 14, 0, 0, 0)).Value,
              EncodeDateTime(2024, 7, 1, 12, 0, 0, 0).Value);
  }
}

TEST(DateTime, ClocksAreConsistent) {
  const TDateTime now = Now();
  EXPECT_NEAR(now.Value, Date().Value + Time().Value, 1.0 / 24);  // generous: the calls straddle no hour
  EXPECT_EQ(TimeOf(now).Value + DateOf(now).Value, now.Value);
  Int64 a, b, f;
  ASSERT_TRUE(QueryPerformanceFrequency(f));
  EXPECT_EQ(f, 1000000000);
  QueryPerformanceCounter(a);
  QueryPerformanceCounter(b);
  EXPECT_GE(b, a);
}
