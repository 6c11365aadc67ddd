#include "time/Time_posix.h"

#include <mutex>

namespace {

std::once_flag g_tzsetOnce;

// True when `a` and `b` name the same second.
bool SameFields(const struct tm& a, const struct tm& b) noexcept {
  return a.tm_year == b.tm_year && a.tm_mon == b.tm_mon && a.tm_mday == b.tm_mday &&
         a.tm_hour == b.tm_hour && a.tm_min == b.tm_min && a.tm_sec == b.tm_sec;
}

}  // namespace

void time_EnsureTzset() noexcept {
  std::call_once(g_tzsetOnce, [] { ::tzset(); });
}

int32_t time_LocalStandardOffsetMinutes() noexcept {
  time_EnsureTzset();
  return static_cast<int32_t>(-::timezone / 60);
}

bool time_UniversalFromUnix(int64_t seconds, struct tm* out) noexcept {
  const time_t t = static_cast<time_t>(seconds);
  return ::gmtime_r(&t, out) != nullptr;
}

bool time_LocalFromUnix(int64_t seconds, struct tm* out) noexcept {
  time_EnsureTzset();
  const time_t t = static_cast<time_t>(seconds);
  return ::localtime_r(&t, out) != nullptr;
}

bool time_UnixFromUniversal(struct tm* tm, int64_t* seconds) noexcept {
  struct tm work = *tm;
  const time_t t = ::timegm(&work);
  if (t == static_cast<time_t>(-1)) {
    // -1 is also 1969-12-31 23:59:59: accept it only when it reads back as the normalised
    // fields.
    struct tm check;
    if (::gmtime_r(&t, &check) == nullptr || !SameFields(check, work)) return false;
  }
  *tm = work;
  *seconds = static_cast<int64_t>(t);
  return true;
}

bool time_UnixFromLocal(struct tm* tm, int64_t* seconds) noexcept {
  time_EnsureTzset();
  struct tm work = *tm;
  const time_t t = ::mktime(&work);
  if (t == static_cast<time_t>(-1)) {
    struct tm check;
    if (::localtime_r(&t, &check) == nullptr || !SameFields(check, work)) return false;
  }
  *tm = work;
  *seconds = static_cast<int64_t>(t);
  return true;
}

void time_Now(int64_t* seconds, int64_t* nanoseconds) noexcept {
  struct timespec now {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  *seconds = static_cast<int64_t>(now.tv_sec);
  *nanoseconds = static_cast<int64_t>(now.tv_nsec);
}
