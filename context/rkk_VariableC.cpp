#include "context/rkk_VariableC.h"

rkk_VariableC::rkk_VariableC(const char* name, const char* value, bool exported, bool override)
    : rkk_TagC(name, value), exported_(exported), override_(exported && override) {}

rkk_VariableC::~rkk_VariableC() = default;
