// qlmpolicy end to end when its installation agent must be stopped: a termination signal to
// the policy client, or an agent that outlives AgentTimeout. The fake agents record their
// process ids; afterwards none of them may run, and the single-instance lock may only have
// been free once all of them were gone.
#include <fcntl.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "e2e/E2eSupport.h"

namespace e2e {
namespace {

using Argv = std::vector<std::string>;

// One fake agent: its script in e2e/fake, how many processes it records, and whether only
// SIGKILL ends all of them.
struct AgentCase {
  const char* script;
  size_t processes;
  bool needsKill;
};

constexpr AgentCase kAgents[] = {
    {"agent-never-exits", 1, false},
    {"agent-ignores-term", 1, true},
    {"agent-forks-grandchild", 2, true},
};

// True while `pid` runs (a zombie has ended; whoever reaps it is no concern here).
bool Running(pid_t pid) {
  if (::kill(pid, 0) != 0) return false;
  const std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
  const size_t close = stat.rfind(')');
  if (close == std::string::npos || close + 2 >= stat.size()) return false;
  return stat[close + 2] != 'Z' && stat[close + 2] != 'X';
}

class AgentStopTest : public PolicyWorldTest {
 protected:
  void SetUp() override {
    PolicyWorldTest::SetUp();
    if (::geteuid() != 0) GTEST_SKIP() << "the default machine policy needs root";
    env_["FAKE_AGENT_PIDS"] = (root_ / "pids").string();
  }
  void TearDown() override {
    // Whatever a failed case left running goes with the world.
    for (const auto& [role, pid] : Recorded()) {
      if (Running(pid)) ::kill(pid, SIGKILL);
    }
    PolicyWorldTest::TearDown();
  }

  void InstallAgent(const char* script) {
    fs::copy_file(fs::path(QLM_SOURCE_DIR) / "e2e/fake" / script, root_ / "bin/rklaunch",
                  fs::copy_options::overwrite_existing);
    fs::permissions(root_ / "bin/rklaunch", fs::perms::owner_all);
  }

  // The ("agent" or "child", pid) pairs the fake agent wrote.
  std::vector<std::pair<std::string, pid_t>> Recorded() const {
    std::vector<std::pair<std::string, pid_t>> recorded;
    std::istringstream lines(ReadFile(root_ / "pids"));
    std::string role;
    long pid = 0;
    while (lines >> role >> pid) recorded.emplace_back(role, static_cast<pid_t>(pid));
    return recorded;
  }
  // Waits (up to 20 s) until `n` processes of the agent have recorded themselves.
  bool WaitForProcesses(size_t n) const {
    for (int i = 0; i < 400; ++i) {
      if (Recorded().size() >= n) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }
  pid_t AgentPid() const {
    for (const auto& [role, pid] : Recorded()) {
      if (role == "agent") return pid;
    }
    return -1;
  }
  bool AnyRunning() const {
    for (const auto& [role, pid] : Recorded()) {
      if (Running(pid)) return true;
    }
    return false;
  }

  // True when no lock file of the run directory is locked by anyone.
  bool LockFree() const {
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(root_ / "data/run", ignored)) {
      if (entry.path().extension() != ".lock") continue;
      int fd = ::open(entry.path().c_str(), O_RDONLY | O_CLOEXEC);
      if (fd < 0) continue;  // removed on release
      struct flock probe;
      std::memset(&probe, 0, sizeof probe);
      probe.l_type = F_WRLCK;
      probe.l_whence = SEEK_SET;
      const bool asked = ::fcntl(fd, F_OFD_GETLK, &probe) == 0;
      ::close(fd);
      if (asked && probe.l_type != F_UNLCK) return false;
    }
    return true;
  }

