// LkiServerRuleListC: the server rules of a manager, in the order they were loaded.
//
// Load() reads every value of a store key as one rule (name = pattern, text = target; see
// LkiServerRuleC.h). Lookup() gives the target of the best matching rule: an exact pattern
// beats a prefix pattern, a longer prefix beats a shorter one, and among equals the rule
// loaded first wins. Holds one reference on each rule. One thread at a time.
#ifndef QLM_SERVERS_LKISERVERRULELISTC_H_
#define QLM_SERVERS_LKISERVERRULELISTC_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/StringC.h"
#include "cmn/cmn_Result.h"

class LkiServerRuleC;

class LkiServerRuleListC {
 public:
  LkiServerRuleListC() noexcept = default;
  LkiServerRuleListC(const LkiServerRuleListC&) = delete;
  LkiServerRuleListC& operator=(const LkiServerRuleListC&) = delete;
  ~LkiServerRuleListC();

  // Replaces the rules by the values of `keyPath` ("HKLM\..."). A value that cannot be read
  // is skipped. RC_FAIL when the path has no hive, names an unknown hive or the key cannot be
  // opened (the rules are then empty).
  [[nodiscard]] RcT Load(const StringC& keyPath);
  // Adds a rule after the others.
  void Add(std::string_view pattern, std::string_view target);
  // Adds `rule` (one reference taken); null is ignored.
  void Add(LkiServerRuleC* rule);
  void Clear() noexcept;
  size_t Count() const noexcept { return rules_.size(); }

  // The target of the best matching rule for `path`, or nothing when no rule with a non-empty
  // target matches.
  std::optional<std::string> Lookup(std::string_view path) const;

 private:
  std::vector<LkiServerRuleC*> rules_;
};

#endif  // QLM_SERVERS_LKISERVERRULELISTC_H_
