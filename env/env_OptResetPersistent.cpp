#include "env/env_OptResetPersistent.h"

env_OptResetPersistent::~env_OptResetPersistent() = default;

bool env_OptResetPersistent::Apply(const StringC& name, RklEnvParamI& param) {
  param.GetOptions().SetOption(env_EnvOptsC::store_persistent, false);
  return true;
}
