#include "cmn/cmn_File_posix.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <limits>

int cmn_OpenAppend(const char* path) noexcept {
  int fd;
  do {
    fd = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

int cmn_OpenRegularRead(const char* path, uint64_t* size) noexcept {
  // O_NONBLOCK keeps the open of a FIFO from waiting for a writer; it has no effect on the
  // reads of a regular file, which is all that is accepted below.
  int fd;
  do {
    fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return -1;
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    int err = errno;
    ::close(fd);
    errno = err;
    return -1;
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    errno = EINVAL;
    return -1;
  }
  *size = static_cast<uint64_t>(st.st_size);
  return fd;
}

void cmn_Close(int fd) noexcept {
  if (fd >= 0) ::close(fd);
}

bool cmn_WriteAll(int fd, const void* data, size_t count) noexcept {
  const char* p = static_cast<const char*>(data);
  while (count > 0) {
    ssize_t n = ::write(fd, p, count);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return false;
    p += n;
    count -= static_cast<size_t>(n);
  }
  return true;
}

long long cmn_PreadAll(int fd, void* buffer, size_t count, uint64_t offset) noexcept {
  char* p = static_cast<char*>(buffer);
  size_t done = 0;
  while (done < count) {
    uint64_t at = offset + done;
    if (at < offset || at > static_cast<uint64_t>(std::numeric_limits<off_t>::max())) {
      errno = EOVERFLOW;
      return -1;
    }
    ssize_t n = ::pread(fd, p + done, count - done, static_cast<off_t>(at));
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;  // end of file
    done += static_cast<size_t>(n);
  }
  return static_cast<long long>(done);
}

long cmn_ProcessId() noexcept {
  return static_cast<long>(::getpid());
}

long cmn_ThreadId() noexcept {
  return static_cast<long>(::syscall(SYS_gettid));
}
