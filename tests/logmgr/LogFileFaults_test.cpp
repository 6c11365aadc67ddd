// Faults of the log file under ordinary operation: the size limit's suffixes, a move aside
// across file systems, a log moved or truncated by another run or by logrotate, a full disk,
// and the modes of what the logger creates.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "logmgr/log_LogFileLoggerC.h"
#include "logmgr/log_LogInstanceC.h"
#include "tests/logmgr/LogMgrFaultSupport.h"

namespace {

namespace fs = std::filesystem;
using namespace logmgrtest;

constexpr const char* kInfo = "\x01\x01i\x01%1$s";

bool HasText(const std::vector<std::string>& lines, const std::string& text) {
  for (const std::string& line : lines) {
    if (line.size() >= text.size() &&
        line.compare(line.size() - text.size(), text.size(), text) == 0)
      return true;
  }
  return false;
}

TEST(LogFileSizeTest, SuffixesAndPlainNumbersAreRead) {
  struct Case {
    const char* text;
    bool ok;
    int64_t bytes;
  };
  const Case cases[] = {
      {"4000000", true, 4000000},
      {"0", true, 0},
      {"4MB", true, 4000000},
      {"4M", true, 4000000},
      {" 4 MB ", true, 4000000},
      {"4MiB", true, 4194304},
      {"10k", true, 10000},
      {"10K", true, 10000},
      {"10kB", true, 10000},
      {"10KiB", true, 10240},
      {"2G", true, 2000000000},
      {"2GiB", true, 2147483648},
      {"0x10", true, 16},
      {"512B", true, 512},
      {"4XB", false, 0},
      {"lots", false, 0},
      {"-1", false, 0},
      {"4 M B", false, 0},
      {"99999999999999999999", false, 0},
      {"9999999999G", false, 0},
      {"MB", false, 0},
      {"0x", false, 0},
  };
  for (const Case& c : cases) {
    int64_t bytes = -7;
    EXPECT_EQ(log_LogSettingsC::ParseSize(c.text, &bytes), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(bytes, c.bytes) << c.text;
    }
  }
}

TEST(LogFileSizeTest, FourMegabytesKeepsASmallLogInPlace) {
  TempDirC dir;
  fs::create_directories(dir.File("log"));
  WriteFile(dir.File("log/test.log"), "[earlier (G, 0)] {1} kept\n");
  log_LogSettingsC settings = SettingsIn(dir);
  settings.logFileSize = S("4MB");
  {
    ManagerRefC manager(settings);
    (void)manager->Log('G', 0, 0xE1000064, kInfo, "appended");
  }
  EXPECT_FALSE(fs::exists(dir.File("log/test.old")));
  const auto lines = ReadLines(dir.File("log/test.log"));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "[earlier (G, 0)] {1} kept");
}

TEST(LogFileSizeTest, UnreadableSizeIsLoggedAsAWarningAndTheDefaultKept) {
  TempDirC dir;
  fs::create_directories(dir.File("log"));
  WriteFile(dir.File("log/test.log"), "[earlier (G, 0)] {1} " + std::string(100, 'x') + "\n");
  log_LogSettingsC settings = SettingsIn(dir);
  settings.logFileSize = S("lots");
  {
    ManagerRefC manager(settings);
    (void)manager->Log('G', 0, 0xE1000064, kInfo, "after");
  }
  EXPECT_FALSE(fs::exists(dir.File("log/test.old")));  // 100 bytes are below 4000000
  const auto lines = ReadLines(dir.File("log/test.log"));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_TRUE(HasText({lines[1]}, "LogFileSize value 'lots' is not a size; using 4000000 bytes"))
      << lines[1];
  EXPECT_TRUE(HasText({lines[2]}, "after"));
}

