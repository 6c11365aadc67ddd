// The system calls of the cross-process semaphores: lock files with open-file-description
// record locks, and System V semaphores.
//
// Functions return 0 on success or the errno value of the failure unless they say otherwise.
#ifndef QLM_OS_SEMAPHORE_POSIX_H_
#define QLM_OS_SEMAPHORE_POSIX_H_

#include <sys/types.h>

#include <cstdint>
#include <string>

#include "cmn/cmn_Result.h"
#include "cmn/cmn_UniqueFdC.h"

// --- Lock files ------------------------------------------------------------------------------

// An open lock file: the directory that holds it, its name there, and the file. While its
// lock is held, the file is listed among this process's held lock files (see os_LockFileLock);
// destroying the object takes it off the list before the file is closed.
struct os_LockFileS {
  os_LockFileS() = default;
  os_LockFileS(const os_LockFileS&) = delete;
  os_LockFileS& operator=(const os_LockFileS&) = delete;
  ~os_LockFileS();

  cmn_UniqueFdC dir;
  std::string leaf;
  cmn_UniqueFdC file;
  // Set while the lock is held: the file's device and inode as listed.
  bool listed = false;
  dev_t dev = 0;
  ino_t ino = 0;
  // The open file's device and inode, from the open's own check (they never change while
  // `file` stays open).
  bool file_known = false;
  dev_t file_dev = 0;
  ino_t file_ino = 0;
};

// Opens `path` write-only through the checked open of the common-services layer (never
// following a symbolic link as the last component; for root, no component another user could
// change), creating it with mode 0644 (less the umask) when missing. Returns 0, or the
// checked open's failure (cmn_kPathRefused, 0xE0000000 | errno).
[[nodiscard]] RcT os_LockFileOpen(const std::string& path, os_LockFileS* lock);
// Takes the exclusive whole-file lock of the open file description (it stays with this
// description: closing another descriptor of the file in this process does not drop it, and
// another open of the file in this process conflicts with it). Waits when `wait`; otherwise
// EAGAIN when another description holds it. Record locks of open file descriptions know no
// deadlock detection, so a wait for a lock that the calling thread already holds (through
// another lock file object) would never end: such a wait gives EAGAIN at once as well. A wait
// for a lock another thread of the process holds is an ordinary wait.
[[nodiscard]] int os_LockFileLock(os_LockFileS& lock, bool wait) noexcept;
// Gives the lock back: takes the file off the held list and closes it (the directory stays
// open). Returns the close's error.
[[nodiscard]] int os_LockFileClose(os_LockFileS& lock) noexcept;
// 0 when the name in the directory (not following a link) is still the open file; ESTALE when
// it names another file, or the error of looking (ENOENT: removed).
[[nodiscard]] int os_LockFileIsCurrent(const os_LockFileS& lock) noexcept;
// Replaces the file's contents by the calling process's id and a line feed.
[[nodiscard]] int os_LockFileWritePid(const os_LockFileS& lock) noexcept;
// Removes the name when it still names the open file (retrying EINTR).
[[nodiscard]] int os_LockFileRemove(const os_LockFileS& lock) noexcept;
// The process id written in the lock file `path` (read through the checked open), or 0 when
// the file is missing, unreadable or holds no number.
int32_t os_LockFileReadPid(const std::string& path);

// --- System V semaphores ---------------------------------------------------------------------

// semget(key, 1, IPC_CREAT | IPC_EXCL | 0666): EEXIST when the set exists.
[[nodiscard]] int os_SemCreateExclusive(uint32_t key, int* id) noexcept;
// semget(key, 1, 0666) of an existing set.
[[nodiscard]] int os_SemOpen(uint32_t key, int* id) noexcept;
// The time of the last semop (IPC_STAT), 0 when none was made yet.
[[nodiscard]] int os_SemLastOperationTime(int id, int64_t* time) noexcept;
// SETVAL.
[[nodiscard]] int os_SemSetValue(int id, int value) noexcept;
// GETVAL.
[[nodiscard]] int os_SemGetValue(int id, int* value) noexcept;
// One semop of `delta` on semaphore 0; with `undo` the kernel reverts it when the process
// ends; without `wait` EAGAIN instead of blocking. A blocking wait interrupted by a signal
// is resumed.
[[nodiscard]] int os_SemAdd(int id, int delta, bool undo, bool wait) noexcept;
// IPC_RMID: removes the set.
[[nodiscard]] int os_SemRemove(int id) noexcept;

#endif  // QLM_OS_SEMAPHORE_POSIX_H_
