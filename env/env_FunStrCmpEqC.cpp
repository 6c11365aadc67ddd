#include "env/env_FunStrCmpEqC.h"

env_FunStrCmpEqC::~env_FunStrCmpEqC() = default;

bool env_FunStrCmpEqC::Apply(StringC& value) {
  return value.Length() == operand_.Length() && value.Compare(operand_) == 0;
}
