// FileFindListerC: a FileListerC that lists only entries of chosen types.
#ifndef QLM_OS_FILEFINDLISTERC_H_
#define QLM_OS_FILEFINDLISTERC_H_

#include <cstdint>

#include "os/FileListerC.h"

class FileFindListerC : public FileListerC {
 public:
  // Type selection bits.
  static constexpr uint32_t FIND_FILES = 1;        // regular files
  static constexpr uint32_t FIND_DIRECTORIES = 2;  // directories
  static constexpr uint32_t FIND_LINKS = 4;        // symbolic links (never followed)
  static constexpr uint32_t FIND_OTHERS = 8;       // devices, FIFOs, sockets
  static constexpr uint32_t FIND_ALL = 15;

  FileFindListerC(const FileNameC& directory, bool recursive, uint32_t types);
  ~FileFindListerC() override;

  uint32_t GetTypes() const noexcept { return types_; }

 protected:
  [[nodiscard]] bool Accept(const FileNameC& name, const StringC& base,
                            int32_t type) const override;

 private:
  uint32_t types_;
};

#endif  // QLM_OS_FILEFINDLISTERC_H_
