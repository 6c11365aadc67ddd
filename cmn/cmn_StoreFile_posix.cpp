#include "cmn/cmn_StoreFile_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <random>

#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_SafeOpen_posix.h"
#include "cmn/cmn_Services.h"
#include "cmn/cmn_UniqueFdC.h"

namespace {

std::atomic<int> g_lock_wait_ms{cmn_kStoreLockWaitMs};

void StampFrom(const struct stat& st, cmn_FileStampS* stamp) {
  stamp->exists = true;
  stamp->dev = st.st_dev;
  stamp->ino = st.st_ino;
  stamp->size = static_cast<uint64_t>(st.st_size);
  stamp->mtime_ns = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  stamp->ctime_ns = static_cast<int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
}

int64_t MonotonicMs() {
  struct timespec ts;
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// The reason for a failure: the safe-open helper's refusal text when it gave one, else the
// system's words for errno.
std::string Reason(RcT rc, int err) {
  if (rc == cmn_kPathRefused) {
    if (cmn_ErrBufI* buf = getErrBuf()) {
      for (size_t i = buf->Count(); i > 0; --i) {
        const cmn_ErrEntryI* e = buf->Entry(i - 1);
        if (e != nullptr && e->MessageNumber() == cmn_kPathRefused) return std::string(e->Text());
      }
    }
    return "refused as unsafe";
  }
  return std::strerror(err);
}

int ErrnoOf(RcT rc) {
  return (rc & 0xFFFF0000u) == RC_OS_BASE ? static_cast<int>(rc & 0xFFFFu) : EIO;
}

// Reads from offset 0 to the end straight into *out, which starts at `size_hint` + 1 bytes (the
// size fstat gave; one more so that the end shows without growing) and grows if the file did.
[[nodiscard]] RcT ReadAll(int fd, size_t size_hint, std::string* out) {
  out->resize(size_hint + 1);
  size_t got = 0;
  for (;;) {
    if (got == out->size()) out->resize(out->size() * 2);
    const ssize_t n = ::pread(fd, out->data() + got, out->size() - got, static_cast<off_t>(got));
    if (n < 0) {
      if (errno == EINTR) continue;
      out->clear();
      return cmn_RcFromErrno(errno);
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  out->resize(got);
  return RC_OK;
}

[[nodiscard]] RcT WriteAll(int fd, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return cmn_RcFromErrno(errno);
    }
    done += static_cast<size_t>(n);
  }
  return RC_OK;
}

// Makes the missing directories above `path` with `mode` exactly (not filtered by the umask).
[[nodiscard]] RcT MakeParents(const std::string& path, mode_t mode) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos || slash == 0) return RC_OK;
  std::string dir = path.substr(0, slash);
  struct stat st;
  if (::stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode) ? RC_OK : cmn_RcFromErrno(ENOTDIR);
  if (RcT rc = MakeParents(dir, mode); rc != RC_OK) return rc;
  if (::mkdir(dir.c_str(), mode) != 0) {
    return errno == EEXIST ? RC_OK : cmn_RcFromErrno(errno);
  }
  if (::chmod(dir.c_str(), mode) != 0) return cmn_RcFromErrno(errno);
  return RC_OK;
}

bool IsOwnTemporary(const std::string& name, const std::string& leaf) {
  // "." + leaf + "." + 8 hexadecimal digits
  if (name.size() != leaf.size() + 10 || name[0] != '.' ||
      name.compare(1, leaf.size(), leaf) != 0 || name[leaf.size() + 1] != '.') {
    return false;
  }
  for (size_t i = leaf.size() + 2; i < name.size(); ++i) {
    if (std::strchr("0123456789abcdef", name[i]) == nullptr) return false;
  }
  return true;
}

