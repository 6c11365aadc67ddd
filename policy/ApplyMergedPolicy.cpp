#include "policy/ApplyMergedPolicy.h"

#include <unistd.h>

#include <climits>

#include <chrono>
#include <string>
#include <vector>

#include "base/TextUtil.h"
#include "cmn/cmn_SafeOpen_posix.h"
#include "env/env_Sys8TextC.h"
#include "os/CommandLine.h"
#include "os/ExecuteCommand.h"
#include "policy/PlcLog.h"
#include "policy/PlcPreferencesC.h"
#include "policy/PlcRunMetrics.h"
#include "policy/PlcTerminationSignals_posix.h"

namespace {

StringC Ascii(const char* text) {
  return StringC(text, StringC::CC_ASCII);
}

constexpr const char* kAgent = "rklaunch";
constexpr const char* kMachineQuery = "?machinename=$(MachineName)&ipaddress=$(MachineIPAddresses)";

bool SplitsTo(const StringC& line, const std::vector<StringC>& expected) {
  StringArrayC parts;
  SplitCommandLine(line, &parts);
  if (parts.Count() != expected.size()) return false;
  for (size_t i = 0; i < expected.size(); ++i) {
    if (!parts[i].Equals(expected[i])) return false;
  }
  return true;
}

// `text` written so that the agent receives it as one argument: between double quotes when
// that is enough, else with the quoting of JoinCommandLine. False when neither arrives whole
// or the written form would escape the blank that follows it.
bool QuoteWhole(const StringC& text, StringC* quoted) {
  StringC plain = Ascii("\"");
  plain.Append(text);
  plain.AppendChar(U'"');
  if (SplitsTo(plain, {text})) {
    *quoted = plain;
    return true;
  }
  StringArrayC one;
  one.Append(text);
  StringC joined = JoinCommandLine(one);
  if (SplitsTo(joined, {text}) && joined.CharAt(joined.Length() - 1) != U'\\') {
    *quoted = joined;
    return true;
  }
  return false;
}

// How often the wait for the agent looks at the clock and at received signals (ms).
constexpr uint32_t kWatchIntervalMs = 50;

// What the wait for the agent watches: its time limit and the grace before SIGKILL.
struct AgentWatchS {
  std::chrono::steady_clock::time_point started;
  int64_t timeoutSeconds = 0;  // 0: no limit
  int64_t graceSeconds = 30;
  bool stopping = false;  // the group was told to stop; once is enough
};

// A preference holding a count of seconds: its value, or `fallback` (with a warning) when it
// is not a number from 0 up.
int64_t SecondsPreference(PlcPreferencesC& preferences, const env_EnvOptsC& name,
                          int64_t fallback) {
  const StringC text = preferences.GetValue(name);
  RcT rc = RC_OK;
  const int64_t value = ToInteger(text, &rc, 10);
  if (rc == RC_OK && value >= 0 && value <= INT32_MAX) return value;
  StringC shown = name.GetName();
  shown.AppendChar(U'=');
  shown.Append(text);
  PlcLog(plc::kInvalidPreference, ArgList << shown);
  return fallback;
}

// The wait's callback: stops the agent's process group once a termination signal came or the
// time limit passed, and logs what became of it. Always lets the wait go on; the wait then
// collects the ended agent.
bool WatchAgent(ProcessC* process, void* context) {
  AgentWatchS& watch = *static_cast<AgentWatchS*>(context);
  if (watch.stopping) return true;
  const int signal = PlcTerminationSignalsC::Pending();
  const bool timedOut = signal == 0 && watch.timeoutSeconds > 0 &&
                        std::chrono::steady_clock::now() - watch.started >=
                            std::chrono::seconds(watch.timeoutSeconds);
  if (signal == 0 && !timedOut) return true;
  watch.stopping = true;
  int32_t pid = 0;
  // The pid only names the agent in the message; 0 when unknown.
  (void)process->GetPid(&pid);
  if (signal != 0) {
    PlcLog(plc::kAgentSignalled, ArgList << signal << pid);
  } else {
    PlcLog(plc::kAgentTimedOut, ArgList << pid << static_cast<int32_t>(watch.timeoutSeconds));
  }
  bool killed = false;
  const RcT rc =
      process->TerminateGroup(static_cast<uint32_t>(watch.graceSeconds) * 1000u, &killed);
  if (killed) PlcLog(plc::kAgentKilled, ArgList << pid << static_cast<int32_t>(watch.graceSeconds));
  if (rc != RC_OK) {
    PlcLog(plc::kAgentNotGone, ArgList << pid);
  } else if (!killed) {
    PlcLog(plc::kAgentStopped, ArgList << pid);
  }
  return true;
}

// Runs `line` in a process group of its own and waits: true when it was started, finished,
// and exited with 0. A termination signal or the AgentTimeout preference ends the group
// first (see WatchAgent); the agent has then not succeeded.
bool RunAgent(PlcPreferencesC& preferences, const StringC& line) {
  AgentWatchS watch;
  watch.timeoutSeconds = SecondsPreference(preferences, PlcPreferencesC::c_AgentTimeout, 0);
  watch.graceSeconds = SecondsPreference(preferences, PlcPreferencesC::c_AgentTerminateGrace, 30);
  watch.started = std::chrono::steady_clock::now();
  unsigned long exitCode = 0;
  ExecuteOptionsS options;
  options.exit_code = &exitCode;
  options.own_process_group = true;
  options.callback = &WatchAgent;
  options.context = &watch;
  options.interval_ms = kWatchIntervalMs;
  const env_Sys8TextC bytes(line);
  const ExecuteOutcome outcome = ExecuteCommand(bytes.Get(), options);
  // The agent may have moved or made again the product's directories: paths are resolved
  // afresh from here on.
  cmn_SafeOpenForgetDirectories();
  PlcMetricsNoteAgentExit(outcome == EXECUTE_STARTED ? static_cast<int>(exitCode) : -1);
  return outcome == EXECUTE_STARTED && exitCode == 0 && !watch.stopping;
}

// The install profile option of `policyType`, or null for neither type.
const char* InstallProfile(const StringC& policyType) {
  if (PlcPreferencesC::SameText(policyType, PlcPreferencesC::s_UserPolicy)) {
    return "InstallProfile=Private";
  }
  if (PlcPreferencesC::SameText(policyType, PlcPreferencesC::s_MachinePolicy)) {
    return "InstallProfile=Public";
  }
  return nullptr;
}

// What one agent run logs: the announcement (with its argument) first, the outcome last.
struct AgentRunMessagesS {
  const PlcMessageS& announce;
  const PlcMessageS& succeeded;
  const PlcMessageS& failed;
};

// Completes `head` with the install profile of `policyType`, the launcher text and the extra
// options, logs the announcement and the line, runs the agent and logs the outcome. 0 when the
// agent was run and exited with 0; c_PlcFailed otherwise (also when the line cannot be built).
[[nodiscard]] RcT InstallWithAgent(PlcPreferencesC& preferences,
                                   std::vector<PlcAgentArgumentS> head, const StringC& policyType,
                                   const AgentRunMessagesS& messages, const StringC& announced) {
  if (const char* profile = InstallProfile(policyType)) {
    head.push_back({Ascii("-o"), false});
    head.push_back({Ascii(profile), false});
  }
  StringC line;
  StringC refused;
  const bool built = BuildAgentCommandLine(
      head.data(), head.size(), preferences.GetValue(PlcPreferencesC::c_LauncherCommandLine),
      preferences.ExtraOptions(), &line, &refused);
  PlcLog(messages.announce, ArgList << announced);
  if (!built) {
    PlcLog(plc::kOptionNotPassable, ArgList << refused);
    PlcLog(messages.failed);
    return c_PlcFailed;
  }
  if (const int signal = PlcTerminationSignalsC::Pending(); signal != 0) {
    PlcLog(plc::kSignalledNoAgent, ArgList << signal);
    PlcLog(messages.failed);
    return c_PlcFailed;
  }
  PlcLog(plc::kCallingAgent, ArgList << line);
  if (RunAgent(preferences, line)) {
    PlcLog(messages.succeeded);
    return 0;
  }
  PlcLog(messages.failed);
  return c_PlcFailed;
}

}  // namespace

