// DateC: a calendar date (proleptic Gregorian) with its ISO 8601 text forms *20261204* (basic)
// and *2026-12-04* (extended).
//
// A date is valid when the year is at least 1, the month 1 to 12, the day within the month and
// the invalid flag is clear. A failed parse leaves the date marked invalid. Weekday and day of
// the year are -1 while not known.
#ifndef QLM_BASE_TIME_DATEC_H_
#define QLM_BASE_TIME_DATEC_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/StringC.h"
#include "cmn/cmn_Result.h"

class DateC {
 public:
  // 0000-00-00, not valid (not set).
  DateC() noexcept = default;
  // The date as given (validity is checked by IsValid); weekday and day of the year computed
  // for a valid date.
  DateC(int32_t year, int32_t month, int32_t day) noexcept;

  // Reads `text`: 8 digits yyyymmdd; with `extended` a "-" at position 4 and then one at
  // position 6 are dropped first. Returns 0, or reports and returns 0xE0D700C9 (length),
  // 0xE0D700CA (not a digit, with its 1-based position) or 0xE0D700CB (no such date). Weekday
  // and day of the year become -1.
  [[nodiscard]] RcT Parse(const StringC& text, bool extended);
  // The text "%04d%02d%02d" of year, month and day ("%04d-%02d-%02d" when `extended`). An
  // invalid date reports and returns 0xE0D700C8 and leaves *text unchanged.
  [[nodiscard]] RcT Format(StringC* text, bool extended) const;
  // The text of a valid date into `buffer` (room for c_FormatBufferSize bytes); returns its
  // length. Nothing is reported; the caller checks IsValid first.
  static constexpr size_t c_FormatBufferSize = 32;
  size_t FormatTo(char* buffer, bool extended) const noexcept;

  [[nodiscard]] bool IsValid() const noexcept;
  // The day number (see DayNumber.h) of a valid date; 0 for an invalid one.
  [[nodiscard]] int64_t GetDayNumber() const noexcept;

  int32_t GetYear() const noexcept { return year_; }
  int32_t GetMonth() const noexcept { return month_; }
  int32_t GetDay() const noexcept { return day_; }
  // 0 Sunday .. 6 Saturday, or -1.
  int32_t GetWeekday() const noexcept { return weekday_; }
  // 0 for 1 January, or -1.
  int32_t GetDayOfYear() const noexcept { return day_of_year_; }
  bool IsMarkedInvalid() const noexcept { return invalid_; }

  // Sets the fields as given and clears the invalid flag; weekday and day of the year become
  // -1 (they are filled in by a normalisation or by SetDerived).
  void Set(int32_t year, int32_t month, int32_t day) noexcept;
  void SetDerived(int32_t weekday, int32_t dayOfYear) noexcept {
    weekday_ = weekday;
    day_of_year_ = dayOfYear;
  }
  void MarkInvalid() noexcept { invalid_ = true; }

  // Parse over the code points of the text (which messages name as given).
  [[nodiscard]] RcT ParseChars(std::u32string_view chars, bool extended);

 private:
  int32_t year_ = 0;
  int32_t month_ = 0;
  int32_t day_ = 0;
  int32_t weekday_ = -1;
  int32_t day_of_year_ = -1;
  bool invalid_ = false;
};

#endif  // QLM_BASE_TIME_DATEC_H_
