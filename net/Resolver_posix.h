// The name-service calls of the network layer (resolver, service database, host name). Only
// the network layer calls them (and its tests and fuzz targets); their true/false and EAI_*
// answers become the state, fallbacks and traces of its classes, never another layer's result.
#ifndef QLM_NET_RESOLVER_POSIX_H_
#define QLM_NET_RESOLVER_POSIX_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cmn/cmn_Result.h"

// One address returned by the resolver: a sockaddr of family 2 or 10.
struct NetResolvedS {
  int family = 0;
  std::vector<unsigned char> bytes;
};

// Converts a numeric address (dotted IPv4, IPv6 with an optional "%zone") into a sockaddr
// without asking any name service. False when `text` is not such an address.
bool NetNumericToSockAddr(const char* text, NetResolvedS* out);

// Asks getaddrinfo for `name` (family unspecified, stream sockets, TCP, limited to the
// configured address families, plus AI_PASSIVE when `passive`). When the family limit leaves
// nothing (a machine whose only addresses are loopback ones), asks again without it.
// Returns 0 and the answers in order, or the resolver's error code (EAI_*) with its text.
int NetGetAddrInfo(const char* name, bool passive, std::vector<NetResolvedS>* out,
                   std::string* error_text);

// The numeric form of a sockaddr, or "" when it cannot be rendered.
std::string NetSockAddrToText(const void* data, size_t length);

// The host name of a sockaddr (getnameinfo with a 1025-byte buffer, names required).
// False when there is none.
bool NetGetNameInfo(const void* data, size_t length, std::string* name);

// getservbyname(service, protocol): true and the port in host order when found.
bool NetGetServByName(const char* service, const char* protocol, uint16_t* port);

// gethostname into a 128-byte buffer (at most 127 characters); false on failure.
bool NetGetHostName(std::string* name);

#endif  // QLM_NET_RESOLVER_POSIX_H_
