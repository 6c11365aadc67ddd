#include "os/CommPipeC.h"

#include "os/File_posix.h"
#include "os/Process_posix.h"
#include "os/StreamErrors.h"

CommPipeC::EndsS CommPipeC::MakeEnds() {
  EndsS ends;
  int fds[2];
  if (int err = os_MakePipe(fds); err != 0) {
    ends.result = os_ReportErrno(err);
    return ends;
  }
  ends.read = fds[0];
  ends.write = fds[1];
  return ends;
}

CommPipeC::CommPipeC(bool inheritRead, bool inheritWrite)
    : CommPipeC(MakeEnds(), inheritRead, inheritWrite) {}

CommPipeC::CommPipeC(EndsS ends, bool inheritRead, bool inheritWrite)
    : FDInputStreamC(ends.read, true), FDOutputStreamC(ends.write, true), result_(ends.result) {
  if (ends.read >= 0) {
    // Reported for the caller; the code it returns is not this function's result.
    if (int err = os_SetCloseOnExec(ends.read, !inheritRead); err != 0) (void)os_ReportErrno(err);
  }
  if (ends.write >= 0) {
    if (int err = os_SetCloseOnExec(ends.write, !inheritWrite); err != 0) {
      // Reported for the caller; the code it returns is not this function's result.
      (void)os_ReportErrno(err);
    }
  }
}

CommPipeC::~CommPipeC() = default;
