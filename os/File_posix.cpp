#include "os/File_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "cmn/cmn_Encodings.h"
#include "cmn/cmn_MutexC.h"
#include "cmn/cmn_SafeOpen_posix.h"
#include "os/FileInfoC.h"
#include "os/FileNameC.h"

namespace {

// errno after a failed call; never 0, so a failure cannot turn into success.
int LastError() noexcept {
  return errno != 0 ? errno : EIO;
}

int OpenRetry(int dirfd, const char* path, int flags, mode_t mode) noexcept {
  int fd;
  do {
    fd = ::openat(dirfd, path, flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// The path by which the system reaches the file an O_PATH descriptor refers to.
std::string ProcPath(int fd) {
  return "/proc/self/fd/" + std::to_string(fd);
}

// Gives the directory `name` in `dirfd` owner read, write and search permission without
// following a link: the directory is pinned with an O_PATH descriptor first.
int MakeDirectoryAccessible(int dirfd, const char* name) noexcept {
  int pin = OpenRetry(dirfd, name, O_PATH | O_NOFOLLOW | O_DIRECTORY, 0);
  if (pin < 0) return LastError();
  cmn_UniqueFdC guard(pin);
  struct stat st;
  if (::fstat(pin, &st) != 0) return LastError();
  if (::chmod(ProcPath(pin).c_str(), (st.st_mode & 07777) | S_IRWXU) != 0) return LastError();
  return 0;
}

// Adds owner read, write and search permission to the open directory `fd`.
int MakeOpenDirectoryWritable(int fd) noexcept {
  struct stat st;
  if (::fstat(fd, &st) != 0) return LastError();
  if ((st.st_mode & S_IRWXU) == S_IRWXU) return EACCES;  // nothing more to give
  if (::fchmod(fd, (st.st_mode & 07777) | S_IRWXU) != 0) return LastError();
  return 0;
}

int OpenDirectoryAt(int dirfd, const char* name, bool force, int* fd) noexcept {
  const int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK;
  int opened = OpenRetry(dirfd, name, flags, 0);
  if (opened < 0 && errno == EACCES && force && MakeDirectoryAccessible(dirfd, name) == 0) {
    opened = OpenRetry(dirfd, name, flags, 0);
  }
  if (opened < 0) return LastError();
  *fd = opened;
  return 0;
}

// unlinkat with the force rule: on a permission failure the containing directory is made
// writable and the removal tried once more.
int UnlinkAt(int dirfd, const char* name, int flags, bool force) noexcept {
  if (::unlinkat(dirfd, name, flags) == 0) return 0;
  int err = LastError();
  if (err == ENOENT) return 0;
  if (force && (err == EACCES || err == EPERM) && MakeOpenDirectoryWritable(dirfd) == 0) {
    if (::unlinkat(dirfd, name, flags) == 0 || errno == ENOENT) return 0;
    err = LastError();
  }
  return err;
}

// The length of the well-formed UTF-8 sequence at `p` (Unicode's table of well-formed byte
// sequences), or 0 when the byte there does not start one.
size_t WellFormedLength(const unsigned char* p, size_t n) noexcept {
  const unsigned char b = p[0];
  if (b < 0x80) return 1;
  auto cont = [&](size_t i, unsigned char lo, unsigned char hi) {
    return i < n && p[i] >= lo && p[i] <= hi;
  };
  if (b >= 0xC2 && b <= 0xDF) return cont(1, 0x80, 0xBF) ? 2 : 0;
  if (b == 0xE0) return cont(1, 0xA0, 0xBF) && cont(2, 0x80, 0xBF) ? 3 : 0;
  if ((b >= 0xE1 && b <= 0xEC) || b == 0xEE || b == 0xEF) {
    return cont(1, 0x80, 0xBF) && cont(2, 0x80, 0xBF) ? 3 : 0;
  }
  if (b == 0xED) return cont(1, 0x80, 0x9F) && cont(2, 0x80, 0xBF) ? 3 : 0;
  if (b == 0xF0) return cont(1, 0x90, 0xBF) && cont(2, 0x80, 0xBF) && cont(3, 0x80, 0xBF) ? 4 : 0;
  if (b >= 0xF1 && b <= 0xF3) {
    return cont(1, 0x80, 0xBF) && cont(2, 0x80, 0xBF) && cont(3, 0x80, 0xBF) ? 4 : 0;
  }
  if (b == 0xF4) return cont(1, 0x80, 0x8F) && cont(2, 0x80, 0xBF) && cont(3, 0x80, 0xBF) ? 4 : 0;
  return 0;
}

// First byte of the UTF-8 form of U+DC80 to U+DCFF, and the second byte's range.
constexpr unsigned char kEscapeLead = 0xED;
constexpr unsigned char kEscapeSecondLow = 0xB2;
constexpr unsigned char kEscapeSecondHigh = 0xB3;

}  // namespace

StringC os_NameFromSystemBytes(std::string_view bytes) {
  if (cmn_SystemEncoding() == cmn_EncodingE::kLatin1) {
    return StringC(std::string(bytes).c_str(), cmn_kEncSys8);
  }
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  StringC text;
  size_t run = 0;  // start of the well-formed bytes not yet appended
  size_t i = 0;
  auto flush = [&](size_t end) {
    if (end > run) text.Append(StringC::FromUtf8(bytes.substr(run, end - run)));
  };
  while (i < n) {
    const size_t length = WellFormedLength(p + i, n - i);
    if (length != 0) {
      i += length;
      continue;
    }
    flush(i);
    text.AppendChar(static_cast<char32_t>(0xDC00u | p[i]));
    run = ++i;
  }
  flush(n);
  return text;
}

RcT os_RcFromErrno(int err) noexcept {
  if (err == 0) return RC_FAIL;
  return RC_OS_BASE | (static_cast<uint32_t>(err) & 0xFFFFu);
}

int os_SystemPath(const FileNameC& name, std::string* path) {
  StringC full = name.GetFullText();
  if (full.IsEmpty()) return ENOENT;
  if (cmn_SystemEncoding() == cmn_EncodingE::kLatin1) {
    void* bytes = full.GetBytes(cmn_kEncSys8);
    if (bytes == nullptr) return EINVAL;
    int64_t n = full.GetByteLength(cmn_kEncSys8);
    path->assign(static_cast<const char*>(bytes), n > 0 ? static_cast<size_t>(n) : 0);
    full.ReleaseBytes(bytes, cmn_kEncSys8);
  } else {
    const std::string_view text = full.Utf8View();
    path->clear();
    path->reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
      const auto b = static_cast<unsigned char>(text[i]);
      if (b == kEscapeLead && i + 2 < text.size()) {
        const auto second = static_cast<unsigned char>(text[i + 1]);
        const auto third = static_cast<unsigned char>(text[i + 2]);
        if (second >= kEscapeSecondLow && second <= kEscapeSecondHigh) {
          // U+DC80 to U+DCFF: the byte a name read from the system held.
          path->push_back(static_cast<char>(0x80u | ((second & 0x01u) << 6) | (third & 0x3Fu)));
          i += 2;
          continue;
        }
      }
      path->push_back(static_cast<char>(b));
    }
  }
  if (path->find('\0') != std::string::npos) return EINVAL;
  return 0;
}

int os_Close(int fd) noexcept {
  if (fd < 0) return EBADF;
  if (::close(fd) != 0 && errno != EINTR) return LastError();
  return 0;
}

int os_Read(int fd, void* buffer, size_t count, size_t* got) noexcept {
  ssize_t n;
  do {
    n = ::read(fd, buffer, count);
  } while (n < 0 && errno == EINTR);
  if (n < 0) return LastError();
  *got = static_cast<size_t>(n);
  return 0;
}

int os_WriteAll(int fd, const void* buffer, size_t count) noexcept {
  const auto* p = static_cast<const char*>(buffer);
  while (count > 0) {
    ssize_t n = ::write(fd, p, count);
    if (n < 0) {
      if (errno == EINTR) continue;
      return LastError();
    }
    if (n == 0) return EIO;
    p += n;
    count -= static_cast<size_t>(n);
  }
  return 0;
}

int os_Seek(int fd, int64_t offset, int whence, int64_t* position) noexcept {
  off_t r = ::lseek(fd, static_cast<off_t>(offset), whence);
  if (r < 0) return LastError();
  *position = static_cast<int64_t>(r);
  return 0;
}

int os_FileSize(int fd, int64_t* size) noexcept {
  struct stat st;
  if (::fstat(fd, &st) != 0) return LastError();
  *size = static_cast<int64_t>(st.st_size);
  return 0;
}

int os_FileStat(int fd, struct stat* st) noexcept {
  return ::fstat(fd, st) == 0 ? 0 : LastError();
}

int os_Truncate(int fd, int64_t length) noexcept {
  int r;
  do {
    r = ::ftruncate(fd, static_cast<off_t>(length));
  } while (r != 0 && errno == EINTR);
  return r == 0 ? 0 : LastError();
}

int os_Sync(int fd) noexcept {
  int r;
  do {
    r = ::fsync(fd);
  } while (r != 0 && errno == EINTR);
  if (r == 0 || errno == EINVAL || errno == EROFS) return 0;
  return LastError();
}

int os_LockWhole(int fd, bool exclusive, bool wait) noexcept {
  struct flock lock {};
  lock.l_type = static_cast<short>(exclusive ? F_WRLCK : F_RDLCK);
  lock.l_whence = SEEK_SET;
  lock.l_start = 0;
  lock.l_len = 0;  // to the end of the file, however long it grows
  lock.l_pid = 0;
  bool open_file_locks = true;
  for (;;) {
    int cmd = open_file_locks ? (wait ? F_OFD_SETLKW : F_OFD_SETLK) : (wait ? F_SETLKW : F_SETLK);
    if (::fcntl(fd, cmd, &lock) == 0) return 0;
    int err = LastError();
    if (err == EINTR) continue;
    if (err == EINVAL && open_file_locks) {
      open_file_locks = false;  // a kernel without open-file-description locks
      continue;
    }
    if (err == EACCES) err = EAGAIN;
    return err;
  }
}

namespace {

struct NotedLockS {
  const void* owner;
  dev_t dev;
  ino_t ino;
  bool exclusive;
  std::thread::id thread;
};

cmn_MutexC& NotedLocksMutex() {
  static cmn_MutexC* mutex = new cmn_MutexC();  // used until the process ends
  return *mutex;
}

std::vector<NotedLockS>& NotedLocks() QLM_REQUIRES(NotedLocksMutex()) {
  static auto* locks = new std::vector<NotedLockS>();
  return *locks;
}

}  // namespace

void os_NoteLockHeld(const void* owner, dev_t dev, ino_t ino, bool exclusive) {
  cmn_MutexLockC guard(NotedLocksMutex());
  NotedLocks().push_back({owner, dev, ino, exclusive, std::this_thread::get_id()});
}

void os_NoteLockReleased(const void* owner) noexcept {
  cmn_MutexLockC guard(NotedLocksMutex());
  auto& locks = NotedLocks();
  locks.erase(std::remove_if(locks.begin(), locks.end(),
                             [owner](const NotedLockS& lock) { return lock.owner == owner; }),
              locks.end());
}

bool os_ThreadHoldsConflictingLock(dev_t dev, ino_t ino, bool exclusive) noexcept {
  cmn_MutexLockC guard(NotedLocksMutex());
  const std::thread::id self = std::this_thread::get_id();
  for (const NotedLockS& lock : NotedLocks()) {
    if (lock.dev == dev && lock.ino == ino && lock.thread == self &&
        (exclusive || lock.exclusive)) {
      return true;
    }
  }
  return false;
}

int os_SameFile(int fd, const std::string& path) noexcept {
  struct stat by_fd;
  struct stat by_name;
  if (::fstat(fd, &by_fd) != 0) return LastError();
  if (::stat(path.c_str(), &by_name) != 0) return LastError();
  if (by_fd.st_dev != by_name.st_dev || by_fd.st_ino != by_name.st_ino) return ESTALE;
  return 0;
}

int os_Stat(const std::string& path, bool follow, struct stat* st) noexcept {
  int r;
  do {
    r = follow ? ::stat(path.c_str(), st) : ::lstat(path.c_str(), st);
  } while (r != 0 && errno == EINTR);
  return r == 0 ? 0 : LastError();
}

int os_Access(const std::string& path, int mode) noexcept {
  return ::access(path.c_str(), mode) == 0 ? 0 : LastError();
}

int os_TryOpen(const std::string& path, int flags) noexcept {
  int fd = OpenRetry(AT_FDCWD, path.c_str(), flags | O_NONBLOCK | O_NOCTTY, 0);
  if (fd < 0) return LastError();
  os_Close(fd);
  return 0;
}

int os_ReadLink(const std::string& path, std::string* target) {
  char buffer[4096];
  ssize_t n;
  do {
    n = ::readlink(path.c_str(), buffer, sizeof buffer);
  } while (n < 0 && errno == EINTR);
  if (n < 0) return LastError();
  if (static_cast<size_t>(n) >= sizeof buffer) return ENAMETOOLONG;
  target->assign(buffer, static_cast<size_t>(n));
  return 0;
}

int os_MakeDirectory(const std::string& path) noexcept {
  return ::mkdir(path.c_str(), 0777) == 0 ? 0 : LastError();
}

int os_RemoveDirectory(const std::string& path) noexcept {
  const int err = ::rmdir(path.c_str()) == 0 ? 0 : LastError();
  cmn_SafeOpenForgetDirectories();
  return err;
}

int os_Unlink(const std::string& path) noexcept {
  return ::unlink(path.c_str()) == 0 ? 0 : LastError();
}

int os_Rename(const std::string& from, const std::string& to) noexcept {
  const int err = ::rename(from.c_str(), to.c_str()) == 0 ? 0 : LastError();
  cmn_SafeOpenForgetDirectories();
  return err;
}

int os_ChangeDirectory(const std::string& path) noexcept {
  return ::chdir(path.c_str()) == 0 ? 0 : LastError();
}

int os_GetCurrentDirectory(std::string* path) {
  std::vector<char> buffer(4096);
  for (;;) {
    if (::getcwd(buffer.data(), buffer.size()) != nullptr) {
      path->assign(buffer.data());
      return 0;
    }
    if (errno != ERANGE || buffer.size() >= (size_t{1} << 20)) return LastError();
    buffer.resize(buffer.size() * 2);
  }
}

int os_SetModificationTime(const std::string& path, int64_t seconds) noexcept {
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = static_cast<time_t>(seconds);
  times[1].tv_nsec = 0;
  return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0 ? 0 : LastError();
}

int os_ChangeMode(const std::string& path, mode_t mode) noexcept {
  return ::chmod(path.c_str(), mode) == 0 ? 0 : LastError();
}

int os_ChangeModeNoFollow(const std::string& path, mode_t mode) noexcept {
  int pin = OpenRetry(AT_FDCWD, path.c_str(), O_PATH | O_NOFOLLOW, 0);
  if (pin < 0) return LastError();
  cmn_UniqueFdC guard(pin);
  struct stat st;
  if (::fstat(pin, &st) != 0) return LastError();
  if (S_ISLNK(st.st_mode)) return ELOOP;
  return ::chmod(ProcPath(pin).c_str(), mode) == 0 ? 0 : LastError();
}

int os_CopyAttributes(const std::string& from, const std::string& to) noexcept {
  struct stat source;
  if (os_Stat(from, true, &source) != 0) return LastError();
  int fd = OpenRetry(AT_FDCWD, to.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY, 0);
  if (fd < 0) return LastError();
  cmn_UniqueFdC guard(fd);
  struct stat target;
  if (::fstat(fd, &target) != 0) return LastError();
  // Owner first: changing the owner clears set-user-id and set-group-id bits, which the mode
  // then restores.
  if ((target.st_uid != source.st_uid || target.st_gid != source.st_gid) &&
      ::fchown(fd, source.st_uid, source.st_gid) != 0) {
    return LastError();
  }
  if (::fchmod(fd, source.st_mode & 07777) != 0) return LastError();
  return 0;
}

int os_OpenVerified(const std::string& path, int flags, mode_t mode, cmn_UniqueFdC* fd) noexcept {
  int raw = OpenRetry(AT_FDCWD, path.c_str(), flags | O_NOFOLLOW, mode);
  if (raw < 0) return LastError();
  cmn_UniqueFdC opened(raw);
  struct stat by_fd;
  struct stat by_name;
  if (::fstat(raw, &by_fd) != 0) return LastError();
  if (::lstat(path.c_str(), &by_name) != 0) return LastError();
  if (by_fd.st_dev != by_name.st_dev || by_fd.st_ino != by_name.st_ino) return ESTALE;
  *fd = std::move(opened);
  return 0;
}

int os_CreateExclusive(const std::string& path, cmn_UniqueFdC* fd) noexcept {
  int raw = OpenRetry(AT_FDCWD, path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0666);
  if (raw < 0) return LastError();
  fd->Reset(raw);
  return 0;
}

int os_MakeSymbolicLink(const std::string& target, const std::string& path) noexcept {
  return ::symlink(target.c_str(), path.c_str()) == 0 ? 0 : LastError();
}

std::string os_TemporaryDirectory() {
  const char* env = ::secure_getenv("TMPDIR");
  if (env != nullptr && env[0] != '\0') {
    struct stat st;
    if (::stat(env, &st) == 0 && S_ISDIR(st.st_mode) && ::access(env, W_OK | X_OK) == 0) {
      return env;
    }
  }
  return "/tmp";
}

int os_RemoveTree(const std::string& path, bool self, bool force) noexcept {
  // Whatever the outcome, directories remembered by the safe open may be gone.
  struct ForgetS {
    ~ForgetS() { cmn_SafeOpenForgetDirectories(); }
  } forget;
  struct FrameS {
    os_DirectoryReaderC reader;
    std::string name;  // the directory's name in its parent's directory
  };
  std::vector<FrameS> stack;
  {
    int top = -1;
    int err = OpenDirectoryAt(AT_FDCWD, path.c_str(), force, &top);
    if (err != 0) return err;
    FrameS frame;
    err = frame.reader.Open(top, ".");
    os_Close(top);
    if (err != 0) return err;
    stack.push_back(std::move(frame));
  }
  while (!stack.empty()) {
    FrameS& frame = stack.back();
    os_DirectoryReaderC::EntryS entry;
    bool done = false;
    if (int err = frame.reader.Next(&entry, &done); err != 0) return err;
    if (done) {
      std::string name = std::move(frame.name);
      stack.pop_back();
      if (!stack.empty()) {
        if (int err = UnlinkAt(stack.back().reader.Fd(), name.c_str(), AT_REMOVEDIR, force);
            err != 0) {
          return err;
        }
      }
      continue;
    }
    const int dirfd = frame.reader.Fd();
    if (entry.type != FileInfoC::TYPE_DIRECTORY) {
      int err = UnlinkAt(dirfd, entry.name.c_str(), 0, force);
      if (err == 0) continue;
      if (err != EISDIR) return err;
      // Replaced by a directory since it was read: descend into it instead.
    }
    int child = -1;
    int err = OpenDirectoryAt(dirfd, entry.name.c_str(), force, &child);
    if (err == ELOOP || err == ENOTDIR) {
      // Not a directory (any more): a link or file swapped in. Remove the entry itself.
      if (int e = UnlinkAt(dirfd, entry.name.c_str(), 0, force); e != 0) return e;
      continue;
    }
    if (err != 0) return err;
    FrameS next;
    err = next.reader.Open(child, ".");
    os_Close(child);
    if (err != 0) return err;
    next.name = std::move(entry.name);
    stack.push_back(std::move(next));
  }
  if (!self) return 0;
  if (::rmdir(path.c_str()) == 0) return 0;
  return LastError();
}

int os_OpenDirectoryAt(int dirfd, const std::string& name, bool follow, int* fd) noexcept {
  const int flags = O_RDONLY | O_DIRECTORY | O_NONBLOCK | (follow ? 0 : O_NOFOLLOW);
  int opened = OpenRetry(dirfd, name.c_str(), flags, 0);
  if (opened < 0) return LastError();
  *fd = opened;
  return 0;
}

int os_MakeDirectoryAt(int dirfd, const std::string& name) noexcept {
  return ::mkdirat(dirfd, name.c_str(), 0777) == 0 ? 0 : LastError();
}

int os_ReadLinkAt(int dirfd, const std::string& name, std::string* target) {
  char buffer[4096];
  ssize_t n;
  do {
    n = ::readlinkat(dirfd, name.c_str(), buffer, sizeof buffer);
  } while (n < 0 && errno == EINTR);
  if (n < 0) return LastError();
  if (static_cast<size_t>(n) >= sizeof buffer) return ENAMETOOLONG;
  target->assign(buffer, static_cast<size_t>(n));
  return 0;
}

int os_MakeSymbolicLinkAt(const std::string& target, int dirfd, const std::string& name) noexcept {
  return ::symlinkat(target.c_str(), dirfd, name.c_str()) == 0 ? 0 : LastError();
}

int os_AllowOwnerWriteAt(int dirfd, const std::string& name) noexcept {
  int pin = OpenRetry(dirfd, name.c_str(), O_PATH | O_NOFOLLOW, 0);
  if (pin < 0) return LastError();
  cmn_UniqueFdC guard(pin);
  struct stat st;
  if (::fstat(pin, &st) != 0) return LastError();
  if (S_ISLNK(st.st_mode)) return ELOOP;
  if ((st.st_mode & S_IRUSR) == 0 || (st.st_mode & S_IWUSR) != 0) return 0;
  // chmod of the pinned file itself (fchmod does not take an O_PATH descriptor).
  return ::chmod(ProcPath(pin).c_str(), (st.st_mode & 07777) | S_IWUSR) == 0 ? 0 : LastError();
}

int os_IsWithin(int fd, dev_t dev, ino_t ino, bool* within) noexcept {
  *within = false;
  int current = OpenRetry(fd, ".", O_PATH | O_DIRECTORY, 0);
  if (current < 0) return LastError();
  cmn_UniqueFdC current_guard(current);
  struct stat here;
  if (::fstat(current, &here) != 0) return LastError();
  // The depth of a path is bounded by PATH_MAX; a loop that does not reach the root is an
  // error, not a hang.
  for (int depth = 0; depth < 4096; ++depth) {
    if (here.st_dev == dev && here.st_ino == ino) {
      *within = true;
      return 0;
    }
    int parent = OpenRetry(current_guard.Get(), "..", O_PATH | O_DIRECTORY, 0);
    if (parent < 0) return LastError();
    cmn_UniqueFdC parent_guard(parent);
    struct stat above;
    if (::fstat(parent, &above) != 0) return LastError();
    if (above.st_dev == here.st_dev && above.st_ino == here.st_ino) return 0;  // the root
    current_guard = std::move(parent_guard);
    here = above;
  }
  return ELOOP;
}

// --- os_DirectoryReaderC -------------------------------------------------------------------

int os_DirectoryReaderC::Open(int dirfd, const std::string& path) noexcept {
  Close();
  int fd = OpenRetry(dirfd, path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK, 0);
  if (fd < 0) return LastError();
  DIR* dir = ::fdopendir(fd);
  if (dir == nullptr) {
    int err = LastError();
    os_Close(fd);
    return err;
  }
  dir_ = dir;
  return 0;
}

int os_DirectoryReaderC::Open(const std::string& path) noexcept {
  return Open(AT_FDCWD, path);
}

int os_DirectoryReaderC::Next(EntryS* entry, bool* done) {
  *done = false;
  if (dir_ == nullptr) return EBADF;
  DIR* dir = static_cast<DIR*>(dir_);
  for (;;) {
    errno = 0;
    struct dirent* d = ::readdir(dir);
    if (d == nullptr) {
      if (errno != 0) return errno;
      *done = true;
      return 0;
    }
    if (std::strcmp(d->d_name, ".") == 0 || std::strcmp(d->d_name, "..") == 0) continue;
    struct stat st;
    if (::fstatat(::dirfd(dir), d->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno == ENOENT) continue;  // removed since the directory was read
      return LastError();
    }
    entry->name.assign(d->d_name);
    entry->type = os_FileTypeOf(st.st_mode);
    return 0;
  }
}

int os_DirectoryReaderC::Fd() const noexcept {
  return dir_ != nullptr ? ::dirfd(static_cast<DIR*>(dir_)) : -1;
}

void os_DirectoryReaderC::Close() noexcept {
  if (dir_ != nullptr) ::closedir(static_cast<DIR*>(dir_));
  dir_ = nullptr;
}

os_DirectoryReaderC::os_DirectoryReaderC(os_DirectoryReaderC&& other) noexcept : dir_(other.dir_) {
  other.dir_ = nullptr;
}

os_DirectoryReaderC& os_DirectoryReaderC::operator=(os_DirectoryReaderC&& other) noexcept {
  if (this != &other) {
    Close();
    dir_ = other.dir_;
    other.dir_ = nullptr;
  }
  return *this;
}

os_DirectoryReaderC::~os_DirectoryReaderC() {
  Close();
}

int os_FileTypeOf(mode_t mode) noexcept {
  if (S_ISREG(mode)) return FileInfoC::TYPE_REGULAR;
  if (S_ISDIR(mode)) return FileInfoC::TYPE_DIRECTORY;
  if (S_ISCHR(mode)) return FileInfoC::TYPE_CHARACTER_DEVICE;
  if (S_ISBLK(mode)) return FileInfoC::TYPE_BLOCK_DEVICE;
  if (S_ISFIFO(mode)) return FileInfoC::TYPE_FIFO;
  if (S_ISLNK(mode)) return FileInfoC::TYPE_SYMBOLIC_LINK;
  if (S_ISSOCK(mode)) return FileInfoC::TYPE_SOCKET;
  return FileInfoC::TYPE_OTHER;
}
