// ProcessC: one child process.
//
// A process is configured (arguments, argument zero, working directory, environment, ignored
// signals, identity, and one descriptor per standard stream), started once with fork and exec,
// optionally pumped and waited for, and destroyed. An exec failure travels back to the parent
// over a private pipe, so a program that cannot be run never looks like a successful start.
//
// Between fork and exec the child makes only async-signal-safe calls: everything it needs
// (argument and environment vectors, the execvp search list) is prepared before the fork. The
// child receives descriptors 0, 1 and 2 as configured, the error pipe on 3 (close-on-exec),
// and nothing else: every other descriptor of the parent is closed before the exec.
//
// The destructor closes what the process object opened (redirection files, pipes) and neither
// waits for nor signals the child. A ProcessC belongs to one thread.
#ifndef QLM_OS_PROCESSC_H_
#define QLM_OS_PROCESSC_H_

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "base/StringArrayC.h"
#include "base/StringC.h"
#include "cmn/cmn_Result.h"
#include "cmn/cmn_UniqueFdC.h"
#include "os/FileNameC.h"

class CommPipeC;
class InputStreamC;
class OutputStreamC;

class ProcessC {
 public:
  // Result codes of the exit status.
  static constexpr RcT c_NoProcessId = 0xE1AC0001;    // neither started nor attached
  static constexpr RcT c_StillRunning = 0xE1AC0002;   // no status yet (or only a stop)
  static constexpr RcT c_EndedBySignal = 0xE1AC0003;  // the exit code is the signal number
  // Bytes moved per step while pumping a standard stream.
  static constexpr int c_PumpPieceSize = 1024;
  // Longest pause of Wait between two looks at the child (milliseconds).
  static constexpr int c_PollPeriodMs = 100;
  // How long Start waits for the child to report an exec failure (milliseconds).
  static constexpr int c_ExecReportTimeoutMs = 5000;
  // How long TerminateGroup waits for a group to end after SIGKILL (milliseconds).
  static constexpr uint32_t c_KillSettleMs = 5000;
  // Pause between two looks at a group that is being ended (milliseconds).
  static constexpr uint32_t c_GroupPollMs = 20;

  // Called by Wait every `intervalMs` milliseconds; returning false terminates the child
  // (SIGTERM) and Wait goes on waiting for it to end.
  using WaitCallbackT = bool (*)(ProcessC* process, void* context);

  // One standard stream of the child: which descriptor the child receives for it, and the
  // redirection file or pipe behind that descriptor when the process object made one.
  class StdIODescC {
   public:
    StdIODescC(const StdIODescC&) = delete;
    StdIODescC& operator=(const StdIODescC&) = delete;
    // Closes the own descriptor and destroys the pipe.
    virtual ~StdIODescC();

    // Makes the child receive `fd` (negative: the standard number itself, i.e. inherit the
    // parent's). Closes the own descriptor (a failure is reported and otherwise ignored) and
    // destroys the pipe first. Returns 0. `fd` stays the caller's: it must stay open until
    // Start and is not closed by the descriptor.
    [[nodiscard]] virtual RcT SetTarget(int fd);
    // Connects the stream to the file `name` (null: nothing happens, 0): standard input reads
    // it; output and error write it, created (mode 0666 less the umask) and truncated. The
    // file is opened close-on-exec and becomes the own descriptor, closed in the parent by
    // CloseChildEnd. Failure: 0xE0000000 | errno, and the descriptor is left unchanged.
    [[nodiscard]] virtual RcT RedirectToFile(const FileNameC* name) = 0;
    // In the parent after the fork: closes the child's end of the pipe, or the own
    // descriptor when there is no pipe. Returns 0.
    [[nodiscard]] virtual RcT CloseChildEnd() = 0;
    // The end of the pipe the parent uses (input: the write end; output: the read end), or
    // -1 without a pipe or once the pipe was closed.
    [[nodiscard]] virtual int GetParentFd() const = 0;

