// InetAddrHashTblC: the name cache of InetAddressC, 64 buckets keyed by host name.
//
// Keys compare ignoring case and hash with HashTextNoCase modulo 64. Each entry is a copy of
// an InetAddressC, stamped with the time it was looked up; an entry is fresh while the clock
// reads less than its lookup time plus an hour. Lookup drops an expired entry it finds.
#ifndef QLM_NET_INETADDRHASHTBLC_H_
#define QLM_NET_INETADDRHASHTBLC_H_

#include <ctime>

#include "base/HashTblC.h"
#include "base/StringC.h"
#include "net/InetAddressC.h"

class InetAddrHashTblC : public HashTblC {
 public:
  static constexpr time_t kLifetimeSeconds = 3600;
  static constexpr uint32_t kBuckets = 64;

  InetAddrHashTblC();
  ~InetAddrHashTblC() override;

  // `key` is the address of a StringC.
  uint32_t Hash(uint32_t size, const void* key) const noexcept override;
  bool Equals(const void* key, const void* elementKey) const noexcept override;

  // The fresh entry for `name`, or null. An expired entry is removed on the way. `now` is
  // the current time in seconds.
  const InetAddressC* Lookup(const StringC& name, time_t now);
  // Adds a copy of `address` (replacing an entry of the same name).
  void Add(const InetAddressC& address);
  // Sets the canonical name of the entry for `name`, when there is one.
  void SetCanonicalName(const StringC& name, const StringC& canonical);
  // Drops every entry.
  void Flush() noexcept { Clear(true); }
};

#endif  // QLM_NET_INETADDRHASHTBLC_H_
