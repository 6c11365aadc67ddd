#include "time/TimeC.h"

#include <cstdlib>
#include <string>

#include "time/TimeMessages.h"
#include "time/TimeText.h"
#include "time/Time_posix.h"

namespace {

// True for a +-hhmm number with an hour below 24 and minutes below 60.
bool IsZoneNumber(int32_t zone) noexcept {
  const int64_t magnitude = std::llabs(static_cast<int64_t>(zone));
  return magnitude % 100 < 60 && magnitude / 100 < 24;
}

// Minutes east of universal time of a +-hhmm number.
int32_t ZoneMinutes(int32_t zone) noexcept {
  const int32_t magnitude = zone < 0 ? -zone : zone;
  const int32_t minutes = magnitude / 100 * 60 + magnitude % 100;
  return zone < 0 ? -minutes : minutes;
}

}  // namespace

TimeC::TimeC() noexcept {
  SetLocalZone(time_LocalStandardOffsetMinutes(), false, false);
}

TimeC::TimeC(int32_t hour, int32_t minute, int32_t second, int32_t zoneKind, int32_t zone) noexcept
    : hour_(hour), minute_(minute), second_(second) {
  SetLocalZone(time_LocalStandardOffsetMinutes(), false, false);
  // The zone given here is one of the valid kinds.
  (void)SetZone(zoneKind, zone);
}

void TimeC::Set(int32_t hour, int32_t minute, int32_t second) noexcept {
  hour_ = hour;
  minute_ = minute;
  second_ = second;
  invalid_ = false;
}

bool TimeC::IsValid() const noexcept {
  return !invalid_ && hour_ >= 0 && hour_ <= 23 && minute_ >= 0 && minute_ <= 59 && second_ >= 0 &&
         second_ <= 59;
}

void TimeC::SetLocalZone(int32_t offsetMinutes, bool isDaylight, bool known) noexcept {
  zone_kind_ = c_KindLocal;
  zone_offset_ = offsetMinutes;
  daylight_ = isDaylight;
  zone_given_ = known;
  explicit_offset_ = false;
}

bool TimeC::SetZone(int32_t zoneKind, int32_t zone) noexcept {
  if (zoneKind == c_KindUniversal) {
    if (zone != 0) {
      invalid_ = true;
      return false;
    }
    zone_kind_ = c_KindUniversal;
    zone_offset_ = time_LocalStandardOffsetMinutes();
    daylight_ = false;
    zone_given_ = true;
    explicit_offset_ = false;
    return true;
  }
  if (zoneKind != c_KindLocal) {
    invalid_ = true;
    return false;
  }
  if (zone == c_NoZone) {
    SetLocalZone(time_LocalStandardOffsetMinutes(), false, false);
    return true;
  }
  if (!IsZoneNumber(zone)) {
    invalid_ = true;
    return false;
  }
  zone_kind_ = c_KindLocal;
  zone_offset_ = ZoneMinutes(zone);
  daylight_ = false;
  zone_given_ = true;
  explicit_offset_ = true;
  return true;
}

RcT TimeC::Parse(const StringC& text, bool extended) {
  return ParseChars(time_Chars(text), extended);
}