bool IsAdministrator() noexcept {
  return ::geteuid() == 0;
}

bool BuildAgentCommandLine(const PlcAgentArgumentS* head, size_t headCount, const StringC& launcher,
                           const StringArrayC& options, StringC* line, StringC* refused) {
  StringC built;
  std::vector<StringC> expected;
  for (size_t i = 0; i < headCount; ++i) {
    if (i > 0) built.AppendChar(U' ');
    if (head[i].quote) {
      StringC quoted;
      if (!QuoteWhole(head[i].text, &quoted)) {
        *refused = head[i].text;
        return false;
      }
      built.Append(quoted);
    } else {
      built.Append(head[i].text);
    }
    expected.push_back(head[i].text);
  }
  if (!launcher.IsEmpty()) {
    built.AppendChar(U' ');
    built.Append(launcher);
    StringArrayC launcherParts;
    SplitCommandLine(launcher, &launcherParts);
    for (uint64_t i = 0; i < launcherParts.Count(); ++i) expected.push_back(launcherParts[i]);
  }
  for (uint64_t i = 0; i < options.Count(); ++i) {
    StringC quoted;
    if (!QuoteWhole(options[i], &quoted)) {
      *refused = options[i];
      return false;
    }
    built.Append(Ascii(" -o "));
    built.Append(quoted);
    expected.push_back(Ascii("-o"));
    expected.push_back(options[i]);
  }
  // The launcher text is the administrator's own fragment of a command line; one that would
  // swallow the options after it (an open quote, a trailing backslash) is refused.
  if (!SplitsTo(built, expected)) {
    *refused = launcher;
    return false;
  }
  *line = built;
  return true;
}

