// The C library's clock and time-zone calls behind the date and time values.
//
// Seconds are counted from the Unix epoch (1970-01-01 00:00:00 universal time). Broken-down
// times are `struct tm`. The functions never fail silently: a conversion whose result does not
// fit the C library's types answers false.
#ifndef QLM_BASE_TIME_TIME_POSIX_H_
#define QLM_BASE_TIME_TIME_POSIX_H_

#include <time.h>

#include <cstdint>

// Calls tzset once per process (guarded by a process-wide flag). Later calls to tzset by
// others (after a change of TZ) are seen by the functions below.
void time_EnsureTzset() noexcept;

// The local zone's standard offset in minutes east of universal time: -`timezone` / 60.
[[nodiscard]] int32_t time_LocalStandardOffsetMinutes() noexcept;

// gmtime_r and localtime_r of `seconds`. The local form carries the offset in effect at that
// instant in tm_gmtoff and the daylight-saving state in tm_isdst.
[[nodiscard]] bool time_UniversalFromUnix(int64_t seconds, struct tm* out) noexcept;
[[nodiscard]] bool time_LocalFromUnix(int64_t seconds, struct tm* out) noexcept;

// timegm and mktime: the seconds of the broken-down time `*tm` read as universal or local
// time (tm_isdst: positive for daylight-saving time, 0 for standard time, negative to let the
// C library decide). On success `*tm` is normalised (fields out of range carry) and its
// weekday, day of the year and daylight-saving state are filled in.
[[nodiscard]] bool time_UnixFromUniversal(struct tm* tm, int64_t* seconds) noexcept;
[[nodiscard]] bool time_UnixFromLocal(struct tm* tm, int64_t* seconds) noexcept;

// The current time of the real-time clock: seconds and nanoseconds (0..999 999 999).
void time_Now(int64_t* seconds, int64_t* nanoseconds) noexcept;

#endif  // QLM_BASE_TIME_TIME_POSIX_H_
