// The whole qlmpolicy process, side by side with starting /bin/true the same way:
//   - a run that only computes the policy address (-o GeneratePolicyOnly=True), against one
//     start of /bin/true;
//   - a full run with /bin/true as the installation agent, against two starts of /bin/true
//     (the program and its agent).
// Each iteration forks and execs, then collects the child's CPU time, peak resident size and
// page faults with wait4; they are reported as counters (cpu_ms and faults per iteration,
// maxrss_kb of the largest run). Where the time goes is shown by one more iteration run under
// `strace -f -c` when strace is installed: its counts of system calls by kind (the whole
// process tree: the program and its agent) become counters (sys_total, sys_openat, sys_stat for
// the stat family, sys_mmap, sys_read, sys_write, sys_close) and the full table goes to stderr.
// Without strace those counters are left out and a note says so.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
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

struct TotalsS {
  double cpu = 0;   // seconds
  long maxrss = 0;  // KiB, largest run
  long faults = 0;  // minor + major page faults
};

// Runs argv to completion; adds its CPU time, peak RSS and page faults to the totals.
bool RunOnce(const std::vector<std::string>& argv, TotalsS* totals) {
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
  totals->cpu += usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
                 usage.ru_stime.tv_usec / 1e6;
  totals->maxrss = std::max(totals->maxrss, usage.ru_maxrss);
  totals->faults += usage.ru_minflt + usage.ru_majflt;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

const char* Strace() {
  static const char* const path = [] {
    for (const char* p : {"/usr/bin/strace", "/bin/strace"}) {
      if (::access(p, X_OK) == 0) return p;
    }
    return static_cast<const char*>(nullptr);
  }();
  return path;
}

// The per-kind call counts of one `strace -f -c` summary ("% time seconds usecs/call calls
// errors syscall" rows).
std::map<std::string, long> ParseStraceSummary(const std::string& text) {
  std::map<std::string, long> calls;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::vector<std::string> f;
    for (std::string w; fields >> w;) f.push_back(w);
    if (f.size() < 5 || f[0] == "%" || f[0].starts_with("-") || f.back() == "total") continue;
    // Five columns when the call never failed, six when it did.
    try {
      calls[f.back()] += std::stol(f[3]);
    } catch (...) {
    }
  }
  return calls;
}

// The counters of one run's system calls: the total, the stat family and a few kinds.
void ReportSystemCalls(benchmark::State& state, const std::map<std::string, long>& calls) {
  long total = 0, stat_family = 0;
  for (const auto& [kind, count] : calls) {
    total += count;
    if (kind.find("stat") != std::string::npos && kind.find("statfs") == std::string::npos) {
      stat_family += count;
    }
  }
  auto count_of = [&calls](const char* kind) {
    auto it = calls.find(kind);
    return static_cast<double>(it == calls.end() ? 0 : it->second);
  };
  state.counters["sys_total"] = static_cast<double>(total);
  state.counters["sys_openat"] = count_of("openat") + count_of("open");
  state.counters["sys_stat"] = static_cast<double>(stat_family);
  state.counters["sys_mmap"] = count_of("mmap");
  state.counters["sys_read"] = count_of("read") + count_of("pread64");
  state.counters["sys_write"] = count_of("write") + count_of("pwrite64");
  state.counters["sys_close"] = count_of("close");
}

