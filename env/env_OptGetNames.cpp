#include "env/env_OptGetNames.h"

#include "env/env_Sys8TextC.h"

env_OptGetNames::env_OptGetNames(env_VariableSinkI& variables) noexcept : variables_(variables) {}

env_OptGetNames::~env_OptGetNames() = default;

bool env_OptGetNames::Apply(const StringC& name, RklEnvParamI& param) {
  const env_Sys8TextC n(name);
  const env_Sys8TextC v(param.GetValue());
  // A value the list's filters refuse is left out silently.
  (void)variables_.AddVariable(n.Get(), v.Get(), true, true);
  ++count_;
  return true;
}
