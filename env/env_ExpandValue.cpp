#include "env/env_ExpandValue.h"

#include <string>
#include <string_view>
#include <vector>

#include "env/env_EnvironmentC.h"
#include "env/env_ParamRefC.h"

namespace {

constexpr std::string_view kOpen = "$(";

bool HasReference(std::string_view v) noexcept {
  return v.find(kOpen) != std::string_view::npos;
}

bool IsAscii(std::string_view v) noexcept {
  for (const char c : v) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// `inner` (UTF-8) equals `name` ignoring case.
bool SameName(std::string_view inner, const StringC& name) {
  if (name.IsAscii() && IsAscii(inner)) {
    const std::string_view n = name.Utf8View();
    if (n.size() != inner.size()) return false;
    for (size_t i = 0; i < n.size(); ++i) {
      unsigned char a = static_cast<unsigned char>(n[i]);
      unsigned char b = static_cast<unsigned char>(inner[i]);
      if (static_cast<unsigned>(a - 'A') < 26u) a = static_cast<unsigned char>(a + 32);
      if (static_cast<unsigned>(b - 'A') < 26u) b = static_cast<unsigned char>(b + 32);
      if (a != b) return false;
    }
    return true;
  }
  return StringC::FromUtf8(inner).EqualsNoCase(name);
}

// One value being scanned. The StringC keeps the body that `value` points into alive; a body
// shared with a parameter is copied before the parameter changes it, so the view stays valid.
struct FrameS {
  StringC name;  // references to this name stay in place
  StringC holder;
  std::string_view value;
  size_t pos = 0;  // where the scan continues in `value`
  int budget = 0;
};

class ExpanderC {
 public:
  ExpanderC(env_EnvironmentI& env, bool dropMissing) noexcept
      : env_(env), concrete_(dynamic_cast<env_EnvironmentC*>(&env)), drop_(dropMissing) {}

  // Expands `value`, the value of (or the text given as) `name`, with `budget` > 0.
  //
  // The result is produced strictly left to right: a replacement is written in full at the
  // place of its reference before the scan of the enclosing value goes on, so every frame
  // writes straight into one output and nothing is copied when a frame ends.
  StringC Run(const StringC& name, const StringC& value, int budget) {
    std::string out;
    std::vector<FrameS> stack;
    stack.push_back(FrameS{name, value, value.Utf8View(), 0, budget});
    while (!stack.empty()) {
      FrameS& f = stack.back();
      const size_t s = f.value.find(kOpen, f.pos);
      const size_t e = s == std::string_view::npos ? s : f.value.find(')', s + kOpen.size());
      if (e == std::string_view::npos) {
        Put(out, f.value.substr(f.pos));
        stack.pop_back();
        continue;
      }
      Put(out, f.value.substr(f.pos, s - f.pos));
      const std::string_view ref = f.value.substr(s, e + 1 - s);
      const std::string_view inner = ref.substr(kOpen.size(), ref.size() - kOpen.size() - 1);
      f.pos = e + 1;
      if (exhausted_) {
        Put(out, ref);
        continue;
      }
      if (SameName(inner, f.name)) {
        Put(out, ref);  // a value that refers to its own name
        continue;
      }
      if (!Charge(ExpandLookupCost())) {
        Put(out, ref);
        continue;
      }
      RklEnvParamI* param = Find(inner);
      if (param == nullptr) {
        if (!drop_) Put(out, ref);
        continue;
      }
      StringC v = param->GetValue();
      if (f.budget - 1 <= 0) continue;  // reached with budget 0: contributes nothing
      const std::string_view view = v.Utf8View();
      if (!Charge(view.size())) {
        Put(out, ref);
        continue;
      }
      if (!HasReference(view)) {
        Put(out, view);
        continue;
      }
      const int next = f.budget - 1;  // `f` dies with the push below
      stack.push_back(FrameS{StringC::FromUtf8(inner), v, view, 0, next});
    }
    return StringC::FromUtf8(out);
  }

 private:
  // The parameter named `name`, or null when absent.
  RklEnvParamI* Find(std::string_view name) {
    if (concrete_ != nullptr) return concrete_->FindUtf8(name);
    RklEnvParamI& param = env_.FindParam(env_EnvOptsC(StringC::FromUtf8(name)));
    return &param == &env_ParamRefC::Null() ? nullptr : &param;
  }

  // Accounts for `bytes` of work; false (and exhausted from then on) when over the limit.
  bool Charge(size_t bytes) noexcept {
    if (exhausted_ || bytes > left_) {
      exhausted_ = true;
      return false;
    }
    left_ -= bytes;
    return true;
  }
  // Appends `text` to `out`. Past the work limit, text is still written: what remains is the
  // unscanned rest of the values being expanded, each already paid for when it was looked up.
  void Put(std::string& out, std::string_view text) {
    if (text.empty()) return;
    // Already paid for when looked up (above); only the count is kept.
    (void)Charge(text.size());
    out.append(text);
  }

  env_EnvironmentI& env_;
  env_EnvironmentC* const concrete_;  // the common case, looked up without making a StringC
  const bool drop_;
  size_t left_ = ExpandWorkLimit();
  bool exhausted_ = false;
};

}  // namespace

StringC ExpandValue(env_EnvironmentI& env, bool dropMissing, const StringC& text, bool lookUp,
                    int budget) {
  StringC value;
  if (lookUp) {
    RklEnvParamI& param = env.FindParam(env_EnvOptsC(text));
    if (&param == &env_ParamRefC::Null()) {
      if (dropMissing) return StringC();
      StringC ref("$(", StringC::CC_ASCII);
      ref.Append(text);
      ref.AppendChar(U')');
      return ref;
    }
    value = param.GetValue();
  } else {
    value = text;
  }
  if (budget <= 0) return StringC();
  if (!HasReference(value.Utf8View())) return value;
  ExpanderC expander(env, dropMissing);
  return expander.Run(text, value, budget);
}

StringC ExpandValue(const env_ExpandStoreI& store, const StringC& text, bool lookUp, int budget) {
  env_EnvironmentI* env = store.GetExpandEnvironment();
  if (env == nullptr) return lookUp ? StringC() : text;
  return ExpandValue(*env, store.IsDropMissingNames(), text, lookUp, budget);
}
