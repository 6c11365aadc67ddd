// env_FunStrCmpEqC: True when the value has the operand's length and equals it (case-sensitive).
#ifndef QLM_ENV_ENV_FUNSTRCMPEQC_H_
#define QLM_ENV_ENV_FUNSTRCMPEQC_H_

#include "env/env_FunStrCmpC.h"

class env_FunStrCmpEqC : public env_FunStrCmpC {
 public:
  using env_FunStrCmpC::env_FunStrCmpC;
  ~env_FunStrCmpEqC() override;

  // Leaves `value` unchanged.
  bool Apply(StringC& value) override;
};

#endif  // QLM_ENV_ENV_FUNSTRCMPEQC_H_
