#include "os/FlnFileServiceC.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_SafeOpen_posix.h"
#include "cmn/cmn_Services.h"
#include "os/FileFindListerC.h"
#include "os/FileInfoC.h"
#include "os/FileListingC.h"
#include "os/FileWildcardListerC.h"
#include "os/File_posix.h"
#include "os/MemoryStreamC.h"
#include "os/StreamErrors.h"
#include "tests/os/OsTestSupport.h"
#include "tests/testing/StringHelpers.h"

namespace {

using qlmtest::ErrorCodes;
using qlmtest::ErrorText;

using qlmtest::S;

constexpr uid_t kNobody = 65534;

class FileServiceTest : public os_test::TempDirTest {
 protected:
  void MakeDir(const std::string& rel, mode_t mode = 0755) {
    ASSERT_EQ(::mkdir(Path(rel).c_str(), mode), 0) << rel;
  }
  void MakeLink(const std::string& target, const std::string& rel) {
    ASSERT_EQ(::symlink(target.c_str(), Path(rel).c_str()), 0) << rel;
  }
  mode_t ModeOf(const std::string& rel) {
    struct stat st {};
    EXPECT_EQ(::stat(Path(rel).c_str(), &st), 0) << rel;
    return st.st_mode & 07777;
  }
  std::string Rel(const FileNameC& name) {
    std::string full = name.GetFullText().ToUtf8();
    return full.substr(dir_.size() + 1);
  }

  FlnFileServiceC files_;
};

// Runs `body` in a child process as the unprivileged user `nobody`; true when it returned
// true. Permission checks bind only users other than root.
template <class Body>
bool RunAsNobody(Body body) {
  pid_t pid = ::fork();
  if (pid == 0) {
    if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(2);
    ::_exit(body() ? 0 : 1);
  }
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(FileServiceTest, TypeAndAccessTests) {
  WriteFile("file", "x");
  MakeDir("dir");
  MakeLink(Path("file"), "link-file");
  MakeLink(Path("dir"), "link-dir");
  MakeLink(Path("missing"), "dangling");
  ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0644), 0);
  struct Case {
    const char* rel;
    bool exists, is_dir, is_link, is_file, readable, writable;
  };
  const Case cases[] = {
      {"file", true, false, false, true, true, true},
      {"dir", true, true, false, false, true, true},
      {"link-file", true, false, true, true, true, true},
      {"link-dir", true, true, true, false, true, true},
      {"dangling", false, false, true, false, false, false},
      {"fifo", true, false, false, false, true, true},  // asked, not opened: no blocking
      {"missing", false, false, false, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rel);
    FileNameC name = Name(c.rel);
    EXPECT_EQ(files_.Exists(name), c.exists);
    EXPECT_EQ(files_.IsDirectory(name), c.is_dir);
    EXPECT_EQ(files_.IsSymbolicLink(name), c.is_link);
    EXPECT_EQ(files_.IsRegularFile(name), c.is_file);
    EXPECT_EQ(files_.IsReadable(name), c.readable);
    EXPECT_EQ(files_.IsWritable(name), c.writable);
  }
  EXPECT_TRUE(ErrorCodes().empty());  // tests report nothing
  ::chmod(dir_.c_str(), 0755);
  ::chmod(Path("file").c_str(), 0400);
  EXPECT_TRUE(RunAsNobody([&] { return !files_.IsReadable(Name("file")); }));
  ::chown(Path("file").c_str(), kNobody, kNobody);
  EXPECT_TRUE(RunAsNobody(
      [&] { return files_.IsReadable(Name("file")) && !files_.IsWritable(Name("file")); }));
}

TEST_F(FileServiceTest, CreateDirectory) {
  MakeDir("a");
  EXPECT_EQ(files_.CreateDirectory(Name("a/b/c"), true), RC_OK);
  EXPECT_TRUE(files_.IsDirectory(Name("a/b")));
  EXPECT_TRUE(files_.IsDirectory(Name("a/b/c")));
  EXPECT_EQ(files_.CreateDirectory(Name("a/b/c"), false), RC_OK);  // exists: fine
  EXPECT_EQ(files_.CreateDirectory(Name("a/b/c/"), true), RC_OK);
  EXPECT_EQ(files_.CreateDirectory(FileNameC(""), true), RC_OK);

  getErrBuf()->Clear();
  EXPECT_EQ(files_.CreateDirectory(Name("x/y"), false), OS_E_MKDIR);
  EXPECT_FALSE(PathExists(Path("x")));
  EXPECT_EQ(ErrorCodes(), (std::vector<uint32_t>{0xE0000002, OS_E_MKDIR}));
  EXPECT_EQ(ErrorText(OS_E_MKDIR), "Cannot create directory '" + Path("x/y") + "'");

  WriteFile("file", "");
  getErrBuf()->Clear();
  EXPECT_EQ(files_.CreateDirectory(Name("file"), true), OS_E_MKDIR);
  EXPECT_EQ(ErrorCodes(), (std::vector<uint32_t>{OS_E_EXISTS, OS_E_MKDIR}));
  EXPECT_EQ(files_.CreateDirectory(Name("file/sub"), true), OS_E_MKDIR);
  EXPECT_EQ(files_.CreateDirectory(FileNameC("/"), true), OS_E_MKDIR);

  // A link to a directory is an existing directory.
  MakeLink(Path("a"), "alink");
  EXPECT_EQ(files_.CreateDirectory(Name("alink"), false), RC_OK);
}

