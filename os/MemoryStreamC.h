// MemoryStreamC: a stream over bytes in memory, readable and seekable; writable and resizable
// when it owns its buffer.
//
// Invariants: 0 <= length <= capacity; the position may lie beyond the length (a write there
// first extends the stream with zero bytes). Bytes of an owned buffer between the length and
// the capacity are always zero, so shortening a stream also erases what was cut off.
#ifndef QLM_OS_MEMORYSTREAMC_H_
#define QLM_OS_MEMORYSTREAMC_H_

#include <cstdint>

#include "cmn/cmn_Result.h"
#include "os/InputStreamC.h"
#include "os/OutputStreamC.h"

class MemoryStreamC : public InputStreamC, public OutputStreamC {
 public:
  // Buffers of at least this many bytes are given back when a stream shrinks to less than
  // half of them.
  static constexpr int64_t c_ShrinkThreshold = 1025;

  // An empty stream that owns a new zeroed buffer of `capacity` bytes (none for 0 or less);
  // writable and resizable.
  explicit MemoryStreamC(int64_t capacity = 0);
  // A read-only stream of `length` bytes over the caller's `buffer`, which must outlive the
  // stream and is never changed or freed by it.
  MemoryStreamC(const void* buffer, int64_t length);
  ~MemoryStreamC() override;

  // Nothing to release: the bytes stay readable after Close (a stream that collected the
  // output of a child process is read afterwards).
  [[nodiscard]] RcT Close() override;
  // Copies at most the bytes between the position and the length and advances.
  [[nodiscard]] int64_t Read(void* buffer, int64_t length) override;
  [[nodiscard]] int64_t GetLength() override;
  // Extends the stream when the write ends beyond its length, then copies and advances.
  // 0xE0CB0008 on a read-only stream; 0xE0CB000B when extension is needed and not allowed.
  [[nodiscard]] RcT Write(const void* buffer, int64_t length) override;
  // Needs a resizable, writable stream (else 0xE0CB000B). Grows into a new buffer of exactly
  // `length` bytes when the capacity is too small; gives a large owned buffer back (a new
  // buffer of exactly `length` bytes) when the stream shrinks below half of it. The position
  // is unchanged.
  [[nodiscard]] RcT SetLength(int64_t length) override;
  // Moves the position: `origin` 0 from the start, 1 from the position, 2 from the length.
  // A negative result reports 0xE0CB000A; an unknown origin fails. Returns the new position
  // or -1.
  [[nodiscard]] int64_t Seek(int64_t offset, int32_t origin);

  [[nodiscard]] bool CanRead() const override { return true; }
  [[nodiscard]] bool CanSeek() const override { return true; }
  [[nodiscard]] bool CanWrite() const override { return writable_; }

  // The bytes (GetLength() of them are the stream); valid until the next change.
  const uint8_t* GetBuffer() const noexcept { return buffer_; }
  int64_t GetCapacity() const noexcept { return capacity_; }
  int64_t GetPosition() const noexcept { return position_; }
  bool IsResizable() const noexcept { return resizable_; }

 protected:
  // `wipe`: overwrite every buffer with zeros before it is freed.
  MemoryStreamC(int64_t capacity, bool wipe);

 private:
  // Sets the length; `for_write` keeps the buffer when shrinking is not wanted and grows the
  // capacity ahead of need, so that a stream written piece by piece is copied O(log n) times.
  [[nodiscard]] RcT Resize(int64_t length, bool for_write);
  // Replaces the buffer by a new one of `capacity` bytes holding the first `keep` bytes.
  void Reallocate(int64_t capacity, int64_t keep);
  void ReleaseBuffer() noexcept;

  uint8_t* buffer_ = nullptr;
  int64_t capacity_ = 0;
  int64_t length_ = 0;
  int64_t position_ = 0;
  bool owns_buffer_ = false;
  bool writable_ = false;
  bool resizable_ = false;
  bool wipe_ = false;
};

#endif  // QLM_OS_MEMORYSTREAMC_H_
