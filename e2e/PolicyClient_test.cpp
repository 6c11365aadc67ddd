// qlmpolicy end to end: the built program in a throwaway world against a fake installation
// agent that records its argument vectors.
#include <pwd.h>

#include <chrono>
#include <thread>

#include "e2e/E2eSupport.h"

namespace e2e {
namespace {

using Argv = std::vector<std::string>;

const std::string kStars(60, '*');

// The default machine address as the agent receives it: the download root's reference stays
// for the agent to resolve, like every reference without a value.
bool IsMachineDefault(const std::string& address) {
  return address.rfind("$(DownloadRootURL)/Policies/Merged/", 0) == 0 &&
         address.find("Machine/") != std::string::npos &&
         address.find(".rpl?machinename=") != std::string::npos &&
         address.find("&ipaddress=") != std::string::npos;
}

class PolicyClientTest : public PolicyWorldTest {
 protected:
  // The cases expect a machine policy by default, which only root applies.
  void SetUp() override {
    PolicyWorldTest::SetUp();
    if (::geteuid() != 0) GTEST_SKIP() << "the default machine policy needs root";
  }
  // Waits (up to 20 s) until the agent has been called `n` times.
  bool WaitForCalls(size_t n) {
    for (int i = 0; i < 400; ++i) {
      if (Calls().size() >= n) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }
};

TEST_F(PolicyClientTest, MachinePolicyRunsTheAgentAndLogsEveryStep) {
  ASSERT_EQ(Run({}), 0);
  auto calls = Calls();
  ASSERT_EQ(calls.size(), 1u);
  const Argv& argv = calls[0];
  ASSERT_EQ(argv.size(), 6u);
  EXPECT_EQ(argv[0], "-r");
  EXPECT_TRUE(IsMachineDefault(argv[1])) << argv[1];
  EXPECT_EQ(Argv(argv.begin() + 2, argv.end()),
            (Argv{"-o", "PkgType=Policy", "-o", "InstallProfile=Public"}));

  const auto log = LogTexts();
  ASSERT_GE(log.size(), 10u);
  EXPECT_EQ(log[0], kStars);
  EXPECT_EQ(log[1], "Program version is 'Quillmarsh deployment policy client 13.0'");
  EXPECT_EQ(log[2].rfind("Program path is '", 0), 0u);
  EXPECT_EQ(log[3], "Program build number is '15826'");
  EXPECT_EQ(log[4], "Program command-line is '" + Program() + "'");
  EXPECT_EQ(log[5], "Program is initializing");
  EXPECT_EQ(log[6], "Finished loading program preferences");
  EXPECT_EQ(log[7], "Using user preference of server side policy source");
  EXPECT_EQ(log[8], "Installing merged deployment policy '" + argv[1] + "'");
  EXPECT_EQ(log[9], "Calling Varnholt installation agent with command-line 'rklaunch -r \"" +
                        argv[1] + "\" -o PkgType=Policy -o InstallProfile=Public'");
  EXPECT_EQ(log[log.size() - 3],
            "Varnholt installation agent successfully installed the merged deployment policy");
  EXPECT_EQ(log[log.size() - 2], "Program exited successfully");
  EXPECT_EQ(log.back(), kStars);
  // Nothing is left behind in the run directory.
  for (const auto& entry : fs::directory_iterator(root_ / "data/run")) {
    ADD_FAILURE() << "left behind: " << entry.path();
  }
}

// How the command line shapes the agent's argument vector (after the address).
struct ArgsCase {
  const char* name;
  Argv args;
  Argv expectedTail;       // the agent's arguments after "-r <address>"
  const char* addressEnd;  // the address ends with this (empty: not checked)
};

class PolicyClientArgsTest : public PolicyClientTest,
                             public ::testing::WithParamInterface<ArgsCase> {};

TEST_P(PolicyClientArgsTest, AgentReceivesExactlyTheseArguments) {
  const ArgsCase& c = GetParam();
  ASSERT_EQ(Run(c.args), 0);
  auto calls = Calls();
  ASSERT_EQ(calls.size(), 1u);
  ASSERT_GE(calls[0].size(), 2u);
  EXPECT_EQ(calls[0][0], "-r");
  const std::string& address = calls[0][1];
  const std::string end = c.addressEnd;
  EXPECT_TRUE(address.size() >= end.size() &&
              address.compare(address.size() - end.size(), end.size(), end) == 0)
      << address;
  EXPECT_EQ(Argv(calls[0].begin() + 2, calls[0].end()), c.expectedTail);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PolicyClientArgsTest,
    ::testing::Values(ArgsCase{"UserPolicy",
                               {"-t", "User"},
                               {"-o", "PkgType=Policy", "-o", "InstallProfile=Private"},
                               ".rpl"},
                      ArgsCase{"AnyOtherTypeIsUser",
                               {"-t", "Computer"},
                               {"-o", "PkgType=Policy", "-o", "InstallProfile=Private"},
                               ".rpl"},
                      ArgsCase{"TypeIgnoresCase",
                               {"-t", "machine"},
                               {"-o", "PkgType=Policy", "-o", "InstallProfile=Public"},
                               ""},
                      ArgsCase{"ServerAddressGetsTheMachineQuery",
                               {"-s", "http://srv/p/m.rpl"},
                               {"-o", "PkgType=Policy", "-o", "InstallProfile=Public"},
                               ""},
                      ArgsCase{"AddressWithQueryKeepsIt",
                               {"-s", "http://srv/m.rpl?x=1"},
                               {"-o", "PkgType=Policy", "-o", "InstallProfile=Public"},
                               "m.rpl?x=1"},
                      ArgsCase{"LauncherTextFollowsTheProfile",
                               {"-l", "-v"},
                               {"-o", "PkgType=Policy", "-o", "InstallProfile=Public", "-v"},
                               ""},
                      ArgsCase{"ExtraOptionsEachOneArgument",
                               {"-o", "A=1", "-o", "B=2", "-o", "Flag"},
                               {"-o", "PkgType=Policy", "-o", "InstallProfile=Public", "-o", "A=1",
                                "-o", "B=2", "-o", "Flag"},
                               ""},
                      ArgsCase{"OptionsWithQuotesAndBlanksArriveWhole",
                               {"-o", "Msg=say \"hi\" now", "-o", "P=it's", "-o", "Empty="},
                               {"-o", "PkgType=Policy", "-o", "InstallProfile=Public", "-o",
                                "Msg=say \"hi\" now", "-o", "P=it's", "-o", "Empty="},
                               ""},
                      ArgsCase{"HelpIsIgnored",
                               {"-h"},
                               {"-o", "PkgType=Policy", "-o", "InstallProfile=Public"},
                               ""}),
    [](const ::testing::TestParamInfo<ArgsCase>& param_info) { return param_info.param.name; });

TEST_F(PolicyClientTest, ServerAddressIsStoredAndReused) {
  ASSERT_EQ(Run({"-s", "http://srv/p/m.rpl"}), 0);
  EXPECT_NE(ReadFile(ConfigIni()).find("PolicyServerURL=http://srv/p/m.rpl"), std::string::npos)
      << ReadFile(ConfigIni());
  ASSERT_EQ(Run({}), 0);
  auto calls = Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[1][1].rfind("http://srv/p/m.rpl?machinename=", 0), 0u) << calls[1][1];
}

TEST_F(PolicyClientTest, UnchangedSettingsAreNotWrittenAgain) {
  ASSERT_EQ(Run({"-s", "http://srv/p/m.rpl"}), 0);
  struct stat before {};
  ASSERT_EQ(::stat(ConfigIni().c_str(), &before), 0);
  ASSERT_EQ(Run({"-s", "http://srv/p/m.rpl"}), 0);
  ASSERT_EQ(Run({}), 0);
  struct stat after {};
  ASSERT_EQ(::stat(ConfigIni().c_str(), &after), 0);
  EXPECT_EQ(before.st_ino, after.st_ino);
  EXPECT_EQ(before.st_mtim.tv_sec, after.st_mtim.tv_sec);
  EXPECT_EQ(before.st_mtim.tv_nsec, after.st_mtim.tv_nsec);
}

TEST_F(PolicyClientTest, FixedStoredAddressWinsOverTheCommandLine) {
  WriteFile(ConfigIni(),
            "[Quillmarsh\\Policy Client\\CurrentVersion]\n"
            "PolicyServerURL=http://fixed/f.rpl\n"
            "PolicyServerURLFixed=True\n");
  ASSERT_EQ(Run({"-s", "http://other/o.rpl"}), 0);
  auto calls = Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0][1].rfind("http://fixed/f.rpl?machinename=", 0), 0u) << calls[0][1];
}

