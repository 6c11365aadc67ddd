#include "registry/ComServerCounterC.h"

std::atomic<int32_t> ComServerCounterC::m_Count{0};
