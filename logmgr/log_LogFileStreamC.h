// log_LogFileStreamC: the output stream under the log file's text writer, over a descriptor of
// a regular file opened with O_APPEND.
//
// Each Write is one write(2) (continued only after a short write or a signal), so a line
// handed over whole lands whole at the end of the file even while other processes append to
// it. A regular file cannot raise SIGPIPE, so unlike a stream over a pipe nothing is done
// about signals around the write.
#ifndef QLM_LOG_LOG_LOGFILESTREAMC_H_
#define QLM_LOG_LOG_LOGFILESTREAMC_H_

#include <cstdint>

#include "cmn/cmn_Result.h"
#include "cmn/cmn_UniqueFdC.h"
#include "os/OutputStreamC.h"

class log_LogFileStreamC final : public OutputStreamC {
 public:
  // Takes ownership of `fd`.
  explicit log_LogFileStreamC(cmn_UniqueFdC fd) noexcept : fd_(std::move(fd)) {}
  // Closes the descriptor.
  ~log_LogFileStreamC() override;

  // Closes the descriptor; closing a closed stream returns 0. Reports nothing.
  [[nodiscard]] RcT Close() override;
  // Writes all `length` bytes: 0, or 0xE0000000 | errno (not reported; the caller is the
  // log, which keeps its failures to itself). May block on the file system.
  [[nodiscard]] RcT Write(const void* buffer, int64_t length) override;
  // fsync(2).
  [[nodiscard]] RcT Flush() override;

  int GetDescriptor() const noexcept { return fd_.Get(); }

 private:
  cmn_UniqueFdC fd_;
};

#endif  // QLM_LOG_LOG_LOGFILESTREAMC_H_
