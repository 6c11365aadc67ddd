#include "os/ProcessC.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>

#include "cmn/cmn_Encodings.h"
#include "log/Trace.h"
#include "log/TraceCategories.h"
#include "os/CommPipeC.h"
#include "os/CommandLine.h"
#include "os/File_posix.h"
#include "os/InputStreamC.h"
#include "os/OutputStreamC.h"
#include "os/Process_posix.h"
#include "os/SleepMs.h"
#include "os/StreamErrors.h"

extern char** environ;

namespace {

// The bytes of `text` as the system takes them (the 8-bit system encoding). False when the
// text holds a zero character, which would silently cut the argument short.
bool SystemBytes(const StringC& text, std::string* out) {
  if (cmn_SystemEncoding() == cmn_EncodingE::kLatin1) {
    void* bytes = text.GetBytes(cmn_kEncSys8);
    if (bytes == nullptr) return false;
    int64_t n = text.GetByteLength(cmn_kEncSys8);
    out->assign(static_cast<const char*>(bytes), n > 0 ? static_cast<size_t>(n) : 0);
    text.ReleaseBytes(bytes, cmn_kEncSys8);
  } else {
    out->assign(text.Utf8View());
  }
  return out->find('\0') == std::string::npos;
}

// The length of the name part of an environment entry ("NAME=value"): up to the first "=",
// or all of it.
size_t NameLength(std::string_view entry) noexcept {
  size_t eq = entry.find('=');
  return eq == std::string_view::npos ? entry.size() : eq;
}

}  // namespace

// What Start prepares for the child; owns every byte the child's vectors point to.
struct ProcessC::PreparedChildS {
  std::vector<std::string> arguments;
  std::string argument_zero;  // in the system encoding, when one was set
  std::vector<char*> argv;
  std::vector<std::string> own_environment;  // entries made by the parent
  std::vector<char*> envp;
  std::vector<std::string> candidates;
  std::vector<const char*> candidate_ptrs;
  std::vector<char*> shell_argv;
  std::string working_directory;
};

// --- Standard stream descriptors -------------------------------------------------------------

ProcessC::StdIODescC::StdIODescC(bool is_output, int std_number)
    : is_output_(is_output ? 1 : 0),
      std_number_(std_number),
      target_(std_number),
      file_name_("/dev/null") {}

ProcessC::StdIODescC::~StdIODescC() {
  CloseOwn();
}

void ProcessC::StdIODescC::CloseOwn() noexcept {
  if (own_fd_ < 0) return;
  // Reported for the caller to read; a failed close leaves nothing to undo.
  if (int err = os_Close(own_fd_); err != 0) (void)os_ReportErrno(err);
  own_fd_ = -1;
}

void ProcessC::StdIODescC::DestroyPipe() noexcept {
  pipe_.reset();
}

RcT ProcessC::StdIODescC::SetTarget(int fd) {
  CloseOwn();
  DestroyPipe();
  target_ = fd < 0 ? std_number_ : fd;
  return RC_OK;
}

RcT ProcessC::StdIODescC::OpenOwn(const FileNameC* name, int flags) {
  if (name == nullptr) return RC_OK;
  std::string path;
  int fd = -1;
  int err = os_SystemPath(*name, &path);
  if (err == 0) err = os_OpenFile(path, flags, 0666, &fd);
  if (err != 0) return os_RcFromErrno(err);
  if (RcT rc = SetTarget(fd); rc != RC_OK) {
    // A close on a path that already failed: nothing is left to undo.
    (void)os_Close(fd);
    return rc;
  }
  own_fd_ = fd;
  return RC_OK;
}

ProcessC::StdInDescC::StdInDescC() : StdIODescC(false, 0) {}
ProcessC::StdInDescC::~StdInDescC() = default;

RcT ProcessC::StdInDescC::RedirectToFile(const FileNameC* name) {
  return OpenOwn(name, O_RDONLY | O_NOFOLLOW);
}

RcT ProcessC::StdInDescC::CloseChildEnd() {
  if (pipe_ != nullptr) {
    // The end is gone either way; a failed close leaves nothing to undo.
    (void)pipe_->CloseRead();
  } else {
    CloseOwn();
  }
  return RC_OK;
}

int ProcessC::StdInDescC::GetParentFd() const {
  return pipe_ != nullptr ? pipe_->GetWriteFd() : -1;
}

