#include "zcl/base/ZCL.Utils.Date.h"

#include <langinfo.h>
#include <locale.h>

#include <algorithm>

#include "rtl/RTL.DateTime.h"

void TZCLDateUtils::SetFirstDayOfWeek(Byte Value) {
  FFirstDayOfWeek = static_cast<Byte>(Value % 7);
  for (int i = 0; i < 7; ++i) FDayOrder[i] = static_cast<Byte>((FFirstDayOfWeek + i) % 7);
}

void TZCLDateUtils::Initialize() {
  switch (GetCalendarType()) {
    case 2:  // Gregorian, United States
    case 6:  // Hijri
      SetFirstDayOfWeek(6);
      break;
    case 10:  // Gregorian, Arabic
      SetFirstDayOfWeek(5);
      break;
    default:
      SetFirstDayOfWeek(0);
  }
}

TDateTime TZCLDateUtils::StartOfTheWeek(TDateTime DateTime) {
  // Shift so that the first day of the week falls on a Monday, take the Monday, shift back.
  const Integer offset = (7 - FFirstDayOfWeek) % 7;
  return ::StartOfTheWeek(DateTime + offset) - offset;
}

TDateTime TZCLDateUtils::StartOfTheMonth(TDateTime DateTime) { return ::StartOfTheMonth(DateTime); }

TDateTime TZCLDateUtils::StartOfTheYear(TDateTime DateTime) { return ::StartOfTheYear(DateTime); }

TDateTime TZCLDateUtils::IncDay(TDateTime DateTime, Integer Days) { return DateTime + Days; }

namespace {
// Year and month come in unbounded, so a far step reaches EncodeDate's range check instead of
// wrapping around in a Word.
TDateTime EncodeClamped(Int64 Year, Int64 Month, Word Day, TDateTime TimeSource) {
  const Word year = (Year < 1 || Year > 9999) ? 0 : static_cast<Word>(Year);
  const Word month = static_cast<Word>(Month);
  const Word day = year == 0 ? Day : std::min(Day, DaysInMonth(year, month));
  return ComposeDateTime(EncodeDate(year, month, day), TimeOf(TimeSource));
}
}  // namespace

TDateTime TZCLDateUtils::IncMonth(TDateTime DateTime, Integer Months, Byte Day) {
  Word y, m, d;
  DecodeDate(DateTime, y, m, d);
  if (Day != 0) d = Day;
  const Int64 total = Int64(y) * 12 + (m - 1) + Months;
  const Int64 year = total >= 0 ? total / 12 : (total - 11) / 12;
  return EncodeClamped(year, total - year * 12 + 1, d, DateTime);
}

TDateTime TZCLDateUtils::IncYear(TDateTime DateTime, Integer Years, Byte Day) {
  Word y, m, d;
  DecodeDate(DateTime, y, m, d);
  if (Day != 0) d = Day;
  return EncodeClamped(Int64(y) + Years, m, d, DateTime);
}

// Time zones come from the C library (TZ and the system's zone database), through the run-time
// library's conversions.
TDateTime TZCLDateUtils::LocalToUniversal(TDateTime DateTime) { return LocalTimeToUniversal(DateTime); }

TDateTime TZCLDateUtils::UniversalToLocal(TDateTime DateTime) { return UniversalTimeToLocal(DateTime); }

Integer GetCalendarType() {
  // There are no calendar types here; the first weekday of the environment's LC_TIME locale picks
  // the type that stands for it. _NL_TIME_FIRST_WEEKDAY counts from the week-one day, a Sunday in
  // every locale glibc ships (1 Sunday ... 7 Saturday).
  int day = 2;
  if (locale_t loc = newlocale(LC_TIME_MASK, "", locale_t(nullptr))) {
    day = static_cast<unsigned char>(nl_langinfo_l(_NL_TIME_FIRST_WEEKDAY, loc)[0]);
    freelocale(loc);
  }
  if (day == 1) return 2;
  if (day == 7) return 10;
  return 1;
}
