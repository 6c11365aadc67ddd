#include "logmgr/log_LogInstanceC.h"

#include "logmgr/log_LogEntryC.h"

log_LogInstanceC::log_LogInstanceC(std::unique_ptr<log_LoggerC> logger, const StringC& level)
    : m_pLogger(std::move(logger)), m_Level(m_pLogger->PreferredLevel(level)) {
  // A malformed level keeps the filter's default (everything).
  (void)m_Filter.Parse(m_Level.Utf8View(), true);
}

log_LogInstanceC::~log_LogInstanceC() = default;

void log_LogInstanceC::Write(const log_LogEntryC& entry) {
  if (m_Filter.IsEnabled(entry.Letter(), entry.Level())) m_pLogger->Write(entry);
}