// Removes temporaries of `leaf` left by killed writers. Called with the lock held: a
// temporary last changed before `since` (when the lock was taken) belongs to a writer that no
// longer holds the lock, and a living writer never leaves one behind when it lets go.
void RemoveStaleTemporaries(int dir_fd, const std::string& leaf, const struct timespec& since) {
  int dup_fd = ::fcntl(dir_fd, F_DUPFD_CLOEXEC, 0);
  if (dup_fd < 0) return;
  DIR* d = ::fdopendir(dup_fd);
  if (d == nullptr) {
    ::close(dup_fd);
    return;
  }
  while (struct dirent* e = ::readdir(d)) {
    std::string name = e->d_name;
    if (!IsOwnTemporary(name, leaf)) continue;
    struct stat st;
    if (::fstatat(dir_fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) continue;
    const bool older = st.st_mtim.tv_sec < since.tv_sec ||
                       (st.st_mtim.tv_sec == since.tv_sec && st.st_mtim.tv_nsec < since.tv_nsec);
    if (older) ::unlinkat(dir_fd, name.c_str(), 0);
  }
  ::closedir(d);
}

// Holds the writers' lock of one store file for its life.
class WriterLockC {
 public:
  // Takes the lock within the bound; on failure *error names the file and the reason.
  [[nodiscard]] RcT Take(int dir_fd, const std::string& leaf, const std::string& path,
                         std::string* error) {
    const std::string lock_leaf = "." + leaf + ".lock";
    const std::string lock_path = path.substr(0, path.size() - leaf.size()) + lock_leaf;
    RcT rc = cmn_SafeOpenAt(dir_fd, lock_leaf, O_RDWR | O_CREAT, 0600, &fd_, lock_path);
    if (rc != RC_OK) {
      *error = "its lock file '" + lock_path + "' cannot be opened: " + Reason(rc, ErrnoOf(rc));
      return rc;
    }
    struct stat st;
    if (::fstat(fd_.Get(), &st) == 0 && st.st_uid == ::geteuid() && (st.st_mode & 07777) != 0600) {
      // Made under another umask, or by an older version. Best effort: the lock file holds no
      // data, so a refused change loses nothing.
      (void)::fchmod(fd_.Get(), 0600);
    }
    const int64_t deadline = MonotonicMs() + g_lock_wait_ms.load(std::memory_order_relaxed);
    for (;;) {
      if (::flock(fd_.Get(), LOCK_EX | LOCK_NB) == 0) break;
      const int err = errno;
      if (err != EWOULDBLOCK && err != EINTR) {
        *error = "cannot lock '" + lock_path + "': " + std::strerror(err);
        return cmn_RcFromErrno(err);
      }
      if (MonotonicMs() >= deadline) {
        std::string holder;
        char buf[32] = {};
        ssize_t n = ::pread(fd_.Get(), buf, sizeof buf - 1, 0);
        if (n > 0) {
          std::string pid(buf, static_cast<size_t>(n));
          while (!pid.empty() && (pid.back() == '\n' || pid.back() == ' ')) pid.pop_back();
          if (!pid.empty() && pid.find_first_not_of("0123456789") == std::string::npos) {
            holder = " by process " + pid;
          }
        }
        *error =
            "its lock '" + lock_path + "' has been held" + holder + " for more than " +
            std::to_string(g_lock_wait_ms.load(std::memory_order_relaxed) / 1000.0).substr(0, 4) +
            " seconds";
        return cmn_kStoreLockTimeout;
      }
      struct timespec pause = {0, 20 * 1000 * 1000};
      ::nanosleep(&pause, nullptr);
    }
    ::clock_gettime(CLOCK_REALTIME, &since_);
    // Whose lock it is, for the message of a writer that gives up waiting.
    const std::string pid = std::to_string(::getpid()) + "\n";
    // Best effort: the holder's id only improves a waiting writer's message.
    if (::ftruncate(fd_.Get(), 0) == 0) (void)::pwrite(fd_.Get(), pid.data(), pid.size(), 0);
    return RC_OK;
  }
  ~WriterLockC() {
    // Best effort: only the holder's id goes; the lock itself is released with the descriptor.
    if (fd_.IsValid()) (void)::ftruncate(fd_.Get(), 0);
  }
  const struct timespec& Since() const { return since_; }

 private:
  cmn_UniqueFdC fd_;
  struct timespec since_ = {};
};

// Writes `content` to a fresh temporary file beside `leaf` and renames it over `leaf`. The new
// file gets the mode (and, for root, the owner) of `old`, or `create_mode` when there was none.
[[nodiscard]] RcT ReplaceFile(int dir_fd, const std::string& leaf, const struct stat* old,
                              mode_t create_mode, const std::string& content) {
  const mode_t mode = old != nullptr ? (old->st_mode & 07777) : create_mode;
  std::random_device rd;
  std::string tmp;
  cmn_UniqueFdC fd;
  for (int attempt = 0; attempt < 100 && !fd.IsValid(); ++attempt) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, ".%08x", rd());
    tmp = "." + leaf + suffix;
    int raw =
        ::openat(dir_fd, tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (raw >= 0) {
      fd.Reset(raw);
    } else if (errno != EEXIST && errno != EINTR) {
      return cmn_RcFromErrno(errno);
    }
  }
  if (!fd.IsValid()) return cmn_RcFromErrno(EEXIST);
  RcT rc = RC_OK;
  // The mode is set explicitly, so the umask never decides who may read the store.
  if (::fchmod(fd.Get(), mode) != 0) rc = cmn_RcFromErrno(errno);
  if (rc == RC_OK && old != nullptr && ::geteuid() == 0 && (old->st_uid != 0 || old->st_gid != 0) &&
      ::fchown(fd.Get(), old->st_uid, old->st_gid) != 0) {
    rc = cmn_RcFromErrno(errno);
  }
  if (rc == RC_OK) rc = WriteAll(fd.Get(), content);
  if (rc == RC_OK && ::fsync(fd.Get()) != 0) rc = cmn_RcFromErrno(errno);
  if (rc == RC_OK && ::renameat(dir_fd, tmp.c_str(), dir_fd, leaf.c_str()) != 0) {
    rc = cmn_RcFromErrno(errno);
  }
  if (rc != RC_OK) {
    ::unlinkat(dir_fd, tmp.c_str(), 0);
    return rc;
  }
  if (::fsync(dir_fd) != 0) return cmn_RcFromErrno(errno);
  return RC_OK;
}

