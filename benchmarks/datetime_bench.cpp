// The date and time values against the C library: parsing against strptime (followed by the
// same conversion into seconds the value makes: mktime for a local date and time, timegm for a
// universal timestamp) and formatting against strftime. Our side reads from and writes to
// StringC; the C library's side reads a C string and writes a char buffer, so it is spared the
// text conversion.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <time.h>

#include <cstring>

#include "base/StringC.h"
#include "time/DateC.h"
#include "time/DateTimeC.h"
#include "time/DayNumber.h"
#include "time/TimestampC.h"

namespace {

constexpr const char* kDateTime = "20261204T153000";
constexpr const char* kDate = "20261204";
constexpr const char* kStamp = "2026-12-04T15:30:45Z";

// A fixed zone with daylight-saving rules for both sides.
struct ZoneSetup {
  ZoneSetup() {
    ::setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    ::tzset();
  }
} g_zone;

void BM_DateC_Parse(benchmark::State& state) {
  const StringC text(kDate, StringC::CC_ASCII);
  DateC date;
  for (auto _ : state) {
    benchmark::DoNotOptimize(date.Parse(text, false));
  }
}
BENCHMARK(BM_DateC_Parse);

// A rejected text: the failure is reported (message text looked up and formatted).
void BM_DateC_ParseRejected(benchmark::State& state) {
  const StringC text("2026X204", StringC::CC_ASCII);
  DateC date;
  for (auto _ : state) {
    benchmark::DoNotOptimize(date.Parse(text, false));
  }
}
BENCHMARK(BM_DateC_ParseRejected);

void BM_Strptime_Date(benchmark::State& state) {
  for (auto _ : state) {
    struct tm fields {};
    benchmark::DoNotOptimize(::strptime(kDate, "%Y%m%d", &fields));
    benchmark::DoNotOptimize(fields);
  }
}
BENCHMARK(BM_Strptime_Date);

void BM_DateTimeC_Parse(benchmark::State& state) {
  const StringC text(kDateTime, StringC::CC_ASCII);
  DateTimeC value;
  for (auto _ : state) {
    benchmark::DoNotOptimize(value.Parse(text, false));
  }
}
BENCHMARK(BM_DateTimeC_Parse);

void BM_StrptimeMktime_DateTime(benchmark::State& state) {
  for (auto _ : state) {
    struct tm fields {};
    benchmark::DoNotOptimize(::strptime(kDateTime, "%Y%m%dT%H%M%S", &fields));
    fields.tm_isdst = -1;
    benchmark::DoNotOptimize(::mktime(&fields));
  }
}
BENCHMARK(BM_StrptimeMktime_DateTime);

void BM_DateTimeC_Format(benchmark::State& state) {
  DateTimeC value;
  (void)value.Parse(StringC(kDateTime, StringC::CC_ASCII), false);
  for (auto _ : state) {
    StringC text;
    benchmark::DoNotOptimize(value.Format(&text, false, false));
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(BM_DateTimeC_Format);

void BM_Strftime_DateTime(benchmark::State& state) {
  struct tm fields {};
  ::strptime(kDateTime, "%Y%m%dT%H%M%S", &fields);
  for (auto _ : state) {
    char buffer[80];
    benchmark::DoNotOptimize(::strftime(buffer, sizeof buffer, "%Y%m%dT%H%M%S", &fields));
    benchmark::DoNotOptimize(buffer);
  }
}
BENCHMARK(BM_Strftime_DateTime);

void BM_TimestampC_Parse(benchmark::State& state) {
  const StringC text(kStamp, StringC::CC_ASCII);
  TimestampC value;
  for (auto _ : state) {
    benchmark::DoNotOptimize(value.Parse(text));
  }
}
BENCHMARK(BM_TimestampC_Parse);

void BM_StrptimeTimegm_Stamp(benchmark::State& state) {
  for (auto _ : state) {
    struct tm fields {};
    benchmark::DoNotOptimize(::strptime(kStamp, "%Y-%m-%dT%H:%M:%SZ", &fields));
    benchmark::DoNotOptimize(::timegm(&fields));
  }
}
BENCHMARK(BM_StrptimeTimegm_Stamp);

void BM_TimestampC_Format(benchmark::State& state) {
  const TimestampC value(static_cast<uint64_t>(DayNumber(2026, 12, 4)) * c_TicksPerDay +
                         55845ULL * c_TicksPerSecond);
  for (auto _ : state) {
    StringC text = value.Format(TimestampC::c_FormatExtended);
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(BM_TimestampC_Format);

void BM_GmtimeStrftime_Stamp(benchmark::State& state) {
  const time_t seconds = 1796398245;  // 2026-12-04 15:30:45 UTC
  for (auto _ : state) {
    struct tm fields;
    ::gmtime_r(&seconds, &fields);
    char buffer[80];
    benchmark::DoNotOptimize(::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%SZ", &fields));
    benchmark::DoNotOptimize(buffer);
  }
}
BENCHMARK(BM_GmtimeStrftime_Stamp);

}  // namespace

BENCHMARK_MAIN();
