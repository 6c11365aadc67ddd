// The journal fields of one log entry, as the journald log module sends them.
//
//   MESSAGE             the text, credentials masked and control characters escaped exactly
//                       as in the log file
//   PRIORITY            from the severity: fatal 2 (crit), error 3, warning 4, message 5
//                       (notice), information and none 6 (info); 7 (debug) for levels above 0
//   SYSLOG_IDENTIFIER   "qlmpolicy"
//   MESSAGE_ID          a fixed 128-bit id per catalogued message: the 24 hex digits of
//                       c_MessageIdBase followed by the message number's 8 (lower case), so
//                       "journalctl MESSAGE_ID=..." finds one message across a fleet
//   QLM_MESSAGE_NUMBER  the message number, "0x" and 8 upper-case hex digits
//   QLM_COMPONENT       the component letter, QLM_LEVEL the level
//   QLM_POLICY_TYPE     the run's "PolicyType" (left out when empty)
#ifndef QLM_PLUGINS_JOURNALD_JOURNALDFIELDS_H_
#define QLM_PLUGINS_JOURNALD_JOURNALDFIELDS_H_

#include <cstdint>
#include <string>
#include <vector>

namespace journald {

inline constexpr const char* c_Identifier = "qlmpolicy";
inline constexpr const char* c_MessageIdBase = "8c3f5e07a19d4b62b1e7d04a";

// The journal priority (0..7) of an entry.
int PriorityOf(int32_t severity, int32_t level) noexcept;
// The MESSAGE_ID of message `number` (32 lower-case hex digits).
std::string MessageIdOf(uint32_t number);
// "FIELD=value" texts for one entry, in the order above.
std::vector<std::string> FieldsOf(uint32_t number, int32_t severity, int32_t letter, int32_t level,
                                  const char* text, const std::string& policy_type);

}  // namespace journald

#endif  // QLM_PLUGINS_JOURNALD_JOURNALDFIELDS_H_
