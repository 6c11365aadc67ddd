#include "context/rkk_PointerListC.h"

#include <cstdint>

rkk_PointerListC::rkk_PointerListC(bool sorted, bool unique) noexcept : rkk_ListC(sorted, unique) {}

rkk_PointerListC::~rkk_PointerListC() = default;

int rkk_PointerListC::Compare(const void* a, const void* b) const noexcept {
  const auto x = reinterpret_cast<uintptr_t>(a);
  const auto y = reinterpret_cast<uintptr_t>(b);
  return x < y ? -1 : (x > y ? 1 : 0);
}
