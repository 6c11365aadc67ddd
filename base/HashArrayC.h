// HashArrayC: the bucket array of HashTableC.
//
// Each record (8 bytes) is the head link of one singly linked bucket chain; an empty bucket's
// head is the end marker given at construction (the table's address | 1). Bucket heads hold no
// self-addresses, so the array may move when it grows.
#ifndef QLM_BASE_HASHARRAYC_H_
#define QLM_BASE_HASHARRAYC_H_

#include "base/BlobArrayC.h"
#include "base/ListElemI.h"

class HashArrayC : private BlobArrayC {
 public:
  explicit HashArrayC(ListLinkT marker) noexcept;
  ~HashArrayC() override;

  // Empties every bucket (resetting the links of their elements to 0; the elements are not
  // destroyed), then frees the storage.
  void Clear() noexcept override;

  using BlobArrayC::Capacity;
  using BlobArrayC::Count;

  // Appends an empty bucket; returns its index.
  uint64_t AddBucket();
  // The head links, Count() of them (null while there are none).
  ListLinkT* Heads() const noexcept { return static_cast<ListLinkT*>(Data()); }
  ListLinkT Marker() const noexcept { return marker_; }

 private:
  ListLinkT marker_;
};

static_assert(sizeof(ListLinkT) == 8, "bucket heads are 8-byte records");

#endif  // QLM_BASE_HASHARRAYC_H_
