#include "env/env_OptGetNames.h"

#include "env/env_Sys8TextC.h"

env_OptGetNames::env_OptGetNames(env_VariableSinkI& variables) noexcept : m_rVariables(variables) {}

env_OptGetNames::~env_OptGetNames() = default;

bool env_OptGetNames::Apply(const StringC& name, RklEnvParamI& param) {
  const env_Sys8TextC n(name);
  const env_Sys8TextC v(param.GetValue());
  // A value the list's filters refuse is left out silently.
  (void)m_rVariables.AddVariable(n.Get(), v.Get(), true, true);
  ++m_nCount;
  return true;
}
