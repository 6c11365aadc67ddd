#include "logmgr/log_LogInstanceC.h"

#include "logmgr/log_LogEntryC.h"

log_LogInstanceC::log_LogInstanceC(std::unique_ptr<log_LoggerC> logger, const StringC& level)
    : logger_(std::move(logger)), level_(logger_->PreferredLevel(level)) {
  // A malformed level keeps the filter's default (everything).
  (void)filter_.Parse(level_.Utf8View(), true);
}

log_LogInstanceC::~log_LogInstanceC() = default;

void log_LogInstanceC::Write(const log_LogEntryC& entry) {
  if (filter_.IsEnabled(entry.Letter(), entry.Level())) logger_->Write(entry);
}
