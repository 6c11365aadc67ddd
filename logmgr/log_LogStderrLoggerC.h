// log_LogStderrLoggerC: the logger of last resort, named "stderr". The log manager lists it
// only when no log file could be opened, so that the run's problems are not invisible: it
// writes every entry of severity warning, error or fatal to standard error as
// "<program>: <text>", the text masked and escaped exactly as in the log file. Writes are
// serialised, so any thread may log.
#ifndef QLM_LOG_LOG_LOGSTDERRLOGGERC_H_
#define QLM_LOG_LOG_LOGSTDERRLOGGERC_H_

#include <string>

#include "cmn/cmn_MutexC.h"
#include "logmgr/log_LoggerC.h"

class log_LogStderrLoggerC : public log_LoggerC {
 public:
  static const char* const name_;  // "stderr"
  // Lowest severity written (3, warning).
  static constexpr int c_MinimumSeverity = 3;

  log_LogStderrLoggerC();
  ~log_LogStderrLoggerC() override;

  // Writes the entry when its severity is at least a warning.
  void Write(const log_LogEntryC& entry) override;
  // Always true.
  bool IsReady() const override;

  // The text written for `entry` (without program name and line break).
  static std::string LineOf(const log_LogEntryC& entry);

 private:
  cmn_MutexC mutex_;  // one line at a time on standard error
};

#endif  // QLM_LOG_LOG_LOGSTDERRLOGGERC_H_
