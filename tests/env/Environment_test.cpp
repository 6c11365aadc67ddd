// The environment: lookups ignoring case, ordered walks, locks, child environments, visitors and
// the chain operations (without a deployment context they start at the environment itself).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "env/env_EnvBuilderI.h"
#include "env/env_EnvironmentC.h"
#include "env/env_OptGetNames.h"
#include "env/env_OptSavePersistent.h"
#include "tests/testing/StringHelpers.h"

namespace {

using O = env_EnvOptsC;

using qlmtest::S;

std::string Get(env_EnvironmentI& env, const char* name) {
  return env.FindParam(O(S(name))).GetValue().ToUtf8();
}

class NameCollectorC : public env_OptFunctionI {
 public:
  bool Apply(const StringC& name, RklEnvParamI& param) override {
    names.push_back(name.ToUtf8());
    return stopAfter < 0 || static_cast<int>(names.size()) < stopAfter;
  }
  std::vector<std::string> names;
  int stopAfter = -1;
};

class SinkC : public env_VariableSinkI {
 public:
  struct VarS {
    std::string name, value;
    bool exported, override;
    bool operator==(const VarS&) const = default;
  };
  bool AddVariable(const char* name, const char* value, bool exported, bool override) override {
    vars.push_back(VarS{name, value != nullptr ? value : "", exported, override});
    return true;
  }
  std::vector<VarS> vars;
};

TEST(EnvironmentTest, LookupIgnoresCaseAndKeepsTheFirstFlags) {
  env_EnvironmentC env;
  RklEnvParamI& p = env.GetParam(O(S("InstallDir"), O::save_allowed));
  p.SetValue(S("/opt"));
  RklEnvParamI& same = env.GetParam(O(S("INSTALLDIR"), O::values_multi));
  EXPECT_EQ(&p, &same);
  EXPECT_FALSE(same.GetOptions().HasOption(O::values_multi));
  EXPECT_TRUE(env.Exists(S("installdir")));
  EXPECT_FALSE(env.Exists(S("installdi")));
  EXPECT_FALSE(env.Exists(S("installdirx")));
  EXPECT_EQ(Get(env, "iNsTaLlDiR"), "/opt");
  EXPECT_EQ(env.GetCount(), 1);

  RklEnvParamI& missing = env.FindParam(O(S("nope")));
  EXPECT_EQ(&missing, &env_EnvironmentC::NullParam());
  EXPECT_EQ(env.GetCount(), 1) << "FindParam creates nothing";

  env.Remove(S("INSTALLdir"));
  EXPECT_FALSE(env.Exists(S("InstallDir")));
  env.Remove(S("InstallDir"));  // absent: nothing
  EXPECT_EQ(env.GetCount(), 0);
}

TEST(EnvironmentTest, WalkIsOrderedIgnoringCase) {
  const std::vector<const char*> names = {"beta",        "Alpha",   "ALPHA2",
                                          "gamma",       "Delta",   "alpha1",
                                          "_x",          "Zeta",    "\xc3\x89t\xc3\xa9",
                                          "\xc3\xa9tat", "epsilon", "B"};
  env_EnvironmentC env;
  for (const char* n : names) env.GetParam(O(S(n))).SetValue(S(n));
  EXPECT_EQ(env.GetCount(), static_cast<int>(names.size()));

  std::vector<StringC> expected;
  for (const char* n : names) expected.push_back(S(n));
  std::sort(expected.begin(), expected.end(),
            [](const StringC& a, const StringC& b) { return a.CompareNoCase(b) < 0; });
  NameCollectorC walk;
  env.ForEach(walk);
  ASSERT_EQ(walk.names.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(walk.names[i], expected[i].ToUtf8());
  for (const char* n : names) EXPECT_EQ(Get(env, n), n) << "every name is found again";
  EXPECT_TRUE(env.Exists(S("\xc3\x89TAT"))) << "non-ASCII names ignore case too";

  NameCollectorC stop;
  stop.stopAfter = 3;
  env.ForEach(stop);
  EXPECT_EQ(stop.names.size(), 3u);
}

// Removes the visited name and adds names before and after it.
class MutatingVisitorC : public env_OptFunctionI {
 public:
  explicit MutatingVisitorC(env_EnvironmentC& env) : env_(env) {}
  bool Apply(const StringC& name, RklEnvParamI& param) override {
    seen.push_back(name.ToUtf8());
    if (name.ToUtf8() == "b") {
      env_.Remove(name);
      env_.GetParam(O(S("a0")));  // before the walk position: not visited
      env_.GetParam(O(S("bb")));  // after it: visited
    }
    return true;
  }
  env_EnvironmentC& env_;
  std::vector<std::string> seen;
};

TEST(EnvironmentTest, WalkSurvivesChangesMadeByTheVisitor) {
  env_EnvironmentC env;
  for (const char* n : {"a", "b", "c"}) env.GetParam(O(S(n)));
  MutatingVisitorC visitor(env);
  env.ForEach(visitor);
  EXPECT_EQ(visitor.seen, (std::vector<std::string>{"a", "b", "bb", "c"}));
  EXPECT_FALSE(env.Exists(S("b")));
}

TEST(EnvironmentTest, FixedCompanionsLockPresentNames) {
  struct CaseS {
    const char* label;
    const char* companion;  // null: none
    const char* companionValue;
    bool present;
    bool lockCheck;
    bool accepted;
  } cases[] = {
      {"no companion", nullptr, nullptr, true, true, true},
      {"Fixed yes", "ProxyFixed", "yes", true, true, false},
      {"Fixed TRUE", "PROXYFIXED", "TRUE", true, true, false},
      {"Fxd True", "ProxyFxd", "True", true, true, false},
      {"Fixed 0", "ProxyFixed", "0", true, true, true},
      {"Fixed 1 is not a word", "ProxyFixed", "1", true, true, true},
      {"Fixed no", "ProxyFixed", "No", true, true, true},
      {"Fixed Yes2", "ProxyFixed", "Yes2", true, true, true},
      {"absent name can always be set", "ProxyFixed", "yes", false, true, true},
      {"lock check off", "ProxyFixed", "yes", true, false, true},
  };
  for (const CaseS& c : cases) {
    env_EnvironmentC env;
    if (c.present) env.GetParam(O(S("Proxy"))).SetValue(S("old"));
    if (c.companion != nullptr) env.GetParam(O(S(c.companion))).SetValue(S(c.companionValue));
    env.SetLockCheck(c.lockCheck);
    EXPECT_EQ(env.SetValue(S("proxy"), S("new")), c.accepted) << c.label;
    EXPECT_EQ(Get(env, "Proxy"), c.accepted ? "new" : "old") << c.label;
  }
  // "Fixed" false but "Fxd" true still locks.
  env_EnvironmentC env;
  env.GetParam(O(S("P"))).SetValue(S("old"));
  env.GetParam(O(S("PFixed"))).SetValue(S("False"));
  env.GetParam(O(S("PFxd"))).SetValue(S("yes"));
  EXPECT_FALSE(env.SetValue(S("P"), S("new")));
}

TEST(EnvironmentTest, ChildSeesParentValuesAndShadowsThem) {
  env_EnvironmentC root;
  root.GetParam(O(S("Shared"), O::save_allowed | O::store_persistent)).SetValue(S("root"));
  RklEnvParamI& list = root.GetParam(O(S("List"), O::values_multi));
  for (const char* v : {"a", "b"}) ASSERT_TRUE(list.AddValue(S(v)));

  env_EnvironmentC child(&root);
  EXPECT_EQ(child.GetParent(), &root);
  EXPECT_EQ(child.GetCount(), 2);
  EXPECT_EQ(Get(child, "shared"), "root");
  RklEnvParamI& childShared = child.GetParam(O(S("Shared")));
  EXPECT_FALSE(childShared.GetOptions().HasOption(O::store_persistent))
      << "copies do not carry store_persistent";
  EXPECT_TRUE(childShared.GetOptions().HasOption(O::save_allowed));
  EXPECT_TRUE(root.GetParam(O(S("Shared"))).GetOptions().HasOption(O::store_persistent));
  RklEnvParamI& childList = child.GetParam(O(S("list")));
  EXPECT_EQ(childList.GetValue().ToUtf8(), "a") << "a copied list is on its first value";

  ASSERT_TRUE(child.SetValue(S("Shared"), S("child")));
  child.GetParam(O(S("OnlyChild"))).SetValue(S("c"));
  EXPECT_EQ(Get(child, "Shared"), "child");
  EXPECT_EQ(Get(root, "Shared"), "root");
  EXPECT_FALSE(root.Exists(S("OnlyChild")));

  root.GetParam(O(S("Later"))).SetValue(S("x"));
  EXPECT_FALSE(child.Exists(S("Later"))) << "the copy is taken once, at construction";

  env_EnvironmentC grandChild(&child);
  EXPECT_EQ(Get(grandChild, "Shared"), "child");
  EXPECT_EQ(grandChild.GetParent()->GetParent(), &root);
}

TEST(EnvironmentTest, ChainOperationsWithoutAContext) {
  env_EnvironmentC root;
  root.GetParam(O(S("Opt"))).SetValue(S("r"));
  env_EnvironmentC child(&root);

  child.SetInAll(O(S("Both")), S("v"));
  EXPECT_EQ(Get(child, "Both"), "v");
  EXPECT_EQ(Get(root, "Both"), "v");

  child.SetOptionInAll(O(S("Opt")), O::save_allowed);
  EXPECT_TRUE(child.FindParam(O(S("Opt"))).GetOptions().HasOption(O::save_allowed));
  EXPECT_TRUE(root.FindParam(O(S("Opt"))).GetOptions().HasOption(O::save_allowed));
  child.SetOptionInAll(O(S("Absent")), O::save_allowed);
  EXPECT_FALSE(child.Exists(S("Absent")));

  RklEnvParamI& list = child.GetParam(O(S("Paths"), O::values_multi | O::values_unique));
  for (const char* v : {"x", "y"}) ASSERT_TRUE(list.AddValue(S(v)));
  root.GetParam(O(S("Paths"), O::values_multi | O::values_unique)).AddValue(S("y"));
  child.Propagate(O(S("Paths"), O::values_multi | O::values_unique));
  RklEnvParamI& rootList = root.GetParam(O(S("Paths")));
  EXPECT_EQ(rootList.GetCount(), 2) << "y was present already";
  rootList.MoveFirst();
  EXPECT_EQ(rootList.GetValue().ToUtf8(), "y");
  rootList.MoveNext();
  EXPECT_EQ(rootList.GetValue().ToUtf8(), "x");

  root.Propagate(O(S("Paths")));  // root has no parent: nothing
  EXPECT_EQ(rootList.GetCount(), 2);
}

TEST(EnvironmentTest, VisitorsCollectVariables) {
  env_EnvironmentC env;
  env.GetParam(O(S("Saved"), O::save_allowed | O::store_persistent)).SetValue(S("1"));
  env.GetParam(O(S("OnlyAllowed"), O::save_allowed)).SetValue(S("2"));
  env.GetParam(O(S("OnlyPersistent"), O::store_persistent)).SetValue(S("3"));
  env.GetParam(O(S("Plain"))).SetValue(S("caf\xc3\xa9"));

  SinkC saved;
  env_OptSavePersistent save(saved);
  env.ForEach(save);
  ASSERT_EQ(saved.vars.size(), 1u);
  EXPECT_EQ(saved.vars[0], (SinkC::VarS{"Saved", "1", false, false}));

  SinkC all;
  env_OptGetNames names(all);
  env.ForEach(names);
  EXPECT_EQ(names.GetCount(), 4);
  ASSERT_EQ(all.vars.size(), 4u);
  EXPECT_EQ(all.vars[0], (SinkC::VarS{"OnlyAllowed", "2", true, true}));
  EXPECT_EQ(all.vars[2].name, "Plain");
  EXPECT_FALSE(all.vars[2].value.empty());
}

class TwoStepBuilderC : public env_EnvBuilderI {
 public:
  env_EnvironmentI& AddDefaults(env_EnvironmentI& env) override {
    steps.push_back("defaults");
    env.GetParam(O(S("A"))).SetValue(S("1"));
    return env;
  }
  env_EnvironmentI& AddListDefaults(env_EnvironmentI& env) override {
    steps.push_back("list");
    env.GetParam(O(S("A"))).SetValue(S("2"));
    return env;
  }
  env_EnvironmentI& AddLocalDefaults(env_EnvironmentI& env) override {
    steps.push_back("local");
    return env;
  }
  std::vector<std::string> steps;
};

TEST(EnvBuilderTest, BuildRunsTheStepsInOrder) {
  env_EnvironmentC env;
  TwoStepBuilderC builder;
  EXPECT_EQ(&builder.Build(env), &env);
  EXPECT_EQ(builder.steps, (std::vector<std::string>{"defaults", "local", "list"}));
  EXPECT_EQ(Get(env, "a"), "2");
}

}  // namespace