RcT RunDefaultScheduleInstall(PlcPreferencesC& preferences, const StringC& policyType) {
  const StringC path = preferences.GetValue(PlcPreferencesC::c_DefaultSchedulePath);
  return InstallWithAgent(
      preferences, {{Ascii(kAgent), false}, {Ascii("-r"), false}, {path, true}}, policyType,
      {plc::kInstallingSchedule, plc::kScheduleInstalled, plc::kScheduleFailed}, path);
}

namespace {

[[nodiscard]] RcT ApplyMergedPolicyOnce(PlcPreferencesC& preferences) {
  // Only an administrator may apply a machine policy.
  const StringC policyType = preferences.GetValue(PlcPreferencesC::c_PolicyType);
  const bool machine = PlcPreferencesC::SameText(policyType, PlcPreferencesC::s_MachinePolicy);
  if (machine && !IsAdministrator()) {
    PlcLog(plc::kOnlyAdministrators);
    return c_PlcFailed;
  }

  // The default schedule; its outcome does not decide ours.
  if (preferences.GetBool(PlcPreferencesC::c_InstallDefaultSchedule, false)) {
    // Its outcome is logged by the install itself and does not decide ours.
    (void)RunDefaultScheduleInstall(preferences, StringC(policyType));
  }

  // Where the policy comes from: a client source holds only on Windows NT 5 or later and
  // otherwise falls back to the server.
  StringC address;
  bool serverSide = false;
  const StringC source = preferences.GetValue(PlcPreferencesC::c_PolicySource);
  if (PlcPreferencesC::SameText(source, PlcPreferencesC::s_ClientSource)) {
    const StringC version = preferences.GetValue(Ascii("OSVERSION"));
    const StringC os = preferences.GetValue(Ascii("OS"));
    const int64_t comma = version.FindChar(U',');
    const StringC leading = comma >= 0 ? version.Substring(0, comma) : version;
    const int64_t major = ToInteger(leading, nullptr, 0);
    if (PlcPreferencesC::SameText(os, "WinNT") && major >= 5) {
      PlcLog(plc::kClientSource);
    } else {
      serverSide = true;
      PlcLog(plc::kSwitchedToServer);
    }
  } else if (PlcPreferencesC::SameText(source, PlcPreferencesC::s_ServerSource)) {
    serverSide = true;
    PlcLog(plc::kServerSource);
  }

  // The server's address keeps every reference that found no value as written, the
  // download root's in particular: the agent resolves it.
  if (serverSide) {
    preferences.SetDropMissingNames(false);
    preferences.Remove(Ascii("DownloadRootURL"));
    address = preferences.GetValue(PlcPreferencesC::c_PolicyServerURL);
    preferences.SetDropMissingNames(true);
  }

  // A machine policy's address carries the machine's name and addresses.
  if (address.Find(Ascii(".rpl?")) < 0 && machine) {
    address.Append(preferences.Expand(Ascii(kMachineQuery)));
  }

  // Only the address was asked for, or there is none.
  if (preferences.GetBool(PlcPreferencesC::c_GeneratePolicyOnly, false) || address.IsEmpty()) {
    return 0;
  }

  // Build the agent's command line and run it; its exit status decides the result.
  return InstallWithAgent(
      preferences,
      {{Ascii(kAgent), false},
       {Ascii("-r"), false},
       {address, true},
       {Ascii("-o"), false},
       {Ascii("PkgType=Policy"), false}},
      policyType, {plc::kInstallingPolicy, plc::kPolicyInstalled, plc::kPolicyFailed}, address);
}

}  // namespace

RcT ApplyMergedPolicy(PlcPreferencesC& preferences) {
  const RcT rc = ApplyMergedPolicyOnce(preferences);
  // A run told to terminate has failed, whatever it got done before.
  return PlcTerminationSignalsC::Pending() != 0 ? c_PlcFailed : rc;
}
