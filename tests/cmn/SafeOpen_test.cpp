#include "cmn/cmn_SafeOpen_posix.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_Services.h"
#include "tests/testing/ErrBufProbe.h"
#include "tests/testing/FileUtil.h"
#include "tests/testing/TempDirTest.h"

namespace fs = std::filesystem;

namespace {

using qlmtest::LastErrorText;
using qlmtest::ReadFile;

constexpr uid_t kNobody = 65534;
constexpr uid_t kStranger = 4242;  // a uid no account has

bool IsRoot() {
  return ::geteuid() == 0;
}

// Other users' views are tried too, so the directory is open to them.
class SafeOpenTest : public qlmtest::TempDirTest {
 public:  // the planting functions of the matrix use the helpers
  SafeOpenTest() : qlmtest::TempDirTest(0755) {}
  void SetUp() override {
    qlmtest::TempDirTest::SetUp();
    cmn_SafeOpenForceChecks(-1);
  }
  void TearDown() override {
    cmn_SafeOpenForceChecks(-1);
    // A test may have entered the directory; it cannot be removed from inside.
    (void)::chdir("/");
    qlmtest::TempDirTest::TearDown();
  }
  using qlmtest::TempDirTest::Path;
  void Write(const std::string& rel, const std::string& text, mode_t mode = 0644) {
    ASSERT_TRUE(qlmtest::WriteFile(Path(rel), text, mode));
  }
  void Dir(const std::string& rel, mode_t mode = 0755) {
    fs::create_directories(Path(rel));
    ASSERT_EQ(::chmod(Path(rel).c_str(), mode), 0);
  }
  void Link(const std::string& target, const std::string& rel) {
    ASSERT_EQ(::symlink(target.c_str(), Path(rel).c_str()), 0);
  }
  void Own(const std::string& rel, uid_t uid) {
    ASSERT_EQ(::lchown(Path(rel).c_str(), uid, uid), 0);
  }
};

// One planted world: what is set up, what is opened, and what must come of it.
struct MatrixCase {
  const char* name;
  bool needs_root;  // chown/lchown to another uid
  std::function<void(SafeOpenTest*)> plant;
  const char* open;  // relative to the test directory
  bool write;        // O_RDWR | O_TRUNC instead of O_RDONLY
  RcT expect;
  const char* reason;  // part of the refusal's message; empty when none is checked
};

class SafeOpenMatrixTest : public SafeOpenTest, public ::testing::WithParamInterface<MatrixCase> {
 public:
  void PlantBase() {
    Dir("d");
    Write("d/f", "content");
    Dir("victims");
    Write("victims/v", "victim");
  }
};

TEST_P(SafeOpenMatrixTest, AppliesTheRule) {
  const MatrixCase& c = GetParam();
  if (c.needs_root && !IsRoot()) GTEST_SKIP() << "needs root to chown";
  PlantBase();
  c.plant(this);
  struct stat victim_before;
  ASSERT_EQ(::stat(Path("victims/v").c_str(), &victim_before), 0);

  cmn_UniqueFdC fd;
  const RcT rc =
      cmn_SafeOpen(Path(c.open), c.write ? O_RDWR | O_TRUNC : O_RDONLY, 0, &fd);  // never blocks
  EXPECT_EQ(rc, c.expect) << LastErrorText();
  EXPECT_EQ(fd.IsValid(), rc == RC_OK);
  if (c.reason[0] != '\0') {
    const std::string message = LastErrorText();
    EXPECT_NE(message.find(c.reason), std::string::npos) << message;
    EXPECT_NE(message.find(Path(c.open)), std::string::npos) << "names the path: " << message;
  }
  // Whatever happened, the victim is untouched.
  struct stat victim_after;
  ASSERT_EQ(::stat(Path("victims/v").c_str(), &victim_after), 0);
  EXPECT_EQ(ReadFile(Path("victims/v")), "victim");
  EXPECT_EQ(victim_after.st_uid, victim_before.st_uid);
  EXPECT_EQ(victim_after.st_mode, victim_before.st_mode);
  // Without the checks only the file type matters.
  if (rc == cmn_kPathRefused && std::string(c.reason).find("not a regular") == std::string::npos &&
      std::string(c.reason).find("a directory") == std::string::npos) {
    cmn_SafeOpenForceChecks(0);
    EXPECT_EQ(cmn_SafeOpen(Path(c.open), O_RDONLY, 0, &fd), RC_OK) << LastErrorText();
  }
}

using T = SafeOpenTest;
const auto kNothing = [](T*) {};

INSTANTIATE_TEST_SUITE_P(
    Rule, SafeOpenMatrixTest,
    ::testing::Values(
        MatrixCase{"plain", false, kNothing, "d/f", true, RC_OK, ""},
        MatrixCase{"file_of_nobody", true, [](T* fixture) { fixture->Own("d/f", kNobody); }, "d/f", false,
                   cmn_kPathRefused, "is owned by user 65534"},
        MatrixCase{"file_of_stranger", true, [](T* fixture) { fixture->Own("d/f", kStranger); }, "d/f", true,
                   cmn_kPathRefused, "is owned by user 4242"},
        MatrixCase{"group_writable_file", false,
                   [](T* fixture) { ASSERT_EQ(::chmod(fixture->Path("d/f").c_str(), 0664), 0); }, "d/f",
                   false, cmn_kPathRefused, "(mode 0664)"},
        MatrixCase{"world_writable_file", false,
                   [](T* fixture) { ASSERT_EQ(::chmod(fixture->Path("d/f").c_str(), 0646), 0); }, "d/f",
                   true, cmn_kPathRefused, "(mode 0646)"},
        MatrixCase{"dir_of_nobody", true, [](T* fixture) { fixture->Own("d", kNobody); }, "d/f", false,
                   cmn_kPathRefused, "directory '"},
        MatrixCase{"group_writable_dir", false,
                   [](T* fixture) { ASSERT_EQ(::chmod(fixture->Path("d").c_str(), 0775), 0); }, "d/f",
                   false, cmn_kPathRefused, "(mode 0775)"},
        MatrixCase{"world_writable_dir", false,
                   [](T* fixture) { ASSERT_EQ(::chmod(fixture->Path("d").c_str(), 0777), 0); }, "d/f",
                   true, cmn_kPathRefused, "(mode 0777)"},
        MatrixCase{"sticky_dir_own_file", false,
                   [](T* fixture) { ASSERT_EQ(::chmod(fixture->Path("d").c_str(), 01777), 0); }, "d/f",
                   true, RC_OK, ""},
        MatrixCase{"sticky_dir_foreign_file", true,
                   [](T* fixture) {
                     ASSERT_EQ(::chmod(fixture->Path("d").c_str(), 01777), 0);
                     fixture->Own("d/f", kNobody);
                   },
                   "d/f", false, cmn_kPathRefused, "is owned by user 65534"},
        MatrixCase{"final_link_trusted", false,
                   [](T* fixture) { fixture->Link(fixture->Path("d/f"), "d/l"); }, "d/l", false, RC_OK, ""},
        MatrixCase{"final_link_relative_trusted", false, [](T* fixture) { fixture->Link("f", "d/l"); },
                   "d/l", true, RC_OK, ""},
        MatrixCase{"final_link_of_nobody_to_victim", true,
                   [](T* fixture) {
                     fixture->Link(fixture->Path("victims/v"), "d/l");
                     fixture->Own("d/l", kNobody);
                   },
                   "d/l", true, cmn_kPathRefused, "symbolic link '"},
        MatrixCase{"final_link_to_foreign_file", true,
                   [](T* fixture) {
                     fixture->Own("victims/v", kNobody);
                     fixture->Link(fixture->Path("victims/v"), "d/l");
                   },
                   "d/l", true, cmn_kPathRefused, "is owned by user 65534"},
        MatrixCase{"final_link_into_writable_dir", false,
                   [](T* fixture) {
                     fixture->Dir("open", 0777);
                     fixture->Write("open/g", "x");
                     fixture->Link(fixture->Path("open/g"), "d/l");
                   },
                   "d/l", false, cmn_kPathRefused, "(mode 0777)"},
        MatrixCase{"final_link_to_directory", false,
                   [](T* fixture) { fixture->Link(fixture->Path("victims"), "d/l"); }, "d/l", false,
                   cmn_kPathRefused, "a directory"},
        MatrixCase{"intermediate_link_trusted", false,
                   [](T* fixture) { fixture->Link(fixture->Path("d"), "alias"); }, "alias/f", true, RC_OK, ""},
        MatrixCase{"intermediate_link_of_nobody", true,
                   [](T* fixture) {
                     fixture->Link(fixture->Path("victims"), "alias");
                     fixture->Own("alias", kNobody);
                   },
                   "alias/v", true, cmn_kPathRefused, "symbolic link '"},
        MatrixCase{"intermediate_link_to_foreign_dir", true,
                   [](T* fixture) {
                     fixture->Dir("theirs");
                     fixture->Write("theirs/f", "planted");
                     fixture->Own("theirs", kNobody);
                     fixture->Link(fixture->Path("theirs"), "alias");
                   },
                   "alias/f", false, cmn_kPathRefused, "directory '"},
        MatrixCase{"chained_link_of_nobody", true,
                   [](T* fixture) {
                     fixture->Link(fixture->Path("victims/v"), "victims/w");
                     fixture->Own("victims/w", kNobody);
                     fixture->Link(fixture->Path("victims/w"), "d/l");
                   },
                   "d/l", true, cmn_kPathRefused, "symbolic link '"},
        MatrixCase{"hard_link_written", false,
                   [](T* fixture) {
                     ASSERT_EQ(::link(fixture->Path("victims/v").c_str(), fixture->Path("d/h").c_str()), 0);
                   },
                   "d/h", true, cmn_kPathRefused, "has 2 hard links"},
        MatrixCase{"hard_link_read", false,
                   [](T* fixture) {
                     ASSERT_EQ(::link(fixture->Path("victims/v").c_str(), fixture->Path("d/h").c_str()), 0);
                   },
                   "d/h", false, RC_OK, ""},
        MatrixCase{"fifo_read", false,
                   [](T* fixture) { ASSERT_EQ(::mkfifo(fixture->Path("d/p").c_str(), 0600), 0); }, "d/p",
                   false, cmn_kPathRefused, "is a FIFO, not a regular file"},
        MatrixCase{"fifo_written", false,
                   [](T* fixture) { ASSERT_EQ(::mkfifo(fixture->Path("d/p").c_str(), 0600), 0); }, "d/p",
                   true, cmn_kPathRefused, "is a FIFO, not a regular file"},
        MatrixCase{"fifo_behind_link", false,
                   [](T* fixture) {
                     ASSERT_EQ(::mkfifo(fixture->Path("d/p").c_str(), 0600), 0);
                     fixture->Link("p", "d/l");
                   },
                   "d/l", false, cmn_kPathRefused, "is a FIFO, not a regular file"},
        MatrixCase{"missing_directory", false, kNothing, "d/none/f", false,
                   cmn_RcFromErrno(ENOENT), ""},
        MatrixCase{"missing_file", false, kNothing, "d/none", false, cmn_RcFromErrno(ENOENT),
                   ""}),
    [](const auto& param_info) { return std::string(param_info.param.name); });

TEST_F(SafeOpenTest, RelativePathChecksEveryDirectoryAboveTheWorkingDirectory) {
  Dir("open/inner");
  Write("open/inner/f", "x");
  ASSERT_EQ(::chdir(Path("open/inner").c_str()), 0);
  cmn_UniqueFdC fd;
  EXPECT_EQ(cmn_SafeOpen("f", O_RDONLY, 0, &fd), RC_OK) << LastErrorText();
  ASSERT_EQ(::chmod(Path("open").c_str(), 0777), 0);
  EXPECT_EQ(cmn_SafeOpen("f", O_RDONLY, 0, &fd), cmn_kPathRefused);
  EXPECT_NE(LastErrorText().find(Path("open")), std::string::npos) << LastErrorText();
  EXPECT_EQ(cmn_SafeOpen("../inner/f", O_RDONLY, 0, &fd), cmn_kPathRefused);
}

TEST_F(SafeOpenTest, ParentSplitsTheLastComponent) {
  Write("a.ini", "x");
  cmn_UniqueFdC parent;
  std::string leaf;
  ASSERT_EQ(cmn_SafeOpenParent(Path("a.ini"), &parent, &leaf), RC_OK);
  EXPECT_EQ(leaf, "a.ini");
  EXPECT_NE(cmn_SafeOpenParent(Path("sub/"), &parent, &leaf), RC_OK);
  EXPECT_NE(cmn_SafeOpenParent(Path(".."), &parent, &leaf), RC_OK);
}

TEST_F(SafeOpenTest, CreatedFilesGetTheirModeWhateverTheUmask) {
  for (mode_t mask : {0000, 0022, 0077}) {
    const mode_t old = ::umask(mask);
    const std::string name = "new" + std::to_string(mask);
    cmn_UniqueFdC fd;
    const RcT rc = cmn_SafeOpen(Path(name), O_WRONLY | O_CREAT, 0644, &fd);
    ::umask(old);
    ASSERT_EQ(rc, RC_OK) << LastErrorText();
    struct stat st;
    ASSERT_EQ(::fstat(fd.Get(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u) << "umask " << mask;
  }
  // The umask convention of 0666 is kept, less what others could write.
  for (mode_t mask : {0000, 0022, 0077}) {
    const mode_t old = ::umask(mask);
    const std::string name = "old" + std::to_string(mask);
    cmn_UniqueFdC fd;
    const RcT rc = cmn_SafeOpen(Path(name), O_WRONLY | O_CREAT, 0666, &fd);
    ::umask(old);
    ASSERT_EQ(rc, RC_OK) << LastErrorText();
    struct stat st;
    ASSERT_EQ(::fstat(fd.Get(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u & ~mask) << "umask " << mask;
  }
  // An existing file keeps its mode.
  Write("kept", "x", 0600);
  cmn_UniqueFdC fd;
  ASSERT_EQ(cmn_SafeOpen(Path("kept"), O_WRONLY | O_CREAT, 0644, &fd), RC_OK);
  struct stat st;
  ASSERT_EQ(::fstat(fd.Get(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  cmn_UniqueFdC again;
  EXPECT_EQ(cmn_SafeOpen(Path("kept"), O_WRONLY | O_CREAT | O_EXCL, 0640, &again),
            cmn_RcFromErrno(EEXIST));
}

TEST_F(SafeOpenTest, ExclusiveCreateNeverGoesThroughALink) {
  Link(Path("absent"), "l");
  cmn_UniqueFdC fd;
  EXPECT_EQ(cmn_SafeOpen(Path("l"), O_WRONLY | O_CREAT | O_EXCL, 0600, &fd),
            cmn_RcFromErrno(EEXIST));
  EXPECT_FALSE(fs::exists(Path("absent")));
}

TEST_F(SafeOpenTest, LinkLoopEnds) {
  Link(Path("b"), "a");
  Link(Path("a"), "b");
  cmn_UniqueFdC fd;
  EXPECT_NE(cmn_SafeOpen(Path("a/f"), O_RDONLY, 0, &fd), RC_OK);
  EXPECT_NE(cmn_SafeOpen(Path("a"), O_RDONLY, 0, &fd), RC_OK);
}

TEST_F(SafeOpenTest, DirectoryOpenFollowsTrustedLinksOnly) {
  Dir("d");
  Link(Path("d"), "dl");
  cmn_UniqueFdC dir;
  EXPECT_EQ(cmn_SafeOpenDirectory(Path("d"), &dir), RC_OK);
  EXPECT_EQ(cmn_SafeOpenDirectory(Path("dl"), &dir), RC_OK);
  EXPECT_EQ(cmn_SafeOpenDirectory("/", &dir), RC_OK);
  ASSERT_EQ(::chmod(Path("d").c_str(), 0770), 0);
  EXPECT_EQ(cmn_SafeOpenDirectory(Path("dl"), &dir), cmn_kPathRefused);
  if (!IsRoot()) return;
  ASSERT_EQ(::chmod(Path("d").c_str(), 0755), 0);
  Own("dl", kNobody);
  EXPECT_EQ(cmn_SafeOpenDirectory(Path("dl"), &dir), cmn_kPathRefused);
}

TEST_F(SafeOpenTest, MakeDirectoriesSetsModesAndRefusesUntrustedOnes) {
  const mode_t old = ::umask(0);
  cmn_UniqueFdC dir;
  RcT rc = cmn_SafeMakeDirectories(Path("a/b/c"), 0700, &dir);
  ::umask(077);
  const RcT rc2 = cmn_SafeMakeDirectories(Path("m/n"), 0755, nullptr);
  ::umask(old);
  ASSERT_EQ(rc, RC_OK) << LastErrorText();
  ASSERT_EQ(rc2, RC_OK) << LastErrorText();
  EXPECT_TRUE(dir.IsValid());
  for (const char* rel : {"a", "a/b", "a/b/c"}) {
    EXPECT_EQ(fs::status(Path(rel)).permissions(), fs::perms::owner_all) << rel;
  }
  for (const char* rel : {"m", "m/n"}) {
    struct stat st;
    ASSERT_EQ(::stat(Path(rel).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755u) << rel;
  }
  // Existing: used as they are when they pass, refused when not, never chmod'ed.
  EXPECT_EQ(cmn_SafeMakeDirectories(Path("a/b"), 0755, nullptr), RC_OK);
  EXPECT_EQ(fs::status(Path("a/b")).permissions(), fs::perms::owner_all);
  Dir("wide", 0777);
  EXPECT_EQ(cmn_SafeMakeDirectories(Path("wide/x"), 0755, nullptr), cmn_kPathRefused);
  EXPECT_FALSE(fs::exists(Path("wide/x")));
  EXPECT_NE(LastErrorText().find("(mode 0777)"), std::string::npos) << LastErrorText();
  // A file in the way.
  Write("file", "x");
  EXPECT_NE(cmn_SafeMakeDirectories(Path("file/x"), 0755, nullptr), RC_OK);
  if (!IsRoot()) return;
  Dir("theirs");
  Own("theirs", kNobody);
  EXPECT_EQ(cmn_SafeMakeDirectories(Path("theirs/x"), 0755, nullptr), cmn_kPathRefused);
  EXPECT_FALSE(fs::exists(Path("theirs/x")));
}

TEST_F(SafeOpenTest, CheckOpenedDescriptor) {
  Write("f", "x");
  ASSERT_EQ(::link(Path("f").c_str(), Path("g").c_str()), 0);
  cmn_UniqueFdC fd(::open(Path("f").c_str(), O_RDONLY));
  EXPECT_EQ(cmn_SafeCheckOpened(fd.Get(), false, "f"), RC_OK);
  EXPECT_EQ(cmn_SafeCheckOpened(fd.Get(), true, "f"), cmn_kPathRefused);
  ASSERT_EQ(::chmod(Path("f").c_str(), 0666), 0);
  EXPECT_EQ(cmn_SafeCheckOpened(fd.Get(), false, "f"), cmn_kPathRefused);
}

// An ordinary user trusts root and itself, nobody else: the same tree judged from a child that
// runs as nobody. Exit code: 1 + the index of the first case that came out wrong, 0 when none.
TEST_F(SafeOpenTest, OrdinaryUserTrustsRootAndItselfOnly) {
  if (!IsRoot()) GTEST_SKIP() << "needs root to switch users";
  Write("root_file", "x");
  Write("own_file", "x");
  Own("own_file", kNobody);
  Write("stranger_file", "x");
  Own("stranger_file", kStranger);
  Dir("own_dir");
  Own("own_dir", kNobody);
  Write("own_dir/f", "x");
  Own("own_dir/f", kNobody);
  Dir("stranger_dir");
  Own("stranger_dir", kStranger);
  Write("stranger_dir/f", "x");
  Own("stranger_dir/f", kNobody);
  Link(Path("own_file"), "root_link");
  Link(Path("root_file"), "stranger_link");
  Own("stranger_link", kStranger);
  Write("stranger_private", "x", 0600);
  Own("stranger_private", kStranger);
  // What the system denies before the rule can look (another user's file opened for writing,
  // or one only its owner may read) is refused with the rule's reason when the rule refuses
  // it anyway; root's file keeps the system's answer.
  enum Outcome { kOk, kRefused, kDenied };
  struct Case {
    const char* rel;
    bool write;
    Outcome outcome;
  };
  const std::vector<Case> cases = {{"root_file", false, kOk},
                                   {"own_file", false, kOk},
                                   {"stranger_file", false, kRefused},
                                   {"own_dir/f", false, kOk},
                                   {"stranger_dir/f", false, kRefused},
                                   {"root_link", false, kOk},
                                   {"stranger_link", false, kRefused},
                                   {"stranger_file", true, kRefused},
                                   {"stranger_private", false, kRefused},
                                   {"root_file", true, kDenied},
                                   {"own_file", true, kOk}};
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(255);
    int wrong = 0;
    for (size_t i = 0; i < cases.size(); ++i) {
      cmn_UniqueFdC fd;
      const RcT rc =
          cmn_SafeOpen(Path(cases[i].rel), cases[i].write ? O_WRONLY | O_APPEND : O_RDONLY, 0, &fd);
      const RcT want = cases[i].outcome == kOk        ? RC_OK
                       : cases[i].outcome == kRefused ? cmn_kPathRefused
                                                      : cmn_RcFromErrno(EACCES);
      bool right = rc == want;
      // Every refusal here says whose file, directory or link it was.
      if (right && rc == cmn_kPathRefused) {
        right = LastErrorText().find("is owned by user 4242") != std::string::npos;
      }
      if (!right && wrong == 0) wrong = static_cast<int>(i) + 1;
    }
    ::_exit(wrong);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "case (exit code - 1) came out wrong";
}

// With checked directories remembered, a path still leads where it leads now: a link on it is
// followed afresh, and what was checked under other checks or for another effective user is
// checked again.
TEST_F(SafeOpenTest, RememberedDirectoriesNeverOutliveWhatTheyWereCheckedFor) {
  struct Case {
    const char* name;
    bool needs_root;
    std::function<void(SafeOpenTest*)> plant;   // before the first open
    std::function<void(SafeOpenTest*)> change;  // between the two opens
    const char* open;                           // relative to the test directory
    RcT second;                                 // the second open's result
    const char* content;                        // what the second open reads, when it opens
  };
  const std::vector<Case> cases = {
      {"link_retargeted", false,
       [](T* t) {
         t->Dir("a");
         t->Dir("b");
         t->Write("a/f", "A");
         t->Write("b/f", "B");
         t->Link("a", "l");
       },
       [](T* t) {
         ASSERT_EQ(::unlink(t->Path("l").c_str()), 0);
         t->Link("b", "l");
       },
       "l/f", RC_OK, "B"},
      {"checks_switched_on", false,
       [](T* t) {
         t->Dir("open", 0777);
         t->Write("open/f", "x");
         cmn_SafeOpenForceChecks(0);
       },
       [](T*) { cmn_SafeOpenForceChecks(1); }, "open/f", cmn_kPathRefused, ""},
      {"forgotten_directory_made_again", false,
       [](T* t) {
         t->Dir("d");
         t->Write("d/f", "old");
       },
       [](T* t) {
         fs::remove_all(t->Path("d"));
         t->Dir("d");
         t->Write("d/f", "new");
         cmn_SafeOpenForgetDirectories();
       },
       "d/f", RC_OK, "new"},
      {"other_effective_user", true,
       [](T* t) {
         t->Dir("theirs");
         t->Write("theirs/f", "x");
         t->Own("theirs", kNobody);
         ASSERT_EQ(::seteuid(kNobody), 0);
       },
       [](T*) { ASSERT_EQ(::seteuid(0), 0); }, "theirs/f", cmn_kPathRefused, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.needs_root && !IsRoot()) continue;
    cmn_SafeOpenRememberDirectories(true);
    c.plant(this);
    cmn_UniqueFdC fd;
    EXPECT_EQ(cmn_SafeOpen(Path(c.open), O_RDONLY, 0, &fd), RC_OK) << LastErrorText();
    c.change(this);
    fd.Reset();
    EXPECT_EQ(cmn_SafeOpen(Path(c.open), O_RDONLY, 0, &fd), c.second) << LastErrorText();
    if (c.second == RC_OK) {
      char text[16] = {};
      EXPECT_GT(::read(fd.Get(), text, sizeof text - 1), 0);
      EXPECT_STREQ(text, c.content);
    }
    cmn_SafeOpenRememberDirectories(false);
    cmn_SafeOpenForceChecks(-1);
  }
}

}  // namespace
