// Context lists and variables, and the environment block of a child process - checked against a
// real child (/usr/bin/env) that prints the environment it was given.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "context/RKContextC.h"
#include "context/rkk_EnvironmentBlockC.h"
#include "context/rkk_PointerListC.h"
#include "context/rkk_VariableListC.h"
#include "tests/testing/ScopedEnvC.h"

namespace {

using O = env_EnvOptsC;

void* P(uintptr_t v) {
  return reinterpret_cast<void*>(v);
}

std::vector<uintptr_t> Items(const rkk_ListC& list) {
  std::vector<uintptr_t> out;
  for (rkk_ListC::IteratorC it(list); !it.AtEnd(); it.Next()) {
    out.push_back(reinterpret_cast<uintptr_t>(it.Current()));
  }
  return out;
}

TEST(ListTest, AddFollowsSortedAndUniqueRules) {
  struct CaseS {
    const char* label;
    bool sorted, unique;
    std::vector<uintptr_t> adds;
    std::vector<uintptr_t> expected;
  } cases[] = {
      {"plain", false, false, {3, 1, 3, 0, 2}, {3, 1, 3, 2}},
      {"unique", false, true, {3, 1, 3, 2}, {3, 1, 2}},
      {"sorted", true, false, {3, 1, 3, 2}, {1, 2, 3, 3}},
      {"sorted unique", true, true, {3, 1, 3, 2, 1}, {1, 2, 3}},
  };
  for (const CaseS& c : cases) {
    rkk_PointerListC list(c.sorted, c.unique);
    for (uintptr_t v : c.adds) (void)list.Add(P(v));
    EXPECT_EQ(Items(list), c.expected) << c.label;
    EXPECT_EQ(list.Count(), c.expected.size()) << c.label;
  }
}

TEST(ListTest, RemoveKeepsEndsConsistent) {
  rkk_PointerListC list;
  for (uintptr_t v : {1, 2, 3}) ASSERT_TRUE(list.Add(P(v)));
  EXPECT_TRUE(list.Remove(P(3)));
  ASSERT_TRUE(list.Add(P(4)));  // goes after the new last node
  EXPECT_TRUE(list.Remove(P(1)));
  EXPECT_FALSE(list.Remove(P(9)));
  EXPECT_EQ(Items(list), (std::vector<uintptr_t>{2, 4}));
  EXPECT_TRUE(list.Remove(P(2)));
  EXPECT_TRUE(list.Remove(P(4)));
  EXPECT_TRUE(Items(list).empty());
  ASSERT_TRUE(list.Add(P(5)));
  EXPECT_EQ(Items(list), (std::vector<uintptr_t>{5}));
}

TEST(VariableListTest, OrderAndUniqueness) {
  rkk_VariableListC list;
  EXPECT_TRUE(list.AddVariable("B", "1", true, false));
  EXPECT_TRUE(list.AddVariable("A", "1", false, false));
  EXPECT_TRUE(list.AddVariable("B", "2", true, true));
  EXPECT_TRUE(list.AddVariable("B", "3", false, true));  // override needs exported: stored clear
  EXPECT_FALSE(list.AddVariable("B", "4", true, true)) << "same name and flags";
  EXPECT_FALSE(list.Add(nullptr));
  std::vector<std::string> order;
  for (rkk_ListC::IteratorC it(list); !it.AtEnd(); it.Next()) {
    const auto* v = static_cast<const rkk_VariableC*>(it.Current());
    order.push_back(std::string(v->GetName()) + "=" + v->GetValue() + (v->IsExported() ? "e" : "") +
                    (v->IsOverride() ? "o" : ""));
  }
  EXPECT_EQ(order, (std::vector<std::string>{"A=1", "B=2eo", "B=3", "B=1e"}));

  auto* doomed = new rkk_VariableC("C", nullptr, true, false);
  ASSERT_TRUE(list.Add(doomed));
  EXPECT_EQ(doomed->GetValue(), nullptr);
  doomed->SetValue("now");
  EXPECT_STREQ(doomed->GetValue(), "now");
  EXPECT_TRUE(list.Remove(doomed));
  EXPECT_EQ(list.Count(), 4u);
}

// Uses a fixed base environment and the bottom context without an environment; restores both.
class BlockTest : public ::testing::Test {
 protected:
  void SetUp() override { RKContextC::Current()->SetEnvironment(nullptr); }
  void TearDown() override {
    rkk_VariableListC::s_asEnviron = nullptr;
    RKContextC::Current()->SetEnvironment(nullptr);
  }
  static std::vector<std::string> Texts(const rkk_EnvironmentBlockC& block) {
    std::vector<std::string> out;
    for (char* const* p = block.Get(); *p != nullptr; ++p) out.emplace_back(*p);
    EXPECT_EQ(out.size(), block.Count());
    return out;
  }
};

TEST_F(BlockTest, MergeRules) {
  struct VarS {
    const char* name;
    const char* value;
    bool exported, override;
  };
  struct CaseS {
    const char* label;
    std::vector<VarS> vars;
    std::vector<std::string> expected;
  } cases[] = {
      {"no variables", {}, {"A=2", "A-B=1", "HOME=/h", "PATH=/bin"}},
      {"exported without override keeps the base",
       {{"PATH", "/x", true, false}},
       {"A=2", "A-B=1", "HOME=/h", "PATH=/bin"}},
      {"override replaces", {{"PATH", "/x", true, true}}, {"A=2", "A-B=1", "HOME=/h", "PATH=/x"}},
      {"not exported is ignored",
       {{"PATH", "/x", false, false}, {"ZED", "1", false, false}},
       {"A=2", "A-B=1", "HOME=/h", "PATH=/bin"}},
      {"new names go in order",
       {{"ZED", "z", true, false}, {"B", nullptr, true, false}, {"0", "first", true, false}},
       {"0=first", "A=2", "A-B=1", "B=", "HOME=/h", "PATH=/bin", "ZED=z"}},
      {"a name that prefixes another entry",
       {{"A", "new", true, true}},
       {"A=new", "A-B=1", "HOME=/h", "PATH=/bin"}},
      {"override wins over a plain variable of the same name",
       {{"NEW", "plain", true, false}, {"NEW", "over", true, true}},
       {"A=2", "A-B=1", "HOME=/h", "NEW=over", "PATH=/bin"}},
      {"duplicates before every base entry go in once",
       {{"0", "x", true, true}, {"0", "y", true, false}},
       {"0=x", "A=2", "A-B=1", "HOME=/h", "PATH=/bin"}},
      {"names that cannot be variables are dropped",
       {{"", "e", true, true}, {"X=Y", "e", true, true}},
       {"A=2", "A-B=1", "HOME=/h", "PATH=/bin"}},
  };
  for (const CaseS& c : cases) {
    char base0[] = "PATH=/bin", base1[] = "HOME=/h", base2[] = "A-B=1", base3[] = "A=2";
    char* base[] = {base0, base1, base2, base3, nullptr};
    rkk_VariableListC::s_asEnviron = base;
    rkk_VariableListC vars;
    for (const VarS& v : c.vars) (void)vars.AddVariable(v.name, v.value, v.exported, v.override);
    EXPECT_EQ(Texts(MakeEnvironmentBlock(&vars)), c.expected) << c.label;
    EXPECT_STREQ(base[0], "PATH=/bin") << "the base array is left in its order";
  }
}

TEST_F(BlockTest, ContextParametersOverride) {
  char base0[] = "PATH=/bin", base1[] = "Mode=base";
  char* base[] = {base0, base1, nullptr};
  rkk_VariableListC::s_asEnviron = base;
  env_EnvironmentC root;
  root.GetParam(O(StringC::FromUtf8("PATH"))).SetValue(StringC::FromUtf8("/ctx"));
  root.GetParam(O(StringC::FromUtf8("Extra"))).SetValue(StringC::FromUtf8("e"));
  RKContextC::Current()->SetEnvironment(&root);
  rkk_VariableListC vars;
  (void)vars.AddVariable("PATH", "/var", true, true);
  (void)vars.AddVariable("Mode", "var", true, false);
  EXPECT_EQ(Texts(MakeEnvironmentBlock(&vars)),
            (std::vector<std::string>{"Extra=e", "Mode=base", "PATH=/ctx"}));
  EXPECT_EQ(Texts(MakeEnvironmentBlock(nullptr)),
            (std::vector<std::string>{"Extra=e", "Mode=base", "PATH=/ctx"}));
}

// Runs /usr/bin/env with `block` as its whole environment and returns what it prints.
std::map<std::string, std::string> RunEnv(const rkk_EnvironmentBlockC& block) {
  int fds[2];
  if (pipe(fds) != 0) {
    ADD_FAILURE() << "pipe: " << errno;
    return {};
  }
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(fds[1], 1);
    close(fds[0]);
    close(fds[1]);
    char arg0[] = "env";
    char* argv[] = {arg0, nullptr};
    execve("/usr/bin/env", argv, block.Get());
    _exit(127);
  }
  close(fds[1]);
  std::string out;
  char buf[4096];
  for (;;) {
    const ssize_t n = read(fds[0], buf, sizeof buf);
    if (n > 0) {
      out.append(buf, static_cast<size_t>(n));
    } else if (n == 0 || errno != EINTR) {
      break;
    }
  }
  close(fds[0]);
  int status = 0;
  EXPECT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  std::map<std::string, std::string> vars;
  size_t start = 0;
  while (start < out.size()) {
    size_t end = out.find('\n', start);
    if (end == std::string::npos) end = out.size();
    const std::string line = out.substr(start, end - start);
    const size_t eq = line.find('=');
    EXPECT_EQ(vars.count(line.substr(0, eq)), 0u) << "duplicate " << line;
    vars[line.substr(0, eq)] = eq == std::string::npos ? "" : line.substr(eq + 1);
    start = end + 1;
  }
  return vars;
}

