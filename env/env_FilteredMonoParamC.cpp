#include "env/env_FilteredMonoParamC.h"

#include "env/env_ContextLinkC.h"
#include "env/env_EnvironmentI.h"

env_FilteredMonoParamC::env_FilteredMonoParamC(const env_EnvOptsC& key) : env_MonoParamC(key) {}

env_FilteredMonoParamC::env_FilteredMonoParamC(const env_FilteredMonoParamC& other)
    : env_MonoParamC(other), m_pEvaluator(other.m_pEvaluator) {}

env_FilteredMonoParamC::~env_FilteredMonoParamC() = default;

void env_FilteredMonoParamC::SetValue(const StringC& value) {
  m_oKey.SetOption(env_EnvOptsC::lazy_evaluation, false);
  m_sValue = value;
}

StringC env_FilteredMonoParamC::GetValue() {
  if (!m_oKey.HasOption(env_EnvOptsC::lazy_evaluation) || m_bEvaluating) return m_sValue;
  StringC result;
  if (m_pEvaluator != nullptr) {
    m_bEvaluating = true;
    // The function's answer is the value it rewrote.
    (void)m_pEvaluator->Apply(result);
    m_bEvaluating = false;
  }
  // Stored here first, so the parameter is computed even when it lives in an environment
  // outside the current context chain; then in every environment of that chain.
  SetValue(result);
  if (env_EnvironmentI* chain = env_ContextLinkC::CurrentEnvironment()) {
    const env_EnvOptsC key(m_oKey);
    chain->SetInAll(key, result);
  }
  return m_sValue;
}

void env_FilteredMonoParamC::Apply(env_FunctionI& function) {
  if (m_pEvaluator == nullptr && m_oKey.HasOption(env_EnvOptsC::lazy_evaluation)) {
    m_pEvaluator = &function;
    return;
  }
  // The function's answer is the value it rewrote.
  (void)function.Apply(m_sValue);
}