RcT ProcessC::StdInDescC::AttachStream(InputStreamC* source) {
  if (source == nullptr) return RC_INVALIDARG;
  // Both ends stay close-on-exec in the parent: the child gets its end through dup2, and a
  // child that another thread starts meanwhile must not inherit either end (it would keep
  // the pipe open).
  auto pipe = std::make_unique<CommPipeC>(false, false);
  if (pipe->GetResult() != RC_OK) return pipe->GetResult();
  if (RcT rc = SetTarget(pipe->GetReadFd()); rc != RC_OK) return rc;
  pipe_ = std::move(pipe);
  stream_ = source;
  pending_.clear();
  pending_offset_ = 0;
  return RC_OK;
}

ProcessC::StdOutDescC::StdOutDescC() : StdOutDescC(1) {}
ProcessC::StdOutDescC::StdOutDescC(int std_number) : StdIODescC(true, std_number) {}
ProcessC::StdOutDescC::~StdOutDescC() = default;

RcT ProcessC::StdOutDescC::RedirectToFile(const FileNameC* name) {
  // Never through a link: one planted at the name would have the file it names truncated.
  return OpenOwn(name, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW);
}

RcT ProcessC::StdOutDescC::CloseChildEnd() {
  if (pipe_ != nullptr) {
    // The end is gone either way; a failed close leaves nothing to undo.
    (void)pipe_->CloseWrite();
  } else {
    CloseOwn();
  }
  return RC_OK;
}

int ProcessC::StdOutDescC::GetParentFd() const {
  return pipe_ != nullptr ? pipe_->GetReadFd() : -1;
}

RcT ProcessC::StdOutDescC::AttachStream(OutputStreamC* sink) {
  if (sink == nullptr) return RC_INVALIDARG;
  auto pipe = std::make_unique<CommPipeC>(false, false);
  if (pipe->GetResult() != RC_OK) return pipe->GetResult();
  if (RcT rc = SetTarget(pipe->GetWriteFd()); rc != RC_OK) return rc;
  pipe_ = std::move(pipe);
  stream_ = sink;
  return RC_OK;
}

ProcessC::StdErrDescC::StdErrDescC() : StdOutDescC(2) {}
ProcessC::StdErrDescC::~StdErrDescC() = default;

// --- Configuration -----------------------------------------------------------------------------

ProcessC::ProcessC() = default;
ProcessC::~ProcessC() = default;

void ProcessC::SetWorkingDirectory(const FileNameC* directory) {
  working_directory_ = directory != nullptr ? std::make_unique<FileNameC>(*directory) : nullptr;
}

void ProcessC::SetEnvironment(const StringArrayC* environment, uint8_t mode) {
  environment_ = environment != nullptr ? std::make_unique<StringArrayC>(*environment) : nullptr;
  environment_mode_ = mode;
}

RcT ProcessC::SetStdHandles(int in, int out, int err) {
  // Setting a target only records it; it cannot fail before the pipes exist.
  (void)stdin_.SetTarget(in);
  (void)stdout_.SetTarget(out);
  (void)stderr_.SetTarget(err);
  return RC_OK;
}

RcT ProcessC::RedirectToFiles(const FileNameC* inName, const FileNameC* outName,
                              const FileNameC* errName) {
  if (RcT rc = stdin_.RedirectToFile(inName); rc != RC_OK) return rc;
  if (RcT rc = stdout_.RedirectToFile(outName); rc != RC_OK) return rc;
  return stderr_.RedirectToFile(errName);
}

void ProcessC::SetUserAndGroup(uint32_t uid, uint32_t gid) noexcept {
  uid_ = uid;
  gid_ = gid;
  switch_identity_ = 1;
}

void ProcessC::AttachPid(int32_t pid) noexcept {
  pid_ = pid;
  wait_status_ = -1;
  process_fd_.Reset();
}

RcT ProcessC::GetPid(int32_t* out) const noexcept {
  if (out == nullptr) return RC_POINTER;
  if (pid_ <= 0) {
    *out = 0;
    return RC_FAIL;
  }
  *out = pid_;
  return RC_OK;
}

// --- Start ---------------------------------------------------------------------------------------

