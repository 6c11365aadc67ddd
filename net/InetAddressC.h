// InetAddressC: a host name and the addresses it resolves to (at most one IPv4 and one IPv6),
// with the address-family preference of the settings and the process-wide name cache.
//
// At construction the settings "ForceIPVersion" and then "PreferIPVersion" are read ("ipv4"
// or "ipv6", ignoring case): a forced family is the only one GetAddress() hands out; a
// preferred one is tried first. Resolve() answers from the cache when it holds a fresh entry
// (less than an hour old), otherwise asks the resolver (numeric names are converted without
// it) and caches a successful answer. Failures are not cached, so a passing resolver outage
// does not stick for an hour.
//
// Thread safety: none; the cache is process-wide and unlocked (the network layer runs on one
// thread).
#ifndef QLM_NET_INETADDRESSC_H_
#define QLM_NET_INETADDRESSC_H_

#include <cstdint>
#include <ctime>
#include <string>

#include "base/StringC.h"
#include "cmn/cmn_Result.h"
#include "net/NetErrors.h"
#include "net/SockAddrC.h"

class InetAddrHashTblC;

class InetAddressC {
 public:
  enum StateE : int { kNotLookedUp = 0, kDone = 1, kFailed = 2 };

  // A source of the current time in seconds, for the cache's expiry.
  using ClockT = time_t (*)();

  // Reads the family preference; does not resolve.
  explicit InetAddressC(const StringC& name);
  explicit InetAddressC(const char* name);
  // Copies everything, the addresses shared. Traces a copy of an object not yet looked up.
  InetAddressC(const InetAddressC& other);
  InetAddressC& operator=(const InetAddressC& other);
  ~InetAddressC();

  // Resolves the name (see the class comment). Success: 0, state done, at least one address.
  // Failure: RC_NET_RESOLVE, state failed, both addresses absent (reported into the thread's
  // error buffer). Blocks while the resolver works. `passive` asks for addresses to listen on.
  [[nodiscard]] RcT Resolve(bool passive = false);

  // The canonical name of the address (reverse lookup, cached); empty when there is no
  // address or the lookup fails. Resolves first when not yet looked up.
  StringC GetFullHostName();

  // The addresses found; null when absent. Owned by this object (AddRef to keep one).
  SockAddrC* GetIPv4() const noexcept { return ipv4_.get(); }
  SockAddrC* GetIPv6() const noexcept { return ipv6_.get(); }
  // The address to connect to: the effective family's, or, unless the family is forced, the
  // other one when that one is absent. Null when there is none.
  SockAddrC* GetAddress() const noexcept;
  // The preferred family when one is set, else the family of the first address found.
  int GetEffectiveFamily() const noexcept;

  const StringC& GetHostName() const noexcept { return name_; }
  bool IsNumeric() const noexcept { return numeric_; }
  int GetState() const noexcept { return state_; }
  [[nodiscard]] RcT GetResult() const noexcept { return result_; }
  int GetPreferredFamily() const noexcept { return preferred_family_; }
  bool IsFamilyForced() const noexcept { return forced_; }
  int GetDefaultFamily() const noexcept { return default_family_; }
  time_t GetLookupTime() const noexcept { return lookup_time_; }

  // The process-wide cache (made on first use).
  static InetAddrHashTblC& HashTable();
  // Replaces the clock of the cache (null: the system clock). For tests.
  static void SetClock(ClockT clock) noexcept;
  // The current time by the clock in use.
  static time_t Now() noexcept;

 private:
  friend class InetAddrHashTblC;
  void ReadFamilyPreference();
  // "a, b" of the chosen addresses.
  std::string AddressesText() const;

  StringC name_;
  bool numeric_ = false;
  int state_ = kNotLookedUp;
  RcT result_ = RC_OK;
  SockAddrRefC ipv4_;
  SockAddrRefC ipv6_;
  int default_family_ = kNetFamilyUnspec;
  int preferred_family_ = kNetFamilyUnspec;
  bool forced_ = false;
  StringC canonical_name_;
  time_t lookup_time_ = 0;
};

#endif  // QLM_NET_INETADDRESSC_H_
