// The deployment context stack: the current environment, push and pop, and the environment
// chain operations and lazy evaluation that start at the current context's environment.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "context/RKContextC.h"
#include "env/env_EnvironmentC.h"
#include "env/env_ExpandValue.h"
#include "tests/testing/StringHelpers.h"

namespace {

using O = env_EnvOptsC;

using qlmtest::S;

std::string Get(env_EnvironmentI& env, const char* name) {
  return env.FindParam(O(S(name))).GetValue().ToUtf8();
}

// Each test starts from the bottom context with no environment and leaves it so.
class ContextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bottom_ = RKContextC::Current();
    ASSERT_EQ(bottom_->GetPrevious(), nullptr);
    ASSERT_EQ(bottom_->GetEnvironment(), nullptr);
  }
  void TearDown() override {
    while (RKContextC::Current() != bottom_) RKContextC::Current()->Pop();
    bottom_->SetEnvironment(nullptr);
  }
  RKContextC* bottom_ = nullptr;
};

TEST_F(ContextTest, CurrentIsStableAndSetEnvironmentCopies) {
  EXPECT_EQ(RKContextC::Current(), bottom_);
  env_EnvironmentC root;
  root.GetParam(O(S("A"), O::store_persistent)).SetValue(S("1"));
  bottom_->SetEnvironment(&root);
  env_EnvironmentC* env = bottom_->GetEnvironment();
  ASSERT_NE(env, nullptr);
  EXPECT_NE(env, &root);
  EXPECT_EQ(env->GetParent(), &root);
  EXPECT_EQ(Get(*env, "A"), "1");
  EXPECT_FALSE(env->FindParam(O(S("A"))).GetOptions().HasOption(O::store_persistent));

  bottom_->SetEnvironment(env);  // its own environment: nothing changes
  EXPECT_EQ(bottom_->GetEnvironment(), env);
  bottom_->SetEnvironment(nullptr);
  EXPECT_EQ(bottom_->GetEnvironment(), nullptr);
}

TEST_F(ContextTest, PushAndPopRestoreThePreviousEnvironment) {
  env_EnvironmentC root;
  root.GetParam(O(S("Mode"))).SetValue(S("outer"));
  bottom_->SetEnvironment(&root);
  env_EnvironmentC* outer = bottom_->GetEnvironment();
  bottom_->SetValue1(11);
  bottom_->SetValue2(22);
  bottom_->SetValue4(44);
  bottom_->SetValue6(66);
  bottom_->SetValue7(77);

  RKContextC* inner = bottom_->Push();
  EXPECT_EQ(RKContextC::Current(), inner);
  EXPECT_EQ(inner->GetPrevious(), bottom_);
  EXPECT_EQ(inner->GetValue1(), 11u);
  EXPECT_EQ(inner->GetValue2(), 22u);
  EXPECT_EQ(inner->GetValue4(), 44u);
  EXPECT_EQ(inner->GetValue6(), 66u);
  EXPECT_EQ(inner->GetValue7(), 77u);
  ASSERT_NE(inner->GetEnvironment(), nullptr);
  EXPECT_EQ(inner->GetEnvironment()->GetParent(), outer);

  ASSERT_TRUE(inner->GetEnvironment()->SetValue(S("Mode"), S("inner")));
  inner->GetEnvironment()->GetParam(O(S("New"))).SetValue(S("x"));
  inner->SetValue1(5);
  EXPECT_EQ(Get(*RKContextC::Current()->GetEnvironment(), "mode"), "inner");

  RKContextC* third = RKContextC::Current()->Push();
  EXPECT_EQ(Get(*third->GetEnvironment(), "New"), "x");
  third->Pop();
  EXPECT_EQ(RKContextC::Current(), inner);

  inner->Pop();
  EXPECT_EQ(RKContextC::Current(), bottom_);
  EXPECT_EQ(bottom_->GetEnvironment(), outer);
  EXPECT_EQ(Get(*outer, "Mode"), "outer");
  EXPECT_FALSE(outer->Exists(S("New")));
  EXPECT_EQ(bottom_->GetValue1(), 11u);
}

TEST_F(ContextTest, DestroyingAMiddleContextKeepsTheStackLinked) {
  RKContextC* middle = bottom_->Push();
  RKContextC* top = middle->Push();
  delete middle;
  EXPECT_EQ(RKContextC::Current(), top);
  EXPECT_EQ(top->GetPrevious(), bottom_);
  top->Pop();
  EXPECT_EQ(RKContextC::Current(), bottom_);
}

