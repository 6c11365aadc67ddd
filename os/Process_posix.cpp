#include "os/Process_posix.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

// Whether the child may borrow the parent's memory until it execs (vfork). The sanitizers
// keep their own books about the stack and threads of the process, which a child running on
// the parent's stack would leave wrong; their builds copy the process (fork) instead.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define QLM_CHILD_BORROWS_MEMORY 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || \
    __has_feature(memory_sanitizer)
#define QLM_CHILD_BORROWS_MEMORY 0
#endif
#endif
#ifndef QLM_CHILD_BORROWS_MEMORY
#define QLM_CHILD_BORROWS_MEMORY 1
#endif

namespace {

// Test switches for the fallbacks of older kernels (see os_ProcessTestFallbacks).
std::atomic<bool> g_no_close_range{false};
std::atomic<bool> g_no_process_fd{false};

int LastError() noexcept {
  return errno != 0 ? errno : EIO;
}

// --- Child side: async-signal-safe calls only from here to the exec ------------------------

// Writes `err` to the error pipe and ends the child without running the parent's exit
// handlers or flushing its copies of the parent's stdio buffers.
[[noreturn]] void ChildFail(int error_fd, int err) noexcept {
  ssize_t n;
  do {
    n = ::write(error_fd, &err, sizeof err);
  } while (n < 0 && errno == EINTR);
  ::_exit(1);
}

// The record layout of getdents64(2).
struct DirEntry64 {
  uint64_t d_ino;
  int64_t d_off;
  unsigned short d_reclen;
  unsigned char d_type;
  char d_name[1];
};

// Closes every descriptor listed in /proc/self/fd from `lowest` up. Reads the directory with
// the raw system call into a stack buffer (opendir would allocate). Closing while listing can
// make the kernel skip entries, so the listing is repeated until a pass closes nothing.
// Returns false when /proc cannot be read.
bool CloseFromProcList(int lowest) noexcept {
  int dir = ::open("/proc/self/fd", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return false;
  alignas(8) char buffer[4096];
  for (;;) {
    bool closed_any = false;
    if (::lseek(dir, 0, SEEK_SET) != 0) break;
    for (;;) {
      long got = ::syscall(SYS_getdents64, dir, buffer, sizeof buffer);
      if (got <= 0) break;
      for (long offset = 0; offset < got;) {
        const auto* entry = reinterpret_cast<const DirEntry64*>(buffer + offset);
        offset += entry->d_reclen;
        int fd = 0;
        bool number = entry->d_name[0] != '\0';
        for (const char* p = entry->d_name; *p != '\0'; ++p) {
          if (*p < '0' || *p > '9' || fd > 100000000) {
            number = false;
            break;
          }
          fd = fd * 10 + (*p - '0');
        }
        if (number && fd >= lowest && fd != dir) {
          ::close(fd);
          closed_any = true;
        }
      }
    }
    if (!closed_any) break;
  }
  ::close(dir);
  return true;
}

// Closes every descriptor from `lowest` up: close_range(2) where the kernel has it, else the
// /proc listing, else every number below the descriptor limit.
void CloseFrom(int lowest) noexcept {
#ifdef SYS_close_range
  if (!g_no_close_range.load(std::memory_order_relaxed) &&
      ::syscall(SYS_close_range, static_cast<unsigned>(lowest), ~0u, 0u) == 0) {
    return;
  }
#endif
  if (CloseFromProcList(lowest)) return;
  struct rlimit limit;
  rlim_t top = 65536;
  if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_max != RLIM_INFINITY) {
    top = limit.rlim_max;
  }
  if (top > (rlim_t{1} << 20)) top = rlim_t{1} << 20;
  for (rlim_t fd = static_cast<rlim_t>(lowest); fd < top; ++fd) ::close(static_cast<int>(fd));
}

// Gives each signal of the ignore mask the ignored disposition and puts every caught signal
// back to its default, so that none of the parent's handlers runs in the child once signals
// are unblocked (exec would reset them too, but only at the exec).
void PrepareSignals(uint64_t ignored) noexcept {
  for (int sig = 1; sig < NSIG; ++sig) {
    if (sig == SIGKILL || sig == SIGSTOP) continue;
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    sigemptyset(&action.sa_mask);
    if (sig <= 63 && ((ignored >> (sig - 1)) & 1u) != 0) {
      action.sa_handler = SIG_IGN;
      // Best effort in the child: a signal the C library reserves keeps its disposition.
      (void)::sigaction(sig, &action, nullptr);
      continue;
    }
    struct sigaction current;
    if (::sigaction(sig, nullptr, &current) != 0) continue;  // reserved by the C library
    if ((current.sa_flags & SA_SIGINFO) != 0 ||
        (current.sa_handler != SIG_IGN && current.sa_handler != SIG_DFL)) {
      action.sa_handler = SIG_DFL;
      // Best effort in the child: a signal the C library reserves keeps its disposition.
      (void)::sigaction(sig, &action, nullptr);
    }
  }
}

[[noreturn]] void ChildMain(const os_SpawnPlanS& plan, const sigset_t& original_mask) noexcept {
  int error_fd = plan.error_write_fd;
  if (plan.error_read_fd >= 0) ::close(plan.error_read_fd);
  if (plan.detach) {
    // The raw call, like fork without the C library's handlers; the grandchild gets a copy of
    // the memory, so it no longer borrows the parent's. Its parent ends at once, and the
    // system's reaper collects the grandchild.
    long grandchild = ::syscall(SYS_clone, static_cast<unsigned long>(SIGCHLD), 0L, 0L, 0L, 0L);
    if (grandchild < 0) ChildFail(error_fd, LastError());
    if (grandchild > 0) ::_exit(0);
  }

  // Move every source descriptor above 3 first, so that placing one on 0 to 3 can never
  // overwrite another that is still to be placed (a target may itself be 0 to 3).
  int moved_error = ::fcntl(error_fd, F_DUPFD_CLOEXEC, 4);
  if (moved_error < 0) ChildFail(error_fd, LastError());
  error_fd = moved_error;
  int moved[3] = {-1, -1, -1};
  for (int i = 0; i < 3; ++i) {
    if (plan.std_targets[i] == i) continue;
    moved[i] = ::fcntl(plan.std_targets[i], F_DUPFD_CLOEXEC, 4);
    if (moved[i] < 0) ChildFail(error_fd, LastError());
  }
  for (int i = 0; i < 3; ++i) {
    if (moved[i] >= 0) {
      if (::dup2(moved[i], i) < 0) ChildFail(error_fd, LastError());  // clears close-on-exec
    } else if (plan.std_explicit[i]) {
      if (::fcntl(i, F_SETFD, 0) != 0) ChildFail(error_fd, LastError());
    }
  }
  if (::dup2(error_fd, 3) < 0) ChildFail(error_fd, LastError());
  error_fd = 3;
  if (::fcntl(3, F_SETFD, FD_CLOEXEC) != 0) ChildFail(error_fd, LastError());

  PrepareSignals(plan.ignored_signals);
  CloseFrom(4);
  if (plan.new_process_group && ::setpgid(0, 0) != 0) ChildFail(error_fd, LastError());

  if (plan.working_directory != nullptr && ::chdir(plan.working_directory) != 0) {
    ChildFail(error_fd, LastError());
  }
  if (plan.switch_identity) {
    // The raw calls: the C library's wrappers would try to change the identity of every thread
    // they know of, and a child sharing the parent's memory sees the parent's threads.
    if (plan.drop_groups && ::syscall(SYS_setgroups, 1, &plan.gid) != 0) {
      ChildFail(error_fd, LastError());
    }
    if (::syscall(SYS_setgid, plan.gid) != 0) ChildFail(error_fd, LastError());
    if (::syscall(SYS_setuid, plan.uid) != 0) ChildFail(error_fd, LastError());
  }
  // Cannot fail with a valid set and SIG_SETMASK.
  (void)::sigprocmask(SIG_SETMASK, &original_mask, nullptr);

  // The search of execvp over the prepared candidates.
  int last_error = ENOENT;
  bool denied = false;
  for (const char* const* candidate = plan.candidates; *candidate != nullptr; ++candidate) {
    ::execve(*candidate, plan.argv, plan.envp);
    int err = LastError();
    if (err == ENOEXEC && plan.shell_argv != nullptr) {
      plan.shell_argv[1] = const_cast<char*>(*candidate);
      ::execve("/bin/sh", plan.shell_argv, plan.envp);
      ChildFail(error_fd, ENOEXEC);
    }
    switch (err) {
      case EACCES:
        denied = true;
        [[fallthrough]];
      case ENOENT:
      case ESTALE:
      case ENOTDIR:
      case ENODEV:
      case ETIMEDOUT:
        last_error = err;
        continue;
      default:
        ChildFail(error_fd, err);
    }
  }
  ChildFail(error_fd, denied ? EACCES : last_error);
}

}  // namespace