TEST_F(FileServiceTest, RemoveFilesDirectoriesAndMissingNames) {
  EXPECT_EQ(files_.Remove(Name("missing"), false, false), RC_OK);
  WriteFile("file", "x");
  EXPECT_EQ(files_.Remove(Name("file"), false, false), RC_OK);
  EXPECT_FALSE(PathExists(Path("file")));
  MakeDir("empty");
  EXPECT_EQ(files_.Remove(Name("empty"), false, false), RC_OK);
  EXPECT_FALSE(PathExists(Path("empty")));

  MakeDir("full");
  WriteFile("full/f", "x");
  getErrBuf()->Clear();
  EXPECT_EQ(files_.Remove(Name("full"), false, false), 0xE0000000u | ENOTEMPTY);
  EXPECT_TRUE(PathExists(Path("full/f")));
  EXPECT_NE(ErrorText(0xE0000000u | ENOTEMPTY).find(Path("full")), std::string::npos);
  EXPECT_EQ(files_.Remove(Name("full"), false, true), RC_OK);
  EXPECT_FALSE(PathExists(Path("full")));
}

TEST_F(FileServiceTest, RecursiveRemovalNeverFollowsLinksOutOfTheTree) {
  MakeDir("outside");
  WriteFile("outside/precious", "keep");
  MakeDir("tree");
  MakeDir("tree/sub");
  WriteFile("tree/sub/f", "x");
  MakeLink(Path("outside"), "tree/sub/dirlink");
  MakeLink(Path("outside/precious"), "tree/filelink");
  MakeLink("../../outside", "tree/sub/relative");
  ASSERT_EQ(::mkfifo(Path("tree/fifo").c_str(), 0600), 0);
  EXPECT_EQ(files_.Remove(Name("tree"), false, true), RC_OK);
  EXPECT_FALSE(PathExists(Path("tree")));
  EXPECT_EQ(ReadFile("outside/precious"), "keep");

  // A link named for removal is removed as a link, even with recursion asked for.
  MakeLink(Path("outside"), "toplink");
  EXPECT_EQ(files_.Remove(Name("toplink"), true, true), RC_OK);
  EXPECT_FALSE(PathExists(Path("toplink")));
  EXPECT_EQ(ReadFile("outside/precious"), "keep");
}

TEST_F(FileServiceTest, RecursiveRemovalOfADeepTree) {
  // Deeper than any recursion-per-level implementation would like, shallower than the
  // descriptor limit.
  std::string rel = "deep";
  MakeDir(rel);
  int fd = ::open(Path(rel).c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(fd, 0);
  for (int i = 0; i < 400; ++i) {
    ASSERT_EQ(::mkdirat(fd, "d", 0755), 0);
    int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY);
    ::close(fd);
    ASSERT_GE(next, 0);
    fd = next;
    if (i % 50 == 0) {
      ASSERT_EQ(::close(::openat(fd, "f", O_CREAT | O_WRONLY, 0644)), 0);
    }
  }
  ::close(fd);
  EXPECT_EQ(files_.Remove(Name("deep"), false, true), RC_OK);
  EXPECT_FALSE(PathExists(Path("deep")));
}

TEST_F(FileServiceTest, ForceRemovesWhatPermissionsProtect) {
  MakeDir("tree", 0755);
  MakeDir("tree/locked", 0755);
  WriteFile("tree/locked/f", "x");
  MakeDir("tree/locked/unreadable", 0755);
  WriteFile("tree/locked/unreadable/g", "y");
  for (const char* rel : {"tree", "tree/locked", "tree/locked/f", "tree/locked/unreadable",
                          "tree/locked/unreadable/g"}) {
    ASSERT_EQ(::chown(Path(rel).c_str(), kNobody, kNobody), 0);
  }
  ::chmod(dir_.c_str(), 0777);
  ::chmod(Path("tree/locked/unreadable").c_str(), 0);
  ::chmod(Path("tree/locked").c_str(), 0555);
  EXPECT_TRUE(RunAsNobody([&] { return files_.Remove(Name("tree"), false, true) != RC_OK; }));
  EXPECT_TRUE(PathExists(Path("tree/locked/f")));
  EXPECT_TRUE(RunAsNobody([&] { return files_.Remove(Name("tree"), true, true) == RC_OK; }));
  EXPECT_FALSE(PathExists(Path("tree")));
}

