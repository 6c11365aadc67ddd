#include "plugins/journald/JournaldFields.h"

#include <cstdio>

#include "cmn/cmn_ControlEscape.h"
#include "log/CredentialMask.h"

namespace journald {

int PriorityOf(int32_t severity, int32_t level) noexcept {
  switch (severity) {
    case 5:
      return 2;
    case 4:
      return 3;
    case 3:
      return 4;
    case 1:
      return 5;
    default:
      return level > 0 ? 7 : 6;
  }
}

std::string MessageIdOf(uint32_t number) {
  char digits[9];
  std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(number));
  return std::string(c_MessageIdBase) + digits;
}

std::vector<std::string> FieldsOf(uint32_t number, int32_t severity, int32_t letter, int32_t level,
                                  const char* text, const std::string& policy_type) {
  std::string message = text != nullptr ? text : "";
  // Edits in place; how much it changed is not needed.
  (void)MaskCredentials(message);
  (void)cmn_EscapeControls(message);
  std::vector<std::string> fields;
  fields.reserve(8);
  fields.push_back("MESSAGE=" + message);
  fields.push_back("PRIORITY=" + std::to_string(PriorityOf(severity, level)));
  fields.push_back(std::string("SYSLOG_IDENTIFIER=") + c_Identifier);
  fields.push_back("MESSAGE_ID=" + MessageIdOf(number));
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(number));
  fields.push_back(std::string("QLM_MESSAGE_NUMBER=") + hex);
  const char component = letter >= 'A' && letter <= 'z' ? static_cast<char>(letter) : '?';
  fields.push_back(std::string("QLM_COMPONENT=") + component);
  fields.push_back("QLM_LEVEL=" + std::to_string(level));
  std::string type = policy_type;
  // Edits in place; how much it changed is not needed.
  (void)cmn_EscapeControls(type);
  if (!type.empty()) fields.push_back("QLM_POLICY_TYPE=" + type);
  return fields;
}

}  // namespace journald
