// env_FunStrCmpLtC: True when the value compares less than the operand (case-sensitive).
#ifndef QLM_ENV_ENV_FUNSTRCMPLTC_H_
#define QLM_ENV_ENV_FUNSTRCMPLTC_H_

#include "env/env_FunStrCmpC.h"

class env_FunStrCmpLtC : public env_FunStrCmpC {
 public:
  using env_FunStrCmpC::env_FunStrCmpC;
  ~env_FunStrCmpLtC() override;

  // Leaves `value` unchanged.
  bool Apply(StringC& value) override;
};

#endif  // QLM_ENV_ENV_FUNSTRCMPLTC_H_
