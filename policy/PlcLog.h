// The policy client's messages and the one call that logs them.
//
// Every message of the policy client is logged through the process's log manager with
// component letter 'G' (71) and level 0; the default text carries the severity and is used
// when the log manager's catalog has no text for the number. Numbers and texts live in
// messages/policy.def.
#ifndef QLM_POLICY_PLCLOG_H_
#define QLM_POLICY_PLCLOG_H_

#include <cstdint>

#include "base/ArgListC.h"
#include "messages/policy_Messages.h"

// The messages are PlcMessageS constants plc::k<Name>, from messages/policy.def.
namespace plc {

inline constexpr int kComponent = 71;  // 'G'
inline constexpr int kLevel = 0;

}  // namespace plc

// Logs `message` with `args` through the log manager (made on first use). Never fails
// visibly; blocks while the loggers write.
void PlcLog(const PlcMessageS& message, const ArgListC& args = ArgListNull);

#endif  // QLM_POLICY_PLCLOG_H_
