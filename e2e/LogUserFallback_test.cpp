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
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to switch to an ordinary user";
    struct passwd* nobody = ::getpwnam("nobody");
    if (nobody == nullptr || !fs::exists("/usr/bin/setpriv")) GTEST_SKIP() << "no nobody/setpriv";
    uid_ = nobody->pw_uid;
    gid_ = nobody->pw_gid;
    // A machine as installed: everything root's and not writable by others, the home the
    // user's own.
    fs::permissions(root_, fs::perms::all & ~fs::perms::group_write & ~fs::perms::others_write);
    ASSERT_EQ(::chown((root_ / "home").c_str(), uid_, gid_), 0);
    MakeUserLockDirectory(uid_, gid_);
    fs::permissions(root_ / "calls", fs::perms::all);
    WriteFile(ConfigIni(), "[Quillmarsh]\nInstallDir=" + (root_ / "install").string() +
                               "\nCommonAppDataFolder=" + (root_ / "data").string() + "\n");
  }
  int RunAsUser(const Argv& args) {
    Argv argv = {"/usr/bin/setpriv", "--reuid=" + std::to_string(uid_),
                 "--regid=" + std::to_string(gid_), "--clear-groups", Program()};
    argv.insert(argv.end(), args.begin(), args.end());
    ChildC child;
    child.Start(argv, env_, root_ / "out/stdout", root_ / "out/stderr");
    return child.Wait();
  }
  fs::path OwnLog() const { return root_ / "home/.quillmarsh/log/quillmarsh.log"; }
  uid_t uid_ = 0;
  gid_t gid_ = 0;
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
