// OSNetworkAdapterC: one IPv4 network interface: its up and loopback flags, name, address and
// netmask (dotted form).
#ifndef QLM_OS_OSNETWORKADAPTERC_H_
#define QLM_OS_OSNETWORKADAPTERC_H_

#include <cstdint>

#include "base/RefCountC.h"
#include "base/StringC.h"

class OSNetworkAdapterC : public RefCountC {
 public:
  OSNetworkAdapterC(bool up, bool loopback, const StringC& name, const StringC& address,
                    const StringC& netmask);

  bool IsUp() const noexcept { return up_ != 0; }
  bool IsLoopback() const noexcept { return loopback_ != 0; }
  const StringC& GetName() const noexcept { return name_; }
  const StringC& GetAddress() const noexcept { return address_; }
  const StringC& GetNetmask() const noexcept { return netmask_; }

 protected:
  ~OSNetworkAdapterC() override;

 private:
  int32_t up_;
  int32_t loopback_;
  StringC name_;
  StringC address_;
  StringC netmask_;
};

#endif  // QLM_OS_OSNETWORKADAPTERC_H_
