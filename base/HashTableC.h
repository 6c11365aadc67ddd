// HashTableC: a hash table that grows one bucket at a time (linear hashing).
//
// Elements (HashElemI) are intrusive: each is linked into one bucket chain and stores the hash
// of its key. The table does not own its elements; DeleteKey and DeleteAll destroy them
// explicitly (HashElemI::Destroy). Derived classes supply Hash(key) and Equals(element, key).
//
// Addressing: the bucket of hash h is h & mask, or h & (mask >> 1) when that index is not
// below the number of buckets. An insertion that brings count / buckets above 0.9 splits one
// bucket at a time; buckets never merge. A new table has one bucket and mask 0.
//
// Every bucket chain ends in the table's end marker (its address | 1), so ListElemI::Owner()
// of an element in the table is the table. Not thread-safe; callers that share a table lock.
#ifndef QLM_BASE_HASHTABLEC_H_
#define QLM_BASE_HASHTABLEC_H_

#include <cstdint>
#include <cstdio>

#include "base/HashArrayC.h"
#include "base/HashElemI.h"

class HashTableC {
 public:
  HashTableC();
  HashTableC(const HashTableC&) = delete;
  HashTableC& operator=(const HashTableC&) = delete;
  // Unlinks every element (the elements are not destroyed).
  virtual ~HashTableC();

  // The 32-bit hash of `key`. Keys that are Equal must hash alike. Must not change the table.
  virtual uint32_t Hash(const void* key) const noexcept = 0;
  // True when `elem` has the key `key`. Called only for elements whose stored hash equals
  // Hash(key). Must not change the table.
  virtual bool Equals(const HashElemI* elem, const void* key) const noexcept = 0;

  // The first element with `key`, or null.
  HashElemI* Find(const void* key) const noexcept {
    const uint32_t h = Hash(key);
    for (ListLinkT link = buckets_.Heads()[Index(h)]; !ListIsEnd(link);) {
      auto* e = static_cast<HashElemI*>(ListLinkElem(link));
      if (e->hash_ == h && Equals(e, key)) return e;
      link = e->next_;
    }
    return nullptr;
  }
  // The next element with `key` after `elem` in its bucket, or null. `elem` must be in this
  // table.
  HashElemI* FindNext(const HashElemI* elem, const void* key) const noexcept;
  // Adds `elem` (duplicates allowed; the newest is found first). False (table unchanged) when
  // `elem` is null or already linked into a list or table.
  bool Insert(HashElemI* elem) noexcept;
  // Removes the first element with `elem`'s key, if any, inserts `elem` and returns the
  // removed element (the caller owns it), or null. Returns null and changes nothing when
  // `elem` is null or already linked.
  [[nodiscard]] HashElemI* Replace(HashElemI* elem) noexcept;
  // Removes `elem`; true when it was in this table.
  bool Remove(HashElemI* elem) noexcept;
  // Removes the first element with `key` and returns it (the caller owns it), or null.
  [[nodiscard]] HashElemI* RemoveKey(const void* key) noexcept;
  // Removes the first element with `key` and destroys it; false when there was none.
  bool DeleteKey(const void* key) noexcept;
  // Unlinks every element and returns to the initial state (one bucket, mask 0).
  void Clear() noexcept;
  // Unlinks and destroys every element and returns to the initial state.
  void DeleteAll() noexcept;

  // Verifies the mask, every element's stored hash and bucket, and the empty-bucket count.
  // Each fault is reported on standard error ("bits_mask 0x%lX incorrect, should be 0x%lX",
  // "Element hash value wrong: <element>", "Element in wrong list: <element>",
  // "empty_lists %d incorrect, should be %d", then "consistency check failed"); a wrong mask
  // and a wrong empty-bucket count are corrected. True when all was right.
  bool Check();
  // Writes "Dumping table at %p, size=%d (%d empty), mask=%X" and then one line per bucket,
  // "\t0x%X:" followed by a blank and the print of each element. A null stream: stdout.
  void Dump(FILE* stream = nullptr) const;

  uint64_t Count() const noexcept { return count_; }
  uint64_t BucketCount() const noexcept { return buckets_.Count(); }
  uint64_t EmptyBuckets() const noexcept { return empty_; }
  uint32_t Mask() const noexcept { return mask_; }
  // Incremented by every insertion and removal.
  uint64_t ModificationCount() const noexcept { return mod_count_; }
  // The bucket that hash `h` addresses.
  uint32_t BucketOf(uint32_t h) const noexcept { return Index(h); }

  // Walks every element, bucket by bucket in index order. Any change to the table other than
  // through RemoveCurrent() ends the walk: Next() then returns null and IsValid() false.
  // The table must outlive the iterator.
  class IteratorC {
   public:
    explicit IteratorC(const HashTableC& table) noexcept;
    // An iterator that may remove the elements it returns.
    explicit IteratorC(HashTableC& table) noexcept;

    // The next element, or null at the end or after the table was changed under the
    // iterator.
    HashElemI* Next() noexcept;
    // False once the table was seen changed under the iterator.
    bool IsValid() const noexcept { return valid_; }
    // Removes the element last returned by Next() (the caller owns it then); the walk goes
    // on. False when there is none, the iterator is invalid or was made over a const table.
    bool RemoveCurrent() noexcept;
    // Starts over from the first bucket (and becomes valid again).
    void Reset() noexcept;

   private:
    const HashTableC* table_;
    HashTableC* mutable_;
    uint64_t bucket_ = 0;
    ListLinkT link_ = 0;  // the element to return next, or the marker
    HashElemI* current_ = nullptr;
    uint64_t mod_count_ = 0;
    bool valid_ = true;
  };

 private:
  uint32_t Index(uint32_t h) const noexcept {
    const uint32_t i = h & mask_;
    return i < buckets_.Count() ? i : (h & (mask_ >> 1));
  }
  // Unlinks `elem` from bucket `bucket`, whose link to it is `*link`; updates the counters.
  void UnlinkAt(ListLinkT* link, uint32_t bucket, HashElemI* elem) noexcept;
  // Adds one bucket and moves into it the elements of its source bucket that belong there.
  void Split();
  // Back to one empty bucket and mask 0 (the bucket array must be empty).
  void Reinitialise();

  uint64_t count_ = 0;
  uint32_t mask_ = 0;
  HashArrayC buckets_;
  uint64_t empty_ = 0;
  uint64_t mod_count_ = 0;
};

static_assert(alignof(HashTableC) >= 2, "the table's address is its buckets' end marker");

#endif  // QLM_BASE_HASHTABLEC_H_
