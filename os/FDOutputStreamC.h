// FDOutputStreamC: an output stream over a file descriptor (the write end of a pipe to a child
// process, or any descriptor the caller hands over).
#ifndef QLM_OS_FDOUTPUTSTREAMC_H_
#define QLM_OS_FDOUTPUTSTREAMC_H_

#include <cstdint>

#include "cmn/cmn_Result.h"
#include "os/OutputStreamC.h"

class FDOutputStreamC : public OutputStreamC {
 public:
  // A stream over `fd` (-1: closed). With `owns`, the destructor closes the descriptor.
  explicit FDOutputStreamC(int fd = -1, bool owns = true) noexcept : fd_(fd), owns_(owns ? 1 : 0) {}
  // Closes the descriptor when it is owned and open.
  ~FDOutputStreamC() override;

  // Closes the descriptor whether owned or not and leaves the stream closed either way. A
  // failure is reported as 0xE0000000 | errno and returned. Closing a closed stream returns 0.
  [[nodiscard]] RcT Close() override;
  // Writes every byte, continuing after short writes and EINTR; blocks while a pipe is full.
  // A pipe whose reader is gone fails with 0xE0000020 (EPIPE) instead of raising SIGPIPE.
  // A closed stream reports 0xE0CB0008. Failures are reported and returned.
  [[nodiscard]] RcT Write(const void* buffer, int64_t length) override;
  // fsync(2); descriptors that cannot be synchronised (pipes) count as done.
  [[nodiscard]] RcT Flush() override;
  // ftruncate(2); a closed stream reports 0xE0CB000B.
  [[nodiscard]] RcT SetLength(int64_t length) override;

  // The descriptor, -1 when closed; still owned by the stream.
  int GetDescriptor() const noexcept { return fd_; }

 private:
  int32_t fd_;
  int32_t owns_;
};

#endif  // QLM_OS_FDOUTPUTSTREAMC_H_
