#include "cmn/cmn_ConfigStoreC.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_SafeOpen_posix.h"
#include "cmn/cmn_Services.h"
#include "cmn/cmn_StoreFile_posix.h"
#include "tests/testing/FileUtil.h"
#include "tests/testing/TempDirTest.h"

namespace fs = std::filesystem;

namespace {

using qlmtest::ReadFile;
using qlmtest::WriteFile;

const char kParent[] = "Software\\Quillmarsh Corp";
const char kPolicyKey[] = "Software\\Quillmarsh Corp\\Quillmarsh\\Policy Client\\CurrentVersion";

class ConfigStoreTest : public qlmtest::TempDirTest {
 protected:
  void SetUp() override {
    qlmtest::TempDirTest::SetUp();
    ini_ = dir_ + "/quillmarsh.ini";
  }

  static std::string Read(cmn_ConfigStoreC& s, const std::string& key, const std::string& name) {
    std::string text;
    uint32_t rc = s.ReadText(cmn_kHKLM, key, name, &text);
    return rc == RC_OK ? text : "<" + std::to_string(rc) + ">";
  }

  std::string ini_;
};

TEST_F(ConfigStoreTest, AttachedFileSectionsAppearBelowTheKey) {
  WriteFile(ini_,
            "; machine configuration\n"
            "[Quillmarsh]\nInstallDir=/opt/q\n"
            "[Quillmarsh\\Policy Client\\CurrentVersion]\nPolicyServerURL=http://a/\n");
  cmn_ConfigStoreC s("");
  ASSERT_EQ(s.AttachFile(ini_, "HKLM", kParent), RC_OK);
  EXPECT_EQ(Read(s, "SOFTWARE\\quillmarsh corp\\Quillmarsh", "installdir"), "/opt/q");
  EXPECT_EQ(Read(s, kPolicyKey, "PolicyServerURL"), "http://a/");

  cmn_RegHandleT key = 0;
  ASSERT_EQ(s.Open(cmn_kHKLM, "Software", 0x20019, &key), RC_OK);  // implied by the attachment
  std::string name;
  ASSERT_EQ(s.EnumerateSubkeys(key, 0, &name), RC_OK);
  EXPECT_EQ(name, "Quillmarsh Corp");
  EXPECT_EQ(s.EnumerateSubkeys(key, 1, &name), cmn_kRegNoMoreItems);
  EXPECT_EQ(s.Close(key), RC_OK);
  EXPECT_EQ(s.Open(cmn_kHKLM, "Software\\Nothing", 0x20019, &key), cmn_kRegNoSuchKey);
}

TEST_F(ConfigStoreTest, WritesAreDurableAndKeepTheRestOfTheFile) {
  const std::string original = "# keep me\n[Quillmarsh]\nInstallDir=/opt/q\n!!! odd line\n";
  WriteFile(ini_, original);
  ASSERT_EQ(::chmod(ini_.c_str(), 0640), 0);
  {
    cmn_ConfigStoreC s("");
    ASSERT_EQ(s.AttachFile(ini_, "HKEY_LOCAL_MACHINE", kParent), RC_OK);
    ASSERT_EQ(s.WriteText(cmn_kHKLM, "Software\\Quillmarsh Corp\\Quillmarsh", "CommonAppDataFolder",
                          "/var/q"),
              RC_OK);
    cmn_RegHandleT key = 0;
    ASSERT_EQ(s.Create(cmn_kHKLM, kPolicyKey, &key), RC_OK);
    uint32_t dword = 5;
    ASSERT_EQ(s.WriteValue(key, "Retries", cmn_kRegDword, &dword, 4), RC_OK);
    ASSERT_EQ(s.Close(key), RC_OK);
  }
  EXPECT_EQ(ReadFile(ini_),
            "# keep me\n[Quillmarsh]\nInstallDir=/opt/q\n!!! odd line\nCommonAppDataFolder=/var/q\n"
            "\n[Quillmarsh\\Policy Client\\CurrentVersion]\nRetries{dword}=5\n");
  struct stat st;
  ASSERT_EQ(::stat(ini_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);  // an existing file keeps its mode

  cmn_ConfigStoreC fresh("");
  ASSERT_EQ(fresh.AttachFile(ini_, "HKLM", kParent), RC_OK);
  EXPECT_EQ(Read(fresh, kPolicyKey, "Retries"), "5");
  EXPECT_EQ(Read(fresh, "Software\\Quillmarsh Corp\\Quillmarsh", "CommonAppDataFolder"), "/var/q");
}

TEST_F(ConfigStoreTest, UnchangedWriteDoesNotTouchTheFile) {
  WriteFile(ini_, "[Quillmarsh]\nInstallDir=/opt/q\n");
  cmn_ConfigStoreC s("");
  ASSERT_EQ(s.AttachFile(ini_, "HKLM", kParent), RC_OK);
  struct stat before, after;
  ASSERT_EQ(::stat(ini_.c_str(), &before), 0);
  ASSERT_EQ(s.WriteText(cmn_kHKLM, "Software\\Quillmarsh Corp\\Quillmarsh", "InstallDir", "/opt/q"),
            RC_OK);
  ASSERT_EQ(::stat(ini_.c_str(), &after), 0);
  EXPECT_EQ(before.st_ino, after.st_ino);
  EXPECT_EQ(before.st_mtim.tv_nsec, after.st_mtim.tv_nsec);
}

TEST_F(ConfigStoreTest, NewestAttachmentIsReadFirstAndReceivesWrites) {
  const std::string older = dir_ + "/older.ini", newer = dir_ + "/newer.ini";
  WriteFile(older, "[Quillmarsh]\nA=old\nB=only-old\n");
  WriteFile(newer, "[Quillmarsh]\nA=new\n");
  cmn_ConfigStoreC s("");
  ASSERT_EQ(s.AttachFile(older, "HKLM", kParent), RC_OK);
  ASSERT_EQ(s.AttachFile(newer, "HKLM", kParent), RC_OK);
  const std::string key = "Software\\Quillmarsh Corp\\Quillmarsh";
  EXPECT_EQ(Read(s, key, "A"), "new");
  EXPECT_EQ(Read(s, key, "B"), "only-old");
  ASSERT_EQ(s.WriteText(cmn_kHKLM, key, "C", "written"), RC_OK);
  EXPECT_NE(ReadFile(newer).find("C=written"), std::string::npos);
  EXPECT_EQ(ReadFile(older).find("C="), std::string::npos);
  // Deleting removes every copy, so the older file cannot show through.
  cmn_RegHandleT k = 0;
  ASSERT_EQ(s.Open(cmn_kHKLM, key, 0x2001F, &k), RC_OK);
  EXPECT_EQ(s.DeleteValue(k, "a"), RC_OK);
  EXPECT_EQ(s.ValueExists(k, "A"), cmn_kRegNoSuchValue);
  EXPECT_EQ(s.DeleteValue(k, "A"), cmn_kRegNoSuchValue);
  // Values outside every attachment live in memory only.
  ASSERT_EQ(s.WriteText(cmn_kHKLM, "Software\\Policies\\X", "P", "mem"), RC_OK);
  EXPECT_EQ(Read(s, "Software\\Policies\\X", "P"), "mem");
  EXPECT_EQ(ReadFile(newer).find("mem"), std::string::npos);
  EXPECT_EQ(s.Close(k), RC_OK);
}

TEST_F(ConfigStoreTest, EnumerationQueryAndTypes) {
  cmn_ConfigStoreC s("");
  ASSERT_EQ(s.AttachFile(ini_, "HKLM", kParent), RC_OK);  // missing file: created on write
  cmn_RegHandleT key = 0;
  ASSERT_EQ(s.Create(cmn_kHKLM, kPolicyKey, &key), RC_OK);
  const char multi[] = "a\0b\0";
  ASSERT_EQ(s.WriteValue(key, "List", cmn_kRegMultiSz, multi, sizeof multi), RC_OK);
  ASSERT_EQ(s.WriteValue(key, "Bin", cmn_kRegBinary, "\x01\x02", 2), RC_OK);
  ASSERT_EQ(s.WriteValue(key, "Text", cmn_kRegSz, "hello", 6), RC_OK);

  std::vector<std::string> names;
  std::string name;
  for (uint32_t i = 0; s.EnumerateValues(key, i, &name) == RC_OK; ++i) names.push_back(name);
  EXPECT_EQ(names, (std::vector<std::string>{"List", "Bin", "Text"}));

  uint32_t type = 0;
  size_t size = 0;
  ASSERT_EQ(s.QueryValue(key, "list", nullptr, &size, &type), RC_OK);
  EXPECT_EQ(type, cmn_kRegMultiSz);
  EXPECT_EQ(size, 5u);
  char buf[3];
  size = sizeof buf;
  EXPECT_EQ(s.QueryValue(key, "List", buf, &size, &type), cmn_kRegMoreData);
  EXPECT_EQ(size, 5u);
  std::vector<std::string> texts;
  ASSERT_EQ(s.ReadTextList(key, "List", &texts), RC_OK);
  EXPECT_EQ(texts, (std::vector<std::string>{"a", "b"}));
  std::string text;
  EXPECT_EQ(s.ReadText(key, "", "List", &text), cmn_kRegWrongType);
  EXPECT_EQ(s.ReadText(key, "", "Text", &text), RC_OK);
  EXPECT_EQ(text, "hello");

  struct stat st;
  ASSERT_EQ(::stat(ini_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);  // a new machine file
  EXPECT_EQ(s.Close(key), RC_OK);
  EXPECT_EQ(s.Close(key), cmn_kRegBadHandle);
}

TEST_F(ConfigStoreTest, DeleteKeyOnlyWhenEmptyUnlessRecursive) {
  cmn_ConfigStoreC s("");
  ASSERT_EQ(s.AttachFile(ini_, "HKLM", kParent), RC_OK);
  ASSERT_EQ(s.WriteText(cmn_kHKLM, "Software\\Quillmarsh Corp\\Q\\A", "v", "1"), RC_OK);
  ASSERT_EQ(s.WriteText(cmn_kHKLM, "Software\\Quillmarsh Corp\\Q\\A\\B", "v", "2"), RC_OK);
  EXPECT_EQ(s.DeleteKey(cmn_kHKLM, "Software\\Quillmarsh Corp\\Q\\A", false), cmn_kRegKeyNotEmpty);
  EXPECT_EQ(s.DeleteKey(cmn_kHKLM, "Software\\Quillmarsh Corp\\Q\\A", true), RC_OK);
  cmn_RegHandleT k;
  EXPECT_EQ(s.Open(cmn_kHKLM, "Software\\Quillmarsh Corp\\Q\\A\\B", 0x20019, &k),
            cmn_kRegNoSuchKey);
  EXPECT_EQ(ReadFile(ini_).find("[Q\\A"), std::string::npos);
  EXPECT_EQ(s.DeleteKey(cmn_kHKLM, "Software\\Quillmarsh Corp\\Q\\A", true), cmn_kRegNoSuchKey);
  EXPECT_EQ(s.DeleteKey(cmn_kHKLM, "", true), cmn_kRegBadArgument);
}

TEST_F(ConfigStoreTest, ReadOnlyHandleCannotWrite) {
  cmn_ConfigStoreC s("");
  ASSERT_EQ(s.WriteText(cmn_kHKLM, "Software\\X", "v", "1"), RC_OK);
  cmn_RegHandleT k;
  ASSERT_EQ(s.Open(cmn_kHKLM, "Software\\X", 0x20019, &k), RC_OK);
  EXPECT_EQ(s.WriteValue(k, "v", cmn_kRegSz, "2", 2), cmn_kRegAccessDenied);
  EXPECT_EQ(s.Close(k), RC_OK);
}

TEST_F(ConfigStoreTest, UserFileIsPrivate) {
  const std::string user = dir_ + "/home/.config/quillmarsh/user.ini";
  {
    cmn_ConfigStoreC s(user);
    ASSERT_EQ(s.WriteText(cmn_kHKCU, "Software\\Quillmarsh Corp\\Quillmarsh\\Common", "X", "1"),
              RC_OK);
  }
  struct stat st;
  ASSERT_EQ(::stat(user.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ASSERT_EQ(::stat((dir_ + "/home/.config/quillmarsh").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(ReadFile(user), "[Software\\Quillmarsh Corp\\Quillmarsh\\Common]\nX=1\n");
  cmn_ConfigStoreC again(user);
  std::string text;
  EXPECT_EQ(again.ReadText(cmn_kHKCU, "software\\quillmarsh corp\\quillmarsh\\common", "x", &text),
            RC_OK);
  EXPECT_EQ(text, "1");
}

TEST_F(ConfigStoreTest, GarbageFileWarnsAndKeepsItsBytes) {
  std::string garbage;
  std::mt19937 rng(7);
  for (int i = 0; i < 2000; ++i) garbage += static_cast<char>(rng() % 256);
  garbage += '\n';
  WriteFile(ini_, garbage);
  cmn_ConfigStoreC s("");
  getErrBuf()->Clear();
  ASSERT_EQ(s.AttachFile(ini_, "HKLM", kParent), RC_OK);
  EXPECT_GT(getErrBuf()->Count(), 0u);
  EXPECT_EQ(getErrBuf()->Entry(0)->MessageNumber(), cmn_kRegBadLine);
  EXPECT_NE(getErrBuf()->Entry(0)->Text().find(ini_), std::string::npos);
  ASSERT_EQ(s.WriteText(cmn_kHKLM, "Software\\Quillmarsh Corp\\Quillmarsh", "Fine", "yes"), RC_OK);
  std::string after = ReadFile(ini_);
  EXPECT_EQ(after.substr(0, garbage.size()), garbage);
  EXPECT_EQ(Read(s, "Software\\Quillmarsh Corp\\Quillmarsh", "Fine"), "yes");
}

TEST_F(ConfigStoreTest, SymbolicLinkAtTheStoreFileIsNotWrittenThrough) {
  const std::string victim = dir_ + "/victim";
  WriteFile(victim, "untouched\n");
  fs::create_symlink(victim, ini_);
  // Planted by another user: never followed (one of a trusted owner would be).
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to plant another user's link";
  ASSERT_EQ(::lchown(ini_.c_str(), 65534, 65534), 0);
  cmn_SafeOpenForceChecks(1);
  cmn_ConfigStoreC s("");
  EXPECT_EQ(s.AttachFile(ini_, "HKLM", kParent), cmn_kRegFileRefused);
  ASSERT_EQ(s.WriteText(cmn_kHKLM, "Software\\Quillmarsh Corp\\Q", "v", "x"), RC_OK);  // memory
  cmn_SafeOpenForceChecks(-1);
  EXPECT_EQ(ReadFile(victim), "untouched\n");
}

// Two processes write 200 different values each into one file at the same time.
TEST_F(ConfigStoreTest, ConcurrentWritersLoseNothing) {
  constexpr int kPerWriter = 200;
  pid_t pids[2];
  for (int w = 0; w < 2; ++w) {
    pids[w] = ::fork();
    ASSERT_GE(pids[w], 0);
    if (pids[w] == 0) {
      cmn_ConfigStoreC s("");
      if (s.AttachFile(ini_, "HKLM", kParent) != RC_OK) ::_exit(2);
      for (int i = 0; i < kPerWriter; ++i) {
        std::string name = "w" + std::to_string(w) + "_" + std::to_string(i);
        if (s.WriteText(cmn_kHKLM, kPolicyKey, name, std::to_string(i)) != RC_OK) ::_exit(3);
      }
      ::_exit(0);
    }
  }
  for (pid_t pid : pids) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  cmn_IniDocumentC doc;
  doc.Parse(ReadFile(ini_));
  EXPECT_TRUE(doc.BadLines().empty());
  const auto* sec = doc.FindSection("Quillmarsh\\Policy Client\\CurrentVersion");
  ASSERT_NE(sec, nullptr);
  EXPECT_EQ(sec->values.size(), 2u * kPerWriter);
}

// A writer killed at random moments leaves a file that parses and is a prefix of its history.
TEST_F(ConfigStoreTest, KilledWriterLeavesOldOrNewFile) {
  std::mt19937 rng(12345);
  int longest = 0;
  {
    // Start from a file with content, so every kill interrupts a rewrite of real data.
    cmn_ConfigStoreC s("");
    ASSERT_EQ(s.AttachFile(ini_, "HKLM", kParent), RC_OK);
    ASSERT_EQ(s.WriteText(cmn_kHKLM, kPolicyKey, "v0", std::string(100, 'a')), RC_OK);
  }
  for (int round = 0; round < 100; ++round) {
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      cmn_ConfigStoreC s("");
      if (s.AttachFile(ini_, "HKLM", kParent) != RC_OK) ::_exit(2);
      for (int i = 0;; ++i) {
        std::string value = std::string(100 + i % 50, 'a' + i % 26);
        if (s.WriteText(cmn_kHKLM, kPolicyKey, "v" + std::to_string(i % 300), value) != RC_OK) {
          ::_exit(3);
        }
      }
    }
    ::usleep(rng() % 20000);
    ::kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status)) << "writer failed with " << status;
    // Every value line is whole: the file is the old or the new version, never a mix.
    cmn_IniDocumentC doc;
    std::string text = ReadFile(ini_);
    doc.Parse(text);
    ASSERT_TRUE(doc.BadLines().empty()) << "round " << round;
    ASSERT_TRUE(text.empty() || text.back() == '\n');
    if (const auto* sec = doc.FindSection("Quillmarsh\\Policy Client\\CurrentVersion")) {
      for (const auto& v : sec->values) {
        const std::string& t = v.value.texts.at(0);
        ASSERT_GE(t.size(), 100u);
        ASSERT_EQ(t.find_first_not_of(t[0]), std::string::npos);
      }
      longest = std::max<int>(longest, static_cast<int>(sec->values.size()));
    }
  }
  EXPECT_GT(longest, 0);
  // Temporary files of killed writers are never read as the store, and the next writer
  // removes them.
  cmn_ConfigStoreC s("");
  ASSERT_EQ(s.AttachFile(ini_, "HKLM", kParent), RC_OK);
  EXPECT_EQ(s.WriteText(cmn_kHKLM, kPolicyKey, "after", "ok"), RC_OK);
  for (const auto& e : fs::directory_iterator(dir_)) {
    const std::string name = e.path().filename().string();
    EXPECT_TRUE(name == "quillmarsh.ini" || name == ".quillmarsh.ini.lock") << name;
  }
}

// A write goes to the file that already holds the value; a write target overrides that.
TEST_F(ConfigStoreTest, WriteGoesToTheFileHoldingTheValue) {
  const std::string older = dir_ + "/older.ini", newer = dir_ + "/newer.ini";
  WriteFile(older, "[Quillmarsh]\nA=old\n");
  WriteFile(newer, "[Quillmarsh]\nB=new\n");
  cmn_ConfigStoreC s("");
  ASSERT_EQ(s.AttachFile(older, "HKLM", kParent), RC_OK);
  ASSERT_EQ(s.AttachFile(newer, "HKLM", kParent), RC_OK);
  const std::string key = "Software\\Quillmarsh Corp\\Quillmarsh";
  ASSERT_EQ(s.WriteText(cmn_kHKLM, key, "a", "changed"), RC_OK);
  EXPECT_EQ(ReadFile(older), "[Quillmarsh]\nA=changed\n");
  EXPECT_EQ(ReadFile(newer), "[Quillmarsh]\nB=new\n");
  std::string file;
  bool changed = false;
  s.LastWrite(&file, &changed);
  EXPECT_EQ(file, older);
  EXPECT_TRUE(changed);
  size_t line = 0;
  ASSERT_TRUE(s.Origin(cmn_kHKLM, key, "B", &file, &line));
  EXPECT_EQ(file, newer);
  EXPECT_EQ(line, 2u);
  ASSERT_TRUE(s.SetWriteTarget(newer));
  ASSERT_EQ(s.WriteText(cmn_kHKLM, key, "A", "forced"), RC_OK);
  EXPECT_EQ(ReadFile(newer), "[Quillmarsh]\nB=new\nA=forced\n");
  EXPECT_FALSE(s.SetWriteTarget(dir_ + "/not-attached.ini"));
}

// Modes are explicit whatever the umask; the lock file is private to the writer.
TEST_F(ConfigStoreTest, ModesDoNotFollowTheUmask) {
  for (mode_t mask : {mode_t{077}, mode_t{000}}) {
    SCOPED_TRACE(mask);
    const mode_t old = ::umask(mask);
    const std::string machine = dir_ + "/m" + std::to_string(mask) + ".ini";
    const std::string user = dir_ + "/h" + std::to_string(mask) + "/.config/quillmarsh/user.ini";
    {
      cmn_ConfigStoreC s(user);
      ASSERT_EQ(s.AttachFile(machine, "HKLM", kParent), RC_OK);
      ASSERT_EQ(s.WriteText(cmn_kHKLM, kPolicyKey, "X", "1"), RC_OK);
      ASSERT_EQ(s.WriteText(cmn_kHKCU, "Software\\Q", "X", "1"), RC_OK);
    }
    ::umask(old);
    struct stat st;
    ASSERT_EQ(::stat(machine.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
    ASSERT_EQ(::stat(user.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    for (const char* d : {"", "/.config", "/.config/quillmarsh"}) {
      ASSERT_EQ(::stat((dir_ + "/h" + std::to_string(mask) + d).c_str(), &st), 0);
      if (*d != '\0') {
        EXPECT_EQ(st.st_mode & 07777, 0700u) << d;
      }
    }
    const std::string lock = dir_ + "/.m" + std::to_string(mask) + ".ini.lock";
    ASSERT_EQ(::stat(lock.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
  }
}

// A writer holding the lock delays another writer only up to the bound; the failure names the
// file and the holder. A write that changes nothing takes no lock and so never waits.
TEST_F(ConfigStoreTest, LockWaitIsBoundedAndUnchangedWritesTakeNoLock) {
  WriteFile(ini_, "[Quillmarsh]\nA=1\n");
  cmn_ConfigStoreC s("");
  ASSERT_EQ(s.AttachFile(ini_, "HKLM", kParent), RC_OK);
  ASSERT_EQ(s.WriteText(cmn_kHKLM, "Software\\Quillmarsh Corp\\Quillmarsh", "B", "2"), RC_OK);
  const std::string lock = dir_ + "/.quillmarsh.ini.lock";
  int pipefd[2];
  ASSERT_EQ(::pipe(pipefd), 0);
  pid_t holder = ::fork();
  ASSERT_GE(holder, 0);
  if (holder == 0) {
    int fd = ::open(lock.c_str(), O_RDWR);
    if (fd < 0 || ::flock(fd, LOCK_EX) != 0) ::_exit(2);
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::pwrite(fd, pid.data(), pid.size(), 0) < 0) ::_exit(3);
    (void)::write(pipefd[1], "x", 1);
    for (;;) ::pause();  // holds the lock until the test kills it
    ::_exit(0);
  }
  ::close(pipefd[1]);  // a holder that fails ends the read below
  char c;
  ASSERT_EQ(::read(pipefd[0], &c, 1), 1);
  cmn_SetStoreLockWaitForTest(300);
  const std::string before = ReadFile(ini_);
  EXPECT_EQ(s.WriteText(cmn_kHKLM, "Software\\Quillmarsh Corp\\Quillmarsh", "A", "1"), RC_OK);
  s.TakeDiagnostics();
  EXPECT_EQ(s.WriteText(cmn_kHKLM, "Software\\Quillmarsh Corp\\Quillmarsh", "A", "9"),
            cmn_kRegWriteFailed);
  cmn_SetStoreLockWaitForTest(0);
  ::kill(holder, SIGKILL);
  ::waitpid(holder, nullptr, 0);
  EXPECT_EQ(ReadFile(ini_), before);
  auto diagnostics = s.TakeDiagnostics();
  ASSERT_EQ(diagnostics.size(), 1u);
  EXPECT_EQ(diagnostics[0].severity, 4);
  EXPECT_EQ(diagnostics[0].text.find("Cannot write '" + ini_ + "'"), 0u) << diagnostics[0].text;
  EXPECT_NE(diagnostics[0].text.find("by process " + std::to_string(holder)), std::string::npos)
      << diagnostics[0].text;
  EXPECT_EQ(s.WriteFailures(), 1u);
  // The holder is gone: the lock is free again.
  EXPECT_EQ(s.WriteText(cmn_kHKLM, "Software\\Quillmarsh Corp\\Quillmarsh", "A", "9"), RC_OK);
  ::close(pipefd[0]);
}

// Any user who can open the store's directory can flock it; writers do not lock it, so such
// a lock delays no write.
TEST_F(ConfigStoreTest, LockOnTheDirectoryDelaysNoWriter) {
  WriteFile(ini_, "[Quillmarsh]\nA=1\n");
  const int dir_fd = ::open(dir_.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(dir_fd, 0);
  ASSERT_EQ(::flock(dir_fd, LOCK_EX), 0);
  cmn_SetStoreLockWaitForTest(50000);  // a wait on the directory would hang the test
  cmn_ConfigStoreC s("");
  ASSERT_EQ(s.AttachFile(ini_, "HKLM", kParent), RC_OK);
  EXPECT_EQ(s.WriteText(cmn_kHKLM, "Software\\Quillmarsh Corp\\Quillmarsh", "A", "2"), RC_OK);
  cmn_SetStoreLockWaitForTest(0);
  ::close(dir_fd);
  EXPECT_EQ(ReadFile(ini_), "[Quillmarsh]\nA=2\n");
}

// Temporaries of killed writers (own naming, older than the lock) are removed by the next
// writer; anything else stays.
TEST_F(ConfigStoreTest, NextWriterRemovesStaleTemporaries) {
  WriteFile(ini_, "[Quillmarsh]\nA=1\n");
  const std::string stale = dir_ + "/.quillmarsh.ini.0badf00d";
  const std::string other = dir_ + "/.quillmarsh.ini.notmine";
  const std::string foreign = dir_ + "/.other.ini.0badf00d";
  for (const auto& f : {stale, other, foreign}) WriteFile(f, std::string(58000, 'x'));
  cmn_ConfigStoreC s("");
  ASSERT_EQ(s.AttachFile(ini_, "HKLM", kParent), RC_OK);
  ASSERT_EQ(s.WriteText(cmn_kHKLM, "Software\\Quillmarsh Corp\\Quillmarsh", "A", "1"), RC_OK);
  EXPECT_TRUE(fs::exists(stale)) << "an unchanged write touches nothing";
  ASSERT_EQ(s.WriteText(cmn_kHKLM, "Software\\Quillmarsh Corp\\Quillmarsh", "A", "2"), RC_OK);
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_TRUE(fs::exists(other));
  EXPECT_TRUE(fs::exists(foreign));
}

// Ignored lines are collected once per process with file and line, for the program's log; a
// write into a missing directory fails naming the file and the reason first.
TEST_F(ConfigStoreTest, DiagnosticsNameFileAndLineOnce) {
  WriteFile(ini_, "[Quillmarsh]\nA=1\n[Broken\nB=2\n");
  cmn_ConfigStoreC s("");
  ASSERT_EQ(s.AttachFile(ini_, "HKLM", kParent), RC_OK);
  EXPECT_EQ(Read(s, "Software\\Quillmarsh Corp\\Quillmarsh", "A"), "1");
  auto d = s.TakeDiagnostics();
  ASSERT_EQ(d.size(), 2u);
  EXPECT_EQ(d[0].file, ini_);
  EXPECT_EQ(d[0].line, 3u);
  EXPECT_EQ(d[1].line, 4u);
  EXPECT_NE(d[0].text.find("line 3 of '" + ini_ + "'"), std::string::npos) << d[0].text;
  EXPECT_EQ(Read(s, "Software\\Quillmarsh Corp\\Quillmarsh", "A"), "1");
  EXPECT_TRUE(s.TakeDiagnostics().empty());

  const std::string missing = dir_ + "/data/etc/config.ini";
  ASSERT_EQ(s.AttachFile(missing, "HKLM", kParent), RC_OK);
  EXPECT_EQ(s.WriteText(cmn_kHKLM, kPolicyKey, "PolicyServerURL", "http://x/"),
            cmn_kRegWriteFailed);
  d = s.TakeDiagnostics();
  ASSERT_EQ(d.size(), 1u);
  EXPECT_EQ(d[0].text, "Cannot write '" + missing + "': its directory does not exist");
  EXPECT_FALSE(fs::exists(dir_ + "/data"));
}

// A refused user file is reported once with the rule's reason, like a refused attached file,
// and none of its values is read.
TEST_F(ConfigStoreTest, RefusedUserFileIsReportedOnceWithItsReason) {
  const struct {
    const char* plant;
    const char* reason;
  } cases[] = {{"world-writable", "(mode 0666)"}, {"fifo", "is a FIFO"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.plant);
    const std::string user = dir_ + "/" + c.plant + ".ini";
    if (std::string(c.plant) == "fifo") {
      ASSERT_EQ(::mkfifo(user.c_str(), 0600), 0);
    } else {
      WriteFile(user, "[Software\\Q]\nX=1\n");
      ASSERT_EQ(::chmod(user.c_str(), 0666), 0);
    }
    cmn_ConfigStoreC s(user);
    std::string text;
    EXPECT_NE(s.ReadText(cmn_kHKCU, "Software\\Q", "X", &text), RC_OK);
    EXPECT_NE(s.ReadText(cmn_kHKCU, "Software\\Q", "X", &text), RC_OK);
    const auto d = s.TakeDiagnostics();
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].severity, 3);
    EXPECT_NE(d[0].text.find("Refusing to use '" + user + "': "), std::string::npos) << d[0].text;
    EXPECT_NE(d[0].text.find(c.reason), std::string::npos) << d[0].text;
  }
}

// Another process's change is seen at the next operation, whether the file was rewritten in
// place or replaced by a rename.
TEST_F(ConfigStoreTest, ChangesByOthersAreSeen) {
  WriteFile(ini_, "[Quillmarsh]\nA=1\n");
  cmn_ConfigStoreC s("");
  ASSERT_EQ(s.AttachFile(ini_, "HKLM", kParent), RC_OK);
  const std::string key = "Software\\Quillmarsh Corp\\Quillmarsh";
  EXPECT_EQ(Read(s, key, "A"), "1");
  {
    std::ofstream in_place(ini_, std::ios::binary | std::ios::trunc);
    in_place << "[Quillmarsh]\nA=22\n";
  }
  EXPECT_EQ(Read(s, key, "A"), "22");
  WriteFile(dir_ + "/replacement", "[Quillmarsh]\nA=3\n");
  fs::rename(dir_ + "/replacement", ini_);
  EXPECT_EQ(Read(s, key, "A"), "3");
  fs::remove(ini_);
  EXPECT_NE(Read(s, key, "A"), "3");
}

// A change made between the attachment (which reads the file and keeps its descriptor) and the
// first read is seen by that read, also when both happen in one read scope, and a change made
// inside a scope after its first read is seen once the scope ends. The file is larger than any
// fixed read buffer, so a short read would show.
TEST_F(ConfigStoreTest, ChangesAfterTheAttachmentAreSeen) {
  const std::string key = "Software\\Quillmarsh Corp\\Quillmarsh";
  const std::string padding = "; " + std::string(100000, 'x') + "\n";
  struct Case {
    const char* name;
    bool exists_at_attach;
    std::function<void(const std::string& ini, const std::string& dir)> change;
  };
  const std::vector<Case> cases = {
      {"rewritten_in_place", true,
       [](const std::string& ini, const std::string&) {
         std::ofstream(ini, std::ios::binary | std::ios::trunc) << "[Quillmarsh]\nA=new\n";
       }},
      {"replaced_by_rename", true,
       [](const std::string& ini, const std::string& dir) {
         WriteFile(dir + "/next", "[Quillmarsh]\nA=new\n");
         fs::rename(dir + "/next", ini);
       }},
      {"created_after_attach", false,
       [](const std::string& ini, const std::string&) { WriteFile(ini, "[Quillmarsh]\nA=new\n"); }},
  };
  for (const Case& c : cases) {
    for (bool scoped : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (scoped ? " in a read scope" : ""));
      fs::remove(ini_);
      if (c.exists_at_attach) WriteFile(ini_, padding + "[Quillmarsh]\nA=old\nB=" + padding);
      cmn_ConfigStoreC s("");
      {
        cmn_RegReadScopeC scope(scoped ? &s : nullptr);
        ASSERT_EQ(s.AttachFile(ini_, "HKLM", kParent), RC_OK);
        c.change(ini_, dir_);
        EXPECT_EQ(Read(s, key, "A"), "new");
        WriteFile(dir_ + "/later", "[Quillmarsh]\nA=later\n");
        fs::rename(dir_ + "/later", ini_);
        EXPECT_EQ(Read(s, key, "A"), scoped ? "new" : "later");
      }
      EXPECT_EQ(Read(s, key, "A"), "later");
    }
  }
}

}  // namespace
