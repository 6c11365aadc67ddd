// The civil day number shared by the calendar values (DateC, DateTimeC) and the timestamp
// (TimestampC), and the units of the timestamp's ticks.
//
// Day numbers count the days of the proleptic Gregorian calendar with 0001-01-01 as day 1, so
// day 0 is 0000-12-31 and the Unix epoch 1970-01-01 is day 719 163. The weekday of a day
// number is the number modulo 7 (0 Sunday, 1 Monday, ...).
//
// The functions are total: they take 64-bit values, divide with floor semantics and never
// overflow for any 32-bit year, month or day (a month outside 1..12 carries into the year, a
// day outside the month carries into the following or preceding months).
#ifndef QLM_BASE_TIME_DAYNUMBER_H_
#define QLM_BASE_TIME_DAYNUMBER_H_

#include <cstdint>

// One tick is 10 nanoseconds.
inline constexpr uint64_t c_TicksPerSecond = 100000000ULL;
inline constexpr uint64_t c_TicksPerDay = 86400ULL * c_TicksPerSecond;  // 8 640 000 000 000
inline constexpr int64_t c_SecondsPerDay = 86400;
// 1970-01-01 00:00:00 as a day number and as ticks.
inline constexpr int64_t c_UnixEpochDay = 719163;
inline constexpr uint64_t c_UnixEpochTicks = 6213568320000000000ULL;
static_assert(c_UnixEpochTicks == static_cast<uint64_t>(c_UnixEpochDay) * c_TicksPerDay);

// A year divisible by 400, or by 4 and not by 100.
[[nodiscard]] constexpr bool IsLeapYear(int64_t year) noexcept {
  return year % 400 == 0 || (year % 4 == 0 && year % 100 != 0);
}

// Days of `month` (1..12) in `year`; 0 for a month outside 1..12.
[[nodiscard]] int DaysInMonth(int64_t year, int64_t month) noexcept;

// The day number of year-month-day. Exact for |year| up to 2^40; `month` and `day` may lie
// outside their ranges (they carry), as long as |month| and |day| stay below 2^40.
[[nodiscard]] int64_t DayNumber(int64_t year, int64_t month, int64_t day) noexcept;

// The inverse of DayNumber for any day number whose magnitude is below 2^60: the year, the
// month (1..12) and the day of the month (1..31).
void DateFromDayNumber(int64_t dayNumber, int64_t* year, int32_t* month, int32_t* day) noexcept;

// 0 Sunday .. 6 Saturday.
[[nodiscard]] int WeekdayOfDayNumber(int64_t dayNumber) noexcept;

// Day of the year counted from 0 (0..365) of a valid date.
[[nodiscard]] int DayOfYear(int64_t year, int64_t month, int64_t day) noexcept;

#endif  // QLM_BASE_TIME_DAYNUMBER_H_
