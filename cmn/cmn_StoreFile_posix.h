// Durable, atomic access to the configuration store's files.
//
// Every change goes: exclusive flock(2) on the file's directory (shared by all processes and
// threads, and stable while files are renamed over each other), safe open of the file (created
// when missing), a re-read so another process's change is not lost, the edit, a temporary file in
// the same directory (created exclusively, never through a symbolic link, with the file's mode and
// owner), fsync, rename over the file, fsync of the directory. A process killed at any moment
// leaves the old file or the new one, never a mix.
#ifndef QLM_CMN_CMN_STOREFILE_POSIX_H_
#define QLM_CMN_CMN_STOREFILE_POSIX_H_

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>

#include "cmn/cmn_Result.h"

// What identifies one version of a file.
struct cmn_FileStampS {
  bool exists = false;
  uint64_t dev = 0, ino = 0, size = 0;
  int64_t mtime_ns = 0, ctime_ns = 0;
  bool operator==(const cmn_FileStampS&) const = default;
};

// The stamp of `path` without opening it (a missing file gives exists=false and RC_OK).
[[nodiscard]] RcT cmn_StampStoreFile(const std::string& path, cmn_FileStampS* stamp);

// Reads the whole file through the safe-open rules. A missing file gives RC_OK, exists=false
// and empty content.
[[nodiscard]] RcT cmn_ReadStoreFile(const std::string& path, std::string* content,
                                    cmn_FileStampS* stamp);

// Changes the file durably. `edit` gets the current content (empty for a new file) and returns
// true when it changed it; when it returns false nothing is written. `create_mode` is the mode
// of a new file; with `create_dirs`, missing directories on the path are made (mode 0700).
// On success *stamp and *content (either may be null) describe the file as it now is.
[[nodiscard]] RcT cmn_EditStoreFile(const std::string& path, mode_t create_mode, bool create_dirs,
                                    const std::function<bool(std::string* content)>& edit,
                                    cmn_FileStampS* stamp, std::string* content);

#endif  // QLM_CMN_CMN_STOREFILE_POSIX_H_
