#include "policy/PlcRunDirectory_posix.h"

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_ErrMarkC.h"
#include "cmn/cmn_SafeOpen_posix.h"
#include "cmn/cmn_Services.h"

namespace {

// The password database's home of `uid`, empty when it has none worth using.
std::string HomeOf(uid_t uid) {
  std::vector<char> buffer(16384);
  struct passwd entry {};
  struct passwd* found = nullptr;
  if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr && found->pw_dir[0] == '/' && std::string(found->pw_dir) != "/") {
    return found->pw_dir;
  }
  return std::string();
}

bool Writable(int dir_fd) {
  return ::faccessat(dir_fd, ".", W_OK | X_OK, AT_EACCESS) == 0;
}

}  // namespace

std::string PlcUserRunDirectory(const std::string& sharedRunDirectory) {
  const uid_t uid = ::geteuid();
  cmn_ErrMarkC mark;
  if (!sharedRunDirectory.empty()) {
    const std::string perUser = sharedRunDirectory + "/users/" + std::to_string(uid);
    cmn_UniqueFdC dir;
    const RcT rc = cmn_SafeOpenDirectory(perUser, &dir);
    if (rc == RC_OK && Writable(dir.Get())) return perUser;
    // Absent is the usual case and no failure. One that is there but refused is reported
    // rather than passed over for another directory.
    if (rc == cmn_kPathRefused) return std::string();
    mark.Rollback();
  }
  const std::string home = HomeOf(uid);
  if (home.empty()) {
    if (cmn_ErrBufI* errors = getErrBuf()) {
      errors->Add(cmn_RcFromErrno(ENOENT), 4,
                  "User " + std::to_string(uid) +
                      " has no home directory in the password database for its lock files");
    }
    return std::string();
  }
  const std::string own = home + "/.cache/quillmarsh/run";
  if (cmn_SafeMakeDirectories(own, 0700, nullptr) != RC_OK) return std::string();
  mark.Rollback();
  return own;
}
