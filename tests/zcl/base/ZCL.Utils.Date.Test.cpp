#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "rtl/RTL.DateTime.h"
#include "rtl/RTL.Exceptions.h"
#include "zcl/base/ZCL.Utils.Date.h"

namespace {

// Restores the first day of the week the unit initialisation chose.
class DateUtilsTest : public ::testing::Test {
 protected:
  void TearDown() override { TZCLDateUtils::SetFirstDayOfWeek(FSaved); }
  Byte FSaved = TZCLDateUtils::GetFirstDayOfWeek();
};

// Sets TZ for one test and puts the old value back afterwards.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* Zone) {
    if (const char* old = std::getenv("TZ")) FOld = old;
    setenv("TZ", Zone, 1);
    tzset();
  }
  ~ScopedTimeZone() {
    if (FOld)
      setenv("TZ", FOld->c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

 private:
  std::optional<std::string> FOld;
};

TDateTime At(Word Y, Word M, Word D, Word H = 0, Word N = 0, Word S = 0) { return EncodeDateTime(Y, M, D, H, N, S, 0); }

TEST_F(DateUtilsTest, IncMonthClampsTheDayAndKeepsTheTime) {
  struct Case {
    TDateTime From;
    Integer Months;
    Byte Day;
    TDateTime Expected;
  } cases[] = {
      {At(2023, 1, 31, 13, 45, 10), 1, 0, At(2023, 2, 28, 13, 45, 10)},
      {At(2024, 1, 31, 13, 45, 10), 1, 0, At(2024, 2, 29, 13, 45, 10)},
      {At(2024, 3, 15, 8), -3, 0, At(2023, 12, 15, 8)},
      {At(2024, 3, 15, 8), 12, 0, At(2025, 3, 15, 8)},
      {At(2024, 3, 15), -15, 0, At(2022, 12, 15)},
      {At(2024, 3, 15), 1, 31, At(2024, 4, 30)},
      {At(2024, 3, 15), 0, 1, At(2024, 3, 1)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DateTimeToMilliseconds(TZCLDateUtils::IncMonth(c.From, c.Months, c.Day)),
              DateTimeToMilliseconds(c.Expected))
        << StringToUTF8(DateTimeToStr(c.From)) << " + " << c.Months << " months, day " << int(c.Day);
  }
}

TEST_F(DateUtilsTest, IncYearClampsTheLeapDay) {
  EXPECT_EQ(TZCLDateUtils::IncYear(At(2024, 2, 29, 6), 1), At(2025, 2, 28, 6));
  EXPECT_EQ(TZCLDateUtils::IncYear(At(2024, 2, 29, 6), 4), At(2028, 2, 29, 6));
  EXPECT_EQ(TZCLDateUtils::IncYear(At(2023, 2, 10), 1, 30), At(2024, 2, 29));
  EXPECT_EQ(TZCLDateUtils::IncDay(At(2023, 12, 31, 23), 1), At(2024, 1, 1, 23));
}

TEST_F(DateUtilsTest, StepsOutsideTheCalendarRaise) {
  EXPECT_THROW(TZCLDateUtils::IncMonth(At(9999, 12, 1), 1), EConvertError);
  EXPECT_THROW(TZCLDateUtils::IncMonth(At(1, 1, 1), -1), EConvertError);
  EXPECT_THROW(TZCLDateUtils::IncYear(At(9999, 1, 1), 1), EConvertError);
  EXPECT_THROW(TZCLDateUtils::IncYear(At(2000, 1, 1), 70000), EConvertError);
  EXPECT_THROW(TZCLDateUtils::IncMonth(At(2000, 1, 1), 2000000000), EConvertError);
}

TEST_F(DateUtilsTest, DayOrderFollowsTheFirstDay) {
  TZCLDateUtils::SetFirstDayOfWeek(6);
  EXPECT_EQ(TZCLDateUtils::GetDayOrder(), (std::array<Byte, 7>{6, 0, 1, 2, 3, 4, 5}));
  TZCLDateUtils::SetFirstDayOfWeek(0);
  EXPECT_EQ(TZCLDateUtils::GetDayOrder(), (std::array<Byte, 7>{0, 1, 2, 3, 4, 5, 6}));
}

TEST_F(DateUtilsTest, StartOfTheWeekHonoursTheFirstDay) {
  // 2024-06-01 is a Saturday.
  struct Case {
    Byte FirstDay;
    TDateTime Value;
    TDateTime Expected;
  } cases[] = {
      {6, At(2024, 6, 1, 18), At(2024, 5, 26)},  // Saturday -> the Sunday six days before
      {6, At(2024, 6, 2, 18), At(2024, 6, 2)},   // Sunday -> itself
      {5, At(2024, 5, 31, 9), At(2024, 5, 25)},  // Friday -> the Saturday six days before
      {5, At(2024, 6, 1, 9), At(2024, 6, 1)},
      {0, At(2024, 6, 2, 9), At(2024, 5, 27)},  // Sunday -> the Monday before
      {0, At(2024, 6, 3, 9), At(2024, 6, 3)},
      {2, At(2024, 6, 4, 9), At(2024, 5, 29)},  // Tuesday, week from Wednesday
  };
  for (const Case& c : cases) {
    TZCLDateUtils::SetFirstDayOfWeek(c.FirstDay);
    EXPECT_EQ(TZCLDateUtils::StartOfTheWeek(c.Value), c.Expected)
        << "first day " << int(c.FirstDay) << ", " << StringToUTF8(DateTimeToStr(c.Value));
  }
  EXPECT_EQ(TZCLDateUtils::StartOfTheMonth(At(2024, 6, 17, 5)), At(2024, 6, 1));
  EXPECT_EQ(TZCLDateUtils::StartOfTheYear(At(2024, 6, 17, 5)), At(2024, 1, 1));
}

TEST_F(DateUtilsTest, InitializeMapsTheCalendarType) {
  TZCLDateUtils::Initialize();
  const Integer type = GetCalendarType();
  EXPECT_EQ(TZCLDateUtils::GetFirstDayOfWeek(), type == 2 ? 6 : type == 10 ? 5 : 0);
}

TEST(DateUtilsTimeZone, ConvertsAcrossDaylightSavingChanges) {
  ScopedTimeZone zone("Europe/Berlin");
  struct Case {
    TDateTime Local;
    TDateTime Utc;
  } cases[] = {
      {At(2024, 1, 15, 12), At(2024, 1, 15, 11)},
      {At(2024, 7, 15, 12), At(2024, 7, 15, 10)},
      {At(2024, 3, 31, 1, 59, 59), At(2024, 3, 31, 0, 59, 59)},  // last second before spring forward
      {At(2024, 3, 31, 3), At(2024, 3, 31, 1)},                  // first hour after
      {At(2024, 10, 27, 1, 30), At(2024, 10, 26, 23, 30)},
      {At(2024, 10, 27, 4), At(2024, 10, 27, 3)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DateTimeToMilliseconds(TZCLDateUtils::LocalToUniversal(c.Local)), DateTimeToMilliseconds(c.Utc))
        << StringToUTF8(DateTimeToStr(c.Local));
    EXPECT_EQ(DateTimeToMilliseconds(TZCLDateUtils::UniversalToLocal(c.Utc)), DateTimeToMilliseconds(c.Local))
        << StringToUTF8(DateTimeToStr(c.Utc));
  }
  // Every UTC minute around both changes survives the trip to local time and back, except the
  // repeated autumn hour, whose local times name two moments.
  for (TDateTime utc : {At(2024, 3, 31, 0), At(2024, 10, 27, 0)}) {
    for (int minute = 0; minute < 4 * 60; minute += 7) {
      const TDateTime u = utc + minute / 1440.0;
      const TDateTime back = TZCLDateUtils::LocalToUniversal(TZCLDateUtils::UniversalToLocal(u));
      const Int64 diff = DateTimeToMilliseconds(back) - DateTimeToMilliseconds(u);
      EXPECT_TRUE(diff == 0 || diff == -3600000 || diff == 3600000) << minute;
      if (utc == At(2024, 3, 31, 0)) {
        EXPECT_EQ(diff, 0) << minute;
      }
    }
  }
}

TEST(DateUtilsTimeZone, SouthernHemisphereAndUtc) {
  {
    ScopedTimeZone zone("Australia/Sydney");
    EXPECT_EQ(TZCLDateUtils::LocalToUniversal(At(2024, 1, 15, 12)), At(2024, 1, 15, 1));
    EXPECT_EQ(TZCLDateUtils::LocalToUniversal(At(2024, 7, 15, 12)), At(2024, 7, 15, 2));
  }
  ScopedTimeZone zone("UTC");
  EXPECT_EQ(TZCLDateUtils::UniversalToLocal(At(2024, 7, 15, 12, 30)), At(2024, 7, 15, 12, 30));
}

}  // namespace
