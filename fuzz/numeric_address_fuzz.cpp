// Numeric-address tests and conversions from arbitrary bytes: IsNumericAddress must agree with
// its character rules, and every text the system converter accepts as an address must also
// be classed as numeric (so that no real address is sent to the resolver). Conversion of a
// numeric text never asks a name service.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/StringC.h"
#include "net/NetNames.h"
#include "net/Resolver_posix.h"
#include "net/SockAddrC.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

bool Digit(char c) {
  return c >= '0' && c <= '9';
}
bool Hex(char c) {
  return Digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool Reference(const std::string& t) {
  if (t.empty()) return false;
  bool dotted = true;
  for (char c : t) dotted = dotted && (Digit(c) || c == '.');
  if (dotted) return true;
  const std::string head = t.substr(0, t.find('%'));
  bool colon = false;
  for (char c : head) {
    if (c == ':') {
      colon = true;
    } else if (!Hex(c) && c != '.') {
      return false;
    }
  }
  return colon;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 256) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);
  const bool numeric = IsNumericAddress(text);
  Check(numeric == Reference(text));
  if (text.find('\0') != std::string::npos) return 0;
  NetResolvedS out;
  // A zone needs a real interface name; without "%" the converter uses inet_pton only.
  if (text.find('%') == std::string::npos && NetNumericToSockAddr(text.c_str(), &out)) {
    Check(numeric);
    Check(out.family == kNetFamilyIPv4 || out.family == kNetFamilyIPv6);
    SockAddrRefC addr(new SockAddrC(out.bytes.data(), out.bytes.size()));
    Check(!addr->IsEmpty());
    // The rendered form converts back to the same bytes.
    NetResolvedS back;
    Check(NetNumericToSockAddr(addr->ToString().c_str(), &back));
    Check(back.bytes == out.bytes);
  }
  return 0;
}
