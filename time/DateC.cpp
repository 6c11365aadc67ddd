#include "time/DateC.h"

#include <cstdio>

#include "cmn/cmn_Unicode.h"
#include "time/DayNumber.h"
#include "time/TimeMessages.h"
#include "time/TimeText.h"

DateC::DateC(int32_t year, int32_t month, int32_t day) noexcept {
  Set(year, month, day);
  if (IsValid()) {
    weekday_ = WeekdayOfDayNumber(GetDayNumber());
    day_of_year_ = DayOfYear(year, month, day);
  }
}

void DateC::Set(int32_t year, int32_t month, int32_t day) noexcept {
  year_ = year;
  month_ = month;
  day_ = day;
  weekday_ = -1;
  day_of_year_ = -1;
  invalid_ = false;
}

bool DateC::IsValid() const noexcept {
  return !invalid_ && year_ >= 1 && month_ >= 1 && month_ <= 12 && day_ >= 1 &&
         day_ <= DaysInMonth(year_, month_);
}

int64_t DateC::GetDayNumber() const noexcept {
  return IsValid() ? DayNumber(year_, month_, day_) : 0;
}

RcT DateC::Parse(const StringC& text, bool extended) {
  return ParseChars(time_Chars(text), extended);
}

RcT DateC::ParseChars(std::u32string_view chars, bool extended) {
  weekday_ = -1;
  day_of_year_ = -1;
  invalid_ = true;  // until the text proves good

  // The dashes of the extended form are dropped by position: first at 4, then at 6 of what
  // is left. Positions of the shortened text map back to the given one.
  const bool drop4 = extended && chars.size() > 4 && chars[4] == U'-';
  const size_t at6 = drop4 ? 7 : 6;
  const bool drop6 = extended && chars.size() > at6 && chars[at6] == U'-';
  const size_t length = chars.size() - (drop4 ? 1 : 0) - (drop6 ? 1 : 0);
  auto source = [&](size_t i) {
    if (drop4 && i >= 4) ++i;
    if (drop6 && i >= 6 + (drop4 ? 1 : 0)) ++i;
    return i;
  };

  if (length != 8) {
    return time_ReportTextNumber(TIME_E_DATE_LENGTH, TIME_T_DATE_LENGTH, time_Text(chars),
                                 static_cast<int64_t>(length));
  }
  int digits[8];
  for (size_t i = 0; i < 8; ++i) {
    digits[i] = cmn_DigitValue(chars[source(i)]);
    if (digits[i] < 0) {
      return time_ReportTextNumber(TIME_E_DATE_NOT_NUMERIC, TIME_T_DATE_NOT_NUMERIC,
                                   time_Text(chars), static_cast<int64_t>(i + 1));
    }
  }
  year_ = digits[0] * 1000 + digits[1] * 100 + digits[2] * 10 + digits[3];
  month_ = digits[4] * 10 + digits[5];
  day_ = digits[6] * 10 + digits[7];
  invalid_ = false;
  if (!IsValid()) {
    invalid_ = true;
    return time_ReportText(TIME_E_DATE_INVALID, TIME_T_DATE_INVALID, time_Text(chars));
  }
  return RC_OK;
}

RcT DateC::Format(StringC* text, bool extended) const {
  if (!IsValid()) {
    return time_ReportDate(TIME_E_DATE_FORMAT, TIME_T_DATE_FORMAT, year_, month_, day_);
  }
  char buffer[c_FormatBufferSize];
  *text = time_Ascii(std::string_view(buffer, FormatTo(buffer, extended)));
  return RC_OK;
}

size_t DateC::FormatTo(char* buffer, bool extended) const noexcept {
  // Four year digits at least: a year below 1000 written with two would give a text that
  // neither reads back nor tells its year. Only valid dates (year 1 and later) are written.
  char* p = time_PutDigits(buffer, static_cast<uint32_t>(year_), 4);
  if (extended) *p++ = '-';
  p = time_PutDigits(p, static_cast<uint32_t>(month_), 2);
  if (extended) *p++ = '-';
  p = time_PutDigits(p, static_cast<uint32_t>(day_), 2);
  return static_cast<size_t>(p - buffer);
}
