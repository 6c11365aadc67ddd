#include "os/FileFindListerC.h"

#include "os/FileInfoC.h"

FileFindListerC::FileFindListerC(const FileNameC& directory, bool recursive, uint32_t types)
    : FileListerC(directory, recursive), types_(types) {}

FileFindListerC::~FileFindListerC() = default;

bool FileFindListerC::Accept(const FileNameC& /*name*/, const StringC& /*base*/,
                             int32_t type) const {
  uint32_t bit;
  switch (type) {
    case FileInfoC::TYPE_REGULAR:
      bit = FIND_FILES;
      break;
    case FileInfoC::TYPE_DIRECTORY:
      bit = FIND_DIRECTORIES;
      break;
    case FileInfoC::TYPE_SYMBOLIC_LINK:
      bit = FIND_LINKS;
      break;
    default:
      bit = FIND_OTHERS;
      break;
  }
  return (types_ & bit) != 0;
}
