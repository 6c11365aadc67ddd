// PlcMetricsC: the health of the last runs, for a fleet's monitoring, as a Prometheus text file.
//
// At the end of every run the policy client writes the file named by the preference
// "MetricsFile" (empty: no file). The file holds one sample per metric and policy type, so
// machine and user runs that share one file keep each other's samples; a run replaces only
// the samples of its own policy type. The last success time is carried over from the previous
// file when the run failed. Times are seconds since the Unix epoch, durations seconds.
//
// Rendering and reading the previous file are pure (this file pair); the file itself is read
// and replaced by PlcMetricsFile_posix.
#ifndef QLM_POLICY_PLCMETRICSC_H_
#define QLM_POLICY_PLCMETRICSC_H_

#include <map>
#include <string>
#include <string_view>

// What one run reports.
struct PlcRunMetricsS {
  std::string policyType;      // "Machine" or "User": the label of every sample
  double startTime = 0;        // seconds since the epoch when the run started
  double duration = 0;         // seconds the run took (monotonic clock)
  int exitCode = 1;            // the program's exit code, 0 or 1
  int agentExitCode = -1;      // the installation agent's exit status; -1 when it did not run
                               // or did not exit normally
  bool refusedByLock = false;  // another run held the single-instance lock
};

class PlcMetricsC {
 public:
  // The metric names, in the order they are written.
  static constexpr const char* c_LastRunTime = "qlmpolicy_last_run_timestamp_seconds";
  static constexpr const char* c_Duration = "qlmpolicy_last_run_duration_seconds";
  static constexpr const char* c_ExitCode = "qlmpolicy_last_run_exit_code";
  static constexpr const char* c_AgentExitCode = "qlmpolicy_last_run_agent_exit_code";
  static constexpr const char* c_LastSuccessTime = "qlmpolicy_last_success_timestamp_seconds";
  static constexpr const char* c_RefusedByLock = "qlmpolicy_last_run_refused_by_lock";
  static constexpr const char* c_Label = "policy_type";

  // The samples of a metrics file, keyed by metric name and then policy type, values as
  // written. Only the metrics above with a single well-formed "policy_type" label of letters
  // and a finite decimal value are taken; every other line is ignored, so a damaged or foreign
  // file never stops a run from writing a sound one.
  using SamplesT = std::map<std::string, std::map<std::string, std::string>>;
  [[nodiscard]] static SamplesT Parse(std::string_view text);

  // The whole file for `run`: its own samples, and those of other policy types from
  // `previous` (a file's text, possibly empty). The last success time is the run's end when
  // it exited with 0, else the previous file's value for this policy type, else 0.
  [[nodiscard]] static std::string Render(const PlcRunMetricsS& run, std::string_view previous);

  // A finite number in the shortest text that reads back to the same value.
  [[nodiscard]] static std::string FormatValue(double value);
};

#endif  // QLM_POLICY_PLCMETRICSC_H_
