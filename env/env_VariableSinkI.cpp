#include "env/env_VariableSinkI.h"

env_VariableSinkI::~env_VariableSinkI() = default;
