// HashElemI: an element of HashTableC.
//
// The element is linked into its bucket through ListElemI's next link and stores the 32-bit
// hash of its key, computed by the table when the element is inserted. The stored hash lets
// bucket walks skip elements without comparing keys, and lets removal find the bucket without
// hashing again. The key must not change while the element is in a table (HashTableC::Check
// reports an element whose key no longer matches its stored hash).
#ifndef QLM_BASE_HASHELEMI_H_
#define QLM_BASE_HASHELEMI_H_

#include <cstdint>
#include <cstdio>

#include "base/ListElemI.h"

class HashTableC;

class HashElemI : public ListElemI {
 public:
  HashElemI() noexcept = default;
  HashElemI(const HashElemI& other) noexcept : ListElemI(other) {}
  HashElemI& operator=(const HashElemI&) noexcept { return *this; }
  ~HashElemI() override;

  // The key, in the form the owning table's Hash and Equals expect. Must stay valid and
  // unchanged while the element is in a table.
  virtual const void* Key() const noexcept = 0;
  // Destroys the element (default: delete this). Called by the table's DeleteKey and DeleteAll
  // after the element was unlinked.
  virtual void Destroy() noexcept;
  // Writes "%p(n %p, h 0x%08X)": the element, its next link and its stored hash. No new line;
  // a null stream writes to stdout.
  void Print(FILE* stream) const override;

  // The hash stored at the last insertion.
  uint32_t StoredHash() const noexcept { return hash_; }

 protected:
  friend class HashTableC;
  uint32_t hash_ = 0;
};

#endif  // QLM_BASE_HASHELEMI_H_