    // The descriptor the child receives.
    int GetTarget() const noexcept { return target_; }
    int GetStdNumber() const noexcept { return std_number_; }
    bool IsOutput() const noexcept { return is_output_ != 0; }
    // The null device ("/dev/null"), for RedirectToFile(GetFileName()).
    const FileNameC* GetFileName() const noexcept { return &file_name_; }

   protected:
    StdIODescC(bool is_output, int std_number);
    // Opens `name` with `flags` and makes it the own descriptor.
    [[nodiscard]] RcT OpenOwn(const FileNameC* name, int flags);
    // Closes the own descriptor, if any (reporting a failure).
    void CloseOwn() noexcept;
    void DestroyPipe() noexcept;
    // True when the target is a descriptor made for the child by this object.
    bool IsExplicit() const noexcept { return own_fd_ >= 0 || pipe_ != nullptr; }

    uint8_t is_output_;
    int32_t std_number_;
    int32_t target_;
    int32_t own_fd_ = -1;
    std::unique_ptr<CommPipeC> pipe_;
    FileNameC file_name_;

    friend class ProcessC;
  };

  // Standard input: reads a file, or a pipe fed from a source stream while Wait pumps.
  class StdInDescC final : public StdIODescC {
   public:
    StdInDescC();
    ~StdInDescC() override;
    [[nodiscard]] RcT RedirectToFile(const FileNameC* name) override;
    [[nodiscard]] RcT CloseChildEnd() override;
    [[nodiscard]] int GetParentFd() const override;
    // Feeds the child's standard input from `source` (not owned; must outlive Wait) through a
    // new pipe. Wait closes the pipe once the source reports the end of its data, so the
    // child sees the end of its input. Null: 0x80000006. A pipe that cannot be made is
    // returned as its failure and the descriptor stays as it was.
    [[nodiscard]] RcT AttachStream(InputStreamC* source);
    InputStreamC* GetStream() const noexcept { return stream_; }

   private:
    InputStreamC* stream_ = nullptr;
    // Bytes read from the source and not yet taken by the pipe.
    std::vector<unsigned char> pending_;
    size_t pending_offset_ = 0;

    friend class ProcessC;
  };

  // Standard output (and, through StdErrDescC, standard error): writes a file, or a pipe
  // drained into a sink stream while Wait pumps.
  class StdOutDescC : public StdIODescC {
   public:
    StdOutDescC();
    ~StdOutDescC() override;
    [[nodiscard]] RcT RedirectToFile(const FileNameC* name) override;
    [[nodiscard]] RcT CloseChildEnd() override;
    [[nodiscard]] int GetParentFd() const override;
    // Collects the child's output in `sink` (not owned; must outlive Wait) through a new
    // pipe. Null: 0x80000006. A pipe that cannot be made is returned as its failure.
    [[nodiscard]] RcT AttachStream(OutputStreamC* sink);
    OutputStreamC* GetStream() const noexcept { return stream_; }

   protected:
    explicit StdOutDescC(int std_number);

   private:
    OutputStreamC* stream_ = nullptr;

    friend class ProcessC;
  };

  class StdErrDescC final : public StdOutDescC {
   public:
    StdErrDescC();
    ~StdErrDescC() override;
  };

  ProcessC();
  ProcessC(const ProcessC&) = delete;
  ProcessC& operator=(const ProcessC&) = delete;
  ~ProcessC();

