#include "cmn/cmn_SafeOpen_posix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <deque>

#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_Services.h"

namespace {

constexpr int kMaxLinks = 32;
std::atomic<int> g_forced{-1};

RcT Refuse(std::string_view path, const std::string& reason) {
  std::string text = "Refusing to use '";
  text.append(path);
  text += "': ";
  text += reason;
  if (cmn_ErrBufI* buf = getErrBuf()) buf->Add(cmn_kPathRefused, 4, text);
  return cmn_kPathRefused;
}

// Owned by root or by us.
bool TrustedOwner(uid_t uid) {
  return uid == 0 || uid == ::geteuid();
}

// With the checks active: may a directory with this status hold files we trust?
bool TrustedDirectory(const struct stat& st) {
  if (!TrustedOwner(st.st_uid)) return false;
  if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0 && (st.st_mode & S_ISVTX) == 0) return false;
  return true;
}

RcT CheckDirectory(int fd, std::string_view path, std::string_view shown, bool checks) {
  if (!checks) return RC_OK;
  struct stat st;
  if (::fstat(fd, &st) != 0) return cmn_RcFromErrno(errno);
  if (!TrustedDirectory(st)) {
    return Refuse(path, "directory '" + std::string(shown.empty() ? "." : shown) +
                            "' can be changed by another user");
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

// Resolves the directories of `components` starting at `start` (the text of `path` decides
// whether that is "/" or "."), leaving the opened directory in *dir.
RcT WalkDirectories(std::string_view path, std::deque<std::string> components, cmn_UniqueFdC* dir) {
  const bool checks = cmn_SafeOpenChecksActive();
  std::string shown = path.starts_with('/') ? "/" : ".";
  cmn_UniqueFdC cur(OpenDir(AT_FDCWD, path.starts_with('/') ? "/" : "."));
  if (!cur.IsValid()) return cmn_RcFromErrno(errno);
  if (RcT rc = CheckDirectory(cur.Get(), path, shown, checks); rc != RC_OK) return rc;
  int links = 0;
  while (!components.empty()) {
    std::string name = std::move(components.front());
    components.pop_front();
    if (name == ".") continue;
    cmn_UniqueFdC next(OpenDir(cur.Get(), name.c_str()));
    if (!next.IsValid()) {
      int err = errno;
      if (err != ELOOP && err != ENOTDIR) return cmn_RcFromErrno(err);
      struct stat st;
      if (::fstatat(cur.Get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
          !S_ISLNK(st.st_mode)) {
        return cmn_RcFromErrno(err);
      }
      if (checks && !TrustedOwner(st.st_uid)) {
        return Refuse(path, "symbolic link '" + name + "' is owned by another user");
      }
      if (++links > kMaxLinks) return cmn_RcFromErrno(ELOOP);
      char target[4096];
      ssize_t n = ::readlinkat(cur.Get(), name.c_str(), target, sizeof target);
      if (n < 0) return cmn_RcFromErrno(errno);
      if (static_cast<size_t>(n) >= sizeof target) return cmn_RcFromErrno(ENAMETOOLONG);
      std::string_view link(target, static_cast<size_t>(n));
      SplitInto(link, &components, /*front=*/true);
      if (link.starts_with('/')) {
        cur.Reset(OpenDir(AT_FDCWD, "/"));
        if (!cur.IsValid()) return cmn_RcFromErrno(errno);
        shown = "/";
        if (RcT rc = CheckDirectory(cur.Get(), path, shown, checks); rc != RC_OK) return rc;
      }
      continue;
    }
    if (shown.size() > 1 || shown == ".") shown += '/';
    shown += name;
    if (RcT rc = CheckDirectory(next.Get(), path, shown, checks); rc != RC_OK) return rc;
    cur = std::move(next);
  }
  *dir = std::move(cur);
  return RC_OK;
}

}  // namespace

bool cmn_SafeOpenChecksActive() noexcept {
  int forced = g_forced.load(std::memory_order_relaxed);
  if (forced >= 0) return forced != 0;
  return ::geteuid() == 0;
}

void cmn_SafeOpenForceChecks(int mode) noexcept {
  g_forced.store(mode < 0 ? -1 : (mode ? 1 : 0), std::memory_order_relaxed);
}

RcT cmn_SafeOpenParent(std::string_view path, cmn_UniqueFdC* dir, std::string* leaf) {
  if (path.empty() || dir == nullptr || leaf == nullptr) return RC_INVALIDARG;
  std::deque<std::string> components;
  SplitInto(path, &components, /*front=*/false);
  if (components.empty() || path.ends_with('/')) return RC_INVALIDARG;
  std::string last = std::move(components.back());
  components.pop_back();
  if (last == "." || last == "..") return RC_INVALIDARG;
  RcT rc = WalkDirectories(path, std::move(components), dir);
  if (rc != RC_OK) return rc;
  *leaf = std::move(last);
  return RC_OK;
}

RcT cmn_SafeOpenAt(int dir_fd, const std::string& leaf, int flags, mode_t mode, cmn_UniqueFdC* fd,
                   std::string_view path_for_messages) {
  if (fd == nullptr || leaf.empty()) return RC_INVALIDARG;
  std::string_view shown = path_for_messages.empty() ? std::string_view(leaf) : path_for_messages;
  const bool truncate = (flags & O_TRUNC) != 0;
  const bool nonblock = (flags & O_NONBLOCK) != 0;
  // Truncation waits until ownership was checked; O_NONBLOCK keeps a FIFO from blocking us.
  int open_flags = (flags & ~O_TRUNC) | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;
  int raw;
  do {
    raw = ::openat(dir_fd, leaf.c_str(), open_flags, mode);
  } while (raw < 0 && errno == EINTR);
  if (raw < 0) {
    int err = errno;
    if (err == ELOOP) return Refuse(shown, "it is a symbolic link");
    return cmn_RcFromErrno(err);
  }
  cmn_UniqueFdC opened(raw);
  struct stat st;
  if (::fstat(opened.Get(), &st) != 0) return cmn_RcFromErrno(errno);
  if (!S_ISREG(st.st_mode)) return Refuse(shown, "it is not a regular file");
  if (cmn_SafeOpenChecksActive() && !TrustedOwner(st.st_uid)) {
    return Refuse(shown, "it is owned by user " + std::to_string(st.st_uid));
  }
  if (!nonblock) {
    int fl = ::fcntl(opened.Get(), F_GETFL);
    if (fl < 0 || ::fcntl(opened.Get(), F_SETFL, fl & ~O_NONBLOCK) != 0) {
      return cmn_RcFromErrno(errno);
    }
  }
  if (truncate && ::ftruncate(opened.Get(), 0) != 0) return cmn_RcFromErrno(errno);
  *fd = std::move(opened);
  return RC_OK;
}

RcT cmn_SafeOpen(std::string_view path, int flags, mode_t mode, cmn_UniqueFdC* fd) {
  cmn_UniqueFdC dir;
  std::string leaf;
  RcT rc = cmn_SafeOpenParent(path, &dir, &leaf);
  if (rc != RC_OK) return rc;
  return cmn_SafeOpenAt(dir.Get(), leaf, flags, mode, fd, path);
}

RcT cmn_SafeOpenDirectory(std::string_view path, cmn_UniqueFdC* dir) {
  if (path.empty() || dir == nullptr) return RC_INVALIDARG;
  std::deque<std::string> components;
  SplitInto(path, &components, /*front=*/false);
  // The last component must be a directory and not a symbolic link.
  if (!components.empty()) {
    std::string last = components.back();
    components.pop_back();
    cmn_UniqueFdC parent;
    RcT rc = WalkDirectories(path, std::move(components), &parent);
    if (rc != RC_OK) return rc;
    cmn_UniqueFdC d(OpenDir(parent.Get(), last.c_str()));
    if (!d.IsValid()) {
      int err = errno;
      struct stat st;
      if ((err == ELOOP || err == ENOTDIR) &&
          ::fstatat(parent.Get(), last.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
          S_ISLNK(st.st_mode)) {
        return Refuse(path, "it is a symbolic link");
      }
      return cmn_RcFromErrno(err);
    }
    rc = CheckDirectory(d.Get(), path, path, cmn_SafeOpenChecksActive());
    if (rc != RC_OK) return rc;
    *dir = std::move(d);
    return RC_OK;
  }
  return WalkDirectories(path, {}, dir);
}
