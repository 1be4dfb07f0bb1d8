#pragma once
// Calendar arithmetic on TDateTime values: month and year steps that clamp the day of the month, the
// start of a week by the locale's first day of the week, and local time <-> UTC.

#include <array>

#include "rtl/RTL.DateTime.h"

class TZCLDateUtils {
 public:
  // 0 Monday, 1 Tuesday ... 6 Sunday.
  static Byte GetFirstDayOfWeek() { return FFirstDayOfWeek; }
  // The seven day indices in display order, starting with the first day of the week.
  static const std::array<Byte, 7>& GetDayOrder() { return FDayOrder; }
  // Values above 6 are taken modulo 7.
  static void SetFirstDayOfWeek(Byte Value);
  // Chooses the first day of the week from GetCalendarType; called at unit initialisation.
  static void Initialize();

  // Midnight of the latest day on or before DateTime that is the first day of the week.
  static TDateTime StartOfTheWeek(TDateTime DateTime);
  static TDateTime StartOfTheMonth(TDateTime DateTime);
  static TDateTime StartOfTheYear(TDateTime DateTime);
  static TDateTime IncDay(TDateTime DateTime, Integer Days);
  // Day 0 keeps the day of DateTime; the day is clamped to the length of the resulting month and
  // the time of day is kept. EConvertError when the year leaves 1..9999.
  static TDateTime IncMonth(TDateTime DateTime, Integer Months, Byte Day = 0);
  static TDateTime IncYear(TDateTime DateTime, Integer Years, Byte Day = 0);
  static TDateTime LocalToUniversal(TDateTime DateTime);
  static TDateTime UniversalToLocal(TDateTime DateTime);

 private:
  static inline Byte FFirstDayOfWeek = 0;
  static inline std::array<Byte, 7> FDayOrder = {0, 1, 2, 3, 4, 5, 6};
};

// The calling thread's locale's calendar type: 2 when its week starts on Sunday, 10 when on
// Saturday, 1 (Gregorian) otherwise.
Integer GetCalendarType();
