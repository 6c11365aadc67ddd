#include "net/InetAddressC.h"

#include <strings.h>

#include <memory>
#include <string>
#include <vector>

#include "base/ArgListC.h"
#include "log/ErrMessages.h"
#include "log/TraceCategories.h"
#include "net/InetAddrHashTblC.h"
#include "net/NetNames.h"
#include "net/NetSettings.h"
#include "net/NetTrace.h"
#include "net/Resolver_posix.h"

namespace {

InetAddressC::ClockT g_clock = nullptr;

// Made on first use, kept until the process ends.
InetAddrHashTblC* g_table = nullptr;

// Family 2 or 10 for "ipv4" or "ipv6" (ignoring case), else 0.
int FamilyOfSetting(const std::optional<std::string>& value) noexcept {
  if (!value) return kNetFamilyUnspec;
  if (strcasecmp(value->c_str(), "ipv4") == 0) return kNetFamilyIPv4;
  if (strcasecmp(value->c_str(), "ipv6") == 0) return kNetFamilyIPv6;
  return kNetFamilyUnspec;
}

SockAddrRefC MakeAddr(const NetResolvedS& r) {
  return SockAddrRefC(new SockAddrC(r.bytes.data(), r.bytes.size()));
}

}  // namespace

InetAddrHashTblC& InetAddressC::HashTable() {
  if (g_table == nullptr) g_table = new InetAddrHashTblC();
  return *g_table;
}

void InetAddressC::SetClock(ClockT clock) noexcept {
  g_clock = clock;
}

time_t InetAddressC::Now() noexcept {
  return g_clock ? g_clock() : std::time(nullptr);
}

InetAddressC::InetAddressC(const StringC& name) : name_(name) {
  numeric_ = IsNumericAddress(name_.Utf8View());
  ReadFamilyPreference();
}

InetAddressC::InetAddressC(const char* name)
    : InetAddressC(name ? StringC::FromUtf8(name) : StringC()) {}

InetAddressC::InetAddressC(const InetAddressC& other)
    : name_(other.name_),
      numeric_(other.numeric_),
      state_(other.state_),
      result_(other.result_),
      ipv4_(other.ipv4_),
      ipv6_(other.ipv6_),
      default_family_(other.default_family_),
      preferred_family_(other.preferred_family_),
      forced_(other.forced_),
      canonical_name_(other.canonical_name_),
      lookup_time_(other.lookup_time_) {
  if (other.state_ == kNotLookedUp) {
    NetTrace(TrcNetlibDetailInetAddress,
             "InetAddressC::InetAddressC(*%p) copying incomplete object",
             static_cast<const void*>(&other));
  }
}

InetAddressC& InetAddressC::operator=(const InetAddressC& other) = default;

InetAddressC::~InetAddressC() = default;

void InetAddressC::ReadFamilyPreference() {
  const std::optional<std::string> force = NetGetSetting("ForceIPVersion");
  NetTrace(TrcNetlibDetailInetAddress, "InetAddressC ForceIPVersion: \"%s\"",
           force ? force->c_str() : "");
  preferred_family_ = FamilyOfSetting(force);
  forced_ = preferred_family_ != kNetFamilyUnspec;
  if (!forced_) {
    const std::optional<std::string> prefer = NetGetSetting("PreferIPVersion");
    NetTrace(TrcNetlibDetailInetAddress, "InetAddressC PreferIPVersion: \"%s\"",
             prefer ? prefer->c_str() : "");
    preferred_family_ = FamilyOfSetting(prefer);
  }
  NetTrace(TrcNetlibDetailInetAddress,
           "InetAddressC preferred effective address family: %s, forced = %d",
           NetFamilyName(preferred_family_), forced_ ? 1 : 0);
}

int InetAddressC::GetEffectiveFamily() const noexcept {
  return preferred_family_ != kNetFamilyUnspec ? preferred_family_ : default_family_;
}

SockAddrC* InetAddressC::GetAddress() const noexcept {
  const int family = GetEffectiveFamily();
  SockAddrC* first = family == kNetFamilyIPv6 ? ipv6_.get() : ipv4_.get();
  if (first != nullptr || forced_) return first;
  return family == kNetFamilyIPv6 ? ipv4_.get() : ipv6_.get();
}

std::string InetAddressC::AddressesText() const {
  std::string text;
  if (ipv4_) text = ipv4_->ToString();
  if (ipv6_) {
    if (!text.empty()) text.append(", ");
    text.append(ipv6_->ToString());
  }
  return text;
}

