// ListSingleC: a singly linked intrusive list with head, tail and element count.
//
// Adding at either end is O(1); removal and At() walk from the head.
// Invariant: tail_ is null exactly when the list is empty, else the last element;
// count_ is the number of elements.
#ifndef QLM_BASE_LISTSINGLEC_H_
#define QLM_BASE_LISTSINGLEC_H_

#include "base/ListI.h"

class ListSingleC : public ListI {
 public:
  // `owner` is recorded in the end marker (null: this list); at least 2-byte aligned.
  explicit ListSingleC(const void* owner = nullptr) noexcept;
  ~ListSingleC() override;

  ListElemI* First() const noexcept override;
  ListElemI* At(int64_t position) const noexcept override;
  bool AddEnd(ListElemI* elem) noexcept override;
  bool AddFront(ListElemI* elem) noexcept override;
  bool InsertAfter(ListElemI* after, ListElemI* elem) noexcept override;
  bool Remove(ListElemI* elem) noexcept override;
  void RemoveAll() noexcept override;
  const void* Owner() const noexcept override { return ListMarkerOwner(marker_); }

  ListElemI* Last() const noexcept { return tail_; }
  uint64_t Count() const noexcept { return count_; }
  bool IsEmpty() const noexcept { return count_ == 0; }

 private:
  // Aborts a debug build when the invariant above does not hold.
  void CheckInvariant() const noexcept;

  ListLinkT head_;
  ListElemI* tail_ = nullptr;
  uint64_t count_ = 0;
  ListLinkT marker_;
};

#endif  // QLM_BASE_LISTSINGLEC_H_
