// env_FunStrCmpGtC: True when the value compares greater than the operand (case-sensitive).
#ifndef QLM_ENV_ENV_FUNSTRCMPGTC_H_
#define QLM_ENV_ENV_FUNSTRCMPGTC_H_

#include "env/env_FunStrCmpC.h"

class env_FunStrCmpGtC : public env_FunStrCmpC {
 public:
  using env_FunStrCmpC::env_FunStrCmpC;
  ~env_FunStrCmpGtC() override;

  // Leaves `value` unchanged.
  bool Apply(StringC& value) override;
};

#endif  // QLM_ENV_ENV_FUNSTRCMPGTC_H_
