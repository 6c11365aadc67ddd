// The system calls of the file and stream classes of the os layer.
//
// Every function returns 0 on success or the errno value of the failure (never -1), retries
// calls interrupted by a signal where that is safe, and opens every descriptor with
// O_CLOEXEC. Paths are the file system's byte form of a FileNameC (os_SystemPath). The errno
// value becomes a code through os_RcFromErrno (or os_ReportErrno) before it leaves the os
// layer; the few callers in other layers convert or test it on the spot.
#ifndef QLM_OS_FILE_POSIX_H_
#define QLM_OS_FILE_POSIX_H_

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/StringC.h"
#include "cmn/cmn_Result.h"
#include "cmn/cmn_UniqueFdC.h"

class FileNameC;

// The module's result code for an errno value: 0xE0000000 | (err & 0xFFFF). An errno of 0
// (a failure without a cause) gives 0x80000001, so a failure never reads as success.
[[nodiscard]] RcT os_RcFromErrno(int err) noexcept;

// The full text of `name` in the file system's byte form (the process's 8-bit system
// encoding; the lone surrogates U+DC80 to U+DCFF of os_NameFromSystemBytes become the bytes
// 0x80 to 0xFF again). EINVAL when the text holds a zero character, which the system would
// read as the end of the path; ENOENT for the empty relative name.
[[nodiscard]] int os_SystemPath(const FileNameC& name, std::string* path);

// A name read from the file system (a directory entry, a link's target, a working
// directory) as text that os_SystemPath turns back into exactly these bytes. With a UTF-8
// system encoding, each byte that is not part of a well-formed UTF-8 sequence (stray
// continuation bytes, overlong forms, encoded surrogates, values above U+10FFFF) becomes the
// lone surrogate U+DC80 to U+DCFF, which well-formed UTF-8 never holds; with Latin-1 every byte
// is its own character. So a name that is not valid UTF-8 still names its file.
StringC os_NameFromSystemBytes(std::string_view bytes);

// --- Descriptors ---------------------------------------------------------------------------

// Closes `fd` (not negative). EINTR is not retried: the descriptor is released either way, and
// closing again could hit a descriptor another thread has just been given.
int os_Close(int fd) noexcept;
// One read of at most `count` bytes; *got is 0 at the end of the file.
[[nodiscard]] int os_Read(int fd, void* buffer, size_t count, size_t* got) noexcept;
// Writes all `count` bytes, continuing after short writes.
[[nodiscard]] int os_WriteAll(int fd, const void* buffer, size_t count) noexcept;
// lseek; *position receives the new offset.
[[nodiscard]] int os_Seek(int fd, int64_t offset, int whence, int64_t* position) noexcept;
[[nodiscard]] int os_FileSize(int fd, int64_t* size) noexcept;
// fstat.
[[nodiscard]] int os_FileStat(int fd, struct stat* st) noexcept;
[[nodiscard]] int os_Truncate(int fd, int64_t length) noexcept;
// fsync; descriptors that cannot be synchronised (EINVAL, EROFS: special files) count as done.
[[nodiscard]] int os_Sync(int fd) noexcept;

// Whole-file record lock on `fd`: a write lock when `exclusive`, else a read lock. Waits for it
// when `wait`, else EAGAIN when another holder refuses it (EACCES is reported as EAGAIN).
// Locks belong to the open file description, so they exclude other opens of the same file in
// this process too, and closing some other descriptor of the file does not drop them.
[[nodiscard]] int os_LockWhole(int fd, bool exclusive, bool wait) noexcept;

// Whole-file locks held by the threads of this process, for refusing waits that could never
// end: record locks of open file descriptions know no deadlock detection, so a thread that
// waits for a lock conflicting with one it holds itself (through another open of the file)
// would wait for ever. Owners note a lock once it is theirs and drop the note before the
// descriptor is closed; `owner` identifies the note (the holding object).
void os_NoteLockHeld(const void* owner, dev_t dev, ino_t ino, bool exclusive);
void os_NoteLockReleased(const void* owner) noexcept;
// True when the calling thread holds a noted lock on the file that a lock of the asked kind
// would conflict with (either one exclusive).
[[nodiscard]] bool os_ThreadHoldsConflictingLock(dev_t dev, ino_t ino, bool exclusive) noexcept;

// True (0) when `fd` and the file now at `path` (following links) are the same file; ESTALE
// when they differ, or the error of stat.
[[nodiscard]] int os_SameFile(int fd, const std::string& path) noexcept;

// --- Paths ---------------------------------------------------------------------------------