TEST_F(BlockTest, RealChildSeesTheMergedEnvironment) {
  qlmtest::ScopedEnvC env;
  for (const char* name : {"QLM_BLOCK_KEEP", "QLM_BLOCK_OVER", "QLM_BLOCK_HIDDEN"}) {
    env.Set(name, "inherited");
  }
  std::vector<char*> before;
  for (char** p = environ; *p != nullptr; ++p) before.push_back(*p);

  env_EnvironmentC root;
  root.GetParam(O(StringC::FromUtf8("QlmBlockParam"))).SetValue(StringC::FromUtf8("from context"));
  RKContextC::Current()->SetEnvironment(&root);
  rkk_VariableListC vars;
  (void)vars.AddVariable("QLM_BLOCK_KEEP", "variable", true, false);
  (void)vars.AddVariable("QLM_BLOCK_OVER", "variable", true, true);
  (void)vars.AddVariable("QLM_BLOCK_HIDDEN", "variable", false, false);
  (void)vars.AddVariable("QLM_BLOCK_NEW", "new value", true, false);
  const rkk_EnvironmentBlockC block = MakeEnvironmentBlock(&vars);
  const auto seen = RunEnv(block);

  EXPECT_EQ(seen.at("QLM_BLOCK_KEEP"), "inherited");
  EXPECT_EQ(seen.at("QLM_BLOCK_OVER"), "variable");
  EXPECT_EQ(seen.at("QLM_BLOCK_HIDDEN"), "inherited");
  EXPECT_EQ(seen.at("QLM_BLOCK_NEW"), "new value");
  EXPECT_EQ(seen.at("QlmBlockParam"), "from context");
  EXPECT_EQ(seen.size(), before.size() + 2);

  std::vector<char*> after;
  for (char** p = environ; *p != nullptr; ++p) after.push_back(*p);
  EXPECT_EQ(before, after) << "the process environment is not reordered";
}

}  // namespace
