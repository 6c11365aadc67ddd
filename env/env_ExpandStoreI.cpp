#include "env/env_ExpandStoreI.h"

env_ExpandStoreI::~env_ExpandStoreI() = default;
