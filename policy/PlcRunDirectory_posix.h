// Where an ordinary user's runs keep their lock files.
#ifndef QLM_POLICY_PLCRUNDIRECTORY_POSIX_H_
#define QLM_POLICY_PLCRUNDIRECTORY_POSIX_H_

#include <string>

// The lock directory of the calling (non-root) user, derived from the user's identity only, so
// that a cron job and a login session of one user find the same lock file whatever their
// HOME or XDG_RUNTIME_DIR say:
//   1. "<shared run directory>/users/<uid>" when it exists (an administrator or root made it
//      for an account without a usable home); it must pass the safe-open rule, and when it is
//      there but refused, no other directory is used;
//   2. else "<home>/.cache/quillmarsh/run", the home taken from the password database, made
//      with mode 0700 where missing.
// Every directory on the path is checked under the safe-open rule. Empty when neither can be
// used; the reason is then in the thread's error buffer.
std::string PlcUserRunDirectory(const std::string& sharedRunDirectory);

#endif  // QLM_POLICY_PLCRUNDIRECTORY_POSIX_H_
