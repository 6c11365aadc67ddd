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

#include "cmn/cmn_UniqueFdC.h"

// The current time as local broken-down time.
void log_LocalTime(struct tm* out) noexcept;
// The process id; read from the system once per process (a fork() makes the child read its
// own).
uint64_t log_ProcessId() noexcept;
// The process's user and system processor times in milliseconds (0 when unknown).
void log_ProcessTimes(uint64_t* user_ms, uint64_t* system_ms) noexcept;
// strftime into `buffer` of `size` bytes; "" when the result does not fit.
size_t log_FormatTime(char* buffer, size_t size, const char* format,
                      const struct tm* time) noexcept;

// Takes an exclusive flock on the open directory `dir_fd`, waiting for other processes to
// drop theirs (the lock goes with the descriptor's open file description, i.e. when `dir_fd`
// is closed).
[[nodiscard]] int log_LockDirectory(int dir_fd) noexcept;
// The size of the regular file open as `fd`.
[[nodiscard]] int log_FileSize(int fd, int64_t* size) noexcept;
// renameat(2): atomically gives `from_leaf` in `from_dir` the name `to_leaf` in `to_dir`,
// replacing what was there (a symbolic link there is replaced, never followed).
[[nodiscard]] int log_RenameAt(int from_dir, const std::string& from_leaf, int to_dir,
                               const std::string& to_leaf) noexcept;

// dlopen(name, RTLD_NOW | RTLD_GLOBAL); null when the library does not load.
void* log_LoadLibrary(const char* name) noexcept;
// dlsym; null when the library does not define `symbol`.
void* log_FindSymbol(void* library, const char* symbol) noexcept;
// dlclose.
void log_UnloadLibrary(void* library) noexcept;

#endif  // QLM_LOG_LOG_LOGSYSTEM_POSIX_H_
