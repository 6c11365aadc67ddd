#include "policy/PlcRunMetrics.h"

#include <unistd.h>

#include <string>

#include "env/EnvPreferencesC.h"
#include "env/env_Sys8TextC.h"
#include "policy/PlcLog.h"
#include "policy/PlcMetricsFile_posix.h"
#include "policy/PlcPreferencesC.h"

namespace {

struct RunRecordS {
  double startWall = 0;
  double startMonotonic = 0;
  int agentExitCode = -1;
  bool refusedByLock = false;
};

RunRecordS g_Run;

}  // namespace

void PlcMetricsNoteStart() noexcept {
  g_Run = RunRecordS{PlcWallClockSeconds(), PlcMonotonicSeconds(), -1, false};
}

void PlcMetricsNoteAgentExit(int exitCode) noexcept {
  g_Run.agentExitCode = exitCode;
}

void PlcMetricsNoteRefusedByLock() noexcept {
  g_Run.refusedByLock = true;
}

PlcRunMetricsS PlcMetricsSnapshot(const char* policyType, int exitCode) {
  PlcRunMetricsS run;
  run.policyType = policyType != nullptr ? policyType : "";
  run.startTime = g_Run.startWall;
  const double elapsed = PlcMonotonicSeconds() - g_Run.startMonotonic;
  run.duration = elapsed > 0 ? elapsed : 0;
  run.exitCode = exitCode;
  run.agentExitCode = g_Run.agentExitCode;
  run.refusedByLock = g_Run.refusedByLock;
  return run;
}

void PlcMetricsWriteForRun(EnvPreferencesC& preferences, int exitCode) {
  const StringC name(c_PlcMetricsFilePreference, StringC::CC_ASCII);
  const StringC file = preferences.GetValue(name);
  if (file.IsEmpty()) return;

  // Only the two types are labels; a refused command line may not have decided it yet.
  const StringC type = preferences.GetValue(PlcPreferencesC::c_PolicyType);
  const char* label = nullptr;
  if (PlcPreferencesC::SameText(type, PlcPreferencesC::s_MachinePolicy)) {
    label = PlcPreferencesC::s_MachinePolicy;
  } else if (PlcPreferencesC::SameText(type, PlcPreferencesC::s_UserPolicy)) {
    label = PlcPreferencesC::s_UserPolicy;
  } else {
    label = ::geteuid() == 0 ? PlcPreferencesC::s_MachinePolicy : PlcPreferencesC::s_UserPolicy;
  }

  const std::string path(env_Sys8TextC(file).Get());
  std::string previous;
  // An unreadable previous file only loses the carried-over samples.
  (void)PlcReadMetricsFile(path, &previous);
  const std::string text = PlcMetricsC::Render(PlcMetricsSnapshot(label, exitCode), previous);
  std::string reason;
  if (PlcReplaceMetricsFile(path, text, &reason) != RC_OK) {
    PlcLog(plc::kMetricsNotWritten, ArgList << file << StringC(reason.c_str(), StringC::CC_SYS8));
  }
}