TEST_F(FileServiceTest, UniqueNames) {
  std::srand(7);
  FileNameC first;
  ASSERT_EQ(files_.GetUniqueName(FileNameC(dir_.c_str()), S("tmp"), S(".dat"), true, first), RC_OK);
  EXPECT_TRUE(files_.IsRegularFile(first));
  EXPECT_TRUE(first.GetBaseName().ToUtf8().starts_with("tmp"));
  EXPECT_TRUE(first.GetBaseName().ToUtf8().ends_with(".dat"));
  // The same numbers again: the name taken is skipped, and the skipped attempt leaves no
  // trace in the error buffer.
  getErrBuf()->Clear();
  std::srand(7);
  FileNameC second;
  ASSERT_EQ(files_.GetUniqueName(FileNameC(dir_.c_str()), S("tmp"), S(".dat"), true, second),
            RC_OK);
  EXPECT_NE(first, second);
  EXPECT_TRUE(files_.IsRegularFile(second));
  EXPECT_TRUE(ErrorCodes().empty());

  // Without create: a name nothing is at, a dangling link counting as something.
  std::srand(9);
  const int number = std::rand();
  MakeLink(Path("nowhere"), "x" + std::to_string(number));
  std::srand(9);
  FileNameC third;
  ASSERT_EQ(files_.GetUniqueName(FileNameC(dir_.c_str()), S("x"), S(""), false, third), RC_OK);
  EXPECT_NE(Rel(third), "x" + std::to_string(number));
  EXPECT_FALSE(PathExists(third.GetFullText().ToUtf8()));

  FileNameC none;
  EXPECT_NE(files_.GetUniqueName(Name("no/such/dir"), S("t"), S(""), true, none), RC_OK);

  FileNameC temp;
  ASSERT_EQ(files_.GetTemporaryName(S("qlm"), temp), RC_OK);
  EXPECT_TRUE(temp.GetBaseName().ToUtf8().starts_with("qlm"));
  EXPECT_FALSE(files_.Exists(temp));
}

struct ProgressLog {
  std::vector<int64_t> copied;
  int64_t total = -1;
  int64_t files = -1;
  int64_t length = -1;
  int stop_after = -1;  // answer false at this call
};

bool Progress(const FileNameC&, const FileNameC&, int64_t total, int64_t files, int64_t length,
              int64_t copied, void* context) {
  auto* log = static_cast<ProgressLog*>(context);
  log->copied.push_back(copied);
  log->total = total;
  log->files = files;
  log->length = length;
  return static_cast<int>(log->copied.size()) != log->stop_after;
}

TEST_F(FileServiceTest, CopyWithProgressAndCancellation) {
  std::string data(10000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i % 251);
  WriteFile("src", data);
  ProgressLog log;
  ASSERT_EQ(files_.CopyFile(Name("src"), Name("dst"), Progress, &log), RC_OK);
  EXPECT_EQ(ReadFile("dst"), data);
  EXPECT_EQ(log.copied, (std::vector<int64_t>{4096, 8192, 10000}));
  EXPECT_EQ(log.total, 10000);
  EXPECT_EQ(log.files, 1);
  EXPECT_EQ(log.length, 10000);

  files_.SetCopyTotalSize(123456);
  files_.SetCopyFileCount(3);
  ProgressLog stopped;
  stopped.stop_after = 1;
  EXPECT_NE(files_.CopyFile(Name("src"), Name("dst2"), Progress, &stopped), RC_OK);
  EXPECT_EQ(stopped.copied, std::vector<int64_t>{4096});  // not tried again
  EXPECT_EQ(stopped.total, 123456);
  EXPECT_EQ(stopped.files, 3);
  EXPECT_EQ(ReadFile("dst2"), data.substr(0, 4096));

  // An existing, longer destination is replaced, not overlaid.
  WriteFile("dst3", std::string(20000, 'z'));
  ASSERT_EQ(files_.CopyFile(Name("src"), Name("dst3"), nullptr, nullptr), RC_OK);
  EXPECT_EQ(ReadFile("dst3"), data);
}

