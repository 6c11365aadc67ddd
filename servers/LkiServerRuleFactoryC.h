// The class factory of server rules: component name "Zel.rK.LkiServerRule.1", short name
// "LkiServerRule", class CLSID_LkiServerRule. Registered by LkiRegisterServerComponents
// (servers/LkiServerComponents.h).
#ifndef QLM_SERVERS_LKISERVERRULEFACTORYC_H_
#define QLM_SERVERS_LKISERVERRULEFACTORYC_H_

#include "registry/ComFactoryC.h"

class LkiServerRuleFactoryC final : public ComFactoryC {
 public:
  static constexpr const char* c_Name = "Zel.rK.LkiServerRule.1";
  static constexpr const char* c_ShortName = "LkiServerRule";

  // Starts with one reference, the creator's.
  LkiServerRuleFactoryC();

 protected:
  ~LkiServerRuleFactoryC() override;
  // A new empty rule with no reference held on it; null when memory is short.
  ZelUnknownI* NewObject() noexcept override;
};

#endif  // QLM_SERVERS_LKISERVERRULEFACTORYC_H_
