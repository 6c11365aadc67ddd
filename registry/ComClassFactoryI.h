// ComClassFactoryI: the class factory interface of the component layer (IID_IClassFactory).
//
// Slots: 0 QueryInterface, 1 AddRef, 2 Release, 3 CreateInstance, 4 LockServer, 5 and 6 the
// destructor (complete and deleting). Component modules implement it with this header alone;
// no function of the registry library is needed to do so.
#ifndef QLM_REGISTRY_COMCLASSFACTORYI_H_
#define QLM_REGISTRY_COMCLASSFACTORYI_H_

#include "cmn/cmn_Result.h"
#include "registry/GuidC.h"
#include "registry/ZelUnknownI.h"

class ComClassFactoryI : public ZelUnknownI {
 public:
  // Makes a new object and stores its interface `iid` in *out with one reference, the
  // caller's. `outer` is the controlling object for aggregation; factories of this system do
  // not aggregate and refuse a non-null one with RC_NOTIMPL. On failure *out is null (when
  // `out` is not null) and no object survives. Does not block beyond the object's construction.
  [[nodiscard]] virtual RcT CreateInstance(ZelUnknownI* outer, const GuidC& iid,
                                           void** out) noexcept = 0;
  // `lock` true keeps the server (the module holding the factory) in use, false gives that
  // back; each lock must be matched by one unlock. Returns 0.
  [[nodiscard]] virtual RcT LockServer(bool lock) noexcept = 0;

 protected:
  // Factories are destroyed by their last Release only.
  virtual ~ComClassFactoryI() = default;
};

#endif  // QLM_REGISTRY_COMCLASSFACTORYI_H_