TEST_F(FileServiceTest, CopyFailures) {
  getErrBuf()->Clear();
  EXPECT_EQ(files_.CopyFile(Name("missing"), Name("dst"), nullptr, nullptr), OS_E_COPY_OPEN_SOURCE);
  EXPECT_EQ(ErrorText(OS_E_COPY_OPEN_SOURCE), "Failed to open the source file when copying file '" +
                                                  Path("missing") + "' to '" + Path("dst") + "'");
  EXPECT_FALSE(PathExists(Path("dst")));

  WriteFile("src", "data");
  getErrBuf()->Clear();
  EXPECT_EQ(files_.CopyFile(Name("src"), Name("no/dir/dst"), nullptr, nullptr),
            OS_E_COPY_OPEN_DEST);
  EXPECT_NE(ErrorText(OS_E_COPY_OPEN_DEST).find("Failed to open the destination file"),
            std::string::npos);

  // Onto itself, directly or through a link: refused before anything is truncated.
  MakeLink(Path("src"), "alias");
  EXPECT_EQ(files_.CopyFile(Name("src"), Name("src"), nullptr, nullptr), OS_E_COPY_OPEN_DEST);
  EXPECT_EQ(files_.CopyFile(Name("src"), Name("alias"), nullptr, nullptr), OS_E_COPY_OPEN_DEST);
  EXPECT_EQ(ReadFile("src"), "data");
}

TEST_F(FileServiceTest, CopyRetriesAfterClearingReadOnlyDestination) {
  WriteFile("src", "new data");
  WriteFile("dst", "old");
  // The directory is the user's own (one others may write to would be refused).
  ASSERT_EQ(::chown(dir_.c_str(), kNobody, kNobody), 0);
  for (const char* rel : {"src", "dst"}) ASSERT_EQ(::chown(Path(rel).c_str(), kNobody, kNobody), 0);
  ::chmod(Path("dst").c_str(), 0444);
  EXPECT_TRUE(RunAsNobody([&] {
    getErrBuf()->Clear();
    return files_.CopyFile(Name("src"), Name("dst"), nullptr, nullptr) == RC_OK &&
           ErrorCodes().empty();
  }));
  EXPECT_EQ(ReadFile("dst"), "new data");
  EXPECT_EQ(ModeOf("dst") & S_IWUSR, static_cast<mode_t>(S_IWUSR));
}

TEST_F(FileServiceTest, CopyStreamFromMemory) {
  std::string data(5000, 'm');
  MemoryStreamC source(data.data(), static_cast<int64_t>(data.size()));
  ProgressLog log;
  ASSERT_EQ(files_.CopyStream(source, FileNameC("memory"), Name("out"), Progress, &log), RC_OK);
  EXPECT_EQ(ReadFile("out"), data);
  EXPECT_EQ(log.copied, (std::vector<int64_t>{4096, 5000}));
}

TEST_F(FileServiceTest, CopyDirectoryTree) {
  MakeDir("src");
  MakeDir("src/sub");
  WriteFile("src/a", "A");
  WriteFile("src/sub/b", "B");
  MakeLink("a", "src/link");
  ASSERT_EQ(files_.CopyFile(Name("src"), Name("dst"), nullptr, nullptr), RC_OK);
  EXPECT_EQ(ReadFile("dst/a"), "A");
  EXPECT_EQ(ReadFile("dst/sub/b"), "B");
  FileNameC target;
  ASSERT_TRUE(files_.IsSymbolicLink(Name("dst/link")));
  ASSERT_EQ(files_.ReadLink(Name("dst/link"), target), RC_OK);
  EXPECT_EQ(target.GetFullText().ToUtf8(), "a");
}

// A destination that is the source or lies inside it, however it is reached, is refused before
// anything is created or truncated.
TEST_F(FileServiceTest, DirectoryCopyOntoItselfOrIntoItselfIsRefused) {
  MakeDir("src");
  MakeDir("src/sub");
  WriteFile("src/a", "A");
  WriteFile("src/sub/b", "B");
  MakeLink(Path("src"), "alias");
  MakeLink(Path("src/sub"), "inner");
  for (const char* destination :
       {"src", "alias", "src/sub", "src/sub/copy", "alias/sub/copy", "inner", "inner/copy"}) {
    SCOPED_TRACE(destination);
    getErrBuf()->Clear();
    EXPECT_EQ(files_.CopyFile(Name("src"), Name(destination), nullptr, nullptr),
              OS_E_COPY_OPEN_DEST);
    EXPECT_EQ(ErrorCodes(), (std::vector<RcT>{os_RcFromErrno(EINVAL), OS_E_COPY_OPEN_DEST}));
    EXPECT_EQ(ReadFile("src/a"), "A");
    EXPECT_EQ(ReadFile("src/sub/b"), "B");
    EXPECT_FALSE(PathExists(Path("src/sub/copy")));
  }
  // Beside it is fine.
  ASSERT_EQ(files_.CopyFile(Name("alias"), Name("copy"), nullptr, nullptr), RC_OK);
  EXPECT_EQ(ReadFile("copy/sub/b"), "B");
}

