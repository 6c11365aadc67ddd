#include "tests/testing/TempDirC.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <system_error>

namespace qlmtest {

namespace fs = std::filesystem;

TempDirC::TempDirC(mode_t mode) {
  std::string pattern = "/tmp/qlm_test_XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) return;
  path_ = pattern;
  ::chmod(path_.c_str(), mode);
}

TempDirC::~TempDirC() {
  if (!path_.empty()) RemoveTree(path_);
}

std::string TempDirC::File(std::string_view rel) const {
  std::string file = path_;
  file += '/';
  file += rel;
  return file;
}

void RemoveTree(const std::string& path) {
  std::error_code ec;
  if (fs::is_directory(fs::symlink_status(path, ec))) ::chmod(path.c_str(), 0700);
  for (auto it = fs::recursive_directory_iterator(
           path, fs::directory_options::skip_permission_denied, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    // Directories a test made unreadable or unsearchable are opened up before the walk
    // descends into them; links are never followed.
    if (it->is_directory(ec) && !it->is_symlink(ec)) ::chmod(it->path().c_str(), 0700);
  }
  fs::remove_all(path, ec);
}

}  // namespace qlmtest
