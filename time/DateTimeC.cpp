#include "time/DateTimeC.h"

#include <cstdio>
#include <limits>
#include <string>

#include "time/DayNumber.h"
#include "time/TimeMessages.h"
#include "time/TimeText.h"
#include "time/Time_posix.h"

namespace {

constexpr int64_t kIntMax = std::numeric_limits<int>::max();
constexpr int64_t kIntMin = std::numeric_limits<int>::min();

bool FitsInt(int64_t value) noexcept {
  return value >= kIntMin && value <= kIntMax;
}

// The universal fields of `seconds` since the Unix epoch by the day number alone (for the
// messages about values the C library cannot represent).
void FieldsOfUnixSeconds(int64_t seconds, int64_t f[6]) noexcept {
  int64_t days = seconds / c_SecondsPerDay;
  int64_t rest = seconds % c_SecondsPerDay;
  if (rest < 0) {
    rest += c_SecondsPerDay;
    --days;
  }
  int32_t month = 0, day = 0;
  DateFromDayNumber(days + c_UnixEpochDay, &f[0], &month, &day);
  f[1] = month;
  f[2] = day;
  f[3] = rest / 3600;
  f[4] = rest / 60 % 60;
  f[5] = rest % 60;
}

}  // namespace

RcT DateTimeC::Set(int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute,
                   int32_t second, int32_t zoneKind, int32_t zone) {
  date_.Set(year, month, day);
  time_.Set(hour, minute, second);
  if (!time_.SetZone(zoneKind, zone) || !Normalise()) {
    date_.MarkInvalid();
    return time_ReportFields(TIME_E_DATETIME_NUMERIC, TIME_T_DATETIME_NUMERIC, year, month, day,
                             hour, minute, second);
  }
  return RC_OK;
}

