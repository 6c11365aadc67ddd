#include "policy/PlcLog.h"

#include "logmgr/log_LogManagerC.h"

void PlcLog(const PlcMessageS& message, const ArgListC& args) {
  log_LogManagerC* manager = log_LogManagerC::Instance();
  // Set in bits 16..27, number in bits 0..15, as the manager's Log() splits them.
  const uint32_t set = (message.number >> 16) & 0xFFFu;
  const uint32_t number = message.number & 0xFFFFu;
  // Nobody can be told that a log line was lost.
  (void)manager->LogPartsV(plc::kComponent, plc::kLevel, set, number, message.defaultText, args);
}