TEST_F(PolicyClientTest, BadCommandLinesEndBeforeTheBanner) {
  for (const Argv& args : {Argv{"-x"}, Argv{"-t"}, Argv{"-o", "A=1", "-q", "-t", "User"}}) {
    fs::remove(LogFile());
    EXPECT_EQ(Run(args), 1) << args[0];
    EXPECT_EQ(LogTexts(), (std::vector<std::string>{"WARNING: Invalid preference '-?'",
                                                    "Program exited with code 1", kStars}));
  }
  EXPECT_TRUE(Calls().empty());
}

TEST_F(PolicyClientTest, AgentFailureAndMissingAgentGiveExitCode1) {
  env_["FAKE_RKLAUNCH_EXIT"] = "3";
  EXPECT_EQ(Run({}), 1);
  EXPECT_TRUE(
      LogHas("ERROR: Varnholt installation agent cannot install the merged deployment "
             "policy"));
  EXPECT_TRUE(LogHas("Program exited with code 1"));

  fs::remove(LogFile());
  fs::remove(root_ / "bin/rklaunch");
  EXPECT_EQ(Run({}), 1);
  EXPECT_TRUE(
      LogHas("ERROR: Varnholt installation agent cannot install the merged deployment "
             "policy"));
}

TEST_F(PolicyClientTest, GeneratePolicyOnlyRunsNothing) {
  EXPECT_EQ(Run({"-o", "GeneratePolicyOnly=True"}), 0);
  EXPECT_TRUE(Calls().empty());
  EXPECT_TRUE(LogHas("Using user preference of server side policy source"));
  EXPECT_FALSE(LogHas("Calling Varnholt installation agent with command-line"));
}

