#include "os/FDInputStreamC.h"

#include <unistd.h>

#include <cerrno>

#include "os/File_posix.h"
#include "os/StreamErrors.h"

FDInputStreamC::~FDInputStreamC() {
  // Best effort: a failed close leaves nothing to undo here.
  if (owns_ != 0 && fd_ >= 0) (void)os_Close(fd_);
}

RcT FDInputStreamC::Close() {
  if (fd_ < 0) return RC_OK;
  int err = os_Close(fd_);
  fd_ = -1;
  return err == 0 ? RC_OK : os_ReportErrno(err);
}

int64_t FDInputStreamC::Read(void* buffer, int64_t length) {
  if (fd_ < 0) {
    // Reported for the caller; the code it returns is not this function's result.
    (void)os_Report(OS_E_STREAM_NO_READ, OS_T_STREAM_NO_READ);
    return -1;
  }
  return os_StreamRead(fd_, buffer, length);
}

int64_t FDInputStreamC::GetLength() {
  return os_StreamLength(fd_);
}
