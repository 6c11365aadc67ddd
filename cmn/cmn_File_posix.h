// The system calls of the common-services layer: the descriptors behind the tracer's output and
// the catalog reader. Every function keeps errno as the failing call left it.
#ifndef QLM_CMN_CMN_FILE_POSIX_H_
#define QLM_CMN_CMN_FILE_POSIX_H_

#include <cstddef>
#include <cstdint>

// Opens `path` for appending (write-only, O_APPEND | O_CLOEXEC | O_NOFOLLOW), creating it with
// mode 0600 when absent. A symbolic link as the last component is refused. Returns the
// descriptor, or -1.
[[nodiscard]] int cmn_OpenAppend(const char* path) noexcept;

// Opens the regular file `path` read-only (O_CLOEXEC). Anything else (directory, FIFO, device)
// is refused with -1 and errno EINVAL; opening never blocks on a FIFO. On success `*size` holds
// the file size in bytes at the time of the open.
[[nodiscard]] int cmn_OpenRegularRead(const char* path, uint64_t* size) noexcept;

// Closes `fd` when it is not negative. EINTR is not retried (the descriptor is gone either way).
void cmn_Close(int fd) noexcept;

// Writes all `count` bytes, retrying on EINTR and continuing after a short write. True when
// every byte was written.
[[nodiscard]] bool cmn_WriteAll(int fd, const void* data, size_t count) noexcept;

// Reads up to `count` bytes at `offset` without moving the file position, retrying on EINTR
// and continuing after a short read until end of file. Returns the number of bytes read (less
// than `count` only at end of file), or -1 on an error.
[[nodiscard]] long long cmn_PreadAll(int fd, void* buffer, size_t count, uint64_t offset) noexcept;

// The process id and the kernel id of the calling thread.
[[nodiscard]] long cmn_ProcessId() noexcept;
[[nodiscard]] long cmn_ThreadId() noexcept;

#endif  // QLM_CMN_CMN_FILE_POSIX_H_
