// Small name helpers of the network layer: numeric addresses, service ports, the local host.
#ifndef QLM_NET_NETNAMES_H_
#define QLM_NET_NETNAMES_H_

#include <cstdint>
#include <string>
#include <string_view>

// True when every character is a digit or "." (a dotted IPv4 address), or when, after cutting
// the text at its first "%" (an IPv6 zone), every character is a hexadecimal digit, ":" or
// "." (the IPv4 tail of "::ffff:10.0.0.1") and there is at least one ":". The empty text is
// not an address.
[[nodiscard]] bool IsNumericAddress(std::string_view text) noexcept;

// The port of `service` in host order: a name that begins with a digit is read as a decimal
// number (low 16 bits); otherwise the service database is asked for `protocol` ("tcp",
// "udp"; null: any); when it does not know the name, the name read as a decimal number (low
// 16 bits), 65535 when that is 0. A null service gives 65535.
[[nodiscard]] uint16_t GetServicePort(const char* service, const char* protocol);

// The name of this machine (at most 127 characters), or "localhost" when it cannot be read.
[[nodiscard]] std::string GetLocalHostName();

#endif  // QLM_NET_NETNAMES_H_