[[nodiscard]] int os_Stat(const std::string& path, bool follow, struct stat* st) noexcept;
[[nodiscard]] int os_Access(const std::string& path, int mode) noexcept;
// Opens a regular file with `flags` | O_NONBLOCK | O_NOCTTY (so a FIFO swapped in cannot
// block) and closes it again: the answer to "may I read / write it".
[[nodiscard]] int os_TryOpen(const std::string& path, int flags) noexcept;
[[nodiscard]] int os_ReadLink(const std::string& path, std::string* target);
[[nodiscard]] int os_MakeDirectory(const std::string& path) noexcept;
[[nodiscard]] int os_RemoveDirectory(const std::string& path) noexcept;
// Removes a non-directory (a symbolic link itself, never its target).
[[nodiscard]] int os_Unlink(const std::string& path) noexcept;
[[nodiscard]] int os_Rename(const std::string& from, const std::string& to) noexcept;
[[nodiscard]] int os_ChangeDirectory(const std::string& path) noexcept;
[[nodiscard]] int os_GetCurrentDirectory(std::string* path);
// Sets the modification time to `seconds` and leaves the access time alone.
[[nodiscard]] int os_SetModificationTime(const std::string& path, int64_t seconds) noexcept;
// chmod of the file `path` names, following links.
[[nodiscard]] int os_ChangeMode(const std::string& path, mode_t mode) noexcept;
// chmod of `path` itself: a symbolic link is never followed (and refused with ELOOP).
[[nodiscard]] int os_ChangeModeNoFollow(const std::string& path, mode_t mode) noexcept;
// Gives `to` the mode, owner and group of `from` (through descriptors: fchown, then fchmod).
[[nodiscard]] int os_CopyAttributes(const std::string& from, const std::string& to) noexcept;
// Opens `path` with `flags`/`mode` and keeps the descriptor only when fstat of it and lstat of
// `path` show the same device and inode (no symbolic link, no swap); else ELOOP or ESTALE.
[[nodiscard]] int os_OpenVerified(const std::string& path, int flags, mode_t mode,
                                  cmn_UniqueFdC* fd) noexcept;
// Creates `path` exclusively (O_CREAT | O_EXCL | O_NOFOLLOW, mode 0666 less the umask).
[[nodiscard]] int os_CreateExclusive(const std::string& path, cmn_UniqueFdC* fd) noexcept;
// Creates the symbolic link `path` holding `target`.
[[nodiscard]] int os_MakeSymbolicLink(const std::string& target, const std::string& path) noexcept;
// The directory for temporary files: $TMPDIR when it names a writable directory, else
// "/tmp".
std::string os_TemporaryDirectory();

// Removes everything inside the directory `path` and, when `self`, the directory too, without
// ever following a symbolic link: each directory is opened with O_NOFOLLOW relative to its
// parent's descriptor, entries are examined with fstatat(AT_SYMLINK_NOFOLLOW) and removed with
// unlinkat, so a link planted in the tree is removed as a link and the walk never leaves the
// tree. With `force`, a directory whose entries cannot be removed or read is given owner
// read, write and search permission (through its own descriptor) and tried once more. The walk
// keeps one descriptor per level and uses no recursion. The first failure ends the walk.
[[nodiscard]] int os_RemoveTree(const std::string& path, bool self, bool force) noexcept;

// --- Relative to a directory descriptor ------------------------------------------------------
// `name` is one component in the directory `dirfd` (or a path relative to it; AT_FDCWD for
// the working directory).

// Opens the directory `name` for reading; `follow` false refuses a symbolic link (ELOOP) and
// anything not a directory (ENOTDIR).
[[nodiscard]] int os_OpenDirectoryAt(int dirfd, const std::string& name, bool follow,
                                     int* fd) noexcept;
// mkdirat, mode 0777 less the umask. Never follows a link at `name` (EEXIST).
[[nodiscard]] int os_MakeDirectoryAt(int dirfd, const std::string& name) noexcept;
[[nodiscard]] int os_ReadLinkAt(int dirfd, const std::string& name, std::string* target);
[[nodiscard]] int os_MakeSymbolicLinkAt(const std::string& target, int dirfd,
                                        const std::string& name) noexcept;
// Gives the file `name` owner write permission when its owner may read it (the read-only
// state cleared), through a descriptor of the name itself: a symbolic link is never followed
// (ELOOP). 0 when nothing needed changing.
[[nodiscard]] int os_AllowOwnerWriteAt(int dirfd, const std::string& name) noexcept;
// Whether the open directory `fd` is the directory with device `dev` and inode `ino`, or lies
// anywhere below it: walks ".." up to the root, comparing device and inode at every step.
[[nodiscard]] int os_IsWithin(int fd, dev_t dev, ino_t ino, bool* within) noexcept;

// Reads the entries of one directory ("." and ".." skipped), in the order the system gives.
class os_DirectoryReaderC {
 public:
  struct EntryS {
    std::string name;  // bytes of the file system
    int type = 0;      // a FileInfoC type, from lstat (links are not followed)
  };

  os_DirectoryReaderC() noexcept = default;
  // Opens the directory `dirfd` (AT_FDCWD for the working directory) / `path` without
  // following a link as the last component.
  [[nodiscard]] int Open(int dirfd, const std::string& path) noexcept;
  [[nodiscard]] int Open(const std::string& path) noexcept;
  // The next entry; *done is set at the end (entry untouched).
  [[nodiscard]] int Next(EntryS* entry, bool* done);
  // The descriptor of the open directory (for opening entries relative to it), or -1.
  int Fd() const noexcept;
  void Close() noexcept;

  os_DirectoryReaderC(os_DirectoryReaderC&& other) noexcept;
  os_DirectoryReaderC& operator=(os_DirectoryReaderC&& other) noexcept;
  os_DirectoryReaderC(const os_DirectoryReaderC&) = delete;
  os_DirectoryReaderC& operator=(const os_DirectoryReaderC&) = delete;
  ~os_DirectoryReaderC();

 private:
  void* dir_ = nullptr;  // DIR*
};

// The FileInfoC type code of a stat mode.
[[nodiscard]] int os_FileTypeOf(mode_t mode) noexcept;

#endif  // QLM_OS_FILE_POSIX_H_
