#include "env/env_OptFunctionI.h"

env_OptFunctionI::~env_OptFunctionI() = default;
