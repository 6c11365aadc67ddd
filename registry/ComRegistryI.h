// ComRegistryI: the main interface of the component registry (IID_ComRegistry).
//
// The registry maps class identifiers to class factories and names to class identifiers (the
// name operations are those of ComNameRegistryI, repeated here so that one pointer reaches
// both). Component modules receive this interface in their entry points and use it with this
// header alone. All operations may be called from any thread; none calls a factory or an
// object while holding the registry's lock, so factories and objects may call the registry.
#ifndef QLM_REGISTRY_COMREGISTRYI_H_
#define QLM_REGISTRY_COMREGISTRYI_H_

#include "cmn/cmn_Result.h"
#include "registry/ComClassFactoryI.h"
#include "registry/ComNameRegistryI.h"
#include "registry/GuidC.h"
#include "registry/ZelUnknownI.h"

// A registration in the class table: an opaque handle for Revoke(), valid until revoked.
class UnixComClassEntryC;

class ComRegistryI : public ZelUnknownI {
 public:
  // Creates an object of class `clsid` through its factory (always with a null outer; `outer`
  // is not passed on) and stores its interface `iid` in *out with one reference, the caller's.
  // RC_CLASS_NOT_REGISTERED for an unknown class, RC_INVALIDARG for a null `out`, otherwise the
  // factory's result. *out is null on every failure (when `out` is not null).
  [[nodiscard]] virtual RcT CreateInstance(const GuidC& clsid, ZelUnknownI* outer, const GuidC& iid,
                                           void** out) noexcept = 0;
  // Adds `factory` for `clsid`; the registry holds its own reference on the factory until the
  // entry is revoked or the registry is shut down. On success *entry (when `entry` is not
  // null) is the new entry. RC_FAIL when `clsid` is already registered, RC_INVALIDARG for a
  // null factory; nothing changes on failure.
  [[nodiscard]] virtual RcT RegisterClass(const GuidC& clsid, ComClassFactoryI* factory,
                                          UnixComClassEntryC** entry) noexcept = 0;
  // Removes `entry` from the class table and releases it with its factory reference. RC_FAIL
  // when `entry` is not in the table (already revoked, or null). The handle is invalid after.
  [[nodiscard]] virtual RcT Revoke(UnixComClassEntryC* entry) noexcept = 0;
  // Stores the factory of `clsid` in *factory with one reference added, the caller's.
  // RC_POINTER for a null `factory`; RC_CLASS_NOT_REGISTERED (and null) for an unknown class.
  [[nodiscard]] virtual RcT GetClassObject(const GuidC& clsid,
                                           ComClassFactoryI** factory) noexcept = 0;

  // The name operations; see ComNameRegistryI for their contracts.
  [[nodiscard]] virtual RcT CreateInstanceByName(const char* name, ZelUnknownI* outer,
                                                 const GuidC& iid, void** out) noexcept = 0;
  [[nodiscard]] virtual RcT RegisterName(const char* name, const GuidC& clsid) noexcept = 0;
  [[nodiscard]] virtual RcT UnregisterName(const char* name) noexcept = 0;
  [[nodiscard]] virtual RcT LookupName(const char* name, GuidC* clsid) noexcept = 0;

 protected:
  ~ComRegistryI() = default;
};

#endif  // QLM_REGISTRY_COMREGISTRYI_H_
