// The metrics file's text (rendering, reading back a previous file), its atomic replacement,
// and the command-line words that ask for help or the version.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "policy/PlcMetricsC.h"
#include "policy/PlcMetricsFile_posix.h"
#include "policy/PlcUsage.h"
#include "tests/testing/FileUtil.h"
#include "tests/testing/TempDirTest.h"

namespace fs = std::filesystem;

namespace {

PlcRunMetricsS MakeRun(const char* type, int exitCode, int agent, bool refused = false) {
  PlcRunMetricsS run;
  run.policyType = type;
  run.startTime = 1700000000.25;
  run.duration = 1.5;
  run.exitCode = exitCode;
  run.agentExitCode = agent;
  run.refusedByLock = refused;
  return run;
}

std::string Value(const PlcMetricsC::SamplesT& samples, const char* metric,
                  const std::string& type) {
  const auto family = samples.find(metric);
  if (family == samples.end()) return "(none)";
  const auto found = family->second.find(type);
  return found == family->second.end() ? "(none)" : found->second;
}

TEST(PlcMetricsTest, RenderedFileReadsBackSampleForSample) {
  const std::string text = PlcMetricsC::Render(MakeRun("Machine", 0, 0), "");
  const auto samples = PlcMetricsC::Parse(text);
  EXPECT_EQ(samples.size(), 6u);
  EXPECT_EQ(Value(samples, PlcMetricsC::c_LastRunTime, "Machine"), "1700000000.25");
  EXPECT_EQ(Value(samples, PlcMetricsC::c_Duration, "Machine"), "1.5");
  EXPECT_EQ(Value(samples, PlcMetricsC::c_ExitCode, "Machine"), "0");
  EXPECT_EQ(Value(samples, PlcMetricsC::c_AgentExitCode, "Machine"), "0");
  EXPECT_EQ(Value(samples, PlcMetricsC::c_LastSuccessTime, "Machine"), "1700000001.75");
  EXPECT_EQ(Value(samples, PlcMetricsC::c_RefusedByLock, "Machine"), "0");
  // Every family is announced once, as a gauge, before its samples.
  for (const auto& [metric, values] : samples) {
    const size_t type = text.find("# TYPE " + metric + " gauge\n");
    ASSERT_NE(type, std::string::npos) << metric;
    EXPECT_LT(type, text.find(metric + "{"));
    EXPECT_NE(text.find("# HELP " + metric + " "), std::string::npos);
  }
  EXPECT_EQ(text.back(), '\n');
}

TEST(PlcMetricsTest, FailedRunKeepsLastSuccessAndOtherPolicyTypes) {
  const std::string first = PlcMetricsC::Render(MakeRun("Machine", 0, 0), "");
  const std::string user = PlcMetricsC::Render(MakeRun("User", 1, 3), first);
  PlcRunMetricsS later = MakeRun("Machine", 1, -1, true);
  later.startTime = 1700003600;
  const auto samples = PlcMetricsC::Parse(PlcMetricsC::Render(later, user));
  EXPECT_EQ(Value(samples, PlcMetricsC::c_LastSuccessTime, "Machine"), "1700000001.75");
  EXPECT_EQ(Value(samples, PlcMetricsC::c_LastRunTime, "Machine"), "1700003600");
  EXPECT_EQ(Value(samples, PlcMetricsC::c_RefusedByLock, "Machine"), "1");
  EXPECT_EQ(Value(samples, PlcMetricsC::c_AgentExitCode, "Machine"), "-1");
  // The user's samples, never successful, are carried unchanged.
  EXPECT_EQ(Value(samples, PlcMetricsC::c_LastSuccessTime, "User"), "0");
  EXPECT_EQ(Value(samples, PlcMetricsC::c_AgentExitCode, "User"), "3");
}

TEST(PlcMetricsTest, ForeignOrDamagedLinesOfAPreviousFileAreIgnored) {
  struct Case {
    const char* line;
    bool taken;
  };
  const Case cases[] = {
      {"qlmpolicy_last_run_exit_code{policy_type=\"User\"} 1", true},
      {"qlmpolicy_last_run_exit_code{policy_type=\"User\"} 1\r", true},
      {"qlmpolicy_last_run_exit_code{policy_type=\"User\"}   -2.5e3", true},
      {"other_metric{policy_type=\"User\"} 1", false},
      {"qlmpolicy_last_run_exit_code 1", false},
      {"qlmpolicy_last_run_exit_code{policy_type=\"User\",x=\"y\"} 1", false},
      {"qlmpolicy_last_run_exit_code{policy_type=\"Us er\"} 1", false},
      {"qlmpolicy_last_run_exit_code{policy_type=\"User\"} NaN", false},
      {"qlmpolicy_last_run_exit_code{policy_type=\"User\"} +Inf", false},
      {"qlmpolicy_last_run_exit_code{policy_type=\"User\"} 1 1700000000000", false},
      {"qlmpolicy_last_run_exit_code{policy_type=\"User\"} 0x10", false},
      {"qlmpolicy_last_run_exit_code{policy_type=\"User\"", false},
      {"qlmpolicy_last_run_exit_code{policy_type=\"\"} 1", false},
      {"# qlmpolicy_last_run_exit_code{policy_type=\"User\"} 1", false},
  };
  for (const Case& c : cases) {
    const auto samples = PlcMetricsC::Parse(std::string("junk line\n") + c.line + "\n");
    EXPECT_EQ(!samples.empty(), c.taken) << c.line;
    // A rendered file never carries what was not taken.
    const std::string text = PlcMetricsC::Render(MakeRun("Machine", 0, 0), c.line);
    EXPECT_EQ(text.find("\"User\"") != std::string::npos, c.taken) << c.line;
  }
}

TEST(PlcMetricsTest, PolicyTypeOutsideLettersBecomesUnknown) {
  const auto samples = PlcMetricsC::Parse(PlcMetricsC::Render(MakeRun("a\"}b", 0, 0), ""));
  EXPECT_EQ(Value(samples, PlcMetricsC::c_ExitCode, "Unknown"), "0");
}

// Every value reads back exactly, in the shortest text: the one std::to_chars gives (fixed
// notation unless the scientific one is shorter).
TEST(PlcMetricsTest, ValuesReadBackExactlyInTheShortestText) {
  std::vector<double> values = {
      0.0,  -0.0, 1.0,  -1.0,  0.1,    1700000000.123456,      1e-9, 1e-5,      1e-4, 123456789.0,
      1e16, 1e17, 1e21, 1e300, 5e-324, 1.7976931348623157e308, 2.5,  1e15 + 0.5};
  std::mt19937_64 random(20261206);
  for (int i = 0; i < 2000; ++i) {
    uint64_t bits = random();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    if (std::isfinite(value)) values.push_back(value);
    values.push_back(1.7e9 + static_cast<double>(random() % 100000000) / 1000.0);
  }
  for (const double value : values) {
    const std::string text = PlcMetricsC::FormatValue(value);
    EXPECT_EQ(std::strtod(text.c_str(), nullptr), value) << text;
    char expected[400];
    const auto end = std::to_chars(expected, expected + sizeof expected, value).ptr;
    EXPECT_EQ(text, std::string(expected, end)) << value;
  }
  EXPECT_EQ(PlcMetricsC::FormatValue(std::numeric_limits<double>::infinity()), "0");
  EXPECT_EQ(PlcMetricsC::FormatValue(std::numeric_limits<double>::quiet_NaN()), "0");
}

class PlcMetricsFileTest : public qlmtest::TempDirTest {
 protected:
  static std::string Read(const fs::path& path) { return qlmtest::ReadFile(path); }
};

TEST_F(PlcMetricsFileTest, ReplacesTheFileWholeAndLeavesNoTemporary) {
  const fs::path file = fs::path(dir_) / "q.prom";
  std::string text;
  EXPECT_EQ(PlcReadMetricsFile(file.string(), &text), RC_OK);  // missing: empty
  EXPECT_EQ(text, "");
  std::string reason;
  const mode_t old = ::umask(077);
  ASSERT_EQ(PlcReplaceMetricsFile(file.string(), "one\n", &reason), RC_OK) << reason;
  ::umask(old);
  ASSERT_EQ(PlcReplaceMetricsFile(file.string(), "two\n", &reason), RC_OK) << reason;
  EXPECT_EQ(PlcReadMetricsFile(file.string(), &text), RC_OK);
  EXPECT_EQ(text, "two\n");
  struct stat info {};
  ASSERT_EQ(::stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0644u);  // readable by the exporter whatever the umask
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(PlcMetricsFileTest, LinkAtThePathIsReplacedNotFollowed) {
  const fs::path target = fs::path(dir_) / "target";
  std::ofstream(target) << "keep\n";
  const fs::path file = fs::path(dir_) / "q.prom";
  fs::create_symlink(target, file);
  // Planted by another user: a link of our own (or root's) would be followed under the rule.
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to plant another user's link";
  ASSERT_EQ(::lchown(file.c_str(), 65534, 65534), 0);
  std::string text;
  EXPECT_NE(PlcReadMetricsFile(file.string(), &text), RC_OK);
  std::string reason;
  ASSERT_EQ(PlcReplaceMetricsFile(file.string(), "new\n", &reason), RC_OK) << reason;
  EXPECT_EQ(Read(target), "keep\n");
  EXPECT_FALSE(fs::is_symlink(file));
  EXPECT_EQ(Read(file), "new\n");
}

TEST_F(PlcMetricsFileTest, MissingOrUnwritableDirectoryIsReportedWithAReason) {
  std::string reason;
  EXPECT_NE(PlcReplaceMetricsFile((fs::path(dir_) / "absent/q.prom").string(), "x\n", &reason),
            RC_OK);
  EXPECT_FALSE(reason.empty());
  if (::geteuid() == 0) {
    // Root: a directory that another user owns and others may write is refused.
    const fs::path shared = fs::path(dir_) / "shared";
    fs::create_directories(shared);
    fs::permissions(shared, fs::perms::all);
    ASSERT_EQ(::chown(shared.c_str(), 65534, 65534), 0);
    reason.clear();
    EXPECT_NE(PlcReplaceMetricsFile((shared / "q.prom").string(), "x\n", &reason), RC_OK);
    EXPECT_FALSE(reason.empty());
    EXPECT_FALSE(fs::exists(shared / "q.prom"));
  }
}

TEST(PlcUsageTest, HelpAndVersionAreFoundOnlyAsOptions) {
  using R = PlcInfoRequest;
  struct Case {
    std::vector<const char*> args;
    R expect;
  };
  const Case cases[] = {
      {{"--help"}, R::kHelp},
      {{"--version"}, R::kVersion},
      {{"-t", "User", "--help"}, R::kHelp},
      {{"--version", "--help"}, R::kVersion},
      {{"-x", "--help"}, R::kHelp},
      {{"-o", "--help"}, R::kNone},
      {{"-hs", "--help"}, R::kNone},
      {{"-ho", "x", "--version"}, R::kVersion},
      {{"-oName=--help"}, R::kNone},
      {{"--", "--help"}, R::kNone},
      {{"operand", "--help"}, R::kNone},
      {{"--helpme"}, R::kNone},
      {{}, R::kNone},
  };
  for (const Case& c : cases) {
    std::vector<const char*> argv = {"qlmpolicy"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    EXPECT_EQ(PlcFindInfoRequest(static_cast<int>(argv.size()), argv.data()), c.expect)
        << (c.args.empty() ? "(none)" : c.args[0]);
  }
}

TEST(PlcUsageTest, UsageNamesEveryOptionTheLogAndTheManualPage) {
  const std::string usage = PlcUsageText("/var/log/quillmarsh/quillmarsh.log");
  for (const char* text : {"-t TYPE", "-s ADDRESS", "-l OPTIONS", "-a ACCOUNT", "-o NAME[=VALUE]",
                           "/var/log/quillmarsh/quillmarsh.log", "man qlmpolicy"}) {
    EXPECT_NE(usage.find(text), std::string::npos) << text;
  }
  EXPECT_EQ(PlcVersionText().rfind("qlmpolicy (", 0), 0u);
}

}  // namespace