TEST_F(PolicyClientTest, ClientSourceOnThisSystemSwitchesToTheServer) {
  EXPECT_EQ(Run({"-o", "PolicySource=Client"}), 0);
  EXPECT_TRUE(
      LogHas("The policy source has been switched to server side policy because OS "
             "doesnt support client side merging"));
  EXPECT_EQ(Calls().size(), 1u);
}

TEST_F(PolicyClientTest, DefaultScheduleSuccessAndFailure) {
  ASSERT_EQ(Run({"-o", "InstallDefaultSchedule=True", "-t", "User"}), 0);
  auto calls = Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0][0], "-r");
  EXPECT_NE(calls[0][1].find("/Schedules/Default Machine Schedule/Default Machine Schedule.osd"),
            std::string::npos);
  EXPECT_EQ(Argv(calls[0].begin() + 2, calls[0].end()),
            (Argv{"-o", "InstallProfile=Private", "-o", "InstallDefaultSchedule=True"}));
  EXPECT_TRUE(LogHas("Varnholt installation agent successfully installed the default schedule"));

  // The schedule failing does not stop the policy, nor change the exit code.
  fs::remove_all(root_ / "calls");
  fs::create_directories(root_ / "calls");
  fs::remove(LogFile());
  env_["FAKE_RKLAUNCH_EXIT_1"] = "1";
  EXPECT_EQ(Run({"-o", "InstallDefaultSchedule=True"}), 0);
  EXPECT_EQ(Calls().size(), 2u);
  EXPECT_TRUE(
      LogHas("ERROR: Varnholt installation agent failed to install the default schedule. "
             "Continue to policy installation."));
}

