// ComNameRegistryI: the name interface of the component registry (IID_ComNameRegistry).
//
// Names map to class identifiers in a tree of name spaces. A name without ":" lives in the
// root name space ("Zel.rK.LkiServerLocation.1"); "space:key" lives in the name space "space:"
// and "outer.inner:key" in "inner:" below "outer:". Names are compared without regard to case.
// The interface shares its reference count with the registry's main interface. All operations
// may be called from any thread; none of them blocks beyond the registry's own lock.
#ifndef QLM_REGISTRY_COMNAMEREGISTRYI_H_
#define QLM_REGISTRY_COMNAMEREGISTRYI_H_

#include "cmn/cmn_Result.h"
#include "registry/GuidC.h"
#include "registry/ZelUnknownI.h"

// The class or name is not registered.
inline constexpr RcT RC_CLASS_NOT_REGISTERED = 0x80000005;

class ComNameRegistryI : public ZelUnknownI {
 public:
  // Looks `name` up and creates an object of its class (see ComRegistryI::CreateInstance).
  // RC_CLASS_NOT_REGISTERED when the name, or the class it names, is not registered; *out is
  // null on every failure (when `out` is not null).
  [[nodiscard]] virtual RcT CreateInstanceByName(const char* name, ZelUnknownI* outer,
                                                 const GuidC& iid, void** out) noexcept = 0;
  // Maps `name` to `clsid`, creating the name spaces on its path; an existing mapping of the
  // same key is replaced. RC_INVALIDARG for a null or empty name and for a name whose name
  // space cannot be reached (such as "a.:b"); nothing changes then except that name spaces
  // created on the way stay.
  [[nodiscard]] virtual RcT RegisterName(const char* name, const GuidC& clsid) noexcept = 0;
  // Removes the mapping of `name`; RC_CLASS_NOT_REGISTERED when there is none, RC_INVALIDARG
  // for a null name.
  [[nodiscard]] virtual RcT UnregisterName(const char* name) noexcept = 0;
  // Stores the class identifier of `name` in *clsid. When the name is absent *clsid becomes
  // GUID_NULL and the result is RC_CLASS_NOT_REGISTERED; RC_POINTER for a null `clsid`.
  [[nodiscard]] virtual RcT LookupName(const char* name, GuidC* clsid) noexcept = 0;

 protected:
  ~ComNameRegistryI() = default;
};

#endif  // QLM_REGISTRY_COMNAMEREGISTRYI_H_
