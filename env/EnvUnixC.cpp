#include "env/EnvUnixC.h"

StringC EnvUnixC::s_ExecutionPath;