// Links planted in the destination tree are never followed: neither where a directory is to
// be made nor where a file is to be written, so nothing outside the tree changes.
TEST_F(FileServiceTest, DirectoryCopyNeverFollowsLinksInTheDestination) {
  MakeDir("src");
  MakeDir("src/sub");
  WriteFile("src/sub/b", "B");
  WriteFile("src/a", "A");
  MakeDir("outside");
  WriteFile("outside/b", "precious");
  WriteFile("outside/victim", "precious");
  struct {
    const char* name;
    const char* planted;  // the link in the destination
    const char* target;
    RcT expected;
  } cases[] = {
      {"DirectoryLink", "sub", "outside", OS_E_MKDIR},
      {"FileLink", "a", "outside/victim", OS_E_COPY_OPEN_DEST},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string dst = std::string("dst_") + c.name;
    MakeDir(dst);
    MakeLink(Path(c.target), dst + "/" + c.planted);
    EXPECT_EQ(files_.CopyFile(Name("src"), Name(dst), nullptr, nullptr), c.expected);
    EXPECT_EQ(ReadFile("outside/b"), "precious");
    EXPECT_EQ(ReadFile("outside/victim"), "precious");
    EXPECT_TRUE(files_.IsSymbolicLink(Name(dst + "/" + c.planted)));
  }
}

// The read-only retry changes the mode of the name itself, never of what a link there names.
TEST_F(FileServiceTest, ReadOnlyRetryNeverChangesALinksTarget) {
  WriteFile("src", "new");
  WriteFile("target", "kept");
  ASSERT_EQ(::chmod(Path("target").c_str(), 0444), 0);
  MakeLink(Path("target"), "dst");
  // Links planted by another user: the run's own links are followed under the trust rule.
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to plant another user's link";
  ASSERT_EQ(::lchown(Path("dst").c_str(), 65534, 65534), 0);
  EXPECT_EQ(files_.CopyFile(Name("src"), Name("dst"), nullptr, nullptr), OS_E_COPY_OPEN_DEST);
  EXPECT_EQ(ModeOf("target"), 0444u);
  EXPECT_EQ(ReadFile("target"), "kept");

  MakeDir("tree");
  WriteFile("tree/a", "new");
  MakeDir("copy");
  MakeLink(Path("target"), "copy/a");
  ASSERT_EQ(::lchown(Path("copy/a").c_str(), 65534, 65534), 0);
  EXPECT_EQ(files_.CopyFile(Name("tree"), Name("copy"), nullptr, nullptr), OS_E_COPY_OPEN_DEST);
  EXPECT_EQ(ModeOf("target"), 0444u);
  EXPECT_EQ(ReadFile("target"), "kept");
}

// Names that are not valid UTF-8 (Latin-1 bytes, stray bytes, an overlong form) still name
// their files when listed, copied, or read back from a link.
TEST_F(FileServiceTest, NamesThatAreNotUtf8KeepTheirBytes) {
  const std::string odd[] = {"caf\xe9", "d\xff\xfe", "x\xc0\xafy"};
  MakeDir("t");
  WriteFile("t/" + odd[0], "e-acute");
  MakeDir("t/" + odd[1]);
  WriteFile("t/" + odd[1] + "/" + odd[2], "overlong");
  MakeLink(odd[0], "t/link");

  FileListerC lister(Name("t"), true);
  FileNameArrayC names;
  ASSERT_EQ(lister.ListAll(names), RC_OK);
  std::vector<std::string> paths;
  for (const FileNameC& name : names) {
    std::string path;
    ASSERT_EQ(os_SystemPath(name, &path), 0);
    paths.push_back(path);
    EXPECT_TRUE(files_.GetFileInfo(name, false) != nullptr) << path;
  }
  std::sort(paths.begin(), paths.end());
  std::vector<std::string> expected = {Path("t/" + odd[0]), Path("t/" + odd[1]),
                                       Path("t/" + odd[1] + "/" + odd[2]), Path("t/link")};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(paths, expected);

  FileNameC target;
  ASSERT_EQ(files_.ReadLink(Name("t/link"), target), RC_OK);
  std::string target_path;
  ASSERT_EQ(os_SystemPath(target, &target_path), 0);
  EXPECT_EQ(target_path, odd[0]);

  ASSERT_EQ(files_.CopyFile(Name("t"), Name("copy"), nullptr, nullptr), RC_OK);
  EXPECT_EQ(ReadFile("copy/" + odd[0]), "e-acute");
  EXPECT_EQ(ReadFile("copy/" + odd[1] + "/" + odd[2]), "overlong");

  // Valid UTF-8 is plain text; only the bytes that are not become escapes.
  EXPECT_EQ(os_NameFromSystemBytes("gr\xc3\xbc\xc3\x9f").ToUtf8(), "gr\xc3\xbc\xc3\x9f");
  EXPECT_EQ(os_NameFromSystemBytes("a\xe9").Length(), 2);
}

