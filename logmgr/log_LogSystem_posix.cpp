#include "logmgr/log_LogSystem_posix.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <mutex>

#include "cmn/cmn_ErrMarkC.h"
#include "cmn/cmn_SafeOpen_posix.h"
#include "cmn/cmn_Services.h"

void log_LocalTime(struct tm* out) noexcept {
  const time_t now = ::time(nullptr);
  if (::localtime_r(&now, out) == nullptr) *out = tm{};
}

int64_t log_MonotonicMicros() noexcept {
  struct timespec now {};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

namespace {

// The process id, read once per process: a child made by fork() starts over with 0.
std::atomic<uint64_t> g_ProcessId{0};
std::once_flag g_AtForkOnce;

void ForgetProcessId() noexcept {
  g_ProcessId.store(0, std::memory_order_relaxed);
}

}  // namespace

uint64_t log_ProcessId() noexcept {
  uint64_t pid = g_ProcessId.load(std::memory_order_relaxed);
  if (pid != 0) return pid;
  // Without the handler a child re-reads the id on its first line only.
  std::call_once(g_AtForkOnce, [] { (void)::pthread_atfork(nullptr, nullptr, &ForgetProcessId); });
  pid = static_cast<uint64_t>(::getpid());
  g_ProcessId.store(pid, std::memory_order_relaxed);
  return pid;
}

void log_ProcessTimes(uint64_t* user_ms, uint64_t* system_ms) noexcept {
  struct rusage usage {};
  if (::getrusage(RUSAGE_SELF, &usage) != 0) {
    *user_ms = *system_ms = 0;
    return;
  }
  *user_ms = static_cast<uint64_t>(usage.ru_utime.tv_sec) * 1000u +
             static_cast<uint64_t>(usage.ru_utime.tv_usec) / 1000u;
  *system_ms = static_cast<uint64_t>(usage.ru_stime.tv_sec) * 1000u +
               static_cast<uint64_t>(usage.ru_stime.tv_usec) / 1000u;
}

size_t log_FormatTime(char* buffer, size_t size, const char* format,
                      const struct tm* time) noexcept {
  if (size == 0) return 0;
  const size_t n = ::strftime(buffer, size, format, time);
  if (n == 0) buffer[0] = '\0';
  return n;
}

int log_LockDirectory(int dir_fd, int timeout_ms) noexcept {
  // Any user who can open the directory can flock it, so the wait is bounded: a lock held
  // longer than the bound costs the holder's victim the move aside, never the log.
  constexpr int kStepMs = 10;
  for (int waited = 0;; waited += kStepMs) {
    if (::flock(dir_fd, LOCK_EX | LOCK_NB) == 0) return 0;
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK) return errno;
    if (waited >= timeout_ms) return ETIMEDOUT;
    struct timespec step = {0, kStepMs * 1000000L};
    // An interrupted step only shortens the wait; the loop checks the time.
    (void)::nanosleep(&step, nullptr);
  }
}

void log_UnlockDirectory(int dir_fd) noexcept {
  // The lock goes with the descriptor anyway.
  (void)::flock(dir_fd, LOCK_UN);
}

int log_IdentityOf(int fd, log_FileIdS* id) noexcept {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return errno;
  id->device = static_cast<uint64_t>(st.st_dev);
  id->inode = static_cast<uint64_t>(st.st_ino);
  return 0;
}

