#include "policy/PlcMetricsFile_posix.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstring>

#include "cmn/cmn_ErrMarkC.h"
#include "cmn/cmn_SafeOpen_posix.h"
#include "cmn/cmn_Services.h"
#include "cmn/cmn_UniqueFdC.h"

namespace {

constexpr size_t kMaxPrevious = 1 << 20;

// The reason the checked open reported since `mark`, which is then dropped (the caller reports
// it in its own words).
std::string TakeReason(cmn_ErrMarkC& mark, const std::string& fallback) {
  std::string reason = mark.TakeLastText();
  return reason.empty() ? fallback : reason;
}

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

RcT PlcReadMetricsFile(const std::string& path, std::string* text) {
  text->clear();
  cmn_ErrMarkC mark;
  cmn_UniqueFdC fd;
  const RcT rc = cmn_SafeOpen(path, O_RDONLY | O_NONBLOCK, 0, &fd);
  if (rc != RC_OK) {
    mark.Rollback();
    return rc == cmn_RcFromErrno(ENOENT) ? RC_OK : rc;
  }
  char buffer[8192];
  while (text->size() < kMaxPrevious) {
    const ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int err = errno;
      text->clear();
      return cmn_RcFromErrno(err);
    }
    if (n == 0) break;
    text->append(buffer, static_cast<size_t>(n));
  }
  return RC_OK;
}

RcT PlcReplaceMetricsFile(const std::string& path, const std::string& text, std::string* reason) {
  reason->clear();
  if (::getuid() != ::geteuid()) {
    *reason = "the run's effective user is not the user who started it";
    return RC_FAIL;
  }
  cmn_ErrMarkC mark;
  cmn_UniqueFdC dir;
  std::string leaf;
  if (const RcT rc = cmn_SafeOpenParent(path, &dir, &leaf); rc != RC_OK) {
    *reason = TakeReason(mark, "its directory cannot be opened");
    return rc;
  }
  // Checked against the real user: an ordinary user's run writes only where that user may.
  if (::faccessat(dir.Get(), ".", W_OK | X_OK, 0) != 0) {
    const int err = errno;
    *reason = std::string("the directory is not writable: ") + std::strerror(err);
    return cmn_RcFromErrno(err);
  }

  const std::string temporary = "." + leaf + ".tmp." + std::to_string(::getpid());
  // A leftover of a run that died with the same process id is ours to replace.
  (void)::unlinkat(dir.Get(), temporary.c_str(), 0);
  cmn_UniqueFdC fd;
  if (const RcT rc =
          cmn_SafeOpenAt(dir.Get(), temporary, O_WRONLY | O_CREAT | O_EXCL, 0644, &fd, path);
      rc != RC_OK) {
    *reason = TakeReason(mark, "the temporary file cannot be created");
    return rc;
  }
  // The umask must not make the file unreadable for the exporter. Best effort: a refused change
  // still leaves the metrics written for this user.
  (void)::fchmod(fd.Get(), 0644);
  int err = 0;
  if (!WriteAll(fd.Get(), text) || ::fsync(fd.Get()) != 0) {
    err = errno != 0 ? errno : EIO;
  } else if (::renameat(dir.Get(), temporary.c_str(), dir.Get(), leaf.c_str()) != 0) {
    err = errno;
  }
  if (err != 0) {
    // Best effort: the write's failure is the one reported.
    (void)::unlinkat(dir.Get(), temporary.c_str(), 0);
    *reason = std::strerror(err);
    return cmn_RcFromErrno(err);
  }
  // Best effort: the rename is done; only its durability is at stake.
  (void)::fsync(dir.Get());
  return RC_OK;
}

namespace {
double Seconds(clockid_t clock) noexcept {
  struct timespec now {};
  if (::clock_gettime(clock, &now) != 0) return 0;
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}
}  // namespace

double PlcWallClockSeconds() noexcept {
  return Seconds(CLOCK_REALTIME);
}

double PlcMonotonicSeconds() noexcept {
  return Seconds(CLOCK_MONOTONIC);
}