[[nodiscard]] RcT Fail(RcT rc, const std::string& path, const std::string& reason,
                       std::string* error) {
  if (error != nullptr) *error = "cannot write '" + path + "': " + reason;
  return rc;
}

}  // namespace

void cmn_SetStoreLockWaitForTest(int ms) noexcept {
  g_lock_wait_ms.store(ms > 0 ? ms : cmn_kStoreLockWaitMs, std::memory_order_relaxed);
}

RcT cmn_StampOpenStoreFile(int fd, cmn_FileStampS* stamp) {
  *stamp = cmn_FileStampS{};
  struct stat st;
  if (::fstat(fd, &st) != 0) return cmn_RcFromErrno(errno);
  if (st.st_nlink == 0) return RC_OK;  // replaced or removed: the path must be read again
  StampFrom(st, stamp);
  return RC_OK;
}

RcT cmn_StampStoreFile(const std::string& path, cmn_FileStampS* stamp) {
  *stamp = cmn_FileStampS{};
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) {
    return (errno == ENOENT || errno == ENOTDIR) ? RC_OK : cmn_RcFromErrno(errno);
  }
  StampFrom(st, stamp);
  return RC_OK;
}

RcT cmn_ReadStoreFile(const std::string& path, std::string* content, cmn_FileStampS* stamp,
                      int* keep_fd) {
  content->clear();
  *stamp = cmn_FileStampS{};
  if (keep_fd != nullptr) *keep_fd = -1;
  cmn_UniqueFdC fd;
  struct stat st;
  RcT rc = cmn_SafeOpen(path, O_RDONLY, 0, &fd, &st);
  if (rc == cmn_RcFromErrno(ENOENT) || rc == cmn_RcFromErrno(ENOTDIR)) return RC_OK;
  if (rc != RC_OK) return rc;
  StampFrom(st, stamp);
  rc = ReadAll(fd.Get(), static_cast<size_t>(st.st_size), content);
  if (rc == RC_OK && keep_fd != nullptr) *keep_fd = fd.Release();
  return rc;
}

