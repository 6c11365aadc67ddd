#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cmn/cmn_ArgsI.h"
#include "cmn/cmn_Services.h"
#include "cmn/cmn_TracerC.h"
#include "cmn/cmn_TracerI.h"
#include "tests/testing/FileUtil.h"
#include "tests/testing/ScopedEnvC.h"
#include "tests/testing/TempDirC.h"

namespace {

using qlmtest::ReadFile;
using qlmtest::ReadLines;
using qlmtest::ScopedEnvC;
using qlmtest::TempDirC;

// One character-string argument.
class TextArgs final : public cmn_ArgsI {
 public:
  explicit TextArgs(const char* text) {
    value_.type = ARG_CHARSTAR;
    value_.cstr = text;
  }
  size_t Count() const override { return 1; }
  const cmn_ArgValueS* At(size_t i) const override { return i == 0 ? &value_ : nullptr; }

 private:
  cmn_ArgValueS value_;
};

struct RuleCase {
  const char* rules;
  const char* name;
  bool enabled;
};

class TracerRulesTest : public ::testing::TestWithParam<RuleCase> {};

TEST_P(TracerRulesTest, PrefixRules) {
  const RuleCase& c = GetParam();
  cmn_TracerC tracer(c.rules, "stderr");
  EXPECT_EQ(tracer.IsEnabled(c.name, nullptr) != 0, c.enabled)
      << "rules \"" << c.rules << "\" name \"" << c.name << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    Table, TracerRulesTest,
    ::testing::Values(
        // Off by default.
        RuleCase{"", "Communication", false},
        // Prefixes match the name itself and names continuing with "/".
        RuleCase{"Communication/Process", "Communication/Process", true},
        RuleCase{"Communication/Process", "Communication/Process/List", true},
        RuleCase{"Communication/Process", "Communication/Processes", false},
        RuleCase{"Comm", "Communication", false},
        RuleCase{"Communication/", "Communication/Thread", true},
        // Everything, and subtrees switched off again; later entries win.
        RuleCase{"*", "Encoding/Encryption/OpenSSL", true},
        RuleCase{"*,-Error", "Error/Catalog/Fetch", false}, RuleCase{"*,-Error", "Encoding", true},
        RuleCase{"Communication,-Communication/Network", "Communication/Network/Library", false},
        RuleCase{"Communication,-Communication/Network", "Communication/Process", true},
        RuleCase{"-Communication,Communication", "Communication/Lock", true},
        RuleCase{"*,-*", "Configuring", false},
        RuleCase{"*,-*,Encoding", "Encoding/Encryption", true},
        // A leading detail digit is ignored on both sides.
        RuleCase{"Error/Catalog", "0Error/Catalog/Open", true},
        RuleCase{"Policy/Client", "2Policy/Client/RPL", true},
        RuleCase{"2Policy/Client/RPL", "2Policy/Client/RPL", true},
        RuleCase{"Policy/Client,-Policy/Client/ACL", "2Policy/Client/ACL", false},
        RuleCase{"2", "2Policy", false},
        // Blanks around entries and empty entries are ignored.
        RuleCase{" Policy/Client , ,-Policy/Client/ACL ", "2Policy/Client/ACL", false},
        RuleCase{" Policy/Client , ,-Policy/Client/ACL ", "Policy/Client/Loaded", true},
        RuleCase{",,-,", "X", false}));

TEST(TracerTest, CategoryRecordsShareOneFlagThatConfigureUpdates) {
  cmn_TracerC tracer("Configuring", "stderr");
  cmn_TraceCategoryS get = {{nullptr}, "Configuring/Registry/Get"};
  cmn_TraceCategoryS get2 = {{nullptr}, "Configuring/Registry/Get"};
  cmn_TraceCategoryS thread = {{nullptr}, "Communication/Thread"};

  EXPECT_NE(tracer.IsEnabled(get.name, &get), 0);
  EXPECT_EQ(tracer.IsEnabled(nullptr, &get2), 1);  // the record's own name is used
  EXPECT_EQ(tracer.IsEnabled(thread.name, &thread), 0);
  std::atomic<int32_t>* getFlag = get.flag.load();
  std::atomic<int32_t>* threadFlag = thread.flag.load();
  ASSERT_NE(getFlag, nullptr);
  ASSERT_NE(threadFlag, nullptr);
  EXPECT_EQ(get2.flag.load(), getFlag);
  EXPECT_EQ(getFlag->load(), 1);
  EXPECT_EQ(threadFlag->load(), 0);

  tracer.Configure("Communication,-Configuring", "");
  EXPECT_EQ(getFlag->load(), 0);
  EXPECT_EQ(threadFlag->load(), 1);
  EXPECT_EQ(get.flag.load(), getFlag);  // flags keep their addresses

  tracer.Configure("", "");
  EXPECT_EQ(threadFlag->load(), 0);
  EXPECT_EQ(tracer.IsEnabled(nullptr, nullptr), 0);
}

TEST(TracerTest, RecordsReachTheFileOneLineEach) {
  TempDirC dir;
  const std::string path = dir.File("trace.log");
  cmn_TracerC tracer("Test", path);
  cmn_TraceCategoryS category = {{nullptr}, "2Test/Unit"};

  TextArgs arg("world");
  tracer.Trace(category.name, &category, "hello %s", &arg);
  tracer.Trace("Test", nullptr, "plain text", nullptr);
  tracer.Trace(nullptr, &category, "two\nlines\r", nullptr);
  tracer.Trace("Other", nullptr, "not enabled", nullptr);

  std::vector<std::string> lines = ReadLines(path);
  ASSERT_EQ(lines.size(), 3u) << ReadFile(path);
  const std::string ids = std::to_string(::getpid()) + "\\.[0-9]+";
  const std::string stamp = "[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}\\.[0-9]{6}Z ";
  EXPECT_TRUE(std::regex_match(lines[0], std::regex(stamp + ids + " 2Test/Unit: hello world")))
      << lines[0];
  EXPECT_TRUE(std::regex_match(lines[1], std::regex(stamp + ids + " Test: plain text")))
      << lines[1];
  EXPECT_TRUE(lines[2].ends_with(" 2Test/Unit: two\\nlines\\r")) << lines[2];

  struct stat st;
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(TracerTest, NothingIsWrittenWhenOff) {
  TempDirC dir;
  const std::string path = dir.File("trace.log");
  cmn_TracerC tracer("", path);
  cmn_TraceCategoryS category = {{nullptr}, "Test/Unit"};
  tracer.Trace(category.name, &category, "dropped", nullptr);
  tracer.Trace("Test", nullptr, "dropped", nullptr);
  tracer.Configure("Test", "");
  tracer.Configure("-Test", "");
  tracer.Trace(category.name, &category, "dropped", nullptr);
  EXPECT_EQ(ReadFile(path), "");
}

TEST(TracerTest, RefusesASymbolicLinkAsTraceFile) {
  TempDirC dir;
  // A link planted at the trace path is not followed (records go to standard error instead).
  const std::string target = dir.File("target");
  { std::ofstream(target) << ""; }
  const std::string link = dir.File("link.log");
  ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
  // Planted by another user: a link of our own (or root's) would be followed under the rule.
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to plant another user's link";
  ASSERT_EQ(::lchown(link.c_str(), 65534, 65534), 0);
  cmn_TracerC tracer("Test", link);
  tracer.Trace("Test", nullptr, "link refused, this record goes to standard error", nullptr);
  EXPECT_EQ(ReadFile(target), "");
}

TEST(TracerTest, SwitchingTheDestinationLosesNoRecord) {
  // Records written by several threads while another swaps the file land whole, one line each,
  // in one file or the other: a replaced descriptor is not closed under a record being written.
  TempDirC dir;
  const std::string a = dir.File("a.log");
  const std::string b = dir.File("b.log");
  cmn_TracerC tracer("Load", a);
  constexpr int kThreads = 3;
  constexpr int kRecords = 300;
  std::atomic<int> running{kThreads};
  const std::string payload(300, 'p');
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      cmn_TraceCategoryS category = {{nullptr}, "Load/Switch"};
      TextArgs arg(payload.c_str());
      for (int i = 0; i < kRecords; ++i) tracer.Trace(category.name, &category, "%s", &arg);
      running.fetch_sub(1);
    });
  }
  for (int round = 0; running.load() > 0; ++round) tracer.Configure("Load", round % 2 ? a : b);
  tracer.Configure("Load", "");  // empty keeps the destination
  for (std::thread& t : threads) t.join();
  tracer.Trace("Load/Switch", nullptr, payload.c_str(), nullptr);

  std::vector<std::string> lines = ReadLines(a);
  std::vector<std::string> more = ReadLines(b);
  lines.insert(lines.end(), more.begin(), more.end());
  ASSERT_EQ(lines.size(), static_cast<size_t>(kThreads * kRecords + 1));
  for (const std::string& line : lines) ASSERT_TRUE(line.ends_with(" Load/Switch: " + payload));
}

