// The policy application: check the caller's rights, optionally install the default schedule,
// decide where the merged deployment policy comes from, and have the installation agent
// "rklaunch" install it.
#ifndef QLM_POLICY_APPLYMERGEDPOLICY_H_
#define QLM_POLICY_APPLYMERGEDPOLICY_H_

#include <cstdint>

#include "base/StringArrayC.h"
#include "base/StringC.h"
#include "cmn/cmn_Result.h"

class PlcPreferencesC;

// The result of a failed application (sign-extended when widened).
inline constexpr RcT c_PlcFailed = static_cast<RcT>(0x80000001u);

// Applies the merged policy of `preferences` (loaded). Logs each step; blocks until the
// installation agent has finished. 0 when the agent installed the policy, when only the
// address was asked for ("GeneratePolicyOnly") or when there is no address; c_PlcFailed when
// the caller may not apply a machine policy, the agent could not be run or failed, or an
// address or option cannot be handed to the agent as exactly one argument. Removes
// "DownloadRootURL" from the environment (server-side source).
// The agent runs in a process group of its own. When a termination signal is recorded
// (PlcTerminationSignalsC) or the agent runs longer than "AgentTimeout" seconds (0: no
// limit), the group gets SIGTERM, then SIGKILL after "AgentTerminateGrace" seconds, and the
// call returns only once the group is gone (or SIGKILL did not end it), with c_PlcFailed; no
// agent is started once a termination signal was recorded.
[[nodiscard]] RcT ApplyMergedPolicy(PlcPreferencesC& preferences);

// Installs the default schedule at the expanded "DefaultSchedulePath" with the install
// profile of `policyType`. 0 or c_PlcFailed; the caller's outcome does not depend on it.
[[nodiscard]] RcT RunDefaultScheduleInstall(PlcPreferencesC& preferences,
                                            const StringC& policyType);

// True exactly when the effective user id is 0.
[[nodiscard]] bool IsAdministrator() noexcept;

// The installation agent's command line: `head` (the executable name and the options that
// precede the extra ones, each already an argument of its own), then the launcher text as it
// is (it may hold several arguments), then " -o " and each extra option. Arguments that the
// agent must receive whole are quoted with double quotes, as the agent's command lines have
// always been written, unless that would change what the agent receives; then they are quoted
// so that the line splits back to exactly their text. False, with the offending text in
// *refused, when some argument cannot be written so that it arrives whole.
struct PlcAgentArgumentS {
  StringC text;
  bool quote;  // written between quotes (the address and the extra options)
};
[[nodiscard]] bool BuildAgentCommandLine(const PlcAgentArgumentS* head, size_t headCount,
                                         const StringC& launcher, const StringArrayC& options,
                                         StringC* line, StringC* refused);

#endif  // QLM_POLICY_APPLYMERGEDPOLICY_H_
