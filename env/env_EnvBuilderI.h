// env_EnvBuilderI: the interface of objects that fill an environment with defaults. Only
// Build() is called from outside the builders; the other steps are the order in which a
// builder fills the environment, each returning the environment it was given.
#ifndef QLM_ENV_ENV_ENVBUILDERI_H_
#define QLM_ENV_ENV_ENVBUILDERI_H_

#include "env/env_EnvironmentI.h"

class env_EnvBuilderI {
 public:
  virtual ~env_EnvBuilderI();

  // Runs AddDefaults, AddMoreDefaults and FinishBuild on `env`, in that order; returns `env`.
  // Builders set values through env.GetParam(key).SetValue(value), so values already present
  // are replaced.
  virtual env_EnvironmentI& Build(env_EnvironmentI& env);
  // The builder's general defaults.
  virtual env_EnvironmentI& AddDefaults(env_EnvironmentI& env) = 0;
  // Runs AddLocalDefaults, then AddListDefaults; returns `env`.
  virtual env_EnvironmentI& AddMoreDefaults(env_EnvironmentI& env);
  // The builder's list of further defaults.
  virtual env_EnvironmentI& AddListDefaults(env_EnvironmentI& env) = 0;
  // Defaults of the local machine; the base adds nothing.
  virtual env_EnvironmentI& AddLocalDefaults(env_EnvironmentI& env);
  // The last step; the base does nothing.
  virtual env_EnvironmentI& FinishBuild(env_EnvironmentI& env);
};

#endif  // QLM_ENV_ENV_ENVBUILDERI_H_
