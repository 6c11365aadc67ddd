#include "env/env_FunStrAppendC.h"

env_FunStrAppendC::env_FunStrAppendC(const StringC& operand) noexcept : operand_(operand) {}

env_FunStrAppendC::~env_FunStrAppendC() = default;

bool env_FunStrAppendC::Apply(StringC& value) {
  value.Append(operand_);
  return true;
}