void os_ProcessTestFallbacks(bool no_close_range, bool no_process_fd) noexcept {
  g_no_close_range.store(no_close_range);
  g_no_process_fd.store(no_process_fd);
}

int os_ForkExec(const os_SpawnPlanS& plan, pid_t* pid) noexcept {
  sigset_t all;
  sigset_t original;
  sigfillset(&all);
  ::pthread_sigmask(SIG_SETMASK, &all, &original);
  // The child runs only ChildMain, which never returns: it execs or ends. Sharing the memory
  // saves copying the parent's page tables, the larger part of starting a short command.
#if QLM_CHILD_BORROWS_MEMORY
  pid_t child = ::vfork();
#else
  pid_t child = ::fork();
#endif
  if (child == 0) ChildMain(plan, original);
  int err = child < 0 ? LastError() : 0;
  // The parent sets the group too, so that it exists before anyone signals it even when the
  // child has not run yet (fork). After the exec this fails (EACCES), harmlessly.
  if (err == 0 && plan.new_process_group && !plan.detach)
    (void)::setpgid(child, child);  // the child sets it too; whichever runs first wins
  ::pthread_sigmask(SIG_SETMASK, &original, nullptr);
  if (err != 0) return err;
  *pid = child;
  return 0;
}

std::vector<std::string> os_ExecCandidates(const std::string& program, const char* path_value) {
  std::vector<std::string> candidates;
  if (program.empty()) return candidates;
  if (program.find('/') != std::string::npos) {
    candidates.push_back(program);
    return candidates;
  }
  std::string_view path = path_value != nullptr ? path_value : "/bin:/usr/bin";
  for (size_t start = 0;;) {
    size_t colon = path.find(':', start);
    std::string_view dir =
        path.substr(start, colon == std::string_view::npos ? colon : colon - start);
    std::string candidate(dir);
    if (!candidate.empty() && candidate.back() != '/') candidate.push_back('/');
    candidate += program;  // an empty entry is the working directory
    candidates.push_back(std::move(candidate));
    if (colon == std::string_view::npos) break;
    start = colon + 1;
  }
  return candidates;
}

