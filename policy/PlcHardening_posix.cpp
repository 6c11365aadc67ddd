#include "policy/PlcHardening_posix.h"

#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

void PlcDisableCoreDumps() noexcept {
  if (::geteuid() != 0) return;
  (void)::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
  struct rlimit none {};
  (void)::setrlimit(RLIMIT_CORE, &none);
}
