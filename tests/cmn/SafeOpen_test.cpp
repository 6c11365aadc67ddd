#include "cmn/cmn_SafeOpen_posix.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr uid_t kNobody = 65534;

class SafeOpenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/qlm_safeopen_XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    cmn_SafeOpenForceChecks(1);
  }
  void TearDown() override {
    cmn_SafeOpenForceChecks(-1);
    fs::remove_all(dir_);
  }
  std::string Path(const std::string& rel) const { return dir_ + "/" + rel; }
  void Write(const std::string& rel, const std::string& text) { std::ofstream(Path(rel)) << text; }
  static bool IsRoot() { return ::geteuid() == 0; }

  std::string dir_;
};

TEST_F(SafeOpenTest, OpensPlainFileAndSplitsParent) {
  Write("a.ini", "x");
  cmn_UniqueFdC fd;
  ASSERT_EQ(cmn_SafeOpen(Path("a.ini"), O_RDONLY, 0, &fd), RC_OK);
  char c = 0;
  EXPECT_EQ(::read(fd.Get(), &c, 1), 1);
  EXPECT_EQ(c, 'x');

  cmn_UniqueFdC parent;
  std::string leaf;
  ASSERT_EQ(cmn_SafeOpenParent(Path("a.ini"), &parent, &leaf), RC_OK);
  EXPECT_EQ(leaf, "a.ini");
  EXPECT_NE(cmn_SafeOpenParent(Path("sub/"), &parent, &leaf), RC_OK);
  EXPECT_NE(cmn_SafeOpenParent(Path(".."), &parent, &leaf), RC_OK);
}

TEST_F(SafeOpenTest, LastComponentSymlinkIsNeverFollowed) {
  Write("target", "secret");
  fs::create_symlink(Path("target"), Path("link"));
  for (int checks : {0, 1}) {
    cmn_SafeOpenForceChecks(checks);
    cmn_UniqueFdC fd;
    EXPECT_EQ(cmn_SafeOpen(Path("link"), O_WRONLY | O_TRUNC, 0, &fd), cmn_kPathRefused);
    EXPECT_FALSE(fd.IsValid());
  }
  std::ifstream in(Path("target"));
  std::string text;
  in >> text;
  EXPECT_EQ(text, "secret");  // nothing was truncated through the link
}

TEST_F(SafeOpenTest, FifoAndDirectoryAreRefusedWithoutBlocking) {
  ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
  fs::create_directory(Path("d"));
  cmn_UniqueFdC fd;
  EXPECT_EQ(cmn_SafeOpen(Path("fifo"), O_RDONLY, 0, &fd), cmn_kPathRefused);
  EXPECT_NE(cmn_SafeOpen(Path("d"), O_RDONLY, 0, &fd), RC_OK);
}

TEST_F(SafeOpenTest, CreatesWithModeAndExclusive) {
  cmn_UniqueFdC fd;
  ASSERT_EQ(cmn_SafeOpen(Path("new"), O_WRONLY | O_CREAT | O_EXCL, 0640, &fd), RC_OK);
  struct stat st;
  ASSERT_EQ(::fstat(fd.Get(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u & ~static_cast<unsigned>(::umask(022)));
  cmn_UniqueFdC again;
  EXPECT_EQ(cmn_SafeOpen(Path("new"), O_WRONLY | O_CREAT | O_EXCL, 0640, &again),
            cmn_RcFromErrno(EEXIST));
}

// Ownership and permission rules that only matter when running as root.
struct OwnershipCase {
  const char* name;
  bool file_owned_by_other;
  bool dir_owned_by_other;
  mode_t dir_mode;
  bool expect_ok;
};

class SafeOpenOwnershipTest : public SafeOpenTest,
                              public ::testing::WithParamInterface<OwnershipCase> {};

TEST_P(SafeOpenOwnershipTest, AppliesRules) {
  if (!IsRoot()) GTEST_SKIP() << "needs root to chown";
  const OwnershipCase& c = GetParam();
  fs::create_directory(Path("sub"));
  Write("sub/f", "content");
  ASSERT_EQ(::chmod(Path("sub").c_str(), c.dir_mode), 0);
  if (c.dir_owned_by_other) ASSERT_EQ(::chown(Path("sub").c_str(), kNobody, kNobody), 0);
  if (c.file_owned_by_other) ASSERT_EQ(::chown(Path("sub/f").c_str(), kNobody, kNobody), 0);

  cmn_UniqueFdC fd;
  RcT rc = cmn_SafeOpen(Path("sub/f"), O_RDWR | O_TRUNC, 0, &fd);
  if (c.expect_ok) {
    EXPECT_EQ(rc, RC_OK);
  } else {
    EXPECT_EQ(rc, cmn_kPathRefused);
    EXPECT_EQ(fs::file_size(Path("sub/f")), 7u) << "refused file must not be truncated";
  }
  // Without the checks (an ordinary user's run) only the link rule applies.
  cmn_SafeOpenForceChecks(0);
  EXPECT_EQ(cmn_SafeOpen(Path("sub/f"), O_RDONLY, 0, &fd), RC_OK);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, SafeOpenOwnershipTest,
    ::testing::Values(OwnershipCase{"private", false, false, 0755, true},
                      OwnershipCase{"file_of_other_user", true, false, 0755, false},
                      OwnershipCase{"dir_of_other_user", false, true, 0755, false},
                      OwnershipCase{"world_writable_dir", false, false, 0777, false},
                      OwnershipCase{"group_writable_dir", false, false, 0775, false},
                      OwnershipCase{"sticky_world_writable_dir", false, false, 01777, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SafeOpenTest, IntermediateSymlinkFollowedOnlyWhenTrusted) {
  if (!IsRoot()) GTEST_SKIP() << "needs root to lchown";
  fs::create_directory(Path("real"));
  Write("real/f", "x");
  fs::create_directory_symlink(Path("real"), Path("alias"));
  cmn_UniqueFdC fd;
  EXPECT_EQ(cmn_SafeOpen(Path("alias/f"), O_RDONLY, 0, &fd), RC_OK);
  ASSERT_EQ(::lchown(Path("alias").c_str(), kNobody, kNobody), 0);
  EXPECT_EQ(cmn_SafeOpen(Path("alias/f"), O_RDONLY, 0, &fd), cmn_kPathRefused);
  // A relative link resolves against its own directory.
  fs::create_directory_symlink("real", Path("rel"));
  EXPECT_EQ(cmn_SafeOpen(Path("rel/f"), O_RDONLY, 0, &fd), RC_OK);
}

TEST_F(SafeOpenTest, LinkLoopEnds) {
  fs::create_directory_symlink(Path("b"), Path("a"));
  fs::create_directory_symlink(Path("a"), Path("b"));
  cmn_UniqueFdC fd;
  EXPECT_EQ(cmn_SafeOpen(Path("a/f"), O_RDONLY, 0, &fd), cmn_RcFromErrno(ELOOP));
}

TEST_F(SafeOpenTest, DirectoryOpen) {
  fs::create_directory(Path("d"));
  fs::create_directory_symlink(Path("d"), Path("dl"));
  cmn_UniqueFdC dir;
  EXPECT_EQ(cmn_SafeOpenDirectory(Path("d"), &dir), RC_OK);
  EXPECT_EQ(cmn_SafeOpenDirectory(Path("dl"), &dir), cmn_kPathRefused);
  EXPECT_EQ(cmn_SafeOpenDirectory("/", &dir), RC_OK);
}

}  // namespace
