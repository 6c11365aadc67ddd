#include "env/env_FilteredMonoParamC.h"

#include "env/env_ContextLinkC.h"
#include "env/env_EnvironmentI.h"

env_FilteredMonoParamC::env_FilteredMonoParamC(const env_EnvOptsC& key) : env_MonoParamC(key) {}

env_FilteredMonoParamC::env_FilteredMonoParamC(const env_FilteredMonoParamC& other)
    : env_MonoParamC(other), evaluator_(other.evaluator_) {}

env_FilteredMonoParamC::~env_FilteredMonoParamC() = default;

void env_FilteredMonoParamC::SetValue(const StringC& value) {
  key_.SetOption(env_EnvOptsC::lazy_evaluation, false);
  value_ = value;
}

StringC env_FilteredMonoParamC::GetValue() {
  if (!key_.HasOption(env_EnvOptsC::lazy_evaluation) || evaluating_) return value_;
  StringC result;
  if (evaluator_ != nullptr) {
    evaluating_ = true;
    // The function's answer is the value it rewrote.
    (void)evaluator_->Apply(result);
    evaluating_ = false;
  }
  // Stored here first, so the parameter is computed even when it lives in an environment
  // outside the current context chain; then in every environment of that chain.
  SetValue(result);
  if (env_EnvironmentI* chain = env_ContextLinkC::CurrentEnvironment()) {
    const env_EnvOptsC key(key_);
    chain->SetInAll(key, result);
  }
  return value_;
}

void env_FilteredMonoParamC::Apply(env_FunctionI& function) {
  if (evaluator_ == nullptr && key_.HasOption(env_EnvOptsC::lazy_evaluation)) {
    evaluator_ = &function;
    return;
  }
  // The function's answer is the value it rewrote.
  (void)function.Apply(value_);
}
