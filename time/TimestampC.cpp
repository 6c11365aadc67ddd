#include "time/TimestampC.h"

#include <cstdio>
#include <limits>
#include <string>

#include "cmn/cmn_LocaleI.h"
#include "cmn/cmn_Services.h"
#include "cmn/cmn_Unicode.h"
#include "time/DayNumber.h"
#include "time/TimeMessages.h"
#include "time/TimeText.h"
#include "time/Time_posix.h"

namespace {

using Int128 = __int128;

constexpr Int128 kMaxTicks = static_cast<Int128>(std::numeric_limits<uint64_t>::max());

uint64_t ClampTicks(Int128 ticks) noexcept {
  if (ticks < 0) return 0;
  if (ticks > kMaxTicks) return std::numeric_limits<uint64_t>::max();
  return static_cast<uint64_t>(ticks);
}

// Seconds since the Unix epoch of universal `ticks` (rounded down).
int64_t UnixSecondsOf(uint64_t ticks) noexcept {
  const Int128 delta = static_cast<Int128>(ticks) - static_cast<Int128>(c_UnixEpochTicks);
  Int128 seconds = delta / static_cast<Int128>(c_TicksPerSecond);
  if (delta % static_cast<Int128>(c_TicksPerSecond) < 0) --seconds;
  return static_cast<int64_t>(seconds);  // |delta| < 2^64, so the seconds fit
}

// The offset from universal time (seconds east) the local zone has at universal Unix time
// `seconds`; the standard offset when the C library cannot tell.
int64_t LocalOffsetAt(int64_t seconds) noexcept {
  struct tm local {};
  if (time_LocalFromUnix(seconds, &local)) return local.tm_gmtoff;
  return static_cast<int64_t>(time_LocalStandardOffsetMinutes()) * 60;
}

// The fields of `ticks`.
struct FieldsS {
  int64_t year;
  int32_t month, day, hour, minute, second, weekday;
};

FieldsS FieldsOf(uint64_t ticks) noexcept {
  FieldsS f{};
  const auto dayNumber = static_cast<int64_t>(ticks / c_TicksPerDay);
  DateFromDayNumber(dayNumber, &f.year, &f.month, &f.day);
  const auto secondOfDay = static_cast<int32_t>(ticks % c_TicksPerDay / c_TicksPerSecond);
  f.hour = secondOfDay / 3600;
  f.minute = secondOfDay / 60 % 60;
  f.second = secondOfDay % 60;
  f.weekday = WeekdayOfDayNumber(dayNumber);
  return f;
}

bool IsValidFields(int64_t year, int64_t month, int64_t day, int64_t hour, int64_t minute,
                   int64_t second) noexcept {
  return year >= 1 && month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month) &&
         hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 59;
}

// Ticks of valid fields, or -1 beyond the range of the ticks.
Int128 TicksOfFields(int64_t year, int64_t month, int64_t day, int64_t hour, int64_t minute,
                     int64_t second) noexcept {
  const Int128 seconds = static_cast<Int128>(DayNumber(year, month, day)) * c_SecondsPerDay +
                         hour * 3600 + minute * 60 + second;
  const Int128 ticks = seconds * static_cast<Int128>(c_TicksPerSecond);
  return ticks > kMaxTicks ? -1 : ticks;
}

// ----- parsing -----

// A zone designator: none (local time), "Z", or an offset in minutes east.
struct ZoneS {
  bool present = false;
  bool universal = false;
  int32_t offsetMinutes = 0;
};

// Reads an optional zone designator at `pos` that must end the text: "Z"/"z", or "+"/"-"
// followed by hh, hhmm or hh:mm.
bool ReadZone(std::u32string_view s, size_t pos, ZoneS* zone) noexcept {
  if (pos == s.size()) return true;
  const char32_t c = s[pos];
  if (c == U'Z' || c == U'z') {
    zone->present = true;
    zone->universal = true;
    return pos + 1 == s.size();
  }
  if (c != U'+' && c != U'-') return false;
  int32_t hours = 0, minutes = 0;
  if (!time_ReadDigits(s, pos + 1, 2, &hours)) return false;
  size_t next = pos + 3;
  if (next < s.size()) {
    if (s[next] == U':') ++next;
    if (!time_ReadDigits(s, next, 2, &minutes)) return false;
    next += 2;
  }
  if (next != s.size() || hours > 23 || minutes > 59) return false;
  zone->present = true;
  zone->offsetMinutes = (hours * 60 + minutes) * (c == U'-' ? -1 : 1);
  return true;
}

