// PlcTerminationSignalsC: the run's answer to SIGTERM, SIGINT and SIGHUP.
//
// While an object lives, those signals no longer end the process: the handler only records
// the first one, and the run, which looks at Pending() while it waits for the installation
// agent, ends the agent's process group and then itself in order, so that the single-instance
// lock is given back only once the agent is gone. The destructor restores the dispositions
// found at construction. One object at a time, on the main thread.
#ifndef QLM_POLICY_PLCTERMINATIONSIGNALS_POSIX_H_
#define QLM_POLICY_PLCTERMINATIONSIGNALS_POSIX_H_

#include <signal.h>

class PlcTerminationSignalsC {
 public:
  PlcTerminationSignalsC() noexcept;
  PlcTerminationSignalsC(const PlcTerminationSignalsC&) = delete;
  PlcTerminationSignalsC& operator=(const PlcTerminationSignalsC&) = delete;
  ~PlcTerminationSignalsC();

  // The number of the first termination signal received while an object lived, or 0.
  [[nodiscard]] static int Pending() noexcept;

 private:
  static constexpr int c_Count = 3;
  struct sigaction previous_[c_Count];
  bool installed_[c_Count] = {false, false, false};
};

#endif  // QLM_POLICY_PLCTERMINATIONSIGNALS_POSIX_H_
