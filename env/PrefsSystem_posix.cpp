#include "env/PrefsSystem_posix.h"

#include <fcntl.h>
#include <langinfo.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "cmn/cmn_SafeOpen_posix.h"
#include "log/ErrMessages.h"
#include "os/File_posix.h"

PrefsFileKindE PrefsFileKind(const std::string& path) noexcept {
  struct stat st {};
  if (path.empty() || os_Stat(path, true, &st) != 0) return PREFS_KIND_MISSING;
  if (S_ISREG(st.st_mode)) return PREFS_KIND_REGULAR;
  return S_ISDIR(st.st_mode) ? PREFS_KIND_DIRECTORY : PREFS_KIND_SPECIAL;
}

bool PrefsCurrentDirectory(std::string* path) {
  return os_GetCurrentDirectory(path) == 0;
}

bool PrefsProcessEnv(const char* name, std::string* value) {
  if (name == nullptr || *name == '\0') return false;
  const char* text = ::getenv(name);
  if (text == nullptr) return false;
  value->assign(text);
  return true;
}

std::string PrefsYesWord() {
  const char* word = ::nl_langinfo(YESSTR);
  return word != nullptr ? std::string(word) : std::string();
}

std::string PrefsNoWord() {
  const char* word = ::nl_langinfo(NOSTR);
  return word != nullptr ? std::string(word) : std::string();
}

RcT PrefsOpenForReading(const std::string& path, cmn_UniqueFdC* fd) {
  return cmn_SafeOpen(path, O_RDONLY, 0, fd);
}

RcT PrefsCheckDirectory(const std::string& path) {
  cmn_UniqueFdC dir;
  return cmn_SafeOpenDirectory(path, &dir);
}

namespace {

// Six characters for a temporary name; unique enough together with O_EXCL and retries.
std::string TemporaryLeaf() {
  static std::atomic<uint64_t> counter{0};
  struct timespec now {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  uint64_t seed = static_cast<uint64_t>(now.tv_nsec) ^ (static_cast<uint64_t>(::getpid()) << 20) ^
                  (counter.fetch_add(1) * 0x9E3779B97F4A7C15ull);
  static constexpr char kAlphabet[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::string leaf = "pref";
  for (int i = 0; i < 6; ++i) {
    leaf += kAlphabet[seed % 62];
    seed /= 62;
    seed ^= seed << 13;
  }
  leaf += ".ini";
  return leaf;
}

}  // namespace

RcT PrefsReplaceFile(const std::string& path, std::string_view bytes) {
  cmn_UniqueFdC dir;
  std::string leaf;
  RcT rc = cmn_SafeOpenParent(path, &dir, &leaf);
  if (rc != RC_OK) return rc;

  mode_t mode = 0644;
  struct stat st {};
  if (::fstatat(dir.Get(), leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)) {
    mode = st.st_mode & 07777;
  }

  cmn_UniqueFdC fd;
  std::string temporary;
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary = TemporaryLeaf();
    rc = cmn_SafeOpenAt(dir.Get(), temporary, O_WRONLY | O_CREAT | O_EXCL, 0600, &fd, path);
    if (rc != cmn_RcFromErrno(EEXIST)) break;
  }
  if (rc != RC_OK) return rc;

  int err = os_WriteAll(fd.Get(), bytes.data(), bytes.size());
  if (err == 0 && ::fchmod(fd.Get(), mode) != 0) err = errno;
  if (err == 0) err = os_Sync(fd.Get());
  if (err == 0 && ::renameat(dir.Get(), temporary.c_str(), dir.Get(), leaf.c_str()) != 0) {
    err = errno;
  }
  if (err != 0) {
    ::unlinkat(dir.Get(), temporary.c_str(), 0);
    return ErrReportV(os_RcFromErrno(err), "{e} %1$s", ::strerror(err));
  }
  return RC_OK;
}
