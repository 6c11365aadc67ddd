#include "os/UNIXFileSimpleSemaphoreC.h"

#include <cerrno>
#include <string>

#include "os/FileNameC.h"
#include "os/File_posix.h"
#include "os/Semaphore_posix.h"
#include "os/SleepMs.h"
#include "os/StreamErrors.h"

namespace {

StringC LockPathOf(const StringC& name) {
  StringC path = name;
  path.Append(StringC(".lock", StringC::CC_ASCII));
  return path;
}

}  // namespace

UNIXFileSimpleSemaphoreC::UNIXFileSimpleSemaphoreC(const StringC& name, int64_t initialCount,
                                                   int64_t option)
    : SimpleSemaphoreC(LockPathOf(name), initialCount, option) {}

UNIXFileSimpleSemaphoreC::~UNIXFileSimpleSemaphoreC() {
  // A destructor cannot act on a failed release; the lock goes with the descriptor.
  if (lock_ != nullptr) (void)Release();
}

bool UNIXFileSimpleSemaphoreC::IsHeld() const noexcept {
  return lock_ != nullptr;
}

int UNIXFileSimpleSemaphoreC::GetDescriptor() const noexcept {
  return lock_ != nullptr ? lock_->file.Get() : -1;
}

RcT UNIXFileSimpleSemaphoreC::LockStep(bool blocking) {
  last_error_ = RC_OK;
  std::string path;
  if (os_SystemPath(FileNameC(name_), &path) != 0) {
    last_error_ = os_RcFromErrno(EINVAL);
    return c_CannotOpen;
  }
  auto lock = std::make_unique<os_LockFileS>();
  if (RcT rc = os_LockFileOpen(path, lock.get()); rc != RC_OK) {
    // An errno's code carries the errno; a refusal explained itself in the error buffer.
    if ((rc & 0xFFFF0000u) == RC_OS_BASE) last_error_ = rc;
    return c_CannotOpen;
  }
  if (int err = os_LockFileLock(*lock, blocking); err != 0) {  // closes the file
    // EAGAIN: another process holds the lock; anything else (ENOLCK, ...) is a failure.
    if (err != EAGAIN) last_error_ = os_RcFromErrno(err);
    return c_Held;
  }
  if (os_LockFileIsCurrent(*lock) != 0) return c_Replaced;
  if (int err = os_LockFileWritePid(*lock); err != 0) {
    // The lock holds without the id; a refused caller then cannot name the holder.
    (void)os_ReportErrno(err, name_);
  }
  lock_ = std::move(lock);
  return RC_OK;
}

int UNIXFileSimpleSemaphoreC::TryAcquire() {
  if (lock_ != nullptr) return 1;
  return LockStep(false) == RC_OK ? 1 : 0;
}

int UNIXFileSimpleSemaphoreC::Acquire() {
  if (lock_ != nullptr) return 1;
  for (;;) {
    RcT rc = LockStep(true);
    if (rc != c_Replaced) return rc == RC_OK ? 1 : 0;
    SleepMs(c_RetryPauseMs);
  }
}

int UNIXFileSimpleSemaphoreC::Release() {
  if (lock_ == nullptr) return 1;
  // Only the name of the file held is removed: a file another process made under the name
  // (after ours was removed by someone else) is that process's lock.
  int err = os_LockFileRemove(*lock_);
  // Reported for the caller; the code it returns is not this function's result.
  if (err != 0 && err != ENOENT && err != ESTALE) (void)os_ReportErrno(err, name_);
  int close_err = os_LockFileClose(*lock_);
  lock_.reset();
  if (close_err != 0) {
    // Reported for the caller; the code it returns is not this function's result.
    (void)os_ReportErrno(close_err, name_);
    return 0;
  }
  return 1;
}

int32_t UNIXFileSimpleSemaphoreC::ReadHolderPid() const {
  return ReadHolderPid(name_);
}

int32_t UNIXFileSimpleSemaphoreC::ReadHolderPid(const StringC& lockFilePath) {
  std::string path;
  if (os_SystemPath(FileNameC(lockFilePath), &path) != 0) return 0;
  return os_LockFileReadPid(path);
}