TEST_F(PolicyClientTest, ConcurrentRunsOfOnePolicyApplyOnce) {
  // The first run's agent waits until the second run has been refused.
  const fs::path release = root_ / "release";
  env_["FAKE_RKLAUNCH_WAIT"] = release.string();
  ChildC first;
  Start(&first, {});
  ASSERT_TRUE(WaitForCalls(1));
  EXPECT_EQ(Run({}), 1);
  WriteFile(release, "");
  EXPECT_EQ(first.Wait(), 0);
  EXPECT_EQ(Calls().size(), 1u);
  EXPECT_TRUE(LogHas("ERROR: Merged deployment policy is already being applied"));
  // The refused run names the lock file and its holder, the first run.
  const std::string holder = "is held by process " + std::to_string(first.Started());
  bool named = false;
  for (const std::string& text : LogTexts()) {
    named = named || (text.rfind("The lock file '", 0) == 0 &&
                      text.find(".lock' " + holder) != std::string::npos);
  }
  EXPECT_TRUE(named);
}

TEST_F(PolicyClientTest, SingleInstanceOffLetsRunsOverlap) {
  const fs::path release = root_ / "release";
  env_["FAKE_RKLAUNCH_WAIT"] = release.string();
  ChildC first;
  Start(&first, {"-o", "SingleInstance=False"});
  ASSERT_TRUE(WaitForCalls(1));
  env_.erase("FAKE_RKLAUNCH_WAIT");
  EXPECT_EQ(Run({"-o", "SingleInstance=False"}), 0);
  WriteFile(release, "");
  EXPECT_EQ(first.Wait(), 0);
  EXPECT_EQ(Calls().size(), 2u);
}

TEST_F(PolicyClientTest, HolderKilledWithSigkillFreesTheLock) {
  env_["FAKE_RKLAUNCH_WAIT"] = (root_ / "never").string();
  ChildC first;
  Start(&first, {});
  ASSERT_TRUE(WaitForCalls(1));
  ::kill(first.Pid(), SIGKILL);
  EXPECT_EQ(first.Wait(), 128 + SIGKILL);
  env_.erase("FAKE_RKLAUNCH_WAIT");
  // The agent of the killed run is still running (until `first` goes); it holds no lock.
  EXPECT_EQ(Run({}), 0);
  EXPECT_EQ(Calls().size(), 2u);
}

// A password given as a preference never reaches the log, whatever its name's case: the banner
// shows "***" for it.
TEST_F(PolicyClientTest, PasswordPreferencesAreMaskedInTheLog) {
  EXPECT_EQ(Run({"-o", "ProxyPassword=hunter2", "-o", "downloadpassword=swordfish"}), 0);
  const std::string log = ReadFile(LogFile());
  EXPECT_EQ(log.find("hunter2"), std::string::npos) << log;
  EXPECT_EQ(log.find("swordfish"), std::string::npos) << log;
  EXPECT_TRUE(LogHas("Program command-line is '" + Program() +
                     " -o ProxyPassword=*** -o downloadpassword=***'"))
      << log;
}

