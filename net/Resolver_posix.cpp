#include "net/Resolver_posix.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <memory>

namespace {

void Store(const void* addr, size_t len, int family, NetResolvedS* out) {
  const auto* p = static_cast<const unsigned char*>(addr);
  out->family = family;
  out->bytes.assign(p, p + len);
}

struct AddrInfoFree {
  void operator()(addrinfo* ai) const noexcept { freeaddrinfo(ai); }
};

}  // namespace

bool NetNumericToSockAddr(const char* text, NetResolvedS* out) {
  if (text == nullptr || *text == '\0') return false;
  sockaddr_in v4{};
  if (inet_pton(AF_INET, text, &v4.sin_addr) == 1) {
    v4.sin_family = AF_INET;
    Store(&v4, sizeof v4, AF_INET, out);
    return true;
  }
  sockaddr_in6 v6{};
  if (inet_pton(AF_INET6, text, &v6.sin6_addr) == 1) {
    v6.sin6_family = AF_INET6;
    Store(&v6, sizeof v6, AF_INET6, out);
    return true;
  }
  // A zone ("fe80::1%eth0") needs the interface index, which only the resolver's numeric
  // mode fills in; it never asks a name service.
  if (std::strchr(text, '%') == nullptr) return false;
  addrinfo hints{};
  hints.ai_family = AF_INET6;
  hints.ai_flags = AI_NUMERICHOST;
  addrinfo* raw = nullptr;
  if (getaddrinfo(text, nullptr, &hints, &raw) != 0 || raw == nullptr) return false;
  std::unique_ptr<addrinfo, AddrInfoFree> list(raw);
  if (raw->ai_family != AF_INET6 || raw->ai_addrlen < sizeof(sockaddr_in6)) return false;
  Store(raw->ai_addr, sizeof(sockaddr_in6), AF_INET6, out);
  return true;
}

int NetGetAddrInfo(const char* name, bool passive, std::vector<NetResolvedS>* out,
                   std::string* error_text) {
  out->clear();
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  hints.ai_flags = AI_ADDRCONFIG | (passive ? AI_PASSIVE : 0);
  addrinfo* raw = nullptr;
  int rc = getaddrinfo(name, nullptr, &hints, &raw);
  if (rc == EAI_NONAME || rc == EAI_ADDRFAMILY || rc == EAI_NODATA) {
    hints.ai_flags &= ~AI_ADDRCONFIG;
    raw = nullptr;
    rc = getaddrinfo(name, nullptr, &hints, &raw);
  }
  if (rc != 0) {
    if (error_text) *error_text = gai_strerror(rc);
    return rc;
  }
  std::unique_ptr<addrinfo, AddrInfoFree> list(raw);
  for (addrinfo* ai = raw; ai != nullptr; ai = ai->ai_next) {
    NetResolvedS r;
    if (ai->ai_family == AF_INET && ai->ai_addrlen >= sizeof(sockaddr_in)) {
      Store(ai->ai_addr, sizeof(sockaddr_in), AF_INET, &r);
    } else if (ai->ai_family == AF_INET6 && ai->ai_addrlen >= sizeof(sockaddr_in6)) {
      Store(ai->ai_addr, sizeof(sockaddr_in6), AF_INET6, &r);
    } else {
      continue;
    }
    out->push_back(std::move(r));
  }
  return 0;
}

std::string NetSockAddrToText(const void* data, size_t length) {
  if (data == nullptr || length == 0) return std::string();
  char host[NI_MAXHOST];
  if (getnameinfo(static_cast<const sockaddr*>(data), static_cast<socklen_t>(length), host,
                  sizeof host, nullptr, 0, NI_NUMERICHOST) != 0) {
    return std::string();
  }
  return host;
}

bool NetGetNameInfo(const void* data, size_t length, std::string* name) {
  char host[1025];
  if (getnameinfo(static_cast<const sockaddr*>(data), static_cast<socklen_t>(length), host,
                  sizeof host, nullptr, 0, NI_NAMEREQD) != 0) {
    return false;
  }
  *name = host;
  return true;
}

bool NetGetServByName(const char* service, const char* protocol, uint16_t* port) {
  // getservbyname_r: the plain call's static result is not safe beside other threads.
  servent entry{};
  servent* found = nullptr;
  char buffer[1024];
  if (getservbyname_r(service, protocol, &entry, buffer, sizeof buffer, &found) != 0 ||
      found == nullptr) {
    return false;
  }
  *port = ntohs(static_cast<uint16_t>(found->s_port));
  return true;
}

bool NetGetHostName(std::string* name) {
  char buffer[128] = {};
  if (gethostname(buffer, sizeof buffer - 1) != 0) return false;
  buffer[sizeof buffer - 1] = '\0';
  *name = buffer;
  return true;
}
