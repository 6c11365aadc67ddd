// What happens when the log file cannot be used: the reason on standard error, warnings and
// errors there instead, and an ordinary user's own log.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "cmn/cmn_SafeOpen_posix.h"
#include "logmgr/log_LogInstanceC.h"
#include "tests/logmgr/LogMgrFaultSupport.h"

namespace {

namespace fs = std::filesystem;
using namespace logmgrtest;

constexpr uid_t kNobody = 65534;

TEST(LogFallbackTest, UnusableLogSaysWhyAndSendsWarningsAndErrorsToStandardError) {
  TempDirC dir;
  WriteFile(dir.File("file"), "");
  log_LogSettingsC settings = SettingsIn(dir);
  settings.logFile = S(dir.File("file/test.log"));
  StderrCaptureC err;
  {
    ManagerRefC manager(settings);
    ASSERT_EQ(manager->InstanceCount(), 1u);
    EXPECT_EQ(manager->InstanceAt(0).Logger().Name().ToUtf8(), "stderr");
    (void)manager->Log('G', 0, 0xE1000064, "\x01\x01i\x01%1$s", "information stays quiet");
    (void)manager->Log('G', 0, 0xE100007A, "\x01\x01w\x01%1$s", "a warning");
    (void)manager->Log('G', 0, 0xE1000068,
                       "\x01\x01"
                       "e\x01%1$s",
                       "an error\nwith a forged line");
    (void)manager->Log('G', 0, 0xE1000068, "{e} %1$s", "ftp://a:secret@h/x failed");
  }
  err.Restore();
  const std::string text = err.Text();
  EXPECT_EQ(Occurrences(text, "cannot open the log file '" + dir.File("file/test.log") +
                                  "': Not a directory; warnings and errors go to standard error"),
            1u)
      << text;
  EXPECT_EQ(text.find("information stays quiet"), std::string::npos) << text;
  EXPECT_NE(text.find(": a warning\n"), std::string::npos) << text;
  EXPECT_NE(text.find(": an error\\nwith a forged line\n"), std::string::npos) << text;
  EXPECT_NE(text.find(": ftp://a@h/x failed\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("secret"), std::string::npos) << text;
}

// A log directory that others may change (root:adm 0775 on many systems) is refused with the
// reason, not silently.
TEST(LogFallbackTest, GroupWritableLogDirectoryIsRefusedWithTheReason) {
  TempDirC dir;
  fs::create_directories(dir.File("log"));
  ASSERT_EQ(::chmod(dir.File("log").c_str(), 0775), 0);
  cmn_SafeOpenForceChecks(1);
  StderrCaptureC err;
  {
    ManagerRefC manager(SettingsIn(dir));
    EXPECT_EQ(manager->InstanceAt(0).Logger().Name().ToUtf8(), "stderr");
  }
  err.Restore();
  cmn_SafeOpenForceChecks(-1);
  const std::string text = err.Text();
  EXPECT_NE(text.find("cannot open the log file '" + dir.File("log/test.log") + "': "),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("can be changed by other users"), std::string::npos) << text;
  EXPECT_FALSE(fs::exists(dir.File("log/test.log")));
}

// As root: a run as an ordinary user whose shared log (root's, in a root-owned directory) is
// not writable for it logs to its own log, says where once, and leaves root's log alone; a
// later root run still logs to the shared log.
TEST(LogFallbackTest, UserRunLogsToItsOwnLogAndRootsLogStaysRoots) {
  if (::geteuid() != 0) GTEST_SKIP() << "switching to another user needs root";
  TempDirC dir;
  ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
  fs::create_directories(dir.File("log"));
  ASSERT_EQ(::chmod(dir.File("log").c_str(), 0755), 0);
  WriteFile(dir.File("log/test.log"), "[root's (G, 0)] {1} line\n");
  fs::create_directories(dir.File("home"));
  ASSERT_EQ(::chown(dir.File("home").c_str(), kNobody, kNobody), 0);
  const std::string own_log = dir.File("home/.quillmarsh/log/quillmarsh.log");
  const std::string err = dir.File("user.err");
  WriteFile(err, "");
  ASSERT_EQ(::chown(err.c_str(), kNobody, kNobody), 0);

  for (int run = 0; run < 2; ++run) {
    const pid_t child = Spawn([&] {
      if (::setgroups(0, nullptr) != 0 || ::setresgid(kNobody, kNobody, kNobody) != 0 ||
          ::setresuid(kNobody, kNobody, kNobody) != 0) {
        return 2;
      }
      const int fd = ::open(err.c_str(), O_WRONLY | O_APPEND);
      ::dup2(fd, 2);
      log_LogSettingsC settings = SettingsIn(dir);
      settings.userLogFile = S(own_log);
      settings.userLogFileOld = S(dir.File("home/.quillmarsh/log/quillmarsh.old"));
      ManagerRefC manager(settings);
      if (manager->InstanceCount() != 1 ||
          manager->InstanceAt(0).Logger().Name().ToUtf8() != "default") {
        return 3;
      }
      (void)manager->Log('G', 0, 0xE1000064, "\x01\x01i\x01%1$s", "user run");
      return 0;
    });
    ASSERT_EQ(WaitFor(child), 0);
  }
  {
    ManagerRefC manager(SettingsIn(dir));
    (void)manager->Log('G', 0, 0xE1000064, "\x01\x01i\x01%1$s", "root run");
  }
  const auto shared = ReadLines(dir.File("log/test.log"));
  ASSERT_EQ(shared.size(), 2u);
  EXPECT_NE(shared[1].find("root run"), std::string::npos);
  const auto own = ReadLines(own_log);
  ASSERT_EQ(own.size(), 2u);
  EXPECT_NE(own[0].find("user run"), std::string::npos);
  struct stat f {
  }, d{};
  ASSERT_EQ(::stat(own_log.c_str(), &f), 0);
  ASSERT_EQ(::stat(dir.File("home/.quillmarsh/log").c_str(), &d), 0);
  EXPECT_EQ(f.st_mode & 07777, 0600u);
  EXPECT_EQ(d.st_mode & 07777, 0700u);
  EXPECT_EQ(f.st_uid, kNobody);
  // Once per run.
  EXPECT_EQ(Occurrences(ReadFile(err), "logging to '" + own_log + "'"), 2u) << ReadFile(err);
}

}  // namespace
