// FDInputStreamC: an input stream over a file descriptor (the read end of a pipe to a child
// process, or any descriptor the caller hands over).
#ifndef QLM_OS_FDINPUTSTREAMC_H_
#define QLM_OS_FDINPUTSTREAMC_H_

#include <cstdint>

#include "cmn/cmn_Result.h"
#include "os/InputStreamC.h"

class FDInputStreamC : public InputStreamC {
 public:
  // A stream over `fd` (-1: closed). With `owns`, the destructor closes the descriptor.
  explicit FDInputStreamC(int fd = -1, bool owns = true) noexcept : fd_(fd), owns_(owns ? 1 : 0) {}
  // Closes the descriptor when it is owned and open.
  ~FDInputStreamC() override;

  // Closes the descriptor whether owned or not (never retried: the system releases the
  // number even when close reports EINTR) and leaves the stream closed either way. A failure
  // is reported as 0xE0000000 | errno and returned. Closing a closed stream returns 0.
  [[nodiscard]] RcT Close() override;
  // One read(2) of at most `length` bytes, retried on EINTR; may block. Returns the count,
  // 0 at the end of the data, or -1 after reporting 0xE0CB0006 (closed stream) or the
  // operating-system failure.
  [[nodiscard]] int64_t Read(void* buffer, int64_t length) override;
  // The size from fstat(2); -1 after reporting 0xE0CB0005 when closed or the failure.
  [[nodiscard]] int64_t GetLength() override;

  [[nodiscard]] bool CanRead() const override { return fd_ >= 0; }

  // The descriptor, -1 when closed; still owned by the stream.
  int GetDescriptor() const noexcept { return fd_; }

 private:
  int32_t fd_;
  int32_t owns_;
};

#endif  // QLM_OS_FDINPUTSTREAMC_H_