RcT ProcessC::Start() {
  if (arguments_.IsEmpty()) return RC_INVALIDARG;
  if (pid_ > 0) return RC_UNEXPECTED;
  if (IsTraceEnabled(TrcProcess)) {
    const StringC line = JoinCommandLine(arguments_);
    Trace(TrcProcess, "ProcessC::Start(): Creating child process '%s'", ArgList << line);
  }

  // Everything the child needs is made here, before the fork: the child may only make
  // async-signal-safe calls (see os_SpawnPlanS).
  PreparedChildS child;
  RcT rc = PrepareArguments(&child);
  if (rc == RC_OK) rc = PrepareEnvironment(&child);
  if (rc == RC_OK) PrepareExecSearch(&child);
  if (rc == RC_OK) rc = PrepareWorkingDirectory(&child);
  if (rc == RC_OK) rc = Spawn(child);

  TraceV(TrcProcess, "ProcessC::Start(): Process creation result %#lx",
         static_cast<unsigned long>(rc));
  return rc;
}

RcT ProcessC::PrepareArguments(PreparedChildS* child) const {
  child->arguments.resize(arguments_.Count());
  for (uint64_t i = 0; i < arguments_.Count(); ++i) {
    if (!SystemBytes(arguments_[i], &child->arguments[i])) return os_RcFromErrno(EINVAL);
  }
  if (!argument_zero_.IsEmpty() && !SystemBytes(argument_zero_, &child->argument_zero)) {
    return os_RcFromErrno(EINVAL);
  }
  child->argv.reserve(child->arguments.size() + 1);
  child->argv.push_back(argument_zero_.IsEmpty() ? child->arguments[0].data()
                                                 : child->argument_zero.data());
  for (size_t i = 1; i < child->arguments.size(); ++i) {
    child->argv.push_back(child->arguments[i].data());
  }
  child->argv.push_back(nullptr);
  return RC_OK;
}

RcT ProcessC::PrepareEnvironment(PreparedChildS* child) const {
  // The inherited part is a snapshot of the pointer array, so that a change of the
  // environment by another thread cannot move it under the child.
  std::vector<std::string_view> base;
  if (environment_ == nullptr || environment_mode_ != 0) {
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
      base.emplace_back(*entry);
    }
  }
  if (environment_ != nullptr) {
    child->own_environment.reserve(environment_->Count());
    for (uint64_t i = 0; i < environment_->Count(); ++i) {
      std::string entry;
      if (!SystemBytes((*environment_)[i], &entry)) return os_RcFromErrno(EINVAL);
      if (environment_mode_ == 0) {
        child->own_environment.push_back(std::move(entry));
        continue;
      }
      if (entry.empty() || entry[0] == '=') continue;
      if (entry.find('=') == std::string::npos) entry.push_back('=');
      const size_t name_length = NameLength(entry);
      std::string_view name(entry.data(), name_length);
      for (auto it = base.begin(); it != base.end();) {
        if (NameLength(*it) == name_length && it->substr(0, name_length) == name) {
          it = base.erase(it);
        } else {
          ++it;
        }
      }
      child->own_environment.push_back(std::move(entry));
    }
  }
  for (std::string_view entry : base) child->envp.push_back(const_cast<char*>(entry.data()));
  for (std::string& entry : child->own_environment) child->envp.push_back(entry.data());
  child->envp.push_back(nullptr);
  return RC_OK;
}

void ProcessC::PrepareExecSearch(PreparedChildS* child) {
  const char* path_value = nullptr;
  for (char* const* entry = child->envp.data(); *entry != nullptr; ++entry) {
    if (std::strncmp(*entry, "PATH=", 5) == 0) path_value = *entry + 5;
  }
  child->candidates = os_ExecCandidates(child->arguments[0], path_value);
  for (const std::string& candidate : child->candidates) {
    child->candidate_ptrs.push_back(candidate.c_str());
  }
  child->candidate_ptrs.push_back(nullptr);
  child->shell_argv.push_back(const_cast<char*>("/bin/sh"));
  child->shell_argv.push_back(nullptr);  // the candidate, filled in by the child
  for (size_t i = 1; i + 1 < child->argv.size(); ++i) child->shell_argv.push_back(child->argv[i]);
  child->shell_argv.push_back(nullptr);
}

