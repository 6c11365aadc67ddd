#include "env/env_OptSavePersistent.h"

#include "env/env_Sys8TextC.h"

env_OptSavePersistent::env_OptSavePersistent(env_VariableSinkI& variables) noexcept
    : variables_(variables) {}

env_OptSavePersistent::~env_OptSavePersistent() = default;

bool env_OptSavePersistent::Apply(const StringC& name, RklEnvParamI& param) {
  if (param.GetOptions().HasOption(env_EnvOptsC::save_allowed | env_EnvOptsC::store_persistent)) {
    const env_Sys8TextC n(name);
    const env_Sys8TextC v(param.GetValue());
    // A value the list's filters refuse is left out silently.
    (void)variables_.AddVariable(n.Get(), v.Get(), false, false);
  }
  return true;
}
