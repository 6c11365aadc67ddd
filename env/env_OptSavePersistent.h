// env_OptSavePersistent: collects the parameters that are to be saved - those with both
// save_allowed and store_persistent - as variables (name and value in the system 8-bit
// encoding, both variable flags clear).
#ifndef QLM_ENV_ENV_OPTSAVEPERSISTENT_H_
#define QLM_ENV_ENV_OPTSAVEPERSISTENT_H_

#include "env/env_OptFunctionI.h"
#include "env/env_VariableSinkI.h"

class env_OptSavePersistent : public env_OptFunctionI {
 public:
  // `variables` must outlive the visitor.
  explicit env_OptSavePersistent(env_VariableSinkI& variables) noexcept;
  ~env_OptSavePersistent() override;

  // Always true.
  bool Apply(const StringC& name, RklEnvParamI& param) override;

 private:
  env_VariableSinkI& variables_;
};

#endif  // QLM_ENV_ENV_OPTSAVEPERSISTENT_H_
