#include "os/FileListingC.h"

#include "os/FileWildcardListerC.h"

FileListingC::FileListingC(const FileNameC& directory, const StringC& pattern, bool recursive,
                           uint32_t types, bool caseSensitive)
    : directory_(directory),
      pattern_(pattern.IsEmpty() ? StringC("*", StringC::CC_ASCII) : pattern),
      recursive_(recursive),
      types_(types),
      case_sensitive_(caseSensitive) {}

FileListingC::~FileListingC() = default;

RcT FileListingC::Load() {
  names_.Clear();
  FileWildcardListerC lister(directory_, pattern_, recursive_, types_, case_sensitive_);
  RcT rc = lister.ListAll(names_);
  names_.Sort();
  return rc;
}
