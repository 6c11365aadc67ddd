// The system calls of the preference files: the kind of a path, the process environment, the
// locale's yes and no words, and reading and replacing files through the checked open.
#ifndef QLM_ENV_PREFSSYSTEM_POSIX_H_
#define QLM_ENV_PREFSSYSTEM_POSIX_H_

#include <string>
#include <string_view>

#include "cmn/cmn_Result.h"
#include "cmn/cmn_UniqueFdC.h"

enum PrefsFileKindE : int {
  PREFS_KIND_MISSING = 0,    // nothing there, or stat failed
  PREFS_KIND_REGULAR = 1,    // a regular file (symbolic links followed)
  PREFS_KIND_DIRECTORY = 2,  // a directory (symbolic links followed)
  PREFS_KIND_SPECIAL = 3,    // a FIFO, socket or device: never read, refused when tried
};

// What `path` names, following symbolic links.
[[nodiscard]] PrefsFileKindE PrefsFileKind(const std::string& path) noexcept;
// Checks the directory `path` under the trust rule (cmn_SafeOpenDirectory): RC_OK, or the
// refusal (cmn_kPathRefused, reported) or the errno's code.
[[nodiscard]] RcT PrefsCheckDirectory(const std::string& path);
// The working directory; false when it cannot be read.
[[nodiscard]] bool PrefsCurrentDirectory(std::string* path);
// Copies the process environment variable `name` into `value`; false (value untouched) when
// it is unset. The copy is taken at once, so a later setenv cannot pull it away.
[[nodiscard]] bool PrefsProcessEnv(const char* name, std::string* value);
// The locale's words for "yes" and "no" (LC_MESSAGES), "" when the locale has none.
std::string PrefsYesWord();
std::string PrefsNoWord();
// Opens `path` for reading through the checked open (cmn_SafeOpen). Failures are reported.
[[nodiscard]] RcT PrefsOpenForReading(const std::string& path, cmn_UniqueFdC* fd);
// Writes `bytes` to a new temporary file "pref??????.ini" in the directory of `path`, syncs it,
// gives it the mode of the file it replaces (0644 for a new file) and renames it over `path`.
// On failure the temporary file is removed and `path` is untouched; the failure is reported.
[[nodiscard]] RcT PrefsReplaceFile(const std::string& path, std::string_view bytes);

#endif  // QLM_ENV_PREFSSYSTEM_POSIX_H_
