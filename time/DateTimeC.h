// DateTimeC: a date and a time of day (DateC followed by TimeC), and its ISO 8601 text forms
// *20261204T153000*, *20261204T153000Z*, *2026-12-04T15:30:00+0100*.
//
// Values built from parts, from numbers or from text are normalised into the process's local
// time through the C library (see Normalise), so every value that a build operation left valid
// holds local fields and the local zone in effect at that instant: its offset plus the
// daylight-saving hour is the real offset from universal time, which Format writes.
//
// Values are plain data: copies carry every field, flags included.
#ifndef QLM_BASE_TIME_DATETIMEC_H_
#define QLM_BASE_TIME_DATETIMEC_H_

#include <time.h>

#include <cstdint>

#include "base/StringC.h"
#include "cmn/cmn_Result.h"
#include "time/DateC.h"
#include "time/TimeC.h"

class DateTimeC {
 public:
  // Not set: the date is 0000-00-00, so the value is not valid.
  DateTimeC() noexcept = default;

  // Sets the fields from parts with the zone (kind and +-hhmm number or TimeC::c_NoZone, see
  // TimeC::SetZone) and normalises; fields out of their ranges carry (the 31st of April is the
  // 1st of May). 0, or reports and returns 0xE0D7006A with the fields given when the zone is
  // invalid or the result is not a date from year 1 that the C library can represent.
  [[nodiscard]] RcT Set(int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute,
                        int32_t second, int32_t zoneKind = TimeC::c_KindLocal,
                        int32_t zone = TimeC::c_NoZone);

  // Reads "<date>T<time>" (with `extended` the first blank separates when there is no "T"):
  // the part before the separator as a DateC, the part after it as a TimeC, both with
  // `extended`. 0xE0D7012C without a separator; else the date's failure, or the time's; a
  // result before year 1 after normalisation gives 0xE0D700CB. A failure leaves the value
  // marked invalid.
  [[nodiscard]] RcT Parse(const StringC& text, bool extended);
  // The date, "T", the time (see DateC::Format and TimeC::Format). The date's failure, else
  // the time's; *text is unchanged on failure.
  [[nodiscard]] RcT Format(StringC* text, bool showZone, bool extended) const;

  // From ticks (10 ns units from day 0, see DayNumber.h) counting local time, or universal
  // time when `universal`. 0; 0xE0D700CC when the day is before 0001-01-01; 0xE0D7006A when
  // the value cannot be normalised.
  [[nodiscard]] RcT FromTicks(uint64_t ticks, bool universal = false);
  // From seconds since the Unix epoch (gmtime_r, as universal time), then normalised. 0 or
  // 0xE0D7006A.
  [[nodiscard]] RcT FromUnixTime(int64_t seconds);
  // From a broken-down time: year tm_year + 1900, month tm_mon + 1, day tm_mday, weekday,
  // day of the year and the time fields from `tm`; daylight flag tm_isdst > 0; the zone from
  // `zoneKind` and `zone` (see TimeC::SetZone); zone given when the kind is not 1 and
  // tm_isdst >= 0; then normalised. 0 or 0xE0D7006A.
  [[nodiscard]] RcT FromTm(const struct tm& tm, int32_t zoneKind, int32_t zone);
  // From the CIM datetime layout yyyymmddHHMMSS.mmmmmmsUUU: year at 0-3, month 4-5, day 6-7,
  // hour 8-9, minute 10-11, second 12-13, and from position 21 to the end a signed offset in
  // minutes (below one day); positions 14-20 are not read. 0xE3E80064 for a text of another
  // shape, 0xE3E80065 for fields that are no date and time.
  [[nodiscard]] RcT FromCimText(const StringC& text);

  // Brings the value into local time: universal values (kind 1) and values with an explicit
  // offset are converted from that zone, local values are passed through mktime (asking for
  // the given daylight-saving state when the zone is given). Fields out of range carry. The
  // zone becomes the local zone at the resulting instant: daylight flag tm_isdst > 0,
  // zone-given flag tm_isdst >= 0. False (and the value marked invalid) when the C library
  // cannot represent the value or the result lies before year 1.
  [[nodiscard]] bool Normalise() noexcept;

  // The fields as a broken-down time: tm_isdst is the daylight flag when the zone is given,
  // else -1; tm_gmtoff the offset in effect (0 for universal time).
  void ToTm(struct tm* out) const noexcept;

  [[nodiscard]] bool IsValid() const noexcept { return date_.IsValid() && time_.IsValid(); }
  const DateC& GetDate() const noexcept { return date_; }
  const TimeC& GetTime() const noexcept { return time_; }
  DateC& Date() noexcept { return date_; }
  TimeC& Time() noexcept { return time_; }

 private:
  DateC date_;
  TimeC time_;
};

// "%d-%d-%d %d:%d:%d" of year, month, day, hour, minute and second, without leading zeros.
[[nodiscard]] StringC FormatFields(const DateTimeC& value);

#endif  // QLM_BASE_TIME_DATETIMEC_H_
