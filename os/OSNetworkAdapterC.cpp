#include "os/OSNetworkAdapterC.h"

OSNetworkAdapterC::OSNetworkAdapterC(bool up, bool loopback, const StringC& name,
                                     const StringC& address, const StringC& netmask)
    : up_(up ? 1 : 0),
      loopback_(loopback ? 1 : 0),
      name_(name),
      address_(address),
      netmask_(netmask) {}

OSNetworkAdapterC::~OSNetworkAdapterC() = default;
