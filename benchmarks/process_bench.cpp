// Running a short external command and collecting its exit code: ExecuteCommand (split the
// line, prepare the child, fork and exec with the error pipe, wait through the process
// descriptor) and ProcessC directly, against posix_spawn + waitpid of the same program.
//
// The log lines of ExecuteCommand go to a hook that drops them, as they would go to the log
// file rather than into the error buffer in the program.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdlib>

#include "base/StringArrayC.h"
#include "os/ExecuteCommand.h"
#include "os/ProcessC.h"
#include "os/ProcessLogHook.h"
#include "os/Process_posix.h"

extern char** environ;

namespace {

void DropLog(int, int, uint32_t, const char*, const ArgListC&) {}

// CPU time (user and system, microseconds) of the collected children so far: what the child
// spends between the start and its exec shows here, not in the benchmark's own CPU column.
double ChildrenCpuUs() {
  struct rusage usage;
  ::getrusage(RUSAGE_CHILDREN, &usage);
  return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e6 + usage.ru_utime.tv_usec +
         usage.ru_stime.tv_usec;
}

// Reports the children's CPU time per iteration since `before` as the counter "child_cpu_us".
void ReportChildrenCpu(benchmark::State& state, double before) {
  state.counters["child_cpu_us"] =
      benchmark::Counter((ChildrenCpuUs() - before) / static_cast<double>(state.iterations()));
}

void BM_ExecuteCommand(benchmark::State& state) {
  SetProcessLogHook(&DropLog);
  const double before = ChildrenCpuUs();
  for (auto _ : state) {
    unsigned long code = 1;
    ExecuteOutcome outcome = ExecuteCommand("/bin/true", ExecuteOptionsS{.exit_code = &code});
    if (outcome != EXECUTE_STARTED || code != 0) state.SkipWithError("command failed");
  }
  ReportChildrenCpu(state, before);
  SetProcessLogHook(nullptr);
}
BENCHMARK(BM_ExecuteCommand)->UseRealTime();

// Argument 1: the child resets each caught signal itself (the start of kernels without
// clone3), to compare with the kernel resetting them all at the start (argument 0).
void BM_ProcessC(benchmark::State& state) {
  os_ProcessTestFallbacks(false, false, state.range(0) != 0);
  StringArrayC arguments;
  arguments.Append(StringC("/bin/true", StringC::CC_ASCII));
  const double before = ChildrenCpuUs();
  for (auto _ : state) {
    ProcessC process;
    process.SetArguments(arguments);
    unsigned long code = 1;
    if (process.Start() != RC_OK || process.Wait(nullptr, nullptr, 1000) != RC_OK ||
        process.GetExitCode(&code) != RC_OK || code != 0) {
      state.SkipWithError("process failed");
    }
  }
  ReportChildrenCpu(state, before);
  os_ProcessTestFallbacks(false, false, false);
}
BENCHMARK(BM_ProcessC)->Arg(0)->Arg(1)->UseRealTime();

void BM_PosixSpawnWaitpid(benchmark::State& state) {
  char program[] = "/bin/true";
  char* argv[] = {program, nullptr};
  const double before = ChildrenCpuUs();
  for (auto _ : state) {
    pid_t pid = -1;
    int status = -1;
    if (::posix_spawn(&pid, program, nullptr, nullptr, argv, environ) != 0 ||
        ::waitpid(pid, &status, 0) != pid || status != 0) {
      state.SkipWithError("posix_spawn failed");
    }
  }
  ReportChildrenCpu(state, before);
}
BENCHMARK(BM_PosixSpawnWaitpid)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