TEST_F(FileServiceTest, FileInformation) {
  WriteFile("file", "12345");
  ::chmod(Path("file").c_str(), 0640);
  MakeLink(Path("file"), "link");
  auto info = files_.GetFileInfo(Name("file"));
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->GetType(), FileInfoC::TYPE_REGULAR);
  EXPECT_EQ(info->GetSize(), 5);
  EXPECT_EQ(info->GetPermissions(),
            FileInfoC::PERM_OWNERREAD | FileInfoC::PERM_OWNERWRITE | FileInfoC::PERM_GROUPREAD);
  EXPECT_EQ(info->GetOwner(), ::geteuid());

  auto followed = files_.GetFileInfo(Name("link"), true);
  ASSERT_NE(followed, nullptr);
  EXPECT_EQ(followed->GetType(), FileInfoC::TYPE_REGULAR);
  auto link = files_.GetFileInfo(Name("link"), false);
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->GetType(), FileInfoC::TYPE_SYMBOLIC_LINK);
  EXPECT_EQ(files_.GetFileInfo(Name("missing")), nullptr);

  ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
  EXPECT_EQ(files_.GetFileInfo(Name("fifo"))->GetType(), FileInfoC::TYPE_FIFO);
  EXPECT_EQ(files_.GetFileInfo(FileNameC("/"))->GetType(), FileInfoC::TYPE_DIRECTORY);
  EXPECT_EQ(files_.GetFileInfo(FileNameC("/dev/null"))->GetType(),
            FileInfoC::TYPE_CHARACTER_DEVICE);

  ASSERT_EQ(files_.SetModificationTime(&static_cast<const FileNameC&>(Name("file")), 1000000000),
            RC_OK);
  EXPECT_EQ(files_.GetFileInfo(Name("file"))->GetModificationTime(), 1000000000);
  getErrBuf()->Clear();
  EXPECT_EQ(files_.SetModificationTime(nullptr, 5), OS_E_BAD_TIME);
  FileNameC file = Name("file");
  EXPECT_EQ(files_.SetModificationTime(&file, -1), OS_E_BAD_TIME);
  EXPECT_EQ(ErrorCodes(), (std::vector<uint32_t>{OS_E_BAD_TIME, OS_E_BAD_TIME}));
}

