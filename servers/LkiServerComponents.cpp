#include "servers/LkiServerComponents.h"

#include <new>

#include "registry/ComRegistryI.h"
#include "servers/LkiServerLocationC.h"
#include "servers/LkiServerLocationFactoryC.h"
#include "servers/LkiServerRuleC.h"
#include "servers/LkiServerRuleFactoryC.h"

namespace {

template <class FactoryT>
[[nodiscard]] RcT RegisterOne(ComRegistryI* registry, const GuidC& clsid) noexcept {
  GuidC known;
  if (RcSucceeded(registry->LookupName(FactoryT::c_Name, &known))) return RC_OK;
  auto* factory = new (std::nothrow) FactoryT();
  if (factory == nullptr) return RC_FAIL;
  const RcT rc = factory->Register(registry, clsid);
  factory->Release();  // the registry holds its own reference when the registration worked
  return rc;
}

}  // namespace

RcT LkiRegisterServerComponents(ComRegistryI* registry) noexcept {
  if (registry == nullptr) return RC_INVALIDARG;
  RcT rc = RegisterOne<LkiServerLocationFactoryC>(registry, CLSID_LkiServerLocation);
  if (RcFailed(rc)) return rc;
  return RegisterOne<LkiServerRuleFactoryC>(registry, CLSID_LkiServerRule);
}
