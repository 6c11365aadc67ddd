// The process layer's provider installed by the deployment context: a child started with a
// variable list sees the context's environment; preferences come from the context.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "context/RKContextC.h"
#include "context/rkk_ProcessEnvironmentC.h"
#include "context/rkk_VariableListC.h"
#include "env/EnvPreferencesC.h"
#include "env/env_EnvironmentC.h"
#include "os/ExecuteCommand.h"
#include "tests/testing/FileUtil.h"
#include "tests/testing/TempDirTest.h"

namespace {

StringC A(const char* text) {
  return StringC(text, StringC::CC_ASCII);
}

class ProcessEnvironmentTest : public qlmtest::TempDirTest {
 protected:
  void SetUp() override {
    RKContextC::Current()->SetEnvironment(&environment_);
    rkk_ProcessEnvironmentC::Install();
    qlmtest::TempDirTest::SetUp();
  }
  void TearDown() override {
    rkk_ProcessEnvironmentC::Uninstall();
    RKContextC::Current()->SetEnvironment(nullptr);
    qlmtest::TempDirTest::TearDown();
  }
  std::string Out() { return qlmtest::ReadFile(dir_ + "/out"); }
  env_EnvironmentC environment_;
};

TEST_F(ProcessEnvironmentTest, ChildWithAVariableListSeesTheContextEnvironment) {
  EnvPreferencesC preferences;
  preferences.SetValue(A("QLM_FROM_CONTEXT"), A("ctx value"));
  rkk_VariableListC variables;
  unsigned long code = 99;
  const std::string line = "/bin/sh -c 'printf %s \"$QLM_FROM_CONTEXT\" > " + dir_ + "/out'";
  ASSERT_EQ(
      ExecuteCommand(line.c_str(), ExecuteOptionsS{.variables = &variables, .exit_code = &code}),
      EXECUTE_STARTED);
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(Out(), "ctx value");
}

TEST_F(ProcessEnvironmentTest, PreferencesComeFromTheContext) {
  ProcessEnvironmentI* provider = ProcessEnvironmentI::Get();
  ASSERT_NE(provider, nullptr);
  EnvPreferencesC preferences;
  preferences.SetValue(A("QlmBrowser"), A("$(QlmBase)/browser"));
  preferences.SetValue(A("QlmBase"), A("/opt/x"));
  StringC value;
  ASSERT_TRUE(provider->GetPreference(A("QlmBrowser"), &value));
  EXPECT_EQ(value.ToUtf8(), "/opt/x/browser");
  EXPECT_FALSE(provider->GetPreference(A("QlmNoSuchPreference"), &value));
  // Without a task there are no preference files.
  EXPECT_FALSE(provider->FindEnvironmentSetting(A("QLM_NOT_SET_ANYWHERE"), &value));
}

}  // namespace