TEST(LogMoveAsideTest, OldFileOnAnotherFileSystemReceivesACopy) {
  TempDirC dir;
  char pattern[] = "/dev/shm/qlm_log_old_XXXXXX";
  if (::mkdtemp(pattern) == nullptr) GTEST_SKIP() << "no /dev/shm to hold the old file";
  const std::string other = pattern;
  struct stat a {
  }, b{};
  ASSERT_EQ(::stat(dir.Path().c_str(), &a), 0);
  ASSERT_EQ(::stat(other.c_str(), &b), 0);
  if (a.st_dev == b.st_dev) {
    fs::remove_all(other);
    GTEST_SKIP() << "/dev/shm is on the same file system as " << dir.Path();
  }
  fs::create_directories(dir.File("log"));
  const std::string before = "[earlier (G, 0)] {1} " + std::string(200, 'o') + "\n";
  WriteFile(dir.File("log/test.log"), before);
  log_LogSettingsC settings = SettingsIn(dir);
  settings.logFileOld = S(other + "/test.old");
  settings.logFileSize = S("100");
  {
    ManagerRefC manager(settings);
    (void)manager->Log('G', 0, 0xE1000064, kInfo, "begins anew");
  }
  EXPECT_EQ(ReadFile(other + "/test.old"), before);
  const auto lines = ReadLines(dir.File("log/test.log"));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(HasText(lines, "begins anew"));
  fs::remove_all(other);
}

TEST(LogMoveAsideTest, FailedMoveIsReportedOnceOnStandardErrorAndInTheLog) {
  TempDirC dir;
  fs::create_directories(dir.File("log"));
  WriteFile(dir.File("log/test.log"), "[earlier (G, 0)] {1} " + std::string(200, 'o') + "\n");
  WriteFile(dir.File("blocker"), "a file where the old file's directory should be");
  log_LogSettingsC settings = SettingsIn(dir);
  settings.logFileOld = S(dir.File("blocker/test.old"));
  settings.logFileSize = S("100");
  StderrCaptureC err;
  {
    ManagerRefC manager(settings);
    (void)manager->Log('G', 0, 0xE1000064, kInfo, "still logged");
  }
  err.Restore();
  const auto lines = ReadLines(dir.File("log/test.log"));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_TRUE(HasText({lines[1]},
                      "' was not moved to '" + dir.File("blocker/test.old") + "': Not a directory"))
      << lines[1];
  EXPECT_TRUE(HasText(lines, "still logged"));
  EXPECT_EQ(Occurrences(err.Text(), "was not moved to"), 1u) << err.Text();
}

// Another run (or logrotate without copytruncate) renames the log twice while this manager
// keeps logging: every line after a move goes to the file now at the path.
TEST(LogReopenTest, LogMovedAsideTwiceIsFollowed) {
  TempDirC dir;
  ManagerRefC manager(SettingsIn(dir));
  const std::string log = dir.File("log/test.log");
  const std::string old = dir.File("log/test.old");
  (void)manager->Log('G', 0, 0xE1000064, kInfo, "first");
  ASSERT_EQ(::rename(log.c_str(), old.c_str()), 0);
  (void)manager->Log('G', 0, 0xE1000064, kInfo, "second");
  ASSERT_EQ(::rename(log.c_str(), old.c_str()), 0);  // replaces (deletes) the first move
  (void)manager->Log('G', 0, 0xE1000064, kInfo, "third");
  (void)manager->Log('G', 0, 0xE1000064, kInfo, "closing");
  const auto current = ReadLines(log);
  ASSERT_EQ(current.size(), 2u);
  EXPECT_TRUE(HasText({current[0]}, "third"));
  EXPECT_TRUE(HasText({current[1]}, "closing"));
  const auto moved = ReadLines(old);
  ASSERT_EQ(moved.size(), 1u);
  EXPECT_TRUE(HasText(moved, "second"));
}

// With the program's setting (a check at most once per millisecond within a burst), the first
// entry after a pause is always checked.
TEST(LogReopenTest, FirstEntryAfterAPauseFollowsAMove) {
  TempDirC dir;
  log_LogSettingsC settings = SettingsIn(dir);
  settings.followIntervalUs = log_LogSettingsC::c_FollowIntervalDefUs;
  ManagerRefC manager(settings);
  const std::string log = dir.File("log/test.log");
  (void)manager->Log('G', 0, 0xE1000064, kInfo, "first");
  ASSERT_EQ(::rename(log.c_str(), dir.File("log/test.old").c_str()), 0);
  // A pause longer than the interval (not a timing assertion: only longer is needed).
  ::usleep(static_cast<useconds_t>(5 * log_LogSettingsC::c_FollowIntervalDefUs));
  (void)manager->Log('G', 0, 0xE1000064, kInfo, "after the pause");
  const auto lines = ReadLines(log);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(HasText(lines, "after the pause"));
}

