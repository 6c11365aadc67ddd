#include "net/SockAddrC.h"

#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>
#include <vector>

#include "log/TraceCategories.h"
#include "net/NetNames.h"
#include "net/NetTrace.h"
#include "net/Resolver_posix.h"

static_assert(AF_INET == kNetFamilyIPv4 && AF_INET6 == kNetFamilyIPv6);
static_assert(sizeof(sockaddr_in) == 16 && sizeof(sockaddr_in6) == 28);

const char* NetFamilyName(int family) noexcept {
  switch (family) {
    case kNetFamilyIPv4:
      return "IPv4";
    case kNetFamilyIPv6:
      return "IPv6";
    case kNetFamilyUnspec:
      return "Unspecified";
    default:
      return "Unknown";
  }
}

namespace {

uint32_t SizeOfFamily(int family) noexcept {
  if (family == kNetFamilyIPv4) return sizeof(sockaddr_in);
  if (family == kNetFamilyIPv6) return sizeof(sockaddr_in6);
  return 0;
}

}  // namespace

void SockAddrC::Allocate(int family) {
  length_ = SizeOfFamily(family);
  if (length_ == 0) return;
  data_ = std::make_unique<unsigned char[]>(length_);
  const auto f = static_cast<sa_family_t>(family);
  std::memcpy(data_.get(), &f, sizeof f);
}

SockAddrC::SockAddrC(int family) {
  Allocate(family);
}

SockAddrC::SockAddrC(const void* data, size_t length) {
  if (data == nullptr || length < sizeof(sa_family_t)) return;
  sa_family_t f = 0;
  std::memcpy(&f, data, sizeof f);
  const uint32_t need = SizeOfFamily(f);
  if (need == 0 || length < need) return;
  Allocate(f);
  std::memcpy(data_.get(), data, need);
}

SockAddrC::SockAddrC(const StringC& address) {
  const std::string text = address.ToUtf8();
  NetResolvedS found;
  if (IsNumericAddress(text) && NetNumericToSockAddr(text.c_str(), &found)) {
    Allocate(found.family);
    std::memcpy(data_.get(), found.bytes.data(), length_);
    return;
  }
  std::vector<NetResolvedS> list;
  std::string error;
  const int rc = NetGetAddrInfo(text.c_str(), false, &list, &error);
  if (rc != 0) {
    NetTrace(TrcNetlibBasicHosts,
             "SockAddrC::SockAddrC(StringC address) @ %p failed getaddrinfo() with error for "
             "\"%s\": %ld, %s",
             static_cast<const void*>(this), text.c_str(), static_cast<long>(rc), error.c_str());
    return;
  }
  if (list.empty()) {
    NetTrace(TrcNetlibBasicHosts,
             "SockAddrC::SockAddrC(StringC address) @ %p failed to get address for \"%s\"",
             static_cast<const void*>(this), text.c_str());
    return;
  }
  Allocate(list[0].family);
  std::memcpy(data_.get(), list[0].bytes.data(), length_);
}

SockAddrC::~SockAddrC() = default;

int SockAddrC::Family() const noexcept {
  if (length_ == 0) return kNetFamilyUnspec;
  sa_family_t f = 0;
  std::memcpy(&f, data_.get(), sizeof f);
  return f;
}

uint16_t SockAddrC::Port() const noexcept {
  in_port_t port = 0;
  if (Family() == kNetFamilyIPv4) {
    std::memcpy(&port, data_.get() + offsetof(sockaddr_in, sin_port), sizeof port);
  } else if (Family() == kNetFamilyIPv6) {
    std::memcpy(&port, data_.get() + offsetof(sockaddr_in6, sin6_port), sizeof port);
  }
  return ntohs(port);
}

void SockAddrC::SetPort(uint16_t port) noexcept {
  const in_port_t net = htons(port);
  if (Family() == kNetFamilyIPv4) {
    std::memcpy(data_.get() + offsetof(sockaddr_in, sin_port), &net, sizeof net);
  } else if (Family() == kNetFamilyIPv6) {
    std::memcpy(data_.get() + offsetof(sockaddr_in6, sin6_port), &net, sizeof net);
  }
}

std::string SockAddrC::ToString() const {
  if (length_ == 0) return "unknown";
  std::string text = NetSockAddrToText(data_.get(), length_);
  return text.empty() ? std::string("unknown") : text;
}
