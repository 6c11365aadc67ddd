#include "base/RefCountC.h"

RefCountC::~RefCountC() = default;

void RefCountC::AddRef() const noexcept {
  count_.fetch_add(1, std::memory_order_relaxed);
}

void RefCountC::Release() const noexcept {
  // acq_rel: every write made through other references happens before the destruction.
  if (count_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
}
