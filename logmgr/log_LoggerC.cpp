#include "logmgr/log_LoggerC.h"

log_LoggerC::~log_LoggerC() = default;

StringC log_LoggerC::PreferredLevel(const StringC& level) {
  return level;
}
