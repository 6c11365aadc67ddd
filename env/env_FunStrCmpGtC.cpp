#include "env/env_FunStrCmpGtC.h"

env_FunStrCmpGtC::~env_FunStrCmpGtC() = default;

bool env_FunStrCmpGtC::Apply(StringC& value) {
  return value.Compare(operand_) > 0;
}