RcT cmn_EditStoreFile(const std::string& path, mode_t create_mode, mode_t dir_mode,
                      const std::function<bool(std::string* content)>& edit, cmn_FileStampS* stamp,
                      std::string* content, bool* written, std::string* error) {
  if (written != nullptr) *written = false;
  // First without any lock: a change that changes nothing ends here.
  std::string first_text, first_edited;
  {
    cmn_FileStampS now;
    RcT rc = cmn_ReadStoreFile(path, &first_text, &now);
    if (rc != RC_OK) return Fail(rc, path, Reason(rc, ErrnoOf(rc)), error);
    first_edited = first_text;
    if (!edit(&first_edited)) {
      if (stamp != nullptr) *stamp = now;
      if (content != nullptr) *content = std::move(first_text);
      return RC_OK;
    }
  }

  // Then under the writers' lock.
  cmn_UniqueFdC dir;
  std::string leaf;
  RcT rc = cmn_SafeOpenParent(path, &dir, &leaf);
  if (rc == cmn_RcFromErrno(ENOENT) && dir_mode != 0) {
    if (RcT made = MakeParents(path, dir_mode); made != RC_OK) {
      return Fail(made, path, "cannot create its directory: " + Reason(made, ErrnoOf(made)), error);
    }
    rc = cmn_SafeOpenParent(path, &dir, &leaf);
  }
  if (rc == cmn_RcFromErrno(ENOENT)) return Fail(rc, path, "its directory does not exist", error);
  if (rc != RC_OK) return Fail(rc, path, Reason(rc, ErrnoOf(rc)), error);

  WriterLockC lock;
  std::string why;
  if (RcT r = lock.Take(dir.Get(), leaf, path, &why); r != RC_OK) return Fail(r, path, why, error);
  RemoveStaleTemporaries(dir.Get(), leaf, lock.Since());

  cmn_UniqueFdC fd;
  struct stat current;
  bool exists = true;
  rc = cmn_SafeOpenAt(dir.Get(), leaf, O_RDONLY, 0, &fd, path, &current);
  if (rc == cmn_RcFromErrno(ENOENT)) {
    exists = false;
  } else if (rc != RC_OK) {
    return Fail(rc, path, Reason(rc, ErrnoOf(rc)), error);
  }
  std::string text;
  if (exists) {
    if (RcT r = ReadAll(fd.Get(), static_cast<size_t>(current.st_size), &text); r != RC_OK)
      return Fail(r, path, Reason(r, ErrnoOf(r)), error);
  }
  // Unchanged since the first look (the usual case): its result stands.
  bool changed;
  if (text == first_text) {
    text = std::move(first_edited);
    changed = true;
  } else {
    changed = edit(&text);
  }
  if (changed) {
    if (RcT r = ReplaceFile(dir.Get(), leaf, exists ? &current : nullptr, create_mode, text);
        r != RC_OK) {
      return Fail(r, path, Reason(r, ErrnoOf(r)), error);
    }
    if (written != nullptr) *written = true;
    if (stamp != nullptr) {
      struct stat now;
      if (::fstatat(dir.Get(), leaf.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0) {
        StampFrom(now, stamp);
      } else {
        *stamp = cmn_FileStampS{};
      }
    }
  } else if (stamp != nullptr) {
    *stamp = cmn_FileStampS{};
    if (exists) StampFrom(current, stamp);
  }
  if (content != nullptr) *content = std::move(text);
  return RC_OK;  // the lock goes with its descriptor
}
