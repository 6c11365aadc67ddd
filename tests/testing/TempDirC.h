// A fresh directory that lives as long as the object, removed with everything in it.
#ifndef QLM_TESTS_TESTING_TEMPDIRC_H_
#define QLM_TESTS_TESTING_TEMPDIRC_H_

#include <sys/types.h>

#include <string>
#include <string_view>

namespace qlmtest {

// The directory is made below /tmp (not $TMPDIR): code under test judges the trust of every
// directory above the files it opens, and /tmp is the one directory known to be root's and
// sticky on every machine the tests run on. Removal first gives back the owner permissions a
// test took away from directories, so it also succeeds for an ordinary user.
class TempDirC {
 public:
  // `mode` is applied after creation, whatever the umask (0755 lets other users reach it).
  explicit TempDirC(mode_t mode = 0700);
  ~TempDirC();
  TempDirC(const TempDirC&) = delete;
  TempDirC& operator=(const TempDirC&) = delete;

  // False when the directory could not be made; Path() is then empty.
  bool Ok() const { return !path_.empty(); }
  // The directory, without a trailing slash.
  const std::string& Path() const { return path_; }
  // `rel` below the directory ("<Path()>/<rel>").
  std::string File(std::string_view rel) const;

 private:
  std::string path_;
};

// Removes `path` and everything below it, restoring owner access to its directories first;
// nothing when it does not exist.
void RemoveTree(const std::string& path);

}  // namespace qlmtest

#endif  // QLM_TESTS_TESTING_TEMPDIRC_H_
