#include "logmgr/log_LogStderrLoggerC.h"

#include "cmn/cmn_ControlEscape.h"
#include "log/CredentialMask.h"
#include "logmgr/log_LogEntryC.h"
#include "logmgr/log_LogSystem_posix.h"

const char* const log_LogStderrLoggerC::name_ = "stderr";

log_LogStderrLoggerC::log_LogStderrLoggerC() : log_LoggerC(StringC(name_, StringC::CC_ASCII)) {}

log_LogStderrLoggerC::~log_LogStderrLoggerC() = default;

std::string log_LogStderrLoggerC::LineOf(const log_LogEntryC& entry) {
  std::string text = entry.TextUtf8();
  // Edits in place; how much it changed is not needed.
  (void)MaskCredentials(text);
  (void)cmn_EscapeControls(text);
  return text;
}

void log_LogStderrLoggerC::Write(const log_LogEntryC& entry) {
  if (entry.Severity() < c_MinimumSeverity) return;
  const std::string line = LineOf(entry);
  cmn_MutexLockC hold(mutex_);
  log_TellStderr(line);
}

bool log_LogStderrLoggerC::IsReady() const {
  return true;
}
