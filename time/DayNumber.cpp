#include "time/DayNumber.h"

namespace {

// Division and remainder rounding toward negative infinity (b > 0).
constexpr int64_t FloorDiv(int64_t a, int64_t b) noexcept {
  const int64_t q = a / b;
  return (a % b != 0 && a < 0) ? q - 1 : q;
}
constexpr int64_t FloorMod(int64_t a, int64_t b) noexcept {
  return a - FloorDiv(a, b) * b;
}

}  // namespace

int DaysInMonth(int64_t year, int64_t month) noexcept {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return (month == 2 && IsLeapYear(year)) ? 29 : kDays[month - 1];
}

int64_t DayNumber(int64_t year, int64_t month, int64_t day) noexcept {
  // Bring the month into 1..12 first, then count years from March so that the leap day is
  // the last day of its year.
  year += FloorDiv(month - 1, 12);
  month = FloorMod(month - 1, 12) + 1;
  if (month < 3) {
    month += 9;
    year -= 1;
  } else {
    month -= 3;
  }
  return FloorDiv(FloorDiv(year, 100) * 146097, 4) + FloorDiv(FloorMod(year, 100) * 1461, 4) +
         (153 * month + 2) / 5 + day - 306;
}

void DateFromDayNumber(int64_t dayNumber, int64_t* year, int32_t* month, int32_t* day) noexcept {
  // Days since 0000-03-01, split into 400-year eras of 146 097 days.
  const int64_t days = dayNumber + 305;
  const int64_t era = FloorDiv(days, 146097);
  const int64_t dayOfEra = days - era * 146097;  // 0..146096
  const int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;  // 0..399
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;  // 0..11
  const int64_t m = monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9;
  *day = static_cast<int32_t>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
  *month = static_cast<int32_t>(m);
  *year = yearOfEra + era * 400 + (m <= 2 ? 1 : 0);
}

int WeekdayOfDayNumber(int64_t dayNumber) noexcept {
  return static_cast<int>(FloorMod(dayNumber, 7));
}

int DayOfYear(int64_t year, int64_t month, int64_t day) noexcept {
  return static_cast<int>(DayNumber(year, month, day) - DayNumber(year, 1, 1));
}