TEST(TracerTest, EnvironmentGivesRulesAndDestination) {
  TempDirC dir;
  const std::string path = dir.File("env.log");
  ScopedEnvC rules("QLMTRACE", "Env,-Env/Quiet");
  ScopedEnvC file("QLMTRACEFILE", path.c_str());
  cmn_TracerC tracer;
  tracer.Trace("Env/Loud", nullptr, "on", nullptr);
  tracer.Trace("Env/Quiet", nullptr, "off", nullptr);
  std::vector<std::string> lines = ReadLines(path);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(lines[0].ends_with(" Env/Loud: on"));
}

TEST(TracerTest, ProcessTracerFillsRecordsForTheCheapTest) {
  TempDirC dir;
  cmn_TracerI* tracer = getTracer();
  tracer->Configure("Test/Process", dir.File("process.log"));
  cmn_TraceCategoryS on = {{nullptr}, "Test/Process/On"};
  cmn_TraceCategoryS off = {{nullptr}, "Test/Other"};
  EXPECT_TRUE(cmn_TraceIsOn(on));
  EXPECT_FALSE(cmn_TraceIsOn(off));
  ASSERT_NE(on.flag.load(), nullptr);
  ASSERT_NE(off.flag.load(), nullptr);

  tracer->Configure("Test/Other", "");
  EXPECT_FALSE(cmn_TraceIsOn(on));
  EXPECT_TRUE(cmn_TraceIsOn(off));
  tracer->Configure("", "stderr");
}

}  // namespace
