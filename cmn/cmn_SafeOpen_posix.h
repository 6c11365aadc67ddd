// Opening files in places other users may be able to change.
//
// The agent runs as root and as every ordinary user on machines where other local users may be
// hostile, and its data directory lies below /var/tmp by default, which every user can write.
// Every file the agent reads settings, code, catalogs or messages from, or writes to, is opened
// through these functions, which apply one rule while resolving the path one component at a
// time with openat(2), so that what is checked is what is opened.
//
// The rule (effective user E; the trusted owners are root and E, or root alone when E is root):
//   - every directory on the path is owned by a trusted owner and is not writable by group or
//     others, unless it has the sticky bit (then the entry below it must be owned by a trusted
//     owner, which every entry has to be anyway);
//   - the file itself is a regular file (a directory for cmn_SafeOpenDirectory) owned by a
//     trusted owner and not writable by group or others;
//   - a symbolic link, at any component including the last, is followed only when the link is
//     owned by a trusted owner (it lies in a directory that passed) and its whole target path
//     passes the same rule; at most 32 links per path;
//   - a file opened for writing must not have more than one hard link (another name of it could
//     be a victim file that a hostile user linked into a place we write to);
//   - a FIFO or device never blocks the open and is refused.
// A relative path is checked from "/" through the working directory.
// A refused path gives cmn_kPathRefused and a message in the thread's error buffer naming the
// path and the reason (owner uid, mode, link, link count, file type); a missing directory on
// the path gives the errno's result code (ENOENT), which callers report with the path like any
// missing file.
#ifndef QLM_CMN_CMN_SAFEOPEN_POSIX_H_
#define QLM_CMN_CMN_SAFEOPEN_POSIX_H_

#include <sys/stat.h>
#include <sys/types.h>

#include <string>
#include <string_view>

#include "cmn/cmn_Result.h"
#include "cmn/cmn_UniqueFdC.h"

inline constexpr RcT cmn_kPathRefused = 0xE1370071;

// True when the rule applies: always, unless a test switched it off.
[[nodiscard]] bool cmn_SafeOpenChecksActive() noexcept;
// Tests: force the checks on (1), off (0), or back to the default (-1, on).
void cmn_SafeOpenForceChecks(int mode) noexcept;
// While on, directories that passed the rule are remembered (open) for the rest of the
// process, by the path that reached them without a link or "..", and a later path below one
// of them starts there instead of at "/": a run that opens many files in a few directories
// checks each directory once. Only root and the effective user can change a directory that
// passed, so what is remembered stays checked; the process's own removals and renames
// (os_RemoveDirectory, os_RemoveTree, os_Rename) call cmn_SafeOpenForgetDirectories, and so
// does a program after a child process that may have changed them. A directory removed or
// renamed by anything else while remembered stays what its path leads to. Off by default, for
// programs whose run is short; turning it off forgets everything.
void cmn_SafeOpenRememberDirectories(bool remember) noexcept;
// Forgets every remembered directory.
void cmn_SafeOpenForgetDirectories() noexcept;

// Opens the directory holding `path` (absolute or relative to the working directory) and gives
// its descriptor and the last component. The last component must not be empty, "." or "..".
[[nodiscard]] RcT cmn_SafeOpenParent(std::string_view path, cmn_UniqueFdC* dir, std::string* leaf);
// Opens `leaf` in the directory `dir_fd` (which the caller opened under the rule) with `flags`
// (O_CLOEXEC is added, O_TRUNC waits until the checks passed). A file this call creates gets
// exactly `mode` whatever the umask; a `mode` with group or other write access (the old 0666
// convention) gets what the umask leaves of it, without group and other write access. A
// symbolic link at `leaf` is followed under the rule (never with O_CREAT | O_EXCL, and never when
// the caller passes O_NOFOLLOW: then a link there is refused). `opened`, when given, receives
// the status of the opened file as checked (the fstat the check made, so the caller need not
// make another; with O_TRUNC it is taken again after the truncation).
[[nodiscard]] RcT cmn_SafeOpenAt(int dir_fd, const std::string& leaf, int flags, mode_t mode,
                                 cmn_UniqueFdC* fd, std::string_view path_for_messages = {},
                                 struct stat* opened = nullptr);
// cmn_SafeOpenParent followed by cmn_SafeOpenAt.
[[nodiscard]] RcT cmn_SafeOpen(std::string_view path, int flags, mode_t mode, cmn_UniqueFdC* fd,
                               struct stat* opened = nullptr);
// Opens the directory `path` itself under the same rules (O_DIRECTORY).
[[nodiscard]] RcT cmn_SafeOpenDirectory(std::string_view path, cmn_UniqueFdC* dir);
// Opens the directory `path`, creating each missing component with exactly `mode` (mkdirat
// then fchmod, so the umask does not matter; created directories are never reached through a
// link). Existing components must pass the rule. `dir` may be null.
[[nodiscard]] RcT cmn_SafeMakeDirectories(std::string_view path, mode_t mode, cmn_UniqueFdC* dir);
// Opens the shared library `name` for dlopen under the rule: a name holding "/" is opened as
// it is; a bare name is looked for in the directories of LD_LIBRARY_PATH (not for root), then
// in the directory of the loaded C library, "/usr/local/lib", "/usr/lib" and "/lib" (the
// first that holds it is used and must pass). `*load_path` is the name to hand to dlopen
// ("/proc/self/fd/<n>"), valid while `*fd` stays open; the loader then maps exactly the file
// that was checked.
[[nodiscard]] RcT cmn_SafeOpenLibrary(std::string_view name, cmn_UniqueFdC* fd,
                                      std::string* load_path);
// Checks an already open descriptor (a file or directory) against the rule for the entry itself
// (owner, mode, and for `writing` the link count); `shown` names it in the message.
[[nodiscard]] RcT cmn_SafeCheckOpened(int fd, bool writing, std::string_view shown);

#endif  // QLM_CMN_CMN_SAFEOPEN_POSIX_H_
