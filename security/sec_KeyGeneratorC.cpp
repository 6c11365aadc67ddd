#include "security/sec_KeyGeneratorC.h"

sec_KeyGeneratorC::~sec_KeyGeneratorC() = default;
