#include "env/EnvPreferencesC.h"

#include "env/env_ContextLinkC.h"
#include "env/env_EnvironmentC.h"
#include "env/env_ExpandValue.h"
#include "env/env_ParamRefC.h"
#include "env/env_StringOps.h"

const env_EnvOptsC EnvPreferencesC::c_OraclePresent(StringC("OracleInstanceDiscovered",
                                                            StringC::CC_ASCII));

namespace {

// Whether `param` holds a list (rather than one value). A single value whose key has gained
// values_multi counts as a list: its next added value grows it into one.
bool IsList(RklEnvParamI& param) {
  if (auto* ref = dynamic_cast<env_ParamRefC*>(&param); ref != nullptr && ref->IsMulti()) {
    return true;
  }
  return param.GetOptions().HasOption(env_EnvOptsC::values_multi);
}

}  // namespace

EnvPreferencesC::EnvPreferencesC(env_EnvironmentI* environment) noexcept
    : environment_(environment != nullptr ? environment : env_ContextLinkC::CurrentEnvironment()) {}

EnvPreferencesC::~EnvPreferencesC() = default;

bool EnvPreferencesC::HasSuffix(const StringC& name, const char* suffix) {
  const StringC tail(suffix, StringC::CC_ASCII);
  const int64_t n = name.Length();
  const int64_t k = tail.Length();
  return n > k && name.Substring(n - k).EqualsNoCase(tail);
}

bool EnvPreferencesC::IsFixed(const env_EnvOptsC& opts) {
  if (environment_ == nullptr) return false;
  const StringC name = opts.GetKey();
  if (!environment_->Exists(name)) return false;
  if (environment_->FindParam(opts).IsEmpty()) return false;  // the first value is always taken
  if (HasSuffix(name, "Fxd") || HasSuffix(name, "Fixed")) return true;
  for (const char* suffix : {"Fixed", "Fxd"}) {
    const StringC companion = name + StringC(suffix, StringC::CC_ASCII);
    if (environment_->Exists(companion) && GetBool(companion, false)) return true;
  }
  return false;
}

void EnvPreferencesC::SetValue(const StringC& name, const StringC& value, bool force) {
  SetValue(MakeOpts(name), value, force);
}

void EnvPreferencesC::SetValue(const env_EnvOptsC& opts, const StringC& value, bool force) {
  if (environment_ == nullptr) return;
  if (!force && IsFixed(opts)) return;
  RklEnvParamI& param = environment_->GetParam(opts);
  if (IsList(param)) {
    (void)param.AddValue(value);  // a refusal by the list's filters is silent
  } else {
    param.SetValue(value);
  }
}

void EnvPreferencesC::SetValues(const StringC& name, const StringArrayC* list, bool force) {
  SetValues(MakeOpts(name), list, force);
}

void EnvPreferencesC::SetValues(const env_EnvOptsC& opts, const StringArrayC* list, bool force) {
  if (list == nullptr || environment_ == nullptr) return;
  if (!force && IsFixed(opts)) return;
  const std::unique_ptr<StringArrayC> old = GetValues(opts, true);
  const StringC name = opts.GetKey();
  environment_->Remove(name);
  // Creates the empty parameter; the reference is not needed.
  (void)environment_->GetParam(opts);
  const StringC self = StringC("$(", StringC::CC_ASCII) + name + StringC(")", StringC::CC_ASCII);
  // The fixed test above covers the whole list: testing again per value would keep only the
  // first value of a preference whose companion marks it fixed while it was still empty.
  for (uint64_t i = 0; i < list->Count(); ++i) {
    const StringC& element = (*list)[i];
    if (element.EqualsNoCase(self)) {
      for (uint64_t j = 0; j < old->Count(); ++j) SetValue(opts, (*old)[j], true);
    } else {
      SetValue(opts, element, true);
    }
  }
}

StringC EnvPreferencesC::GetValue(const StringC& name, bool expand) {
  return GetValue(MakeOpts(name), expand);
}

StringC EnvPreferencesC::GetValue(const env_EnvOptsC& opts, bool expand) {
  if (environment_ == nullptr) return StringC();
  if (expand && expansion_enabled_) {
    return ExpandValue(*environment_, drop_missing_names_, opts.GetKey(), true, c_ExpandBudget);
  }
  return environment_->GetParam(opts).GetValue();
}

