#include "env/env_EnvironmentI.h"

env_EnvironmentI::~env_EnvironmentI() = default;
