#include "env/env_FunStrCmpLtC.h"

env_FunStrCmpLtC::~env_FunStrCmpLtC() = default;

bool env_FunStrCmpLtC::Apply(StringC& value) {
  return value.Compare(operand_) < 0;
}