// Reads an optional fraction of a second at `*pos` ("." or "," and at least one digit) as
// ticks; digits beyond the tick's resolution are read and dropped.
bool ReadFraction(std::u32string_view s, size_t* pos, uint64_t* ticks) noexcept {
  *ticks = 0;
  if (*pos >= s.size() || (s[*pos] != U'.' && s[*pos] != U',')) return true;
  size_t p = *pos + 1;
  uint64_t value = 0;
  uint64_t scale = c_TicksPerSecond;
  size_t digits = 0;
  for (int d; (d = time_DigitAt(s, p)) >= 0; ++p, ++digits) {
    if (scale > 1) {
      scale /= 10;
      value += static_cast<uint64_t>(d) * scale;
    }
  }
  if (digits == 0) return false;
  *ticks = value;
  *pos = p;
  return true;
}

// The rule that tells a time of day from a date and time: a text of at most 5 characters,
// one that begins with "T", one with ":" at position 2 or 3, and one in which ".", "," or ":"
// comes before any "-" and before the seventh digit is a time of day; a "-" or a seventh
// digit coming first makes a date and time. A text in which neither comes first (such as
// "153000Z") is a time of day.
bool IsTimeOfDay(std::u32string_view s) noexcept {
  if (s.size() <= 5 || s[0] == U'T') return true;
  if (s[2] == U':' || s[3] == U':') return true;
  int digits = 0;
  for (char32_t c : s) {
    if (c == U'.' || c == U',' || c == U':') return true;
    if (c == U'-') return false;
    if (cmn_DigitValue(c) >= 0 && ++digits == 7) return false;
  }
  return true;
}

// "[T]hh[[:]mm[[:]ss[fraction]]][zone]".
bool ParseTimeOfDay(std::u32string_view s, uint64_t* ticks, bool* local) noexcept {
  size_t pos = (!s.empty() && s[0] == U'T') ? 1 : 0;
  int32_t hour = 0, minute = 0, second = 0;
  if (!time_ReadDigits(s, pos, 2, &hour)) return false;
  pos += 2;
  const bool extended = pos < s.size() && s[pos] == U':';
  bool haveSecond = false;
  if (extended) {
    if (!time_ReadDigits(s, pos + 1, 2, &minute)) return false;
    pos += 3;
    if (pos < s.size() && s[pos] == U':') {
      if (!time_ReadDigits(s, pos + 1, 2, &second)) return false;
      pos += 3;
      haveSecond = true;
    }
  } else if (time_ReadDigits(s, pos, 2, &minute)) {
    pos += 2;
    if (time_ReadDigits(s, pos, 2, &second)) {
      pos += 2;
      haveSecond = true;
    }
  }
  uint64_t fraction = 0;
  if (haveSecond && !ReadFraction(s, &pos, &fraction)) return false;
  ZoneS zone;
  if (!ReadZone(s, pos, &zone)) return false;
  if (hour > 23 || minute > 59 || second > 59) return false;

  const Int128 dayTicks = static_cast<Int128>(c_TicksPerDay);
  Int128 value =
      static_cast<Int128>(hour * 3600 + minute * 60 + second) * c_TicksPerSecond + fraction;
  if (zone.present && !zone.universal) {
    // A time of day in another zone becomes the universal time of day.
    value -= static_cast<Int128>(zone.offsetMinutes) * 60 * c_TicksPerSecond;
    value %= dayTicks;
    if (value < 0) value += dayTicks;
  }
  *ticks = static_cast<uint64_t>(value);
  *local = !zone.present;
  return true;
}

