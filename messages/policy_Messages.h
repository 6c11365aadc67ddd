// The policy client's messages (messages/policy.def) as constants in namespace plc: for every
// message its number and its default text, which carries the severity and is used when the log
// manager's catalog has no text for the number.
#ifndef QLM_MESSAGES_POLICY_MESSAGES_H_
#define QLM_MESSAGES_POLICY_MESSAGES_H_

#include <cstdint>

struct PlcMessageS {
  uint32_t number;
  const char* defaultText;
};

namespace plc {

#define QLM_MESSAGE_RECORD(name, number, severity, text) \
  inline constexpr PlcMessageS name{number, "\x01\x01" severity "\x01" text};
#include "messages/policy.def"
#undef QLM_MESSAGE_RECORD

}  // namespace plc

#endif  // QLM_MESSAGES_POLICY_MESSAGES_H_
