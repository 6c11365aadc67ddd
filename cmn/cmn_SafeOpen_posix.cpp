#include "cmn/cmn_SafeOpen_posix.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <vector>

#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_MutexC.h"
#include "cmn/cmn_Services.h"

namespace {

constexpr int kMaxLinks = 32;
// Tries of the create-or-open dance when the name keeps appearing and vanishing under us.
constexpr int kMaxCreateTries = 8;
std::atomic<int> g_forced{-1};

// Directories this process resolved under the rule, by the plain path ("/a/b", no link and no
// "." or ".." on the way) that reached them, for cmn_SafeOpenRememberDirectories. A directory
// that passed can afterwards be changed only by root or the effective user (every directory
// above it is theirs and closed to others, or sticky with the entry theirs), so its check
// stays true for as long as the process keeps the descriptor; a new effective user, a change
// of the checks, or the process removing or renaming something forgets them all.
constexpr size_t kMaxKnownDirectories = 32;
struct KnownDirS {
  std::string path;  // the plain path, also the shown name
  cmn_UniqueFdC fd;  // O_DIRECTORY, close-on-exec
};
cmn_MutexC g_known_mu;
bool g_remember QLM_GUARDED_BY(g_known_mu) = false;
uid_t g_known_euid QLM_GUARDED_BY(g_known_mu) = 0;
bool g_known_checks QLM_GUARDED_BY(g_known_mu) = true;
std::vector<KnownDirS> g_known QLM_GUARDED_BY(g_known_mu);

// Drops what was remembered for another effective user or another state of the checks.
void KnownValidateLocked(bool checks) QLM_REQUIRES(g_known_mu) {
  const uid_t euid = ::geteuid();
  if (g_known.empty() || (euid == g_known_euid && checks == g_known_checks)) {
    g_known_euid = euid;
    g_known_checks = checks;
    return;
  }
  g_known.clear();
  g_known_euid = euid;
  g_known_checks = checks;
}

// A new descriptor of the deepest remembered directory among `paths` (shallowest first) and
// its index, or -1.
int KnownLookup(const std::vector<std::string>& paths, bool checks, size_t* index) {
  cmn_MutexLockC lock(g_known_mu);
  if (!g_remember) return -1;
  KnownValidateLocked(checks);
  if (g_known.empty()) return -1;
  for (size_t n = paths.size(); n > 0; --n) {
    for (const KnownDirS& known : g_known) {
      if (known.path != paths[n - 1]) continue;
      *index = n - 1;
      return ::fcntl(known.fd.Get(), F_DUPFD_CLOEXEC, 0);
    }
  }
  return -1;
}

void KnownAdd(const std::string& path, int fd, bool checks) {
  cmn_MutexLockC lock(g_known_mu);
  if (!g_remember) return;
  KnownValidateLocked(checks);
  if (g_known.size() >= kMaxKnownDirectories) return;
  for (const KnownDirS& known : g_known) {
    if (known.path == path) return;
  }
  cmn_UniqueFdC copy(::fcntl(fd, F_DUPFD_CLOEXEC, 0));
  if (copy.IsValid()) g_known.push_back(KnownDirS{path, std::move(copy)});
}

[[nodiscard]] RcT Refuse(std::string_view path, const std::string& reason) {
  std::string text = "Refusing to use '";
  text.append(path);
  text += "': ";
  text += reason;
  if (cmn_ErrBufI* buf = getErrBuf()) buf->Add(cmn_kPathRefused, 4, text);
  return cmn_kPathRefused;
}

// A missing directory on the path is not a refusal (the caller may create it, or report the
// errno with the path as for any missing file): only the errno's code is returned.
[[nodiscard]] RcT Missing(int err) {
  return cmn_RcFromErrno(err);
}

std::string Octal(mode_t mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
  return text;
}

const char* TypeName(mode_t mode) {
  if (S_ISDIR(mode)) return "a directory";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISLNK(mode)) return "a symbolic link";
  return "not a regular file";
}

// Root trusts root; any other user trusts root and itself.
bool TrustedOwner(uid_t uid) {
  return uid == 0 || uid == ::geteuid();
}

std::string Join(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  if (dir == "/") return "/" + name;
  return dir + "/" + name;
}