// "yyyy[-]mm[-]dd[(T| )hh[:]mm[:]ss[fraction]][zone]": the separators are dropped by
// position first (a "-" at 4, then at 6, "T" or blank at 8, ":" at 10, then at 12), then the
// fields are read by position. A date without a time (as Format writes with the date-only
// bit) is midnight; a time separator requires the time.
bool ParseDateTime(std::u32string_view text, uint64_t* ticks, bool* local) {
  std::u32string s(text);
  if (s.size() > 4 && s[4] == U'-') s.erase(4, 1);
  if (s.size() > 6 && s[6] == U'-') s.erase(6, 1);
  const bool separated = s.size() > 8 && (s[8] == U'T' || s[8] == U' ');
  if (separated) s.erase(8, 1);
  if (s.size() > 10 && s[10] == U':') s.erase(10, 1);
  if (s.size() > 12 && s[12] == U':') s.erase(12, 1);

  int32_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (!time_ReadDigits(s, 0, 4, &year) || !time_ReadDigits(s, 4, 2, &month) ||
      !time_ReadDigits(s, 6, 2, &day)) {
    return false;
  }
  size_t pos = 8;
  uint64_t fraction = 0;
  if (separated || time_DigitAt(s, pos) >= 0) {
    if (!time_ReadDigits(s, 8, 2, &hour) || !time_ReadDigits(s, 10, 2, &minute) ||
        !time_ReadDigits(s, 12, 2, &second)) {
      return false;
    }
    pos = 14;
    if (!ReadFraction(s, &pos, &fraction)) return false;
  }
  ZoneS zone;
  if (!ReadZone(s, pos, &zone)) return false;
  if (!IsValidFields(year, month, day, hour, minute, second)) return false;
  Int128 value = TicksOfFields(year, month, day, hour, minute, second);
  if (value < 0) return false;
  value += fraction;
  if (zone.present && !zone.universal) {
    value -= static_cast<Int128>(zone.offsetMinutes) * 60 * c_TicksPerSecond;
  }
  // Before 0001-01-01 there is no calendar date; the ticks of day 0 are times of day.
  if (value < static_cast<Int128>(c_TicksPerDay) || value > kMaxTicks) return false;
  *ticks = static_cast<uint64_t>(value);
  *local = !zone.present;
  return true;
}

}  // namespace

TimestampC TimestampC::Now(bool local) {
  int64_t seconds = 0, nanoseconds = 0;
  time_Now(&seconds, &nanoseconds);
  const Int128 ticks = static_cast<Int128>(seconds) * c_TicksPerSecond + nanoseconds / 10 +
                       static_cast<Int128>(c_UnixEpochTicks);
  const TimestampC universal(ClampTicks(ticks), false);
  return local ? universal.ToLocal() : universal;
}

uint64_t TimestampC::GetTicks() const noexcept {
  RefreshTicks();
  return ticks_;
}

void TimestampC::SetTicks(uint64_t ticks, bool local) noexcept {
  ticks_ = ticks;
  local_ = local;
  ticks_current_ = true;
  fields_current_ = false;
}

RcT TimestampC::SetFields(int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute,
                          int32_t second) {
  if (!IsValidFields(year, month, day, hour, minute, second) ||
      TicksOfFields(year, month, day, hour, minute, second) < 0) {
    return time_ReportFields(TIME_E_TIMESTAMP_FIELDS, TIME_T_TIMESTAMP_FIELDS, year, month, day,
                             hour, minute, second);
  }
  year_ = static_cast<uint16_t>(year);
  month_ = static_cast<uint16_t>(month);
  day_ = static_cast<uint16_t>(day);
  hour_ = static_cast<uint16_t>(hour);
  minute_ = static_cast<uint16_t>(minute);
  second_ = static_cast<uint16_t>(second);
  weekday_ = static_cast<int8_t>(WeekdayOfDayNumber(DayNumber(year, month, day)));
  fields_current_ = true;
  ticks_current_ = false;
  return RC_OK;
}

void TimestampC::RefreshFields() const noexcept {
  if (fields_current_) return;
  const FieldsS f = FieldsOf(ticks_);
  year_ = static_cast<uint16_t>(f.year);  // at most 5846
  month_ = static_cast<uint16_t>(f.month);
  day_ = static_cast<uint16_t>(f.day);
  hour_ = static_cast<uint16_t>(f.hour);
  minute_ = static_cast<uint16_t>(f.minute);
  second_ = static_cast<uint16_t>(f.second);
  weekday_ = static_cast<int8_t>(f.weekday);
  fields_current_ = true;
}

