#include "os/FileWildcardListerC.h"

FileWildcardListerC::FileWildcardListerC(const FileNameC& directory, const StringC& pattern,
                                         bool recursive, uint32_t types, bool caseSensitive)
    : FileFindListerC(directory, recursive, types),
      pattern_(pattern),
      case_sensitive_(caseSensitive) {}

FileWildcardListerC::~FileWildcardListerC() = default;

bool FileWildcardListerC::Accept(const FileNameC& name, const StringC& base, int32_t type) const {
  return FileFindListerC::Accept(name, base, type) &&
         FileNameC::Match(base, pattern_, case_sensitive_);
}
