#include "os/FDOutputStreamC.h"

#include <unistd.h>

#include <cerrno>

#include "os/File_posix.h"
#include "os/Process_posix.h"
#include "os/StreamErrors.h"

FDOutputStreamC::~FDOutputStreamC() {
  // Best effort: a failed close leaves nothing to undo here.
  if (owns_ != 0 && fd_ >= 0) (void)os_Close(fd_);
}

RcT FDOutputStreamC::Close() {
  if (fd_ < 0) return RC_OK;
  int err = os_Close(fd_);
  fd_ = -1;
  return err == 0 ? RC_OK : os_ReportErrno(err);
}

RcT FDOutputStreamC::Write(const void* buffer, int64_t length) {
  if (fd_ < 0) return os_Report(OS_E_STREAM_NO_WRITE, OS_T_STREAM_NO_WRITE);
  const auto* bytes = static_cast<const unsigned char*>(buffer);
  while (length > 0) {
    size_t written = 0;
    if (int err = os_WriteNoSigPipe(fd_, bytes, static_cast<size_t>(length), &written); err != 0) {
      return os_ReportErrno(err);
    }
    if (written == 0) return os_ReportErrno(EIO);  // a descriptor that takes nothing
    bytes += written;
    length -= static_cast<int64_t>(written);
  }
  return RC_OK;
}

RcT FDOutputStreamC::Flush() {
  if (fd_ < 0) return os_Report(OS_E_STREAM_NO_WRITE, OS_T_STREAM_NO_WRITE);
  if (int err = os_Sync(fd_); err != 0) return os_ReportErrno(err);
  return RC_OK;
}

RcT FDOutputStreamC::SetLength(int64_t length) {
  if (fd_ < 0) return os_Report(OS_E_STREAM_NO_RESIZE, OS_T_STREAM_NO_RESIZE);
  if (int err = os_Truncate(fd_, length); err != 0) return os_ReportErrno(err);
  return RC_OK;
}
