// `$(Name)` expansion of configuration values.
//
// A reference is "$(" followed by a name and the first ")" after it (so names hold no
// references, though a name may contain "$("). Each reference is replaced by the expanded value
// of the parameter it names. The scan runs left to right and never re-reads text it has
// produced: the replacement is expanded before it is inserted, and references left in it stay
// as they are.
//
// Termination and cost: `budget` bounds the depth (a name reached with budget 0 is looked up
// but contributes the empty text), self-references stay in place, and the work of one call -
// lookups plus the bytes scanned and copied - is capped at ExpandWorkLimit(); once the cap is
// reached the remaining references stay in the text as written. The expansion keeps its own
// stack on the heap, so no budget can exhaust the thread's stack.
#ifndef QLM_ENV_ENV_EXPANDVALUE_H_
#define QLM_ENV_ENV_EXPANDVALUE_H_

#include <cstddef>

#include "base/StringC.h"
#include "env/env_EnvironmentI.h"
#include "env/env_ExpandStoreI.h"

// Expands `text` (lookUp false) or the value of the parameter named `text` (lookUp true) in the
// store's environment, honouring its drop-missing-names switch.
//
// With lookUp, an absent name gives "" (drop missing) or "$(text)" whatever the budget; a
// present one is read with GetValue() (which computes a lazy value). Then a budget of 0 or less
// gives "". Otherwise each reference "$(inner)" in the value is handled in order: when `inner`
// equals the name being expanded (ignoring case) it is left in place; else it is replaced by
// ExpandValue(inner, lookUp = true, budget - 1).
[[nodiscard]] StringC ExpandValue(const env_ExpandStoreI& store, const StringC& text, bool lookUp,
                                  int budget);
// The same with the environment and the switch given directly.
[[nodiscard]] StringC ExpandValue(env_EnvironmentI& env, bool dropMissing, const StringC& text,
                                  bool lookUp, int budget);

// The most work (in bytes scanned and copied, each lookup counting ExpandLookupCost()) that one
// expansion does before it leaves further references unexpanded.
[[nodiscard]] constexpr size_t ExpandWorkLimit() noexcept {
  return size_t{4} << 20;
}
[[nodiscard]] constexpr size_t ExpandLookupCost() noexcept {
  return 256;
}

#endif  // QLM_ENV_ENV_EXPANDVALUE_H_
