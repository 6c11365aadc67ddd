// FileNameArrayC: an ordered list of file names (what the listers and the file service's root
// list give).
#ifndef QLM_OS_FILENAMEARRAYC_H_
#define QLM_OS_FILENAMEARRAYC_H_

#include <cstdint>
#include <vector>

#include "os/FileNameC.h"

class FileNameArrayC {
 public:
  FileNameArrayC() = default;

  uint64_t Count() const noexcept { return names_.size(); }
  bool IsEmpty() const noexcept { return names_.empty(); }
  // The name at `index`, or null when out of range.
  const FileNameC* Get(uint64_t index) const noexcept;
  // Precondition: index < Count().
  const FileNameC& operator[](uint64_t index) const noexcept { return names_[index]; }

  void Append(const FileNameC& name);
  void Append(FileNameC&& name);
  void Clear() noexcept { names_.clear(); }
  // True when an equal name (same flag, same text) is in the list.
  bool Contains(const FileNameC& name) const noexcept;
  // Sorts by full text in code-point order (UTF-8 byte order), a stable sort.
  void Sort();

  std::vector<FileNameC>::const_iterator begin() const noexcept { return names_.begin(); }
  std::vector<FileNameC>::const_iterator end() const noexcept { return names_.end(); }

 private:
  std::vector<FileNameC> names_;
};

#endif  // QLM_OS_FILENAMEARRAYC_H_
