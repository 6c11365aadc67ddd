// Helpers shared by the date and time tests: a time zone set for the life of an object, and
// the calling thread's error buffer.
#ifndef QLM_TESTS_TIME_TIMETESTSUPPORT_H_
#define QLM_TESTS_TIME_TIMETESTSUPPORT_H_

#include <stdlib.h>
#include <time.h>

#include <cstdint>
#include <optional>
#include <string>

#include "base/StringC.h"
#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_Services.h"

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
    if (const char* old = ::getenv("TZ")) old_ = old;
    ::setenv("TZ", zone, 1);
    ::tzset();
  }
  ~ScopedTz() {
    if (old_) {
      ::setenv("TZ", old_->c_str(), 1);
    } else {
      ::unsetenv("TZ");
    }
    ::tzset();
  }
  ScopedTz(const ScopedTz&) = delete;
  ScopedTz& operator=(const ScopedTz&) = delete;

 private:
  std::optional<std::string> old_;
};

inline StringC S(const char* utf8) {
  return StringC::FromUtf8(utf8);
}

inline void ClearErrors() {
  getErrBuf()->Clear();
}

// The newest entry of the error buffer: its number and text; 0 and "" when empty.
inline uint32_t LastErrorCode() {
  cmn_ErrBufI* buf = getErrBuf();
  return buf->Count() == 0 ? 0 : buf->Entry(buf->Count() - 1)->MessageNumber();
}
inline std::string LastErrorText() {
  cmn_ErrBufI* buf = getErrBuf();
  return buf->Count() == 0 ? std::string() : std::string(buf->Entry(buf->Count() - 1)->Text());
}
inline size_t ErrorCount() {
  return getErrBuf()->Count();
}

}  // namespace timetest

#endif  // QLM_TESTS_TIME_TIMETESTSUPPORT_H_