std::string ParentOf(const std::string& shown) {
  const size_t slash = shown.rfind('/');
  if (slash == std::string::npos || slash == 0) return "/";
  return shown.substr(0, slash);
}

// The owner and mode part of the rule for one directory.
[[nodiscard]] RcT CheckDirectoryStat(const struct stat& st, std::string_view path,
                                     const std::string& shown) {
  if (!TrustedOwner(st.st_uid)) {
    return Refuse(path, "directory '" + shown + "' is owned by user " + std::to_string(st.st_uid));
  }
  if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0 && (st.st_mode & S_ISVTX) == 0) {
    return Refuse(path, "directory '" + shown + "' can be changed by other users (mode " +
                            Octal(st.st_mode) + ")");
  }
  return RC_OK;
}

[[nodiscard]] RcT CheckDirectoryFd(int fd, std::string_view path, const std::string& shown,
                                   bool checks) {
  if (!checks) return RC_OK;
  struct stat st;
  if (::fstat(fd, &st) != 0) return cmn_RcFromErrno(errno);
  return CheckDirectoryStat(st, path, shown);
}

// The rule for the entry itself: type, owner, mode and, when writing, the link count.
[[nodiscard]] RcT CheckEntryStat(const struct stat& st, bool writing, bool directory,
                                 std::string_view path, const std::string& shown, bool checks) {
  if (directory ? !S_ISDIR(st.st_mode) : !S_ISREG(st.st_mode)) {
    return Refuse(path, "'" + shown + "' is " + TypeName(st.st_mode) +
                            (directory ? ", not a directory" : ", not a regular file"));
  }
  if (!checks) return RC_OK;
  if (directory) return CheckDirectoryStat(st, path, shown);
  if (!TrustedOwner(st.st_uid)) {
    return Refuse(path, "'" + shown + "' is owned by user " + std::to_string(st.st_uid));
  }
  if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    return Refuse(path,
                  "'" + shown + "' can be changed by other users (mode " + Octal(st.st_mode) + ")");
  }
  if (writing && st.st_nlink > 1) {
    return Refuse(path, "'" + shown + "' has " + std::to_string(st.st_nlink) + " hard links");
  }
  return RC_OK;
}

