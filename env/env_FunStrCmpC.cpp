#include "env/env_FunStrCmpC.h"

env_FunStrCmpC::env_FunStrCmpC(const StringC& operand) noexcept : operand_(operand) {}

env_FunStrCmpC::~env_FunStrCmpC() = default;
