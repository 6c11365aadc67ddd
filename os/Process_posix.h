// The system calls of child processes: starting a child with fork and exec, waiting for it,
// signalling it, and the pipes and descriptors that connect it to its parent.
//
// Every function returns 0 on success or the errno value of the failure (never -1) unless it
// says otherwise. Descriptors are opened close-on-exec.
#ifndef QLM_OS_PROCESS_POSIX_H_
#define QLM_OS_PROCESS_POSIX_H_

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Everything a new child needs between fork and exec, prepared by the parent before the fork
// so that the child allocates nothing and takes no lock (it may only make async-signal-safe
// calls: another thread of the parent may have held the allocator's lock at the fork).
struct os_SpawnPlanS {
  // Null-terminated argument vector handed to the program (element 0 is argument zero).
  char* const* argv = nullptr;
  // Null-terminated environment of the child.
  char* const* envp = nullptr;
  // Null-terminated list of paths to try in order, as execvp would search them.
  const char* const* candidates = nullptr;
  // Argument vector for running a candidate that is not a binary (ENOEXEC) with /bin/sh:
  // {"/bin/sh", <candidate>, argv[1], ..., null}. Element 1 is filled in by the child.
  char** shell_argv = nullptr;
  // Descriptor each standard stream of the child receives; explicit[i] tells that target[i]
  // is a descriptor of the parent made for this child (a pipe end or a redirection file),
  // whose close-on-exec flag the child must clear even when it already has the number i.
  int std_targets[3] = {0, 1, 2};
  bool std_explicit[3] = {false, false, false};
  // Ends of the error pipe, both close-on-exec: the child writes its errno to the write end
  // when it cannot exec.
  int error_read_fd = -1;
  int error_write_fd = -1;
  // Bit n-1 set: the child ignores signal n (1 to 63).
  uint64_t ignored_signals = 0;
  // The child makes itself the leader of a new process group before exec.
  bool new_process_group = false;
  // The child forks once more and ends at once; the grandchild carries out the rest of the
  // plan and execs. *pid of os_ForkExec is the intermediate, which the caller collects; the
  // system collects the grandchild when it ends.
  bool detach = false;
  // Directory to change to before exec, or null.
  const char* working_directory = nullptr;
  // Identity switch: supplementary groups replaced by `gid` alone when `drop_groups`, then
  // the group, then the user.
  bool switch_identity = false;
  bool drop_groups = false;
  uid_t uid = 0;
  gid_t gid = 0;
};

// Starts a child that carries out `plan` and execs. In the parent returns 0 with `*pid` set,
// or the errno of a failed fork. The child never returns: it execs or ends with status 1
// after writing its errno (4 bytes, native order) to the error pipe. The child borrows the
// parent's memory until it execs (vfork; the calling thread waits meanwhile), except in
// sanitizer builds, which fork. Signals are blocked in the parent around the start so that
// no handler of the parent runs in the child.
[[nodiscard]] int os_ForkExec(const os_SpawnPlanS& plan, pid_t* pid) noexcept;

// The execvp search list for `program` along `path_value` (the child's PATH; null when it has
// none, which searches "/bin:/usr/bin"). A program name holding "/" is its own only
// candidate.
std::vector<std::string> os_ExecCandidates(const std::string& program, const char* path_value);

// open(2) of `path` with `flags` | O_CLOEXEC and `mode`, retrying EINTR.
[[nodiscard]] int os_OpenFile(const std::string& path, int flags, mode_t mode, int* fd) noexcept;

// A pipe whose two ends are close-on-exec.
[[nodiscard]] int os_MakePipe(int fds[2]) noexcept;
// Sets (`on`) or clears the close-on-exec flag of `fd`.
[[nodiscard]] int os_SetCloseOnExec(int fd, bool on) noexcept;
// Sets the O_NONBLOCK flag of `fd`.
[[nodiscard]] int os_SetNonBlocking(int fd) noexcept;

// Writes as much of `buffer` as the descriptor takes in one call (retrying EINTR); *written
// receives the count. A write to a pipe whose reader is gone gives EPIPE instead of raising
// SIGPIPE, which would end the whole process.
[[nodiscard]] int os_WriteNoSigPipe(int fd, const void* buffer, size_t count,
                                    size_t* written) noexcept;

// Waits up to `timeout_ms` milliseconds (negative: without limit) until `fd` can be read;
// *ready tells whether it can. EINTR ends the wait early without an error.
[[nodiscard]] int os_WaitReadable(int fd, int timeout_ms, bool* ready) noexcept;

// One readiness round over up to three descriptors (-1 entries are skipped): waits up to
// `timeout_ms` milliseconds and reports for each whether it is ready (readable for a
// `want_write` false entry, writable otherwise; an end whose peer is gone counts as ready so
// that the following read or write sees it). EINTR gives 0 with nothing ready.
[[nodiscard]] int os_PollPipes(const int fds[3], const bool want_write[3], int timeout_ms,
                               bool ready[3]) noexcept;

// A descriptor that becomes readable when process `pid` ends (pidfd_open), or -1 when the
// kernel does not offer one.
int os_OpenProcessFd(pid_t pid) noexcept;

// waitpid(pid, WNOHANG) once, retrying EINTR: *done tells whether a status was returned;
// *status receives it.
[[nodiscard]] int os_WaitNoHang(pid_t pid, bool* done, int* status) noexcept;
// waitpid(pid) blocking until the child ends, retrying EINTR.
[[nodiscard]] int os_WaitBlocking(pid_t pid, int* status) noexcept;

// kill(pid, signal).
[[nodiscard]] int os_SendSignal(pid_t pid, int signal) noexcept;
// kill(-group, signal): every member of the process group `group` (positive).
[[nodiscard]] int os_SignalGroup(pid_t group, int signal) noexcept;
// Whether the child `pid` has ended, without collecting its status (waitid WNOWAIT), so that
// its process id, and the process group it leads, stay reserved.
[[nodiscard]] int os_HasEnded(pid_t pid, bool* ended) noexcept;
// Whether any process of the group `group` is still running (zombies do not count). Reads
// /proc; without it, any member that a signal can reach counts (zombies included).
[[nodiscard]] int os_GroupHasLiveMembers(pid_t group, bool* live) noexcept;

// Milliseconds of a monotonic clock.
int64_t os_MonotonicMs() noexcept;

// Tests: make the child behave as on a kernel without close_range(2) (it then closes what
// /proc/self/fd lists) and Wait as on one without pidfd_open(2) (it then polls every 100 ms).
void os_ProcessTestFallbacks(bool no_close_range, bool no_process_fd) noexcept;

#endif  // QLM_OS_PROCESS_POSIX_H_