std::unique_ptr<StringArrayC> EnvPreferencesC::GetValues(const StringC& name, bool expand) {
  return GetValues(MakeOpts(name), expand);
}

std::unique_ptr<StringArrayC> EnvPreferencesC::GetValues(const env_EnvOptsC& opts, bool expand) {
  auto out = std::make_unique<StringArrayC>();
  if (environment_ == nullptr) return out;
  const StringC name = opts.GetKey();
  if (!environment_->Exists(name)) return out;
  RklEnvParamI& param = environment_->GetParam(opts);
  const bool expandNow = expand && expansion_enabled_;
  // Reading by name reads the list's current value, so the list is walked by its position.
  auto read = [&]() {
    return expandNow ? ExpandValue(*environment_, drop_missing_names_, name, true, c_ExpandBudget)
                     : param.GetValue();
  };
  auto* ref = dynamic_cast<env_ParamRefC*>(&param);
  const bool list = ref != nullptr ? ref->IsMulti() : IsList(param);
  if (!list) {
    StringC value = read();  // computes a lazily evaluated value first
    if (!param.IsEmpty()) out->Append(std::move(value));
    return out;
  }
  param.MoveFirst();
  const int count = param.GetCount();
  for (int i = 0; i < count; ++i) {
    out->Append(read());
    param.MoveNext();
  }
  param.MoveFirst();
  return out;
}

StringC EnvPreferencesC::Expand(const StringC& text) {
  if (environment_ == nullptr) {
    env_EnvironmentC empty;
    return ExpandValue(empty, drop_missing_names_, text, false, c_ExpandBudget);
  }
  return ExpandValue(*environment_, drop_missing_names_, text, false, c_ExpandBudget);
}

env_EnvOptsC EnvPreferencesC::MakeOpts(const StringC& name) {
  return env_EnvOptsC(name, env_EnvOptsC::options_default);
}

void EnvPreferencesC::SetOption(const StringC& name, uint64_t mask) {
  if (environment_ == nullptr) return;
  environment_->GetParam(MakeOpts(name)).GetOptions().SetOption(mask, true);
}

int EnvPreferencesC::ParameterCount() {
  return environment_ != nullptr ? environment_->GetCount() : 0;
}

bool EnvPreferencesC::IsUnset(const StringC& name) {
  return IsUnset(MakeOpts(name));
}

bool EnvPreferencesC::IsUnset(const env_EnvOptsC& opts) {
  if (environment_ == nullptr) return true;
  const StringC name = opts.GetKey();
  if (!environment_->Exists(name)) return true;
  if (IsList(environment_->FindParam(opts))) return false;
  return ExpandValue(*environment_, drop_missing_names_, name, true, c_ExpandBudget).IsEmpty();
}

bool EnvPreferencesC::Exists(const StringC& name) {
  return Exists(MakeOpts(name));
}

bool EnvPreferencesC::Exists(const env_EnvOptsC& opts) {
  return environment_ != nullptr && environment_->Exists(opts.GetKey());
}

bool EnvPreferencesC::IsExpansionEnabled() {
  return expansion_enabled_;
}

void EnvPreferencesC::SetExpansionEnabled(bool on) {
  expansion_enabled_ = on;
}

bool EnvPreferencesC::IsDropMissingNames() {
  return drop_missing_names_;
}

void EnvPreferencesC::SetDropMissingNames(bool on) {
  drop_missing_names_ = on;
}

bool EnvPreferencesC::GetBool(const StringC& name, bool fallback) {
  return GetBool(MakeOpts(name), fallback);
}

bool EnvPreferencesC::GetBool(const env_EnvOptsC& opts, bool fallback) {
  return ParseBool(GetValue(opts, true), fallback);
}

void EnvPreferencesC::Remove(const StringC& name) {
  Remove(MakeOpts(name));
}

void EnvPreferencesC::Remove(const env_EnvOptsC& opts) {
  if (environment_ != nullptr) environment_->Remove(opts.GetKey());
}

void EnvPreferencesC::AttachContextEnvironment() {
  environment_ = env_ContextLinkC::CurrentEnvironment();
}
