// env_OptGetNames: collects every parameter as a variable (name and value in the system 8-bit
// encoding, both variable flags set) and counts them.
#ifndef QLM_ENV_ENV_OPTGETNAMES_H_
#define QLM_ENV_ENV_OPTGETNAMES_H_

#include "env/env_OptFunctionI.h"
#include "env/env_VariableSinkI.h"

class env_OptGetNames : public env_OptFunctionI {
 public:
  // `variables` must outlive the visitor.
  explicit env_OptGetNames(env_VariableSinkI& variables) noexcept;
  ~env_OptGetNames() override;

  // Always true.
  bool Apply(const StringC& name, RklEnvParamI& param) override;

  // Number of parameters visited.
  int GetCount() const noexcept { return count_; }

 private:
  env_VariableSinkI& variables_;
  int count_ = 0;
};

#endif  // QLM_ENV_ENV_OPTGETNAMES_H_
