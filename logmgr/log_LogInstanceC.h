// log_LogInstanceC: one logger of the log manager together with its level filter.
#ifndef QLM_LOG_LOG_LOGINSTANCEC_H_
#define QLM_LOG_LOG_LOGINSTANCEC_H_

#include <memory>

#include "base/StringC.h"
#include "log/TraceC.h"
#include "logmgr/log_LoggerC.h"

class log_LogEntryC;

class log_LogInstanceC {
 public:
  // Takes `logger` and builds the filter: `level` (the "LogLevel" text) is passed through the
  // logger's PreferredLevel and the result parsed in enable mode into an empty filter. A
  // malformed text keeps what was parsed before the fault.
  log_LogInstanceC(std::unique_ptr<log_LoggerC> logger, const StringC& level);
  log_LogInstanceC(const log_LogInstanceC&) = delete;
  log_LogInstanceC& operator=(const log_LogInstanceC&) = delete;
  ~log_LogInstanceC();

  // True when the filter passes the entry's letter and level.
  bool Accepts(uint32_t letter, uint32_t level) const noexcept {
    return filter_.IsEnabled(letter, level);
  }
  // Writes `entry` when the filter passes it.
  void Write(const log_LogEntryC& entry);

  log_LoggerC& Logger() const noexcept { return *logger_; }
  const TraceC& Filter() const noexcept { return filter_; }
  // The level specification the filter was parsed from.
  const StringC& Level() const noexcept { return level_; }

 private:
  std::unique_ptr<log_LoggerC> logger_;
  TraceC filter_;
  StringC level_;
};

#endif  // QLM_LOG_LOG_LOGINSTANCEC_H_
