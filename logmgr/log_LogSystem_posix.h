// The system calls of the log manager and its loggers: clock and process times, the
// directory lock and the renaming of the log file, and the loading of log modules.
//
// Functions returning int give 0 or the errno value of the failure; none reports into the
// error buffer (logging is silent about its own failures).
#ifndef QLM_LOG_LOG_LOGSYSTEM_POSIX_H_
#define QLM_LOG_LOG_LOGSYSTEM_POSIX_H_

#include <cstdint>
#include <ctime>
#include <string>

struct stat;

#include "cmn/cmn_UniqueFdC.h"

// The current time as local broken-down time.
void log_LocalTime(struct tm* out) noexcept;
// A monotonic clock in microseconds (read through the vDSO, no system call).
int64_t log_MonotonicMicros() noexcept;
// The process id; read from the system once per process (a fork() makes the child read its
// own).
uint64_t log_ProcessId() noexcept;
// The process's user and system processor times in milliseconds (0 when unknown).
void log_ProcessTimes(uint64_t* user_ms, uint64_t* system_ms) noexcept;
// strftime into `buffer` of `size` bytes; "" when the result does not fit.
size_t log_FormatTime(char* buffer, size_t size, const char* format,
                      const struct tm* time) noexcept;

// Takes an exclusive flock on the open directory `dir_fd`, waiting at most `timeout_ms` for
// other processes to drop theirs (ETIMEDOUT then). The lock goes with the descriptor's open
// file description, i.e. when `dir_fd` is closed or log_UnlockDirectory is called.
[[nodiscard]] int log_LockDirectory(int dir_fd, int timeout_ms) noexcept;
// The size of the regular file open as `fd`.
[[nodiscard]] int log_FileSize(int fd, int64_t* size) noexcept;
// renameat(2): atomically gives `from_leaf` in `from_dir` the name `to_leaf` in `to_dir`,
// replacing what was there (a symbolic link there is replaced, never followed).
[[nodiscard]] int log_RenameAt(int from_dir, const std::string& from_leaf, int to_dir,
                               const std::string& to_leaf) noexcept;

// Drops the flock taken by log_LockDirectory.
void log_UnlockDirectory(int dir_fd) noexcept;

// Device and inode of an open file, and of `leaf` in `dir_fd` (the entry itself, a symbolic
// link is not followed). ENOENT when the name is gone.
struct log_FileIdS {
  uint64_t device = 0;
  uint64_t inode = 0;
  bool operator==(const log_FileIdS&) const = default;
};
[[nodiscard]] int log_IdentityOf(int fd, log_FileIdS* id) noexcept;
[[nodiscard]] int log_IdentityAt(int dir_fd, const std::string& leaf, log_FileIdS* id) noexcept;

// One write(2) of `length` bytes, repeated only after EINTR: *written receives what reached
// the file (also on failure). Returns 0 when all of it did, else the errno of the write that
// stopped short (ENOSPC for a short write without an error).
[[nodiscard]] int log_WriteSome(int fd, const char* data, size_t length, size_t* written) noexcept;
// The last byte of the file open as `fd` (which must be readable); *empty is set for an empty
// file.
// `*quiet_ms`, when given, receives the milliseconds since the file was last modified.
[[nodiscard]] int log_LastByte(int fd, char* byte, bool* empty,
                               int64_t* quiet_ms = nullptr) noexcept;
// What the logger learns of a file it opened from the status the safe open took: no further
// fstat(2) is needed to adopt it.
struct log_OpenedS {
  log_FileIdS id;
  int64_t size = 0;
  int64_t mtime_s = 0;
  int64_t mtime_ns = 0;
};
void log_OpenedFrom(const struct stat& st, log_OpenedS* opened) noexcept;
// log_LastByte of a file whose status `opened` gives.
[[nodiscard]] int log_LastByteOf(int fd, const log_OpenedS& opened, char* byte, bool* empty,
                                 int64_t* quiet_ms = nullptr) noexcept;
// Copies the whole file open as `from` (readable) to `to` from offset 0, then truncates `to`
// to what was copied.
[[nodiscard]] int log_CopyFile(int from, int to) noexcept;
// Removes the last `length` bytes of the file open as `fd` when they are exactly `tail` (a
// line this process cut short and nobody appended to since). 0 when removed; otherwise the
// file is left alone (EBADF when it cannot be read, ESTALE when its end is not `tail`).
[[nodiscard]] int log_CutTail(int fd, const char* tail, size_t length, bool readable) noexcept;
// ftruncate(fd, 0).
[[nodiscard]] int log_Truncate(int fd) noexcept;
// fchmod: gives a file this process just created its exact mode, whatever the umask.
[[nodiscard]] int log_SetMode(int fd, unsigned mode) noexcept;
// Creates the directory `path` and its missing parents, each new one with exactly `mode`
// (whatever the umask). Existing directories are left as they are.
[[nodiscard]] int log_MakeDirectories(const std::string& path, unsigned mode) noexcept;

// The home directory of the effective user in the password database ("" when unknown).
std::string log_UserHome();
// True when the process runs as root (effective user 0): its files are the machine's.
bool log_IsMachineRun() noexcept;
// Writes "<program>: <text>\n" to standard error in one write(2); errors are ignored.
void log_TellStderr(const std::string& text) noexcept;
// strerror_r as a string.
std::string log_ErrnoText(int err);

// dlopen(name, RTLD_NOW | RTLD_GLOBAL); null when the library does not load.
void* log_LoadLibrary(const char* name) noexcept;
// dlsym; null when the library does not define `symbol`.
void* log_FindSymbol(void* library, const char* symbol) noexcept;
// dlclose.
void log_UnloadLibrary(void* library) noexcept;

#endif  // QLM_LOG_LOG_LOGSYSTEM_POSIX_H_