TEST(LogReopenTest, RemovedLogIsCreatedAgainWithItsMode) {
  TempDirC dir;
  ManagerRefC manager(SettingsIn(dir));
  const std::string log = dir.File("log/test.log");
  (void)manager->Log('G', 0, 0xE1000064, kInfo, "first");
  ASSERT_EQ(::unlink(log.c_str()), 0);
  (void)manager->Log('G', 0, 0xE1000064, kInfo, "after removal");
  const auto lines = ReadLines(log);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(HasText(lines, "after removal"));
  struct stat st {};
  ASSERT_EQ(::stat(log.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, ::geteuid() == 0 ? 0644u : 0600u);
}

TEST(LogReopenTest, CopyTruncateKeepsWorking) {
  TempDirC dir;
  ManagerRefC manager(SettingsIn(dir));
  const std::string log = dir.File("log/test.log");
  (void)manager->Log('G', 0, 0xE1000064, kInfo, "first");
  WriteFile(dir.File("log/test.1"), ReadFile(log));
  ASSERT_EQ(::truncate(log.c_str(), 0), 0);
  (void)manager->Log('G', 0, 0xE1000064, kInfo, "after truncation");
  const std::string bytes = ReadFile(log);
  EXPECT_EQ(bytes.find('\0'), std::string::npos);
  const auto lines = ReadLines(log);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(HasText(lines, "after truncation"));
}

TEST(LogReopenTest, PlantedLinkAtThePathIsNotFollowed) {
  TempDirC dir;
  ManagerRefC manager(SettingsIn(dir));
  const std::string log = dir.File("log/test.log");
  (void)manager->Log('G', 0, 0xE1000064, kInfo, "first");
  WriteFile(dir.File("victim"), "precious\n");
  ASSERT_EQ(::unlink(log.c_str()), 0);
  ASSERT_EQ(::symlink(dir.File("victim").c_str(), log.c_str()), 0);
  // Planted by another user: a link of our own (or root's) would be followed under the rule.
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to plant another user's link";
  ASSERT_EQ(::lchown(log.c_str(), 65534, 65534), 0);
  StderrCaptureC err;
  (void)manager->Log('G', 0, 0xE1000064, kInfo, "second");
  (void)manager->Log('G', 0, 0xE1000064, kInfo, "third");
  err.Restore();
  EXPECT_EQ(ReadFile(dir.File("victim")), "precious\n");
  EXPECT_EQ(Occurrences(err.Text(), "cannot reopen the log file '" + log + "'"), 1u) << err.Text();
}

// A run that finds the log ending inside a line (a writer cut short) starts on a new line.
TEST(LogFullDiskTest, UnterminatedLineFoundAtOpeningIsEnded) {
  TempDirC dir;
  fs::create_directories(dir.File("log"));
  WriteFile(dir.File("log/test.log"), "[Tue Mar  5 14:03:09 2024 (G, 0)] {1} cut sh");
  // Last written a minute ago: the writer that cut it is gone.
  const struct timespec then[2] = {{::time(nullptr) - 60, 0}, {::time(nullptr) - 60, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, dir.File("log/test.log").c_str(), then, 0), 0);
  {
    ManagerRefC manager(SettingsIn(dir));
    (void)manager->Log('G', 0, 0xE1000064, kInfo, "next run");
  }
  const auto lines = ReadLines(dir.File("log/test.log"));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "[Tue Mar  5 14:03:09 2024 (G, 0)] {1} cut sh");
  EXPECT_TRUE(IsWholeLine(lines[1])) << lines[1];
}

