// qlmpolicy as an operator meets it: --help and --version, the usage after a refused command
// line, and the metrics file a monitoring system reads, checked with the Prometheus client
// library's own text parser.
#include <pwd.h>
#include <sys/stat.h>

#include <cstdio>

#include "e2e/E2eSupport.h"
#include "policy/PlcMetricsC.h"

namespace e2e {
namespace {

using Argv = std::vector<std::string>;

const std::string kStars(60, '*');

class OperationsTest : public PolicyWorldTest {
 protected:
  void SetUp() override {
    PolicyWorldTest::SetUp();
    if (::geteuid() != 0) GTEST_SKIP() << "the default machine policy needs root";
  }
  std::string Out() const { return ReadFile(root_ / "out/stdout"); }
  std::string Err() const { return ReadFile(root_ / "out/stderr"); }
  void ClearOutput() {
    fs::remove(root_ / "out/stdout");
    fs::remove(root_ / "out/stderr");
  }
  fs::path Metrics() const { return root_ / "metrics/qlmpolicy.prom"; }
  void UseMetrics() {
    fs::create_directories(Metrics().parent_path());
    WriteFile(ConfigIni(), "[Quillmarsh\\Common]\nMetricsFile=" + Metrics().string() + "\n");
  }
  PlcMetricsC::SamplesT Samples() const { return PlcMetricsC::Parse(ReadFile(Metrics())); }
  std::string Sample(const char* metric, const std::string& type) const {
    const auto samples = Samples();
    const auto family = samples.find(metric);
    if (family == samples.end()) return "(none)";
    const auto value = family->second.find(type);
    return value == family->second.end() ? "(none)" : value->second;
  }
};

TEST_F(OperationsTest, HelpAndVersionPrintAndExit0WithoutLogging) {
  struct Case {
    Argv args;
    std::string expect;
  };
  const Case cases[] = {
      {{"--help"}, "Usage: qlmpolicy"},
      {{"-t", "User", "--help"}, "Usage: qlmpolicy"},
      {{"--version"}, "qlmpolicy (Quillmarsh deployment policy client) 13.0\nBuild 15826\n"},
      {{"--version", "-x"}, "qlmpolicy (Quillmarsh deployment policy client) 13.0"},
  };
  UseMetrics();
  for (const Case& c : cases) {
    ClearOutput();
    EXPECT_EQ(Run(c.args), 0) << c.args[0];
    EXPECT_EQ(Out().rfind(c.expect, 0), 0u) << Out();
    EXPECT_EQ(Err(), "");
  }
  EXPECT_NE(Out().find("Build 15826"), std::string::npos);
  // Nothing ran: no log, no agent, no metrics.
  EXPECT_FALSE(fs::exists(LogFile()));
  EXPECT_TRUE(Calls().empty());
  EXPECT_FALSE(fs::exists(Metrics()));

  // "--help" as the argument of an option is that option's text, not a request for help.
  ClearOutput();
  EXPECT_EQ(Run({"-o", "--help", "-o", "GeneratePolicyOnly=True"}), 0);
  EXPECT_EQ(Out(), "");
  EXPECT_TRUE(LogHas("Program exited successfully"));
}

TEST_F(OperationsTest, RefusedCommandLineKeepsItsLogLinesAndShowsTheUsage) {
  for (const Argv& args : {Argv{"-x"}, Argv{"--verbose"}, Argv{"-t"}}) {
    fs::remove(LogFile());
    ClearOutput();
    EXPECT_EQ(Run(args), 1) << args[0];
    EXPECT_EQ(LogTexts(), (std::vector<std::string>{"WARNING: Invalid preference '-?'",
                                                    "Program exited with code 1", kStars}));
    const std::string err = Err();
    EXPECT_NE(err.find("Usage: qlmpolicy [-t Machine|User]"), std::string::npos) << err;
    for (const char* option : {"-t TYPE", "-s ADDRESS", "-l OPTIONS", "-a ACCOUNT", "-o NAME"}) {
      EXPECT_NE(err.find(option), std::string::npos) << option;
    }
    EXPECT_NE(err.find("The reason is in the log: " + LogFile().string()), std::string::npos)
        << err;
    EXPECT_NE(err.find("man qlmpolicy"), std::string::npos);
    EXPECT_EQ(Out(), "");
  }
}

TEST_F(OperationsTest, MetricsFollowSuccessFailureAndRefusalOfRuns) {
  UseMetrics();
  // Off by default: nothing is written anywhere near.
  WriteFile(ConfigIni(), "");
  EXPECT_EQ(Run({}), 0);
  EXPECT_FALSE(fs::exists(Metrics()));

  UseMetrics();
  EXPECT_EQ(Run({}), 0);
  ASSERT_TRUE(fs::exists(Metrics()));
  EXPECT_EQ(Sample(PlcMetricsC::c_ExitCode, "Machine"), "0");
  EXPECT_EQ(Sample(PlcMetricsC::c_AgentExitCode, "Machine"), "0");
  EXPECT_EQ(Sample(PlcMetricsC::c_RefusedByLock, "Machine"), "0");
  const std::string success = Sample(PlcMetricsC::c_LastSuccessTime, "Machine");
  EXPECT_GT(std::stod(success), 1e9);
  EXPECT_GE(std::stod(success), std::stod(Sample(PlcMetricsC::c_LastRunTime, "Machine")));
  struct stat info {};
  ASSERT_EQ(::stat(Metrics().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0644u);

  // A failing agent: its status is reported and the last success is kept.
  env_["FAKE_RKLAUNCH_EXIT"] = "7";
  EXPECT_EQ(Run({}), 1);
  EXPECT_EQ(Sample(PlcMetricsC::c_ExitCode, "Machine"), "1");
  EXPECT_EQ(Sample(PlcMetricsC::c_AgentExitCode, "Machine"), "7");
  EXPECT_EQ(Sample(PlcMetricsC::c_LastSuccessTime, "Machine"), success);

  // A user policy run of root keeps the machine's samples beside its own.
  env_.erase("FAKE_RKLAUNCH_EXIT");
  EXPECT_EQ(Run({"-t", "User"}), 0);
  EXPECT_EQ(Sample(PlcMetricsC::c_ExitCode, "User"), "0");
  EXPECT_EQ(Sample(PlcMetricsC::c_AgentExitCode, "Machine"), "7");

  // Refused by the lock: the holder's agent waits until the second run has ended.
  const fs::path release = root_ / "release";
  env_["FAKE_RKLAUNCH_WAIT"] = release.string();
  ChildC first;
  Start(&first, {});
  for (int i = 0; i < 400 && Calls().size() < 5; ++i) ::usleep(50000);
  ASSERT_EQ(Calls().size(), 5u);
  EXPECT_EQ(Run({}), 1);
  EXPECT_EQ(Sample(PlcMetricsC::c_RefusedByLock, "Machine"), "1");
  EXPECT_EQ(Sample(PlcMetricsC::c_AgentExitCode, "Machine"), "-1");
  WriteFile(release, "");
  EXPECT_EQ(first.Wait(), 0);
  EXPECT_EQ(Sample(PlcMetricsC::c_RefusedByLock, "Machine"), "0");
  // No temporary file is left behind.
  size_t entries = 0;
  for (const auto& entry : fs::directory_iterator(Metrics().parent_path())) {
    (void)entry;
    ++entries;
  }
  EXPECT_EQ(entries, 1u);
}

TEST_F(OperationsTest, MetricsFileReadsWithThePrometheusTextParser) {
  if (std::system("/usr/bin/python3 -c 'import prometheus_client' 2>/dev/null") != 0) {
    GTEST_SKIP() << "python3-prometheus-client is not installed";
  }
  UseMetrics();
  EXPECT_EQ(Run({}), 0);
  EXPECT_EQ(Run({"-t", "User"}), 0);
  const fs::path script = root_ / "parse.py";
  WriteFile(script,
            "import sys\n"
            "from prometheus_client.parser import text_string_to_metric_families\n"
            "seen = {}\n"
            "for family in text_string_to_metric_families(open(sys.argv[1]).read()):\n"
            "    assert family.type == 'gauge', family\n"
            "    for s in family.samples:\n"
            "        seen[(s.name, s.labels['policy_type'])] = s.value\n"
            "for t in ('Machine', 'User'):\n"
            "    assert seen[('qlmpolicy_last_run_exit_code', t)] == 0\n"
            "    assert seen[('qlmpolicy_last_run_agent_exit_code', t)] == 0\n"
            "    assert seen[('qlmpolicy_last_run_refused_by_lock', t)] == 0\n"
            "    assert seen[('qlmpolicy_last_success_timestamp_seconds', t)] >= "
            "seen[('qlmpolicy_last_run_timestamp_seconds', t)]\n"
            "    assert seen[('qlmpolicy_last_run_duration_seconds', t)] >= 0\n"
            "assert len(seen) == 12, seen\n"
            "print('parsed', len(seen))\n");
  const std::string command = "/usr/bin/python3 " + script.string() + " " + Metrics().string() +
                              " >" + (root_ / "out/parse").string() + " 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0) << ReadFile(root_ / "out/parse") << "\n"
                                             << ReadFile(Metrics());
  EXPECT_EQ(ReadFile(root_ / "out/parse"), "parsed 12\n");
}

// An ordinary user's run writes its metrics only where that user may write.
TEST_F(OperationsTest, UserRunWritesMetricsOnlyWhereTheUserMayWrite) {
  struct passwd* nobody = ::getpwnam("nobody");
  if (nobody == nullptr || !fs::exists("/usr/bin/setpriv")) GTEST_SKIP() << "no nobody/setpriv";
  fs::permissions(root_, fs::perms::all & ~fs::perms::group_write & ~fs::perms::others_write);
  ASSERT_EQ(::chown((root_ / "home").c_str(), nobody->pw_uid, nobody->pw_gid), 0);
  fs::create_directories(root_ / "data/run");
  fs::create_directories(root_ / "data/log");
  fs::permissions(root_ / "data/log", fs::perms::all);
  fs::permissions(root_ / "calls", fs::perms::all);
  env_.erase("XDG_RUNTIME_DIR");
  const fs::path mine = root_ / "home/state";
  fs::create_directories(mine);
  ASSERT_EQ(::chown(mine.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
  fs::create_directories(Metrics().parent_path());  // root's, mode 0755
  WriteFile(ConfigIni(), "[Quillmarsh]\nInstallDir=" + (root_ / "install").string() +
                             "\nCommonAppDataFolder=" + (root_ / "data").string() +
                             "\n[Quillmarsh\\Common]\nMetricsFile=" + Metrics().string() + "\n");
  MakeUserLockDirectory(nobody->pw_uid, nobody->pw_gid);
  auto runAsNobody = [&](const Argv& args) {
    Argv argv = {"/usr/bin/setpriv", "--reuid=" + std::to_string(nobody->pw_uid),
                 "--regid=" + std::to_string(nobody->pw_gid), "--clear-groups", Program()};
    argv.insert(argv.end(), args.begin(), args.end());
    ChildC child;
    child.Start(argv, env_, root_ / "out/stdout", root_ / "out/stderr");
    return child.Wait();
  };
  // The machine's file is out of reach: the run still succeeds and says why in the log.
  EXPECT_EQ(runAsNobody({}), 0) << ReadFile(LogFile());
  EXPECT_FALSE(fs::exists(Metrics()));
  bool warned = false;
  for (const std::string& text : LogTexts()) {
    warned = warned || text.rfind("WARNING: The run's metrics cannot be written to '" +
                                      Metrics().string() + "': ",
                                  0) == 0;
  }
  // A data/log directory anybody may write is refused under the trust rule, and nobody has no
  // home for a log of its own: the warning then goes to standard error.
  const std::string said = ReadFile(root_ / "out/stderr");
  warned = warned || said.find("WARNING: The run's metrics cannot be written to '" +
                               Metrics().string() + "': ") != std::string::npos;
  EXPECT_TRUE(warned) << ReadFile(LogFile()) << said;

  // Its own directory is fine.
  EXPECT_EQ(runAsNobody({"-o", "MetricsFile=" + (mine / "q.prom").string()}), 0);
  struct stat info {};
  ASSERT_EQ(::stat((mine / "q.prom").c_str(), &info), 0);
  EXPECT_EQ(info.st_uid, nobody->pw_uid);
  EXPECT_EQ(PlcMetricsC::Parse(ReadFile(mine / "q.prom"))[PlcMetricsC::c_ExitCode]["User"], "0");
}

}  // namespace
}  // namespace e2e
