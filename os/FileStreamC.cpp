#include "os/FileStreamC.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "cmn/cmn_SafeOpen_posix.h"
#include "cmn/cmn_UniqueFdC.h"
#include "os/FileNameC.h"
#include "os/File_posix.h"
#include "os/StreamErrors.h"

namespace {

// The errno inside an operating-system result code, or 0 for any other code.
int ErrnoOf(RcT rc) noexcept {
  return (rc & 0xFFFF0000u) == RC_OS_BASE ? static_cast<int>(rc & 0xFFFFu) : 0;
}

}  // namespace

std::unique_ptr<FileStreamC> FileStreamC::Open(const FileNameC& name, int32_t mode, int32_t access,
                                               int32_t share, bool wait, RcT* rc) {
  const StringC shown = name.GetFullText();
  RcT dummy = RC_OK;
  RcT& result = rc != nullptr ? *rc : dummy;
  result = RC_OK;
  // Reports the specific failure's follow-up and gives no stream.
  auto fail = [&](RcT specific) -> std::unique_ptr<FileStreamC> {
    result = specific;
    // Reported for the caller; the code it returns is not this function's result.
    (void)os_Report(OS_E_OPEN_FILE, OS_T_OPEN_FILE, shown);
    return nullptr;
  };

  if (mode == MODE_APPEND && (access & ACCESS_WRITE) == 0) {
    result = os_Report(OS_E_APPEND_NO_WRITE, OS_T_APPEND_NO_WRITE, shown);
    return nullptr;
  }
  if (mode < MODE_APPEND || mode > MODE_TRUNCATE) return fail(os_ReportErrno(EBADF, shown));
  if (access < ACCESS_READ || access > ACCESS_READ_WRITE || share < SHARE_NONE ||
      share > SHARE_READ_WRITE) {
    return fail(os_ReportErrno(EINVAL, shown));
  }

  const bool locks = share == SHARE_NONE || share == SHARE_READ;
  const bool truncates = mode == MODE_CREATE || mode == MODE_TRUNCATE;
  bool read_write = access == ACCESS_READ_WRITE;
  // A write lock needs a writable descriptor, a read lock a readable one, and truncation a
  // writable one. Truncation always goes through the descriptor, so the file truncated is
  // the file that was opened and locked, never whatever the name points to by then.
  if (share == SHARE_NONE && access == ACCESS_READ) read_write = true;
  if (share == SHARE_READ && access == ACCESS_WRITE) read_write = true;
  if (truncates && access == ACCESS_READ) read_write = true;
  int flags = read_write ? O_RDWR : (access == ACCESS_READ ? O_RDONLY : O_WRONLY);
  switch (mode) {
    case MODE_APPEND:
      flags |= O_CREAT | O_APPEND;
      break;
    case MODE_CREATE:
      flags |= O_CREAT | (locks ? 0 : O_TRUNC);
      break;
    case MODE_CREATE_NEW:
      flags |= O_CREAT | O_EXCL;
      break;
    case MODE_OPEN:
      break;
    case MODE_OPEN_OR_CREATE:
      flags |= O_CREAT;
      break;
    case MODE_TRUNCATE:
      flags |= locks ? 0 : O_TRUNC;
      break;
    default:
      break;
  }

  std::string path;
  if (int err = os_SystemPath(name, &path); err != 0) return fail(os_ReportErrno(err, shown));
  cmn_UniqueFdC fd;
  if (RcT opened = cmn_SafeOpen(path, flags, 0666, &fd); opened != RC_OK) {
    if (opened == cmn_kPathRefused) return fail(opened);  // reported with its reason
    int err = ErrnoOf(opened);
    return fail(os_ReportErrno(err != 0 ? err : EINVAL, shown));
  }

  struct stat st;
  if (locks) {
    if (int err = os_FileStat(fd.Get(), &st); err != 0) return fail(os_ReportErrno(err, shown));
  }
  if (locks) {
    // A wait for a lock this thread holds itself through another open would never end.
    if (wait && os_ThreadHoldsConflictingLock(st.st_dev, st.st_ino, share == SHARE_NONE)) {
      return fail(os_ReportErrno(EAGAIN, shown));
    }
    if (int err = os_LockWhole(fd.Get(), share == SHARE_NONE, wait); err != 0) {
      return fail(os_ReportErrno(err, shown));
    }
    // While the lock was awaited, the name may have been given to another file; the lock
    // then protects a file nobody will find by that name.
    if (int err = os_SameFile(fd.Get(), path); err != 0) {
      return fail(os_ReportErrno(err == ESTALE ? EAGAIN : err, shown));
    }
    if (truncates) {
      if (int err = os_Truncate(fd.Get(), 0); err != 0) return fail(os_ReportErrno(err, shown));
    }
  }

  std::unique_ptr<FileStreamC> stream(new FileStreamC(fd.Release(), mode, access, share));
  if (locks) os_NoteLockHeld(stream.get(), st.st_dev, st.st_ino, share == SHARE_NONE);
  if (mode == MODE_APPEND && stream->Seek(0, 2) < 0) {
    result = RC_FAIL;
    return nullptr;
  }
  return stream;
}

