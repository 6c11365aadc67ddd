// TimestampC: a point in time as a 64-bit count of 10-nanosecond ticks from the start of day
// number 0 (0000-12-31, see DayNumber.h), with the broken-down fields cached beside it.
//
// The ticks count either universal time or local time (the local flag). Each representation
// is recomputed from the other on demand: assigning, adding or subtracting ticks makes the
// fields stale, setting fields makes the ticks stale. Ticks reach up to year 5846.
//
// A value below one day (year 0) is a time of day or a duration: it formats as a time only.
//
// A TimestampC is a plain value that caches lazily, so one object is not to be used from two
// threads at once; copies are independent.
#ifndef QLM_BASE_TIME_TIMESTAMPC_H_
#define QLM_BASE_TIME_TIMESTAMPC_H_

#include <cstdint>
#include <string_view>

#include "base/StringC.h"
#include "cmn/cmn_Result.h"

class TimestampC {
 public:
  // Format flag bits.
  static constexpr uint32_t c_FractionDigitsMask = 0x07;  // 0..7 fraction digits
  static constexpr uint32_t c_FormatExtended = 0x08;      // "-" and ":" between the parts
  static constexpr uint32_t c_FormatDateOnly = 0x10;      // the date alone
  static constexpr uint32_t c_FormatBlank = 0x20;         // " " instead of "T"

  // Tick 0 in universal time.
  TimestampC() noexcept = default;
  explicit TimestampC(uint64_t ticks, bool local = false) noexcept
      : ticks_(ticks), local_(local), ticks_current_(true), fields_current_(false) {}

  // The current time of the real-time clock in universal time (the seconds of time() times
  // 10^8 plus the epoch's ticks, with the clock's sub-second part), converted to local time
  // when `local`.
  [[nodiscard]] static TimestampC Now(bool local);

  [[nodiscard]] uint64_t GetTicks() const noexcept;
  void SetTicks(uint64_t ticks, bool local) noexcept;
  [[nodiscard]] bool IsLocal() const noexcept { return local_; }

  // Sets the fields (the ticks become stale; the fraction of a second becomes 0) and keeps
  // the local flag. 0, or reports and returns 0xE3E80065 when they are no date from year 1
  // and time of day, or lie beyond the ticks' range; the value is then unchanged.
  [[nodiscard]] RcT SetFields(int32_t year, int32_t month, int32_t day, int32_t hour,
                              int32_t minute, int32_t second);

  // The fields, brought up to date from the ticks.
  [[nodiscard]] uint16_t GetYear() const noexcept;
  [[nodiscard]] uint16_t GetMonth() const noexcept;
  [[nodiscard]] uint16_t GetDay() const noexcept;
  [[nodiscard]] uint16_t GetHour() const noexcept;
  [[nodiscard]] uint16_t GetMinute() const noexcept;
  [[nodiscard]] uint16_t GetSecond() const noexcept;
  // 0 Sunday .. 6 Saturday.
  [[nodiscard]] int GetWeekday() const noexcept;

  // Conversions by the process's time zone at that instant (the offset and daylight-saving
  // state the C library reports for it). A value already in the wanted form is copied. A
  // result beyond the ticks' range is clamped to it.
  [[nodiscard]] TimestampC ToLocal() const noexcept;
  [[nodiscard]] TimestampC ToUniversal() const noexcept;

  // Tick arithmetic; the result keeps this value's local flag and is clamped to the ticks'
  // range (0 .. 2^64 - 1).
  [[nodiscard]] TimestampC Add(int64_t duration) const noexcept;
  [[nodiscard]] TimestampC Subtract(int64_t duration) const noexcept;
  // This minus `other` in ticks, clamped to the 64-bit signed range. `other` is first brought
  // into this value's form (local or universal).
  [[nodiscard]] int64_t Difference(const TimestampC& other) const noexcept;

  // The text for `flags` (see the bits above): "yyyymmddThhmmss" / "yyyy-mm-ddThh:mm:ss",
  // the date alone, or the time alone for a value of year 0; with n fraction digits the
  // process locale's decimal separator and the fraction rounded to n digits (rounding up to
  // the next second carries into the seconds and beyond); "Z" at the end for universal time.
  [[nodiscard]] StringC Format(uint32_t flags) const;

  // Reads a date and time or a time of day (see the rules in TimestampC.cpp). Without a zone
  // designator the result counts local time, with "Z" universal time, and with an offset
  // (+hh, +hhmm, +hh:mm) it is converted to universal time. 0, or reports and returns
  // 0xE3E80064; the value is then unchanged.
  [[nodiscard]] RcT Parse(const StringC& text);

 private:
  void RefreshFields() const noexcept;
  void RefreshTicks() const noexcept;

  mutable uint64_t ticks_ = 0;
  mutable uint16_t year_ = 0;
  mutable uint16_t month_ = 0;
  mutable uint16_t day_ = 0;
  mutable uint16_t hour_ = 0;
  mutable uint16_t minute_ = 0;
  mutable uint16_t second_ = 0;
  bool local_ = false;
  mutable bool ticks_current_ = true;
  mutable bool fields_current_ = false;
  mutable int8_t weekday_ = 0;
};

// "%d-%d-%d %d:%d:%d" of year, month, day, hour, minute and second, without leading zeros.
[[nodiscard]] StringC FormatFields(const TimestampC& value);

#endif  // QLM_BASE_TIME_TIMESTAMPC_H_
