#include "context/RKContextProviderI.h"

RKContextProviderI::~RKContextProviderI() = default;
