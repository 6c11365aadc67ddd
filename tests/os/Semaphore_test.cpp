#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <thread>

#include "base/StringC.h"
#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_SafeOpen_posix.h"
#include "cmn/cmn_Services.h"
#include "os/File_posix.h"
#include "os/Semaphore_posix.h"
#include "os/SimpleSemaphoreC.h"
#include "os/StreamErrors.h"
#include "os/UNIXFileSimpleSemaphoreC.h"
#include "os/UNIXSimpleSemaphoreC.h"
#include "tests/os/OsTestSupport.h"
#include "tests/testing/StringHelpers.h"

namespace {

using qlmtest::S;

// A pair of pipes between the test and one child process, each direction carrying single
// bytes as signals.
class ChildC {
 public:
  // Forks a child that runs `body` with this object (for Tell and Await) and ends with its
  // result as exit status.
  explicit ChildC(const std::function<int(ChildC&)>& body) {
    EXPECT_EQ(::pipe(to_child_), 0);
    EXPECT_EQ(::pipe(to_parent_), 0);
    pid_ = ::fork();
    if (pid_ == 0) {
      child_side_ = true;
      ::_exit(body(*this));
    }
  }
  ~ChildC() {
    if (pid_ > 0 && !collected_) {
      ::kill(pid_, SIGKILL);
      (void)Status();
    }
    for (int fd : {to_child_[0], to_child_[1], to_parent_[0], to_parent_[1]}) ::close(fd);
  }
  pid_t Pid() const { return pid_; }
  // Sends one byte to the other side.
  void Tell(char c = 'x') { (void)!::write(child_side_ ? to_parent_[1] : to_child_[1], &c, 1); }
  // Waits for one byte from the other side; 0 when the other side is gone.
  char Await() {
    char c = 0;
    return ::read(child_side_ ? to_child_[0] : to_parent_[0], &c, 1) == 1 ? c : 0;
  }
  // The exit status, or 128 + the signal.
  int Status() {
    int status = 0;
    ::waitpid(pid_, &status, 0);
    collected_ = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

 private:
  int to_child_[2] = {-1, -1};
  int to_parent_[2] = {-1, -1};
  pid_t pid_ = -1;
  bool child_side_ = false;
  bool collected_ = false;
};

class FileSemaphoreTest : public os_test::TempDirTest {
 protected:
  std::string LockPath() const { return Path("policy.lock"); }
  StringC Name() const { return S(Path("policy")); }
  ino_t InodeOf(const std::string& path) const {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 ? st.st_ino : 0;
  }
  std::string Contents(const std::string& path) const {
    std::ifstream in(path);
    std::string text;
    std::getline(in, text);
    return text;
  }
};

}  // namespace

TEST_F(FileSemaphoreTest, FirstTakerWinsAndTheSecondNamesIt) {
  auto semaphore = SimpleSemaphoreC::Create(Name(), SimpleSemaphoreC::c_KindFile, 0, 1);
  EXPECT_EQ(semaphore->GetName().ToUtf8(), LockPath());
  ChildC holder([&](ChildC& self) {
    auto mine = SimpleSemaphoreC::Create(Name(), SimpleSemaphoreC::c_KindFile, 0, 1);
    if (mine->TryAcquire() != 1) return 1;
    self.Tell();
    self.Await();  // until told to release
    return mine->Release() == 1 ? 0 : 2;
  });
  ASSERT_EQ(holder.Await(), 'x');
  EXPECT_EQ(semaphore->TryAcquire(), 0);
  EXPECT_EQ(UNIXFileSimpleSemaphoreC::ReadHolderPid(S(LockPath())), holder.Pid());
  EXPECT_EQ(Contents(LockPath()), std::to_string(holder.Pid()));
  holder.Tell();
  EXPECT_EQ(holder.Status(), 0);
  EXPECT_FALSE(PathExists(LockPath()));  // removed by the release

  ASSERT_EQ(semaphore->TryAcquire(), 1);
  EXPECT_EQ(semaphore->TryAcquire(), 1);  // already held
  EXPECT_EQ(static_cast<UNIXFileSimpleSemaphoreC&>(*semaphore).ReadHolderPid(), ::getpid());
  ChildC refused([&](ChildC&) {
    auto other = SimpleSemaphoreC::Create(Name(), SimpleSemaphoreC::c_KindFile, 0, 1);
    return other->TryAcquire();
  });
  EXPECT_EQ(refused.Status(), 0);
  EXPECT_EQ(semaphore->Release(), 1);
  EXPECT_EQ(semaphore->Release(), 1);  // nothing held: nothing done
  EXPECT_FALSE(PathExists(LockPath()));
}

TEST_F(FileSemaphoreTest, HolderKilledWithoutReleaseFreesTheLock) {
  ChildC holder([&](ChildC& self) {
    UNIXFileSimpleSemaphoreC mine(Name(), 0, 1);
    if (mine.TryAcquire() != 1) return 1;
    self.Tell();
    for (;;) ::pause();
  });
  ASSERT_EQ(holder.Await(), 'x');
  const ino_t left_behind = InodeOf(LockPath());
  ASSERT_NE(left_behind, 0u);
  UNIXFileSimpleSemaphoreC semaphore(Name(), 0, 1);
  EXPECT_EQ(semaphore.TryAcquire(), 0);
  ::kill(holder.Pid(), SIGKILL);
  EXPECT_EQ(holder.Status(), 128 + SIGKILL);
  ASSERT_EQ(semaphore.TryAcquire(), 1);
  EXPECT_EQ(InodeOf(LockPath()), left_behind);  // the same file, reused
  EXPECT_EQ(semaphore.ReadHolderPid(), ::getpid());
  EXPECT_EQ(semaphore.Release(), 1);
}

TEST_F(FileSemaphoreTest, ClosingAnotherDescriptorKeepsTheLock) {
  UNIXFileSimpleSemaphoreC semaphore(Name(), 0, 1);
  ASSERT_EQ(semaphore.TryAcquire(), 1);
  // Another descriptor of the lock file, opened and closed by this process.
  int other = ::open(LockPath().c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(other, 0);
  ::close(other);
  ChildC contender([&](ChildC&) { return UNIXFileSimpleSemaphoreC(Name(), 0, 1).TryAcquire(); });
  EXPECT_EQ(contender.Status(), 0);
  // A second object in this process is refused too.
  UNIXFileSimpleSemaphoreC second(Name(), 0, 1);
  EXPECT_EQ(second.TryAcquire(), 0);
  EXPECT_EQ(semaphore.Release(), 1);
  EXPECT_EQ(second.TryAcquire(), 1);
  EXPECT_EQ(second.Release(), 1);
}

TEST_F(FileSemaphoreTest, WaiterStartsAgainOnAFreshFile) {
  UNIXFileSimpleSemaphoreC holder(Name(), 0, 1);
  ASSERT_EQ(holder.TryAcquire(), 1);
  const ino_t old_inode = InodeOf(LockPath());

  // One blocking lock step on the held file, from another thread.
  UNIXFileSimpleSemaphoreC waiter(Name(), 0, 1);
  RcT step = 0;
  std::thread thread([&] { step = waiter.LockStep(true); });
  // Release only once the waiter is queued for the lock of the old file.
  bool queued = false;
  for (int i = 0; i < 2000 && !queued; ++i) {
    std::ifstream locks("/proc/locks");
    for (std::string line; std::getline(locks, line);) {
      if (line.find("->") != std::string::npos &&
          line.find(":" + std::to_string(old_inode) + " ") != std::string::npos) {
        queued = true;
      }
    }
    if (!queued) ::usleep(5000);
  }
  ASSERT_TRUE(queued);
  EXPECT_EQ(holder.Release(), 1);
  thread.join();
  EXPECT_EQ(step, UNIXFileSimpleSemaphoreC::c_Replaced);
  EXPECT_FALSE(waiter.IsHeld());

  // Acquire goes on to a fresh file; a process holding it in between is waited for.
  ChildC other([&](ChildC& self) {
    UNIXFileSimpleSemaphoreC mine(Name(), 0, 1);
    if (mine.TryAcquire() != 1) return 1;
    self.Tell();
    ::usleep(200000);
    return mine.Release() == 1 ? 0 : 2;
  });
  ASSERT_EQ(other.Await(), 'x');
  ASSERT_EQ(waiter.Acquire(), 1);
  EXPECT_EQ(other.Status(), 0);
  struct stat held;
  ASSERT_EQ(::fstat(waiter.GetDescriptor(), &held), 0);
  EXPECT_EQ(held.st_ino, InodeOf(LockPath()));
  EXPECT_EQ(waiter.Release(), 1);
}

TEST_F(FileSemaphoreTest, LockFileIsCreatedWithMode0644) {
  const mode_t old_mask = ::umask(0);
  UNIXFileSimpleSemaphoreC semaphore(Name(), 0, 1);
  const int taken = semaphore.TryAcquire();
  ::umask(old_mask);
  ASSERT_EQ(taken, 1);
  struct stat st;
  ASSERT_EQ(::stat(LockPath().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0644u);
  EXPECT_EQ(semaphore.Release(), 1);
}

TEST_F(FileSemaphoreTest, PlantedSymbolicLinkIsRefused) {
  WriteFile("target", "precious");
  ASSERT_EQ(::symlink(Path("target").c_str(), LockPath().c_str()), 0);
  UNIXFileSimpleSemaphoreC semaphore(Name(), 0, 1);
  EXPECT_EQ(semaphore.LockStep(false), UNIXFileSimpleSemaphoreC::c_CannotOpen);
  EXPECT_EQ(semaphore.TryAcquire(), 0);
  EXPECT_EQ(semaphore.Acquire(), 0);
  EXPECT_EQ(ReadFile("target"), "precious");
  EXPECT_EQ(UNIXFileSimpleSemaphoreC::ReadHolderPid(S(LockPath())), 0);
  EXPECT_EQ(qlmtest::ErrorCodes().back(), cmn_kPathRefused);
  // The refusal is the lock's own sentence.
  const std::string said = "Refusing to use '" + LockPath() + "': it is a symbolic link";
  EXPECT_EQ(qlmtest::ErrorText(cmn_kPathRefused), said);

  // A dangling link is not followed to create its target either.
  ASSERT_EQ(::unlink(LockPath().c_str()), 0);
  ASSERT_EQ(::symlink(Path("created-through-link").c_str(), LockPath().c_str()), 0);
  getErrBuf()->Clear();
  EXPECT_EQ(semaphore.TryAcquire(), 0);
  EXPECT_FALSE(PathExists(Path("created-through-link")));
  EXPECT_EQ(qlmtest::ErrorText(cmn_kPathRefused), said);
}

// Only a lock another process holds counts as held; every other failure keeps its errno, so
// that the caller can say what went wrong instead of "already being applied".
TEST_F(FileSemaphoreTest, HeldAndFailedAreTold) {
  UNIXFileSimpleSemaphoreC mine(Name(), 0, 1);
  ChildC holder([&](ChildC& self) {
    UNIXFileSimpleSemaphoreC theirs(Name(), 0, 1);
    if (theirs.LockStep(false) != RC_OK) return 1;
    self.Tell();
    self.Await();
    return 0;
  });
  ASSERT_EQ(holder.Await(), 'x');
  EXPECT_EQ(mine.LockStep(false), UNIXFileSimpleSemaphoreC::c_Held);
  EXPECT_EQ(mine.LastError(), RC_OK);
  holder.Tell();
  EXPECT_EQ(holder.Status(), 0);

  UNIXFileSimpleSemaphoreC missing(S(Path("no/such/dir/policy")), 0, 1);
  EXPECT_EQ(missing.LockStep(false), UNIXFileSimpleSemaphoreC::c_CannotOpen);
  EXPECT_EQ(missing.LastError(), os_RcFromErrno(ENOENT));
  EXPECT_EQ(os_SystemWords(missing.LastError()), std::strerror(ENOENT));
}

TEST_F(FileSemaphoreTest, MissingDirectoryCannotBeOpened) {
  UNIXFileSimpleSemaphoreC semaphore(S(Path("no/such/dir/policy")), 0, 1);
  EXPECT_EQ(semaphore.LockStep(false), UNIXFileSimpleSemaphoreC::c_CannotOpen);
  EXPECT_EQ(semaphore.TryAcquire(), 0);
  EXPECT_EQ(semaphore.Release(), 1);
}

TEST_F(FileSemaphoreTest, ReleaseLeavesAFileThatIsNotTheOneHeld) {
  UNIXFileSimpleSemaphoreC semaphore(Name(), 0, 1);
  ASSERT_EQ(semaphore.TryAcquire(), 1);
  // Someone removes the file and another lock file takes the name.
  ASSERT_EQ(::unlink(LockPath().c_str()), 0);
  WriteFile("policy.lock", "4242\n");
  EXPECT_EQ(semaphore.Release(), 1);
  EXPECT_EQ(ReadFile("policy.lock"), "4242\n");
}

// --- System V ------------------------------------------------------------------------------

namespace {

class SystemVSemaphoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device random;
    name_ = S("qlm-test-" + std::to_string(::getpid()) + "-" + std::to_string(random()));
  }
  void TearDown() override {
    if (id_ >= 0) (void)os_SemRemove(id_);
  }
  StringC name_;
  int id_ = -1;
};

}  // namespace

TEST(SystemVKeyTest, HashesTheName) {
  EXPECT_EQ(UNIXSimpleSemaphoreC::KeyOf(S("a")), 97u * 31u + 97u);
  EXPECT_EQ(UNIXSimpleSemaphoreC::KeyOf(S("ab")), (97u * 31u + 97u) * 31u + 98u);
  // Unsigned 32-bit wrap-around.
  uint32_t key = 'x';
  for (int i = 0; i < 40; ++i) key = key * 31u + 'x';
  EXPECT_EQ(UNIXSimpleSemaphoreC::KeyOf(S(std::string(40, 'x'))), key);
  EXPECT_EQ(UNIXSimpleSemaphoreC::KeyOf(S("")), 0u);
}

TEST(SystemVKeyTest, PrivateKeyIsRefused) {
  getErrBuf()->Clear();
  UNIXSimpleSemaphoreC semaphore(S(""), 0, 0);
  EXPECT_EQ(semaphore.GetId(), -1);
  EXPECT_EQ(semaphore.TryAcquire(), 0);
  EXPECT_EQ(semaphore.Acquire(), 0);
  EXPECT_EQ(semaphore.Release(), 0);
  EXPECT_EQ(qlmtest::ErrorCodes(), (std::vector<uint32_t>{0xE0000016}));
}

TEST_F(SystemVSemaphoreTest, InitialCountZeroAdmitsOneHolder) {
  auto semaphore = SimpleSemaphoreC::Create(name_, SimpleSemaphoreC::c_KindSystemV, 0, 0);
  auto& sysv = static_cast<UNIXSimpleSemaphoreC&>(*semaphore);
  id_ = sysv.GetId();
  ASSERT_GE(id_, 0);
  int value = -1;
  ASSERT_EQ(os_SemGetValue(id_, &value), 0);
  EXPECT_EQ(value, 1);
  ASSERT_EQ(semaphore->TryAcquire(), 1);
  EXPECT_EQ(semaphore->TryAcquire(), 0);

  // Another process opens the same set and finds it taken until the holder releases it.
  ChildC other([&](ChildC& self) {
    UNIXSimpleSemaphoreC mine(name_, 0, 0);
    if (mine.GetId() != id_) return 1;
    if (mine.TryAcquire() != 0) return 2;
    self.Tell();
    if (mine.Acquire() != 1) return 3;  // waits for the release
    return 0;                           // ends holding it: the undo gives it back
  });
  ASSERT_EQ(other.Await(), 'x');
  EXPECT_EQ(semaphore->Release(), 1);
  EXPECT_EQ(other.Status(), 0);
  ASSERT_EQ(os_SemGetValue(id_, &value), 0);
  EXPECT_EQ(value, 1);
  EXPECT_EQ(semaphore->Acquire(), 1);
  EXPECT_EQ(semaphore->Release(), 1);
}

TEST_F(SystemVSemaphoreTest, HolderKilledGivesTheCountBack) {
  UNIXSimpleSemaphoreC semaphore(name_, 0, 0);
  id_ = semaphore.GetId();
  ASSERT_GE(id_, 0);
  ChildC holder([&](ChildC& self) {
    UNIXSimpleSemaphoreC mine(name_, 0, 0);
    if (mine.TryAcquire() != 1) return 1;
    self.Tell();
    for (;;) ::pause();
  });
  ASSERT_EQ(holder.Await(), 'x');
  EXPECT_EQ(semaphore.TryAcquire(), 0);
  ::kill(holder.Pid(), SIGKILL);
  EXPECT_EQ(holder.Status(), 128 + SIGKILL);
  EXPECT_EQ(semaphore.TryAcquire(), 1);
  EXPECT_EQ(semaphore.Release(), 1);
}

TEST_F(SystemVSemaphoreTest, SetFoundUninitialisedIsInitialisedByTheLateComer) {
  // A creator that died between creating and initialising: the value is 0 and no operation
  // was ever made. The next process initialises it after its looks.
  const uint32_t key = UNIXSimpleSemaphoreC::KeyOf(name_);
  ASSERT_EQ(os_SemCreateExclusive(key, &id_), 0);
  int64_t stamp = -1;
  ASSERT_EQ(os_SemLastOperationTime(id_, &stamp), 0);
  EXPECT_EQ(stamp, 0);
  UNIXSimpleSemaphoreC semaphore(name_, 2, 0);
  EXPECT_EQ(semaphore.GetId(), id_);
  int value = -1;
  ASSERT_EQ(os_SemGetValue(id_, &value), 0);
  EXPECT_EQ(value, 3);
}

// Record locks of open file descriptions have no deadlock detection: a blocking take of a
// lock file that the same thread already holds would wait for ever. It is refused as busy
// instead; the wait runs in a child (a copy of this thread) that an alarm ends, so that a hang
// shows as a failure. Another thread's wait is an ordinary wait (WaiterStartsAgainOnAFreshFile).
TEST_F(FileSemaphoreTest, SecondBlockingTakeInTheSameProcessIsBusy) {
  auto first = SimpleSemaphoreC::Create(Name(), SimpleSemaphoreC::c_KindFile, 0, 1);
  ASSERT_EQ(first->TryAcquire(), 1);
  ChildC waiter([&](ChildC&) {
    ::alarm(20);
    auto second = SimpleSemaphoreC::Create(Name(), SimpleSemaphoreC::c_KindFile, 0, 1);
    const int blocking = second->Acquire();
    const int trying = second->TryAcquire();
    return blocking == 0 && trying == 0 ? 0 : 1;
  });
  EXPECT_EQ(waiter.Status(), 0);

  // In this process too, and the lock is free again for a blocking take once released.
  auto second = SimpleSemaphoreC::Create(Name(), SimpleSemaphoreC::c_KindFile, 0, 1);
  EXPECT_EQ(first->Release(), 1);
  EXPECT_EQ(second->Acquire(), 1);
  EXPECT_EQ(first->TryAcquire(), 0);
  EXPECT_EQ(second->Release(), 1);
  EXPECT_EQ(first->Acquire(), 1);
  EXPECT_EQ(first->Release(), 1);
}
