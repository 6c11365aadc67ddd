#include "os/Semaphore_posix.h"

#include <fcntl.h>
#include <sys/ipc.h>
#include <sys/sem.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>

#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_SafeOpen_posix.h"
#include "cmn/cmn_Services.h"
#include "os/File_posix.h"

namespace {

int LastError() noexcept {
  return errno != 0 ? errno : EIO;
}

// The fourth argument of semctl.
union SemArgU {
  int val;
  struct semid_ds* buf;
  unsigned short* array;
};

void Unlist(os_LockFileS& lock) noexcept {
  if (!lock.listed) return;
  os_NoteLockReleased(&lock);
  lock.listed = false;
}

}  // namespace

os_LockFileS::~os_LockFileS() {
  Unlist(*this);
}

RcT os_LockFileOpen(const std::string& path, os_LockFileS* lock) {
  lock->file_known = false;
  if (RcT rc = cmn_SafeOpenParent(path, &lock->dir, &lock->leaf); rc != RC_OK) return rc;
  // A lock file is never a link: the holder removes it by name, and a waiter compares the name
  // with the file it locked, which a link would never match (it would retry for ever). The
  // open refuses a link itself (O_NOFOLLOW); the refusal then says it in the lock's words.
  cmn_ErrBufI* buf = getErrBuf();
  const uint64_t mark = buf != nullptr ? buf->Mark() : 0;
  struct stat st;
  const RcT rc = cmn_SafeOpenAt(lock->dir.Get(), lock->leaf, O_WRONLY | O_CREAT | O_NOFOLLOW, 0644,
                                &lock->file, path, &st);
  if (rc == RC_OK) {
    lock->file_known = true;
    lock->file_dev = st.st_dev;
    lock->file_ino = st.st_ino;
    return RC_OK;
  }
  if (rc == cmn_kPathRefused &&
      ::fstatat(lock->dir.Get(), lock->leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
      S_ISLNK(st.st_mode)) {
    if (buf != nullptr) {
      buf->Rollback(mark);
      buf->Add(cmn_kPathRefused, 4, "Refusing to use '" + path + "': it is a symbolic link");
    }
  }
  return rc;
}

int os_LockFileLock(os_LockFileS& lock, bool wait) noexcept {
  if (lock.listed) return 0;
  struct stat st;
  if (lock.file_known) {
    st.st_dev = lock.file_dev;
    st.st_ino = lock.file_ino;
  } else if (::fstat(lock.file.Get(), &st) != 0) {
    return LastError();
  }
  // This thread holds it through another open file description: its wait would never end.
  // (A holder on another thread of the process can give it back, so that wait is a wait.)
  if (wait && os_ThreadHoldsConflictingLock(st.st_dev, st.st_ino, true)) return EAGAIN;
  if (int err = os_LockWhole(lock.file.Get(), true, wait); err != 0) return err;
  lock.dev = st.st_dev;
  lock.ino = st.st_ino;
  os_NoteLockHeld(&lock, lock.dev, lock.ino, true);
  lock.listed = true;
  return 0;
}

int os_LockFileClose(os_LockFileS& lock) noexcept {
  Unlist(lock);
  lock.file_known = false;
  if (!lock.file.IsValid()) return 0;
  return os_Close(lock.file.Release());
}

int os_LockFileIsCurrent(const os_LockFileS& lock) noexcept {
  struct stat by_fd;
  struct stat by_name;
  if (lock.file_known && lock.file.IsValid()) {
    by_fd.st_dev = lock.file_dev;
    by_fd.st_ino = lock.file_ino;
  } else if (::fstat(lock.file.Get(), &by_fd) != 0) {
    return LastError();
  }
  if (::fstatat(lock.dir.Get(), lock.leaf.c_str(), &by_name, AT_SYMLINK_NOFOLLOW) != 0) {
    return LastError();
  }
  if (by_fd.st_dev != by_name.st_dev || by_fd.st_ino != by_name.st_ino) return ESTALE;
  return 0;
}

int os_LockFileWritePid(const os_LockFileS& lock) noexcept {
  char text[24];
  int n = std::snprintf(text, sizeof text, "%ld\n", static_cast<long>(::getpid()));
  size_t done = 0;
  while (done < static_cast<size_t>(n)) {
    ssize_t put = ::pwrite(lock.file.Get(), text + done, static_cast<size_t>(n) - done,
                           static_cast<off_t>(done));
    if (put < 0) {
      if (errno == EINTR) continue;
      return LastError();
    }
    done += static_cast<size_t>(put);
  }
  // Cut a longer earlier text after writing: truncating to 0 first makes ext4 flush the file
  // when it is closed.
  return os_Truncate(lock.file.Get(), n);
}

int os_LockFileRemove(const os_LockFileS& lock) noexcept {
  if (int err = os_LockFileIsCurrent(lock); err != 0) return err;
  while (::unlinkat(lock.dir.Get(), lock.leaf.c_str(), 0) != 0) {
    if (errno != EINTR) return LastError();
  }
  return 0;
}

int32_t os_LockFileReadPid(const std::string& path) {
  cmn_UniqueFdC fd;
  if (cmn_SafeOpen(path, O_RDONLY, 0, &fd) != RC_OK) return 0;
  char text[24];
  size_t got = 0;
  if (os_Read(fd.Get(), text, sizeof text - 1, &got) != 0) return 0;
  int64_t pid = 0;
  size_t i = 0;
  for (; i < got && text[i] >= '0' && text[i] <= '9' && pid <= INT32_MAX; ++i) {
    pid = pid * 10 + (text[i] - '0');
  }
  if (i == 0 || pid <= 0 || pid > INT32_MAX) return 0;
  return static_cast<int32_t>(pid);
}

int os_SemCreateExclusive(uint32_t key, int* id) noexcept {
  int got = ::semget(static_cast<key_t>(key), 1, IPC_CREAT | IPC_EXCL | 0666);
  if (got < 0) return LastError();
  *id = got;
  return 0;
}

int os_SemOpen(uint32_t key, int* id) noexcept {
  int got = ::semget(static_cast<key_t>(key), 1, 0666);
  if (got < 0) return LastError();
  *id = got;
  return 0;
}

int os_SemLastOperationTime(int id, int64_t* time) noexcept {
  struct semid_ds info;
  SemArgU arg;
  arg.buf = &info;
  if (::semctl(id, 0, IPC_STAT, arg) != 0) return LastError();
  *time = static_cast<int64_t>(info.sem_otime);
  return 0;
}

int os_SemSetValue(int id, int value) noexcept {
  SemArgU arg;
  arg.val = value;
  return ::semctl(id, 0, SETVAL, arg) == 0 ? 0 : LastError();
}

int os_SemGetValue(int id, int* value) noexcept {
  int got = ::semctl(id, 0, GETVAL);
  if (got < 0) return LastError();
  *value = got;
  return 0;
}

int os_SemAdd(int id, int delta, bool undo, bool wait) noexcept {
  struct sembuf op;
  op.sem_num = 0;
  op.sem_op = static_cast<short>(delta);
  op.sem_flg = static_cast<short>((undo ? SEM_UNDO : 0) | (wait ? 0 : IPC_NOWAIT));
  while (::semop(id, &op, 1) != 0) {
    if (errno != EINTR) return LastError();
  }
  return 0;
}

int os_SemRemove(int id) noexcept {
  return ::semctl(id, 0, IPC_RMID) == 0 ? 0 : LastError();
}
