// ExecuteCommand: the one-call way to run an external command: split the command line, start
// the child with the given standard streams and environment, optionally wait for its exit
// code, map the start result to an outcome and log it. Also LaunchBrowser and
// IsExternalExecEnabled.
#ifndef QLM_OS_EXECUTECOMMAND_H_
#define QLM_OS_EXECUTECOMMAND_H_

#include <cstdint>

#include "base/StringC.h"
#include "cmn/cmn_Result.h"
#include "messages/os_Messages.h"
#include "os/ProcessC.h"

class InputStreamC;
class OutputStreamC;
class rkk_VariableListC;

// What became of a command: the fixed answer of ExecuteCommand, which its callers know by
// these values; ExecuteOutcomeOf maps the start's result code onto them.
enum ExecuteOutcome : int {
  EXECUTE_STARTED = 0,           // "Started Successfully"
  EXECUTE_UNSPECIFIED = 1,       // "Unspecified Failure"
  EXECUTE_OUT_OF_RESOURCES = 2,  // "Out Of Resorces"
  EXECUTE_BAD_FORMAT = 3,        // "Bad Format"
  EXECUTE_FILE_NOT_FOUND = 4,    // "File Not Found:" + the command line
  EXECUTE_PATH_NOT_FOUND = 5,    // "Path Not Found:" + the command line
  EXECUTE_DDE_FAILURE = 6,       // "DDE Failure" (never produced)
  EXECUTE_ACCESS_DENIED = 7,     // "Access denied"
};

// The log lines are OS_M_EXECUTE, OS_M_EXECUTE_RETURNED and OS_M_EXECUTE_EXIT_CODE, with
// default texts OS_T_<name> (messages/os.def).
// The component letter ExecuteCommand logs under.
inline constexpr int OS_EXECUTE_COMPONENT = 71;  // 'G'

// How ExecuteCommand runs a command. The defaults run it with the inherited environment and
// standard streams and return once it has exec'd, without waiting.
struct ExecuteOptionsS {
  // Extra variables for the child (may be null): the installed ProcessEnvironmentI merges them
  // into the current environment, and the merged list (entries starting with "=" dropped)
  // replaces the child's environment. Without an installed object, or without a list, the
  // child inherits the environment.
  const rkk_VariableListC* variables = nullptr;
  // When given, ExecuteCommand waits for the child and stores its exit status (0 to 255) or,
  // when a signal ended it, the signal's number; when the status cannot be collected the
  // outcome is EXECUTE_UNSPECIFIED and the exit code ULONG_MAX. Null: returns once the child
  // has exec'd; the child is then detached (ProcessC::SetDetached), so the system collects it
  // and it never lingers as a zombie.
  unsigned long* exit_code = nullptr;
  // Pumped to and from the child while waiting (each may be null: the parent's stream is
  // inherited). Not owned; they must outlive the call.
  InputStreamC* stdin_source = nullptr;
  OutputStreamC* stdout_sink = nullptr;
  OutputStreamC* stderr_sink = nullptr;
  // The child leads a process group of its own (ProcessC::SetOwnProcessGroup).
  bool own_process_group = false;
  // Called with `context` while waiting (only with an exit code), every `interval_ms`
  // milliseconds, as ProcessC::Wait describes; may end the child's group with
  // ProcessC::TerminateGroup. Null: no callback.
  ProcessC::WaitCallbackT callback = nullptr;
  void* context = nullptr;
  uint32_t interval_ms = 1000;
};

// Runs `commandLine` (8-bit system text; null counts as empty) as `options` say.
// Logs "Execute “<line>”" before, "Execute returned “<outcome text>”. " after and, for a
// child waited for, "Command “<line>” returned exit code <n>", through the process log hook.
// Blocks while waiting.
ExecuteOutcome ExecuteCommand(const char* commandLine, const ExecuteOptionsS& options);

// The positional form of the same call, kept for callers that name every argument in order:
// the arguments fill the fields of ExecuteOptionsS of the same names; the reserved arguments
// have no effect.
ExecuteOutcome ExecuteCommand(const char* commandLine, const rkk_VariableListC* variables,
                              unsigned long* exitCode, int reserved1, int reserved2, int reserved3,
                              InputStreamC* stdinSource, OutputStreamC* stdoutSink,
                              OutputStreamC* stderrSink, int reserved4 = 0);

// The outcome of a start result.
[[nodiscard]] ExecuteOutcome ExecuteOutcomeOf(RcT startResult) noexcept;
// The outcome's text from the message catalog (or its default text); for outcomes 4 and 5
// the command line follows directly.
StringC ExecuteOutcomeText(ExecuteOutcome outcome, const StringC& commandLine);

// Runs the browser of the preference "BROWSEREXE" (default "netscape.exe") with `url` as one
// more argument (quoted as needed, so the URL stays one argument whatever it holds), without
// waiting. Returns the outcome.
ExecuteOutcome LaunchBrowser(const StringC& url);

// True when the setting OUIEXTERNALEXEC begins with "ok". It is looked up in the process
// environment and, when absent there, through the installed ProcessEnvironmentI in the
// "Environment" section of the preference files; without an installed object an absent
// setting counts as enabled.
[[nodiscard]] bool IsExternalExecEnabled();

#endif  // QLM_OS_EXECUTECOMMAND_H_
