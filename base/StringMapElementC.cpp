#include "base/StringMapElementC.h"

StringMapElementC::~StringMapElementC() = default;