RcT ProcessC::PrepareWorkingDirectory(PreparedChildS* child) const {
  if (working_directory_ == nullptr) return RC_OK;
  if (int err = os_SystemPath(*working_directory_, &child->working_directory); err != 0) {
    return os_RcFromErrno(err);
  }
  return RC_OK;
}

RcT ProcessC::Spawn(PreparedChildS& child) {
  int error_pipe[2] = {-1, -1};
  if (int err = os_MakePipe(error_pipe); err != 0) return os_RcFromErrno(err);

  os_SpawnPlanS plan;
  plan.argv = child.argv.data();
  plan.envp = child.envp.data();
  plan.candidates = child.candidate_ptrs.data();
  plan.shell_argv = child.shell_argv.data();
  const StdIODescC* descs[3] = {&stdin_, &stdout_, &stderr_};
  for (int i = 0; i < 3; ++i) {
    plan.std_targets[i] = descs[i]->target_;
    plan.std_explicit[i] = descs[i]->IsExplicit();
  }
  plan.error_read_fd = error_pipe[0];
  plan.error_write_fd = error_pipe[1];
  plan.ignored_signals = ignored_signals_;
  plan.working_directory =
      working_directory_ != nullptr ? child.working_directory.c_str() : nullptr;
  plan.switch_identity = switch_identity_ != 0;
  plan.new_process_group = own_group_ != 0;
  plan.detach = detached_ != 0;
  plan.drop_groups = ::geteuid() == 0;
  plan.uid = static_cast<uid_t>(uid_);
  plan.gid = static_cast<gid_t>(gid_);

  pid_t pid = -1;
  if (int err = os_ForkExec(plan, &pid); err != 0) {
    // Clean-up of the exec-report pipe: a failed close leaves nothing to undo.
    (void)os_Close(error_pipe[0]);
    (void)os_Close(error_pipe[1]);
    return os_RcFromErrno(err);
  }
  RecordStarted(pid);
  // The write end belongs to the child now; a failed close leaves nothing to undo.
  (void)os_Close(error_pipe[1]);
  const RcT rc = AwaitExecReport(error_pipe[0]);
  // Read to its end; a failed close leaves nothing to undo.
  (void)os_Close(error_pipe[0]);
  return rc;
}

void ProcessC::RecordStarted(pid_t pid) {
  pid_ = static_cast<int32_t>(pid);
  wait_status_ = -1;
  process_fd_.Reset();
  // The child holds its own copies now; the parent's ends only need to go.
  (void)stdin_.CloseChildEnd();
  (void)stdout_.CloseChildEnd();
  (void)stderr_.CloseChildEnd();
}

RcT ProcessC::AwaitExecReport(int read_fd) {
  // End of file: the exec closed the child's copy. Four bytes: the child's errno.
  int reported = 0;
  size_t have = 0;
  const int64_t deadline = os_MonotonicMs() + c_ExecReportTimeoutMs;
  for (;;) {
    const int64_t left = deadline - os_MonotonicMs();
    bool ready = false;
    if (left <= 0 || os_WaitReadable(read_fd, static_cast<int>(left), &ready) != 0) break;
    if (!ready) continue;  // interrupted or timed out; the deadline decides
    size_t got = 0;
    if (os_Read(read_fd, reinterpret_cast<char*>(&reported) + have, sizeof reported - have, &got) !=
            0 ||
        got == 0) {
      break;
    }
    have += got;
    if (have == sizeof reported) break;
  }
  if (detached_ != 0 && wait_status_ == -1) {
    // The intermediate ended right after starting the real child.
    int status = 0;
    if (os_WaitBlocking(pid_, &status) == 0) wait_status_ = status;
  }
  if (have != sizeof reported) return RC_OK;
  // The child ends right after its report: collect it now rather than leave a zombie.
  int status = 0;
  if (wait_status_ == -1 && os_WaitBlocking(pid_, &status) == 0) wait_status_ = status;
  return os_RcFromErrno(reported & 0xFFFF);
}

// --- Waiting -----------------------------------------------------------------------------------

int ProcessC::TimeoutUntilCallback(WaitCallbackT callback, uint32_t intervalMs, int64_t reference) {
  if (callback == nullptr || intervalMs == 0) return c_PollPeriodMs;
  const int64_t due = reference + intervalMs - os_MonotonicMs();
  if (due <= 0) return 0;
  return due < c_PollPeriodMs ? static_cast<int>(due) : c_PollPeriodMs;
}