int log_IdentityAt(int dir_fd, const std::string& leaf, log_FileIdS* id) noexcept {
  struct stat st {};
  if (::fstatat(dir_fd, leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return errno;
  id->device = static_cast<uint64_t>(st.st_dev);
  id->inode = static_cast<uint64_t>(st.st_ino);
  return 0;
}

int log_WriteSome(int fd, const char* data, size_t length, size_t* written) noexcept {
  *written = 0;
  while (*written < length) {
    const ssize_t n = ::write(fd, data + *written, length - *written);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return ENOSPC;
    *written += static_cast<size_t>(n);
    // A short write is followed by one more, which says why (ENOSPC, EFBIG, EDQUOT).
  }
  return 0;
}

int log_LastByte(int fd, char* byte, bool* empty, int64_t* quiet_ms) noexcept {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return errno;
  log_OpenedS opened;
  log_OpenedFrom(st, &opened);
  return log_LastByteOf(fd, opened, byte, empty, quiet_ms);
}

void log_OpenedFrom(const struct stat& st, log_OpenedS* opened) noexcept {
  opened->id.device = static_cast<uint64_t>(st.st_dev);
  opened->id.inode = static_cast<uint64_t>(st.st_ino);
  opened->size = static_cast<int64_t>(st.st_size);
  opened->mtime_s = static_cast<int64_t>(st.st_mtim.tv_sec);
  opened->mtime_ns = static_cast<int64_t>(st.st_mtim.tv_nsec);
}

int log_LastByteOf(int fd, const log_OpenedS& opened, char* byte, bool* empty,
                   int64_t* quiet_ms) noexcept {
  if (quiet_ms != nullptr) {
    struct timespec now {};
    // CLOCK_REALTIME is always there.
    (void)::clock_gettime(CLOCK_REALTIME, &now);
    *quiet_ms = (static_cast<int64_t>(now.tv_sec) - opened.mtime_s) * 1000 +
                (static_cast<int64_t>(now.tv_nsec) - opened.mtime_ns) / 1000000;
  }
  *empty = opened.size == 0;
  if (*empty) return 0;
  ssize_t n;
  do {
    n = ::pread(fd, byte, 1, opened.size - 1);
  } while (n < 0 && errno == EINTR);
  if (n < 0) return errno;
  if (n == 0) *empty = true;  // truncated meanwhile
  return 0;
}

int log_CopyFile(int from, int to) noexcept {
  char buffer[65536];
  off_t offset = 0;
  for (;;) {
    ssize_t n;
    do {
      n = ::pread(from, buffer, sizeof buffer, offset);
    } while (n < 0 && errno == EINTR);
    if (n < 0) return errno;
    if (n == 0) break;
    ssize_t done = 0;
    while (done < n) {
      const ssize_t w = ::pwrite(to, buffer + done, static_cast<size_t>(n - done), offset + done);
      if (w < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      if (w == 0) return ENOSPC;
      done += w;
    }
    offset += n;
  }
  if (::ftruncate(to, offset) != 0) return errno;
  if (::fsync(to) != 0) return errno;
  return 0;
}

int log_CutTail(int fd, const char* tail, size_t length, bool readable) noexcept {
  if (!readable) return EBADF;
  struct stat st {};
  if (::fstat(fd, &st) != 0) return errno;
  if (static_cast<uint64_t>(st.st_size) < length || length > 65536) return ESTALE;
  const off_t start = st.st_size - static_cast<off_t>(length);
  char buffer[4096];
  for (size_t done = 0; done < length;) {
    const size_t chunk = length - done < sizeof buffer ? length - done : sizeof buffer;
    const ssize_t n = ::pread(fd, buffer, chunk, start + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? errno : ESTALE;
    if (std::memcmp(buffer, tail + done, static_cast<size_t>(n)) != 0) return ESTALE;
    done += static_cast<size_t>(n);
  }
  return ::ftruncate(fd, start) == 0 ? 0 : errno;
}

int log_Truncate(int fd) noexcept {
  return ::ftruncate(fd, 0) == 0 ? 0 : errno;
}

int log_SetMode(int fd, unsigned mode) noexcept {
  return ::fchmod(fd, static_cast<mode_t>(mode)) == 0 ? 0 : errno;
}

int log_MakeDirectories(const std::string& path, unsigned mode) noexcept {
  if (path.empty()) return EINVAL;
  // Through the one trust rule: existing components must pass it, and a link planted on the
  // way never makes us create a directory somewhere else. The opening that follows reports a
  // refusal itself, so this attempt leaves nothing in the error buffer.
  cmn_ErrMarkC mark;
  const RcT rc = cmn_SafeMakeDirectories(path, static_cast<mode_t>(mode), nullptr);
  mark.Rollback();
  return rc == RC_OK ? 0 : EACCES;
}

std::string log_UserHome() {
  struct passwd entry {};
  struct passwd* found = nullptr;
  char buffer[4096];
  if (::getpwuid_r(::geteuid(), &entry, buffer, sizeof buffer, &found) != 0 || found == nullptr ||
      found->pw_dir == nullptr) {
    return {};
  }
  return found->pw_dir;
}

bool log_IsMachineRun() noexcept {
  return ::geteuid() == 0;
}

void log_TellStderr(const std::string& text) noexcept {
  try {
    std::string line = program_invocation_short_name;
    line += ": ";
    line += text;
    line += '\n';
    size_t done = 0;
    while (done < line.size()) {
      const ssize_t n = ::write(2, line.data() + done, line.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return;
      done += static_cast<size_t>(n);
    }
  } catch (...) {
  }
}

std::string log_ErrnoText(int err) {
  char buffer[256];
  return ::strerror_r(err, buffer, sizeof buffer);
}

int log_FileSize(int fd, int64_t* size) noexcept {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return errno;
  *size = static_cast<int64_t>(st.st_size);
  return 0;
}

int log_RenameAt(int from_dir, const std::string& from_leaf, int to_dir,
                 const std::string& to_leaf) noexcept {
  return ::renameat(from_dir, from_leaf.c_str(), to_dir, to_leaf.c_str()) == 0 ? 0 : errno;
}

void* log_LoadLibrary(const char* name) noexcept {
  return ::dlopen(name, RTLD_NOW | RTLD_GLOBAL);
}

void* log_FindSymbol(void* library, const char* symbol) noexcept {
  return ::dlsym(library, symbol);
}

void log_UnloadLibrary(void* library) noexcept {
  if (library != nullptr) ::dlclose(library);
}
