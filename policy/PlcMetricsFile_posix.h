// The metrics file on disk: read the previous one, replace it atomically.
#ifndef QLM_POLICY_PLCMETRICSFILE_POSIX_H_
#define QLM_POLICY_PLCMETRICSFILE_POSIX_H_

#include <string>

#include "cmn/cmn_Result.h"

// Reads the file at `path` (at most 1 MiB) through the checked open. A missing file gives an
// empty text and RC_OK; any other failure a failed code, *text left empty.
[[nodiscard]] RcT PlcReadMetricsFile(const std::string& path, std::string* text);

// Replaces the file at `path` by `text`: written to a new temporary file beside it (mode 0644,
// created exclusively through the checked open, flushed to disk) and renamed over it, so a
// reader sees the old file or the new one, never a part. The directory must exist. A process
// whose real user differs from its effective user, or whose real user may not write the
// directory, writes nothing: the file only ever lands where the user who started the run may
// write. On failure *reason says why; the temporary file is removed.
[[nodiscard]] RcT PlcReplaceMetricsFile(const std::string& path, const std::string& text,
                                        std::string* reason);

// Seconds since the epoch (wall clock) and seconds of the monotonic clock.
[[nodiscard]] double PlcWallClockSeconds() noexcept;
[[nodiscard]] double PlcMonotonicSeconds() noexcept;

#endif  // QLM_POLICY_PLCMETRICSFILE_POSIX_H_
