// The reference-counted query interface of the component layer.
#ifndef QLM_REGISTRY_ZELUNKNOWNI_H_
#define QLM_REGISTRY_ZELUNKNOWNI_H_

#include <cstdint>

#include "cmn/cmn_Result.h"
#include "registry/GuidC.h"

class ZelUnknownI {
 public:
  // Stores in *out the object's interface `iid` with one reference added and returns 0;
  // RC_NOINTERFACE (and null in *out) when the object does not have it; RC_INVALIDARG for a
  // null `out`.
  [[nodiscard]] virtual RcT QueryInterface(const GuidC& iid, void** out) noexcept = 0;
  // Adds one reference; returns the new count (for diagnostics only).
  virtual uint32_t AddRef() noexcept = 0;
  // Drops one reference and destroys the object at zero; returns the new count.
  virtual uint32_t Release() noexcept = 0;

 protected:
  ~ZelUnknownI() = default;
};

#endif  // QLM_REGISTRY_ZELUNKNOWNI_H_