RcT TimeC::ParseChars(std::u32string_view chars, bool extended) {
  invalid_ = true;  // until the text proves good
  std::u32string s(chars);
  auto isDigitAt = [&s](size_t pos) { return time_DigitAt(s, pos) >= 0; };

  if (extended && s.size() > 1) {
    // Separators out, missing minutes and seconds in: "15:30" becomes "153000",
    // "153000+01:00" becomes "153000+0100", "153000+01" becomes "153000+0100".
    if (s.size() > 2 && s[2] == U':') s.erase(2, 1);
    if (s.size() > 4 && s[4] == U':') s.erase(4, 1);
    for (size_t pos = 2; pos <= 5; ++pos) {
      if (!isDigitAt(pos)) s.insert(pos, 1, U'0');
    }
    if (s.size() > 9 && s[9] == U':') s.erase(9, 1);
    if (s.size() > 8 && s.size() < 11) s.append(11 - s.size(), U'0');
  }

  const size_t length = s.size();
  if (length != 6 && length != 7 && length != 11) {
    return time_ReportTextNumber(TIME_E_TIME_LENGTH, TIME_T_TIME_LENGTH, time_Text(chars),
                                 static_cast<int64_t>(length));
  }
  int32_t hour = 0, minute = 0, second = 0;
  size_t bad = 0;
  if (!time_ReadDigits(s, 0, 2, &hour, &bad) || !time_ReadDigits(s, 2, 2, &minute, &bad) ||
      !time_ReadDigits(s, 4, 2, &second, &bad)) {
    return time_ReportTextNumber(TIME_E_TIME_NOT_NUMERIC, TIME_T_TIME_NOT_NUMERIC, time_Text(chars),
                                 static_cast<int64_t>(bad + 1));
  }

  int32_t kind = c_KindLocal;
  int32_t zone = c_NoZone;
  if (length > 6) {
    const char32_t designator = s[6];
    if ((designator == U'+' || designator == U'-') && length == 11) {
      int32_t number = 0;
      if (!time_ReadDigits(s, 7, 4, &number, &bad)) {
        return time_ReportTextNumber(TIME_E_TIME_NOT_NUMERIC, TIME_T_TIME_NOT_NUMERIC,
                                     time_Text(chars), static_cast<int64_t>(bad + 1));
      }
      // An out-of-range number (-9999 included, which would read as "no zone") is caught
      // here rather than taken for a sentinel.
      if (!IsZoneNumber(number)) {
        return time_ReportText(TIME_E_TIME_INVALID, TIME_T_TIME_INVALID, time_Text(chars));
      }
      zone = designator == U'-' ? -number : number;
    } else if ((designator == U'Z' || designator == U'z') && length == 7) {
      kind = c_KindUniversal;
      zone = 0;
    } else {
      return time_ReportText(TIME_E_TIME_ZONE, TIME_T_TIME_ZONE, time_Text(chars));
    }
  }

  hour_ = hour;
  minute_ = minute;
  second_ = second;
  invalid_ = false;
  if (!SetZone(kind, zone) || !IsValid()) {
    invalid_ = true;
    return time_ReportText(TIME_E_TIME_INVALID, TIME_T_TIME_INVALID, time_Text(chars));
  }
  return RC_OK;
}

RcT TimeC::Format(StringC* text, bool showZone, bool extended) const {
  if (!IsValid()) {
    return time_ReportTime(TIME_E_TIME_FORMAT, TIME_T_TIME_FORMAT, hour_, minute_, second_);
  }
  char buffer[c_FormatBufferSize];
  *text = time_Ascii(std::string_view(buffer, FormatTo(buffer, showZone, extended)));
  return RC_OK;
}

size_t TimeC::FormatTo(char* buffer, bool showZone, bool extended) const noexcept {
  // Only valid times are written, so every field is a small non-negative number.
  char* p = time_PutDigits(buffer, static_cast<uint32_t>(hour_), 2);
  if (extended) *p++ = ':';
  p = time_PutDigits(p, static_cast<uint32_t>(minute_), 2);
  if (extended) *p++ = ':';
  p = time_PutDigits(p, static_cast<uint32_t>(second_), 2);
  if (zone_kind_ == c_KindUniversal) {
    *p++ = 'Z';
  } else if (showZone) {
    // Hours and remaining minutes, both truncated toward zero, as one +-hhmm number.
    const int64_t offset = zone_offset_;
    const int64_t value = offset / 60 * 100 + offset % 60 + (daylight_ ? 100 : 0);
    *p++ = value >= 0 ? '+' : '-';
    p = time_PutDigits(p, static_cast<uint64_t>(value >= 0 ? value : -value), 4);
  }
  return static_cast<size_t>(p - buffer);
}
