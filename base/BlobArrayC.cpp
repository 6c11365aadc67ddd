#include "base/BlobArrayC.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <utility>

namespace {

[[noreturn]] void OutOfMemory(uint64_t bytes) noexcept {
  std::fprintf(stderr, "BlobArrayC: out of memory allocating %llu bytes\n",
               static_cast<unsigned long long>(bytes));
  std::abort();
}

}  // namespace

BlobArrayC::BlobArrayC(uint64_t elementSize) noexcept
    : element_size_(elementSize == 0 ? 1 : elementSize) {}

BlobArrayC::~BlobArrayC() {
  BlobArrayC::Clear();
}

void BlobArrayC::Clear() noexcept {
  std::free(data_);
  data_ = nullptr;
  count_ = 0;
  capacity_ = 0;
}

void BlobArrayC::Grow() {
  const uint64_t maxRecords = std::numeric_limits<size_t>::max() / element_size_;
  if (capacity_ > maxRecords / 2) OutOfMemory(UINT64_MAX);
  const uint64_t capacity = ((capacity_ * 3 / 2) | 0x1F) + 1;
  if (capacity > maxRecords) OutOfMemory(UINT64_MAX);
  const uint64_t bytes = capacity * element_size_;
  void* data = std::realloc(data_, bytes);
  if (data == nullptr) OutOfMemory(bytes);
  data_ = static_cast<uint8_t*>(data);
  capacity_ = capacity;
}

uint8_t* BlobArrayC::Reserve1() {
  if (count_ == capacity_) Grow();
  return data_ + count_ * element_size_;
}

void* BlobArrayC::Append(const void* element) {
  uint8_t* slot = Reserve1();
  if (element != nullptr) {
    std::memcpy(slot, element, element_size_);
  } else {
    std::memset(slot, 0, element_size_);
  }
  ++count_;
  return slot;
}

void* BlobArrayC::Insert(uint64_t index, const void* element) {
  if (index >= count_) return Append(element);
  // `element` may point into this array: copy it before the records move.
  std::unique_ptr<uint8_t[]> copy;
  if (element != nullptr && static_cast<const uint8_t*>(element) >= data_ &&
      static_cast<const uint8_t*>(element) < data_ + count_ * element_size_) {
    copy.reset(new uint8_t[element_size_]);
    std::memcpy(copy.get(), element, element_size_);
    element = copy.get();
  }
  Reserve1();
  uint8_t* slot = data_ + index * element_size_;
  std::memmove(slot + element_size_, slot, (count_ - index) * element_size_);
  if (element != nullptr) {
    std::memcpy(slot, element, element_size_);
  } else {
    std::memset(slot, 0, element_size_);
  }
  ++count_;
  return slot;
}

bool BlobArrayC::Remove(uint64_t index) noexcept {
  if (index >= count_) return false;
  uint8_t* slot = data_ + index * element_size_;
  std::memmove(slot, slot + element_size_, (count_ - index - 1) * element_size_);
  --count_;
  return true;
}

void BlobArrayC::Sort(CompareFn compare, void* context) {
  if (count_ < 2 || compare == nullptr) return;
  // Sort positions, then gather the records in the new order.
  std::unique_ptr<uint64_t[]> order(new uint64_t[count_]);
  std::unique_ptr<uint64_t[]> scratch(new uint64_t[count_]);
  for (uint64_t i = 0; i < count_; ++i) order[i] = i;
  const uint8_t* data = data_;
  const uint64_t size = element_size_;
  uint64_t* from = order.get();
  uint64_t* to = scratch.get();
  // Bottom-up merge: every index stays within [0, count) whatever the comparison answers.
  for (uint64_t width = 1; width < count_; width *= 2) {
    for (uint64_t lo = 0; lo < count_; lo += 2 * width) {
      const uint64_t mid = std::min(lo + width, count_);
      const uint64_t hi = std::min(lo + 2 * width, count_);
      uint64_t a = lo, b = mid, out = lo;
      while (a < mid && b < hi) {
        // Take from the right run only when strictly smaller: keeps equal records in order.
        if (compare(data + from[b] * size, data + from[a] * size, context) < 0) {
          to[out++] = from[b++];
        } else {
          to[out++] = from[a++];
        }
      }
      while (a < mid) to[out++] = from[a++];
      while (b < hi) to[out++] = from[b++];
    }
    std::swap(from, to);
  }
  const uint64_t bytes = capacity_ * element_size_;
  auto* sorted = static_cast<uint8_t*>(std::malloc(bytes));
  if (sorted == nullptr) OutOfMemory(bytes);
  for (uint64_t i = 0; i < count_; ++i) {
    std::memcpy(sorted + i * size, data + from[i] * size, size);
  }
  std::free(data_);
  data_ = sorted;
}

void BlobArrayC::SwapStorage(BlobArrayC& other) noexcept {
  std::swap(element_size_, other.element_size_);
  std::swap(data_, other.data_);
  std::swap(count_, other.count_);
  std::swap(capacity_, other.capacity_);
}
