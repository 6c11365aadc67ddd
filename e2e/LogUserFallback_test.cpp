// The log between root and ordinary users, end to end: a user's run that cannot use the
// machine's log logs to a log of its own and says where, and root's log never depends on what
// a user's run did first.
#include <pwd.h>

#include "e2e/E2eSupport.h"

namespace e2e {
namespace {

using Argv = std::vector<std::string>;

class LogUserFallbackTest : public PolicyWorldTest {
 protected:
  void SetUp() override {
    PolicyWorldTest::SetUp();
    PrepareUserWorld();
  }
  fs::path OwnLog() const { return root_ / "home/.quillmarsh/log/quillmarsh.log"; }
};

TEST_F(LogUserFallbackTest, UserRunLogsToItsOwnLogAndRootKeepsItsLog) {
  // Root's run first makes the machine's log.
  ASSERT_EQ(Run({}), 0);
  const std::string roots = ReadFile(LogFile());
  ASSERT_FALSE(roots.empty());
  // The user's run cannot write it and logs to its own log, saying so once.
  EXPECT_EQ(RunAsUser({"-o", "AppDataFolder=" + (root_ / "home").string()}), 0);
  EXPECT_EQ(ReadFile(LogFile()), roots);
  const std::string own = ReadFile(OwnLog());
  EXPECT_NE(own.find("Program exited successfully"), std::string::npos) << own;
  struct stat st {};
  ASSERT_EQ(::stat(OwnLog().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  EXPECT_EQ(st.st_uid, uid_);
  const std::string err = ReadFile(root_ / "out/stderr");
  size_t said = 0;
  for (size_t at = err.find("logging to '" + OwnLog().string() + "'"); at != std::string::npos;
       at = err.find("logging to '" + OwnLog().string() + "'", at + 1)) {
    ++said;
  }
  EXPECT_EQ(said, 1u) << err;
  // Root's next run still logs to the machine's log.
  ASSERT_EQ(Run({}), 0);
  EXPECT_GT(ReadFile(LogFile()).size(), roots.size());
}

}  // namespace
}  // namespace e2e
