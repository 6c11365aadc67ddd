// OutputStreamC: the abstract sink of bytes of the stream family.
//
// As with InputStreamC, every operation has a default that fails the way a stream without
// that ability fails, so one-directional classes override only what they support. A failure
// leaves the stream usable. A stream object belongs to one thread at a time.
#ifndef QLM_OS_OUTPUTSTREAMC_H_
#define QLM_OS_OUTPUTSTREAMC_H_

#include <cstdint>

#include "cmn/cmn_Result.h"

class InputStreamC;

class OutputStreamC {
 public:
  // Bytes moved per step by CopyFrom.
  static constexpr int64_t c_CopyPieceSize = 1024;

  OutputStreamC() = default;
  OutputStreamC(const OutputStreamC&) = delete;
  OutputStreamC& operator=(const OutputStreamC&) = delete;
  virtual ~OutputStreamC();

  // Closes the stream; afterwards writes fail. Closing a closed stream succeeds. Default:
  // nothing to close, returns 0.
  [[nodiscard]] virtual RcT Close();

  // Writes all `length` bytes of `buffer`: returns 0 when every byte was written, or the
  // failure code (reported) after writing possibly only a part. May block (pipes, full
  // disks). A `length` of 0 or less writes nothing and returns 0. Default: reports 0xE0CB0008
  // and returns it.
  [[nodiscard]] virtual RcT Write(const void* buffer, int64_t length);

  // Copies from the current position of `input` to this stream in pieces of at most
  // c_CopyPieceSize bytes until the end of the input or, when `maxBytes` is positive, until
  // `maxBytes` bytes were copied. Returns 0 when the copy reached its end. A failed write is
  // reported as 0xE0CB0015 and returned; a failed read returns 0x80000001 (the input reported
  // its own failure). Either way the pieces copied before stay written. `copied`, when not
  // null, receives the number of bytes written.
  [[nodiscard]] virtual RcT CopyFrom(InputStreamC& input, int64_t maxBytes,
                                     int64_t* copied = nullptr);
  // CopyFrom(input, 0): everything that is left in `input`.
  [[nodiscard]] virtual RcT CopyFrom(InputStreamC& input);

  // Pushes written data towards its final place (file streams: to the storage device). May
  // block. Default: nothing buffered, returns 0.
  [[nodiscard]] virtual RcT Flush();

  // Changes the length of the stream to `length` bytes (a longer stream is filled with zero
  // bytes); the position is unchanged. Default: reports 0xE0CB000B and returns it.
  [[nodiscard]] virtual RcT SetLength(int64_t length);
};

#endif  // QLM_OS_OUTPUTSTREAMC_H_