// A root run holds decrypted secrets: it makes no core file, nor do the programs it starts.
TEST_F(PolicyClientTest, RootRunsSwitchCoreDumpsOff) {
  const fs::path release = root_ / "calls/release";
  env_["FAKE_RKLAUNCH_WAIT"] = release.string();
  ChildC run;
  Start(&run, {});
  ASSERT_TRUE(WaitForCalls(1));
  const std::string limits = ReadFile("/proc/" + std::to_string(run.Pid()) + "/limits");
  WriteFile(release, "");
  EXPECT_EQ(run.Wait(), 0);
  std::istringstream lines(limits);
  std::string line;
  bool seen = false;
  while (std::getline(lines, line)) {
    if (line.rfind("Max core file size", 0) != 0) continue;
    seen = true;
    std::istringstream fields(line.substr(std::string("Max core file size").size()));
    std::string soft, hard;
    fields >> soft >> hard;
    EXPECT_EQ(soft, "0") << line;
    EXPECT_EQ(hard, "0") << line;
  }
  EXPECT_TRUE(seen) << limits;
}

// Runs as the ordinary user "nobody" (setpriv), which needs root to start with.
class PolicyClientUserTest : public PolicyClientTest {
 protected:
  void SetUp() override {
    PolicyClientTest::SetUp();
    PrepareUserWorld();
    if (IsSkipped() || HasFatalFailure()) return;
    // The data directory (and its run directory) belongs to root, as on a real machine, but
    // the log may be written: sticky, so that a file there is its owner's alone.
    fs::create_directories(root_ / "data/run");
    fs::create_directories(root_ / "data/log");
    fs::permissions(root_ / "data/log", fs::perms::all | fs::perms::sticky_bit);
    env_.erase("XDG_RUNTIME_DIR");
  }
};

TEST_F(PolicyClientUserTest, MachinePolicyIsRefusedForAnOrdinaryUser) {
  EXPECT_EQ(RunAsUser({"-t", "Machine"}), 1);
  EXPECT_TRUE(LogHas("ERROR: Only SYSTEM or administrators can apply machine policy"));
  EXPECT_TRUE(Calls().empty());
}

TEST_F(PolicyClientUserTest, UserPolicyIsGuardedAndAppliedWithoutAWritableRunDirectory) {
  EXPECT_EQ(RunAsUser({}), 0) << ReadFile(LogFile());
  auto calls = Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(Argv(calls[0].begin() + 2, calls[0].end()),
            (Argv{"-o", "PkgType=Policy", "-o", "InstallProfile=Private"}));
  // The lock lived in the user's own lock directory, not below HOME.
  EXPECT_FALSE(fs::exists(root_ / "home/.cache/quillmarsh/run"));
}

// The lock of a user's policy is one file whatever the environment says: a run with
// XDG_RUNTIME_DIR and another HOME meets the lock of a run without them.
TEST_F(PolicyClientUserTest, OneUserPolicyLockWhateverTheEnvironment) {
  const fs::path release = root_ / "calls/release";
  env_["FAKE_RKLAUNCH_WAIT"] = release.string();
  Argv argv = {"/usr/bin/setpriv", "--reuid=" + std::to_string(uid_),
               "--regid=" + std::to_string(gid_), "--clear-groups", Program()};
  ChildC first;
  first.Start(argv, env_, root_ / "out/stdout", root_ / "out/stderr");
  ASSERT_TRUE(WaitForCalls(1));
  env_.erase("FAKE_RKLAUNCH_WAIT");
  fs::create_directories(root_ / "xdg");
  ASSERT_EQ(::chown((root_ / "xdg").c_str(), uid_, gid_), 0);
  fs::permissions(root_ / "xdg", fs::perms::owner_all);
  env_["XDG_RUNTIME_DIR"] = (root_ / "xdg").string();
  fs::create_directories(root_ / "home2");
  ASSERT_EQ(::chown((root_ / "home2").c_str(), uid_, gid_), 0);
  env_["HOME"] = (root_ / "home2").string();
  EXPECT_EQ(RunAsUser({}), 1);
  WriteFile(release, "");
  EXPECT_EQ(first.Wait(), 0);
  EXPECT_EQ(Calls().size(), 1u) << "the agent ran twice";
}

}  // namespace
}  // namespace e2e
