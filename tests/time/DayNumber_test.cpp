#include "time/DayNumber.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

TEST(DayNumberTest, FixedPoints) {
  EXPECT_EQ(DayNumber(1, 1, 1), 1);
  EXPECT_EQ(DayNumber(0, 12, 31), 0);
  EXPECT_EQ(DayNumber(1970, 1, 1), c_UnixEpochDay);
  EXPECT_EQ(WeekdayOfDayNumber(DayNumber(1970, 1, 1)), 4);   // Thursday
  EXPECT_EQ(WeekdayOfDayNumber(DayNumber(2026, 12, 4)), 5);  // Friday
  EXPECT_EQ(c_UnixEpochTicks, 6213568320000000000ULL);
  EXPECT_EQ(c_TicksPerDay, 8640000000000ULL);
}

// Every day of years 1 to 9999 against the standard library's proleptic Gregorian calendar:
// the day number, its inverse, the weekday and the day of the year.
TEST(DayNumberTest, EveryDayAgainstStandardCalendar) {
  using namespace std::chrono;
  const sys_days epoch = sys_days(year_month_day(year(1970), month(1), day(1)));
  const sys_days first = sys_days(year_month_day(year(1), month(1), day(1)));
  const sys_days last = sys_days(year_month_day(year(9999), month(12), day(31)));
  int64_t expectedNumber = 1;
  int previousYear = 0;
  int64_t firstOfYear = 0;
  for (sys_days d = first; d <= last; d += days(1), ++expectedNumber) {
    const year_month_day ymd(d);
    const int y = static_cast<int>(ymd.year());
    const int m = static_cast<int>(static_cast<unsigned>(ymd.month()));
    const int dd = static_cast<int>(static_cast<unsigned>(ymd.day()));
    const int64_t fromEpoch = (d - epoch).count();
    const int64_t number = DayNumber(y, m, dd);
    ASSERT_EQ(number, fromEpoch + c_UnixEpochDay) << y << "-" << m << "-" << dd;
    ASSERT_EQ(number, expectedNumber);
    int64_t backYear = 0;
    int32_t backMonth = 0, backDay = 0;
    DateFromDayNumber(number, &backYear, &backMonth, &backDay);
    ASSERT_EQ(backYear, y);
    ASSERT_EQ(backMonth, m);
    ASSERT_EQ(backDay, dd);
    ASSERT_EQ(WeekdayOfDayNumber(number), static_cast<int>(weekday(d).c_encoding()));
    if (y != previousYear) {
      previousYear = y;
      firstOfYear = number;
    }
    ASSERT_EQ(DayOfYear(y, m, dd), number - firstOfYear);
    // The month's length is the day before the next month's first.
    ASSERT_EQ(DaysInMonth(y, m) == dd, year_month_day(d + days(1)).day() == day(1));
  }
  EXPECT_EQ(expectedNumber - 1, DayNumber(9999, 12, 31));
}

// Months and days outside their ranges carry; years before 1 and far beyond 9999 stay exact
// and invertible (no overflow: the sanitizer build checks the arithmetic).
TEST(DayNumberTest, CarriesAndExtremes) {
  EXPECT_EQ(DayNumber(2026, 13, 1), DayNumber(2027, 1, 1));
  EXPECT_EQ(DayNumber(2026, 0, 1), DayNumber(2025, 12, 1));
  EXPECT_EQ(DayNumber(2026, -11, 1), DayNumber(2025, 1, 1));
  EXPECT_EQ(DayNumber(2024, 2, 30), DayNumber(2024, 3, 1));
  EXPECT_EQ(DayNumber(2024, 3, 0), DayNumber(2024, 2, 29));
  for (int64_t y : {-2147483648LL, -400LL, -1LL, 0LL, 2147483647LL, 1LL << 39}) {
    for (int m : {1, 2, 3, 12}) {
      const int64_t n = DayNumber(y, m, 1);
      int64_t by = 0;
      int32_t bm = 0, bd = 0;
      DateFromDayNumber(n, &by, &bm, &bd);
      EXPECT_EQ(by, y);
      EXPECT_EQ(bm, m);
      EXPECT_EQ(bd, 1);
      EXPECT_GE(WeekdayOfDayNumber(n), 0);
      EXPECT_LT(WeekdayOfDayNumber(n), 7);
    }
  }
  // One 400-year cycle is 146 097 days anywhere on the line.
  EXPECT_EQ(DayNumber(-799, 3, 1) - DayNumber(-1199, 3, 1), 146097);
}

}  // namespace
