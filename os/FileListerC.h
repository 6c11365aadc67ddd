// FileListerC: lists the entries of a directory, optionally of the whole tree below it.
//
// Entries come one at a time from Next, in the order the file system gives them; a directory
// entry comes before the entries inside it. Symbolic links are listed as links and never
// followed, so a recursive listing stays inside its tree and cannot loop. Derived classes
// choose entries by overriding Accept (FileFindListerC by type, FileWildcardListerC by a
// wildcard pattern on the base name); rejected directories are still descended into.
//
// A directory of the tree that cannot be opened or read is skipped: the listing goes on with
// the rest, and GetResult() gives the first such failure (reported) at the end.
#ifndef QLM_OS_FILELISTERC_H_
#define QLM_OS_FILELISTERC_H_

#include <cstdint>

#include "cmn/cmn_Result.h"
#include "os/DIRStackC.h"
#include "os/FileNameArrayC.h"
#include "os/FileNameC.h"

class FileListerC {
 public:
  FileListerC(const FileNameC& directory, bool recursive);
  FileListerC(const FileListerC&) = delete;
  FileListerC& operator=(const FileListerC&) = delete;
  virtual ~FileListerC();

  // The next accepted entry: true with its name (the listed directory joined with the path
  // below it) and its FileInfoC type; false when the listing has ended. The first call opens
  // the directory.
  bool Next(FileNameC& name, int32_t* type = nullptr);
  // Appends every accepted entry still to come. Returns GetResult().
  [[nodiscard]] RcT ListAll(FileNameArrayC& names);
  // 0, or the first failure met so far.
  [[nodiscard]] RcT GetResult() const noexcept { return result_; }
  const FileNameC& GetDirectory() const noexcept { return directory_; }

 protected:
  // True when the entry `name` (base name `base`, FileInfoC type `type`) is to be listed.
  // Must not block; called once per entry. Default: every entry.
  [[nodiscard]] virtual bool Accept(const FileNameC& name, const StringC& base, int32_t type) const;

 private:
  FileNameC directory_;
  bool recursive_;
  bool started_ = false;
  RcT result_ = RC_OK;
  DIRStackC stack_;
};

#endif  // QLM_OS_FILELISTERC_H_