bool DateTimeC::Normalise() noexcept {
  if (date_.IsMarkedInvalid() || time_.IsMarkedInvalid()) return false;
  const int64_t tmYear = static_cast<int64_t>(date_.GetYear()) - 1900;
  if (!FitsInt(tmYear)) {
    date_.MarkInvalid();
    return false;
  }
  struct tm fields {};
  fields.tm_year = static_cast<int>(tmYear);
  // Month 0 and below carry backwards through tm_mon like any other field.
  const int64_t tmMonth = static_cast<int64_t>(date_.GetMonth()) - 1;
  if (!FitsInt(tmMonth)) {
    date_.MarkInvalid();
    return false;
  }
  fields.tm_mon = static_cast<int>(tmMonth);
  fields.tm_mday = date_.GetDay();
  fields.tm_hour = time_.GetHour();
  fields.tm_min = time_.GetMinute();
  fields.tm_sec = time_.GetSecond();

  int64_t seconds = 0;
  bool ok;
  bool haveLocal = false;  // `fields` already holds the local time
  if (time_.GetZoneKind() == TimeC::c_KindUniversal) {
    ok = time_UnixFromUniversal(&fields, &seconds);
  } else if (time_.HasExplicitOffset()) {
    // The fields count the given zone's time: universal = fields - offset.
    ok = time_UnixFromUniversal(&fields, &seconds);
    const int64_t offsetSeconds =
        static_cast<int64_t>(time_.GetZoneOffset()) * 60 + (time_.IsDaylight() ? 3600 : 0);
    seconds -= offsetSeconds;
  } else {
    fields.tm_isdst = time_.IsZoneGiven() ? (time_.IsDaylight() ? 1 : 0) : -1;
    // mktime leaves the normalised local fields, offset and daylight-saving state behind.
    ok = time_UnixFromLocal(&fields, &seconds);
    haveLocal = true;
  }
  struct tm local = fields;
  if (!ok || (!haveLocal && !time_LocalFromUnix(seconds, &local)) || local.tm_year < 1 - 1900 ||
      local.tm_year > std::numeric_limits<int32_t>::max() - 1900) {
    date_.MarkInvalid();
    return false;
  }

  date_.Set(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
  date_.SetDerived(local.tm_wday, local.tm_yday);
  time_.Set(local.tm_hour, local.tm_min, local.tm_sec);
  // The standard offset is kept apart from the daylight-saving hour, which Format adds back,
  // so that the written offset is the one in effect.
  const bool isDaylight = local.tm_isdst > 0;
  const int32_t offset = static_cast<int32_t>(local.tm_gmtoff / 60) - (isDaylight ? 60 : 0);
  time_.SetLocalZone(offset, isDaylight, local.tm_isdst >= 0);
  // A leap second reported by the C library is folded into the last second of the minute.
  if (time_.GetSecond() > 59) time_.Set(time_.GetHour(), time_.GetMinute(), 59);
  return true;
}

RcT DateTimeC::Parse(const StringC& text, bool extended) {
  const std::u32string chars = time_Chars(text);
  size_t separator = chars.find(U'T');
  if (separator == std::u32string::npos && extended) separator = chars.find(U' ');
  if (separator == std::u32string::npos) {
    date_.MarkInvalid();
    return time_ReportText(TIME_E_DATETIME_SEPARATOR, TIME_T_DATETIME_SEPARATOR, text);
  }
  const std::u32string_view all(chars);
  RcT rc = date_.ParseChars(all.substr(0, separator), extended);
  if (rc != RC_OK) return rc;
  rc = time_.ParseChars(all.substr(separator + 1), extended);
  if (rc != RC_OK) return rc;
  if (!Normalise()) return time_ReportText(TIME_E_DATE_INVALID, TIME_T_DATE_INVALID, text);
  return RC_OK;
}

RcT DateTimeC::Format(StringC* text, bool showZone, bool extended) const {
  if (!date_.IsValid()) return date_.Format(text, extended);  // reports
  if (!time_.IsValid()) return time_.Format(text, showZone, extended);
  char buffer[DateC::c_FormatBufferSize + 1 + TimeC::c_FormatBufferSize];
  size_t n = date_.FormatTo(buffer, extended);
  buffer[n++] = 'T';
  n += time_.FormatTo(buffer + n, showZone, extended);
  *text = time_Ascii(std::string_view(buffer, n));
  return RC_OK;
}

RcT DateTimeC::FromTicks(uint64_t ticks, bool universal) {
  const int64_t dayNumber = static_cast<int64_t>(ticks / c_TicksPerDay);
  int64_t year = 0;
  int32_t month = 0, day = 0;
  DateFromDayNumber(dayNumber, &year, &month, &day);
  if (year < 1) {
    date_.Set(static_cast<int32_t>(year), month, day);
    date_.MarkInvalid();
    return time_ReportDate(TIME_E_DATE_NUMERIC, TIME_T_DATE_NUMERIC, year, month, day);
  }
  const int64_t secondOfDay = static_cast<int64_t>(ticks % c_TicksPerDay / c_TicksPerSecond);
  const auto hour = static_cast<int32_t>(secondOfDay / 3600);
  const auto minute = static_cast<int32_t>(secondOfDay / 60 % 60);
  const auto second = static_cast<int32_t>(secondOfDay % 60);
  // Ticks reach no further than year 5846, so the year fits.
  date_.Set(static_cast<int32_t>(year), month, day);
  time_.Set(hour, minute, second);
  // The zone given here is one of the valid kinds.
  (void)time_.SetZone(universal ? TimeC::c_KindUniversal : TimeC::c_KindLocal,
                      universal ? 0 : TimeC::c_NoZone);
  if (!Normalise()) {
    return time_ReportFields(TIME_E_DATETIME_NUMERIC, TIME_T_DATETIME_NUMERIC, year, month, day,
                             hour, minute, second);
  }
  return RC_OK;
}

RcT DateTimeC::FromUnixTime(int64_t seconds) {
  struct tm fields {};
  if (time_UniversalFromUnix(seconds, &fields) && fields.tm_year >= 1 - 1900) {
    date_.Set(fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday);
    time_.Set(fields.tm_hour, fields.tm_min, fields.tm_sec);
    // The zone given here is one of the valid kinds.
    (void)time_.SetZone(TimeC::c_KindUniversal, 0);
    if (Normalise()) return RC_OK;
  }
  date_.MarkInvalid();
  int64_t f[6];
  FieldsOfUnixSeconds(seconds, f);
  return time_ReportFields(TIME_E_DATETIME_NUMERIC, TIME_T_DATETIME_NUMERIC, f[0], f[1], f[2], f[3],
                           f[4], f[5]);
}

RcT DateTimeC::FromTm(const struct tm& tm, int32_t zoneKind, int32_t zone) {
  const int64_t year = static_cast<int64_t>(tm.tm_year) + 1900;
  const int64_t month = static_cast<int64_t>(tm.tm_mon) + 1;
  auto fail = [&] {
    date_.MarkInvalid();
    return time_ReportFields(TIME_E_DATETIME_NUMERIC, TIME_T_DATETIME_NUMERIC, year, month,
                             tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
  };
  if (year > std::numeric_limits<int32_t>::max() || month > std::numeric_limits<int32_t>::max()) {
    return fail();
  }
  date_.Set(static_cast<int32_t>(year), static_cast<int32_t>(month), tm.tm_mday);
  date_.SetDerived(tm.tm_wday, tm.tm_yday);
  time_.Set(tm.tm_hour, tm.tm_min, tm.tm_sec);
  if (!time_.SetZone(zoneKind, zone)) return fail();
  time_.SetDaylight(tm.tm_isdst > 0);
  time_.SetZoneGiven(zoneKind != TimeC::c_KindUniversal && tm.tm_isdst >= 0);
  if (!Normalise()) return fail();
  return RC_OK;
}

RcT DateTimeC::FromCimText(const StringC& text) {
  const std::u32string chars = time_Chars(text);
  int32_t f[6] = {};
  static constexpr size_t kPos[6] = {0, 4, 6, 8, 10, 12};
  static constexpr size_t kLen[6] = {4, 2, 2, 2, 2, 2};
  bool shaped =
      chars.size() >= 23 && chars.size() <= 30 && (chars[21] == U'+' || chars[21] == U'-');
  for (int i = 0; shaped && i < 6; ++i) shaped = time_ReadDigits(chars, kPos[i], kLen[i], &f[i]);
  int32_t minutes = 0;
  if (shaped) shaped = time_ReadDigits(chars, 22, chars.size() - 22, &minutes);
  if (!shaped || minutes >= 24 * 60) {
    date_.MarkInvalid();
    return time_ReportText(TIME_E_TIMESTAMP_TEXT, TIME_T_TIMESTAMP_TEXT, text);
  }
  const int32_t zone = (minutes / 60 * 100 + minutes % 60) * (chars[21] == U'-' ? -1 : 1);
  date_.Set(f[0], f[1], f[2]);
  time_.Set(f[3], f[4], f[5]);
  if (!date_.IsValid() || !time_.IsValid() || !time_.SetZone(TimeC::c_KindLocal, zone) ||
      !Normalise()) {
    date_.MarkInvalid();
    return time_ReportFields(TIME_E_TIMESTAMP_FIELDS, TIME_T_TIMESTAMP_FIELDS, f[0], f[1], f[2],
                             f[3], f[4], f[5]);
  }
  return RC_OK;
}

void DateTimeC::ToTm(struct tm* out) const noexcept {
  *out = tm{};
  out->tm_year = static_cast<int>(static_cast<int64_t>(date_.GetYear()) - 1900 < kIntMin
                                      ? kIntMin
                                      : static_cast<int64_t>(date_.GetYear()) - 1900);
  out->tm_mon = date_.GetMonth() - 1;
  out->tm_mday = date_.GetDay();
  out->tm_hour = time_.GetHour();
  out->tm_min = time_.GetMinute();
  out->tm_sec = time_.GetSecond();
  if (date_.IsValid()) {
    out->tm_wday = WeekdayOfDayNumber(date_.GetDayNumber());
    out->tm_yday = DayOfYear(date_.GetYear(), date_.GetMonth(), date_.GetDay());
  }
  out->tm_isdst = time_.IsZoneGiven() ? (time_.IsDaylight() ? 1 : 0) : -1;
  if (time_.GetZoneKind() != TimeC::c_KindUniversal) {
    out->tm_gmtoff =
        static_cast<long>(time_.GetZoneOffset()) * 60 + (time_.IsDaylight() ? 3600 : 0);
  }
}

StringC FormatFields(const DateTimeC& value) {
  char buffer[96];
  const int n =
      std::snprintf(buffer, sizeof buffer, "%d-%d-%d %d:%d:%d", value.GetDate().GetYear(),
                    value.GetDate().GetMonth(), value.GetDate().GetDay(), value.GetTime().GetHour(),
                    value.GetTime().GetMinute(), value.GetTime().GetSecond());
  return time_Ascii(std::string_view(buffer, static_cast<size_t>(n)));
}
