// InputStreamC: the abstract source of bytes of the stream family.
//
// Every operation has a default that fails the way a stream without that ability fails
// (reported into the thread's error buffer with the codes of os/StreamErrors.h), so a class
// that supports only one direction overrides only what it supports and any stream may be
// passed where one direction is wanted. A failure leaves the stream usable.
//
// A stream object belongs to one thread at a time.
#ifndef QLM_OS_INPUTSTREAMC_H_
#define QLM_OS_INPUTSTREAMC_H_

#include <cstdint>

#include "cmn/cmn_Result.h"

class InputStreamC {
 public:
  InputStreamC() = default;
  InputStreamC(const InputStreamC&) = delete;
  InputStreamC& operator=(const InputStreamC&) = delete;
  // Releases whatever the stream holds (derived classes close their descriptors).
  virtual ~InputStreamC();

  // Closes the stream. Afterwards the ability tests answer false and reads fail. Closing a
  // closed stream succeeds. Default: nothing to close, returns 0.
  [[nodiscard]] virtual RcT Close();

  // Reads at most `length` bytes into `buffer` (which holds at least `length` bytes). Returns
  // the bytes read (may be fewer than asked for), 0 at the end of the input, or -1 on a
  // failure (reported). May block until data arrives (pipes, sockets). A `length` of 0 or
  // less reads nothing and returns 0. Default: reports 0xE0CB0006 and returns -1.
  [[nodiscard]] virtual int64_t Read(void* buffer, int64_t length);

  // The total length of the stream in bytes, or -1 on a failure (reported). Default: reports
  // 0xE0CB0005 and returns -1.
  [[nodiscard]] virtual int64_t GetLength();

  // Ability tests; never fail, never report. Defaults: false.
  [[nodiscard]] virtual bool CanRead() const;
  [[nodiscard]] virtual bool CanSeek() const;
  [[nodiscard]] virtual bool CanWrite() const;
};

#endif  // QLM_OS_INPUTSTREAMC_H_
