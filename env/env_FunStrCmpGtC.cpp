#include "env/env_FunStrCmpGtC.h"

env_FunStrCmpGtC::~env_FunStrCmpGtC() = default;

bool env_FunStrCmpGtC::Apply(StringC& value) {
  return value.Compare(m_sOperand) > 0;
}
