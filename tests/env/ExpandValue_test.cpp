// `$(Name)` expansion: the examples of the configuration texts, cycles and budgets, malformed
// references, and the work limit that keeps hostile configurations cheap.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <utility>
#include <vector>

#include "env/env_EnvironmentC.h"
#include "env/env_ExpandValue.h"
#include "tests/testing/StringHelpers.h"

namespace {

using O = env_EnvOptsC;

using qlmtest::S;

using Vars = std::vector<std::pair<std::string, std::string>>;

void Fill(env_EnvironmentC& env, const Vars& vars) {
  for (const auto& [name, value] : vars) env.GetParam(O(S(name))).SetValue(S(value));
}

class StoreC : public env_ExpandStoreI {
 public:
  StoreC(env_EnvironmentI& env, bool drop) : env_(env), drop_(drop) {}
  env_EnvironmentI* GetExpandEnvironment() const override { return &env_; }
  bool IsDropMissingNames() const override { return drop_; }

 private:
  env_EnvironmentI& env_;
  bool drop_;
};

struct CaseS {
  const char* label;
  Vars vars;
  std::string text;
  bool lookUp;
  bool drop;
  int budget;
  std::string expected;
};

class ExpandTableTest : public ::testing::TestWithParam<CaseS> {};

TEST_P(ExpandTableTest, Expands) {
  const CaseS& c = GetParam();
  env_EnvironmentC env;
  Fill(env, c.vars);
  const StoreC store(env, c.drop);
  EXPECT_EQ(ExpandValue(store, S(c.text), c.lookUp, c.budget).ToUtf8(), c.expected) << c.label;
}

std::string Chain(int n) {
  return "N" + std::to_string(n);
}

Vars ElevenChain() {
  Vars vars;
  for (int i = 1; i <= 11; ++i) {
    vars.emplace_back(Chain(i), i < 11 ? Chain(i) + "-$(" + Chain(i + 1) + ")" : "end");
  }
  return vars;
}

INSTANTIATE_TEST_SUITE_P(
    Examples, ExpandTableTest,
    ::testing::Values(
        CaseS{"present", {{"B", "z"}}, "x$(B)y", false, true, 10, "xzy"},
        CaseS{"absent, drop", {}, "x$(B)y", false, true, 10, "xy"},
        CaseS{"absent, keep", {}, "x$(B)y", false, false, 10, "x$(B)y"},
        CaseS{"drop, leading", {}, "$(Nope)/bin", false, true, 10, "/bin"},
        CaseS{"name ignores case", {{"Root", "/opt"}}, "$(ROOT)/x", false, true, 10, "/opt/x"},
        CaseS{"unterminated", {{"Root", "/opt"}}, "$(Root/x", false, true, 10, "$(Root/x"},
        CaseS{"unterminated after one", {{"A", "1"}}, "$(A)$(A", false, true, 10, "1$(A"},
        CaseS{"no references", {}, "plain $ ( ) text", false, true, 10, "plain $ ( ) text"},
        CaseS{"empty name", {}, "a$()b", false, false, 10, "a$()b"},
        CaseS{"name holding $(", {{"A$(B", "v"}}, "<$(A$(B)>", false, true, 10, "<v>"},
        CaseS{"nested reference is not expanded",
              {{"B", "b"}},
              "$(A$(B))",
              false,
              false,
              10,
              "$(A$(B))"},
        CaseS{"nested, drop", {{"B", "b"}}, "[$(A$(B))]", false, true, 10, "[)]"},
        CaseS{"empty then next", {{"E", ""}, {"N", "n"}}, "$(E)$(N)", false, true, 10, "n"},
        CaseS{"adjacent", {{"A", "1"}, {"B", "2"}}, "$(A)$(B)$(A)", false, true, 10, "121"},
        CaseS{"non-ASCII",
              {{"\xc3\x89T\xc3\x89", "\xe2\x82\xac"}},
              "\xc3\xa9$(\xc3\xa9t\xc3\xa9)",
              false,
              true,
              10,
              "\xc3\xa9\xe2\x82\xac"},
        CaseS{"three deep",
              {{"A", "a/$(B)"}, {"B", "b/$(C)"}, {"C", "c"}},
              "A",
              true,
              true,
              10,
              "a/b/c"},
        CaseS{"look-up of absent, drop", {}, "Nope", true, true, 10, ""},
        CaseS{"look-up of absent, keep", {}, "Nope", true, false, 0, "$(Nope)"},
        CaseS{"look-up with budget 0", {{"A", "v"}}, "A", true, true, 0, ""},
        CaseS{"text with budget 0", {}, "text", false, true, 0, ""},
        CaseS{"self-reference", {{"A", "A=$(A)"}}, "A", true, true, 10, "A=$(A)"},
        CaseS{"self-reference, other case", {{"A", "x$(a)"}}, "A", true, true, 10, "x$(a)"},
        CaseS{"self-reference inside a replacement",
              {{"A", "$(B)"}, {"B", "x$(B)y"}},
              "A",
              true,
              true,
              10,
              "x$(B)y"},
        CaseS{"cycle A-B-A", {{"A", "$(B)"}, {"B", "$(A)"}}, "A", true, true, 10, ""},
        CaseS{
            "cycle with text", {{"A", "a$(B)"}, {"B", "b$(A)"}}, "A", true, true, 10, "ababababab"},
        CaseS{"eleven-deep chain", ElevenChain(), "N1", true, true, 10,
              "N1-N2-N3-N4-N5-N6-N7-N8-N9-N10-"},
        CaseS{"eleven-deep chain, larger budget", ElevenChain(), "N1", true, true, 11,
              "N1-N2-N3-N4-N5-N6-N7-N8-N9-N10-end"},
        CaseS{"missing kept at depth",
              {{"A", "<$(B)>"}, {"B", "$(C)"}},
              "A",
              true,
              false,
              10,
              "<$(C)>"}));

TEST(ExpandValueTest, LazyValueIsComputedOnceDuringExpansion) {
  class EvaluatorC : public env_FunctionI {
   public:
    bool Apply(StringC& value) override {
      ++runs;
      value = StringC::FromUtf8("/computed");
      return true;
    }
    int runs = 0;
  } evaluator;
  env_EnvironmentC env;
  RklEnvParamI& lazy = env.GetParam(O(S("Lazy"), O::lazy_evaluation));
  lazy.Apply(evaluator);
  Fill(env, {{"Path", "$(Lazy)/bin:$(Lazy)/sbin"}});
  EXPECT_EQ(ExpandValue(env, true, S("Path"), true, 10).ToUtf8(), "/computed/bin:/computed/sbin");
  EXPECT_EQ(ExpandValue(env, true, S("Path"), true, 10).ToUtf8(), "/computed/bin:/computed/sbin");
  EXPECT_EQ(evaluator.runs, 1);
}

TEST(ExpandValueTest, HugeBudgetKeepsTheStack) {
  // A cycle read with an unlimited budget goes as deep as the work limit allows - far deeper
  // than a thread stack could recurse - and then leaves the reference where it stopped.
  env_EnvironmentC env;
  Fill(env, {{"A", "a$(B)"}, {"B", "b$(A)"}});
  const std::string out = ExpandValue(env, true, S("A"), true, INT_MAX).ToUtf8();
  ASSERT_GT(out.size(), 10000u);
  EXPECT_EQ(out.rfind("abab", 0), 0u);
  const std::string tail = out.substr(out.size() - 4);
  EXPECT_TRUE(tail == "$(A)" || tail == "$(B)") << tail;

  // A long chain within the limit is followed to its end.
  constexpr int kDepth = 1000;
  env_EnvironmentC chain;
  for (int i = 0; i < kDepth; ++i) {
    chain.GetParam(O(S("L" + std::to_string(i)))).SetValue(S("$(L" + std::to_string(i + 1) + ")"));
  }
  chain.GetParam(O(S("L" + std::to_string(kDepth)))).SetValue(S("bottom"));
  EXPECT_EQ(ExpandValue(chain, true, S("L0"), true, kDepth + 1).ToUtf8(), "bottom");
  EXPECT_EQ(ExpandValue(chain, true, S("L0"), true, kDepth).ToUtf8(), "");
}

TEST(ExpandValueTest, FanOutStopsAtTheWorkLimit) {
  // Every level refers to the next one 16 times: 16^10 lookups at budget 10 without a limit.
  env_EnvironmentC env;
  for (int level = 0; level < 12; ++level) {
    std::string value;
    for (int i = 0; i < 16; ++i) value += "$(F" + std::to_string(level + 1) + ")";
    env.GetParam(O(S("F" + std::to_string(level)))).SetValue(S(value));
  }
  const StringC out = ExpandValue(env, true, S("F0"), true, 10);
  EXPECT_LE(static_cast<size_t>(out.Length()), ExpandWorkLimit() + 4096);
  EXPECT_NE(out.ToUtf8().find("$(F"), std::string::npos) << "unexpanded references remain";
}

TEST(ExpandValueTest, DoublingValuesStayBounded) {
  // Each level doubles a long text: 2^9 copies of 100 KiB without a limit.
  env_EnvironmentC env;
  env.GetParam(O(S("D9"))).SetValue(S(std::string(100 * 1024, 'x')));
  for (int level = 8; level >= 0; --level) {
    const std::string next = "$(D" + std::to_string(level + 1) + ")";
    env.GetParam(O(S("D" + std::to_string(level)))).SetValue(S(next + next));
  }
  const StringC out = ExpandValue(env, true, S("D0"), true, 10);
  EXPECT_LE(static_cast<size_t>(out.Length()), ExpandWorkLimit() + 1024);
  EXPECT_GT(out.Length(), 200 * 1024) << "the expansion went on up to the limit";
}

}  // namespace