// An unterminated end written just now may be another run's line in progress (the kernel makes
// an append visible page by page): it is left for that run to finish.
TEST(LogFullDiskTest, UnterminatedLineOfARunningWriterIsLeftAlone) {
  TempDirC dir;
  fs::create_directories(dir.File("log"));
  WriteFile(dir.File("log/test.log"), "[Tue Mar  5 14:03:09 2024 (G, 0)] {1} half of a li");
  ManagerRefC manager(SettingsIn(dir));
  // The other run's write completes.
  {
    const int fd = ::open(dir.File("log/test.log").c_str(), O_WRONLY | O_APPEND);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "ne\n", 3), 3);
    ::close(fd);
  }
  (void)manager->Log('G', 0, 0xE1000064, kInfo, "next entry");
  const auto lines = ReadLines(dir.File("log/test.log"));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "[Tue Mar  5 14:03:09 2024 (G, 0)] {1} half of a line");
  EXPECT_TRUE(IsWholeLine(lines[1])) << lines[1];
}

// A file size limit makes write(2) stop short exactly as a full file system does. The child
// logs past the limit; every line in the file must be whole, and the failure is reported once.
TEST(LogFullDiskTest, WriteCutShortLeavesOnlyWholeLines) {
  TempDirC dir;
  const std::string log = dir.File("log/test.log");
  const std::string err = dir.File("child.err");
  const pid_t child = Spawn([&] {
    ::signal(SIGXFSZ, SIG_IGN);
    const int fd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(fd, 2);
    ManagerRefC manager(SettingsIn(dir));
    (void)manager->Log('G', 0, 0xE1000064, kInfo, "fits");
    struct stat st {};
    if (::stat(log.c_str(), &st) != 0) return 2;
    struct rlimit limit = {static_cast<rlim_t>(st.st_size + 150),
                           static_cast<rlim_t>(st.st_size + 150)};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 3;
    for (int i = 0; i < 5; ++i) {
      const std::string text(100, static_cast<char>('a' + i));
      (void)manager->Log('G', 0, 0xE1000064, kInfo, text.c_str());
    }
    return 0;
  });
  ASSERT_EQ(WaitFor(child), 0);
  {
    // The next run, with room again.
    ManagerRefC manager(SettingsIn(dir));
    (void)manager->Log('G', 0, 0xE1000064, kInfo, "next run");
  }
  const auto lines = ReadLines(log);
  ASSERT_GE(lines.size(), 2u);
  for (const std::string& line : lines) EXPECT_TRUE(IsWholeLine(line)) << line;
  EXPECT_TRUE(HasText(lines, "next run"));
  EXPECT_EQ(Occurrences(ReadFile(err), "cannot write to the log file '" + log + "'"), 1u)
      << ReadFile(err);
}

