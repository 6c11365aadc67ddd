// Where the policy client keeps its lock files.
#ifndef QLM_POLICY_PLCRUNDIRECTORY_POSIX_H_
#define QLM_POLICY_PLCRUNDIRECTORY_POSIX_H_

#include <string>

// True when `directory` is a directory (not a link) owned by root that no other user may write
// to, and the calling process may create and remove files in it.
[[nodiscard]] bool PlcIsSharedRunDirectory(const std::string& directory) noexcept;

// A run directory that belongs to the calling user, created (mode 0700, with its parents)
// when missing: "$XDG_RUNTIME_DIR/quillmarsh" when that variable names an absolute directory
// owned by the user, else "$HOME/.cache/quillmarsh/run" (the password database's home when
// HOME is unset or relative). Empty when none can be made.
std::string PlcUserRunDirectory();

#endif  // QLM_POLICY_PLCRUNDIRECTORY_POSIX_H_
