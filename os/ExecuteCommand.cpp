#include "os/ExecuteCommand.h"

#include <stdlib.h>

#include <climits>
#include <string>

#include "base/ArgListC.h"
#include "base/StringArrayC.h"
#include "log/ErrMessages.h"
#include "os/CommandLine.h"
#include "os/InputStreamC.h"
#include "os/OutputStreamC.h"
#include "os/ProcessC.h"
#include "os/ProcessEnvironmentI.h"
#include "os/ProcessLogHook.h"

namespace {

struct OutcomeTextS {
  uint32_t number;
  const char* text;
};

// Indexed by outcome.
constexpr OutcomeTextS kOutcomeTexts[] = {
    {OS_E_OUTCOME_STARTED, OS_T_OUTCOME_STARTED},
    {OS_E_OUTCOME_UNSPECIFIED, OS_T_OUTCOME_UNSPECIFIED},
    {OS_E_OUTCOME_NO_RESOURCES, OS_T_OUTCOME_NO_RESOURCES},
    {OS_E_OUTCOME_BAD_FORMAT, OS_T_OUTCOME_BAD_FORMAT},
    {OS_E_OUTCOME_FILE_NOT_FOUND, OS_T_OUTCOME_FILE_NOT_FOUND},
    {OS_E_OUTCOME_PATH_NOT_FOUND, OS_T_OUTCOME_PATH_NOT_FOUND},
    {OS_E_OUTCOME_DDE_FAILURE, OS_T_OUTCOME_DDE_FAILURE},
    {OS_E_OUTCOME_ACCESS_DENIED, OS_T_OUTCOME_ACCESS_DENIED},
};

constexpr int kLogLevel = 0;

void Log(uint32_t number, const char* text, const ArgListC& args) {
  ProcessLog(OS_EXECUTE_COMPONENT, kLogLevel, number, text, args);
}

}  // namespace

ExecuteOutcome ExecuteOutcomeOf(RcT startResult) noexcept {
  switch (startResult) {
    case RC_OK:
      return EXECUTE_STARTED;
    case 0xE000000B:  // EAGAIN
    case 0xE000000C:  // ENOMEM
    case 0xE0000017:  // ENFILE
    case 0xE0000018:  // EMFILE
    case 0xE000001B:  // EFBIG
    case 0xE000001C:  // ENOSPC
      return EXECUTE_OUT_OF_RESOURCES;
    case 0xE0000008:  // ENOEXEC
      return EXECUTE_BAD_FORMAT;
    case 0xE0000002:  // ENOENT
      return EXECUTE_FILE_NOT_FOUND;
    case 0xE0000006:  // ENXIO
    case 0xE0000013:  // ENODEV
    case 0xE0000014:  // ENOTDIR
      return EXECUTE_PATH_NOT_FOUND;
    case 0xE0000001:  // EPERM
    case 0xE000000D:  // EACCES
      return EXECUTE_ACCESS_DENIED;
    default:
      return EXECUTE_UNSPECIFIED;
  }
}

StringC ExecuteOutcomeText(ExecuteOutcome outcome, const StringC& commandLine) {
  const int index = outcome >= EXECUTE_STARTED && outcome <= EXECUTE_ACCESS_DENIED
                        ? static_cast<int>(outcome)
                        : static_cast<int>(EXECUTE_UNSPECIFIED);
  StringC text = ErrGetText(kOutcomeTexts[index].number, kOutcomeTexts[index].text);
  if (outcome == EXECUTE_FILE_NOT_FOUND || outcome == EXECUTE_PATH_NOT_FOUND) {
    text.Append(commandLine);
  }
  return text;
}

