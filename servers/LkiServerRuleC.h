// LkiServerRuleC: one server rule, a path pattern and the text a matching path resolves to.
//
// Rules redirect well-known paths to other places: the manager's resolve-by-rule looks a path
// up in its rules and resolves the rule's text on a server location instead of the path.
// Stored form: each text value of the "Rules" section (HKLM ...\Common\Rules) is one rule; the
// value's name is the pattern and its text the target (see docs/server-locations.md).
//
// Matching, ASCII case ignored:
//   - a pattern without a final "*" matches exactly that path;
//   - a pattern ending in "*" matches every path that begins with the text before the "*"; the
//     rest of the path is appended to the target.
// The target is resolved as it is (no "$(ServerLocation)" is put in front of it): it may be a
// full URL elsewhere, or hold "$(ServerLocation)" to stay on the location. An empty target
// disables the pattern.
//
// Reference counted like every component object (atomic count); otherwise one thread at a time.
//
// The virtual operations are declared in the order of the object's function table, which
// other modules are built against: keep it (a new operation goes last).
#ifndef QLM_SERVERS_LKISERVERRULEC_H_
#define QLM_SERVERS_LKISERVERRULEC_H_

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "registry/GuidC.h"
#include "registry/ZelUnknownI.h"

inline constexpr GuidC IID_LkiServerRule{
    0x4C7A5219, 0xEAC3, 0x4EDD, {0x8F, 0xBD, 0x93, 0xEB, 0x58, 0xB8, 0x3B, 0x5A}};
inline constexpr GuidC CLSID_LkiServerRule{
    0xF1C46A87, 0x30BF, 0x4EC3, {0x9F, 0xDC, 0x52, 0x85, 0xE4, 0x91, 0x95, 0x76}};

class LkiServerRuleC : public ZelUnknownI {
 public:
  // How well a rule matches a path; larger is better, kNoMatch when it does not match.
  static constexpr int64_t kNoMatch = -1;

  // A rule with an empty pattern and target (it matches nothing), holding one reference.
  LkiServerRuleC() noexcept;
  LkiServerRuleC(std::string_view pattern, std::string_view target);
  // For class factories: a new empty rule with no reference held on it; null when memory is
  // short.
  static LkiServerRuleC* NewUnreferenced() noexcept;
  LkiServerRuleC(const LkiServerRuleC&) = delete;
  LkiServerRuleC& operator=(const LkiServerRuleC&) = delete;

  // IID_IUnknown and IID_LkiServerRule give this object with one reference added;
  // anything else stores null and gives RC_NOINTERFACE. RC_INVALIDARG for a null `out`.
  [[nodiscard]] RcT QueryInterface(const GuidC& iid, void** out) noexcept override;
  // Adds one reference; returns the new count.
  uint32_t AddRef() noexcept override;
  // Drops one reference, destroying the rule at zero; returns the new count.
  uint32_t Release() noexcept override;
  // Replaces the pattern and the target (null reads as ""). RC_FAIL when memory is
  // short (the rule is then unchanged).
  [[nodiscard]] virtual RcT Set(const char* pattern, const char* target) noexcept;
  // How well `path` matches: kNoMatch, or for a match the number of pattern
  // characters that matched plus one more for an exact pattern (so an exact rule beats a
  // prefix rule of the same text). Never fails.
  virtual int64_t Match(std::string_view path) const noexcept;
  // The target for `path`, or nothing when the rule does not match it or its target
  // is empty.
  virtual std::optional<std::string> Apply(std::string_view path) const;

  const std::string& Pattern() const noexcept { return pattern_; }
  const std::string& Target() const noexcept { return target_; }

 protected:
  // Destroyed by the last Release only.
  virtual ~LkiServerRuleC();

 private:
  std::atomic<uint32_t> count_{1};
  std::string pattern_;
  std::string target_;
};

#endif  // QLM_SERVERS_LKISERVERRULEC_H_