// The same on a real full file system: a small tmpfs in a private mount namespace.
TEST(LogFullDiskTest, FullTmpfsLeavesOnlyWholeLines) {
  TempDirC dir;
  const std::string mount_point = dir.File("small");
  fs::create_directories(mount_point);
  const std::string result = dir.File("result");
  const pid_t child = Spawn([&] {
    if (::unshare(CLONE_NEWNS) != 0) return 77;
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return 77;
    if (::mount("qlm-full", mount_point.c_str(), "tmpfs", 0, "size=64k") != 0) return 77;
    {
      // Fill the file system to a few hundred bytes short of full.
      const int fd = ::open((mount_point + "/filler").c_str(), O_WRONLY | O_CREAT, 0600);
      std::string block(4096, 'f');
      while (::write(fd, block.data(), block.size()) == static_cast<ssize_t>(block.size())) {
      }
      ::close(fd);
      ::truncate((mount_point + "/filler").c_str(), 64 * 1024 - 3 * 4096);
    }
    log_LogSettingsC settings;
    settings.logFile = S(mount_point + "/log/test.log");
    settings.logFileOld = S(mount_point + "/log/test.old");
    settings.logMsgCatPath = S(dir.File("none.cat"));
    const int fd = ::open((dir.File("child.err")).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(fd, 2);
    for (int run = 0; run < 2; ++run) {
      ManagerRefC manager(settings);
      // The first run fills the file system, the second finds it full.
      for (int i = 0; i < (run == 0 ? 1000 : 50); ++i) {
        const std::string text =
            "run " + std::to_string(run) + " " + std::string(90, static_cast<char>('a' + i % 26));
        (void)manager->Log('G', 0, 0xE1000064, kInfo, text.c_str());
      }
    }
    // Copy the log out of the namespace's mount for the parent to read.
    WriteFile(result, ReadFile(mount_point + "/log/test.log"));
    return 0;
  });
  const int status = WaitFor(child);
  if (status == 77)
    GTEST_SKIP() << "mounting a tmpfs in a private mount namespace is not permitted";
  ASSERT_EQ(status, 0);
  std::vector<std::string> lines = ReadLines(result);
  ASSERT_FALSE(lines.empty());
  for (const std::string& line : lines) EXPECT_TRUE(IsWholeLine(line)) << line;
  // Two runs, each reporting its failure once.
  EXPECT_EQ(Occurrences(ReadFile(dir.File("child.err")), "cannot write to the log file"), 2u)
      << lines.size() << ReadFile(dir.File("child.err"));
}

// What the logger creates has its mode whatever the umask: 0755/0644 for root's (the
// machine's) log, 0700/0600 for an ordinary user's.
TEST(LogModesTest, CreatedDirectoryAndFileIgnoreTheUmask) {
  const bool machine = ::geteuid() == 0;
  for (const mode_t umask_value : {mode_t{0}, mode_t{077}, mode_t{022}}) {
    TempDirC dir;
    const pid_t child = Spawn([&] {
      ::umask(umask_value);
      ManagerRefC manager(SettingsIn(dir));
      (void)manager->Log('G', 0, 0xE1000064, kInfo, "line");
      return 0;
    });
    ASSERT_EQ(WaitFor(child), 0);
    struct stat d {
    }, f{};
    ASSERT_EQ(::stat(dir.File("log").c_str(), &d), 0);
    ASSERT_EQ(::stat(dir.File("log/test.log").c_str(), &f), 0);
    EXPECT_EQ(d.st_mode & 07777, machine ? 0755u : 0700u) << "umask " << umask_value;
    EXPECT_EQ(f.st_mode & 07777, machine ? 0644u : 0600u) << "umask " << umask_value;
  }
}

TEST(LogTimeFormatTest, Iso8601GivesASortableTimeWithOffset) {
  TempDirC dir;
  log_LogSettingsC settings = SettingsIn(dir);
  settings.logTimeFormat = S("iso8601");
  {
    ManagerRefC manager(settings);
    (void)manager->Log('G', 0, 0xE1000064, kInfo, "stamped");
  }
  const auto lines = ReadLines(dir.File("log/test.log"));
  ASSERT_EQ(lines.size(), 1u);
  const std::regex shape(
      R"(\[[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}[+-][0-9]{2}:[0-9]{2} \(G, 0\)\] \{[0-9]+\} stamped)");
  EXPECT_TRUE(std::regex_match(lines[0], shape)) << lines[0];
}

TEST(LogTimeFormatTest, RenderTimeInsertsTheOffsetColon) {
  struct tm time {};
  time.tm_year = 2026 - 1900;
  time.tm_mon = 11;
  time.tm_mday = 6;
  time.tm_hour = 17;
  time.tm_min = 5;
  time.tm_sec = 40;
  time.tm_gmtoff = 3600;
  time.tm_zone = "CET";
  char text[64];
  ASSERT_TRUE(log_LogFileLoggerC::RenderTime("%Y-%m-%dT%H:%M:%S%z", true, time, text, sizeof text));
  EXPECT_STREQ(text, "2026-12-06T17:05:40+01:00");
  time.tm_gmtoff = -(9 * 3600 + 30 * 60);
  ASSERT_TRUE(log_LogFileLoggerC::RenderTime("%Y-%m-%dT%H:%M:%S%z", true, time, text, sizeof text));
  EXPECT_STREQ(text, "2026-12-06T17:05:40-09:30");
}

}  // namespace
