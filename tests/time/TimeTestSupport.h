// Helpers shared by the date and time tests: a time zone set for the life of an object, and
// the shared probes of the calling thread's error buffer.
#ifndef QLM_TESTS_TIME_TIMETESTSUPPORT_H_
#define QLM_TESTS_TIME_TIMETESTSUPPORT_H_

#include <time.h>

#include <optional>

#include "tests/testing/ErrBufProbe.h"
#include "tests/testing/ScopedEnvC.h"
#include "tests/testing/StringHelpers.h"

namespace timetest {

// POSIX zone rules, so that the tests need no zone database.
inline constexpr const char* kUtc = "UTC0";
// Central Europe: +0100, +0200 from the last Sunday of March to the last Sunday of October.
inline constexpr const char* kBerlin = "CET-1CEST,M3.5.0,M10.5.0/3";
// US Eastern: -0500, -0400 from the second Sunday of March to the first Sunday of November.
inline constexpr const char* kNewYork = "EST5EDT,M3.2.0,M11.1.0";
// India: +0530, no daylight-saving time.
inline constexpr const char* kKolkata = "IST-5:30";

// Sets TZ and calls tzset; the destructor puts the previous value back.
class ScopedTz {
 public:
  explicit ScopedTz(const char* zone) {
    env_.emplace("TZ", zone);
    ::tzset();
  }
  ~ScopedTz() {
    env_.reset();
    ::tzset();
  }
  ScopedTz(const ScopedTz&) = delete;
  ScopedTz& operator=(const ScopedTz&) = delete;

 private:
  std::optional<qlmtest::ScopedEnvC> env_;
};

using qlmtest::ClearErrors;
using qlmtest::ErrorCount;
using qlmtest::LastErrorCode;
using qlmtest::LastErrorText;
using qlmtest::S;

}  // namespace timetest

#endif  // QLM_TESTS_TIME_TIMETESTSUPPORT_H_
