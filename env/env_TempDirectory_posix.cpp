#include "env/env_TempDirectory_posix.h"

#include <cstdlib>

StringC GetTempDirectory() {
  for (const char* name : {"TMP", "TEMP", "TMPDIR"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] != '\0') return StringC(value, StringC::CC_SYS8);
  }
  return StringC();
}