  // Waits for `child` to end. Meanwhile watches the lock: returns through *earlyRelease
  // whether it was seen free while a process of the agent still ran.
  int WaitWatchingTheLock(ChildC* child, bool* earlyRelease) {
    *earlyRelease = false;
    for (;;) {
      siginfo_t info;
      std::memset(&info, 0, sizeof info);
      // Ended? Asked without collecting it: Wait() below does that.
      if (::waitid(P_PID, static_cast<id_t>(child->Pid()), &info, WEXITED | WNOHANG | WNOWAIT) !=
              0 ||
          info.si_pid != 0) {
        break;
      }
      if (LockFree()) {
        *earlyRelease = AnyRunning();
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return child->Wait();
  }
};

// --- A termination signal to the policy client -------------------------------------------------

class AgentSignalsTest : public AgentStopTest,
                         public ::testing::WithParamInterface<std::tuple<AgentCase, int>> {};

TEST_P(AgentSignalsTest, SignalStopsTheAgentsGroupBeforeTheLockGoes) {
  const auto& [agent, signal] = GetParam();
  InstallAgent(agent.script);
  ChildC run;
  // A group that obeys SIGTERM gets ample time, so that only one that ignores it meets SIGKILL.
  const int grace = agent.needsKill ? 1 : 30;
  Start(&run, {"-o", "AgentTerminateGrace=" + std::to_string(grace)});
  ASSERT_TRUE(WaitForProcesses(agent.processes)) << ReadFile(LogFile());
  ASSERT_FALSE(LockFree());
  ASSERT_EQ(::kill(run.Pid(), signal), 0);
  bool earlyRelease = false;
  EXPECT_EQ(WaitWatchingTheLock(&run, &earlyRelease), 1);
  EXPECT_FALSE(earlyRelease) << "the lock was free while the agent's group still ran";
  EXPECT_FALSE(AnyRunning());

  const std::string pid = std::to_string(AgentPid());
  EXPECT_TRUE(LogHas("ERROR: Received signal " + std::to_string(signal) +
                     "; stopping the installation agent (process " + pid +
                     ") and its process group"))
      << ReadFile(LogFile());
  if (agent.needsKill) {
    EXPECT_TRUE(LogHas("ERROR: The installation agent (process " + pid +
                       ") or its process group did not end within 1 seconds of SIGTERM; the "
                       "group was killed (SIGKILL)"));
  } else {
    EXPECT_TRUE(LogHas("The installation agent (process " + pid +
                       ") and its process group ended after SIGTERM"));
  }
  EXPECT_TRUE(
      LogHas("ERROR: Varnholt installation agent cannot install the merged deployment policy"));
  EXPECT_TRUE(LogHas("Program exited with code 1"));
  EXPECT_TRUE(LockFree());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AgentSignalsTest,
    ::testing::Combine(::testing::ValuesIn(kAgents), ::testing::Values(SIGTERM, SIGINT, SIGHUP)),
    [](const ::testing::TestParamInfo<std::tuple<AgentCase, int>>& param_info) {
      std::string name = std::get<0>(param_info.param).script;
      for (char& c : name) {
        if (c == '-') c = '_';
      }
      return name + "_" + std::to_string(std::get<1>(param_info.param));
    });

// --- AgentTimeout ------------------------------------------------------------------------------

class AgentTimeoutTest : public AgentStopTest, public ::testing::WithParamInterface<AgentCase> {};

TEST_P(AgentTimeoutTest, AgentPastItsLimitIsStoppedAndTheRunFails) {
  const AgentCase& agent = GetParam();
  InstallAgent(agent.script);
  ChildC run;
  Start(&run, {"-o", "AgentTimeout=1", "-o", "AgentTerminateGrace=1"});
  ASSERT_TRUE(WaitForProcesses(agent.processes)) << ReadFile(LogFile());
  bool earlyRelease = false;
  EXPECT_EQ(WaitWatchingTheLock(&run, &earlyRelease), 1);
  EXPECT_FALSE(earlyRelease) << "the lock was free while the agent's group still ran";
  EXPECT_FALSE(AnyRunning());
  EXPECT_TRUE(LogHas("ERROR: The installation agent (process " + std::to_string(AgentPid()) +
                     ") did not finish within the AgentTimeout of 1 seconds; stopping it and "
                     "its process group"))
      << ReadFile(LogFile());
  EXPECT_TRUE(LogHas("Program exited with code 1"));

  // The next run is not refused: the lock went with the stopped run.
  fs::remove(LogFile());
  fs::copy_file(fs::path(QLM_SOURCE_DIR) / "e2e/fake/rklaunch", root_ / "bin/rklaunch",
                fs::copy_options::overwrite_existing);
  EXPECT_EQ(Run({"-o", "AgentTimeout=1"}), 0) << ReadFile(LogFile());
}

INSTANTIATE_TEST_SUITE_P(Cases, AgentTimeoutTest, ::testing::ValuesIn(kAgents),
                         [](const ::testing::TestParamInfo<AgentCase>& param_info) {
                           std::string name = param_info.param.script;
                           for (char& c : name) {
                             if (c == '-') c = '_';
                           }
                           return name;
                         });

TEST_F(AgentStopTest, InvalidLimitsWarnAndKeepTheDefaults) {
  // The ordinary fake agent ends at once; an unreadable limit must not stop it.
  EXPECT_EQ(Run({"-o", "AgentTimeout=soon", "-o", "AgentTerminateGrace=-4"}), 0)
      << ReadFile(LogFile());
  EXPECT_TRUE(LogHas("WARNING: Invalid preference 'AgentTimeout=soon'"));
  EXPECT_TRUE(LogHas("WARNING: Invalid preference 'AgentTerminateGrace=-4'"));
}

}  // namespace
}  // namespace e2e
