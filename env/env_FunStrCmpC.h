// env_FunStrCmpC: the base of the function objects that compare a value with an operand.
#ifndef QLM_ENV_ENV_FUNSTRCMPC_H_
#define QLM_ENV_ENV_FUNSTRCMPC_H_

#include "base/StringC.h"
#include "env/env_FunctionI.h"

class env_FunStrCmpC : public env_FunctionI {
 public:
  explicit env_FunStrCmpC(const StringC& operand) noexcept;
  ~env_FunStrCmpC() override;

  const StringC& GetOperand() const noexcept { return operand_; }

 protected:
  StringC operand_;
};

#endif  // QLM_ENV_ENV_FUNSTRCMPC_H_
