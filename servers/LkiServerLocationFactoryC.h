// The class factory of server locations: component name "Zel.rK.LkiServerLocation.1", short
// name "LkiServerLocation", class CLSID_LkiServerLocation. Registered by
// LkiRegisterServerComponents (servers/LkiServerComponents.h).
#ifndef QLM_SERVERS_LKISERVERLOCATIONFACTORYC_H_
#define QLM_SERVERS_LKISERVERLOCATIONFACTORYC_H_

#include "registry/ComFactoryC.h"

class LkiServerLocationFactoryC final : public ComFactoryC {
 public:
  static constexpr const char* c_Name = "Zel.rK.LkiServerLocation.1";
  static constexpr const char* c_ShortName = "LkiServerLocation";

  // Starts with one reference, the creator's.
  LkiServerLocationFactoryC();

 protected:
  ~LkiServerLocationFactoryC() override;
  // A new unnamed location without attributes and with no reference held on it; null when
  // memory is short.
  ZelUnknownI* NewObject() noexcept override;
};

#endif  // QLM_SERVERS_LKISERVERLOCATIONFACTORYC_H_
