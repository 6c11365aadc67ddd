// How the policy client's settings are layered: the client's defaults, then the stored sections
// (machine before user, "Common" before the agent's own section, each main file before its
// policy file), then the command line; a value fixed in the store wins over every later layer.
// The policy server's address has rules of its own: stored sections never give it, the policy's
// hive does, a bootstrapped policy beats the command line for a machine policy only.
#include <unistd.h>

#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cmn/cmn_ConfigStoreC.h"
#include "context/RKContextC.h"
#include "env/EnvMSWPreferencesC.h"
#include "env/env_EnvironmentC.h"
#include "policy/PlcPreferencesC.h"
#include "servers/LkiServerManagerC.h"
#include "tests/testing/FileUtil.h"
#include "tests/testing/StringHelpers.h"
#include "tests/testing/TempDirTest.h"

namespace {

using qlmtest::S;

// Section headers of a file attached at "Software\Quillmarsh Corp" or at its policy twin.
#define COMMON "[Quillmarsh\\Common]\n"
#define AGENT "[Quillmarsh\\Policy Client\\CurrentVersion]\n"

const char kRoot[] = "Software\\Quillmarsh Corp";
const char kPolicyRoot[] = "Software\\Policies\\Quillmarsh Corp";

// One run of PlcPreferencesC::Load over four store files and a command line.
struct LayerCase {
  const char* name;
  const char* machine;        // HKLM main file
  const char* machinePolicy;  // HKLM policy file
  const char* user;           // HKCU main file
  const char* userPolicy;     // HKCU policy file
  std::vector<std::string> args;
  const char* key;
  std::string expected;  // the value as stored in the environment, unexpanded
};

void PrintTo(const LayerCase& c, std::ostream* os) {
  *os << c.name;
}

class PlcPreferencesPrecedenceTest : public qlmtest::TempDirTest,
                                     public ::testing::WithParamInterface<LayerCase> {
 protected:
  void SetUp() override {
    qlmtest::TempDirTest::SetUp();
    RKContextC::Current()->SetEnvironment(&environment_);
    EnvMSWPreferencesC::SetRegistryForTest(&store_);
    // The download root must not reach the process's server-location manager.
    PlcSetBootstrapServersHook(nullptr);
  }
  void TearDown() override {
    PlcSetBootstrapServersHook(&LkiSetBootstrapServersHook);
    EnvMSWPreferencesC::ClearRegistryForTest();
    RKContextC::Current()->SetEnvironment(nullptr);
    qlmtest::TempDirTest::TearDown();
  }

  // Writes `text` to a file attached under `hive`\`key`; nothing for null.
  void Attach(const char* text, const char* file, const char* hive, const char* key) {
    if (text == nullptr) return;
    ASSERT_TRUE(qlmtest::WriteFile(Path(file), text));
    ASSERT_EQ(store_.AttachFile(Path(file), hive, key), 0u) << file;
  }

  int Load(PlcPreferencesC& preferences, const std::vector<std::string>& args) {
    std::vector<const char*> argv = {"qlmpolicy"};
    for (const std::string& a : args) argv.push_back(a.c_str());
    argv.push_back(nullptr);
    return preferences.Load(static_cast<int>(argv.size() - 1), argv.data());
  }

  env_EnvironmentC environment_;
  cmn_ConfigStoreC store_{""};  // HKCU in memory; the user's files are attached like the machine's
};

TEST_P(PlcPreferencesPrecedenceTest, LaterLayersWinUnlessFixed) {
  const LayerCase& c = GetParam();
  Attach(c.machine, "machine.ini", "HKLM", kRoot);
  Attach(c.machinePolicy, "machine-policy.ini", "HKLM", kPolicyRoot);
  Attach(c.user, "user.ini", "HKCU", kRoot);
  Attach(c.userPolicy, "user-policy.ini", "HKCU", kPolicyRoot);
  PlcPreferencesC preferences;
  ASSERT_EQ(Load(preferences, c.args), 0);
  EXPECT_EQ(preferences.GetValue(S(c.key), false).ToUtf8(), c.expected);
}

const std::string kMachineUrl = PlcPreferencesC::c_MachinePolicyURL;
const std::string kUserUrl = PlcPreferencesC::c_UserPolicyURL;
const std::vector<std::string> kMachine = {"-t", "Machine"};

INSTANTIATE_TEST_SUITE_P(
    Layers, PlcPreferencesPrecedenceTest,
    ::testing::Values(
        // A client default, then each stored layer over the one before it.
        LayerCase{"Default", nullptr, nullptr, nullptr, nullptr, {}, "AgentTimeout", "0"},
        LayerCase{"MachineCommon",
                  COMMON "AgentTimeout=1\n",
                  nullptr,
                  nullptr,
                  nullptr,
                  {},
                  "AgentTimeout",
                  "1"},
        LayerCase{"MachineAgentOverCommon",
                  COMMON "AgentTimeout=1\n" AGENT "AgentTimeout=2\n",
                  nullptr,
                  nullptr,
                  nullptr,
                  {},
                  "AgentTimeout",
                  "2"},
        LayerCase{"MachinePolicyOverMachineFile",
                  COMMON "AgentTimeout=1\n",
                  COMMON "AgentTimeout=3\n",
                  nullptr,
                  nullptr,
                  {},
                  "AgentTimeout",
                  "3"},
        // Sections come first, files second: the agent's own section beats the policy file's
        // common section.
        LayerCase{"AgentSectionOverPolicyCommon",
                  AGENT "AgentTimeout=2\n",
                  COMMON "AgentTimeout=3\n",
                  nullptr,
                  nullptr,
                  {},
                  "AgentTimeout",
                  "2"},
        LayerCase{"UserOverMachine",
                  nullptr,
                  AGENT "AgentTimeout=4\n",
                  COMMON "AgentTimeout=5\n",
                  nullptr,
                  {},
                  "AgentTimeout",
                  "5"},
        LayerCase{"UserPolicyOverUserFile",
                  nullptr,
                  nullptr,
                  AGENT "AgentTimeout=6\n",
                  AGENT "AgentTimeout=7\n",
                  {},
                  "AgentTimeout",
                  "7"},
        LayerCase{"CommandLineOverEveryFile",
                  AGENT "AgentTimeout=2\n",
                  nullptr,
                  nullptr,
                  AGENT "AgentTimeout=7\n",
                  {"-o", "AgentTimeout=8"},
                  "AgentTimeout",
                  "8"},
        LayerCase{"FixedMachineValueOverUserAndCommandLine",
                  COMMON "AgentTimeout=1\nAgentTimeoutFixed=True\n",
                  nullptr,
                  AGENT "AgentTimeout=6\n",
                  nullptr,
                  {"-o", "AgentTimeout=8"},
                  "AgentTimeout",
                  "1"},
        LayerCase{"AccountFromTheCommandLine",
                  AGENT "SAMAccountName=stored\n",
                  nullptr,
                  nullptr,
                  nullptr,
                  {"-a", "given"},
                  "SAMAccountName",
                  "given"},
        LayerCase{"OptionWithoutValueIsTrue",
                  nullptr,
                  nullptr,
                  nullptr,
                  nullptr,
                  {"-o", "InstallDefaultSchedule"},
                  "InstallDefaultSchedule",
                  "True"},
        LayerCase{"LaterOptionWins",
                  nullptr,
                  nullptr,
                  nullptr,
                  nullptr,
                  {"-o", "AgentTimeout=8", "-o", "AgentTimeout=9"},
                  "AgentTimeout",
                  "9"},
        // Checks after every layer.
        LayerCase{"UnknownSourceBecomesServer",
                  nullptr,
                  nullptr,
                  AGENT "PolicySource=Elsewhere\n",
                  nullptr,
                  {},
                  "PolicySource",
                  "Server"},
        LayerCase{"KnownSourceKeepsItsSpelling",
                  nullptr,
                  nullptr,
                  AGENT "PolicySource=client\n",
                  nullptr,
                  {},
                  "PolicySource",
                  "client"},
        LayerCase{"MalformedGenerateOnlyBecomesFalse",
                  nullptr,
                  nullptr,
                  nullptr,
                  nullptr,
                  {"-o", "GeneratePolicyOnly=maybe"},
                  "GeneratePolicyOnly",
                  "False"},
        LayerCase{"PolicyTypeAnyCaseMachine",
                  nullptr,
                  nullptr,
                  nullptr,
                  nullptr,
                  {"-t", "mAcHiNe"},
                  "PolicyType",
                  "Machine"},
        LayerCase{"PolicyTypeOtherIsUser",
                  nullptr,
                  nullptr,
                  nullptr,
                  nullptr,
                  {"-t", "Workstation"},
                  "PolicyType",
                  "User"},
        // The policy server's address.
        LayerCase{"ServerFromThePolicysHive", AGENT "PolicyServerURL=http://stored/\n", nullptr,
                  nullptr, nullptr, kMachine, "PolicyServerURL", "http://stored/"},
        LayerCase{"ServerNeverFromCommon", COMMON "PolicyServerURL=http://common/\n", nullptr,
                  nullptr, nullptr, kMachine, "PolicyServerURL", kMachineUrl},
        LayerCase{"ServerNotFromTheOtherHive", nullptr, nullptr,
                  AGENT "PolicyServerURL=http://user/\n", nullptr, kMachine, "PolicyServerURL",
                  kMachineUrl},
        LayerCase{"ServerDefaultForAUserPolicy",
                  AGENT "PolicyServerURL=http://stored/\n",
                  nullptr,
                  nullptr,
                  nullptr,
                  {"-t", "User"},
                  "PolicyServerURL",
                  kUserUrl},
        LayerCase{"ServerFromTheCommandLine",
                  AGENT "PolicyServerURL=http://stored/\n",
                  nullptr,
                  nullptr,
                  nullptr,
                  {"-t", "Machine", "-s", "http://given/"},
                  "PolicyServerURL",
                  "http://given/"},
        LayerCase{"BootstrappedOverCommandLineForAMachine",
                  nullptr,
                  nullptr,
                  nullptr,
                  nullptr,
                  {"-t", "Machine", "-s", "http://given/", "-o", "BootstrappedPolicy=http://boot/"},
                  "PolicyServerURL",
                  "http://boot/"},
        LayerCase{"BootstrappedIgnoredForAUser",
                  nullptr,
                  nullptr,
                  AGENT "PolicyServerURL=http://user/\n",
                  nullptr,
                  {"-t", "User", "-o", "BootstrappedPolicy=http://boot/"},
                  "PolicyServerURL",
                  "http://user/"}),
    [](const ::testing::TestParamInfo<LayerCase>& param_info) {
      return std::string(param_info.param.name);
    });

// A policy server address from the command line is remembered in the policy's hive, written as
// given; one that was not given leaves the store as it was.
TEST_F(PlcPreferencesPrecedenceTest, GivenServerIsRememberedInThePolicysHive) {
  const std::string agentKey =
      "Software\\Quillmarsh Corp\\Quillmarsh\\Policy Client\\CurrentVersion";
  Attach(AGENT "PolicyServerURL=http://stored/\n", "machine.ini", "HKLM", kRoot);
  {
    PlcPreferencesC preferences;
    ASSERT_EQ(Load(preferences, kMachine), 0);
  }
  std::string text;
  ASSERT_EQ(store_.ReadText(cmn_kHKLM, agentKey, "PolicyServerURL", &text), 0u);
  EXPECT_EQ(text, "http://stored/");
  {
    PlcPreferencesC preferences;
    ASSERT_EQ(Load(preferences, {"-t", "Machine", "-s", "$(DownloadRootURL)/p.rpl"}), 0);
  }
  ASSERT_EQ(store_.ReadText(cmn_kHKLM, agentKey, "PolicyServerURL", &text), 0u);
  EXPECT_EQ(text, "$(DownloadRootURL)/p.rpl");
}

}  // namespace