void ProcessC::MaybeCallBack(WaitCallbackT callback, void* context, uint32_t intervalMs,
                             int64_t* reference) {
  if (callback == nullptr) return;
  const int64_t now = os_MonotonicMs();
  if (now - *reference < static_cast<int64_t>(intervalMs)) return;
  *reference = now;
  // A child already gone cannot be terminated; the wait that follows collects it.
  if (!callback(this, context)) (void)Terminate();
}

void ProcessC::Pump(WaitCallbackT callback, void* context, uint32_t intervalMs,
                    int64_t* reference) {
  if (stdin_.GetParentFd() >= 0) {
    // The pump never blocks on a child that does not read: what the pipe does not take now
    // stays pending for the next round.
    // Reported for the caller; a blocking input pipe still works, only less smoothly.
    if (int err = os_SetNonBlocking(stdin_.GetParentFd()); err != 0) (void)os_ReportErrno(err);
  }
  unsigned char buffer[c_PumpPieceSize];
  while (stdin_.GetParentFd() >= 0 || stdout_.GetParentFd() >= 0 || stderr_.GetParentFd() >= 0) {
    const int fds[3] = {stdin_.GetParentFd(), stdout_.GetParentFd(), stderr_.GetParentFd()};
    const bool want_write[3] = {true, false, false};
    bool ready[3];
    if (int err = os_PollPipes(fds, want_write,
                               TimeoutUntilCallback(callback, intervalMs, *reference), ready);
        err != 0) {
      // Reported for the caller; the code it returns is not the wait's result.
      (void)os_ReportErrno(err);
      break;
    }
    StdOutDescC* outputs[2] = {&stdout_, &stderr_};
    for (int k = 0; k < 2; ++k) {
      if (!ready[k + 1]) continue;
      StdOutDescC& desc = *outputs[k];
      size_t got = 0;
      int err = os_Read(desc.GetParentFd(), buffer, sizeof buffer, &got);
      if (err != 0) continue;  // nothing passed on; the pipe stays open
      if (got == 0) {
        desc.DestroyPipe();  // end of file
        continue;
      }
      // The pipe is drained whatever the sink does, so that the child never blocks on a full
      // pipe; a sink that cannot take the text reports that itself.
      (void)desc.stream_->Write(buffer, static_cast<int64_t>(got));
    }
    if (ready[0]) {
      StdInDescC& in = stdin_;
      if (in.pending_offset_ >= in.pending_.size()) {
        in.pending_.clear();
        in.pending_offset_ = 0;
        int64_t got = in.stream_->Read(buffer, sizeof buffer);
        if (got <= 0) {
          in.DestroyPipe();  // end of the source (or its failure): the child sees end of input
        } else {
          in.pending_.assign(buffer, buffer + got);
        }
      }
      if (in.pipe_ != nullptr && in.pending_offset_ < in.pending_.size()) {
        size_t written = 0;
        int err = os_WriteNoSigPipe(in.GetParentFd(), in.pending_.data() + in.pending_offset_,
                                    in.pending_.size() - in.pending_offset_, &written);
        if (err == 0) {
          in.pending_offset_ += written;
        } else if (err != EAGAIN && err != EWOULDBLOCK) {
          in.DestroyPipe();  // the child closed its input (EPIPE) or the pipe failed
        }
      }
    }
    MaybeCallBack(callback, context, intervalMs, reference);
  }
  stdin_.pending_.clear();
  stdin_.pending_offset_ = 0;
}

RcT ProcessC::PollStatus(bool* done) {
  *done = wait_status_ != -1;
  if (*done) return RC_OK;
  bool got = false;
  int status = 0;
  if (int err = os_WaitNoHang(pid_, &got, &status); err != 0) return os_RcFromErrno(err);
  if (got && !WIFSTOPPED(status)) {
    wait_status_ = status;
    process_fd_.Reset();
    *done = true;
  }
  return RC_OK;
}

