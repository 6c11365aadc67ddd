#include "os/MemoryStreamC.h"

#include <string.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "cmn/cmn_Check.h"
#include "os/StreamErrors.h"

namespace {

// Larger buffers than this are not asked for: the length would not fit the address space.
constexpr int64_t kMaxCapacity = std::numeric_limits<int64_t>::max() / 4;

}  // namespace

MemoryStreamC::MemoryStreamC(int64_t capacity) : MemoryStreamC(capacity, false) {}

MemoryStreamC::MemoryStreamC(int64_t capacity, bool wipe)
    : owns_buffer_(true), writable_(true), resizable_(true), wipe_(wipe) {
  if (capacity > 0) Reallocate(std::min(capacity, kMaxCapacity), 0);
}

MemoryStreamC::MemoryStreamC(const void* buffer, int64_t length)
    // The stream never writes through this pointer: it is neither writable nor resizable.
    : buffer_(static_cast<uint8_t*>(const_cast<void*>(buffer))),
      capacity_(buffer != nullptr ? std::max<int64_t>(length, 0) : 0),
      length_(capacity_) {}

MemoryStreamC::~MemoryStreamC() {
  ReleaseBuffer();
}

void MemoryStreamC::ReleaseBuffer() noexcept {
  if (owns_buffer_ && buffer_ != nullptr) {
    if (wipe_) ::explicit_bzero(buffer_, static_cast<size_t>(capacity_));
    delete[] buffer_;
  }
  buffer_ = nullptr;
  capacity_ = 0;
}

void MemoryStreamC::Reallocate(int64_t capacity, int64_t keep) {
  uint8_t* fresh = capacity > 0 ? new uint8_t[static_cast<size_t>(capacity)]() : nullptr;
  if (keep > 0) std::memcpy(fresh, buffer_, static_cast<size_t>(keep));
  ReleaseBuffer();
  buffer_ = fresh;
  capacity_ = capacity;
  owns_buffer_ = true;
}

RcT MemoryStreamC::Close() {
  return RC_OK;
}

int64_t MemoryStreamC::GetLength() {
  return length_;
}

int64_t MemoryStreamC::Read(void* buffer, int64_t length) {
  if (length <= 0 || position_ >= length_) return 0;
  int64_t count = std::min(length, length_ - position_);
  std::memcpy(buffer, buffer_ + position_, static_cast<size_t>(count));
  position_ += count;
  return count;
}

RcT MemoryStreamC::Write(const void* buffer, int64_t length) {
  if (!writable_) return os_Report(OS_E_STREAM_NO_WRITE, OS_T_STREAM_NO_WRITE);
  if (length <= 0) return RC_OK;
  if (length > kMaxCapacity - position_) return os_ReportErrno(EFBIG);
  const int64_t end = position_ + length;
  if (end > length_) {
    if (RcT rc = Resize(end, true); rc != RC_OK) return rc;
  }
  std::memcpy(buffer_ + position_, buffer, static_cast<size_t>(length));
  position_ = end;
  return RC_OK;
}

RcT MemoryStreamC::SetLength(int64_t length) {
  return Resize(length, false);
}

RcT MemoryStreamC::Resize(int64_t length, bool for_write) {
  if (!resizable_ || !writable_) return os_Report(OS_E_STREAM_NO_RESIZE, OS_T_STREAM_NO_RESIZE);
  if (length < 0) return os_ReportErrno(EINVAL);
  if (length > kMaxCapacity) return os_ReportErrno(EFBIG);
  if (length > capacity_) {
    // Explicit lengths get exactly what they ask for; writes get room to grow into.
    int64_t capacity = length;
    if (for_write && capacity_ < kMaxCapacity / 2) capacity = std::max(length, capacity_ * 2);
    Reallocate(capacity, length_);
  } else if (!for_write && owns_buffer_ && capacity_ >= c_ShrinkThreshold &&
             capacity_ > 2 * length) {
    Reallocate(length, std::min(length_, length));
  } else if (length < length_) {
    // Keep the bytes past the end zero: nothing cut off survives in the buffer.
    ::explicit_bzero(buffer_ + length, static_cast<size_t>(length_ - length));
  }
  length_ = length;
  QLM_DCHECK(0 <= length_ && length_ <= capacity_);
  return RC_OK;
}

int64_t MemoryStreamC::Seek(int64_t offset, int32_t origin) {
  int64_t base;
  switch (origin) {
    case 0:
      base = 0;
      break;
    case 1:
      base = position_;
      break;
    case 2:
      base = length_;
      break;
    default:
      return -1;
  }
  if ((offset > 0 && base > kMaxCapacity - offset) || base + offset < 0) {
    // Reported for the caller; the code it returns is not this function's result.
    if (offset < 0) (void)os_Report(OS_E_SEEK_BEFORE_START, OS_T_SEEK_BEFORE_START);
    return -1;
  }
  position_ = base + offset;
  return position_;
}
