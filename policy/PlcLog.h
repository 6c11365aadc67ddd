// The policy client's messages and the one call that logs them.
//
// Every message of the policy client is logged through the process's log manager with
// component letter 'G' (71) and level 0; the default text carries the severity and is used
// when the log manager's catalog has no text for the number. The catalogued texts live in
// messages/policy.txt.
#ifndef QLM_POLICY_PLCLOG_H_
#define QLM_POLICY_PLCLOG_H_

#include <cstdint>

#include "base/ArgListC.h"

struct PlcMessageS {
  uint32_t number;
  const char* defaultText;
};

namespace plc {

inline constexpr int kComponent = 71;  // 'G'
inline constexpr int kLevel = 0;

// Banner and closing lines.
inline constexpr PlcMessageS kStars{0xE1000064,
                                    "\x01\x01i\x01"
                                    "************************************************************"};
inline constexpr PlcMessageS kProgramPath{0xE1000065,
                                          "\x01\x01i\x01"
                                          "Program path is '%1$s'"};
inline constexpr PlcMessageS kProgramVersion{0xE1000066,
                                             "\x01\x01i\x01"
                                             "Program version is '%1$s %2$s'"};
inline constexpr PlcMessageS kExitedSuccessfully{0xE1000067,
                                                 "\x01\x01i\x01"
                                                 "Program exited successfully"};
inline constexpr PlcMessageS kExitedWithCode{0xE1000068,
                                             "\x01\x01"
                                             "e\x01"
                                             "Program exited with code %1$d"};
inline constexpr PlcMessageS kBuildNumber{0xE1000069,
                                          "\x01\x01i\x01"
                                          "Program build number is '%1$s'"};
inline constexpr PlcMessageS kCommandLine{0xE100006A,
                                          "\x01\x01i\x01"
                                          "Program command-line is '%1$s'"};
inline constexpr PlcMessageS kInitializing{0xE100006B,
                                           "\x01\x01i\x01"
                                           "Program is initializing"};
inline constexpr PlcMessageS kPreferencesLoaded{0xE100006E,
                                                "\x01\x01i\x01"
                                                "Finished loading program preferences"};

// Preferences.
inline constexpr PlcMessageS kInvalidPreference{0xE100007A,
                                                "\x01\x01i\x01"
                                                "WARNING: Invalid preference '%1$s'"};

// Single-instance lock.
inline constexpr PlcMessageS kAlreadyApplied{
    0xE100007D,
    "\x01\x01"
    "e\x01"
    "ERROR: Merged deployment policy is already being applied"};
inline constexpr PlcMessageS kLockHolder{0xE10000ED,
                                         "\x01\x01"
                                         "e\x01"
                                         "The lock file '%1$s' is held by process %2$d"};
inline constexpr PlcMessageS kLockCannotCreate{0xE10000EE,
                                               "\x01\x01"
                                               "e\x01"
                                               "ERROR: Cannot create the lock file '%1$s': %2$s"};

// Policy application.
inline constexpr PlcMessageS kInstallingPolicy{0xE1000075,
                                               "\x01\x01i\x01"
                                               "Installing merged deployment policy '%1$s'"};
inline constexpr PlcMessageS kCallingAgent{
    0xE1000076,
    "\x01\x01i\x01"
    "Calling Varnholt installation agent with command-line '%1$s'"};
inline constexpr PlcMessageS kPolicyFailed{
    0xE1000077,
    "\x01\x01"
    "e\x01"
    "ERROR: Varnholt installation agent cannot install the merged deployment policy"};
inline constexpr PlcMessageS kPolicyInstalled{
    0xE1000078,
    "\x01\x01i\x01"
    "Varnholt installation agent successfully installed the merged deployment "
    "policy"};
// Stopping the installation agent (a termination signal or the AgentTimeout preference).
inline constexpr PlcMessageS kAgentSignalled{
    0xE1000110,
    "\x01\x01"
    "e\x01"
    "ERROR: Received signal %1$d; stopping the installation agent (process %2$d) and its "
    "process group"};
inline constexpr PlcMessageS kAgentTimedOut{
    0xE1000111,
    "\x01\x01"
    "e\x01"
    "ERROR: The installation agent (process %1$d) did not finish within the AgentTimeout of "
    "%2$d seconds; stopping it and its process group"};
inline constexpr PlcMessageS kAgentStopped{
    0xE1000112,
    "\x01\x01i\x01"
    "The installation agent (process %1$d) and its process group ended after SIGTERM"};
inline constexpr PlcMessageS kAgentKilled{
    0xE1000113,
    "\x01\x01"
    "e\x01"
    "ERROR: The installation agent (process %1$d) or its process group did not end within %2$d "
    "seconds of SIGTERM; the group was killed (SIGKILL)"};
inline constexpr PlcMessageS kAgentNotGone{
    0xE1000114,
    "\x01\x01"
    "e\x01"
    "ERROR: Processes of the installation agent's group (process %1$d) are still running "
    "after SIGKILL"};
inline constexpr PlcMessageS kSignalledNoAgent{
    0xE1000115,
    "\x01\x01"
    "e\x01"
    "ERROR: Received signal %1$d; the installation agent is not started"};
inline constexpr PlcMessageS kOnlyAdministrators{
    0xE100007B,
    "\x01\x01"
    "e\x01"
    "ERROR: Only SYSTEM or administrators can apply machine policy"};
inline constexpr PlcMessageS kInstallingSchedule{0xE100007E,
                                                 "\x01\x01i\x01"
                                                 "Installing default schedule '%1$S'"};
inline constexpr PlcMessageS kScheduleFailed{
    0xE100007F,
    "\x01\x01"
    "e\x01"
    "ERROR: Varnholt installation agent failed to install the default schedule. Continue to "
    "policy installation."};
inline constexpr PlcMessageS kScheduleInstalled{
    0xE1000080,
    "\x01\x01i\x01"
    "Varnholt installation agent successfully installed the default schedule"};
inline constexpr PlcMessageS kSwitchedToServer{
    0xE10000E9,
    "\x01\x01i\x01"
    "The policy source has been switched to server side policy because OS doesnt "
    "support client side merging"};
inline constexpr PlcMessageS kServerSource{0xE10000EB,
                                           "\x01\x01i\x01"
                                           "Using user preference of server side policy source"};
inline constexpr PlcMessageS kClientSource{0xE10000EC,
                                           "\x01\x01i\x01"
                                           "Using user preference of client side policy source"};
inline constexpr PlcMessageS kOptionNotPassable{
    0xE10000EF,
    "\x01\x01"
    "e\x01"
    "ERROR: The option '%1$s' cannot be passed to the installation agent as one argument"};

// Metrics for monitoring.
inline constexpr PlcMessageS kMetricsNotWritten{
    0xE10000F8,
    "\x01\x01w\x01"
    "WARNING: The run's metrics cannot be written to '%1$s': %2$s"};

}  // namespace plc

// Logs `message` with `args` through the log manager (made on first use). Never fails
// visibly; blocks while the loggers write.
void PlcLog(const PlcMessageS& message, const ArgListC& args = ArgListNull);

#endif  // QLM_POLICY_PLCLOG_H_