FileStreamC::~FileStreamC() {
  // Best effort: a failed close leaves nothing to undo here.
  (void)Close();
}

RcT FileStreamC::Close() {
  if (fd_ < 0) return RC_OK;
  os_NoteLockReleased(this);
  int err = os_Close(fd_);
  fd_ = -1;
  return err == 0 ? RC_OK : os_ReportErrno(err);
}

bool FileStreamC::CanRead() const {
  return fd_ >= 0 && (access_ & ACCESS_READ) != 0;
}
bool FileStreamC::CanSeek() const {
  return fd_ >= 0;
}
bool FileStreamC::CanWrite() const {
  return fd_ >= 0 && (access_ & ACCESS_WRITE) != 0;
}

int64_t FileStreamC::Read(void* buffer, int64_t length) {
  if (!CanRead()) {
    // Reported for the caller; the code it returns is not this function's result.
    (void)os_Report(OS_E_STREAM_NO_READ, OS_T_STREAM_NO_READ);
    return -1;
  }
  return os_StreamRead(fd_, buffer, length);
}

int64_t FileStreamC::GetLength() {
  return os_StreamLength(fd_);
}

RcT FileStreamC::Write(const void* buffer, int64_t length) {
  if (!CanWrite()) return os_Report(OS_E_STREAM_NO_WRITE, OS_T_STREAM_NO_WRITE);
  if (length <= 0) return RC_OK;
  if (int err = os_WriteAll(fd_, buffer, static_cast<size_t>(length)); err != 0) {
    return os_ReportErrno(err);
  }
  return RC_OK;
}

RcT FileStreamC::Flush() {
  if (fd_ < 0) return os_Report(OS_E_STREAM_NO_WRITE, OS_T_STREAM_NO_WRITE);
  if (int err = os_Sync(fd_); err != 0) return os_ReportErrno(err);
  return RC_OK;
}

RcT FileStreamC::SetLength(int64_t length) {
  if (!CanWrite()) return os_Report(OS_E_STREAM_NO_RESIZE, OS_T_STREAM_NO_RESIZE);
  if (length < 0) return os_ReportErrno(EINVAL);
  if (int err = os_Truncate(fd_, length); err != 0) return os_ReportErrno(err);
  return RC_OK;
}

int64_t FileStreamC::Seek(int64_t offset, int32_t origin) {
  if (!CanSeek()) {
    // Reported for the caller; the code it returns is not this function's result.
    (void)os_Report(OS_E_STREAM_NO_SEEK, OS_T_STREAM_NO_SEEK);
    return -1;
  }
  int whence;
  switch (origin) {
    case 0:
      whence = SEEK_SET;
      break;
    case 1:
      whence = SEEK_CUR;
      break;
    case 2:
      whence = SEEK_END;
      break;
    default:
      // Reported for the caller; the code it returns is not this function's result.
      (void)os_ReportErrno(EINVAL);
      return -1;
  }
  int64_t position = 0;
  if (int err = os_Seek(fd_, offset, whence, &position); err != 0) {
    // Reported for the caller; the code it returns is not this function's result.
    (void)os_ReportErrno(err);
    return -1;
  }
  return position;
}
