// Opening files in places other users may be able to change.
//
// The agent's data directory lies below /var/tmp by default, which every user can write. A
// process running as root must therefore not read, write, lock or append through a path that
// another non-root user could change. Every file the agent opens for its store, its log, its
// lock files and its preference files goes through these functions.
//
// Rules, applied while resolving the path one component at a time with openat(2), so that what
// is checked is what is opened:
//   - Always: the last component is never followed when it is a symbolic link (O_NOFOLLOW), and
//     only regular files (or directories, for cmn_SafeOpenDirectory) are accepted.
//   - When the checks are active (effective user root, see cmn_SafeOpenChecksActive): every
//     directory on the path, and the file itself, must be owned by root or by the effective
//     user; a directory writable by group or others must have the sticky bit. A symbolic link
//     in an intermediate component is followed only when the directory holding it passed these
//     checks and the link itself is owned by root or the effective user (at most 32 links).
// A refused path gives cmn_kPathRefused and a message in the thread's error buffer naming the
// path and the reason; callers treat it like an unreadable or unwritable file.
#ifndef QLM_CMN_CMN_SAFEOPEN_POSIX_H_
#define QLM_CMN_CMN_SAFEOPEN_POSIX_H_

#include <sys/types.h>

#include <string>
#include <string_view>

#include "cmn/cmn_Result.h"
#include "cmn/cmn_UniqueFdC.h"

inline constexpr RcT cmn_kPathRefused = 0xE1370071;

// True when the ownership checks apply: the effective user is root, unless a test forced it.
[[nodiscard]] bool cmn_SafeOpenChecksActive() noexcept;
// Tests: force the checks on (1), off (0), or back to the effective-user rule (-1).
void cmn_SafeOpenForceChecks(int mode) noexcept;

// Opens the directory holding `path` (absolute or relative to the working directory) and gives
// its descriptor and the last component. The last component must not be empty, "." or "..".
[[nodiscard]] RcT cmn_SafeOpenParent(std::string_view path, cmn_UniqueFdC* dir, std::string* leaf);
// Opens `leaf` in the directory `dir_fd` with `flags` (O_NOFOLLOW and O_CLOEXEC are added;
// O_CREAT uses `mode`). Refuses non-regular files and, with the checks active, files owned by
// another non-root user. Never blocks on a FIFO.
[[nodiscard]] RcT cmn_SafeOpenAt(int dir_fd, const std::string& leaf, int flags, mode_t mode,
                                 cmn_UniqueFdC* fd, std::string_view path_for_messages = {});
// cmn_SafeOpenParent followed by cmn_SafeOpenAt.
[[nodiscard]] RcT cmn_SafeOpen(std::string_view path, int flags, mode_t mode, cmn_UniqueFdC* fd);
// Opens the directory `path` itself under the same rules (O_DIRECTORY).
[[nodiscard]] RcT cmn_SafeOpenDirectory(std::string_view path, cmn_UniqueFdC* dir);

#endif  // QLM_CMN_CMN_SAFEOPEN_POSIX_H_
