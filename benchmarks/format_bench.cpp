// cmn_Format against snprintf on the lines the system formats most: the log line and a trace
// line with numbers. Both sides produce a std::string, so each pays one allocation.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "base/ArgListC.h"
#include "cmn/cmn_Formatter.h"

namespace {

constexpr const char* kLogFormat = "[%1$s (%2$c, %3$d)] %4$s";
constexpr const char* kTime = "2024-05-01 10:00:00";
constexpr const char* kText = "{4242} Installing merged deployment policy 'http://srv/policy.xml'";

constexpr const char* kTraceFormat = "%s:%d pid=%u size=%lld flags=0x%08x name=%-12s|";
constexpr const char* kFile = "ProcessC.cpp";
constexpr const char* kName = "rklaunch";

void BM_CmnFormat_LogLine(benchmark::State& state) {
  const ArgListC args = ArgList << kTime << 'G' << 0 << kText;
  for (auto _ : state) {
    std::string out = cmn_Format(kLogFormat, args.Args());
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_CmnFormat_LogLine);

void BM_Snprintf_LogLine(benchmark::State& state) {
  for (auto _ : state) {
    char buf[256];
    const int n = std::snprintf(buf, sizeof(buf), kLogFormat, kTime, 'G', 0, kText);
    std::string out(buf, static_cast<size_t>(n));
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_Snprintf_LogLine);

// The whole path of a log call: the list is built for each line.
void BM_CmnFormat_LogLineWithList(benchmark::State& state) {
  for (auto _ : state) {
    const ArgListC args = ArgList << kTime << 'G' << 0 << kText;
    std::string out = cmn_Format(kLogFormat, args.Args());
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_CmnFormat_LogLineWithList);

void BM_CmnFormat_TraceLine(benchmark::State& state) {
  const ArgListC args = ArgList << kFile << 418 << 31337u << 123456789LL << 0x1fu << kName;
  for (auto _ : state) {
    std::string out = cmn_Format(kTraceFormat, args.Args());
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_CmnFormat_TraceLine);

void BM_Snprintf_TraceLine(benchmark::State& state) {
  for (auto _ : state) {
    char buf[256];
    const int n = std::snprintf(buf, sizeof(buf), kTraceFormat, kFile, 418, 31337u, 123456789LL,
                                0x1fu, kName);
    std::string out(buf, static_cast<size_t>(n));
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_Snprintf_TraceLine);

}  // namespace

BENCHMARK_MAIN();
