// Running a short external command and collecting its exit code: ExecuteCommand (split the
// line, prepare the child, fork and exec with the error pipe, wait through the process
// descriptor) and ProcessC directly, against posix_spawn + waitpid of the same program.
//
// The log lines of ExecuteCommand go to a hook that drops them, as they would go to the log
// file rather than into the error buffer in the program.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>

#include "base/StringArrayC.h"
#include "os/ExecuteCommand.h"
#include "os/ProcessC.h"
#include "os/ProcessLogHook.h"

extern char** environ;

namespace {

void DropLog(int, int, uint32_t, const char*, const ArgListC&) {}

void BM_ExecuteCommand(benchmark::State& state) {
  SetProcessLogHook(&DropLog);
  for (auto _ : state) {
    unsigned long code = 1;
    ExecuteOutcome outcome = ExecuteCommand("/bin/true", ExecuteOptionsS{.exit_code = &code});
    if (outcome != EXECUTE_STARTED || code != 0) state.SkipWithError("command failed");
  }
  SetProcessLogHook(nullptr);
}
BENCHMARK(BM_ExecuteCommand)->UseRealTime();

void BM_ProcessC(benchmark::State& state) {
  StringArrayC arguments;
  arguments.Append(StringC("/bin/true", StringC::CC_ASCII));
  for (auto _ : state) {
    ProcessC process;
    process.SetArguments(arguments);
    unsigned long code = 1;
    if (process.Start() != RC_OK || process.Wait(nullptr, nullptr, 1000) != RC_OK ||
        process.GetExitCode(&code) != RC_OK || code != 0) {
      state.SkipWithError("process failed");
    }
  }
}
BENCHMARK(BM_ProcessC)->UseRealTime();

void BM_PosixSpawnWaitpid(benchmark::State& state) {
  char program[] = "/bin/true";
  char* argv[] = {program, nullptr};
  for (auto _ : state) {
    pid_t pid = -1;
    int status = -1;
    if (::posix_spawn(&pid, program, nullptr, nullptr, argv, environ) != 0 ||
        ::waitpid(pid, &status, 0) != pid || status != 0) {
      state.SkipWithError("posix_spawn failed");
    }
  }
}
BENCHMARK(BM_PosixSpawnWaitpid)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
