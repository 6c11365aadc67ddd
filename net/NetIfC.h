// NetIfC: the host interface of the network layer, supplying settings, the inactivity
// time-out and the transfer rate. Programs may install their own (StreamRegistryC::Initialise).
#ifndef QLM_NET_NETIFC_H_
#define QLM_NET_NETIFC_H_

#include <optional>
#include <string>

class NetIfC {
 public:
  NetIfC() = default;
  NetIfC(const NetIfC&) = delete;
  NetIfC& operator=(const NetIfC&) = delete;
  virtual ~NetIfC();

  // The text of setting `name`, or empty when it is not set. The default reads it from the
  // "Environment" section of the preference files. Never blocks on the network.
  virtual std::optional<std::string> GetSetting(const char* name);
  // The inactivity time-out of streams that enable one, in seconds (0: none). Default 30.
  virtual long GetTimeout();
  // The transfer rate limit; StreamRegistryC::RateUnlimited by default.
  virtual long GetRate();

  // The default look-up of GetSetting, usable without an interface object.
  static std::optional<std::string> ReadPreference(const char* name);
};

#endif  // QLM_NET_NETIFC_H_
