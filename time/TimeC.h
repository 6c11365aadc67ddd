// TimeC: a time of day with its zone, and its ISO 8601 text forms *153000*, *153000Z*,
// *153000+0100* (basic) and *15:30:00*, *15:30:00+01:00* (extended).
//
// A time is valid when the hour is 0 to 23, minutes and seconds 0 to 59 (no leap second) and
// the invalid flag is clear.
//
// Zone: the zone kind is 1 for universal time (written "Z") and 0 otherwise; the offset counts
// minutes east of universal time. A zone is given as a signed number of the form +-hhmm, or
// c_NoZone for the process's local zone (see SetZone). The daylight-saving flag adds one hour
// to the offset when the time is written; the zone-given flag tells that the zone (or, for a
// local time, its daylight-saving state) is known rather than assumed.
#ifndef QLM_BASE_TIME_TIMEC_H_
#define QLM_BASE_TIME_TIMEC_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/StringC.h"
#include "cmn/cmn_Result.h"

class TimeC {
 public:
  static constexpr int32_t c_NoZone = -9999;
  static constexpr int32_t c_KindLocal = 0;
  static constexpr int32_t c_KindUniversal = 1;

  // 00:00:00 in the local zone (zone not given).
  TimeC() noexcept;
  // The fields as given (validity is checked by IsValid) and the zone applied by SetZone; an
  // invalid zone marks the time invalid.
  TimeC(int32_t hour, int32_t minute, int32_t second, int32_t zoneKind = c_KindLocal,
        int32_t zone = c_NoZone) noexcept;

  // Reads `text` (see the Parse rules in TimeC.cpp): "hhmmss", "hhmmssZ" or "hhmmss+hhmm";
  // with `extended` also the forms with ":" and shortened ones ("15:30"). Returns 0, or
  // reports and returns 0xE0D70065 (length), 0xE0D70066 (not a digit, with its 1-based
  // position), 0xE0D70067 (zone designator) or 0xE0D70068 (no such time or zone). A failure
  // leaves the time marked invalid.
  [[nodiscard]] RcT Parse(const StringC& text, bool extended);
  // "%02d%02d%02d" ("%02d:%02d:%02d" when `extended`), then "Z" for universal time, or, when
  // `showZone`, the offset as +hhmm / -hhmm (one hour more when the daylight flag is set). An
  // invalid time reports and returns 0xE0D70064 and leaves *text unchanged.
  [[nodiscard]] RcT Format(StringC* text, bool showZone, bool extended) const;
  // The text of a valid time into `buffer` (room for c_FormatBufferSize bytes); returns its
  // length. Nothing is reported; the caller checks IsValid first.
  static constexpr size_t c_FormatBufferSize = 64;
  size_t FormatTo(char* buffer, bool showZone, bool extended) const noexcept;

  [[nodiscard]] bool IsValid() const noexcept;

  // Applies a zone:
  //   - c_NoZone (any kind but 1): the local zone, offset -timezone/60 minutes, daylight and
  //     zone-given flags clear;
  //   - kind 1 with value 0: universal time; the offset takes the local zone's offset (it is
  //     not used while the kind is 1); zone given;
  //   - any other value with kind 0: +-hhmm with |hh| < 24 and mm < 60, offset +-(hh*60+mm),
  //     zone given, daylight flag clear.
  // Anything else (kind 1 with another value, an out-of-range number, an unknown kind) marks
  // the time invalid and answers false; the zone fields are then unchanged.
  [[nodiscard]] bool SetZone(int32_t zoneKind, int32_t zone) noexcept;
  // Makes the zone the local zone at some instant: kind 0, `offsetMinutes` the standard
  // offset, the daylight flag, and zone given when `known`.
  void SetLocalZone(int32_t offsetMinutes, bool isDaylight, bool known) noexcept;

  int32_t GetHour() const noexcept { return hour_; }
  int32_t GetMinute() const noexcept { return minute_; }
  int32_t GetSecond() const noexcept { return second_; }
  int32_t GetZoneKind() const noexcept { return zone_kind_; }
  int32_t GetZoneOffset() const noexcept { return zone_offset_; }
  bool IsDaylight() const noexcept { return daylight_; }
  bool IsZoneGiven() const noexcept { return zone_given_; }
  // True when the offset is an explicit +-hhmm rather than the local zone.
  bool HasExplicitOffset() const noexcept { return explicit_offset_; }
  bool IsMarkedInvalid() const noexcept { return invalid_; }

  // Sets hour, minute and second and clears the invalid flag; the zone is unchanged.
  void Set(int32_t hour, int32_t minute, int32_t second) noexcept;
  void SetDaylight(bool isDaylight) noexcept { daylight_ = isDaylight; }
  void SetZoneGiven(bool given) noexcept { zone_given_ = given; }
  void MarkInvalid() noexcept { invalid_ = true; }

  // Parse over the code points of the text (which messages name as given).
  [[nodiscard]] RcT ParseChars(std::u32string_view chars, bool extended);

 private:
  int32_t hour_ = 0;
  int32_t minute_ = 0;
  int32_t second_ = 0;
  int32_t zone_kind_ = c_KindLocal;
  int32_t zone_offset_ = 0;
  bool daylight_ = false;
  bool zone_given_ = false;
  bool invalid_ = false;
  bool explicit_offset_ = false;
};

#endif  // QLM_BASE_TIME_TIMEC_H_
