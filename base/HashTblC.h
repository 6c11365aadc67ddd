// HashTblC: a chained hash table whose bucket count follows a ladder of sizes.
//
// The caller supplies an ascending list of bucket counts; the table starts at the first and
// moves one step up before an insertion when count > cur + 2 * (next - cur), and one step
// down after a removal when the count falls below the previous size. Moving rehashes every
// element with Hash(newSize, key), rebuilding the chains by appending (bucket order, then
// chain order, is kept).
//
// Elements are ListElemI; the key lies `keyOffset` bytes from the element's ListElemI
// address, and Hash and Equals receive the address of the key (so a key may be any type: a
// pointer field, an integer, an inline array). A table that owns its elements destroys them
// (virtual destructor) on removal, replacement and clear. Every chain ends in the table's end
// marker (its address | 1). Not thread-safe.
#ifndef QLM_BASE_HASHTBLC_H_
#define QLM_BASE_HASHTBLC_H_

#include <cstddef>
#include <cstdint>
#include <memory>

#include "base/ListElemI.h"

class HashTblC {
 public:
  // `sizes`: `sizeCount` ascending bucket counts, each at least 1, kept alive by the caller
  // for the life of the table. An unusable ladder (null, empty, a zero or a descending entry)
  // is replaced by a single bucket.
  HashTblC(const uint32_t* sizes, uint32_t sizeCount, bool ownsElements, size_t keyOffset);
  HashTblC(const HashTblC&) = delete;
  HashTblC& operator=(const HashTblC&) = delete;
  // Unlinks every element; destroys them when the table owns them.
  virtual ~HashTblC();

  // The bucket index of `key` in a table of `size` buckets: below `size` (larger results are
  // reduced modulo `size`). `key` is the address of a key.
  virtual uint32_t Hash(uint32_t size, const void* key) const noexcept = 0;
  // True when the keys at `key` and `elementKey` are equal.
  virtual bool Equals(const void* key, const void* elementKey) const noexcept = 0;

  // The first element with the key at `key`, or null.
  ListElemI* Find(const void* key) const noexcept;
  // Adds `elem` at the head of its bucket, without looking for an equal key. False (table
  // unchanged) when `elem` is null or already linked.
  bool Insert(ListElemI* elem) noexcept;
  // Puts `elem` in place of the first element with an equal key, or adds it when there is
  // none. The replaced element is destroyed when the table owns its elements (`*old` is then
  // null); otherwise it is handed back in `*old` (when `old` is not null). `*old` is null
  // when nothing was replaced. False (table unchanged, `*old` null) when `elem` is null or
  // already linked.
  bool InsertReplace(ListElemI* elem, ListElemI** old) noexcept;
  // Removes `elem` (destroying it when the table owns its elements). False when it was not in
  // the table (then it is left alone).
  bool Remove(ListElemI* elem) noexcept;
  // Unlinks every element, destroying them when `destroy` is true or the table owns them,
  // and returns to the first size of the ladder.
  void Clear(bool destroy) noexcept;

  uint64_t Count() const noexcept { return count_; }
  // The current number of buckets.
  uint32_t Size() const noexcept { return sizes_[size_index_]; }
  bool OwnsElements() const noexcept { return owns_; }
  // The address of `elem`'s key.
  const void* KeyOf(const ListElemI* elem) const noexcept {
    return reinterpret_cast<const char*>(elem) + key_offset_;
  }

  // Walks every element, bucket by bucket. A change to the table other than through
  // RemoveCurrent() ends the walk (Next() returns null, IsValid() false). The table must
  // outlive the iterator.
  class IteratorC {
   public:
    explicit IteratorC(HashTblC& table) noexcept;
    // Applies a shrink that removals through this iterator made due.
    ~IteratorC();
    IteratorC(const IteratorC&) = delete;
    IteratorC& operator=(const IteratorC&) = delete;

    // The next element, or null at the end or after the table was changed under the walk.
    ListElemI* Next() noexcept;
    bool IsValid() const noexcept { return valid_; }
    // Removes (and, when owned, destroys) the element last returned by Next(); the walk goes
    // on. The table keeps its size until the walk ends or the iterator is destroyed, so that
    // no element is skipped or returned twice. False when there is no current element or the
    // iterator is invalid.
    bool RemoveCurrent() noexcept;

   private:
    void Finish() noexcept;

    HashTblC* table_;
    uint32_t bucket_ = 0;
    ListLinkT link_ = 0;
    ListElemI* current_ = nullptr;
    uint64_t mod_count_ = 0;
    bool valid_ = true;
    bool shrink_due_ = false;
  };

 private:
  uint32_t IndexOf(uint32_t size, const void* key) const noexcept {
    const uint32_t i = Hash(size, key);
    return i < size ? i : i % size;
  }
  // Rehashes every element into the size at `index` of the ladder.
  void MoveToSize(uint32_t index) noexcept;
  // Unlinks `elem` (whose link is `*link`) and updates the counters; no resizing.
  void UnlinkAt(ListLinkT* link, ListElemI* elem) noexcept;
  // Moves down the ladder while the count is below the previous size.
  void ShrinkAsDue() noexcept;
  void DestroyElem(ListElemI* elem) noexcept;
  // Unlinks every element, destroying them when `destroy` or the table owns them.
  void UnlinkAll(bool destroy) noexcept;

  const uint32_t* sizes_;
  uint32_t size_count_;
  uint32_t size_index_ = 0;
  std::unique_ptr<ListLinkT[]> buckets_;
  uint64_t count_ = 0;
  uint64_t mod_count_ = 0;
  bool owns_;
  size_t key_offset_;
  ListLinkT marker_;
};

#endif  // QLM_BASE_HASHTBLC_H_