TEST_F(ContextTest, Flags) {
  RKContextC::SetPkgChanged(1);
  RKContextC::SetInstaller(0);
  EXPECT_EQ(RKContextC::GetPkgChanged(), 1);
  EXPECT_EQ(RKContextC::GetInstaller(), 0);
  RKContextC::SetPkgChanged(0);
}

TEST_F(ContextTest, ProviderContextWinsWhenItAnswers) {
  class ProviderC : public RKContextProviderI {
   public:
    RKContextC* GetInternalContext() noexcept override { return answer; }
    RKContextC* answer = nullptr;
  } provider;
  RKContextC::SetProvider(&provider);
  EXPECT_EQ(RKContextC::Current(), bottom_) << "a provider without a context is passed over";
  RKContextC* other = bottom_->Push();
  provider.answer = bottom_;
  EXPECT_EQ(RKContextC::Current(), bottom_);
  RKContextC::SetProvider(nullptr);
  EXPECT_EQ(RKContextC::Current(), other);
}

TEST_F(ContextTest, ChainOperationsStartAtTheContextEnvironment) {
  env_EnvironmentC root;
  root.GetParam(O(S("Opt"))).SetValue(S("r"));
  bottom_->SetEnvironment(&root);
  RKContextC* inner = bottom_->Push();
  env_EnvironmentC* leaf = inner->GetEnvironment();
  env_EnvironmentC* mid = bottom_->GetEnvironment();

  const std::vector<env_EnvironmentI*> chain = {leaf, mid, &root};
  // Called on the root, the operation still starts at the current (leaf) environment.
  root.SetInAll(O(S("Everywhere")), S("v"));
  for (env_EnvironmentI* e : chain) {
    EXPECT_EQ(Get(*e, "Everywhere"), "v");
  }

  root.SetOptionInAll(O(S("Opt")), O::save_allowed);
  for (env_EnvironmentI* e : chain) {
    EXPECT_TRUE(e->FindParam(O(S("Opt"))).GetOptions().HasOption(O::save_allowed));
  }

  const O listKey(S("Servers"), O::values_multi | O::values_unique);
  for (const char* v : {"s1", "s2"}) ASSERT_TRUE(leaf->GetParam(listKey).AddValue(S(v)));
  mid->GetParam(listKey).AddValue(S("s0"));
  root.Propagate(listKey);
  EXPECT_EQ(mid->GetParam(listKey).GetCount(), 3);
  EXPECT_EQ(root.GetParam(listKey).GetCount(), 2);
}

TEST_F(ContextTest, LazyValueIsStoredInEveryEnvironmentOfTheChain) {
  class AppendZC : public env_FunctionI {
   public:
    bool Apply(StringC& value) override {
      ++runs;
      value.Append(StringC::FromUtf8("z"));
      return true;
    }
    int runs = 0;
  } evaluator;

  env_EnvironmentC root;
  root.GetParam(O(S("Lazy"), O::lazy_evaluation)).Apply(evaluator);
  bottom_->SetEnvironment(&root);
  RKContextC* inner = bottom_->Push();
  env_EnvironmentC* leaf = inner->GetEnvironment();
  EXPECT_EQ(evaluator.runs, 0) << "copies do not compute";

  EXPECT_EQ(ExpandValue(*leaf, true, S("Lazy"), true, 10).ToUtf8(), "z");
  EXPECT_EQ(evaluator.runs, 1);
  for (env_EnvironmentI* e : {static_cast<env_EnvironmentI*>(leaf),
                              static_cast<env_EnvironmentI*>(bottom_->GetEnvironment()),
                              static_cast<env_EnvironmentI*>(&root)}) {
    RklEnvParamI& p = e->FindParam(O(S("Lazy")));
    EXPECT_FALSE(p.GetOptions().HasOption(O::lazy_evaluation));
    EXPECT_EQ(p.GetValue().ToUtf8(), "z");
  }
  EXPECT_EQ(evaluator.runs, 1);

  // A lazy value in an environment outside the chain is computed and kept there as well.
  env_EnvironmentC detached;
  detached.GetParam(O(S("Other"), O::lazy_evaluation)).Apply(evaluator);
  EXPECT_EQ(Get(detached, "Other"), "z");
  EXPECT_EQ(Get(detached, "Other"), "z");
  EXPECT_EQ(evaluator.runs, 2);
  EXPECT_EQ(Get(*leaf, "Other"), "z") << "the context chain receives it too";
}

}  // namespace
