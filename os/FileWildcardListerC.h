// FileWildcardListerC: a FileFindListerC that lists only entries whose base name matches a
// wildcard pattern ("*" any run, "?" one character; see FileNameC::Match).
#ifndef QLM_OS_FILEWILDCARDLISTERC_H_
#define QLM_OS_FILEWILDCARDLISTERC_H_

#include <cstdint>

#include "base/StringC.h"
#include "os/FileFindListerC.h"

class FileWildcardListerC : public FileFindListerC {
 public:
  FileWildcardListerC(const FileNameC& directory, const StringC& pattern, bool recursive,
                      uint32_t types = FIND_ALL, bool caseSensitive = true);
  ~FileWildcardListerC() override;

  const StringC& GetPattern() const noexcept { return pattern_; }

 protected:
  [[nodiscard]] bool Accept(const FileNameC& name, const StringC& base,
                            int32_t type) const override;

 private:
  StringC pattern_;
  bool case_sensitive_;
};

#endif  // QLM_OS_FILEWILDCARDLISTERC_H_
