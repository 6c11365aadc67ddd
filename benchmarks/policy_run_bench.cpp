// The whole qlmpolicy process, side by side with starting /bin/true the same way:
//   - a run that only computes the policy address (-o GeneratePolicyOnly=True), against one
//     start of /bin/true;
//   - a full run with /bin/true as the installation agent, against two starts of /bin/true
//     (the program and its agent).
// Each iteration forks and execs, then collects the child's CPU time and peak resident size
// with wait4; they are reported as counters (cpu_ms per run, maxrss_kb of the largest run).
#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace {

namespace fs = std::filesystem;

// A throwaway world for qlmpolicy: configuration file, data directory, and an agent that is
// /bin/true.
struct WorldS {
  fs::path root;
  std::vector<std::string> env;
  WorldS() {
    char pattern[] = "/tmp/qlm_bench_XXXXXX";
    root = ::mkdtemp(pattern);
    fs::create_directories(root / "etc");
    fs::create_directories(root / "data");
    fs::create_directories(root / "bin");
    std::ofstream(root / "etc/quillmarsh.ini")
        << "[Quillmarsh]\nInstallDir=" << (root / "install").string()
        << "\nCommonAppDataFolder=" << (root / "data").string() << "\n";
    fs::create_symlink("/bin/true", root / "bin/rklaunch");
    env = {"PATH=" + (root / "bin").string() + ":/usr/bin:/bin",
           "HOME=" + root.string(),
           "QUILLMARSHCONFIGINI=" + (root / "etc/quillmarsh.ini").string(),
           "QUILLMARSHDATADIR=" + (root / "data").string(),
           "QUILLMARSHINSTALLDIR=" + (root / "install").string(),
           "TZ=UTC"};
  }
  ~WorldS() {
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }
};

WorldS& World() {
  static WorldS world;
  return world;
}

// Runs argv to completion; adds its CPU time (seconds) and peak RSS (KiB) to the totals.
bool RunOnce(const std::vector<std::string>& argv, double* cpu, long* maxrss) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::vector<char*> envp;
  for (const std::string& e : World().env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0) return false;
  if (pid == 0) {
    int devnull = ::open("/dev/null", O_RDWR);
    ::dup2(devnull, 1);
    ::dup2(devnull, 2);
    ::execve(args[0], args.data(), envp.data());
    ::_exit(127);
  }
  int status = 0;
  struct rusage usage {};
  if (::wait4(pid, &status, 0, &usage) != pid) return false;
  *cpu += usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
          usage.ru_stime.tv_usec / 1e6;
  *maxrss = std::max(*maxrss, usage.ru_maxrss);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void RunLoop(benchmark::State& state, const std::vector<std::vector<std::string>>& commands) {
  double cpu = 0;
  long maxrss = 0;
  for (auto _ : state) {
    for (const auto& argv : commands) {
      if (!RunOnce(argv, &cpu, &maxrss)) {
        state.SkipWithError("a run failed");
        return;
      }
    }
  }
  state.counters["cpu_ms"] = benchmark::Counter(cpu * 1e3 / state.iterations());
  state.counters["maxrss_kb"] = benchmark::Counter(static_cast<double>(maxrss));
}

const std::string kPolicy = std::string(QLM_BINARY_DIR) + "/policy/qlmpolicy";

void BM_True(benchmark::State& state) {
  RunLoop(state, {{"/bin/true"}});
}
void BM_TrueTwice(benchmark::State& state) {
  RunLoop(state, {{"/bin/true"}, {"/bin/true"}});
}
void BM_PolicyGenerateOnly(benchmark::State& state) {
  RunLoop(state, {{kPolicy, "-o", "GeneratePolicyOnly=True"}});
}
void BM_PolicyFullRun(benchmark::State& state) {
  RunLoop(state, {{kPolicy}});
}

BENCHMARK(BM_True)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PolicyGenerateOnly)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TrueTwice)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PolicyFullRun)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