int os_OpenFile(const std::string& path, int flags, mode_t mode, int* fd) noexcept {
  int got;
  do {
    got = ::open(path.c_str(), flags | O_CLOEXEC, mode);
  } while (got < 0 && errno == EINTR);
  if (got < 0) return LastError();
  *fd = got;
  return 0;
}

int os_MakePipe(int fds[2]) noexcept {
  if (::pipe2(fds, O_CLOEXEC) != 0) {
    fds[0] = fds[1] = -1;
    return LastError();
  }
  return 0;
}

int os_SetCloseOnExec(int fd, bool on) noexcept {
  int flags = ::fcntl(fd, F_GETFD);
  if (flags < 0) return LastError();
  int wanted = on ? (flags | FD_CLOEXEC) : (flags & ~FD_CLOEXEC);
  if (wanted != flags && ::fcntl(fd, F_SETFD, wanted) != 0) return LastError();
  return 0;
}

int os_SetNonBlocking(int fd) noexcept {
  int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0) return LastError();
  if ((flags & O_NONBLOCK) == 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) {
    return LastError();
  }
  return 0;
}

int os_WriteNoSigPipe(int fd, const void* buffer, size_t count, size_t* written) noexcept {
  *written = 0;
  sigset_t pipe_set;
  sigemptyset(&pipe_set);
  sigaddset(&pipe_set, SIGPIPE);
  // A SIGPIPE already pending belongs to someone else and must stay pending.
  sigset_t pending;
  sigemptyset(&pending);
  // Cannot fail with a valid set.
  (void)::sigpending(&pending);
  const bool was_pending = sigismember(&pending, SIGPIPE) == 1;
  sigset_t previous;
  ::pthread_sigmask(SIG_BLOCK, &pipe_set, &previous);
  ssize_t n;
  do {
    n = ::write(fd, buffer, count);
  } while (n < 0 && errno == EINTR);
  int err = n < 0 ? LastError() : 0;
  if (err == EPIPE && !was_pending) {
    struct timespec zero = {0, 0};
    while (::sigtimedwait(&pipe_set, nullptr, &zero) < 0 && errno == EINTR) {
    }
  }
  ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  if (err != 0) return err;
  *written = static_cast<size_t>(n);
  return 0;
}

int os_WaitReadable(int fd, int timeout_ms, bool* ready) noexcept {
  *ready = false;
  struct pollfd entry = {fd, POLLIN, 0};
  int n = ::poll(&entry, 1, timeout_ms);
  if (n < 0) return errno == EINTR ? 0 : LastError();
  *ready = n > 0;
  return 0;
}

