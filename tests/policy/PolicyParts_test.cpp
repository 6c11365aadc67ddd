// The policy client's pieces that need no process of their own: the agent's command line, the
// option parser wrapper, the product information and the lock name.
#include <unistd.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/StringArrayC.h"
#include "base/StringC.h"
#include "os/CommandLine.h"
#include "policy/ApplyMergedPolicy.h"
#include "policy/PlcOptionParserC.h"
#include "policy/PlcRunLockC.h"
#include "policy/VersionC.h"
#include "tests/testing/StringHelpers.h"

namespace {

using qlmtest::S;

struct LineCase {
  const char* name;
  std::string address;
  std::string launcher;
  std::vector<std::string> options;
  bool built;
  std::string line;  // expected line when built and not empty
};

class AgentCommandLineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(AgentCommandLineTest, LineSplitsBackToTheIntendedArguments) {
  const LineCase& c = GetParam();
  const PlcAgentArgumentS head[] = {{S("rklaunch"), false}, {S("-r"), false}, {S(c.address), true}};
  StringArrayC options;
  for (const std::string& o : c.options) options.Append(S(o));
  StringC line, refused;
  ASSERT_EQ(BuildAgentCommandLine(head, 3, S(c.launcher), options, &line, &refused), c.built)
      << line.ToUtf8();
  if (!c.built) return;
  if (!c.line.empty()) {
    EXPECT_EQ(line.ToUtf8(), c.line);
  }
  std::vector<std::string> expected = {"rklaunch", "-r", c.address};
  for (const std::string& part : SplitCommandLine(c.launcher)) expected.push_back(part);
  for (const std::string& o : c.options) {
    expected.push_back("-o");
    expected.push_back(o);
  }
  EXPECT_EQ(SplitCommandLine(line.ToUtf8()), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AgentCommandLineTest,
    ::testing::Values(
        // The traditional form, byte for byte, whenever it is right.
        LineCase{"Plain",
                 "http://h/p.rpl",
                 "",
                 {"A=1", "B=2"},
                 true,
                 "rklaunch -r \"http://h/p.rpl\" -o \"A=1\" -o \"B=2\""},
        LineCase{"Launcher", "u", "-v -x", {"A"}, true, "rklaunch -r \"u\" -v -x -o \"A\""},
        LineCase{"BlanksAndSingleQuote",
                 "u",
                 "",
                 {"P=it's a b"},
                 true,
                 "rklaunch -r \"u\" -o \"P=it's a b\""},
        LineCase{"EvenTrailingBackslashes", "u", "", {"D=c:\\\\"}, true, ""},
        // A double quote would have split the option: quoted otherwise, arriving whole.
        LineCase{"DoubleQuote", "u", "", {"M=say \"hi\" -o X=1"}, true, ""},
        LineCase{"BothQuotes", "u", "", {"M=\"it's\""}, true, ""},
        LineCase{"QuoteInAddress", "http://h/\"x\"", "", {}, true, ""},
        LineCase{"Empty", "u", "", {""}, true, "rklaunch -r \"u\" -o \"\""},
        // A trailing odd backslash escapes whatever follows: refused.
        LineCase{"OddTrailingBackslash", "u", "", {"D=c:\\"}, false, ""},
        LineCase{"LauncherWithOpenQuote", "u", "-v \"", {"A=1"}, false, ""}),
    [](const ::testing::TestParamInfo<LineCase>& param_info) { return param_info.param.name; });

std::vector<PlcOptionParserC::OptionS> Parse(std::vector<const char*> argv) {
  return PlcOptionParserC(static_cast<int>(argv.size()), argv.data(), "a:ht:s:l:o:").ParseAll();
}

TEST(PlcOptionParserTest, ClustersAttachedArgumentsAndTheEndOfOptions) {
  auto options = Parse({"p", "-htUser", "-o", "A=1", "-oB", "--", "-s", "x"});
  ASSERT_EQ(options.size(), 4u);
  EXPECT_EQ(options[0].option, 'h');
  EXPECT_EQ(options[1].option, 't');
  EXPECT_EQ(options[1].argument, "User");
  EXPECT_EQ(options[2].argument, "A=1");
  EXPECT_EQ(options[3].argument, "B");
}

TEST(PlcOptionParserTest, StopsAtTheFirstFailure) {
  for (auto argv : {std::vector<const char*>{"p", "-x", "-t", "User"},
                    std::vector<const char*>{"p", "-a", "n", "-t"}}) {
    auto options = Parse(argv);
    ASSERT_FALSE(options.empty());
    EXPECT_EQ(options.back().option, '?');
  }
}

TEST(PlcOptionParserTest, LeavesTheProcessGetoptStateAlone) {
  optind = 3;
  opterr = 0;
  // Twice, and the second parse starts from the beginning although the first stopped inside a
  // cluster.
  for (int round = 0; round < 2; ++round) {
    auto options = Parse({"p", "-hx", "-t", "M"});
    ASSERT_EQ(options.size(), 2u);
    EXPECT_EQ(options[0].option, 'h');
    EXPECT_EQ(options[1].option, '?');
  }
  EXPECT_EQ(optind, 3);
  EXPECT_EQ(opterr, 0);
  opterr = 1;
  optind = 1;
}

TEST(PlcOptionParserTest, AnOuterParseStoppedInsideAClusterGoesOnWhereItWas) {
  char a0[] = "outer";
  char a1[] = "-ab";
  char a2[] = "-c";
  char* outer[] = {a0, a1, a2, nullptr};
  optind = 0;
  opterr = 0;
  ASSERT_EQ(::getopt(3, outer, "abc"), 'a');
  auto options = Parse({"p", "-htUser", "operand", "-o", "A=1"});
  ASSERT_EQ(options.size(), 3u);
  EXPECT_EQ(options[2].argument, "A=1");  // operands are stepped over, as getopt does
  EXPECT_EQ(::getopt(3, outer, "abc"), 'b');
  EXPECT_EQ(::getopt(3, outer, "abc"), 'c');
  EXPECT_EQ(::getopt(3, outer, "abc"), -1);
  opterr = 1;
  optind = 1;
}

TEST(PlcOptionParserTest, FollowsGetoptForEveryShape) {
  struct {
    std::vector<const char*> argv;
    const char* spec;
    std::vector<std::pair<int, std::string>> expected;
  } cases[] = {
      {{"p", "-a", "-h"}, "a:h", {{'a', "-h"}}},                  // a detached argument may look
      {{"p", "-", "-h"}, "a:h", {{'h', ""}}},                     // "-" is an operand
      {{"p", "x", "-h"}, "+h", {}},                               // "+": operands end the options
      {{"p", "-hq"}, "h", {{'h', ""}, {'?', ""}}},                // unknown inside a cluster
      {{"p", "-a"}, ":a:", {{':', ""}}},                          // quiet missing argument
      {{"p", "-bx", "-b", "y"}, "b::", {{'b', "x"}, {'b', ""}}},  // optional: attached only
      {{"p", "-:"}, "a:", {{'?', ""}}},                           // ":" is never an option
  };
  for (const auto& c : cases) {
    auto options =
        PlcOptionParserC(static_cast<int>(c.argv.size()), c.argv.data(), c.spec).ParseAll();
    std::vector<std::pair<int, std::string>> got;
    for (const auto& option : options) got.emplace_back(option.option, option.argument);
    EXPECT_EQ(got, c.expected) << c.spec << " " << c.argv[1];
  }
}

// Get() hands out each entry's value, whole and terminated, and an empty text past the end.
// Every key field is the entry's name followed by exactly four tag bytes and no two key fields
// are alike: outside tools find an entry by searching the executable for its key field.
TEST(VersionTest, EntriesReadBackAndKeysAreUnique) {
  std::set<std::string> keys;
  for (size_t i = 0; i < kProductInfoEntries + 2; ++i) {
    SCOPED_TRACE(i);
    char* text = VersionC::Get(i == kProductInfoEntries + 1 ? 1000 : i);
    ASSERT_NE(text, nullptr);
    const std::string got(text, strnlen(text, VersionC::c_BufferSize));
    VersionC::Free(text);
    if (i >= kProductInfoEntries) {
      EXPECT_EQ(got, "");
      continue;
    }
    const ProductInfoEntryS& entry = ExeProductInformation[i];
    EXPECT_EQ(got, std::string(entry.value, strnlen(entry.value, sizeof entry.value)));
    EXPECT_LT(got.size(), sizeof entry.value);
    const std::string key(entry.key, strnlen(entry.key, sizeof entry.key));
    if (key.empty()) continue;
    EXPECT_LT(key.size(), sizeof entry.key);
    EXPECT_TRUE(keys.insert(key).second) << "key field repeated: " << key;
  }
  // The named indices find the entries of those names.
  const struct {
    size_t index;
    const char* name;
  } named[] = {{VersionC::c_BuildNumber, "Build Number"},
               {VersionC::c_Filename, "Filename"},
               {VersionC::c_Name, "Name"},
               {VersionC::c_Platform, "Platform"},
               {VersionC::c_Version, "Version"}};
  for (const auto& n : named) {
    const ProductInfoEntryS& entry = ExeProductInformation[n.index];
    EXPECT_EQ(std::string(entry.key, strnlen(entry.key, sizeof entry.key)).size(),
              std::strlen(n.name) + 4)
        << n.name;
    EXPECT_EQ(std::memcmp(entry.key, n.name, std::strlen(n.name)), 0) << n.name;
  }
}

TEST(PlcRunLockTest, NameTranslation) {
  EXPECT_EQ(PlcRunLockC::TranslateName(S("Quillmarsh.Policy.Machine./ x.Y")).ToUtf8(),
            "Quillmarsh.Policy.Machine.__x.Y");
  EXPECT_EQ(PlcRunLockC::TranslateName(S("a\\b c/d")).ToUtf8(), "a_b_c_d");
}

}  // namespace
