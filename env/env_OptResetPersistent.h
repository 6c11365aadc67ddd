// env_OptResetPersistent: clears store_persistent on every parameter it visits.
#ifndef QLM_ENV_ENV_OPTRESETPERSISTENT_H_
#define QLM_ENV_ENV_OPTRESETPERSISTENT_H_

#include "env/env_OptFunctionI.h"

class env_OptResetPersistent : public env_OptFunctionI {
 public:
  env_OptResetPersistent() noexcept = default;
  ~env_OptResetPersistent() override;

  // Always true.
  bool Apply(const StringC& name, RklEnvParamI& param) override;
};

#endif  // QLM_ENV_ENV_OPTRESETPERSISTENT_H_