int os_PollPipes(const int fds[3], const bool want_write[3], int timeout_ms,
                 bool ready[3]) noexcept {
  struct pollfd entries[3];
  int index[3];
  nfds_t used = 0;
  for (int i = 0; i < 3; ++i) {
    ready[i] = false;
    if (fds[i] < 0) continue;
    entries[used].fd = fds[i];
    entries[used].events = static_cast<short>(want_write[i] ? POLLOUT : POLLIN);
    entries[used].revents = 0;
    index[used] = i;
    ++used;
  }
  int n = ::poll(entries, used, timeout_ms);
  if (n < 0) return errno == EINTR ? 0 : LastError();
  for (nfds_t k = 0; k < used; ++k) {
    if (entries[k].revents != 0) ready[index[k]] = true;
  }
  return 0;
}

int os_OpenProcessFd(pid_t pid) noexcept {
#ifdef SYS_pidfd_open
  if (g_no_process_fd.load(std::memory_order_relaxed)) return -1;
  long fd = ::syscall(SYS_pidfd_open, pid, 0u);  // close-on-exec by definition
  return fd >= 0 ? static_cast<int>(fd) : -1;
#else
  (void)pid;
  return -1;
#endif
}

int os_WaitNoHang(pid_t pid, bool* done, int* status) noexcept {
  *done = false;
  for (;;) {
    int raw = 0;
    pid_t got = ::waitpid(pid, &raw, WNOHANG);
    if (got < 0) {
      if (errno == EINTR) continue;
      return LastError();
    }
    if (got == pid) {
      *done = true;
      *status = raw;
    }
    return 0;
  }
}

int os_WaitBlocking(pid_t pid, int* status) noexcept {
  for (;;) {
    int raw = 0;
    if (::waitpid(pid, &raw, 0) == pid) {
      *status = raw;
      return 0;
    }
    if (errno != EINTR) return LastError();
  }
}

int os_SendSignal(pid_t pid, int signal) noexcept {
  return ::kill(pid, signal) == 0 ? 0 : LastError();
}

int os_SignalGroup(pid_t group, int signal) noexcept {
  if (group <= 0) return EINVAL;  // kill(0) and kill(-1) would reach far more
  return ::kill(-group, signal) == 0 ? 0 : LastError();
}

int os_HasEnded(pid_t pid, bool* ended) noexcept {
  *ended = false;
  for (;;) {
    siginfo_t info;
    std::memset(&info, 0, sizeof info);
    if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0) {
      *ended = info.si_pid == pid;
      return 0;
    }
    if (errno != EINTR) return LastError();
  }
}

namespace {

// The state letter and process group of /proc/<pid>/stat; false when it cannot be read.
bool ReadProcState(const char* pid, char* state, long* group) noexcept {
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%s/stat", pid);
  int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char buffer[1024];
  ssize_t n;
  do {
    n = ::read(fd, buffer, sizeof buffer - 1);
  } while (n < 0 && errno == EINTR);
  ::close(fd);
  if (n <= 0) return false;
  buffer[n] = '\0';
  // "pid (comm) state ppid pgrp ...": the command may hold blanks and parentheses, so the
  // fields are read after the last ')'.
  const char* close = std::strrchr(buffer, ')');
  if (close == nullptr) return false;
  long parent = 0;
  return std::sscanf(close + 1, " %c %ld %ld", state, &parent, group) == 3;
}

}  // namespace

int os_GroupHasLiveMembers(pid_t group, bool* live) noexcept {
  *live = false;
  if (group <= 0) return EINVAL;
  int dir = ::open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) {
    *live = ::kill(-group, 0) == 0 || errno == EPERM;
    return 0;
  }
  alignas(8) char buffer[4096];
  for (;;) {
    long got = ::syscall(SYS_getdents64, dir, buffer, sizeof buffer);
    if (got <= 0) break;
    for (long offset = 0; offset < got && !*live;) {
      const auto* entry = reinterpret_cast<const DirEntry64*>(buffer + offset);
      offset += entry->d_reclen;
      if (entry->d_name[0] < '1' || entry->d_name[0] > '9') continue;
      char state = 0;
      long member_group = 0;
      if (!ReadProcState(entry->d_name, &state, &member_group)) continue;  // ended meanwhile
      if (member_group == group && state != 'Z' && state != 'X') *live = true;
    }
    if (*live) break;
  }
  ::close(dir);
  return 0;
}

int64_t os_MonotonicMs() noexcept {
  struct timespec now;
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}
