#include "servers/LkiServerRuleListC.h"

#include "base/StringArrayC.h"
#include "registry/RegKeyC.h"
#include "registry/RegValueC.h"
#include "servers/LkiServerLocationC.h"
#include "servers/LkiServerRuleC.h"
#include "servers/LkiServerStore.h"

LkiServerRuleListC::~LkiServerRuleListC() {
  Clear();
}

void LkiServerRuleListC::Clear() noexcept {
  for (LkiServerRuleC* rule : rules_) rule->Release();
  rules_.clear();
}

void LkiServerRuleListC::Add(std::string_view pattern, std::string_view target) {
  auto* rule = new LkiServerRuleC(pattern, target);
  rules_.push_back(rule);  // takes the constructor's reference
}

void LkiServerRuleListC::Add(LkiServerRuleC* rule) {
  if (rule == nullptr) return;
  rule->AddRef();
  rules_.push_back(rule);
}

RcT LkiServerRuleListC::Load(const StringC& keyPath) {
  Clear();
  LkiStoreKeyS where;
  if (!LkiSplitStorePath(keyPath, &where)) return RC_FAIL;
  RegKeyC key(where.root, where.path);
  if (!key.Open(REG_ACCESS_READ).IsOk()) return RC_FAIL;
  StringArrayC names;
  if (!key.EnumerateValues(&names).IsOk()) return RC_FAIL;
  for (uint64_t i = 0; i < names.Count(); ++i) {
    std::string text;
    if (!LkiReadValueText(where, names[i], &text)) continue;
    Add(names[i].Utf8View(), text);
    LkiWipe(&text);
  }
  return RC_OK;
}

std::optional<std::string> LkiServerRuleListC::Lookup(std::string_view path) const {
  const LkiServerRuleC* best = nullptr;
  int64_t best_score = LkiServerRuleC::kNoMatch;
  for (const LkiServerRuleC* rule : rules_) {
    if (rule->Target().empty()) continue;
    const int64_t score = rule->Match(path);
    if (score > best_score) {
      best = rule;
      best_score = score;
    }
  }
  if (best == nullptr) return std::nullopt;
  return best->Apply(path);
}
