#include "env/env_FunctionI.h"

env_FunctionI::~env_FunctionI() = default;