  void SetArguments(const StringArrayC& arguments) { arguments_ = arguments; }
  const StringArrayC& GetArguments() const noexcept { return arguments_; }
  void SetArgumentZero(const StringC& argumentZero) { argument_zero_ = argumentZero; }
  const StringC& GetArgumentZero() const noexcept { return argument_zero_; }
  // Copies the name; null clears it.
  void SetWorkingDirectory(const FileNameC* directory);
  // Copies the list of "name=value" entries (null: the child inherits the environment).
  // `mode` 0: the list is the child's whole environment; otherwise each entry is set into
  // the inherited environment (replacing a variable of that name; entries starting with "="
  // are skipped, an entry without "=" sets an empty value).
  void SetEnvironment(const StringArrayC* environment, uint8_t mode);
  // Bit n-1 set: the child ignores signal n (1 to 63).
  void SetIgnoredSignals(uint64_t mask) noexcept { ignored_signals_ = mask; }
  // SetTarget on each descriptor (-1: the standard number). Returns 0.
  [[nodiscard]] RcT SetStdHandles(int in, int out, int err);
  // RedirectToFile on each descriptor in order, stopping at the first failure.
  [[nodiscard]] RcT RedirectToFiles(const FileNameC* inName, const FileNameC* outName,
                                    const FileNameC* errName);
  // The child switches to this group and user before exec (as root it also drops every
  // supplementary group); the start fails when it cannot.
  void SetUserAndGroup(uint32_t uid, uint32_t gid) noexcept;
  // With `on`, the child leads a process group of its own (its id is the child's pid), so that
  // it and everything it starts can be ended together (TerminateGroup), and signals meant for
  // the caller's group (a terminal's Ctrl-C) do not reach it directly.
  void SetOwnProcessGroup(bool on) noexcept { own_group_ = on ? 1 : 0; }
  // With `on`, the child is nobody's to wait for: its parent is an intermediate process that
  // ends at once and that Start collects, so the system collects the child when it ends and
  // no zombie is left. Wait, GetExitCode and the signals then concern the intermediate.
  void SetDetached(bool on) noexcept { detached_ = on ? 1 : 0; }
  // Takes `pid` as the process without starting anything; forgets a status collected before.
  void AttachPid(int32_t pid) noexcept;
  // Null out: 0x80000009. No process: *out = 0 and 0x80000001. Else *out = the process id.
  [[nodiscard]] RcT GetPid(int32_t* out) const noexcept;

  StdInDescC& StdIn() noexcept { return stdin_; }
  StdOutDescC& StdOut() noexcept { return stdout_; }
  StdErrDescC& StdErr() noexcept { return stderr_; }

  // Starts the child. 0 once the child has exec'd (or when it has not reported within
  // c_ExecReportTimeoutMs). An empty argument list gives 0x80000006, a second start
  // 0x80000002, an argument holding a zero character 0xE0000016 (EINVAL). Failures of the
  // child before or at the exec (including the working directory and the identity switch)
  // come back as 0xE0000000 | errno; such a child is collected before Start returns. In the
  // parent the child's ends of pipes and redirection files are closed.
  [[nodiscard]] RcT Start();

  // Pumps the attached streams until every pipe is closed, then waits for the child to end
  // and stores its status. Returns within a few milliseconds of the child's end (at most
  // c_PollPeriodMs late on a kernel without pidfd_open). `callback` (may be null) is called
  // with `context` whenever `intervalMs` milliseconds passed since the last call; returning
  // false sends SIGTERM. The callback may end the child (TerminateGroup) but must not destroy
  // the process object. Returns 0 when the status is known, 0x80000001 without a process (also
  // when streams are attached but Start failed or was never called), or
  // 0xE0000000 | errno when the status cannot be collected (e.g. ECHILD). Blocks.
  [[nodiscard]] RcT Wait(WaitCallbackT callback, void* context, uint32_t intervalMs);

  // The exit status without blocking: 0 with *out = the status (0 to 255); 0xE1AC0003 with
  // *out = the signal number when a signal ended the child; 0xE1AC0002 while it runs;
  // 0xE1AC0001 without a process; 0x80000009 for a null out; 0xE0000000 | errno when the
  // status cannot be collected. *out is 0 unless a value is given.
  [[nodiscard]] RcT GetExitCode(unsigned long* out);
  // GetExitCode into a 32-bit value, stored when the result is 0 or 0xE1AC0003.
  [[nodiscard]] RcT GetExitCode32(uint32_t* out);
  // The raw status as waitpid returned it, -1 while not collected.
  int32_t GetWaitStatus() const noexcept { return wait_status_; }

  // SIGSTOP, SIGCONT, SIGTERM to the child. 0x80000001 without a process; 0xE0000003
  // (ESRCH) once its status was collected (the number may belong to another process by
  // then); 0xE0000000 | errno when kill fails.
  [[nodiscard]] RcT Suspend() noexcept;
  [[nodiscard]] RcT Resume() noexcept;
  [[nodiscard]] RcT Terminate() noexcept;

