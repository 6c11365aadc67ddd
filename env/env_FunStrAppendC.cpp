#include "env/env_FunStrAppendC.h"

env_FunStrAppendC::env_FunStrAppendC(const StringC& operand) noexcept : m_sOperand(operand) {}

env_FunStrAppendC::~env_FunStrAppendC() = default;

bool env_FunStrAppendC::Apply(StringC& value) {
  value.Append(m_sOperand);
  return true;
}
