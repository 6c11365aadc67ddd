// Lines per second written to a log file by the log manager's file logger against spdlog
// writing the same line to a file in the same directory.
//
// Both flush every line to the kernel before the call returns (our logger: one write(2) per
// line on an O_APPEND descriptor; spdlog: a single-threaded file sink with flush_on(trace),
// i.e. fwrite + fflush), and both write "[<%c time> (G, 0)] {<pid>} <text>".
//
//   BM_FileLogger        log_LogManagerC::Log through the level filter, the entry (catalog
//                        text, formatting, time, process id), credential masking and the line
//   BM_FileLoggerNoPathCheck the same without the check for a moved log (one fstatat(2) of
//                        the log's name, at most once per millisecond): the check's cost is
//                        the difference to BM_FileLogger
//   BM_FileLoggerCheckEveryLine the check before every line (the tests' setting), for
//                        comparison
//   BM_FileLoggerFiltered the same call for a letter the level filter rejects
//   BM_Spdlog            spdlog::logger::info with the pattern "[%c (G, 0)] {%P} %v"
#include <benchmark/benchmark.h>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>

#include "base/StringC.h"
#include "logmgr/log_LogManagerC.h"
#include "logmgr/log_LogSettingsC.h"

namespace {

constexpr const char* kText =
    "Installing merged deployment policy "
    "'http://server.example.com:8080/Policies/Merged/_domain/Machine/4711.rpl?machinename=host'";

// A fresh directory below /tmp, removed with its contents.
struct TempDirS {
  std::string path;
  TempDirS() {
    char pattern[] = "/tmp/qlm_logger_bench_XXXXXX";
    path = ::mkdtemp(pattern);
  }
  ~TempDirS() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
};

log_LogManagerC* MakeManager(const std::string& dir, const char* level, bool follow_path = true,
                             bool every_line = false) {
  log_LogSettingsC settings;
  settings.logFile = StringC::FromUtf8(dir + "/qlm.log");
  settings.logFileOld = StringC::FromUtf8(dir + "/qlm.old");
  settings.logMsgCatPath = StringC::FromUtf8(dir + "/none.cat");
  settings.logLevel = StringC::FromUtf8(level);
  settings.logFileSize = StringC::FromUtf8("0");
  settings.followIntervalUs = !follow_path ? -1
                              : every_line ? 0
                                           : log_LogSettingsC::c_FollowIntervalDefUs;
  auto* manager = new log_LogManagerC(settings);
  manager->AddRef();
  return manager;
}

void BM_FileLogger(benchmark::State& state) {
  TempDirS dir;
  log_LogManagerC* manager = MakeManager(dir.path, "A-z");
  for (auto _ : state) {
    benchmark::DoNotOptimize(manager->Log('G', 0, 0xE1000075, "\x01\x01i\x01%1$s", kText));
  }
  state.counters["lines/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  manager->Release();
}
BENCHMARK(BM_FileLogger);

void BM_FileLoggerNoPathCheck(benchmark::State& state) {
  TempDirS dir;
  log_LogManagerC* manager = MakeManager(dir.path, "A-z", false);
  for (auto _ : state) {
    benchmark::DoNotOptimize(manager->Log('G', 0, 0xE1000075, "\x01\x01i\x01%1$s", kText));
  }
  state.counters["lines/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  manager->Release();
}
BENCHMARK(BM_FileLoggerNoPathCheck);

void BM_FileLoggerCheckEveryLine(benchmark::State& state) {
  TempDirS dir;
  log_LogManagerC* manager = MakeManager(dir.path, "A-z", true, true);
  for (auto _ : state) {
    benchmark::DoNotOptimize(manager->Log('G', 0, 0xE1000075, "\x01\x01i\x01%1$s", kText));
  }
  state.counters["lines/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  manager->Release();
}
BENCHMARK(BM_FileLoggerCheckEveryLine);

void BM_FileLoggerFiltered(benchmark::State& state) {
  TempDirS dir;
  log_LogManagerC* manager = MakeManager(dir.path, "H");
  for (auto _ : state) {
    benchmark::DoNotOptimize(manager->Log('G', 0, 0xE1000075, "\x01\x01i\x01%1$s", kText));
  }
  manager->Release();
}
BENCHMARK(BM_FileLoggerFiltered);

void BM_Spdlog(benchmark::State& state) {
  TempDirS dir;
  auto sink = std::make_shared<spdlog::sinks::basic_file_sink_st>(dir.path + "/spdlog.log");
  spdlog::logger logger("bench", sink);
  logger.set_pattern("[%c (G, 0)] {%P} %v");
  logger.flush_on(spdlog::level::trace);
  for (auto _ : state) logger.info(kText);
  state.counters["lines/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Spdlog);

}  // namespace

BENCHMARK_MAIN();
