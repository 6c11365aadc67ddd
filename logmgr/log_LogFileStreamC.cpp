#include "logmgr/log_LogFileStreamC.h"

#include <cerrno>

#include "os/File_posix.h"

log_LogFileStreamC::~log_LogFileStreamC() = default;

RcT log_LogFileStreamC::Close() {
  if (!fd_.IsValid()) return RC_OK;
  const int err = os_Close(fd_.Release());
  return err == 0 ? RC_OK : os_RcFromErrno(err);
}

RcT log_LogFileStreamC::Write(const void* buffer, int64_t length) {
  if (!fd_.IsValid()) return os_RcFromErrno(EBADF);
  if (length <= 0) return RC_OK;
  const int err = os_WriteAll(fd_.Get(), buffer, static_cast<size_t>(length));
  return err == 0 ? RC_OK : os_RcFromErrno(err);
}

RcT log_LogFileStreamC::Flush() {
  if (!fd_.IsValid()) return os_RcFromErrno(EBADF);
  const int err = os_Sync(fd_.Get());
  return err == 0 ? RC_OK : os_RcFromErrno(err);
}