RcT InetAddressC::Resolve(bool passive) {
  const std::string name = name_.ToUtf8();
  ipv4_.reset();
  ipv6_.reset();
  default_family_ = kNetFamilyUnspec;

  if (numeric_) {
    NetTrace(TrcNetlibDetailInetAddress, "InetAddrC %p->gethostbyname(\"%s\")",
             static_cast<const void*>(this), name.c_str());
    NetResolvedS r;
    if (NetNumericToSockAddr(name.c_str(), &r)) {
      (r.family == kNetFamilyIPv6 ? ipv6_ : ipv4_) = MakeAddr(r);
      default_family_ = r.family;
      state_ = kDone;
      result_ = RC_OK;
      lookup_time_ = Now();
      NetTrace(TrcNetlibDetailInetAddress, "InetAddrC %p->gethostbyname returns %s",
               static_cast<const void*>(this), AddressesText().c_str());
      return RC_OK;
    }
    NetTrace(TrcNetlibDetailInetAddress, "InetAddrC %p->gethostbyname returns NULL",
             static_cast<const void*>(this));
    // Looked numeric but is not an address ("1.2.3.4.5"): let the resolver have a go. A text
    // with ":" is no host name at all (an IPv6 literal with an unknown zone, say): asking the
    // name service would only send it out.
    if (name.find(':') != std::string::npos) {
      state_ = kFailed;
      result_ = RC_NET_RESOLVE;
      lookup_time_ = Now();
      return ErrReport(RC_NET_RESOLVE, kNetResolveText, ArgListC() << name_);
    }
  }

  InetAddrHashTblC& table = HashTable();
  if (const InetAddressC* cached = table.Lookup(name_, Now())) {
    ipv4_ = cached->ipv4_;
    ipv6_ = cached->ipv6_;
    default_family_ = cached->default_family_;
    if (!cached->canonical_name_.IsEmpty()) canonical_name_ = cached->canonical_name_;
    lookup_time_ = cached->lookup_time_;
    state_ = kDone;
    result_ = RC_OK;
    NetTrace(TrcNetlibBasicHosts, "%.12T: DNS cache %s of \"%s\" is \"%s\"", "lookup", name.c_str(),
             AddressesText().c_str());
    return RC_OK;
  }

  std::vector<NetResolvedS> found;
  std::string error;
  const int rc = NetGetAddrInfo(name.c_str(), passive, &found, &error);
  if (rc != 0) {
    NetTrace(TrcNetlibDetailInetAddress, "getaddrinfo %p->HostLookup (\"%s\") = %#lx",
             static_cast<const void*>(this), name.c_str(), static_cast<unsigned long>(rc));
  }
  for (const NetResolvedS& r : found) {
    const SockAddrRefC addr = MakeAddr(r);
    NetTrace(TrcNetlibDetailInetAddress,
             "Discovered IP address with getaddrinfo for \"%s\": \"%s\"", name.c_str(),
             addr->ToString().c_str());
    if (r.family == kNetFamilyIPv6 && !ipv6_) {
      ipv6_ = addr;
      if (!ipv4_) default_family_ = kNetFamilyIPv6;
    } else if (r.family == kNetFamilyIPv4 && !ipv4_) {
      ipv4_ = addr;
      if (!ipv6_) default_family_ = kNetFamilyIPv4;
    }
    if (ipv4_ && ipv6_) break;
  }
  NetTrace(TrcNetlibDetailInetAddress, "Selected IP addresses: \"%s\"", AddressesText().c_str());

  if (!ipv4_ && !ipv6_) {
    state_ = kFailed;
    result_ = RC_NET_RESOLVE;
    NetTrace(TrcNetlibBasicHosts, "%.12T: DNS %s failed", name.c_str());
    return ErrReport(RC_NET_RESOLVE, kNetResolveText, ArgListC() << name_);
  }
  state_ = kDone;
  result_ = RC_OK;
  lookup_time_ = Now();
  table.Add(*this);
  NetTrace(TrcNetlibDetailInetAddress, "InetAddrC added \"%s\" to cache", name.c_str());
  NetTrace(TrcNetlibBasicHosts, "%.12T: DNS %s returns %s", name.c_str(), AddressesText().c_str());
  return RC_OK;
}

StringC InetAddressC::GetFullHostName() {
  if (!canonical_name_.IsEmpty()) return canonical_name_;
  if (state_ == kNotLookedUp && RcFailed(Resolve())) {
    NetTrace(TrcNetlibBasicHosts, "%.12T: DNS reverse lookup did not have an IP address");
    return StringC();
  }
  const SockAddrC* addr = GetAddress();
  if (addr == nullptr) {
    NetTrace(TrcNetlibBasicHosts, "%.12T: DNS reverse lookup did not have an IP address");
    return StringC();
  }
  if (!numeric_) {
    if (const InetAddressC* cached = HashTable().Lookup(name_, Now());
        cached != nullptr && !cached->canonical_name_.IsEmpty()) {
      canonical_name_ = cached->canonical_name_;
      NetTrace(TrcNetlibBasicHosts, "%.12T: DNS cache %s of \"%s\" is \"%s\"", "reverse lookup",
               name_.ToUtf8().c_str(), canonical_name_.ToUtf8().c_str());
      return canonical_name_;
    }
  }
  const std::string text = addr->ToString();
  NetTrace(TrcNetlibBasicHosts, "%.12T: DNS reverse lookup %s", text.c_str());
  std::string host;
  if (!NetGetNameInfo(addr->Data(), addr->Length(), &host)) {
    NetTrace(TrcNetlibBasicHosts, "%.12T: DNS reverse lookup failed");
    return StringC();
  }
  NetTrace(TrcNetlibBasicHosts, "%.12T: DNS reverse lookup returns \"%s\"", host.c_str());
  canonical_name_ = StringC::FromUtf8(host);
  if (!numeric_) HashTable().SetCanonicalName(name_, canonical_name_);
  return canonical_name_;
}
