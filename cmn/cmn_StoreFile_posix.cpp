#include "cmn/cmn_StoreFile_posix.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>

#include "cmn/cmn_SafeOpen_posix.h"
#include "cmn/cmn_UniqueFdC.h"

namespace {

void StampFrom(const struct stat& st, cmn_FileStampS* stamp) {
  stamp->exists = true;
  stamp->dev = st.st_dev;
  stamp->ino = st.st_ino;
  stamp->size = static_cast<uint64_t>(st.st_size);
  stamp->mtime_ns = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  stamp->ctime_ns = static_cast<int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
}

RcT ReadAll(int fd, std::string* out) {
  out->clear();
  char buf[65536];
  off_t off = 0;
  for (;;) {
    ssize_t n = ::pread(fd, buf, sizeof buf, off);
    if (n < 0) {
      if (errno == EINTR) continue;
      return cmn_RcFromErrno(errno);
    }
    if (n == 0) return RC_OK;
    out->append(buf, static_cast<size_t>(n));
    off += n;
  }
}

RcT WriteAll(int fd, const std::string& data) {
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

RcT MakeParents(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos || slash == 0) return RC_OK;
  std::string dir = path.substr(0, slash);
  struct stat st;
  if (::stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode) ? RC_OK : cmn_RcFromErrno(ENOTDIR);
  if (RcT rc = MakeParents(dir); rc != RC_OK) return rc;
  if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return cmn_RcFromErrno(errno);
  return RC_OK;
}

// Writes `content` to a fresh temporary file beside `leaf` and renames it over `leaf`.
RcT ReplaceFile(int dir_fd, const std::string& leaf, const struct stat& old,
                const std::string& content) {
  std::random_device rd;
  std::string tmp;
  cmn_UniqueFdC fd;
  for (int attempt = 0; attempt < 100 && !fd.IsValid(); ++attempt) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, ".%08x", rd());
    tmp = "." + leaf + suffix;
    int raw = ::openat(dir_fd, tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                       old.st_mode & 07777);
    if (raw >= 0) {
      fd.Reset(raw);
    } else if (errno != EEXIST && errno != EINTR) {
      return cmn_RcFromErrno(errno);
    }
  }
  if (!fd.IsValid()) return cmn_RcFromErrno(EEXIST);
  RcT rc = RC_OK;
  // The new file takes the old one's mode and, when we may, its owner.
  if (::fchmod(fd.Get(), old.st_mode & 07777) != 0) rc = cmn_RcFromErrno(errno);
  if (rc == RC_OK && ::geteuid() == 0 && (old.st_uid != 0 || old.st_gid != 0) &&
      ::fchown(fd.Get(), old.st_uid, old.st_gid) != 0) {
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

}  // namespace

RcT cmn_StampStoreFile(const std::string& path, cmn_FileStampS* stamp) {
  *stamp = cmn_FileStampS{};
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) {
    return (errno == ENOENT || errno == ENOTDIR) ? RC_OK : cmn_RcFromErrno(errno);
  }
  StampFrom(st, stamp);
  return RC_OK;
}

RcT cmn_ReadStoreFile(const std::string& path, std::string* content, cmn_FileStampS* stamp) {
  content->clear();
  *stamp = cmn_FileStampS{};
  cmn_UniqueFdC fd;
  RcT rc = cmn_SafeOpen(path, O_RDONLY, 0, &fd);
  if (rc == cmn_RcFromErrno(ENOENT)) return RC_OK;
  if (rc != RC_OK) return rc;
  struct stat st;
  if (::fstat(fd.Get(), &st) != 0) return cmn_RcFromErrno(errno);
  StampFrom(st, stamp);
  return ReadAll(fd.Get(), content);
}

RcT cmn_EditStoreFile(const std::string& path, mode_t create_mode, bool create_dirs,
                      const std::function<bool(std::string* content)>& edit, cmn_FileStampS* stamp,
                      std::string* content) {
  cmn_UniqueFdC dir;
  std::string leaf;
  RcT rc = cmn_SafeOpenParent(path, &dir, &leaf);
  if (rc == cmn_RcFromErrno(ENOENT) && create_dirs) {
    if (RcT made = MakeParents(path); made != RC_OK) return made;
    rc = cmn_SafeOpenParent(path, &dir, &leaf);
  }
  if (rc != RC_OK) return rc;

  // The lock is taken on the directory, which stays put while files are renamed over each
  // other, so writers queue on one lock instead of chasing replaced inodes.
  int lr;
  do {
    lr = ::flock(dir.Get(), LOCK_EX);
  } while (lr != 0 && errno == EINTR);
  if (lr != 0) return cmn_RcFromErrno(errno);

  cmn_UniqueFdC fd;
  rc = cmn_SafeOpenAt(dir.Get(), leaf, O_RDWR | O_CREAT, create_mode, &fd, path);
  if (rc != RC_OK) return rc;
  struct stat current;
  if (::fstat(fd.Get(), &current) != 0) return cmn_RcFromErrno(errno);
  std::string text;
  if (RcT r = ReadAll(fd.Get(), &text); r != RC_OK) return r;
  if (edit(&text)) {
    if (RcT r = ReplaceFile(dir.Get(), leaf, current, text); r != RC_OK) return r;
    if (stamp != nullptr) {
      struct stat now;
      if (::fstatat(dir.Get(), leaf.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0) {
        StampFrom(now, stamp);
      } else {
        *stamp = cmn_FileStampS{};
      }
    }
  } else if (stamp != nullptr) {
    StampFrom(current, stamp);
  }
  if (content != nullptr) *content = std::move(text);
  return RC_OK;  // the lock goes with the directory descriptor
}
