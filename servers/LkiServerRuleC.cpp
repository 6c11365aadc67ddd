#include "servers/LkiServerRuleC.h"

#include <new>

namespace {

unsigned char FoldAscii(char c) noexcept {
  unsigned char u = static_cast<unsigned char>(c);
  return (u >= 'A' && u <= 'Z') ? static_cast<unsigned char>(u + 32) : u;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) noexcept {
  if (prefix.size() > text.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (FoldAscii(text[i]) != FoldAscii(prefix[i])) return false;
  }
  return true;
}

}  // namespace

LkiServerRuleC::LkiServerRuleC() noexcept = default;

LkiServerRuleC::LkiServerRuleC(std::string_view pattern, std::string_view target)
    : pattern_(pattern), target_(target) {}

LkiServerRuleC* LkiServerRuleC::NewUnreferenced() noexcept {
  auto* rule = new (std::nothrow) LkiServerRuleC();
  if (rule != nullptr) rule->count_.store(0, std::memory_order_relaxed);
  return rule;
}

LkiServerRuleC::~LkiServerRuleC() = default;

RcT LkiServerRuleC::QueryInterface(const GuidC& iid, void** out) noexcept {
  if (out == nullptr) return RC_INVALIDARG;
  if (iid == IID_IUnknown || iid == IID_LkiServerRule) {
    AddRef();
    *out = this;
    return RC_OK;
  }
  *out = nullptr;
  return RC_NOINTERFACE;
}

uint32_t LkiServerRuleC::AddRef() noexcept {
  return count_.fetch_add(1, std::memory_order_relaxed) + 1;
}

uint32_t LkiServerRuleC::Release() noexcept {
  const uint32_t left = count_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (left == 0) delete this;
  return left;
}

RcT LkiServerRuleC::Set(const char* pattern, const char* target) noexcept {
  try {
    std::string p = pattern != nullptr ? pattern : "";
    std::string t = target != nullptr ? target : "";
    pattern_.swap(p);
    target_.swap(t);
  } catch (const std::bad_alloc&) {
    return RC_FAIL;
  }
  return RC_OK;
}

int64_t LkiServerRuleC::Match(std::string_view path) const noexcept {
  if (pattern_.empty()) return kNoMatch;
  if (pattern_.back() == '*') {
    const std::string_view prefix(pattern_.data(), pattern_.size() - 1);
    return StartsWithNoCase(path, prefix) ? static_cast<int64_t>(prefix.size()) : kNoMatch;
  }
  if (path.size() != pattern_.size() || !StartsWithNoCase(path, pattern_)) return kNoMatch;
  return static_cast<int64_t>(pattern_.size()) + 1;
}

std::optional<std::string> LkiServerRuleC::Apply(std::string_view path) const {
  if (target_.empty() || Match(path) == kNoMatch) return std::nullopt;
  std::string out = target_;
  if (pattern_.back() == '*') out.append(path.substr(pattern_.size() - 1));
  return out;
}
