#include "env/RklEnvParamI.h"

RklEnvParamI::~RklEnvParamI() = default;
