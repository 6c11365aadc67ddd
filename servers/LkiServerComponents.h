// Registration of the server layer's component classes (server locations and server rules)
// with a component registry.
#ifndef QLM_SERVERS_LKISERVERCOMPONENTS_H_
#define QLM_SERVERS_LKISERVERCOMPONENTS_H_

#include "cmn/cmn_Result.h"

class ComRegistryI;

// Registers LkiServerLocationFactoryC (CLSID_LkiServerLocation, "Zel.rK.LkiServerLocation.1",
// "LkiServerLocation") and LkiServerRuleFactoryC (CLSID_LkiServerRule, "Zel.rK.LkiServerRule.1",
// "LkiServerRule") in `registry`. A class whose component name is already registered is left
// as it is, so calling this twice is harmless. Returns 0, RC_INVALIDARG for a null registry,
// or the first registration's failure (the classes registered before it stay). Call it after
// the component registry has been started; the registrations last until the registry is shut
// down.
[[nodiscard]] RcT LkiRegisterServerComponents(ComRegistryI* registry) noexcept;

#endif  // QLM_SERVERS_LKISERVERCOMPONENTS_H_
