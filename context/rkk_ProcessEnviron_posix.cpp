#include "context/rkk_ProcessEnviron_posix.h"

#include <unistd.h>

char** rkk_ProcessEnviron() noexcept {
  return environ;
}
