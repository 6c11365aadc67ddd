// env_OptFunctionI: the visitor of environment walks (env_EnvironmentI::ForEach).
#ifndef QLM_ENV_ENV_OPTFUNCTIONI_H_
#define QLM_ENV_ENV_OPTFUNCTIONI_H_

#include "base/StringC.h"
#include "env/RklEnvParamI.h"

class env_OptFunctionI {
 public:
  virtual ~env_OptFunctionI();
  // Visits the parameter stored under `name`. Returning false stops the walk. The visitor may
  // change the parameter; it may also add or remove parameters of the environment being walked
  // (the walk then goes on with the next name in order), but `param` is gone once removed.
  virtual bool Apply(const StringC& name, RklEnvParamI& param) = 0;
};

#endif  // QLM_ENV_ENV_OPTFUNCTIONI_H_
