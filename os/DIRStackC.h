// DIRStackC: the open directories of a walk down a directory tree, deepest last.
//
// Each directory below the first is opened relative to its parent's descriptor and never
// through a symbolic link, so a walk stays inside the tree it started in even when entries
// are replaced while it runs, and it needs no recursion. The stack holds one descriptor per
// level.
#ifndef QLM_OS_DIRSTACKC_H_
#define QLM_OS_DIRSTACKC_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cmn/cmn_Result.h"
#include "os/FileNameC.h"

class DIRStackC {
 public:
  // One directory entry ("." and ".." are never given).
  struct EntryS {
    FileNameC name;    // the directory's name joined with the entry's
    StringC base;      // the entry's own name
    int32_t type = 0;  // FileInfoC::TYPE_*, of the entry itself (links not followed)
    std::string raw;   // the entry's name in the file system's bytes
  };

  DIRStackC();
  ~DIRStackC();
  DIRStackC(const DIRStackC&) = delete;
  DIRStackC& operator=(const DIRStackC&) = delete;

  // Opens `directory` as the bottom of a new walk (the stack must be empty). Returns 0 or the
  // reported failure; a symbolic link as the last component is refused.
  [[nodiscard]] RcT PushRoot(const FileNameC& directory);
  // Opens the directory `entry` read from the top directory and makes it the top. Returns 0
  // or the reported failure (the stack is then unchanged).
  [[nodiscard]] RcT PushChild(const EntryS& entry);
  // Closes the top directory.
  void Pop() noexcept;
  void Clear() noexcept;

  bool IsEmpty() const noexcept;
  // Levels open.
  uint64_t Depth() const noexcept;
  // The next entry of the top directory. Returns 0 and sets `*done` when it has no more, or
  // a reported failure.
  [[nodiscard]] RcT Next(EntryS* entry, bool* done);

 private:
  struct FrameS;
  std::vector<std::unique_ptr<FrameS>> frames_;
};

#endif  // QLM_OS_DIRSTACKC_H_
