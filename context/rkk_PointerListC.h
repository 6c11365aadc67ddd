// rkk_PointerListC: a list whose items are ordered as unsigned numbers (their addresses).
#ifndef QLM_CONTEXT_RKK_POINTERLISTC_H_
#define QLM_CONTEXT_RKK_POINTERLISTC_H_

#include "context/rkk_ListC.h"

class rkk_PointerListC : public rkk_ListC {
 public:
  explicit rkk_PointerListC(bool sorted = false, bool unique = false) noexcept;
  ~rkk_PointerListC() override;

  // -1, 0 or 1 by the items' values as unsigned numbers.
  int Compare(const void* a, const void* b) const noexcept override;
};

#endif  // QLM_CONTEXT_RKK_POINTERLISTC_H_
