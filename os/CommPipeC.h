// CommPipeC: an anonymous pipe seen as an input stream (its read end) and an output stream
// (its write end), both owning their descriptors. Connects a child's standard stream to the
// stream classes.
#ifndef QLM_OS_COMMPIPEC_H_
#define QLM_OS_COMMPIPEC_H_

#include "cmn/cmn_Result.h"
#include "os/FDInputStreamC.h"
#include "os/FDOutputStreamC.h"

class CommPipeC : public FDInputStreamC, public FDOutputStreamC {
 public:
  // Creates the pipe. Each end is inheritable by an exec'd child when its flag is true and
  // close-on-exec otherwise. When the pipe cannot be made both ends are -1 (see GetResult);
  // a failing flag change is reported and the descriptor stays in use.
  CommPipeC(bool inheritRead, bool inheritWrite);
  ~CommPipeC() override;

  // 0, or the failure of creating the pipe (0xE0000000 | errno).
  [[nodiscard]] RcT GetResult() const noexcept { return result_; }
  int GetReadFd() const noexcept { return FDInputStreamC::GetDescriptor(); }
  int GetWriteFd() const noexcept { return FDOutputStreamC::GetDescriptor(); }
  // Closes one end; see FDInputStreamC::Close and FDOutputStreamC::Close.
  [[nodiscard]] RcT CloseRead() { return FDInputStreamC::Close(); }
  [[nodiscard]] RcT CloseWrite() { return FDOutputStreamC::Close(); }

 private:
  struct EndsS {
    int read = -1;
    int write = -1;
    RcT result = RC_OK;
  };
  CommPipeC(EndsS ends, bool inheritRead, bool inheritWrite);
  static EndsS MakeEnds();

  RcT result_;
};

#endif  // QLM_OS_COMMPIPEC_H_
