// StreamC: an event stream that carries bytes, with reading, writing, readiness tests and
// closing.
#ifndef QLM_NET_STREAMC_H_
#define QLM_NET_STREAMC_H_

#include <cstddef>

#include "net/EventStreamC.h"
#include "net/NetErrors.h"

class StreamC : public EventStreamC {
 public:
  ~StreamC() override;
  const char* TypeName() const noexcept override { return "StreamC"; }

  // Reads up to `size` bytes into `buffer` with receive `flags`. Success: 0 and `*got` bytes
  // (0 at the end of the stream). Failure: an error code (also stored as the last error and
  // notified), `*got` 0. A non-blocking stream with nothing to read fails with the code of
  // EAGAIN. Blocks on a blocking stream.
  [[nodiscard]] virtual RcT Read(void* buffer, size_t size, int flags, size_t* got) = 0;
  // Writes up to `size` bytes. Success: 0 and `*written` bytes (maybe fewer than `size`).
  // Failure as for Read.
  [[nodiscard]] virtual RcT Write(const void* data, size_t size, size_t* written) = 0;
  // True when a read would not block (answered from this pass's readiness when known).
  virtual bool IsReadable() = 0;
  // True when a write would not block.
  virtual bool IsWritable() = 0;
  // Closes the underlying descriptor; later reads and writes fail. Returns 0 or the close
  // error. Closing a closed stream does nothing and returns 0.
  [[nodiscard]] virtual RcT Close() = 0;

  // Reads or writes everything, polling nothing (for blocking streams): fails at the first
  // error; a read that meets the end early fails with RC_NET_NO_ERRNO.
  [[nodiscard]] RcT ReadAll(void* buffer, size_t size);
  [[nodiscard]] RcT WriteAll(const void* data, size_t size);

 protected:
  StreamC() = default;
};

#endif  // QLM_NET_STREAMC_H_
