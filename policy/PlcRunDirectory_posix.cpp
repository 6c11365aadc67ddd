#include "policy/PlcRunDirectory_posix.h"

#include <errno.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace {

// A directory owned by the effective user that nobody else may write to.
bool IsPrivateDirectory(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) return false;
  return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 022) == 0;
}

// Creates `path` and its missing parents with mode 0700. True when it is a private directory
// of the user afterwards.
bool MakePrivateDirectories(const std::string& path) {
  if (path.empty() || path[0] != '/') return false;
  size_t position = 1;
  while (position <= path.size()) {
    size_t slash = path.find('/', position);
    if (slash == std::string::npos) slash = path.size();
    const std::string prefix = path.substr(0, slash);
    if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) return false;
    position = slash + 1;
  }
  return IsPrivateDirectory(path);
}

std::string HomeDirectory() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return home;
  std::vector<char> buffer(16384);
  struct passwd entry {};
  struct passwd* found = nullptr;
  if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
      found != nullptr && found->pw_dir != nullptr && found->pw_dir[0] == '/') {
    return found->pw_dir;
  }
  return std::string();
}

}  // namespace

bool PlcIsSharedRunDirectory(const std::string& directory) noexcept {
  struct stat info {};
  if (::lstat(directory.c_str(), &info) != 0) return false;
  if (!S_ISDIR(info.st_mode) || info.st_uid != 0 || (info.st_mode & S_IWOTH) != 0) return false;
  return ::faccessat(AT_FDCWD, directory.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

std::string PlcUserRunDirectory() {
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR");
      runtime != nullptr && runtime[0] == '/' && IsPrivateDirectory(runtime)) {
    const std::string directory = std::string(runtime) + "/quillmarsh";
    if (MakePrivateDirectories(directory)) return directory;
  }
  const std::string home = HomeDirectory();
  if (!home.empty() && home != "/") {
    const std::string directory = home + "/.cache/quillmarsh/run";
    if (MakePrivateDirectories(directory)) return directory;
  }
  return std::string();
}