void TimestampC::RefreshTicks() const noexcept {
  if (ticks_current_) return;
  // SetFields admitted only fields within the range.
  ticks_ = static_cast<uint64_t>(TicksOfFields(year_, month_, day_, hour_, minute_, second_));
  ticks_current_ = true;
}

uint16_t TimestampC::GetYear() const noexcept {
  RefreshFields();
  return year_;
}
uint16_t TimestampC::GetMonth() const noexcept {
  RefreshFields();
  return month_;
}
uint16_t TimestampC::GetDay() const noexcept {
  RefreshFields();
  return day_;
}
uint16_t TimestampC::GetHour() const noexcept {
  RefreshFields();
  return hour_;
}
uint16_t TimestampC::GetMinute() const noexcept {
  RefreshFields();
  return minute_;
}
uint16_t TimestampC::GetSecond() const noexcept {
  RefreshFields();
  return second_;
}
int TimestampC::GetWeekday() const noexcept {
  RefreshFields();
  return weekday_;
}

TimestampC TimestampC::ToLocal() const noexcept {
  if (local_) return *this;
  const uint64_t ticks = GetTicks();
  if (ticks < c_TicksPerDay) {
    // A time of day: today's offset, wrapping within the day.
    int64_t seconds = 0, nanoseconds = 0;
    time_Now(&seconds, &nanoseconds);
    const Int128 day = static_cast<Int128>(c_TicksPerDay);
    Int128 value =
        static_cast<Int128>(ticks) + static_cast<Int128>(LocalOffsetAt(seconds)) * c_TicksPerSecond;
    value = ((value % day) + day) % day;
    return TimestampC(static_cast<uint64_t>(value), true);
  }
  const int64_t offset = LocalOffsetAt(UnixSecondsOf(ticks));
  return TimestampC(
      ClampTicks(static_cast<Int128>(ticks) + static_cast<Int128>(offset) * c_TicksPerSecond),
      true);
}

TimestampC TimestampC::ToUniversal() const noexcept {
  if (!local_) return *this;
  const uint64_t ticks = GetTicks();
  if (ticks < c_TicksPerDay) {
    int64_t seconds = 0, nanoseconds = 0;
    time_Now(&seconds, &nanoseconds);
    const Int128 day = static_cast<Int128>(c_TicksPerDay);
    Int128 value =
        static_cast<Int128>(ticks) - static_cast<Int128>(LocalOffsetAt(seconds)) * c_TicksPerSecond;
    value = ((value % day) + day) % day;
    return TimestampC(static_cast<uint64_t>(value), false);
  }
  // The local fields through mktime, which knows whether daylight-saving time applied then.
  const FieldsS f = FieldsOf(ticks);
  struct tm fields {};
  fields.tm_year = static_cast<int>(f.year - 1900);
  fields.tm_mon = f.month - 1;
  fields.tm_mday = f.day;
  fields.tm_hour = f.hour;
  fields.tm_min = f.minute;
  fields.tm_sec = f.second;
  fields.tm_isdst = -1;
  int64_t seconds = 0;
  Int128 value;
  if (time_UnixFromLocal(&fields, &seconds)) {
    value = static_cast<Int128>(seconds) * c_TicksPerSecond +
            static_cast<Int128>(c_UnixEpochTicks) + ticks % c_TicksPerSecond;
  } else {
    value = static_cast<Int128>(ticks) -
            static_cast<Int128>(time_LocalStandardOffsetMinutes()) * 60 * c_TicksPerSecond;
  }
  return TimestampC(ClampTicks(value), false);
}

TimestampC TimestampC::Add(int64_t duration) const noexcept {
  return TimestampC(ClampTicks(static_cast<Int128>(GetTicks()) + duration), local_);
}

TimestampC TimestampC::Subtract(int64_t duration) const noexcept {
  return TimestampC(ClampTicks(static_cast<Int128>(GetTicks()) - duration), local_);
}

int64_t TimestampC::Difference(const TimestampC& other) const noexcept {
  const TimestampC same = other.local_ == local_ ? other
                          : local_               ? other.ToLocal()
                                                 : other.ToUniversal();
  const Int128 delta = static_cast<Int128>(GetTicks()) - static_cast<Int128>(same.GetTicks());
  if (delta > std::numeric_limits<int64_t>::max()) return std::numeric_limits<int64_t>::max();
  if (delta < std::numeric_limits<int64_t>::min()) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(delta);
}