// Runs the commands once more under strace and reports the system calls by kind. The library
// calls a benchmark several times while it sizes the iteration count; the count is taken the
// first time and reused.
void CountSystemCalls(benchmark::State& state, const char* name,
                      const std::vector<std::vector<std::string>>& commands) {
  static std::map<std::string, std::map<std::string, long>> counted;
  if (Strace() == nullptr) {
    if (counted.emplace(name, std::map<std::string, long>{}).second) {
      std::fprintf(stderr, "%s: strace is not installed; system calls not counted\n", name);
    }
    return;
  }
  if (auto it = counted.find(name); it != counted.end()) {
    ReportSystemCalls(state, it->second);
    return;
  }
  std::map<std::string, long> calls;
  const std::string summary = (World().root / "strace.txt").string();
  for (const auto& argv : commands) {
    std::vector<std::string> traced = {Strace(), "-f", "-c", "-o", summary};
    traced.insert(traced.end(), argv.begin(), argv.end());
    TotalsS ignored;
    if (!RunOnce(traced, &ignored)) {
      std::fprintf(stderr, "%s: the run under strace failed\n", name);
      return;
    }
    std::ifstream in(summary);
    std::stringstream text;
    text << in.rdbuf();
    for (const auto& [kind, count] : ParseStraceSummary(text.str())) calls[kind] += count;
  }
  counted[name] = calls;
  ReportSystemCalls(state, calls);
  long total = 0;
  std::vector<std::pair<long, std::string>> ranked;
  for (const auto& [kind, count] : calls) {
    total += count;
    ranked.emplace_back(count, kind);
  }
  std::sort(ranked.rbegin(), ranked.rend());
  std::string table;
  for (const auto& [count, kind] : ranked) table += " " + kind + "=" + std::to_string(count);
  std::fprintf(stderr, "%s system calls (%ld):%s\n", name, total, table.c_str());
}

void RunLoop(benchmark::State& state, const char* name,
             const std::vector<std::vector<std::string>>& commands) {
  TotalsS totals;
  for (auto _ : state) {
    for (const auto& argv : commands) {
      if (!RunOnce(argv, &totals)) {
        state.SkipWithError("a run failed");
        return;
      }
    }
  }
  const double iterations = static_cast<double>(state.iterations());
  state.counters["cpu_ms"] = benchmark::Counter(totals.cpu * 1e3 / iterations);
  state.counters["maxrss_kb"] = benchmark::Counter(static_cast<double>(totals.maxrss));
  state.counters["faults"] = benchmark::Counter(static_cast<double>(totals.faults) / iterations);
  CountSystemCalls(state, name, commands);
}

const std::string kPolicy = std::string(QLM_BINARY_DIR) + "/policy/qlmpolicy";

void BM_True(benchmark::State& state) {
  RunLoop(state, "BM_True", {{"/bin/true"}});
}
void BM_TrueTwice(benchmark::State& state) {
  RunLoop(state, "BM_TrueTwice", {{"/bin/true"}, {"/bin/true"}});
}
void BM_PolicyGenerateOnly(benchmark::State& state) {
  RunLoop(state, "BM_PolicyGenerateOnly", {{kPolicy, "-o", "GeneratePolicyOnly=True"}});
}
void BM_PolicyFullRun(benchmark::State& state) {
  RunLoop(state, "BM_PolicyFullRun", {{kPolicy}});
}

// A second qlmpolicy (an earlier build) measured in the same run, for before/after figures:
// QLM_BASELINE_POLICY=/path/to/qlmpolicy.
void BM_BaselineGenerateOnly(benchmark::State& state, std::string program) {
  RunLoop(state, "BM_BaselineGenerateOnly", {{program, "-o", "GeneratePolicyOnly=True"}});
}
void BM_BaselineFullRun(benchmark::State& state, std::string program) {
  RunLoop(state, "BM_BaselineFullRun", {{program}});
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::RegisterBenchmark("BM_True", BM_True)->UseRealTime()->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("BM_PolicyGenerateOnly", BM_PolicyGenerateOnly)
      ->UseRealTime()
      ->Unit(benchmark::kMillisecond);
  if (const char* baseline = std::getenv("QLM_BASELINE_POLICY"); baseline != nullptr) {
    benchmark::RegisterBenchmark("BM_BaselineGenerateOnly", BM_BaselineGenerateOnly,
                                 std::string(baseline))
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::RegisterBenchmark("BM_TrueTwice", BM_TrueTwice)
      ->UseRealTime()
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("BM_PolicyFullRun", BM_PolicyFullRun)
      ->UseRealTime()
      ->Unit(benchmark::kMillisecond);
  if (const char* baseline = std::getenv("QLM_BASELINE_POLICY"); baseline != nullptr) {
    benchmark::RegisterBenchmark("BM_BaselineFullRun", BM_BaselineFullRun, std::string(baseline))
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