  // Ends the child's process group (SetOwnProcessGroup): SIGTERM and SIGCONT to the group, up
  // to `graceMs` milliseconds for every member to end, then SIGKILL to the group and up to
  // c_KillSettleMs more. The child is collected only once its group is gone, so the group's
  // id cannot be taken by another process meanwhile. 0 when every member has ended, with
  // *killed telling whether SIGKILL was needed; c_StillRunning when members remain after
  // SIGKILL; 0x80000001 without a process; 0x80000002 without a group of its own. Blocks.
  [[nodiscard]] RcT TerminateGroup(uint32_t graceMs, bool* killed);

 private:
  struct PreparedChildS;

  // The steps of Start, in order; each returns the failure that ends the start, if any, and
  // leaves the process untouched until Spawn.
  // The child's argument vector in the system encoding; an argument holding a zero character
  // gives 0xE0000016 (EINVAL).
  [[nodiscard]] RcT PrepareArguments(PreparedChildS* child) const;
  // The child's whole environment as SetEnvironment describes it, from a snapshot of the
  // current one; an entry holding a zero character gives 0xE0000016 (EINVAL).
  [[nodiscard]] RcT PrepareEnvironment(PreparedChildS* child) const;
  // The execvp search list along the PATH of the prepared environment (not the parent's), and
  // the /bin/sh argument vector for a candidate that is not a binary.
  static void PrepareExecSearch(PreparedChildS* child);
  // The working directory as a system path, when one is set.
  [[nodiscard]] RcT PrepareWorkingDirectory(PreparedChildS* child) const;
  // Makes the error pipe, forks and execs the prepared child, records it and waits for its
  // exec report (AwaitExecReport). Closes both ends of the error pipe in the parent.
  [[nodiscard]] RcT Spawn(PreparedChildS& child);
  // Takes `pid` as the started child and closes the child's ends of pipes and redirection
  // files in the parent.
  void RecordStarted(pid_t pid);
  // Reads the child's exec report from `read_fd` for up to c_ExecReportTimeoutMs: end of
  // file (the exec happened) or a time-out gives 0, four bytes give 0xE0000000 | errno and the
  // failed child is collected. A detached start also collects the intermediate.
  [[nodiscard]] RcT AwaitExecReport(int read_fd);

  // Waits up to `ms` milliseconds until the child has ended and no member of its group runs.
  [[nodiscard]] bool WaitGroupGone(uint32_t ms);
  [[nodiscard]] RcT Signal(int signal) noexcept;
  // One look at the child: stores an exited or signalled status. *done when it is known.
  [[nodiscard]] RcT PollStatus(bool* done);
  // Moves data between the attached streams and the pipes until every pipe is closed.
  void Pump(WaitCallbackT callback, void* context, uint32_t intervalMs, int64_t* reference);
  // Calls the callback when its period has passed; terminates the child when it says so.
  void MaybeCallBack(WaitCallbackT callback, void* context, uint32_t intervalMs,
                     int64_t* reference);
  // Milliseconds until the callback is due, at most c_PollPeriodMs.
  static int TimeoutUntilCallback(WaitCallbackT callback, uint32_t intervalMs, int64_t reference);

  StringArrayC arguments_;
  StringC argument_zero_;
  std::unique_ptr<FileNameC> working_directory_;
  int32_t pid_ = -1;
  std::unique_ptr<StringArrayC> environment_;
  uint8_t environment_mode_ = 0;
  uint64_t ignored_signals_ = 0;
  StdInDescC stdin_;
  StdOutDescC stdout_;
  StdErrDescC stderr_;
  int32_t wait_status_ = -1;
  uint32_t uid_ = 0;
  uint32_t gid_ = 0;
  uint8_t switch_identity_ = 0;
  uint8_t own_group_ = 0;
  uint8_t detached_ = 0;
  // Becomes readable when the child ends (pidfd); opened by Wait, closed once the status is
  // known.
  cmn_UniqueFdC process_fd_;
};

#endif  // QLM_OS_PROCESSC_H_
