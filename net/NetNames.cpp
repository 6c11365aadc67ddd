#include "net/NetNames.h"

#include "net/Resolver_posix.h"

namespace {

bool IsDigit(char c) noexcept {
  return c >= '0' && c <= '9';
}
bool IsHexDigit(char c) noexcept {
  return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Reads leading decimal digits; the low 16 bits of the value.
uint16_t LeadingNumber(const char* text) noexcept {
  uint32_t value = 0;
  for (const char* p = text; IsDigit(*p); ++p) value = value * 10 + static_cast<uint32_t>(*p - '0');
  return static_cast<uint16_t>(value & 0xFFFFu);
}

}  // namespace

bool IsNumericAddress(std::string_view text) noexcept {
  if (text.empty()) return false;
  bool dotted = true;
  for (char c : text) {
    if (!IsDigit(c) && c != '.') {
      dotted = false;
      break;
    }
  }
  if (dotted) return true;
  const std::string_view head = text.substr(0, text.find('%'));
  bool colon = false;
  for (char c : head) {
    if (c == ':') {
      colon = true;
    } else if (!IsHexDigit(c) && c != '.') {  // "." for an embedded IPv4 tail
      return false;
    }
  }
  return colon;
}

uint16_t GetServicePort(const char* service, const char* protocol) {
  if (service == nullptr) return 65535;
  if (IsDigit(service[0])) return LeadingNumber(service);
  uint16_t port = 0;
  if (NetGetServByName(service, protocol, &port)) return port;
  const uint16_t value = LeadingNumber(service);
  return value == 0 ? 65535 : value;
}

std::string GetLocalHostName() {
  std::string name;
  if (!NetGetHostName(&name) || name.empty()) return "localhost";
  return name;
}