int OpenDir(int at, const char* name) {
  int fd;
  do {
    fd = ::openat(at, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

void SplitInto(std::string_view text, std::deque<std::string>* parts, bool front) {
  std::deque<std::string> found;
  size_t i = 0;
  while (i <= text.size()) {
    size_t j = text.find('/', i);
    if (j == std::string_view::npos) j = text.size();
    if (j > i) found.emplace_back(text.substr(i, j - i));
    i = j + 1;
  }
  if (front) {
    parts->insert(parts->begin(), found.begin(), found.end());
  } else {
    parts->insert(parts->end(), found.begin(), found.end());
  }
}

// Resolves directories one component at a time under the rule. `cur` is the directory reached,
// `shown` its path as resolved (links replaced by their targets) for messages.
class WalkerC {
 public:
  WalkerC(std::string_view path, bool checks) : path_(path), checks_(checks) {}

  // Starts at "/" for an absolute `text`, else at "/" with the working directory's components
  // queued in front of `text`'s, so that every directory above the working directory is
  // checked too.
  [[nodiscard]] RcT Start(std::string_view text, std::deque<std::string>* components) {
    if (!text.starts_with('/')) {
      char cwd[4096];
      if (::getcwd(cwd, sizeof cwd) != nullptr && cwd[0] == '/') {
        SplitInto(cwd, components, /*front=*/true);
      } else {
        // No reachable name for the working directory: it is checked by itself.
        plain_ = false;
        cur_.Reset(OpenDir(AT_FDCWD, "."));
        if (!cur_.IsValid()) return cmn_RcFromErrno(errno);
        shown_ = ".";
        return CheckDirectoryFd(cur_.Get(), path_, shown_, checks_);
      }
    }
    if (StartKnown(components)) return RC_OK;
    return Root();
  }

  // Continues from an already checked directory (a link's relative target).
  void StartAt(cmn_UniqueFdC dir, std::string shown) {
    plain_ = false;
    cur_ = std::move(dir);
    shown_ = std::move(shown);
  }

  // Resolves every queued component as a directory, creating missing ones with `create_mode`
  // when `create`.
  [[nodiscard]] RcT Walk(std::deque<std::string>* components, bool create = false,
                         mode_t create_mode = 0) {
    while (!components->empty()) {
      std::string name = std::move(components->front());
      components->pop_front();
      if (name == ".") continue;
      if (name == "..") {
        plain_ = false;
        cmn_UniqueFdC up(OpenDir(cur_.Get(), ".."));
        if (!up.IsValid()) return cmn_RcFromErrno(errno);
        shown_ = ParentOf(shown_);
        if (RcT rc = CheckDirectoryFd(up.Get(), path_, shown_, checks_); rc != RC_OK) return rc;
        cur_ = std::move(up);
        continue;
      }
      const std::string shown = Join(shown_, name);
      bool created = false;
      cmn_UniqueFdC next(OpenDir(cur_.Get(), name.c_str()));
      if (!next.IsValid() && errno == ENOENT && create) {
        if (::mkdirat(cur_.Get(), name.c_str(), create_mode & 07777) == 0) {
          created = true;
        } else if (errno != EEXIST) {
          return cmn_RcFromErrno(errno);
        }
        next.Reset(OpenDir(cur_.Get(), name.c_str()));
      }
      if (!next.IsValid()) {
        const int err = errno;
        if (err == ENOENT) return Missing(err);
        if (err != ELOOP && err != ENOTDIR) return cmn_RcFromErrno(err);
        plain_ = false;
        if (RcT rc = FollowLink(name, shown, components); rc != RC_OK) return rc;
        continue;
      }
      // The mode asked for, whatever the umask (only on what this call made).
      if (created && ::fchmod(next.Get(), create_mode & 07777) != 0) {
        return cmn_RcFromErrno(errno);
      }
      if (RcT rc = CheckDirectoryFd(next.Get(), path_, shown, checks_); rc != RC_OK) return rc;
      cur_ = std::move(next);
      shown_ = shown;
      if (plain_) KnownAdd(shown_, cur_.Get(), checks_);
    }
    return RC_OK;
  }

  // `name` in the current directory is (or should be) a symbolic link: checks it and queues
  // its target's components in front of `components`.
  [[nodiscard]] RcT FollowLink(const std::string& name, const std::string& shown,
                               std::deque<std::string>* components) {
    return FollowLinkFrom(cur_.Get(), name, shown, components);
  }

  // The same for a link in the directory `at` (the current one, or a directory the caller
  // opened under the rule, which then becomes the current one).
  [[nodiscard]] RcT FollowLinkFrom(int at, const std::string& name, const std::string& shown,
                                   std::deque<std::string>* components) {
    struct stat st;
    if (::fstatat(at, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      return cmn_RcFromErrno(errno);
    }
    // Something else than a directory on the path: no refusal, the path just does not lead
    // anywhere.
    if (!S_ISLNK(st.st_mode)) return cmn_RcFromErrno(ENOTDIR);
    plain_ = false;
    if (checks_ && !TrustedOwner(st.st_uid)) {
      return Refuse(path_,
                    "symbolic link '" + shown + "' is owned by user " + std::to_string(st.st_uid));
    }
    if (++links_ > kMaxLinks) return Refuse(path_, "more than 32 symbolic links");
    char target[4096];
    const ssize_t n = ::readlinkat(at, name.c_str(), target, sizeof target);
    if (n < 0) return cmn_RcFromErrno(errno);
    if (static_cast<size_t>(n) >= sizeof target) return cmn_RcFromErrno(ENAMETOOLONG);
    const std::string_view link(target, static_cast<size_t>(n));
    SplitInto(link, components, /*front=*/true);
    if (link.starts_with('/')) return Root();
    if (at != cur_.Get()) {
      cur_.Reset(::fcntl(at, F_DUPFD_CLOEXEC, 0));
      if (!cur_.IsValid()) return cmn_RcFromErrno(errno);
      shown_ = ParentOf(shown);
    }
    return RC_OK;
  }

  int links() const noexcept { return links_; }
  cmn_UniqueFdC& cur() noexcept { return cur_; }
  const std::string& shown() const noexcept { return shown_; }

 private:
  [[nodiscard]] RcT Root() {
    cur_.Reset(OpenDir(AT_FDCWD, "/"));
    if (!cur_.IsValid()) return cmn_RcFromErrno(errno);
    shown_ = "/";
    if (RcT rc = CheckDirectoryFd(cur_.Get(), path_, shown_, checks_); rc != RC_OK) return rc;
    if (plain_) KnownAdd(shown_, cur_.Get(), checks_);
    return RC_OK;
  }

  // Starts at the deepest remembered directory on the plain leading part of `components`
  // (up to the first "." or ".."), dropping the components it stands for.
  bool StartKnown(std::deque<std::string>* components) {
    std::vector<std::string> prefixes{"/"};  // "/", "/a", "/a/b", ... along the plain part
    std::string path;
    for (const std::string& name : *components) {
      if (name == "." || name == "..") break;
      path += '/';
      path += name;
      prefixes.push_back(path);
    }
    size_t index = 0;
    const int fd = KnownLookup(prefixes, checks_, &index);
    if (fd < 0) return false;
    cur_.Reset(fd);
    shown_ = std::move(prefixes[index]);
    components->erase(components->begin(), components->begin() + static_cast<long>(index));
    return true;
  }

  std::string_view path_;
  bool checks_;
  bool plain_ = true;  // cur_ was reached from "/" by plain names only
  cmn_UniqueFdC cur_;
  std::string shown_;
  int links_ = 0;
};

int OpenRaw(int dir_fd, const std::string& leaf, int flags, mode_t mode) {
  int raw;
  do {
    raw = ::openat(dir_fd, leaf.c_str(), flags, mode);
  } while (raw < 0 && errno == EINTR);
  return raw;
}

// Opens `leaf` in `dir_fd` without following a link there. With O_CREAT (and not O_EXCL) an
// exclusive create is tried first, so that `*created` tells whether the file is new.
int OpenOrCreate(int dir_fd, const std::string& leaf, int flags, mode_t mode, bool* created) {
  *created = false;
  if ((flags & O_CREAT) == 0 || (flags & O_EXCL) != 0) {
    const int raw = OpenRaw(dir_fd, leaf, flags, mode);
    *created = raw >= 0 && (flags & O_CREAT) != 0;
    return raw;
  }
  for (int i = 0; i < kMaxCreateTries; ++i) {
    int raw = OpenRaw(dir_fd, leaf, flags | O_EXCL, mode);
    if (raw >= 0) {
      *created = true;
      return raw;
    }
    if (errno != EEXIST) return -1;
    raw = OpenRaw(dir_fd, leaf, flags & ~O_CREAT, mode);
    if (raw >= 0 || errno != ENOENT) return raw;
  }
  errno = EAGAIN;
  return -1;
}

}  // namespace

bool cmn_SafeOpenChecksActive() noexcept {
  return g_forced.load(std::memory_order_relaxed) != 0;
}

void cmn_SafeOpenForceChecks(int mode) noexcept {
  g_forced.store(mode < 0 ? -1 : (mode ? 1 : 0), std::memory_order_relaxed);
  cmn_SafeOpenForgetDirectories();
}

void cmn_SafeOpenRememberDirectories(bool remember) noexcept {
  cmn_MutexLockC lock(g_known_mu);
  g_remember = remember;
  if (!remember) g_known.clear();
}

void cmn_SafeOpenForgetDirectories() noexcept {
  cmn_MutexLockC lock(g_known_mu);
  g_known.clear();
}

RcT cmn_SafeOpenParent(std::string_view path, cmn_UniqueFdC* dir, std::string* leaf) {
  if (path.empty() || dir == nullptr || leaf == nullptr) return RC_INVALIDARG;
  std::deque<std::string> components;
  SplitInto(path, &components, /*front=*/false);
  if (components.empty() || path.ends_with('/')) return RC_INVALIDARG;
  std::string last = std::move(components.back());
  components.pop_back();
  if (last == "." || last == "..") return RC_INVALIDARG;
  WalkerC walker(path, cmn_SafeOpenChecksActive());
  if (RcT rc = walker.Start(path, &components); rc != RC_OK) return rc;
  if (RcT rc = walker.Walk(&components); rc != RC_OK) return rc;
  *dir = std::move(walker.cur());
  *leaf = std::move(last);
  return RC_OK;
}

RcT cmn_SafeOpenAt(int dir_fd, const std::string& leaf, int flags, mode_t mode, cmn_UniqueFdC* fd,
                   std::string_view path_for_messages, struct stat* opened_stat) {
  if (fd == nullptr || leaf.empty()) return RC_INVALIDARG;
  const std::string_view path =
      path_for_messages.empty() ? std::string_view(leaf) : path_for_messages;
  const bool checks = cmn_SafeOpenChecksActive();
  const bool truncate = (flags & O_TRUNC) != 0;
  const bool nonblock = (flags & O_NONBLOCK) != 0;
  const bool writing = (flags & O_ACCMODE) != O_RDONLY;
  // Truncation waits until the checks passed; O_NONBLOCK keeps a FIFO from blocking us.
  const int open_flags = (flags & ~O_TRUNC) | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;

  // The directory the leaf is looked up in: the caller's, or one reached through a link.
  WalkerC walker(path, checks);
  int at = dir_fd;
  std::string name = leaf;
  std::string shown = std::string(path);
  for (;;) {
    if (name == "." || name == "..") return Refuse(path, "'" + shown + "' is a directory");
    bool created = false;
    const int raw = OpenOrCreate(at, name, open_flags, mode, &created);
    if (raw >= 0) {
      cmn_UniqueFdC opened(raw);
      struct stat st;
      if (::fstat(opened.Get(), &st) != 0) return cmn_RcFromErrno(errno);
      if (created) {
        // An exact mode is set as asked; one with group or other write access is the old
        // "as the umask allows" request, kept so but without those bits, which the rule
        // would refuse on the next open.
        const mode_t want =
            (mode & (S_IWGRP | S_IWOTH)) == 0 ? mode & 07777 : st.st_mode & 07777 & ~022;
        if ((st.st_mode & 07777) != want) {
          if (::fchmod(opened.Get(), want) != 0) return cmn_RcFromErrno(errno);
          st.st_mode = (st.st_mode & ~07777) | want;
        }
      }
      if (RcT rc = CheckEntryStat(st, writing, false, path, shown, checks); rc != RC_OK) {
        return rc;
      }
      if (!nonblock) {
        const int fl = ::fcntl(opened.Get(), F_GETFL);
        if (fl < 0 || ::fcntl(opened.Get(), F_SETFL, fl & ~O_NONBLOCK) != 0) {
          return cmn_RcFromErrno(errno);
        }
      }
      if (truncate && ::ftruncate(opened.Get(), 0) != 0) return cmn_RcFromErrno(errno);
      if (opened_stat != nullptr) {
        if (truncate && ::fstat(opened.Get(), &st) != 0) return cmn_RcFromErrno(errno);
        *opened_stat = st;
      }
      *fd = std::move(opened);
      return RC_OK;
    }
    const int err = errno;
    if (err == EISDIR) return Refuse(path, "'" + shown + "' is a directory");
    // A FIFO without a reader refuses a non-blocking write-only open with ENXIO.
    if (err == ENXIO) {
      struct stat st;
      if (::fstatat(at, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISREG(st.st_mode)) {
        return Refuse(path, "'" + shown + "' is " + TypeName(st.st_mode) + ", not a regular file");
      }
    }
    // The system may deny the open before the rule could look at the entry (another user's
    // file the running user may not write): an entry the rule refuses anyway is reported with
    // the rule's reason, which tells the administrator more than "Permission denied".
    if ((err == EACCES || err == EPERM) && checks) {
      struct stat st;
      if (::fstatat(at, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISLNK(st.st_mode)) {
        if (RcT rc = CheckEntryStat(st, writing, false, path, shown, checks); rc != RC_OK) {
          return rc;
        }
      }
    }
    if (err != ELOOP) return cmn_RcFromErrno(err);
    // The caller asked for the name itself, never what a link there points to.
    if ((flags & O_NOFOLLOW) != 0) return Refuse(path, "'" + shown + "' is a symbolic link");
    // An exclusive create never goes through a link.
    if ((flags & (O_CREAT | O_EXCL)) == (O_CREAT | O_EXCL)) return cmn_RcFromErrno(EEXIST);
    std::deque<std::string> components;
    if (RcT rc = walker.FollowLinkFrom(at, name, shown, &components); rc != RC_OK) return rc;
    if (components.empty()) return Refuse(path, "symbolic link '" + shown + "' is empty");
    name = std::move(components.back());
    components.pop_back();
    if (RcT rc = walker.Walk(&components); rc != RC_OK) return rc;
    at = walker.cur().Get();
    shown = Join(walker.shown(), name);
  }
}

RcT cmn_SafeOpen(std::string_view path, int flags, mode_t mode, cmn_UniqueFdC* fd,
                 struct stat* opened) {
  cmn_UniqueFdC dir;
  std::string leaf;
  RcT rc = cmn_SafeOpenParent(path, &dir, &leaf);
  if (rc != RC_OK) return rc;
  return cmn_SafeOpenAt(dir.Get(), leaf, flags, mode, fd, path, opened);
}

RcT cmn_SafeOpenDirectory(std::string_view path, cmn_UniqueFdC* dir) {
  if (path.empty() || dir == nullptr) return RC_INVALIDARG;
  std::deque<std::string> components;
  SplitInto(path, &components, /*front=*/false);
  WalkerC walker(path, cmn_SafeOpenChecksActive());
  if (RcT rc = walker.Start(path, &components); rc != RC_OK) return rc;
  if (RcT rc = walker.Walk(&components); rc != RC_OK) return rc;
  *dir = std::move(walker.cur());
  return RC_OK;
}

RcT cmn_SafeMakeDirectories(std::string_view path, mode_t mode, cmn_UniqueFdC* dir) {
  if (path.empty()) return RC_INVALIDARG;
  std::deque<std::string> components;
  SplitInto(path, &components, /*front=*/false);
  WalkerC walker(path, cmn_SafeOpenChecksActive());
  if (RcT rc = walker.Start(path, &components); rc != RC_OK) return rc;
  if (RcT rc = walker.Walk(&components, /*create=*/true, mode); rc != RC_OK) return rc;
  if (dir != nullptr) *dir = std::move(walker.cur());
  return RC_OK;
}

RcT cmn_SafeCheckOpened(int fd, bool writing, std::string_view shown) {
  struct stat st;
  if (::fstat(fd, &st) != 0) return cmn_RcFromErrno(errno);
  return CheckEntryStat(st, writing, S_ISDIR(st.st_mode), shown, std::string(shown),
                        cmn_SafeOpenChecksActive());
}

RcT cmn_SafeOpenLibrary(std::string_view name, cmn_UniqueFdC* fd, std::string* load_path) {
  if (name.empty() || fd == nullptr || load_path == nullptr) return RC_INVALIDARG;
  std::vector<std::string> candidates;
  if (name.find('/') != std::string_view::npos) {
    candidates.emplace_back(name);
  } else {
    std::vector<std::string> dirs;
    if (const char* paths = ::geteuid() != 0 ? std::getenv("LD_LIBRARY_PATH") : nullptr) {
      std::deque<std::string> parts;
      SplitInto(paths, &parts, /*front=*/false);
      for (const std::string& part : parts) {
        if (part.starts_with('/')) dirs.push_back(part);
      }
    }
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&::dlopen), &info) != 0 && info.dli_fname != nullptr &&
        info.dli_fname[0] == '/') {
      dirs.push_back(ParentOf(info.dli_fname));
    }
    for (const char* dir : {"/usr/local/lib", "/usr/lib", "/lib"}) dirs.emplace_back(dir);
    for (const std::string& dir : dirs) {
      const std::string path = Join(dir, std::string(name));
      struct stat st;
      if (::stat(path.c_str(), &st) == 0) {
        candidates.push_back(path);
        break;
      }
    }
    if (candidates.empty()) return cmn_RcFromErrno(ENOENT);
  }
  cmn_UniqueFdC opened;
  if (RcT rc = cmn_SafeOpen(candidates.front(), O_RDONLY, 0, &opened); rc != RC_OK) return rc;
  *load_path = "/proc/self/fd/" + std::to_string(opened.Get());
  *fd = std::move(opened);
  return RC_OK;
}
