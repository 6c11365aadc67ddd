#include "policy/PlcHardening_posix.h"

#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

void PlcDisableCoreDumps() noexcept {
  if (::geteuid() != 0) return;
  // Best effort: hardening that the system refuses leaves the defaults.
  (void)::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
  struct rlimit none {};
  // Best effort: hardening that the system refuses leaves the defaults.
  (void)::setrlimit(RLIMIT_CORE, &none);
}
