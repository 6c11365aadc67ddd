// env_FunStrAppendC: appends its operand to the value in place.
#ifndef QLM_ENV_ENV_FUNSTRAPPENDC_H_
#define QLM_ENV_ENV_FUNSTRAPPENDC_H_

#include "base/StringC.h"
#include "env/env_FunctionI.h"

class env_FunStrAppendC : public env_FunctionI {
 public:
  explicit env_FunStrAppendC(const StringC& operand) noexcept;
  ~env_FunStrAppendC() override;

  // Appends the operand to `value`; always true.
  bool Apply(StringC& value) override;

 private:
  StringC operand_;
};

#endif  // QLM_ENV_ENV_FUNSTRAPPENDC_H_
