// FileStreamC: a file opened for reading, writing or both, with a share setting that it
// enforces with a whole-file record lock for as long as it is open.
//
// Files are opened through the checked open of the common-services layer: the last component
// of the name is never followed when it is a symbolic link, only regular files are accepted,
// and (for root) the path must not be changeable by other users. Every descriptor is opened
// close-on-exec.
#ifndef QLM_OS_FILESTREAMC_H_
#define QLM_OS_FILESTREAMC_H_

#include <cstdint>
#include <memory>

#include "cmn/cmn_Result.h"
#include "os/InputStreamC.h"
#include "os/OutputStreamC.h"

class FileNameC;

class FileStreamC final : public InputStreamC, public OutputStreamC {
 public:
  // Modes: what happens to a missing or existing file.
  static constexpr int32_t MODE_APPEND = 0;          // create if missing, write at the end
  static constexpr int32_t MODE_CREATE = 1;          // create if missing, truncate
  static constexpr int32_t MODE_CREATE_NEW = 2;      // create; fail if it exists
  static constexpr int32_t MODE_OPEN = 3;            // must exist
  static constexpr int32_t MODE_OPEN_OR_CREATE = 4;  // create if missing
  static constexpr int32_t MODE_TRUNCATE = 5;        // must exist, truncate
  // Accesses.
  static constexpr int32_t ACCESS_READ = 1;
  static constexpr int32_t ACCESS_WRITE = 2;
  static constexpr int32_t ACCESS_READ_WRITE = 3;
  // Shares: what other opens of the file may do while this stream is open.
  static constexpr int32_t SHARE_NONE = 0;        // nothing: exclusive write lock
  static constexpr int32_t SHARE_READ = 1;        // read only: shared read lock
  static constexpr int32_t SHARE_WRITE = 2;       // anything: no lock
  static constexpr int32_t SHARE_READ_WRITE = 3;  // anything: no lock

  // Opens `name`. Returns the stream, or null after reporting the specific failure followed
  // by 0xE0CB0010 "Failed to open file '%1$S'" (append mode without write access reports only
  // 0xE0CB0009). With SHARE_NONE or SHARE_READ the lock is taken before anything else happens
  // to the file: when another open holds a conflicting lock, Open fails at once with
  // 0xE000000B unless `wait` is set, in which case it blocks until the lock is free. A file
  // that was replaced while the lock was awaited fails with 0xE000000B as well. Truncating
  // modes truncate only once the lock is held. `rc`, when not null, receives the specific code
  // (0 on success), e.g. 0xE0000011 for MODE_CREATE_NEW and an existing file.
  static std::unique_ptr<FileStreamC> Open(const FileNameC& name, int32_t mode, int32_t access,
                                           int32_t share, bool wait, RcT* rc = nullptr);

  // Closes the descriptor (dropping the lock). Always leaves the stream closed.
  [[nodiscard]] RcT Close() override;
  ~FileStreamC() override;

  // One read at the current position. -1 (reported) when closed or not readable.
  [[nodiscard]] int64_t Read(void* buffer, int64_t length) override;
  // The file's size from fstat.
  [[nodiscard]] int64_t GetLength() override;
  // Writes every byte at the current position (at the end in append mode).
  [[nodiscard]] RcT Write(const void* buffer, int64_t length) override;
  // fsync.
  [[nodiscard]] RcT Flush() override;
  // ftruncate; needs write access.
  [[nodiscard]] RcT SetLength(int64_t length) override;
  // Moves the position: `origin` 0 from the start, 1 from the current position, 2 from the
  // end. Returns the new position, or -1 (reported).
  [[nodiscard]] int64_t Seek(int64_t offset, int32_t origin);

  [[nodiscard]] bool CanRead() const override;
  [[nodiscard]] bool CanSeek() const override;
  [[nodiscard]] bool CanWrite() const override;

  int32_t GetMode() const noexcept { return mode_; }
  int32_t GetAccess() const noexcept { return access_; }
  int32_t GetShare() const noexcept { return share_; }
  // The descriptor, -1 when closed. Still owned by the stream.
  int GetDescriptor() const noexcept { return fd_; }

 private:
  FileStreamC(int fd, int32_t mode, int32_t access, int32_t share) noexcept
      : fd_(fd), mode_(mode), access_(access), share_(share) {}

  int fd_;
  int32_t mode_;
  int32_t access_;
  int32_t share_;
};

#endif  // QLM_OS_FILESTREAMC_H_