StringC TimestampC::Format(uint32_t flags) const {
  const uint64_t ticks = GetTicks();
  const bool dateOnly = (flags & c_FormatDateOnly) != 0;
  const int digits = dateOnly ? 0 : static_cast<int>(flags & c_FractionDigitsMask);

  // Rounding to the last written digit may reach the next second; the fields are then those
  // of the rounded value, so the carry runs through minutes, hours and the date.
  uint64_t shown = ticks;
  uint64_t fraction = 0;
  if (digits > 0) {
    uint64_t unit = 1;
    for (int i = digits; i < 8; ++i) unit *= 10;
    const Int128 rounded = (static_cast<Int128>(ticks) + unit / 2) / unit * unit;
    shown = rounded > kMaxTicks ? ticks - ticks % unit : static_cast<uint64_t>(rounded);
    fraction = shown % c_TicksPerSecond / unit;
  }
  FieldsS f;
  if (shown == ticks) {
    RefreshFields();
    f = FieldsS{year_, month_, day_, hour_, minute_, second_, weekday_};
  } else {
    f = FieldsOf(shown);
  }

  // The fields are bounded (year below 5847), so the text takes at most 26 characters.
  char buffer[128];
  char* p = buffer;
  const bool extended = (flags & c_FormatExtended) != 0;
  if (dateOnly || f.year != 0) {
    p = time_PutDigits(p, static_cast<uint64_t>(f.year), 4);
    if (extended) *p++ = '-';
    p = time_PutDigits(p, static_cast<uint32_t>(f.month), 2);
    if (extended) *p++ = '-';
    p = time_PutDigits(p, static_cast<uint32_t>(f.day), 2);
    if (!dateOnly) *p++ = (flags & c_FormatBlank) ? ' ' : 'T';
  }
  if (!dateOnly) {
    p = time_PutDigits(p, static_cast<uint32_t>(f.hour), 2);
    if (extended) *p++ = ':';
    p = time_PutDigits(p, static_cast<uint32_t>(f.minute), 2);
    if (extended) *p++ = ':';
    p = time_PutDigits(p, static_cast<uint32_t>(f.second), 2);
  }
  size_t length = static_cast<size_t>(p - buffer);
  StringC text;
  if (digits > 0) {
    // The separator is the locale's text in the system encoding; an ASCII one (the usual "."
    // or ",") goes into the buffer directly.
    const std::string_view separator = getLocale()->Numeric()->DecimalSeparator();
    bool ascii = separator.size() <= 8;
    for (char c : separator) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) {
      separator.copy(buffer + length, separator.size());
      length += separator.size();
    } else {
      text = time_Ascii(std::string_view(buffer, length));
      text.Append(StringC(std::string(separator).c_str(), StringC::CC_SYS8));
      length = 0;
    }
    length = static_cast<size_t>(time_PutDigits(buffer + length, fraction, digits) - buffer);
  }
  if (!local_) buffer[length++] = 'Z';
  if (text.IsEmpty()) return time_Ascii(std::string_view(buffer, length));
  return text.Append(time_Ascii(std::string_view(buffer, length)));
}

RcT TimestampC::Parse(const StringC& text) {
  const std::u32string chars = time_Chars(text);
  uint64_t ticks = 0;
  bool local = false;
  const bool ok = IsTimeOfDay(chars) ? ParseTimeOfDay(chars, &ticks, &local)
                                     : ParseDateTime(chars, &ticks, &local);
  if (!ok) return time_ReportText(TIME_E_TIMESTAMP_TEXT, TIME_T_TIMESTAMP_TEXT, text);
  SetTicks(ticks, local);
  return RC_OK;
}

StringC FormatFields(const TimestampC& value) {
  char buffer[64];
  const int n =
      std::snprintf(buffer, sizeof buffer, "%d-%d-%d %d:%d:%d", value.GetYear(), value.GetMonth(),
                    value.GetDay(), value.GetHour(), value.GetMinute(), value.GetSecond());
  return time_Ascii(std::string_view(buffer, static_cast<size_t>(n)));
}