RcT ProcessC::Wait(WaitCallbackT callback, void* context, uint32_t intervalMs) {
  // Without a child nobody would ever close the child's ends of attached pipes, and the pump
  // would wait for their end for ever.
  if (pid_ <= 0) return RC_FAIL;
  int64_t reference = os_MonotonicMs();
  Pump(callback, context, intervalMs, &reference);
  if (wait_status_ != -1) return RC_OK;
  if (!process_fd_.IsValid()) process_fd_.Reset(os_OpenProcessFd(pid_));
  for (;;) {
    bool done = false;
    if (RcT rc = PollStatus(&done); rc != RC_OK || done) return rc;
    MaybeCallBack(callback, context, intervalMs, &reference);
    const int timeout = TimeoutUntilCallback(callback, intervalMs, reference);
    if (process_fd_.IsValid()) {
      bool ready = false;
      if (os_WaitReadable(process_fd_.Get(), timeout, &ready) != 0) {
        process_fd_.Reset();  // fall back to the periodic look
      }
    } else {
      SleepMs(static_cast<uint32_t>(timeout));
    }
  }
}

RcT ProcessC::GetExitCode(unsigned long* out) {
  if (out == nullptr) return RC_POINTER;
  *out = 0;
  if (pid_ <= 0) return c_NoProcessId;
  while (wait_status_ == -1) {
    bool got = false;
    int status = 0;
    if (int err = os_WaitNoHang(pid_, &got, &status); err != 0) return os_RcFromErrno(err);
    if (!got || WIFSTOPPED(status)) return c_StillRunning;
    wait_status_ = status;
    process_fd_.Reset();
  }
  if (WIFSIGNALED(wait_status_)) {
    *out = static_cast<unsigned long>(WTERMSIG(wait_status_));
    return c_EndedBySignal;
  }
  if (WIFEXITED(wait_status_)) {
    *out = static_cast<unsigned long>(WEXITSTATUS(wait_status_));
    return RC_OK;
  }
  return RC_UNEXPECTED;
}

RcT ProcessC::GetExitCode32(uint32_t* out) {
  if (out == nullptr) return RC_POINTER;
  unsigned long value = 0;
  RcT rc = GetExitCode(&value);
  if (rc == RC_OK || rc == c_EndedBySignal) *out = static_cast<uint32_t>(value);
  return rc;
}

// --- Signals -----------------------------------------------------------------------------------

RcT ProcessC::Signal(int signal) noexcept {
  // kill(-1) or kill(0) would reach every process of the user or the group.
  if (pid_ <= 0) return RC_FAIL;
  if (wait_status_ != -1) return os_RcFromErrno(ESRCH);
  if (int err = os_SendSignal(pid_, signal); err != 0) return os_RcFromErrno(err);
  return RC_OK;
}

bool ProcessC::WaitGroupGone(uint32_t ms) {
  const int64_t deadline = os_MonotonicMs() + ms;
  for (;;) {
    bool ended = wait_status_ != -1;
    if (!ended && os_HasEnded(pid_, &ended) != 0) ended = true;  // not ours to wait for
    bool live = true;
    if (ended && os_GroupHasLiveMembers(pid_, &live) == 0 && !live) return true;
    const int64_t left = deadline - os_MonotonicMs();
    if (left <= 0) return false;
    SleepMs(static_cast<uint32_t>(left < c_GroupPollMs ? left : c_GroupPollMs));
  }
}

RcT ProcessC::TerminateGroup(uint32_t graceMs, bool* killed) {
  *killed = false;
  if (pid_ <= 0) return RC_FAIL;
  if (own_group_ == 0) return RC_UNEXPECTED;
  // A stopped member would not act on SIGTERM before SIGCONT.
  // A group already gone cannot be signalled; WaitGroupGone below decides.
  (void)os_SignalGroup(pid_, SIGTERM);
  (void)os_SignalGroup(pid_, SIGCONT);
  if (!WaitGroupGone(graceMs)) {
    *killed = true;
    // As above: a group already gone cannot be signalled; WaitGroupGone decides.
    (void)os_SignalGroup(pid_, SIGKILL);
    if (!WaitGroupGone(c_KillSettleMs)) return c_StillRunning;
  }
  bool done = false;
  // Collects the leader's status if it is there; the group is gone either way.
  (void)PollStatus(&done);
  return RC_OK;
}

RcT ProcessC::Suspend() noexcept {
  return Signal(SIGSTOP);
}

RcT ProcessC::Resume() noexcept {
  return Signal(SIGCONT);
}

RcT ProcessC::Terminate() noexcept {
  return Signal(SIGTERM);
}