ExecuteOutcome ExecuteCommand(const char* commandLine, const ExecuteOptionsS& options) {
  const StringC line(commandLine != nullptr ? commandLine : "", StringC::CC_SYS8);
  Log(OS_M_EXECUTE, OS_T_EXECUTE, ArgList << line);
  unsigned long* const exitCode = options.exit_code;

  RcT rc = RC_OK;
  StringArrayC environment;
  if (options.variables != nullptr) {
    if (ProcessEnvironmentI* provider = ProcessEnvironmentI::Get()) {
      StringArrayC merged;
      rc = provider->MakeChildEnvironment(options.variables, &merged);
      for (uint64_t i = 0; i < merged.Count(); ++i) {
        if (merged[i].CharAt(0) != U'=') environment.Append(merged[i]);
      }
    }
  }

  bool status_known = true;
  {
    ProcessC process;
    if (rc == RC_OK && options.stdin_source != nullptr) {
      rc = process.StdIn().AttachStream(options.stdin_source);
    }
    if (rc == RC_OK && options.stdout_sink != nullptr) {
      rc = process.StdOut().AttachStream(options.stdout_sink);
    }
    if (rc == RC_OK && options.stderr_sink != nullptr) {
      rc = process.StdErr().AttachStream(options.stderr_sink);
    }
    StringArrayC arguments;
    SplitCommandLine(line, &arguments);
    process.SetArguments(arguments);
    if (!environment.IsEmpty()) process.SetEnvironment(&environment, 0);
    process.SetOwnProcessGroup(options.own_process_group);
    // Nobody waits for a child whose exit code is not wanted: the system collects it.
    process.SetDetached(exitCode == nullptr);
    if (rc == RC_OK) rc = process.Start();
    if (rc == RC_OK && exitCode != nullptr) {
      // The exit code is read even when waiting failed; only a known status counts.
      (void)process.Wait(options.callback, options.context, options.interval_ms);
      RcT code = process.GetExitCode(exitCode);
      if (code != RC_OK && code != ProcessC::c_EndedBySignal) {
        status_known = false;
        *exitCode = ULONG_MAX;
      }
    }
  }

  ExecuteOutcome outcome = ExecuteOutcomeOf(rc);
  if (!status_known) outcome = EXECUTE_UNSPECIFIED;
  const StringC text = ExecuteOutcomeText(outcome, line);
  Log(OS_M_EXECUTE_RETURNED, OS_T_EXECUTE_RETURNED, ArgList << text);
  if (outcome == EXECUTE_STARTED && exitCode != nullptr) {
    Log(OS_M_EXECUTE_EXIT_CODE, OS_T_EXECUTE_EXIT_CODE, ArgList << line << *exitCode);
  }
  return outcome;
}

ExecuteOutcome ExecuteCommand(const char* commandLine, const rkk_VariableListC* variables,
                              unsigned long* exitCode, int /*reserved1*/, int /*reserved2*/,
                              int /*reserved3*/, InputStreamC* stdinSource,
                              OutputStreamC* stdoutSink, OutputStreamC* stderrSink,
                              int /*reserved4*/) {
  ExecuteOptionsS options;
  options.variables = variables;
  options.exit_code = exitCode;
  options.stdin_source = stdinSource;
  options.stdout_sink = stdoutSink;
  options.stderr_sink = stderrSink;
  return ExecuteCommand(commandLine, options);
}

ExecuteOutcome LaunchBrowser(const StringC& url) {
  StringC browser("netscape.exe", StringC::CC_ASCII);
  if (ProcessEnvironmentI* provider = ProcessEnvironmentI::Get()) {
    StringC value;
    if (provider->GetPreference(StringC("BROWSEREXE", StringC::CC_ASCII), &value)) {
      browser = value;
    }
  }
  StringArrayC one;
  one.Append(url);
  StringC line = browser;
  line.AppendChar(U' ');
  line.Append(JoinCommandLine(one));
  // The command line is 8-bit system text.
  std::string bytes;
  void* raw = line.GetBytes(StringC::CC_SYS8);
  if (raw != nullptr) {
    int64_t n = line.GetByteLength(StringC::CC_SYS8);
    bytes.assign(static_cast<const char*>(raw), n > 0 ? static_cast<size_t>(n) : 0);
    line.ReleaseBytes(raw, StringC::CC_SYS8);
  }
  return ExecuteCommand(bytes.c_str(), ExecuteOptionsS{});
}

bool IsExternalExecEnabled() {
  static constexpr const char* kName = "OUIEXTERNALEXEC";
  if (const char* value = ::getenv(kName)) return value[0] == 'o' && value[1] == 'k';
  ProcessEnvironmentI* provider = ProcessEnvironmentI::Get();
  if (provider == nullptr) return true;
  StringC value;
  if (!provider->FindEnvironmentSetting(StringC(kName, StringC::CC_ASCII), &value)) return false;
  return value.CharAt(0) == U'o' && value.CharAt(1) == U'k';
}
