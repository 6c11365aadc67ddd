// BlobArrayC: a growable array of fixed-size records stored contiguously.
//
// Records are plain bytes to this class: they are copied and moved with memcpy/memmove, so a
// record type must be trivially relocatable (derived classes that store objects construct and
// destroy them themselves). Sizes and positions are 64-bit.
//
// Growth: Grow() sets the capacity to ((capacity * 3 / 2) | 0x1F) + 1, giving 32, 64, 128,
// 224, 352, ... Running out of memory terminates the process.
#ifndef QLM_BASE_BLOBARRAYC_H_
#define QLM_BASE_BLOBARRAYC_H_

#include <cstddef>
#include <cstdint>

class BlobArrayC {
 public:
  // Compares the records at `a` and `b`: negative, 0 or positive.
  using CompareFn = int (*)(const void* a, const void* b, void* context);

  // `elementSize` bytes per record (at least 1).
  explicit BlobArrayC(uint64_t elementSize) noexcept;
  BlobArrayC(const BlobArrayC&) = delete;
  BlobArrayC& operator=(const BlobArrayC&) = delete;
  // Frees the storage (BlobArrayC::Clear; derived classes release their records first).
  virtual ~BlobArrayC();

  // Frees the storage; count and capacity become 0. Derived classes release what their
  // records hold first. Never fails.
  virtual void Clear() noexcept;
  // Enlarges the capacity by one step (see above), keeping the records. Terminates the process
  // when memory runs out.
  virtual void Grow();

  uint64_t ElementSize() const noexcept { return element_size_; }
  uint64_t Count() const noexcept { return count_; }
  uint64_t Capacity() const noexcept { return capacity_; }
  bool IsEmpty() const noexcept { return count_ == 0; }
  // The first record; null while nothing was ever stored.
  void* Data() const noexcept { return data_; }

  // The record at `index`, or null when `index` is not below the count.
  void* Get(uint64_t index) const noexcept {
    return index < count_ ? data_ + index * element_size_ : nullptr;
  }
  // Appends a copy of the record at `element` (null: a zero-filled record); returns the slot.
  void* Append(const void* element);
  // Inserts a copy of `element` (null: zero-filled) at `index`, moving the following records
  // up by one; an index at or past the count appends. Returns the slot.
  void* Insert(uint64_t index, const void* element);
  // Removes the record at `index`, moving the following ones down. False when out of range.
  bool Remove(uint64_t index) noexcept;
  // Sorts the records with `compare` (stable: equal records keep their order). A comparison
  // that is not a consistent ordering gives some order but never touches memory
  // outside the array.
  void Sort(CompareFn compare, void* context);

 protected:
  // Exchanges storage with `other` (same element size).
  void SwapStorage(BlobArrayC& other) noexcept;
  // Makes room for one more record, growing as needed; returns the slot past the last record.
  uint8_t* Reserve1();

 private:
  uint64_t element_size_;
  uint8_t* data_ = nullptr;
  uint64_t count_ = 0;
  uint64_t capacity_ = 0;
};

#endif  // QLM_BASE_BLOBARRAYC_H_
