// The facts of the current run that the metrics file reports, gathered where they happen, and
// the write at the end of the run. The policy client runs on one thread; so do these.
#ifndef QLM_POLICY_PLCRUNMETRICS_H_
#define QLM_POLICY_PLCRUNMETRICS_H_

#include "policy/PlcMetricsC.h"

class EnvPreferencesC;

// The name of the preference that names the metrics file; empty or unset: no metrics.
inline constexpr const char* c_PlcMetricsFilePreference = "MetricsFile";

// Starts a run's record: the start time now, no agent run, not refused.
void PlcMetricsNoteStart() noexcept;
// The installation agent's exit status (-1: it did not run or did not exit normally). The last
// call of a run counts: the policy's agent runs after the default schedule's.
void PlcMetricsNoteAgentExit(int exitCode) noexcept;
// Another run held the single-instance lock.
void PlcMetricsNoteRefusedByLock() noexcept;

// The record so far, with `exitCode` and the duration up to now, for `policyType`.
[[nodiscard]] PlcRunMetricsS PlcMetricsSnapshot(const char* policyType, int exitCode);

// Writes the metrics of the run that ends with `exitCode` to the expanded "MetricsFile" of
// `preferences`, when that is not empty. The policy type is the expanded "PolicyType", or the
// type the run would have taken when the command line was refused before it was decided. A
// file that cannot be written is logged as a warning; the exit code never depends on it.
void PlcMetricsWriteForRun(EnvPreferencesC& preferences, int exitCode);

#endif  // QLM_POLICY_PLCRUNMETRICS_H_