TEST_F(FileServiceTest, ReadOnlyStateAndAttributes) {
  WriteFile("f", "x");
  struct Case {
    mode_t before;
    bool read_only;
    mode_t after;
  };
  for (Case c : {Case{0644, true, 0444}, Case{0444, false, 0644}, Case{0044, false, 0044},
                 Case{0600, false, 0600}, Case{0200, true, 0000}}) {
    ::chmod(Path("f").c_str(), c.before);
    EXPECT_EQ(files_.SetReadOnly(Name("f"), c.read_only), RC_OK);
    EXPECT_EQ(ModeOf("f"), c.after) << std::oct << c.before;
  }
  WriteFile("g", "y");
  ::chmod(Path("f").c_str(), 0751);
  ASSERT_EQ(::chown(Path("f").c_str(), kNobody, kNobody), 0);
  EXPECT_EQ(files_.CopyAttributes(Name("f"), Name("g")), RC_OK);
  struct stat st {};
  ASSERT_EQ(::stat(Path("g").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0751u);
  EXPECT_EQ(st.st_uid, kNobody);
  EXPECT_NE(files_.SetReadOnly(Name("missing"), true), RC_OK);
}

TEST_F(FileServiceTest, RenameChangeDirectoryLinksAndSafeOpen) {
  WriteFile("a", "A");
  ASSERT_EQ(files_.Rename(Name("a"), Name("b")), RC_OK);
  EXPECT_EQ(ReadFile("b"), "A");
  EXPECT_NE(files_.Rename(Name("a"), Name("c")), RC_OK);

  FileNameC before;
  ASSERT_EQ(files_.GetCurrentDirectory(before), RC_OK);
  ASSERT_EQ(files_.ChangeDirectory(FileNameC(dir_.c_str())), RC_OK);
  FileNameC now;
  ASSERT_EQ(files_.GetCurrentDirectory(now), RC_OK);
  EXPECT_EQ(now, FileNameC(dir_.c_str()));
  getErrBuf()->Clear();
  EXPECT_EQ(files_.ChangeDirectory(Name("missing")), OS_E_CHDIR);
  EXPECT_EQ(ErrorText(OS_E_CHDIR), "Cannot change to directory '" + Path("missing") + "'");
  ASSERT_EQ(files_.ChangeDirectory(before), RC_OK);

  MakeLink("b", "link");
  FileNameC target;
  ASSERT_EQ(files_.ReadLink(Name("link"), target), RC_OK);
  EXPECT_EQ(target, FileNameC("b"));
  EXPECT_NE(files_.ReadLink(Name("b"), target), RC_OK);

  cmn_UniqueFdC fd;
  ASSERT_EQ(files_.SafeOpen(Name("b"), O_RDONLY, 0, fd), RC_OK);
  EXPECT_TRUE(fd.IsValid());
  EXPECT_NE(::fcntl(fd.Get(), F_GETFD) & FD_CLOEXEC, 0);
  cmn_UniqueFdC refused;
  EXPECT_NE(files_.SafeOpen(Name("link"), O_RDONLY, 0, refused), RC_OK);
  EXPECT_FALSE(refused.IsValid());
  // Creating through a dangling link would create its target elsewhere.
  MakeLink(Path("elsewhere"), "dangling");
  EXPECT_NE(files_.SafeOpen(Name("dangling"), O_WRONLY | O_CREAT, 0600, refused), RC_OK);
  EXPECT_FALSE(PathExists(Path("elsewhere")));

  FileNameArrayC roots = files_.GetRootList();
  ASSERT_EQ(roots.Count(), 1u);
  EXPECT_TRUE(roots[0].IsRoot());
}

TEST_F(FileServiceTest, HiddenAndSystemStatesAreNotAvailable) {
  FileNameC name = Name("f");
  EXPECT_EQ(files_.SetHidden(name, true), OS_E_SET_HIDDEN);
  EXPECT_FALSE(files_.IsHidden(name));
  EXPECT_FALSE(files_.IsSystem(name));
  EXPECT_EQ(ErrorCodes(),
            (std::vector<uint32_t>{OS_E_SET_HIDDEN, OS_E_GET_HIDDEN, OS_E_GET_SYSTEM}));
  EXPECT_EQ(ErrorText(OS_E_GET_SYSTEM), "Cannot get system state of file '" + Path("f") + "'");
}

TEST_F(FileServiceTest, OpenFileStreamThroughTheService) {
  auto stream = files_.OpenFileStream(Name("s"), FileStreamC::MODE_CREATE_NEW,
                                      FileStreamC::ACCESS_WRITE, FileStreamC::SHARE_NONE, false);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(stream->Write("abc", 3), RC_OK);
  EXPECT_EQ(stream->Close(), RC_OK);
  EXPECT_EQ(ReadFile("s"), "abc");
}

// --- Listers ------------------------------------------------------------------------------

class ListerTest : public FileServiceTest {
 protected:
  void SetUp() override {
    FileServiceTest::SetUp();
    MakeDir("t");
    MakeDir("t/sub");
    MakeDir("t/sub/deeper");
    MakeDir("outside");
    WriteFile("outside/o.txt", "");
    WriteFile("t/a.txt", "");
    WriteFile("t/B.TXT", "");
    WriteFile("t/c.log", "");
    WriteFile("t/sub/d.txt", "");
    WriteFile("t/sub/deeper/e.txt", "");
    MakeLink(Path("outside"), "t/sub/out");
  }
  std::vector<std::string> Names(FileListerC& lister) {
    FileNameArrayC names;
    EXPECT_EQ(lister.ListAll(names), RC_OK);
    names.Sort();
    std::vector<std::string> rel;
    for (const FileNameC& name : names) rel.push_back(Rel(name));
    return rel;
  }
};

TEST_F(ListerTest, ListsOneDirectoryOrTheWholeTree) {
  FileListerC flat(Name("t"), false);
  EXPECT_EQ(Names(flat), (std::vector<std::string>{"t/B.TXT", "t/a.txt", "t/c.log", "t/sub"}));
  FileListerC tree(Name("t"), true);
  EXPECT_EQ(Names(tree),
            (std::vector<std::string>{"t/B.TXT", "t/a.txt", "t/c.log", "t/sub", "t/sub/d.txt",
                                      "t/sub/deeper", "t/sub/deeper/e.txt", "t/sub/out"}));
}

TEST_F(ListerTest, SelectsByTypeAndPattern) {
  FileFindListerC dirs(Name("t"), true, FileFindListerC::FIND_DIRECTORIES);
  EXPECT_EQ(Names(dirs), (std::vector<std::string>{"t/sub", "t/sub/deeper"}));
  FileFindListerC links(Name("t"), true, FileFindListerC::FIND_LINKS);
  EXPECT_EQ(Names(links), (std::vector<std::string>{"t/sub/out"}));

  FileWildcardListerC txt(Name("t"), S("*.txt"), true, FileFindListerC::FIND_FILES);
  EXPECT_EQ(Names(txt), (std::vector<std::string>{"t/a.txt", "t/sub/d.txt", "t/sub/deeper/e.txt"}));
  FileWildcardListerC any_case(Name("t"), S("*.txt"), false, FileFindListerC::FIND_ALL, false);
  EXPECT_EQ(Names(any_case), (std::vector<std::string>{"t/B.TXT", "t/a.txt"}));

  FileListingC listing(Name("t"), S("?.*"), true);
  ASSERT_EQ(listing.Load(), RC_OK);
  ASSERT_EQ(listing.Count(), 5u);
  EXPECT_EQ(Rel(listing.GetNames()[0]), "t/B.TXT");
  EXPECT_EQ(Rel(listing.GetNames()[4]), "t/sub/deeper/e.txt");
}

TEST_F(ListerTest, MissingDirectoryAndOneByOne) {
  FileListerC missing(Name("none"), true);
  FileNameC name;
  EXPECT_FALSE(missing.Next(name));
  EXPECT_EQ(missing.GetResult(), 0xE0000002u);

  FileListerC lister(Name("t/sub/deeper"), false);
  int32_t type = -1;
  ASSERT_TRUE(lister.Next(name, &type));
  EXPECT_EQ(Rel(name), "t/sub/deeper/e.txt");
  EXPECT_EQ(type, FileInfoC::TYPE_REGULAR);
  EXPECT_FALSE(lister.Next(name));
  EXPECT_EQ(lister.GetResult(), RC_OK);

  // The starting name itself must not be a link.
  FileListerC through_link(Name("t/sub/out"), false);
  EXPECT_FALSE(through_link.Next(name));
  EXPECT_NE(through_link.GetResult(), RC_OK);
}

TEST_F(ListerTest, UnreadableDirectoryIsSkippedAndReported) {
  ::chmod(Path("t/sub/deeper").c_str(), 0);
  for (const char* rel : {"t", "t/sub", "t/a.txt", "t/B.TXT", "t/c.log", "t/sub/d.txt"}) {
    ASSERT_EQ(::chown(Path(rel).c_str(), kNobody, kNobody), 0);
  }
  ::chmod(dir_.c_str(), 0755);
  EXPECT_TRUE(RunAsNobody([&] {
    FileListerC lister(Name("t"), true);
    FileNameArrayC names;
    RcT rc = lister.ListAll(names);
    return rc == (0xE0000000u | EACCES) && names.Count() == 7;
  }));
}

// A directory the safe open remembered is forgotten when the process removes or renames it: a
// directory made again at the same path is the one opened.
TEST_F(FileServiceTest, RemovalsAndRenamesForgetRememberedDirectories) {
  struct Case {
    const char* name;
    std::function<int()> take_away;  // the directory "d"
  };
  const std::vector<Case> cases = {
      {"remove_tree", [this] { return os_RemoveTree(Path("d"), true, false); }},
      {"remove_directory",
       [this] {
         const int err = os_Unlink(Path("d/f"));
         return err != 0 ? err : os_RemoveDirectory(Path("d"));
       }},
      {"rename", [this] { return os_Rename(Path("d"), Path("moved")); }},
  };
  auto read = [this](std::string* text) {
    cmn_UniqueFdC fd;
    const RcT rc = cmn_SafeOpen(Path("d/f"), O_RDONLY, 0, &fd);
    char buffer[16] = {};
    if (rc == RC_OK && ::read(fd.Get(), buffer, sizeof buffer - 1) < 0) return RC_FAIL;
    *text = buffer;
    return rc;
  };
  cmn_SafeOpenRememberDirectories(true);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MakeDir("d");
    WriteFile("d/f", "old");
    std::string text;
    EXPECT_EQ(read(&text), RC_OK);
    EXPECT_EQ(text, "old");
    ASSERT_EQ(c.take_away(), 0);
    MakeDir("d");
    WriteFile("d/f", "new");
    EXPECT_EQ(read(&text), RC_OK);
    EXPECT_EQ(text, "new");
    // Removed behind the os functions' back: forgotten by hand.
    std::filesystem::remove_all(Path("d"));
    std::filesystem::remove_all(Path("moved"));
    cmn_SafeOpenForgetDirectories();
  }
  cmn_SafeOpenRememberDirectories(false);
}

}  // namespace
