// Keeping a root run's secrets out of core dumps.
#ifndef QLM_POLICY_PLCHARDENING_POSIX_H_
#define QLM_POLICY_PLCHARDENING_POSIX_H_

// For root: marks the process not dumpable (no core file, no ptrace by others) and sets the
// core size limit to 0 for it and the programs it starts. Must run before any secret is read.
// Nothing for an ordinary user, whose secrets are the user's own. Failures are ignored: the
// run goes on, as it would on a system without these controls.
void PlcDisableCoreDumps() noexcept;

#endif  // QLM_POLICY_PLCHARDENING_POSIX_H_
