// The temporary directory named by the process environment.
#ifndef QLM_ENV_ENV_TEMPDIRECTORY_POSIX_H_
#define QLM_ENV_ENV_TEMPDIRECTORY_POSIX_H_

#include "base/StringC.h"

// The first non-empty value of the process environment variables "TMP", "TEMP" and "TMPDIR"
// (system 8-bit text), or the empty string when all are unset or empty.
[[nodiscard]] StringC GetTempDirectory();

#endif  // QLM_ENV_ENV_TEMPDIRECTORY_POSIX_H_
