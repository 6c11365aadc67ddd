// FileListingC: the sorted list of the names in a directory (optionally its whole tree) that
// match a wildcard pattern and a type selection, taken in one call.
#ifndef QLM_OS_FILELISTINGC_H_
#define QLM_OS_FILELISTINGC_H_

#include <cstdint>

#include "base/StringC.h"
#include "cmn/cmn_Result.h"
#include "os/FileFindListerC.h"
#include "os/FileNameArrayC.h"
#include "os/FileNameC.h"

class FileListingC {
 public:
  // `pattern` empty or "*" takes every name.
  FileListingC(const FileNameC& directory, const StringC& pattern, bool recursive,
               uint32_t types = FileFindListerC::FIND_ALL, bool caseSensitive = true);
  ~FileListingC();

  // Lists the directory anew. Returns 0, or the first failure met (what could be listed is
  // listed even then).
  [[nodiscard]] RcT Load();

  // Sorted by FileNameArrayC::Sort.
  const FileNameArrayC& GetNames() const noexcept { return names_; }
  uint64_t Count() const noexcept { return names_.Count(); }

 private:
  FileNameC directory_;
  StringC pattern_;
  bool recursive_;
  uint32_t types_;
  bool case_sensitive_;
  FileNameArrayC names_;
};

#endif  // QLM_OS_FILELISTINGC_H_
