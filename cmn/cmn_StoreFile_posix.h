// Durable, atomic access to the configuration store's files.
//
// A change goes: the edit is first tried on the file as it is, read without any lock; when it
// changes nothing, nothing else happens (no lock, no write, bytes, inode and mtime untouched).
// Otherwise: the writers' lock (below), safe open of the file, a re-read so another process's
// change is not lost, the edit again, a temporary file in the same directory (created
// exclusively, never through a symbolic link, with the file's mode and owner, or `create_mode`
// for a new file whatever the umask), fsync, rename over the file, fsync of the directory. A
// process killed at any moment leaves the old file or the new one, never a mix.
//
// The writers' lock is flock(2) on ".<name>.lock" beside the file, created 0600 by the
// writer (the file's owner, as only the owner can write the file) and opened through the
// safe-open rules, so no other user can open it to hold it. It stays put while the file is
// renamed over. A writer waits for it at most cmn_kStoreLockWaitMs; past that the write fails
// naming the file and the process holding the lock (its id is written into the lock file).
// While holding the lock a writer removes temporary files of its own naming
// (".<name>.XXXXXXXX") older than the moment it got the lock: only a writer holding the lock
// creates them, so their writers are dead.
#ifndef QLM_CMN_CMN_STOREFILE_POSIX_H_
#define QLM_CMN_CMN_STOREFILE_POSIX_H_

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>

#include "cmn/cmn_Result.h"

// How long a writer waits for another writer's lock, in milliseconds.
inline constexpr int cmn_kStoreLockWaitMs = 5000;
// The lock is held by another writer for longer than the bound.
inline constexpr RcT cmn_kStoreLockTimeout = 0xE1370073;

// Tests: the bound in milliseconds (<= 0 restores cmn_kStoreLockWaitMs).
void cmn_SetStoreLockWaitForTest(int ms) noexcept;

// What identifies one version of a file.
struct cmn_FileStampS {
  bool exists = false;
  uint64_t dev = 0, ino = 0, size = 0;
  int64_t mtime_ns = 0, ctime_ns = 0;
  bool operator==(const cmn_FileStampS&) const = default;
};

// The stamp of the file open at `fd`; `exists` is false when the file has no name any more
// (replaced by a rename or removed), so the caller reads the path again.
[[nodiscard]] RcT cmn_StampOpenStoreFile(int fd, cmn_FileStampS* stamp);

// The stamp of `path` without opening it (a missing file gives exists=false and RC_OK).
[[nodiscard]] RcT cmn_StampStoreFile(const std::string& path, cmn_FileStampS* stamp);

// Reads the whole file through the safe-open rules. A missing file gives RC_OK, exists=false
// and empty content. With `keep_fd`, the open descriptor is handed over (-1 when missing) so
// that later checks can fstat it instead of resolving the path again.
[[nodiscard]] RcT cmn_ReadStoreFile(const std::string& path, std::string* content,
                                    cmn_FileStampS* stamp, int* keep_fd = nullptr);

// Changes the file durably. `edit` gets the current content (empty for a new file) and returns
// true when it changed it; when it returns false nothing is written. It may be called twice
// (before and under the lock) and must depend on the text only. `create_mode` is the mode of a
// new file; with `dir_mode` != 0, missing directories on the path are made with that mode
// (whatever the umask). On success *stamp and *content (either may be null) describe the file
// as it now is and *written tells whether it was replaced. On failure *error (when not null)
// names the file first and then the reason.
[[nodiscard]] RcT cmn_EditStoreFile(const std::string& path, mode_t create_mode, mode_t dir_mode,
                                    const std::function<bool(std::string* content)>& edit,
                                    cmn_FileStampS* stamp, std::string* content,
                                    bool* written = nullptr, std::string* error = nullptr);

#endif  // QLM_CMN_CMN_STOREFILE_POSIX_H_
