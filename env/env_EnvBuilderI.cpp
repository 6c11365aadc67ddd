#include "env/env_EnvBuilderI.h"

env_EnvBuilderI::~env_EnvBuilderI() = default;

env_EnvironmentI& env_EnvBuilderI::Build(env_EnvironmentI& env) {
  AddDefaults(env);
  AddMoreDefaults(env);
  FinishBuild(env);
  return env;
}

env_EnvironmentI& env_EnvBuilderI::AddMoreDefaults(env_EnvironmentI& env) {
  AddLocalDefaults(env);
  AddListDefaults(env);
  return env;
}

env_EnvironmentI& env_EnvBuilderI::AddLocalDefaults(env_EnvironmentI& env) {
  return env;
}

env_EnvironmentI& env_EnvBuilderI::FinishBuild(env_EnvironmentI& env) {
  return env;
}
