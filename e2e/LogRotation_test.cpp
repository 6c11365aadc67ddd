// The log under rotation, end to end: a run waiting in the agent keeps logging to the file at
// the log's path while other runs move the log aside, and the log stays well formed.
#include <chrono>
#include <thread>

#include "e2e/E2eSupport.h"

namespace e2e {
namespace {

class LogRotationTest : public PolicyWorldTest {
 protected:
  void SetUp() override {
    PolicyWorldTest::SetUp();
    if (::geteuid() != 0) GTEST_SKIP() << "the default machine policy needs root";
  }
  bool WaitForCall() {
    for (int i = 0; i < 400; ++i) {
      if (fs::exists(root_ / "calls/call.1")) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }
  fs::path OldFile() const { return root_ / "data/log/quillmarsh.old"; }
  // The lines of process `pid` in the log and the old log, in that order of files.
  std::vector<std::string> LinesOf(pid_t pid) const {
    std::vector<std::string> found;
    const std::string tag = "{" + std::to_string(pid) + "} ";
    for (const fs::path& file : {OldFile(), LogFile()}) {
      std::istringstream lines(ReadFile(file));
      for (std::string line; std::getline(lines, line);) {
        const size_t at = line.find(tag);
        if (at != std::string::npos) found.push_back(line.substr(at + tag.size()));
      }
    }
    return found;
  }
};

// Two runs move the log aside (each finds it above a one-byte limit) while the first run
// waits for its agent; the second move replaces the file the first run had open. The first
// run's closing lines must still be found.
TEST_F(LogRotationTest, ClosingLinesOfAWaitingRunSurviveTwoMoves) {
  const fs::path release = root_ / "release";
  env_["FAKE_RKLAUNCH_WAIT"] = release.string();
  ChildC first;
  Start(&first, {});
  ASSERT_TRUE(WaitForCall());
  env_.erase("FAKE_RKLAUNCH_WAIT");
  // Refused by the run lock, but each opens the log first and moves it aside.
  EXPECT_EQ(Run({"-o", "LogFileSize=1"}), 1);
  EXPECT_EQ(Run({"-o", "LogFileSize=1"}), 1);
  WriteFile(release, "");
  ASSERT_EQ(first.Wait(), 0);
  const std::vector<std::string> lines = LinesOf(first.Started());
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], "Program exited successfully");
  EXPECT_EQ(lines.back(), std::string(60, '*'));
}

// A value that reaches the log with a line break and an escape sequence stays on its line.
TEST_F(LogRotationTest, ForgedLinesInOptionsStayOnOneLine) {
  EXPECT_EQ(Run({"-o", "Note=x\n[Sun Dec  6 00:00:00 2026 (G, 0)] {1} forged\x1b[2J"}), 0);
  const std::string log = ReadFile(LogFile());
  EXPECT_EQ(log.find("\n[Sun Dec  6 00:00:00 2026 (G, 0)] {1} forged"), std::string::npos);
  EXPECT_NE(log.find("\\n[Sun Dec  6 00:00:00 2026 (G, 0)] {1} forged\\x1b[2J"), std::string::npos);
}

// With an unusable log, the run says why on standard error.
TEST_F(LogRotationTest, UnusableLogIsReportedOnStandardError) {
  WriteFile(root_ / "data/log", "a file where the log directory belongs");
  EXPECT_EQ(Run({}), 0);
  const std::string err = ReadFile(root_ / "out/stderr");
  EXPECT_NE(err.find("cannot open the log file '" + LogFile().string() + "': "), std::string::npos)
      << err;
}

}  // namespace
}  // namespace e2e
