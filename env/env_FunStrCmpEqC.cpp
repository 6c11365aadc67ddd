#include "env/env_FunStrCmpEqC.h"

env_FunStrCmpEqC::~env_FunStrCmpEqC() = default;

bool env_FunStrCmpEqC::Apply(StringC& value) {
  return value.Length() == m_sOperand.Length() && value.Compare(m_sOperand) == 0;
}
